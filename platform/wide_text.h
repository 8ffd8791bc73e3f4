// Conversion between host strings (8-bit, zero-terminated) and the server's 16-bit strings.
//
// Widening makes each byte one code unit whose low byte is that byte; bytes 0x80-0xFF have their
// sign extended into the high byte (0xE9 becomes 0xFFE9). Narrowing keeps the low byte of each
// unit.
#ifndef KELOCLI_PLATFORM_WIDE_TEXT_H
#define KELOCLI_PLATFORM_WIDE_TEXT_H

#include <cstddef>

namespace kelocli {

inline wchar_t WidenByte(char byte) {
    return static_cast<wchar_t>(static_cast<short>(static_cast<signed char>(byte)));
}

// Copies `text` into `buffer` of `capacity` units (capacity >= 1), at most capacity - 1
// characters, always terminated. A null `text` gives an empty string.
inline void WidenInto(wchar_t* buffer, std::size_t capacity, const char* text) {
    std::size_t i = 0;
    if (text != nullptr) {
        for (; i + 1 < capacity && text[i] != '\0'; ++i) buffer[i] = WidenByte(text[i]);
    }
    buffer[i] = L'\0';
}

// A host string widened into a fixed-capacity buffer on the stack.
template <std::size_t Capacity>
class WideText {
  public:
    static_assert(Capacity >= 1, "room for the terminator");
    explicit WideText(const char* text) { WidenInto(units_, Capacity, text); }
    const wchar_t* Get() const { return units_; }

  private:
    wchar_t units_[Capacity];
};

// Copies the low byte of each unit of `text` into `buffer`, at most `limit` bytes, stopping right
// after the first zero byte. Returns the number of bytes stored; a text of `limit` units or more
// leaves `limit` bytes and no terminator.
inline std::size_t NarrowInto(char* buffer, std::size_t limit, const wchar_t* text) {
    for (std::size_t i = 0; i < limit; ++i) {
        buffer[i] = static_cast<char>(text[i] & 0xFF);
        if (buffer[i] == '\0') return i + 1;
    }
    return limit;
}

}  // namespace kelocli

#endif
