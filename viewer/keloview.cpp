// keloview: an interactive viewer host built on kelocli.
//
//   keloview FILE
//
// 2D documents: drag a rectangle to zoom into it, right-click to zoom out, arrow keys scroll,
// double-click centres, F refits, the window follows resizes at the same scale.
// 3D documents: drag to orbit, keys 0-9 jump to the preset views, arrows turn, W/S move forward
// and back, A/D move sideways, Q/E twist, +/- change the viewing distance.
// Escape closes.
#include <windows.h>
#include <windowsx.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "kelocli.h"

namespace {

constexpr char kWindowClass[] = "KeloView";
constexpr int kScrollPercent = 10;

struct Viewer {
    std::unique_ptr<Dewey> document;
    std::unique_ptr<Huey> view;
    taghueyinfo info = {};
    taghuey3dinfo camera = {};
    bool threeD = false;
    bool sized = false;
    RECT client = {};
    bool dragging = false;
    POINT dragStart = {};
    POINT dragLast = {};
};

Viewer* ViewerOf(HWND window) {
    return reinterpret_cast<Viewer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

// A 3D drawing is a document whose server reports a scene with some extent.
bool IsThreeD(Dewey& document) {
    double c[3] = {}, e[3] = {};
    if (document.Get3DInfo(&c[0], &c[1], &c[2], &e[0], &e[1], &e[2]) != 0) return false;
    return e[0] > 0 || e[1] > 0 || e[2] > 0;
}

void UpdateTitle(HWND window, const Viewer& viewer, const char* file) {
    char title[MAX_PATH + 64];
    if (viewer.threeD) {
        std::snprintf(title, sizeof title, "keloview - %s (3D)", file);
    } else {
        std::snprintf(title, sizeof title, "keloview - %s (%ld%% .. %ld%%)", file,
                      viewer.info.percentRect.left, viewer.info.percentRect.right);
    }
    SetWindowTextA(window, title);
}

void OnPaint(HWND window, Viewer& viewer) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    viewer.view->AttachWindow(window, dc);
    viewer.view->Paint();
    EndPaint(window, &paint);
}

void OnSize(HWND window, Viewer& viewer) {
    RECT now;
    GetClientRect(window, &now);
    if (now.right <= 0 || now.bottom <= 0) return;
    if (!viewer.sized) {
        viewer.view->InitWindowSize(&now, 1, &viewer.info);
        viewer.sized = true;
    } else if (!viewer.threeD) {
        RECT old = viewer.client;
        viewer.view->ResizeWindow(&old, &now, 0, &viewer.info);
    } else {
        viewer.view->InitWindowSize(&now, 1, &viewer.info);
    }
    viewer.client = now;
    InvalidateRect(window, nullptr, FALSE);
}

void OnKey(HWND window, Viewer& viewer, WPARAM key) {
    Huey& view = *viewer.view;
    if (key == VK_ESCAPE) {
        DestroyWindow(window);
        return;
    }
    if (viewer.threeD) {
        if (key >= '0' && key <= '9') view.CADSteer(&viewer.camera, int(key - '0'), 0, nullptr);
        const struct {
            WPARAM key;
            int code;
        } steps[] = {{VK_UP, 0}, {VK_RIGHT, 1}, {VK_DOWN, 2}, {VK_LEFT, 3}, {'D', 5},
                     {'A', 7},   {'W', 8},      {'S', 9},     {'Q', 10},    {'E', 11}};
        for (const auto& step : steps) {
            if (step.key == key) view.VRSteer(&viewer.camera, step.code, 0);
        }
        if (key == VK_OEM_PLUS || key == VK_ADD) {
            view.Distance(&viewer.camera, viewer.camera.distance - 1);
            view.SetPointOfView(viewer.camera.eyeX, viewer.camera.eyeY, viewer.camera.eyeZ,
                                viewer.camera.yaw, viewer.camera.pitch, viewer.camera.twist, 0);
        }
        if (key == VK_OEM_MINUS || key == VK_SUBTRACT) {
            view.Distance(&viewer.camera, viewer.camera.distance + 1);
            view.SetPointOfView(viewer.camera.eyeX, viewer.camera.eyeY, viewer.camera.eyeZ,
                                viewer.camera.yaw, viewer.camera.pitch, viewer.camera.twist, 0);
        }
    } else {
        if (key == VK_LEFT) view.ScrollWindow(-kScrollPercent, 0, &viewer.info);
        if (key == VK_RIGHT) view.ScrollWindow(kScrollPercent, 0, &viewer.info);
        if (key == VK_UP) view.ScrollWindow(0, -kScrollPercent, &viewer.info);
        if (key == VK_DOWN) view.ScrollWindow(0, kScrollPercent, &viewer.info);
        if (key == 'F') {
            RECT old = viewer.client, now = viewer.client;
            view.ResizeWindow(&old, &now, 1, &viewer.info);
        }
    }
    InvalidateRect(window, nullptr, FALSE);
}

void OnButtonUp(HWND window, Viewer& viewer, POINT at) {
    if (!viewer.dragging) return;
    viewer.dragging = false;
    ReleaseCapture();
    if (viewer.threeD) return;
    RECT selection = {viewer.dragStart.x, viewer.dragStart.y, at.x, at.y};
    viewer.view->ZoomIn(&selection, &viewer.info);
    InvalidateRect(window, nullptr, FALSE);
}

void OnMouseMove(HWND window, Viewer& viewer, POINT at) {
    if (!viewer.dragging || !viewer.threeD) return;
    viewer.view->Trackball(&viewer.camera, at.x - viewer.dragLast.x, at.y - viewer.dragLast.y, 0,
                           &viewer.client);
    viewer.dragLast = at;
    InvalidateRect(window, nullptr, FALSE);
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    Viewer* viewer = ViewerOf(window);
    if (viewer == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    const POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
        case WM_PAINT:
            OnPaint(window, *viewer);
            return 0;
        case WM_SIZE:
            OnSize(window, *viewer);
            return 0;
        case WM_KEYDOWN:
            OnKey(window, *viewer, wParam);
            return 0;
        case WM_LBUTTONDOWN:
            viewer->dragging = true;
            viewer->dragStart = viewer->dragLast = at;
            SetCapture(window);
            return 0;
        case WM_LBUTTONUP:
            OnButtonUp(window, *viewer, at);
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(window, *viewer, at);
            return 0;
        case WM_RBUTTONUP:
            if (!viewer->threeD) viewer->view->ZoomOut(2, &viewer->info);
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_LBUTTONDBLCLK:
            if (!viewer->threeD) viewer->view->CenterWindow(at.x, at.y, &viewer->info);
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: keloview FILE\n");
        return 2;
    }
    Viewer viewer;
    viewer.document.reset(new Dewey);
    if (!viewer.document || viewer.document->Open(argv[1]) != 0) {
        std::fprintf(stderr, "keloview: the image server could not open %s\n", argv[1]);
        return 1;
    }
    viewer.view.reset(new Huey(viewer.document.get()));
    viewer.threeD = IsThreeD(*viewer.document);
    if (viewer.threeD) viewer.view->Init3DInfo(&viewer.camera);

    WNDCLASSA windowClass = {};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_CROSS));
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass);
    HWND window =
        CreateWindowExA(0, kWindowClass, "keloview", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 800, 600, nullptr, nullptr, windowClass.hInstance, &viewer);
    if (window == nullptr) return 1;
    UpdateTitle(window, viewer, argv[1]);
    ShowWindow(window, SW_SHOW);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (message.message == WM_KEYDOWN || message.message == WM_LBUTTONUP ||
            message.message == WM_RBUTTONUP) {
            UpdateTitle(window, viewer, argv[1]);
        }
    }
    return 0;
}
