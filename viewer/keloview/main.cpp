// keloview: a document viewer built on kelocli.
//
//   keloview [FILE]              shows the file (or nothing yet) in a window
//   keloview --script SCRIPT     runs the script's actions on a window (see script.h)
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <string>

#include "frame_window.h"
#include "script.h"

namespace {

constexpr wchar_t kUsage[] =
    L"keloview [FILE]\n    shows the file in a window\n\nkeloview --script SCRIPT\n    runs the "
    L"script's actions (open, mode, zoom-in, zoom-out, scroll, cad, vr, trackball, edit, print, "
    L"shot, image-only-shot), one a line";

int RunWindows() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (keloview::Frame::TranslateShortcut(&message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::wstring first = count > 1 ? arguments[1] : L"";
    const std::wstring second = count > 2 ? arguments[2] : L"";
    LocalFree(arguments);

    OleInitialize(nullptr);  // drag and drop, the clipboard and the common dialogs need it
    keloview::Frame::Register(instance);
    int status = 0;
    if (first == L"--script" && count == 3) {
        status = keloview::RunScript(instance, second);
    } else if (count > 2 || (!first.empty() && first[0] == L'-')) {
        keloview::Say(kUsage, true);
        if (first != L"--script") MessageBoxW(nullptr, kUsage, L"keloview", MB_ICONINFORMATION);
        status = 2;
    } else if (keloview::Frame* frame = keloview::Frame::Create(instance, show)) {
        if (frame->CheckServer() && !first.empty()) frame->OpenFile(first, true);
        status = RunWindows();
    } else {
        status = 1;
    }
    OleUninitialize();
    return status;
}
