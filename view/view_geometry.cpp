#include "view_geometry.h"

#include <cstdint>
#include <limits>
#include <utility>

namespace kelocli {

namespace {

using Int = std::int32_t;
using Wide = std::int64_t;
using Widest = __int128;  // only for the product of three 32-bit factors

constexpr Int kIntMax = std::numeric_limits<Int>::max();
constexpr Int kIntMin = std::numeric_limits<Int>::min();
constexpr double kMaxScale = 99.0;

template <typename Value>
Int Saturate(Value value) {
    if (value > kIntMax) return kIntMax;
    if (value < kIntMin) return kIntMin;
    return static_cast<Int>(value);
}

// Truncation toward zero, saturated; a NaN (never produced by the steps) gives 0.
Int Truncate(double value) {
    if (!(value == value)) return 0;
    if (value >= static_cast<double>(kIntMax)) return kIntMax;
    if (value <= static_cast<double>(kIntMin)) return kIntMin;
    return static_cast<Int>(value);
}

Int Width(const RECT& rect) {
    return Saturate(Wide{rect.right} - rect.left);
}

Int Height(const RECT& rect) {
    return Saturate(Wide{rect.bottom} - rect.top);
}

// e >> 1: the arithmetic shift rounds odd negative extents toward minus infinity.
Int Half(Int extent) {
    return extent >> 1;
}

// (a + b) / 2 with truncating division; always fits.
Int Middle(Int a, Int b) {
    return static_cast<Int>((Wide{a} + b) / 2);
}

Int Minus(Wide a, Wide b) {
    return Saturate(a - b);
}

// Divisions of one operation. A zero divisor marks the whole operation as failed (its result is
// then discarded) instead of trapping.
class Divider {
  public:
    template <typename Value>
    Value Divide(Value dividend, Value divisor) {
        if (divisor == 0) {
            failed_ = true;
            return 0;
        }
        return dividend / divisor;
    }

    // a·b / c, the product formed before the division.
    Int MulDiv(Int a, Int b, Int c) { return Saturate(Divide(Wide{a} * b, Wide{c})); }

    // A scale written as a ratio of two integers.
    double Ratio(Int a, Int b) { return Divide(static_cast<double>(a), static_cast<double>(b)); }

    bool Failed() const { return failed_; }

