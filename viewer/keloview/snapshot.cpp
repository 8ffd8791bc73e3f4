#include "snapshot.h"

#include <objbase.h>

#include <algorithm>
#include <thread>

#include "bgra_canvas.h"
#include "image_writer.h"
#include "messages.h"

namespace keloview {

namespace {

std::wstring Write(const kelocli::BgraCanvas& canvas, const std::wstring& path) {
    const HRESULT written =
        samples::WriteBgraAsPng(path, canvas.Bits(), canvas.Width(), canvas.Height());
    return SUCCEEDED(written) ? std::wstring()
                              : Format(L"%ls could not be written (error 0x%08lx).", path.c_str(),
                                       static_cast<unsigned long>(written));
}

bool SameScreen(const kelocli::BgraCanvas& a, const kelocli::BgraCanvas& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() &&
           std::equal(a.Bits(), a.Bits() + a.Width() * a.Height(), b.Bits());
}

}  // namespace

bool CaptureClientArea(HWND window, kelocli::BgraCanvas* canvas) {
    RECT client;
    GetClientRect(window, &client);
    if (!canvas->Create(client.right, client.bottom, RGB(0, 0, 0))) return false;
    // Read back from the window's own drawing, where the picture's child window is drawn too.
    HDC dc = GetDCEx(window, nullptr, DCX_CACHE);
    const bool copied =
        dc != nullptr && BitBlt(canvas->Dc(), 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    if (dc != nullptr) ReleaseDC(window, dc);
    GdiFlush();
    return copied;
}

std::wstring SaveClientArea(HWND window, const std::wstring& path) {
    kelocli::BgraCanvas canvas;
    if (!CaptureClientArea(window, &canvas)) return L"The window's pixels could not be read.";
    return Write(canvas, path);
}

std::wstring SaveImageOnlyScreen(const std::function<void()>& show, HWND owner,
                                 const std::wstring& path) {
    std::wstring failure = L"The image-only window did not come up.";
    std::thread watcher([&] {
        HWND window = nullptr;
        for (int i = 0; i < 100 && (window = FindWindowW(L"ImageOnly", nullptr)) == nullptr; ++i)
            Sleep(50);
        if (window == nullptr) {
            PostMessageW(owner, WM_USER, 0, 0);  // ends a window that came up late
            return;
        }
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);  // for writing the PNG
        // Settled: two looks 200 ms apart agree and the middle of the screen is not black.
        failure = L"The image-only window's picture did not settle within 5 seconds.";
        kelocli::BgraCanvas previous;
        kelocli::BgraCanvas screen;
        for (int i = 0; i < 25; ++i) {
            Sleep(200);
            if (!screen.CaptureScreen()) continue;
            if (screen.At(screen.Width() / 2, screen.Height() / 2) != 0 &&
                SameScreen(screen, previous)) {
                failure = Write(screen, path);
                break;
            }
            previous.CaptureScreen();
        }
        INPUT key[2] = {};
        key[0].type = key[1].type = INPUT_KEYBOARD;
        key[0].ki.wVk = key[1].ki.wVk = VK_ESCAPE;
        key[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, key, sizeof(INPUT));
        // Should the key not reach it, the window's own end signal does.
        for (int i = 0; i < 40 && IsWindow(window); ++i) Sleep(50);
        if (IsWindow(window)) PostMessageW(owner, WM_USER, 0, 0);
        CoUninitialize();
    });
    show();
    watcher.join();
    return failure;
}

}  // namespace keloview
