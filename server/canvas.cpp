#include "canvas.h"

#include <algorithm>

namespace pimbax {

bool Canvas::Create(int width, int height, HANDLE section, DWORD offset) {
    if (width < 1 || height < 1) return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueGdiObject bitmap(
        CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, section, offset));
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!bitmap || !dc || bits == nullptr) return false;
    SelectObject(dc.Get(), bitmap.Get());
    dc_ = std::move(dc);
    bitmap_ = std::move(bitmap);
    bits_ = static_cast<std::uint32_t*>(bits);
    width_ = width;
    height_ = height;
    std::fill(bits_, bits_ + static_cast<std::size_t>(width) * height, 0xFFFFFFFFu);
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
