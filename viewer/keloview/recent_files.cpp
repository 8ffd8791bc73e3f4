#include "recent_files.h"

#include <algorithm>

#include "messages.h"

namespace keloview {

namespace {

constexpr wchar_t kKey[] = L"Software\\Pimbax\\Keloview\\Recent";

}  // namespace

std::vector<std::wstring> LoadRecentFiles() {
    std::vector<std::wstring> files;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return files;
    for (int i = 0; i < kRecentFiles; ++i) {
        wchar_t path[MAX_PATH * 4] = {};
        DWORD size = sizeof path - sizeof path[0];  // room for a terminator the value may lack
        DWORD type = 0;
        const std::wstring name = Format(L"File%d", i + 1);
        if (RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(path),
                             &size) == ERROR_SUCCESS &&
            type == REG_SZ && path[0] != L'\0') {
            files.push_back(path);
        }
    }
    RegCloseKey(key);
    return files;
}

void RememberRecentFile(const std::wstring& path) {
    std::vector<std::wstring> files = LoadRecentFiles();
    files.erase(std::remove_if(files.begin(), files.end(),
                               [&](const std::wstring& file) {
                                   return _wcsicmp(file.c_str(), path.c_str()) == 0;
                               }),
                files.end());
    files.insert(files.begin(), path);
    if (files.size() > kRecentFiles) files.resize(kRecentFiles);
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::wstring name = Format(L"File%d", static_cast<int>(i + 1));
        RegSetValueExW(key, name.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(files[i].c_str()),
                       static_cast<DWORD>((files[i].size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
}

void ShowRecentFiles(HMENU fileMenu, UINT exitCommand, UINT firstCommand) {
    for (UINT i = 0; i <= kRecentFiles; ++i) DeleteMenu(fileMenu, firstCommand + i, MF_BYCOMMAND);
    const std::vector<std::wstring> files = LoadRecentFiles();
    // The items go before Exit and its separator; the last item is a separator of their own.
    const int count = GetMenuItemCount(fileMenu);
    int exitAt = count;
    for (int i = 0; i < count; ++i)
        if (GetMenuItemID(fileMenu, i) == exitCommand) exitAt = i;
    if (files.empty()) return;
    InsertMenuW(fileMenu, exitAt, MF_BYPOSITION | MF_SEPARATOR, firstCommand + kRecentFiles,
                nullptr);
    for (std::size_t i = files.size(); i-- > 0;) {
        const std::wstring text = Format(L"&%d %ls", static_cast<int>(i + 1), files[i].c_str());
        InsertMenuW(fileMenu, exitAt, MF_BYPOSITION | MF_STRING,
                    firstCommand + static_cast<UINT>(i), text.c_str());
    }
}

}  // namespace keloview
