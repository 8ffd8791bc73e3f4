#include "documents/document.h"

#include <cmath>

#include "budgets.h"

namespace pimbax {

void Document::Render(Canvas& canvas, const SourceRect& source, const RECT& target) const {
    Draw(canvas.Dc(), source, target);
    GdiFlush();
}

Result SetNominalSize(int width, int height, int& nominalWidth, int& nominalHeight) {
    if (width < 1 || height < 1 || width > kMaxImageEdge || height > kMaxImageEdge) {
        return kBadValue;
    }
    nominalWidth = width;
    nominalHeight = height;
    return kOk;
}

HENHMETAFILE Document::Record() const {
    // The frame, in hundredths of a millimetre, of the nominal size at 96 per inch.
    const RECT frame = {0, 0, static_cast<LONG>(std::lround(Width() * 2540.0 / 96.0)),
                        static_cast<LONG>(std::lround(Height() * 2540.0 / 96.0))};
    HDC recorder = CreateEnhMetaFileW(nullptr, nullptr, &frame, L"Pimbax\0Document\0");
    if (recorder == nullptr) return nullptr;
    const SourceRect whole = {0.0, 0.0, static_cast<double>(Width()),
                              static_cast<double>(Height())};
    Draw(recorder, whole, RECT{0, 0, Width(), Height()});
    return CloseEnhMetaFile(recorder);
}

}  // namespace pimbax
