#include "rendering/canvas.h"

#include <algorithm>

namespace pimbax {

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
