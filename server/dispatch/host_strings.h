// Strings as the library carries them.
//
// The library widens a host's 8-bit string byte by byte into 16-bit units, extending each byte's
// sign: bytes 0x80 to 0xFF arrive as U+FF80 to U+FFFF. So "café" typed in the ANSI code page
// arrives as "caf" U+FFE9. The server maps such units back to their bytes and reads the bytes in
// the ANSI code page, which gives the name the user typed; a string with any other unit above
// U+007F was made otherwise (a code-page conversion) and is taken as it is. Strings answered to
// the library go the other way: text the ANSI code page holds exactly travels as its bytes, widened
// the same way, so that the library's narrowing (the low byte of each unit) gives the host its
// bytes back; other text travels as it is.
#ifndef PIMBAX_SERVER_DISPATCH_HOST_STRINGS_H
#define PIMBAX_SERVER_DISPATCH_HOST_STRINGS_H

#include <cstddef>
#include <string>

namespace pimbax {

std::wstring FromHostUnits(const wchar_t* units, std::size_t count);
std::wstring ToHostUnits(const std::wstring& text);

}  // namespace pimbax

#endif
