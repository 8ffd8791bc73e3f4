#include "messages.h"

#include <windows.h>

#include <cstdarg>
#include <cwchar>

namespace keloview {

std::wstring ResultText(long result) {
    switch (result) {
        case -1:
            return L"no document is open";
        case -2:
            return L"the file is missing or cannot be read";
        case -3:
            return L"the file is not in a format the image server reads, or it is damaged";
        case -4:
            return L"the document is beyond the image server's limits (size or memory)";
        case -5:
            return L"a value is out of range";
        case -6:
            return L"the image server could not draw into the window";
        case -7:
            return L"the clipboard is busy or holds nothing usable in that format";
        case -8:
            return L"the image server does not carry out this command";
        case -9:
            return L"the command does not apply to this kind of document";
        case -250:
            return L"the image server publishes no palette";
        case -1007:
            return L"the image could not be read for printing";
        case -1025:
            return L"the drawing could not be played onto the page";
        default:
            return Format(L"the image server answered %ld", result);
    }
}

std::wstring FailureText(const std::wstring& what, long result) {
    return Format(L"%ls failed: %ls (%ld).", what.c_str(), ResultText(result).c_str(), result);
}

std::wstring Format(const wchar_t* format, ...) {
    wchar_t text[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vswprintf(text, sizeof text / sizeof text[0], format, arguments);
    va_end(arguments);
    return text;
}

std::wstring Widen(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int size =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
    return wide;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &narrow[0], size,
                        nullptr, nullptr);
    return narrow;
}

}  // namespace keloview
