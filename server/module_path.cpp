#include "module_path.h"

namespace pimbax {

std::wstring ModulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return L"";
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring BesideExecutable(const wchar_t* name) {
    std::wstring path = ModulePath(nullptr);
    path.resize(path.find_last_of(L"\\/") + 1);
    return path + name;
}

}  // namespace pimbax
