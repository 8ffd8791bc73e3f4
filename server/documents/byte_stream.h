// Plain little-endian records for the documents the server keeps behind a shared image, so that
// a fresh object can rebuild them. Reading is bounded: a short or damaged record reads as failed.
#ifndef PIMBAX_SERVER_DOCUMENTS_BYTE_STREAM_H
#define PIMBAX_SERVER_DOCUMENTS_BYTE_STREAM_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

namespace pimbax {

// Writes into a buffer of a known capacity, or only counts the bytes when it has none, so that a
// document is measured first and then written straight where it goes (an image section).
class ByteWriter {
  public:
    ByteWriter() = default;  // counts only
    ByteWriter(std::uint8_t* out, std::size_t capacity) : out_(out), capacity_(capacity) {}

    template <typename T>
    void Put(T value) {
        static_assert(std::is_trivially_copyable<T>::value, "plain values only");
        Write(&value, sizeof value);
    }
    void PutBytes(const void* data, std::size_t size) {
        Put<std::uint64_t>(size);
        Write(data, size);
    }
    void PutText(const std::wstring& text) { PutBytes(text.data(), text.size() * sizeof(wchar_t)); }
    // The bytes written (or counted) so far.
    std::size_t Size() const { return size_; }

  private:
    void Write(const void* data, std::size_t size) {
        if (out_ != nullptr && size != 0 && size_ <= capacity_ && size <= capacity_ - size_) {
            std::memcpy(out_ + size_, data, size);
        }
        size_ += size;
    }

    std::uint8_t* out_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
};

class ByteReader {
  public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    template <typename T>
    bool Get(T& value) {
        static_assert(std::is_trivially_copyable<T>::value, "plain values only");
        if (size_ - offset_ < sizeof value) return false;
        std::memcpy(&value, data_ + offset_, sizeof value);
        offset_ += sizeof value;
        return true;
    }
    // A length-prefixed run of bytes, seen in place. At most `limit` bytes.
    bool GetBytes(const std::uint8_t** bytes, std::size_t* size, std::size_t limit) {
        std::uint64_t length = 0;
        if (!Get(length) || length > limit || length > size_ - offset_) return false;
        *bytes = data_ + offset_;
        *size = static_cast<std::size_t>(length);
        offset_ += *size;
        return true;
    }
    bool GetText(std::wstring& text, std::size_t limitUnits) {
        const std::uint8_t* bytes = nullptr;
        std::size_t size = 0;
        if (!GetBytes(&bytes, &size, limitUnits * sizeof(wchar_t)) || size % sizeof(wchar_t) != 0) {
            return false;
        }
        text.assign(size / sizeof(wchar_t), L'\0');
        if (size != 0) std::memcpy(&text[0], bytes, size);
        return true;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

}  // namespace pimbax

#endif
