#include "dispatch/host_strings.h"

#include <windows.h>

#include <algorithm>

namespace pimbax {

namespace {

bool IsWidenedByte(wchar_t unit) {
    return unit < 0x80 || unit >= 0xFF80;
}

}  // namespace

std::wstring FromHostUnits(const wchar_t* units, std::size_t count) {
    const std::wstring given(units, count);
    if (std::all_of(given.begin(), given.end(), [](wchar_t unit) { return unit < 0x80; }) ||
        !std::all_of(given.begin(), given.end(), IsWidenedByte) || count > 0x7FFFFFFF) {
        return given;
    }
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(given[i] & 0xFF);
    const int length = static_cast<int>(count);
    const int wide = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    if (wide <= 0) return given;
    std::wstring text(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, &text[0], wide);
    return text;
}

std::wstring ToHostUnits(const std::wstring& text) {
    if (std::all_of(text.begin(), text.end(), [](wchar_t unit) { return unit < 0x80; }) ||
        text.size() > 0x3FFFFFFF) {
        return text;
    }
    const int length = static_cast<int>(text.size());
    BOOL lossy = FALSE;
    const int narrow = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length,
                                           nullptr, 0, nullptr, &lossy);
    if (narrow <= 0 || lossy) return text;
    std::string bytes(static_cast<std::size_t>(narrow), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, &bytes[0], narrow,
                        nullptr, &lossy);
    if (lossy) return text;
    std::wstring units(bytes.size(), L'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        // The sign of each byte extended, as the library widens.
        units[i] =
            static_cast<wchar_t>(static_cast<unsigned short>(static_cast<signed char>(bytes[i])));
    }
    return units;
}

}  // namespace pimbax
