#include "rendering/sections.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <deque>
#include <mutex>

#include "budgets.h"
#include "mapped_view.h"
#include "rendering/canvas.h"

namespace pimbax {

namespace {

constexpr char kDocumentMarker[8] = {'P', 'b', 'x', 'D', 'o', 'c', '0', '1'};
constexpr std::size_t kTrailerHead = sizeof kDocumentMarker + 8;
constexpr std::size_t kMostRetired = 16;

// Sections given up lately, still open for a while.
class RetiredSections {
  public:
    void Add(UniqueHandle handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        Prune();
        retired_.push_back({std::move(handle), GetTickCount()});
        while (retired_.size() > kMostRetired) retired_.pop_front();
    }
    void CloseExpired() {
        std::lock_guard<std::mutex> lock(mutex_);
        Prune();
    }

  private:
    struct Retired {
        UniqueHandle handle;
        DWORD since;
    };
    void Prune() {
        const DWORD now = GetTickCount();
        while (!retired_.empty() && now - retired_.front().since >= kRetiredSectionMs) {
            retired_.pop_front();
        }
    }
    std::mutex mutex_;
    std::deque<Retired> retired_;
};

RetiredSections& Shelf() {
    static RetiredSections shelf;
    return shelf;
}

std::wstring NewSectionName(wchar_t tag) {
    static std::atomic<unsigned> counter{0};
    const unsigned number = (counter.fetch_add(1) + 1) & 0x0FFFFFFFu;
    wchar_t name[32];
    swprintf(name, 32, L"Pb%lc%lX_%X", static_cast<wint_t>(tag),
             static_cast<unsigned long>(GetCurrentProcessId()), number);
    return name;
}

// A new named section, mapped for writing.
struct NewSection {
    UniqueHandle handle;
    std::wstring name;
    UniqueView view;
    std::uint8_t* Bytes() const {
        return static_cast<std::uint8_t*>(const_cast<void*>(view.Get()));
    }
};

bool CreateSection(wchar_t tag, std::uint64_t size, NewSection& section) {
    section.name = NewSectionName(tag);
    section.handle.Reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                            static_cast<DWORD>(size >> 32),
                                            static_cast<DWORD>(size), section.name.c_str()));
    if (!section.handle || GetLastError() == ERROR_ALREADY_EXISTS) return false;
    section.view.Reset(MapViewOfFile(section.handle.Get(), FILE_MAP_WRITE, 0, 0, 0));
    return static_cast<bool>(section.view);
}

// The header and colour table that describe a picture of this size, depth and palette.
BITMAPINFOHEADER Describe(int width, int height, int bitsPerPixel, double dpiX, double dpiY,
                          std::size_t colours) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitsPerPixel);
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(std::min<std::uint64_t>(
        0xFFFFFFFFu, static_cast<std::uint64_t>(DibStride(width, bitsPerPixel)) * height));
    header.biXPelsPerMeter = static_cast<LONG>(std::lround(dpiX / 0.0254));
    header.biYPelsPerMeter = static_cast<LONG>(std::lround(dpiY / 0.0254));
    header.biClrUsed = static_cast<DWORD>(colours);
    return header;
}

// The colour table of the palette section: the image's palette, or a halftone palette.
std::vector<RGBQUAD> PublishedPalette(const RasterImage* image) {
    if (image != nullptr && image->bitsPerPixel <= 8) return image->palette;
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

}  // namespace

PublishedSection& PublishedSection::operator=(PublishedSection&& other) noexcept {
    if (this != &other) {
        Reset();
        handle_ = std::move(other.handle_);
        name_ = std::move(other.name_);
    }
    return *this;
}

void PublishedSection::Reset() {
    if (handle_) Shelf().Add(std::move(handle_));
    name_.clear();
}

bool PublishedSection::PublishImage(const RasterImage& image) {
    NewSection section;
    if (!CreateSection(L'I', PackedDibSize(image), section)) return false;
    WritePackedDib(image, section.Bytes());
    Reset();
    handle_ = std::move(section.handle);
    name_ = std::move(section.name);
    return true;
}

