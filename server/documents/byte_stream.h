// Plain little-endian records for the documents the server keeps behind a shared image, so that
// a fresh object can rebuild them. Reading is bounded: a short or damaged record reads as failed.
#ifndef PIMBAX_SERVER_BYTE_STREAM_H
#define PIMBAX_SERVER_BYTE_STREAM_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace pimbax {

class ByteWriter {
  public:
    template <typename T>
    void Put(T value) {
        static_assert(std::is_trivially_copyable<T>::value, "plain values only");
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
        bytes_.insert(bytes_.end(), bytes, bytes + sizeof value);
    }
    void PutBytes(const void* data, std::size_t size) {
        Put<std::uint64_t>(size);
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        bytes_.insert(bytes_.end(), bytes, bytes + size);
    }
    void PutText(const std::wstring& text) { PutBytes(text.data(), text.size() * sizeof(wchar_t)); }
    std::vector<std::uint8_t>& Bytes() { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
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
