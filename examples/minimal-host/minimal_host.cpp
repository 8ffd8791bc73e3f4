// minimal-host: the smallest complete kelocli host. It opens the document named on its command
// line, fits it into a window and paints it there; nothing else.
//
//   minimal-host FILE
//
// The image server must be registered (pimbaxsrv.exe /RegServer) and kelocli.dll must sit beside
// this program.
#include <windows.h>

#include "kelocli.h"

namespace {

constexpr char kWindowClass[] = "KelocliMinimalHost";

Huey* view;              // the view of the open document
taghueyinfo viewRecord;  // the host's record of that view, passed to every view operation

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE: {  // fit the whole image into the new client area
            RECT client;
            GetClientRect(window, &client);
            view->InitWindowSize(&client, 1, &viewRecord);
            InvalidateRect(window, nullptr, TRUE);
            return 0;
        }
        case WM_PAINT: {  // the server draws into the window and DC attached last
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            view->AttachWindow(window, dc);
            view->Paint();
            EndPaint(window, &paint);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        MessageBoxA(nullptr, "usage: minimal-host FILE", "minimal-host", MB_ICONERROR);
        return 2;
    }

    Dewey document;  // connects to the image server; the Dewey must outlive its views
    long width = 0, height = 0;
    short horizontalRes, verticalRes, depth;
    if (document.Open(argv[1]) != 0 ||
        document.GetInfo(&width, &height, &horizontalRes, &verticalRes, &depth) != 0 ||
        width <= 0 || height <= 0) {
        MessageBoxA(nullptr, "The document cannot be opened (is pimbaxsrv.exe registered?)",
                    argv[1], MB_ICONERROR);
        return 1;
    }
    Huey documentView(&document);
    view = &documentView;

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass);
    if (!CreateWindowA(kWindowClass, argv[1], WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                       CW_USEDEFAULT, 800, 600, nullptr, nullptr, windowClass.hInstance, nullptr)) {
        return 1;
    }

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
