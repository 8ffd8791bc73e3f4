// What every window class of keloview does the same way: registering the class, and finding the
// object behind a window (the creation parameter, kept from WM_NCCREATE on).
#ifndef KELOVIEW_WINDOW_CLASS_H
#define KELOVIEW_WINDOW_CLASS_H

#include <windows.h>

namespace keloview {

inline void RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure,
                                const wchar_t* cursor, HBRUSH background = nullptr,
                                const wchar_t* menu = nullptr) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursor(nullptr, cursor);
    windowClass.hbrBackground = background;
    windowClass.lpszMenuName = menu;
    windowClass.lpszClassName = name;
    RegisterClassW(&windowClass);  // fails harmlessly when registered already
}

// The object the window was created for; null before WM_NCCREATE and after WM_NCDESTROY.
template <typename Owner>
Owner* OwnerOf(HWND window, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(
                              reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    return reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

}  // namespace keloview

#endif
