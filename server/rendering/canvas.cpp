#include "rendering/canvas.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace pimbax {

std::uint64_t Canvas::PixelBytes(int width, int height, int bitsPerPixel) {
    if (width < 1 || height < 1) return 0;
    return static_cast<std::uint64_t>(DibStride(width, bitsPerPixel)) *
           static_cast<std::uint64_t>(height);
}

bool Canvas::Create(int width, int height, int bitsPerPixel, HANDLE section, DWORD offset,
                    bool keep) {
    if (width < 1 || height < 1 || (bitsPerPixel != 24 && bitsPerPixel != 32)) return false;
    const std::uint64_t bytes = PixelBytes(width, height, bitsPerPixel);
    UniqueHandle own;
    if (section == nullptr) {
        own.Reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                     static_cast<DWORD>(bytes >> 32), static_cast<DWORD>(bytes),
                                     nullptr));
        if (!own) return false;
        section = own.Get();
        offset = 0;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = bitsPerPixel == 32 ? -height : height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueGdiObject bitmap(
        CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, section, offset));
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!bitmap || !dc || bits == nullptr) return false;
    SelectObject(dc.Get(), bitmap.Get());
    if (!keep) std::memset(bits, 0xFF, static_cast<std::size_t>(bytes));
    ownSection_ = std::move(own);
    section_ = section;
    offset_ = offset;
    dc_ = std::move(dc);
    bitmap_ = std::move(bitmap);
    bits_ = bits;
    width_ = width;
    height_ = height;
    bitsPerPixel_ = bitsPerPixel;
    return true;
}

DocumentMapping::DocumentMapping(HDC dc, const SourceRect& source, const RECT& target)
    : dc_(dc), saved_(SaveDC(dc)) {
    SetGraphicsMode(dc, GM_ADVANCED);
    IntersectClipRect(dc, target.left, target.top, target.right, target.bottom);
    const double sx = (target.right - target.left) / (source.right - source.left);
    const double sy = (target.bottom - target.top) / (source.bottom - source.top);
    XFORM transform = {};
    transform.eM11 = static_cast<FLOAT>(sx);
    transform.eM22 = static_cast<FLOAT>(sy);
    transform.eDx = static_cast<FLOAT>(target.left - source.left * sx);
    transform.eDy = static_cast<FLOAT>(target.top - source.top * sy);
    SetWorldTransform(dc, &transform);
}

DocumentMapping::~DocumentMapping() {
    RestoreDC(dc_, saved_);
}

RECT FitToCorner(int documentWidth, int documentHeight, int right, int bottom) {
    RECT fitted = {0, 0, right, bottom};
    if (documentWidth <= 0 || documentHeight <= 0) return fitted;
    const long long w = documentWidth;
    const long long h = documentHeight;
    if (w * bottom > h * right) {
        const long long height = std::max<long long>(1, h * right / w);
        fitted.top = bottom - static_cast<LONG>(height);
    } else {
        const long long width = std::max<long long>(1, w * bottom / h);
        fitted.left = right - static_cast<LONG>(width);
    }
    return fitted;
}

}  // namespace pimbax
