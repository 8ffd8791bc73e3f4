#include "packed_bitmap.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "mapped_view.h"

namespace kelocli {

namespace {

constexpr std::int64_t kMaxExtent = 1 << 20;
constexpr std::size_t kMaskBytes = 3 * sizeof(DWORD);

bool IsDrawnBitCount(WORD bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool IsOrdered(const RECT& rect) {
    return rect.left < rect.right && rect.top < rect.bottom;
}

}  // namespace

short CheckPackedDib(const BITMAPINFOHEADER* header, bool withPixels, CheckedDib* checked) {
    if (header == nullptr) return BlitResults::kBadHeader;
    const std::size_t available = ReadableBytes(header);
    if (available < sizeof(BITMAPINFOHEADER)) return BlitResults::kOutsideView;
    std::memcpy(&checked->header, header, sizeof(BITMAPINFOHEADER));
    const BITMAPINFOHEADER& info = checked->header;
    if (info.biSize != sizeof(BITMAPINFOHEADER) || info.biPlanes != 1) {
        return BlitResults::kBadHeader;
    }
    if (!IsDrawnBitCount(info.biBitCount)) return BlitResults::kBadHeader;
    const bool bitFields = info.biCompression == BI_BITFIELDS;
    if (info.biCompression != BI_RGB &&
        !(bitFields && (info.biBitCount == 16 || info.biBitCount == 32))) {
        return BlitResults::kBadHeader;
    }
    DWORD colours = info.biClrUsed;
    if (info.biBitCount <= 8) {
        const DWORD full = DWORD{1} << info.biBitCount;
        if (colours > full) return BlitResults::kBadHeader;
        if (colours == 0) colours = full;
    } else if (colours > kMaxDibColours) {
        return BlitResults::kBadHeader;
    }
    const std::size_t maskBytes = bitFields ? kMaskBytes : 0;
    const std::size_t tableBytes = maskBytes + colours * sizeof(RGBQUAD);
    if (available - sizeof(BITMAPINFOHEADER) < tableBytes) return BlitResults::kOutsideView;
    const char* table = reinterpret_cast<const char*>(header) + sizeof(BITMAPINFOHEADER);
    std::memcpy(checked->table, table, tableBytes);
    checked->colourCount = colours;
    checked->colours = checked->table + maskBytes;
    checked->pixels = nullptr;
    checked->width = 0;
    checked->height = 0;
    if (!withPixels) return BlitResults::kDone;

    const std::int64_t rows = info.biHeight < 0 ? -std::int64_t{info.biHeight} : info.biHeight;
    if (info.biWidth < 1 || info.biWidth > kMaxExtent || rows < 1 || rows > kMaxExtent) {
        return BlitResults::kBadHeader;
    }
    const std::uint64_t stride = (std::uint64_t(info.biWidth) * info.biBitCount + 31) / 32 * 4;
    const std::uint64_t pixelBytes = stride * std::uint64_t(rows);
    if (available - sizeof(BITMAPINFOHEADER) - tableBytes < pixelBytes) {
        return BlitResults::kOutsideView;
    }
    checked->pixels = table + tableBytes;
    checked->width = info.biWidth;
    checked->height = static_cast<LONG>(rows);
    return BlitResults::kDone;
}

short StretchPackedDib(HDC dc, const BITMAPINFOHEADER* header, const RECT* source,
                       const RECT* target, int stretchMode) {
    if (source == nullptr || target == nullptr) return BlitResults::kBadRectangle;
    CheckedDib dib;
    const short checked = CheckPackedDib(header, true, &dib);
    if (checked != BlitResults::kDone) return checked;
    if (!IsOrdered(*source) || !IsOrdered(*target)) return BlitResults::kBadRectangle;
    if (source->left < 0 || source->top < 0 || source->right > dib.width ||
        source->bottom > dib.height) {
        return BlitResults::kBadRectangle;
    }
    const std::int64_t targetWidth = std::int64_t{target->right} - target->left;
    const std::int64_t targetHeight = std::int64_t{target->bottom} - target->top;
    if (targetWidth > kMaxExtent * 64 || targetHeight > kMaxExtent * 64) {
        return BlitResults::kBadRectangle;
    }
    if (dc == nullptr) return BlitResults::kDeviceFailed;

    // StretchDIBits counts source rows from the picture's bottom row, in either row order.
    const int sourceWidth = source->right - source->left;
    const int sourceHeight = source->bottom - source->top;
    const int sourceY = dib.height - source->bottom;
    const int previousMode = SetStretchBltMode(dc, stretchMode);
    POINT previousOrigin = {0, 0};
    // Halftone stretching takes its pattern from the brush origin, which must be set after it.
    const bool originSet =
        stretchMode == HALFTONE && SetBrushOrgEx(dc, 0, 0, &previousOrigin) != FALSE;
    const int rows = StretchDIBits(
        dc, target->left, target->top, static_cast<int>(targetWidth),
        static_cast<int>(targetHeight), source->left, sourceY, sourceWidth, sourceHeight,
        dib.pixels, reinterpret_cast<const BITMAPINFO*>(&dib.header), DIB_RGB_COLORS, SRCCOPY);
    if (originSet) SetBrushOrgEx(dc, previousOrigin.x, previousOrigin.y, nullptr);
    if (previousMode != 0) SetStretchBltMode(dc, previousMode);
    return rows <= 0 ? BlitResults::kDeviceFailed : BlitResults::kDone;  // GDI_ERROR is -1
}

}  // namespace kelocli