  private:
    bool failed_ = false;
};

ImageSize CountZeroAsOne(ImageSize reported) {
    return {reported.width == 0 ? 1 : reported.width, reported.height == 0 ? 1 : reported.height};
}

RECT Percent(Divider& divider, const RECT& source, Int imageWidth, Int imageHeight) {
    return {divider.MulDiv(source.left, 100, imageWidth),
            divider.MulDiv(source.top, 100, imageHeight),
            divider.MulDiv(source.right, 100, imageWidth),
            divider.MulDiv(source.bottom, 100, imageHeight)};
}

void ShiftAndCutAxis(LONG& low, LONG& high, Int extent) {
    if (low < 0) {
        high = Minus(high, low);
        low = 0;
        if (high > extent) high = extent;
    }
    if (high > extent) {
        low = Minus(low, Wide{high} - extent);
        high = extent;
        if (low < 0) low = 0;
    }
}

// One axis of a scroll in whole percents; the source edges follow the percent edges.
void ScrollAxis(Int delta, LONG& percentLow, LONG& percentHigh, LONG& sourceLow, LONG& sourceHigh,
                Int extent) {
    if (delta == 0 || percentLow == percentHigh) return;
    percentLow = Plus(percentLow, delta);
    percentHigh = Plus(percentHigh, delta);
    if (percentHigh > 100) {
        percentLow = Plus(percentLow, 100 - Wide{percentHigh});
        percentHigh = 100;
    }
    if (percentLow < 0) {
        percentHigh = Minus(percentHigh, percentLow);
        percentLow = 0;
    }
    sourceLow = Saturate(Wide{percentLow} * extent / 100);
    sourceHigh = Saturate(Wide{percentHigh} * extent / 100);
}

}  // namespace

RECT FitToScreen(ImageSize image, ScreenMetric metric) {
    const Int cx = metric(SM_CXSCREEN);
    const Int cy = metric(SM_CYSCREEN);
    RECT fitted = {0, 0, cx, cy};
    Int iw = image.width;
    Int ih = image.height;
    if (Wide{iw} * cy > Wide{cx} * ih) {  // relatively wider than the screen
        if (iw == 0) iw = 1;
        fitted.bottom = Saturate(Wide{cx} * ih / iw);
        const Int offset = Half(Minus(metric(SM_CYSCREEN), fitted.bottom));
        fitted.top = Plus(fitted.top, offset);
        fitted.bottom = Plus(fitted.bottom, offset);
    } else {
        if (ih == 0) ih = 1;
        fitted.right = Saturate(Wide{iw} * cy / ih);
        const Int offset = Half(Minus(metric(SM_CXSCREEN), fitted.right));
        fitted.left = Plus(fitted.left, offset);
        fitted.right = Plus(fitted.right, offset);
    }
    return fitted;
}

std::int32_t Plus(std::int64_t a, std::int64_t b) {
    return Saturate(a + b);
}

void ShiftAndCut(RECT& source, std::int32_t imageWidth, std::int32_t imageHeight) {
    ShiftAndCutAxis(source.top, source.bottom, imageHeight);
    ShiftAndCutAxis(source.left, source.right, imageWidth);
}

void NormalisePercent(RECT& percent) {
    if (percent.top == 0 && percent.bottom == 100) percent.bottom = 0;
    if (percent.left == 0 && percent.right == 100) percent.right = 0;
}

bool InitWindowSize(ImageSize reported, const RECT& window, int mode, bool vectorDrawing,
                    ViewState& view, taghueyinfo& record) {
    if (mode == 0 && vectorDrawing) mode = 1;
    const Int w = Width(window);
    const Int h = Height(window);
    Int iw = reported.width;
    Int ih = reported.height;
    if (iw == 0 || ih == 0) {  // the size at which the document was last shown
        iw = Width(record.destRect);
        ih = Height(record.destRect);
    }

    Divider divider;
    taghueyinfo next = record;
    RECT& source = next.sourceRect;
    RECT& dest = next.destRect;
    RECT& percent = next.percentRect;
    dest.left = 0;
    dest.top = 0;
    source = {0, 0, iw, ih};
    percent = {0, 0, 0, 0};
    if (mode < 0 || mode > 2) mode = 0;
    double zoom = 1.0;

    if (w < iw && ih > h) {  // larger both ways
        if (mode == 0) {
            source = {0, 0, w, h};
            dest.right = w;
            dest.bottom = h;
            percent = {0, 0, divider.MulDiv(w, 100, iw), divider.MulDiv(h, 100, ih)};
        } else if (mode == 1) {  // the whole image, aspect kept
            if (Wide{w} * ih < Wide{iw} * h) {
                dest.right = w;
                dest.bottom = divider.MulDiv(w, ih, iw);
                zoom = divider.Ratio(w, iw);
            } else {
                dest.right = divider.MulDiv(iw, h, ih);
                dest.bottom = h;
                zoom = divider.Ratio(h, ih);
            }
        } else {  // fit the width: the source may reach below the image
            source = {0, 0, iw, divider.MulDiv(iw, h, w)};
            dest.right = w;
            dest.bottom = h;
            zoom = divider.Ratio(w, iw);
            const Widest scaled = divider.Divide(Widest{iw} * h * 100, Widest{ih});
            percent.bottom = Saturate(divider.Divide(scaled, Widest{w}));
        }
    } else if (w < iw) {  // wider than the window only
        if (mode == 0) {
            source = {0, 0, w, ih};
            dest.right = w;
            dest.bottom = ih;
            percent.right = divider.MulDiv(w, 100, iw);
        } else {
            dest.right = w;
            dest.bottom = divider.MulDiv(w, ih, iw);
            zoom = divider.Ratio(w, iw);
        }
    } else if (ih > h) {  // taller than the window only
        if (mode == 1) {
            dest.right = divider.MulDiv(iw, h, ih);
            dest.bottom = h;
            zoom = divider.Ratio(h, ih);
        } else {
            source = {0, 0, iw, h};
            dest.right = iw;
            dest.bottom = h;
            percent.bottom = divider.MulDiv(h, 100, ih);
        }
    } else {  // fits
        dest.right = iw;
        dest.bottom = ih;
    }

    if (divider.Failed()) return false;
    record = next;
    view.source = next.sourceRect;
    view.dest = next.destRect;
    view.zoom = zoom;
    return true;
}

ZoomOutStep ZoomOut(ImageSize reported, int factor, ViewState& view, taghueyinfo& record) {
    if (factor < 1) return ZoomOutStep::kUnchanged;
    const ImageSize size = CountZeroAsOne(reported);
    ViewState next = view;
    next.zoom = view.zoom / factor;
    const Int sw = Width(view.source);
    const Int sh = Height(view.source);
    if (!(Wide{sw} * factor < size.width || Wide{sh} * factor < size.height)) {
        return ZoomOutStep::kWholeImage;
    }

    const Int cx = Middle(view.source.left, view.source.right);
    const Int cy = Middle(view.source.top, view.source.bottom);
    Int nw = Saturate(Wide{sw} * factor);
    Int nh = Saturate(Wide{sh} * factor);
    if (nw == 0) nw = 1;
    if (nh == 0) nh = 1;
    RECT& source = next.source;
    source.left = Minus(cx, Half(nw));
    source.top = Minus(cy, Half(nh));
    source.right = Plus(source.left, nw);
    source.bottom = Plus(source.top, nh);
    ShiftAndCut(source, size.width, size.height);
    if (nw > size.width) {
        next.dest.left = 0;
        next.dest.right = Truncate(next.zoom * size.width);
    }
    if (nh > size.height) {
        next.dest.top = 0;
        next.dest.bottom = Truncate(next.zoom * size.height);
    }

    Divider divider;  // the image size is never 0 here
    const RECT percent = Percent(divider, source, size.width, size.height);
    view = next;
    record.sourceRect = next.source;
    record.destRect = next.dest;
    record.percentRect = percent;
    return ZoomOutStep::kDone;
}

bool ZoomOutToWholeImage(ImageSize reported, int factor, ViewState& view, taghueyinfo& record) {
    if (factor < 1) return false;
    view.zoom = view.zoom / factor;
    view.source = {0, 0, reported.width, reported.height};
    view.dest = {0, 0, Truncate(reported.width * view.zoom), Truncate(reported.height * view.zoom)};
    record.sourceRect = view.source;
    record.destRect = view.dest;
    record.percentRect = {0, 0, 0, 0};
    return true;
}

bool ZoomIn(ImageSize reported, const RECT& selection, ViewState& view, taghueyinfo& record) {
    RECT chosen = selection;
    if (chosen.right < chosen.left) std::swap(chosen.left, chosen.right);
    if (chosen.top > chosen.bottom) std::swap(chosen.top, chosen.bottom);
    if (chosen.top == chosen.bottom) chosen.bottom = Plus(chosen.bottom, 1);
    if (chosen.left == chosen.right) chosen.right = Plus(chosen.right, 1);
    const Int rw = Width(chosen);
    const Int rh = Height(chosen);
    const Int dw = Width(view.dest);
    const Int dh = Height(view.dest);

    Divider divider;
    double zoom = Wide{dh} * rw < Wide{dw} * rh ? divider.Ratio(dh, rh) * view.zoom
                                                : divider.Ratio(dw, rw) * view.zoom;
    if (zoom >= kMaxScale) zoom = kMaxScale;

    // The selection's centre in image pixels, the drawing area taken as anchored at the origin.
    const Int cx = Plus(
        view.source.left,
        divider.Divide(Wide{Width(view.source)} * Middle(chosen.left, chosen.right), Wide{dw}));
    const Int cy = Plus(
        view.source.top,
        divider.Divide(Wide{Height(view.source)} * Middle(chosen.top, chosen.bottom), Wide{dh}));
    const Int hx = Truncate(divider.Divide(Width(record.destRect) / 2.0, zoom));
    const Int hy = Truncate(divider.Divide(Height(record.destRect) / 2.0, zoom));
    RECT source = {Minus(cx, hx), Minus(cy, hy), Plus(cx, hx), Plus(cy, hy)};
    if (source.top == source.bottom) source.bottom = Plus(source.bottom, 1);
    if (source.left == source.right) source.right = Plus(source.right, 1);

    const ImageSize size = CountZeroAsOne(reported);
    ShiftAndCut(source, size.width, size.height);
    const RECT percent = Percent(divider, source, size.width, size.height);
    if (divider.Failed()) return false;
    view.zoom = zoom;
    view.source = source;
    record.sourceRect = source;
    record.percentRect = percent;
    return true;
}

bool ScrollWindow(ImageSize reported, int dx, int dy, ViewState& view, taghueyinfo& record) {
    const ImageSize size = CountZeroAsOne(reported);
    RECT percent = record.percentRect;
    RECT source = view.source;
    ScrollAxis(dx, percent.left, percent.right, source.left, source.right, size.width);
    ScrollAxis(dy, percent.top, percent.bottom, source.top, source.bottom, size.height);
    view.source = source;
    record.percentRect = percent;
    record.sourceRect = source;
    return true;
}

bool CenterWindow(ImageSize reported, int x, int y, ViewState& view, taghueyinfo& record) {
    const ImageSize size = CountZeroAsOne(reported);
    POINT centre = {x, y};
    if (!TransformPoint(centre, record)) return false;
    const Int sw = Width(view.source);
    const Int sh = Height(view.source);
    RECT source;
    source.left = Minus(centre.x, Half(sw));
    source.top = Minus(centre.y, Half(sh));
    source.right = Plus(source.left, sw);
    source.bottom = Plus(source.top, sh);
    // Shift back inside without cutting: a source larger than the image keeps its size.
    if (source.top < 0) {
        source.bottom = Minus(source.bottom, source.top);
        source.top = 0;
    }
    if (source.left < 0) {
        source.right = Minus(source.right, source.left);
        source.left = 0;
    }
    if (source.right >= size.width) {
        source.left = Minus(source.left, Wide{source.right} - size.width);
        source.right = size.width;
    }
    if (source.bottom >= size.height) {
        source.top = Minus(source.top, Wide{source.bottom} - size.height);
        source.bottom = size.height;
    }

    Divider divider;  // the image size is never 0 here
    RECT percent = Percent(divider, source, size.width, size.height);
    NormalisePercent(percent);
    view.source = source;
    record.sourceRect = source;
    record.percentRect = percent;
    return true;
}

bool ResizeWindow(ImageSize reported, const RECT& oldWindow, RECT& newWindow, int mode,
                  ViewState& view, taghueyinfo& record) {
    const ImageSize size = CountZeroAsOne(reported);
    Divider divider;
    ViewState next = view;
    RECT window = newWindow;
    if (mode == 1) {
        next.source = {0, 0, size.width, size.height};
        window.right = Width(newWindow);
        window.bottom = Height(newWindow);
        window.left = 0;
        window.top = 0;
        next.dest.left = 0;
        next.dest.top = 0;
        const Int w = window.right;
        const Int h = window.bottom;
        if (Wide{w} * size.height < Wide{h} * size.width) {
            next.dest.right = w;
            next.dest.bottom = divider.MulDiv(w, size.height, size.width);
            next.zoom = divider.Ratio(next.dest.right, size.width);
        } else {
            next.dest.bottom = h;
            next.dest.right = divider.MulDiv(h, size.width, size.height);
            next.zoom = divider.Ratio(next.dest.bottom, size.height);
        }
    } else {
        // The image stays still on the screen: each source edge moves by the window edge's move
        // in image pixels.
        auto follow = [&](LONG& edge, LONG oldEdge, LONG newEdge) {
            const double moved = static_cast<double>(Wide{oldEdge} - newEdge);
            edge = Minus(edge, Truncate(divider.Divide(moved, next.zoom)));
        };
        follow(next.source.top, oldWindow.top, newWindow.top);
        follow(next.source.left, oldWindow.left, newWindow.left);
        follow(next.source.right, oldWindow.right, newWindow.right);
        follow(next.source.bottom, oldWindow.bottom, newWindow.bottom);
        ShiftAndCut(next.source, size.width, size.height);
        next.dest = {0, 0, Width(newWindow), Height(newWindow)};
        const Int shownWidth = Truncate(Width(next.source) * next.zoom);
        if (shownWidth < next.dest.right) next.dest.right = shownWidth;
        const Int shownHeight = Truncate(Height(next.source) * next.zoom);
        if (shownHeight < next.dest.bottom) next.dest.bottom = shownHeight;
    }

    RECT percent = Percent(divider, next.source, size.width, size.height);
    NormalisePercent(percent);
    if (divider.Failed()) return false;
    view = next;
    newWindow = window;
    record.sourceRect = next.source;
    record.destRect = next.dest;
    record.percentRect = percent;
    return true;
}

bool TransformPoint(POINT& point, const taghueyinfo& record) {
    const RECT& dest = record.destRect;
    const RECT& source = record.sourceRect;
    Int x = point.x;
    Int y = point.y;
    if (x > dest.right) x = dest.right;
    if (x < dest.left) x = dest.left;
    if (y > dest.bottom) y = dest.bottom;
    if (y < dest.top) y = dest.top;

    Divider divider;
    const Int mappedX = Plus(
        source.left, divider.Divide(Wide{Width(source)} * Minus(x, dest.left), Wide{Width(dest)}));
    const Int mappedY = Plus(
        source.top, divider.Divide(Wide{Height(source)} * Minus(y, dest.top), Wide{Height(dest)}));
    if (divider.Failed()) return false;
    point.x = mappedX;
    point.y = mappedY;
    return true;
}

}  // namespace kelocli
