// keloview's script mode, for automation and the demonstration: `keloview --script FILE` shows a
// main window with an 800 x 600 client area and runs one action a line on it:
//
//   open FILE                     mode fit | actual | width
//   zoom-in LEFT TOP RIGHT BOTTOM zoom-out FACTOR
//   scroll DX DY                  (percents of the image)
//   cad VIEW                      (0-9)
//   vr STEP                       (turn-up, turn-left, turn-down, turn-right, slide-up,
//                                  slide-left, slide-down, slide-right, forward, back, roll-left,
//                                  roll-right, or their codes 0-11)
//   trackball X0 Y0 X1 Y1         (a drag from the first point to the second)
//   edit COMMAND ARGUMENTS...     (the Edit, Image, Text and File commands: save, save-as, undo,
//                                  rotate, crop, gray, ...; missing arguments take the values
//                                  the menu would offer)
//   print FILE.ps                 (one page on the default printer, into that file)
//   shot NAME.png                 (the window's client area)
//   image-only-shot NAME.png      (the screen while the image-only window shows)
//
// Blank lines and lines starting with '#' are skipped; a word with blanks is written in double
// quotes. File names are absolute or relative to the script's folder; rectangles and points
// are in the window's client pixels. Each action is reported on the standard output and each
// failure, in words, on the standard error; the exit code is 0 when every action succeeded, 1
// when one failed and 2 when the script cannot be read.
#ifndef KELOVIEW_SCRIPT_H
#define KELOVIEW_SCRIPT_H

#include <windows.h>

#include <string>

namespace keloview {

int RunScript(HINSTANCE instance, const std::wstring& scriptPath);

// Writes a line to the standard output or error, attaching to the parent's console when the
// program has none of its own.
void Say(const std::wstring& line, bool error = false);

}  // namespace keloview

#endif
