#include "runtime/registration.h"

#include <windows.h>

namespace pimbax {

namespace {

constexpr const wchar_t* kClassKey = L"CLSID\\{CF495723-8632-11CE-BCAF-000000001B1B}";
constexpr const wchar_t* kUserClasses = L"Software\\Classes";
constexpr const wchar_t* kDescription = L"Pimbax image server";

bool SetText(HKEY key, const wchar_t* subKey, const std::wstring& value) {
    HKEY opened = nullptr;
    if (RegCreateKeyExW(key, subKey, 0, nullptr, 0, KEY_WRITE, nullptr, &opened, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    const LONG status =
        RegSetValueExW(opened, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(opened);
    return status == ERROR_SUCCESS;
}

bool RegisterUnder(HKEY classes, const std::wstring& executable) {
    const std::wstring classKey = kClassKey;
    return SetText(classes, classKey.c_str(), kDescription) &&
           SetText(classes, (classKey + L"\\LocalServer32").c_str(), L"\"" + executable + L"\"");
}

// Opens the user's classes; null when they cannot be opened.
HKEY UserClasses(REGSAM access) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kUserClasses, 0, nullptr, 0, access, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

bool RemoveUnder(HKEY classes) {
    const LONG status = RegDeleteTreeW(classes, kClassKey);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace

bool RegisterServer(const std::wstring& executable) {
    if (RegisterUnder(HKEY_CLASSES_ROOT, executable)) return true;
    HKEY user = UserClasses(KEY_WRITE);
    if (user == nullptr) return false;
    const bool done = RegisterUnder(user, executable);
    RegCloseKey(user);
    return done;
}

bool UnregisterServer() {
    bool removed = RemoveUnder(HKEY_CLASSES_ROOT);
    HKEY user = UserClasses(KEY_READ | KEY_WRITE | DELETE);
    if (user != nullptr) {
        removed = RemoveUnder(user) && removed;
        RegCloseKey(user);
    }
    return removed;
}

}  // namespace pimbax
