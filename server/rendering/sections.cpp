#include "rendering/sections.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "mapped_view.h"
#include "budgets.h"

namespace pimbax {

namespace {

constexpr char kDocumentMarker[8] = {'P', 'b', 'x', 'D', 'o', 'c', '0', '1'};

std::wstring NewSectionName(wchar_t tag) {
    static std::atomic<unsigned> counter{0};
    const unsigned number = (counter.fetch_add(1) + 1) & 0x0FFFFFFFu;
    wchar_t name[32];
    swprintf(name, 32, L"Pb%lc%lX_%X", static_cast<wint_t>(tag),
             static_cast<unsigned long>(GetCurrentProcessId()), number);
    return name;
}

}  // namespace

void PublishedSection::Reset() {
    handle_.Reset();
    name_.clear();
}

bool PublishedSection::Publish(wchar_t tag, std::size_t size, std::uint8_t** view,
                               UniqueView* mapped) {
    const std::wstring name = NewSectionName(tag);
    const std::uint64_t bytes = size;
    UniqueHandle handle(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                           static_cast<DWORD>(bytes >> 32),
                                           static_cast<DWORD>(bytes), name.c_str()));
    if (!handle || GetLastError() == ERROR_ALREADY_EXISTS) return false;
    mapped->Reset(MapViewOfFile(handle.Get(), FILE_MAP_WRITE, 0, 0, 0));
    if (!*mapped) return false;
    *view = static_cast<std::uint8_t*>(const_cast<void*>(mapped->Get()));
    handle_ = std::move(handle);
    name_ = name;
    return true;
}

bool PublishedSection::PublishImage(const RasterImage& image,
                                    const std::vector<std::uint8_t>& document) {
    const std::size_t dib = PackedDibSize(image);
    const std::size_t trailer = document.empty() ? 0 : sizeof kDocumentMarker + 8 + document.size();
    std::uint8_t* view = nullptr;
    UniqueView mapped;
    if (!Publish(L'I', dib + trailer, &view, &mapped)) return false;
    WritePackedDib(image, view);
    if (trailer != 0) {
        const std::uint64_t length = document.size();
        std::memcpy(view + dib, kDocumentMarker, sizeof kDocumentMarker);
        std::memcpy(view + dib + sizeof kDocumentMarker, &length, 8);
        std::memcpy(view + dib + sizeof kDocumentMarker + 8, document.data(), document.size());
    }
    return true;
}

std::vector<RGBQUAD> PublishedPalette(const RasterImage& image) {
    if (image.bitsPerPixel <= 8) return image.palette;
    // 6 x 7 x 6 colour cube and four extra greys.
    std::vector<RGBQUAD> palette;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 7; ++g)
            for (int b = 0; b < 6; ++b) {
                palette.push_back(RGBQUAD{static_cast<BYTE>(b * 51), static_cast<BYTE>(g * 255 / 6),
                                          static_cast<BYTE>(r * 51), 0});
            }
    for (int grey : {32, 96, 160, 224}) {
        palette.push_back(
            RGBQUAD{static_cast<BYTE>(grey), static_cast<BYTE>(grey), static_cast<BYTE>(grey), 0});
    }
    return palette;
}

bool PublishedSection::PublishPalette(const RasterImage& image) {
    RasterImage description;
    description.width = image.width;
    description.height = image.height;
    description.bitsPerPixel = image.bitsPerPixel;
    description.dpiX = image.dpiX;
    description.dpiY = image.dpiY;
    description.palette = PublishedPalette(image);
    std::uint8_t* view = nullptr;
    UniqueView mapped;
    if (!Publish(L'P', DibInfoSize(description), &view, &mapped)) return false;
    WriteDibInfo(description, view);
    reinterpret_cast<BITMAPINFOHEADER*>(view)->biSizeImage =
        static_cast<DWORD>(image.pixels.size());
    return true;
}

Result ReadImageSection(const std::wstring& name, RasterImage& image,
                        std::vector<std::uint8_t>& document) {
    if (name.empty() || name.size() > MAX_PATH || name.find(L'\0') != std::wstring::npos) {
        return kUnreadable;
    }
    UniqueHandle section(OpenFileMappingW(FILE_MAP_READ, FALSE, name.c_str()));
    if (!section) return kUnreadable;
    UniqueView view(MapViewOfFile(section.Get(), FILE_MAP_READ, 0, 0, 0));
    std::size_t size = kelocli::ReadableBytes(view.Get());
    if (size == 0) return kUnreadable;
    const auto* bytes = static_cast<const std::uint8_t*>(view.Get());
    DWORD first = 0;
    if (size < 4) return kBadFormat;
    std::memcpy(&first, bytes, 4);
    if (first != sizeof(BITMAPINFOHEADER)) {
        if (size < 8) return kBadFormat;
        bytes += 8;
        size -= 8;
    }
    RasterImage read;
    std::size_t consumed = 0;
    if (!ReadPackedDib(bytes, size, read, &consumed)) return kBadFormat;
    std::vector<std::uint8_t> behind;
    const std::size_t rest = size - consumed;
    if (rest >= sizeof kDocumentMarker + 8 &&
        std::memcmp(bytes + consumed, kDocumentMarker, sizeof kDocumentMarker) == 0) {
        std::uint64_t length = 0;
        std::memcpy(&length, bytes + consumed + sizeof kDocumentMarker, 8);
        if (length <= rest - sizeof kDocumentMarker - 8) {
            const std::uint8_t* start = bytes + consumed + sizeof kDocumentMarker + 8;
            behind.assign(start, start + length);
        }
    }
    image = std::move(read);
    document = std::move(behind);
    return kOk;
}

}  // namespace pimbax