SIZE PublishedSize(int width, int height) {
    auto bytes = [](long long w, long long h) {
        return static_cast<std::uint64_t>(DibStride(static_cast<int>(w), 24)) *
               static_cast<std::uint64_t>(h);
    };
    long long w = width;
    long long h = height;
    if (bytes(w, h) > kMaxDrawnPictureBytes) {
        const double scale = std::sqrt(static_cast<double>(kMaxDrawnPictureBytes) /
                                       (3.0 * static_cast<double>(w) * static_cast<double>(h)));
        w = std::max<long long>(1, static_cast<long long>(w * scale));
        h = std::max<long long>(1, static_cast<long long>(h * scale));
        while (bytes(w, h) > kMaxDrawnPictureBytes) {
            w = std::max<long long>(1, w * 99 / 100);
            h = std::max<long long>(1, h * 99 / 100);
        }
    }
    return SIZE{static_cast<LONG>(w), static_cast<LONG>(h)};
}

bool PublishedSection::PublishDrawing(const Document& document) {
    const SIZE size = PublishedSize(document.Width(), document.Height());
    ByteWriter measure;
    document.Serialize(measure);
    const std::uint64_t pixels = Canvas::PixelBytes(size.cx, size.cy, 24);
    const std::uint64_t trailer = measure.Size() == 0 ? 0 : kTrailerHead + measure.Size();
    NewSection section;
    if (!CreateSection(L'I', sizeof(BITMAPINFOHEADER) + pixels + trailer, section)) return false;
    {
        Canvas canvas;
        if (!canvas.Create(size.cx, size.cy, 24, section.handle.Get(), sizeof(BITMAPINFOHEADER))) {
            return false;
        }
        const SourceRect whole = {0.0, 0.0, static_cast<double>(document.Width()),
                                  static_cast<double>(document.Height())};
        document.Render(canvas, whole, RECT{0, 0, size.cx, size.cy});
        GdiFlush();
    }
    // A picture smaller than the drawing says so through its resolution.
    const double ratio = static_cast<double>(size.cx) / document.Width();
    const BITMAPINFOHEADER header =
        Describe(size.cx, size.cy, 24, document.DpiX() * ratio, document.DpiY() * ratio, 0);
    std::memcpy(section.Bytes(), &header, sizeof header);
    if (trailer != 0) {
        std::uint8_t* behind = section.Bytes() + sizeof header + pixels;
        const std::uint64_t length = measure.Size();
        std::memcpy(behind, kDocumentMarker, sizeof kDocumentMarker);
        std::memcpy(behind + sizeof kDocumentMarker, &length, 8);
        ByteWriter writer(behind + kTrailerHead, measure.Size());
        document.Serialize(writer);
    }
    Reset();
    handle_ = std::move(section.handle);
    name_ = std::move(section.name);
    return true;
}

bool PublishedSection::PublishPalette(const Document& document) {
    const RasterImage* image = document.Image();
    const std::vector<RGBQUAD> palette = PublishedPalette(image);
    const BITMAPINFOHEADER header = Describe(document.Width(), document.Height(), document.Depth(),
                                             document.DpiX(), document.DpiY(), palette.size());
    NewSection section;
    if (!CreateSection(L'P', sizeof header + palette.size() * sizeof(RGBQUAD), section)) {
        return false;
    }
    std::memcpy(section.Bytes(), &header, sizeof header);
    std::memcpy(section.Bytes() + sizeof header, palette.data(), palette.size() * sizeof(RGBQUAD));
    Reset();
    handle_ = std::move(section.handle);
    name_ = std::move(section.name);
    return true;
}

void CloseRetiredSections() {
    Shelf().CloseExpired();
}

Result ResurrectFromSection(const std::wstring& name, std::unique_ptr<Document>* out) {
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
    std::size_t length = 0;
    if (!MeasurePackedDib(bytes, size, &length)) return kBadFormat;
    const std::size_t rest = size - length;
    if (rest >= kTrailerHead &&
        std::memcmp(bytes + length, kDocumentMarker, sizeof kDocumentMarker) == 0) {
        std::uint64_t documentLength = 0;
        std::memcpy(&documentLength, bytes + length + sizeof kDocumentMarker, 8);
        if (documentLength > rest - kTrailerHead) return kBadFormat;
        std::unique_ptr<Document> document = RebuildDocument(
            bytes + length + kTrailerHead, static_cast<std::size_t>(documentLength));
        if (!document) return kBadFormat;
        *out = std::move(document);
        return kOk;
    }
    RasterImage image;
    if (!ReadPackedDib(bytes, size, image, nullptr)) return kBadFormat;
    *out = MakeRasterDocument(std::move(image));
    return kOk;
}

}  // namespace pimbax
