#include "file_names.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "messages.h"

namespace keloview {

namespace {

bool IsAscii(const std::wstring& text) {
    return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c > 0 && c < 0x80; });
}

std::wstring FullPath(const std::wstring& path) {
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::vector<wchar_t> full(size);
    GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    return full.data();
}

std::wstring ShortPath(const std::wstring& path) {
    const DWORD size = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (size == 0) return std::wstring();
    std::vector<wchar_t> alias(size);
    if (GetShortPathNameW(path.c_str(), alias.data(), size) == 0) return std::wstring();
    return alias.data();
}

}  // namespace

bool ServerFileName(const std::wstring& path, std::string* name, std::wstring* error) {
    std::wstring full = FullPath(path);
    if (!IsAscii(full)) {
        const std::wstring alias = ShortPath(full);
        const std::size_t slash = full.find_last_of(L"\\/");
        if (!alias.empty()) {
            full = alias;
        } else if (slash != std::wstring::npos) {  // a new file: its folder's alias
            const std::wstring folder = ShortPath(full.substr(0, slash));
            if (!folder.empty()) full = folder + full.substr(slash);
        }
    }
    if (!IsAscii(full)) {
        *error = Format(
            L"The image server takes file names in plain letters (ASCII) only, and \"%ls\" has "
            L"others that the system gives no short name for. Rename the file or its folder.",
            path.c_str());
        return false;
    }
    *name = std::string(full.begin(), full.end());
    return true;
}

std::wstring RelativeTo(const std::wstring& base, const std::wstring& path) {
    const bool absolute = (path.size() > 1 && path[1] == L':') ||
                          (!path.empty() && (path[0] == L'\\' || path[0] == L'/'));
    const std::size_t slash = base.find_last_of(L"\\/");
    std::wstring joined =
        absolute || slash == std::wstring::npos ? path : base.substr(0, slash + 1) + path;
    for (wchar_t& c : joined)
        if (c == L'/') c = L'\\';
    return joined;
}

std::wstring BaseName(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace keloview
