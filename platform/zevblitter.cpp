#include "zevblitter.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "mapped_view.h"
#include "unique_resource.h"

namespace kelocli {

namespace {

constexpr std::int64_t kMaxExtent = 1 << 20;
constexpr DWORD kMaxColours = 256;
constexpr std::size_t kMaskBytes = 3 * sizeof(DWORD);

// The header with its masks and colour table right behind it (a BITMAPINFO), copied out of the
// section so that what GDI reads is exactly what was checked.
struct BitmapHeading {
    BITMAPINFOHEADER header;
    unsigned char table[kMaskBytes + kMaxColours * sizeof(RGBQUAD)];
};

struct PaletteRecord {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[kMaxColours];
};
static_assert(offsetof(PaletteRecord, palPalEntry) == offsetof(LOGPALETTE, palPalEntry),
              "a PaletteRecord is a LOGPALETTE with room for every colour");

// What a checked header describes.
struct Layout {
    DWORD colourCount;
    const unsigned char* colours;  // in the heading
    const void* pixels;            // first pixel row; null when pixels were not asked for
    LONG width;
    LONG height;  // rows, whatever their order
};

bool IsDrawnBitCount(WORD bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Checks the packed bitmap at `header` and copies its heading; `withPixels` also checks the
// extent and the pixel rows. kDone or the reason for refusing.
short Describe(const BITMAPINFOHEADER* header, bool withPixels, BitmapHeading* heading,
               Layout* layout) {
    if (header == nullptr) return ZevBlitter::kBadHeader;
    const std::size_t available = ReadableBytes(header);
    if (available < sizeof(BITMAPINFOHEADER)) return ZevBlitter::kOutsideView;
    std::memcpy(&heading->header, header, sizeof(BITMAPINFOHEADER));
    const BITMAPINFOHEADER& info = heading->header;
    if (info.biSize != sizeof(BITMAPINFOHEADER) || info.biPlanes != 1) {
        return ZevBlitter::kBadHeader;
    }
    if (!IsDrawnBitCount(info.biBitCount)) return ZevBlitter::kBadHeader;
    const bool bitFields = info.biCompression == BI_BITFIELDS;
    if (info.biCompression != BI_RGB &&
        !(bitFields && (info.biBitCount == 16 || info.biBitCount == 32))) {
        return ZevBlitter::kBadHeader;
    }
    DWORD colours = info.biClrUsed;
    if (info.biBitCount <= 8) {
        const DWORD full = DWORD{1} << info.biBitCount;
        if (colours > full) return ZevBlitter::kBadHeader;
        if (colours == 0) colours = full;
    } else if (colours > kMaxColours) {
        return ZevBlitter::kBadHeader;
    }
    const std::size_t maskBytes = bitFields ? kMaskBytes : 0;
    const std::size_t tableBytes = maskBytes + colours * sizeof(RGBQUAD);
    if (available - sizeof(BITMAPINFOHEADER) < tableBytes) return ZevBlitter::kOutsideView;
    const char* table = reinterpret_cast<const char*>(header) + sizeof(BITMAPINFOHEADER);
    std::memcpy(heading->table, table, tableBytes);
    *layout = {colours, heading->table + maskBytes, nullptr, 0, 0};
    if (!withPixels) return ZevBlitter::kDone;

    const std::int64_t rows = info.biHeight < 0 ? -std::int64_t{info.biHeight} : info.biHeight;
    if (info.biWidth < 1 || info.biWidth > kMaxExtent || rows < 1 || rows > kMaxExtent) {
        return ZevBlitter::kBadHeader;
    }
    const std::uint64_t stride = (std::uint64_t(info.biWidth) * info.biBitCount + 31) / 32 * 4;
    const std::uint64_t pixelBytes = stride * std::uint64_t(rows);
    if (available - sizeof(BITMAPINFOHEADER) - tableBytes < pixelBytes) {
        return ZevBlitter::kOutsideView;
    }
    layout->pixels = table + tableBytes;
    layout->width = info.biWidth;
    layout->height = static_cast<LONG>(rows);
    return ZevBlitter::kDone;
}

// A window's device context, given back on every path.
class WindowDc {
  public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

bool IsOrdered(const RECT& rect) {
    return rect.left < rect.right && rect.top < rect.bottom;
}

}  // namespace

ZevBlitter::ZevBlitter(int stretchMode, int paletteFlag)
    : stretchMode_(stretchMode >= BLACKONWHITE && stretchMode <= HALFTONE ? stretchMode
                                                                          : COLORONCOLOR),
      foreground_(paletteFlag != 0) {}

ZevBlitter::~ZevBlitter() = default;

short ZevBlitter::ZevRealizePalette(HWND window, BITMAPINFOHEADER* header) {
    BitmapHeading heading;
    Layout layout;
    const short checked = Describe(header, false, &heading, &layout);
    if (checked != kDone) return checked;
    if (layout.colourCount == 0) return kNoPalette;

    PaletteRecord record;
    record.palVersion = 0x300;
    record.palNumEntries = static_cast<WORD>(layout.colourCount);
    for (DWORD i = 0; i < layout.colourCount; ++i) {
        RGBQUAD colour;
        std::memcpy(&colour, layout.colours + i * sizeof(RGBQUAD), sizeof colour);
        record.palPalEntry[i] = {colour.rgbRed, colour.rgbGreen, colour.rgbBlue, 0};
    }
    UniqueGdiObject palette(CreatePalette(reinterpret_cast<const LOGPALETTE*>(&record)));
    if (!palette) return kDeviceFailed;
    const WindowDc dc(window);
    if (dc.Get() == nullptr) return kDeviceFailed;
    const HPALETTE previous =
        SelectPalette(dc.Get(), static_cast<HPALETTE>(palette.Get()), foreground_ ? FALSE : TRUE);
    if (previous == nullptr) return kDeviceFailed;
    const UINT mapped = RealizePalette(dc.Get());
    // Our palette must not stay selected when it is deleted.
    SelectPalette(dc.Get(), previous, TRUE);
    return mapped == GDI_ERROR ? kDeviceFailed : kDone;
}

short ZevBlitter::ZevBlit(HDC dc, BITMAPINFOHEADER* header, RECT* source, RECT* target) {
    if (source == nullptr || target == nullptr) return kBadRectangle;
    BitmapHeading heading;
    Layout layout;
    const short checked = Describe(header, true, &heading, &layout);
    if (checked != kDone) return checked;
    if (!IsOrdered(*source) || !IsOrdered(*target)) return kBadRectangle;
    if (source->left < 0 || source->top < 0 || source->right > layout.width ||
        source->bottom > layout.height) {
        return kBadRectangle;
    }
    const std::int64_t targetWidth = std::int64_t{target->right} - target->left;
    const std::int64_t targetHeight = std::int64_t{target->bottom} - target->top;
    if (targetWidth > kMaxExtent * 64 || targetHeight > kMaxExtent * 64) return kBadRectangle;
    if (dc == nullptr) return kDeviceFailed;

    // StretchDIBits counts source rows from the picture's bottom row, in either row order.
    const int sourceWidth = source->right - source->left;
    const int sourceHeight = source->bottom - source->top;
    const int sourceY = layout.height - source->bottom;
    const int previousMode = SetStretchBltMode(dc, stretchMode_);
    const int rows = StretchDIBits(
        dc, target->left, target->top, static_cast<int>(targetWidth),
        static_cast<int>(targetHeight), source->left, sourceY, sourceWidth, sourceHeight,
        layout.pixels, reinterpret_cast<const BITMAPINFO*>(&heading), DIB_RGB_COLORS, SRCCOPY);
    if (previousMode != 0) SetStretchBltMode(dc, previousMode);
    return rows <= 0 ? kDeviceFailed : kDone;  // GDI_ERROR is -1 as an int
}

}  // namespace kelocli
