// Linux programs the end-to-end tests drive from inside Wine: xdotool for real input to the
// display, ghostscript to turn printed PostScript pages into pixels.
//
// They are started through ntdll's __wine_unix_spawnvp, which forks and execs a Unix program with
// the Wine process's own Unix environment (so DISPLAY names the session's display) and waits for
// it; paths are handed over as Unix paths from kernel32's wine_get_unix_file_name.
#ifndef KELOCLI_TESTS_E2E_LINUX_TOOLS_H
#define KELOCLI_TESTS_E2E_LINUX_TOOLS_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

// Runs the program (found on PATH) with its arguments and waits for it: its exit code, or a
// non-zero status when it could not be started.
long RunLinuxProgram(const std::vector<std::string>& arguments);

// The Unix path of a Windows path; empty when Wine knows none.
std::string UnixPath(const std::string& windowsPath);

// A printed page as pixels, top row first.
struct Page {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
    COLORREF At(int x, int y) const;
};

// Renders the first page of a PostScript file with ghostscript at `dpi`, without smoothing, and
// reads it back. False when ghostscript failed or wrote no page.
bool RenderPostScript(const std::string& windowsPath, int dpi, Page* page);

}  // namespace e2e

#endif
