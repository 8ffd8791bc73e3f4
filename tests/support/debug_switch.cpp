#include "debug_switch.h"

#include <windows.h>

namespace testsupport {

namespace {

constexpr char kKey[] = "Software\\Pimbax\\Kelocli";

void Write(HKEY root, const std::string& text) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

void Remove(HKEY root) {
    RegDeleteKeyA(root, kKey);
    RegDeleteKeyA(root, "Software\\Pimbax");  // only when nothing else lives there
}

}  // namespace

void DebugSwitch::SetUser(const std::string& text) {
    Write(HKEY_CURRENT_USER, text);
}
void DebugSwitch::SetMachine(const std::string& text) {
    Write(HKEY_LOCAL_MACHINE, text);
}
void DebugSwitch::ClearUser() {
    Remove(HKEY_CURRENT_USER);
}

void DebugSwitch::Clear() {
    Remove(HKEY_CURRENT_USER);
    Remove(HKEY_LOCAL_MACHINE);
}

}  // namespace testsupport
