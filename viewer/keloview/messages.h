// Results of the library and the image server in words, for message boxes and the script's log.
#ifndef KELOVIEW_MESSAGES_H
#define KELOVIEW_MESSAGES_H

#include <string>

namespace keloview {

// What a result means, e.g. "the image server does not carry out this command".
std::wstring ResultText(long result);

// "<what> failed: <the result in words> (<result>)."
std::wstring FailureText(const std::wstring& what, long result);

// printf-style formatting into a wide string.
std::wstring Format(const wchar_t* format, ...);

// Between the library's 8-bit strings and the window's UTF-16 (code page of the system).
std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);

}  // namespace keloview

#endif
