// Packed device-independent bitmaps as the server publishes them in its sections, and named
// sections to publish them in.
#ifndef KELOCLI_TESTS_PACKED_DIB_H
#define KELOCLI_TESTS_PACKED_DIB_H

#include <windows.h>

#include <cstring>
#include <vector>

namespace testsupport {

// A BITMAPINFOHEADER, its colour table and its pixel rows in one block.
struct PackedDib {
    std::vector<unsigned char> bytes;

    BITMAPINFOHEADER& Header() { return *reinterpret_cast<BITMAPINFOHEADER*>(bytes.data()); }
};

// Rows are given top row first and stored in the bitmap's own order (bottom-up unless the
// height is negative); each row is padded to 4 bytes.
inline PackedDib MakePackedDib(LONG width, LONG height, WORD bitCount,
                               const std::vector<RGBQUAD>& colours,
                               const std::vector<std::vector<unsigned char>>& rows = {}) {
    PackedDib dib;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bitCount;
    header.biCompression = BI_RGB;
    header.biClrUsed = static_cast<DWORD>(colours.size());
    const std::size_t stride = (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
    const std::size_t tableBytes = colours.size() * sizeof(RGBQUAD);
    dib.bytes.resize(sizeof header + tableBytes + stride * rows.size());
    std::memcpy(dib.bytes.data(), &header, sizeof header);
    if (tableBytes != 0) std::memcpy(dib.bytes.data() + sizeof header, colours.data(), tableBytes);
    unsigned char* pixels = dib.bytes.data() + sizeof header + tableBytes;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::size_t stored = height < 0 ? i : rows.size() - 1 - i;
        std::memcpy(pixels + stored * stride, rows[i].data(), rows[i].size());
    }
    return dib;
}

inline RGBQUAD Quad(BYTE red, BYTE green, BYTE blue) {
    return {blue, green, red, 0};
}

// A section the test creates as the server would (named or not), with its own handle.
class TestSection {
  public:
    TestSection(const char* name, DWORD size)
        : handle_(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name)),
          size_(size) {}
    ~TestSection() {
        if (view_ != nullptr) UnmapViewOfFile(view_);
        Close();
    }
    TestSection(const TestSection&) = delete;
    TestSection& operator=(const TestSection&) = delete;

    bool Valid() const { return handle_ != nullptr; }
    // A writable view of the whole section, mapped on first use.
    unsigned char* View() {
        if (view_ == nullptr) view_ = MapViewOfFile(handle_, FILE_MAP_WRITE, 0, 0, 0);
        return static_cast<unsigned char*>(view_);
    }
    DWORD Size() const { return size_; }
    void Write(const std::vector<unsigned char>& bytes, std::size_t offset = 0) {
        std::memcpy(View() + offset, bytes.data(), bytes.size());
    }
    void Unmap() {
        if (view_ != nullptr) UnmapViewOfFile(view_);
        view_ = nullptr;
    }
    void Close() {
        if (handle_ != nullptr) CloseHandle(handle_);
        handle_ = nullptr;
    }

  private:
    HANDLE handle_;
    DWORD size_;
    void* view_ = nullptr;
};

// Whether a section of that name can be opened now, i.e. some handle on it is still open.
inline bool SectionExists(const char* name) {
    const HANDLE handle = OpenFileMappingA(FILE_MAP_READ, FALSE, name);
    if (handle != nullptr) CloseHandle(handle);
    return handle != nullptr;
}

// How many mapped views in the process begin with these bytes.
inline int MappedViewsStartingWith(const void* bytes, std::size_t count) {
    int found = 0;
    MEMORY_BASIC_INFORMATION region;
    const char* address = nullptr;
    while (VirtualQuery(address, &region, sizeof region) == sizeof region) {
        const char* base = static_cast<const char*>(region.BaseAddress);
        if (region.Type == MEM_MAPPED && region.State == MEM_COMMIT &&
            region.BaseAddress == region.AllocationBase && region.RegionSize >= count &&
            (region.Protect & (PAGE_READONLY | PAGE_READWRITE)) != 0 &&
            std::memcmp(base, bytes, count) == 0) {
            ++found;
        }
        const char* next = base + region.RegionSize;
        if (next <= address) break;
        address = next;
    }
    return found;
}

}  // namespace testsupport

#endif
