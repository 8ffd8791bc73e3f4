// Pictures of what keloview shows, written as PNG files through WIC.
#ifndef KELOVIEW_SNAPSHOT_H
#define KELOVIEW_SNAPSHOT_H

#include <windows.h>

#include <functional>
#include <string>

#include "bgra_canvas.h"

namespace keloview {

// The window's client area, children included, as it is drawn now; false when it cannot be read.
bool CaptureClientArea(HWND window, kelocli::BgraCanvas* canvas);

// The window's client area, children included, as it is drawn now. Empty when written, else
// why not.
std::wstring SaveClientArea(HWND window, const std::wstring& path);

// Runs `show`, which shows the image-only window and returns when it has ended, while another
// thread keeps the screen once the picture has settled and then ends the window with a key
// press, as a user would (or, should that not end it, with the end message posted to `owner`,
// a window of the same thread). Empty when written, else why not.
std::wstring SaveImageOnlyScreen(const std::function<void()>& show, HWND owner,
                                 const std::wstring& path);

}  // namespace keloview

#endif
