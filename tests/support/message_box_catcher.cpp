#include "message_box_catcher.h"

namespace testsupport {

namespace {

thread_local MessageBoxCatcher* activeCatcher = nullptr;
thread_local std::vector<CaughtBox>* activeBoxes = nullptr;

constexpr int kMessageTextId = 0xFFFF;  // the static control holding a message box's text

std::string WindowText(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

}  // namespace

MessageBoxCatcher::MessageBoxCatcher() {
    activeCatcher = this;
    activeBoxes = &boxes_;
    hook_ = SetWindowsHookExA(WH_CBT, &MessageBoxCatcher::OnCbt, nullptr, GetCurrentThreadId());
}

MessageBoxCatcher::~MessageBoxCatcher() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    activeCatcher = nullptr;
    activeBoxes = nullptr;
}

LRESULT CALLBACK MessageBoxCatcher::OnCbt(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && activeBoxes != nullptr) {
        HWND window = reinterpret_cast<HWND>(wParam);
        char className[32] = {};
        GetClassNameA(window, className, sizeof className);
        if (lstrcmpA(className, "#32770") == 0) {
            CaughtBox box;
            box.caption = WindowText(window);
            HWND textControl = GetDlgItem(window, kMessageTextId);
            if (textControl != nullptr) box.text = WindowText(textControl);
            activeBoxes->push_back(box);
            PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace testsupport
