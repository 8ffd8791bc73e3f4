// Huey: the image-only window, the current document alone on the whole screen.
#include "huey.h"

#include <cstdint>
#include <memory>

#include "dewey.h"
#include "louie.h"
#include "shared_section.h"
#include "unique_resource.h"
#include "view_geometry.h"
#include "zevblitter.h"

namespace {

constexpr char kClassName[] = "ImageOnly";
constexpr DWORD kWindowStyle = WS_MAXIMIZE | WS_BORDER;  // 0x01800000 on an overlapped window
constexpr int kOtherKind = -1;
constexpr short kRasterBits = 8;
constexpr int kBlitterMode = 3;
constexpr int kBlitterPalette = 2;

// Asks the image-only loop to end: the message is picked out of the loop, never dispatched.
void PostEndSignal(HWND window) {
    PostMessageA(window, WM_USER, 0, 0);
}

LRESULT CALLBACK ImageOnlyWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            return 0;
        case WM_ACTIVATEAPP:
            if (wParam == 1) return DefWindowProcA(window, message, wParam, lParam);
            [[fallthrough]];
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE)
                return DefWindowProcA(window, message, wParam, lParam);
            PostEndSignal(window);
            return 0;
        case WM_PAINT:
            ValidateRect(window, nullptr);  // the picture is on the screen, not in the window
            return 1;
        case WM_ERASEBKGND:
            return 1;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            PostEndSignal(window);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

// Registers the class (a repeated registration fails and changes nothing) and makes the window,
// one pixel larger than the screen each way.
kelocli::UniqueWindow CreateImageOnlyWindow(const RECT& screen) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_VREDRAW | CS_HREDRAW;
    windowClass.lpfnWndProc = ImageOnlyWndProc;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass);
    return kelocli::UniqueWindow(CreateWindowExA(WS_EX_TOPMOST, kClassName, kClassName,
                                                 kWindowStyle, 0, 0, screen.right, screen.bottom,
                                                 nullptr, nullptr, nullptr, nullptr));
}

// Has the window's own drawing (its frame, drawn when it was shown) reach the screen now, so that
// it lies under what is drawn over the screen next instead of covering it: systems that put
// window drawing out lazily (Wine) do so when a look at the queue finds nothing to take.
void PutFrameOnScreen(HWND window) {
    UpdateWindow(window);
    MSG nothing;
    PeekMessageA(&nothing, window, WM_NULL, WM_NULL, PM_NOREMOVE);
}

// Pumps every message of the thread until the end signal or a quit message arrives; neither is
// passed on. A failing GetMessageA also ends it.
void RunUntilEndSignal() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_USER) return;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

struct DeweyDeleter {
    void operator()(Dewey* document) const { delete document; }
};
using TemporaryDocument = std::unique_ptr<Dewey, DeweyDeleter>;

}  // namespace

void Huey::ImageOnly() {
    RECT image = {0, 0, 0, 0};
    if (louie != nullptr) louie->GetInfo(&image.right, &image.bottom, nullptr, nullptr, nullptr);
    const RECT fitted = kelocli::FitToScreen(
        {static_cast<std::int32_t>(image.right), static_cast<std::int32_t>(image.bottom)},
        GetSystemMetrics);
    const int kind = louie != nullptr ? louie->IsRaster() : kOtherKind;

    // Documents the server cannot paint onto the screen are shown from a second server document:
    // the first one's image rebuilt, rasterized to the fitted rectangle's edges and published.
    TemporaryDocument temporary;
    kelocli::UniqueView view;
    if (kind == kOtherKind) {
        kelocli::UniqueBstr name;
        if (louie != nullptr) louie->GetSecName(name.Receive());
        if (!name) return;
        temporary.reset(new Dewey);
        if (!temporary || temporary->louie == nullptr) return;
        Louie& second = *temporary->louie;
        second.ResurrectSection(name.Get(), name.Get());  // the new Louie owns the name now
        name.Release();
        temporary->Rasterize(static_cast<short>(fitted.right), static_cast<short>(fitted.bottom),
                             kRasterBits);
        second.SaveResurrectionData();
        view = kelocli::MapSectionForReading(second.sectionHandle);
        if (!view) return;
    }

    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN) + 1,
                         GetSystemMetrics(SM_CYSCREEN) + 1};
    {
        kelocli::MouseCapture capture;  // declared first: released after the window is destroyed
        kelocli::UniqueWindow window = CreateImageOnlyWindow(screen);
        if (!window) return;
        ShowWindow(window.Get(), SW_SHOWMAXIMIZED);
        SetFocus(window.Get());
        capture.Take(window.Get());
        PutFrameOnScreen(window.Get());
        {
            const kelocli::WindowDc screenDc(nullptr);
            FillRect(screenDc.Get(), &screen, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            if (temporary) {
                kelocli::ZevBlitter blitter(kBlitterMode, kBlitterPalette);
                auto* header = static_cast<BITMAPINFOHEADER*>(const_cast<void*>(view.Get()));
                RECT part = fitted;
                RECT area = fitted;
                blitter.ZevRealizePalette(window.Get(), header);
                blitter.ZevBlit(screenDc.Get(), header, &part, &area);
            } else {
                RECT part = image;
                RECT area = fitted;
                AttachWindow(nullptr, screenDc.Get());
                Paint(&part, &area);
            }
        }
        RunUntilEndSignal();
    }
    view.Reset();
    temporary.reset();
    InvalidateRect(nullptr, nullptr, FALSE);
}
