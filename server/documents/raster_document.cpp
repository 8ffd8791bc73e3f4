// Raster images: the document is the image itself.
#include <algorithm>
#include <cmath>
#include <vector>

#include "documents/document.h"
#include "budgets.h"

namespace pimbax {

namespace {

class RasterDocument : public Document {
  public:
    explicit RasterDocument(RasterImage image) : image_(std::move(image)) {}

    short Kind() const override { return kRasterKind; }
    int Width() const override { return image_.width; }
    int Height() const override { return image_.height; }
    int Depth() const override { return image_.bitsPerPixel; }
    int DpiX() const override { return image_.dpiX; }
    int DpiY() const override { return image_.dpiY; }
    const RasterImage* Image() const override { return &image_; }

    void Render(Canvas& canvas, const SourceRect& source, const RECT& target) const override {
        if (canvas.BitsPerPixel() != 32) return Document::Render(canvas, source, target);
        // Only the part of the target on the canvas is resampled; the source shrinks with it.
        const RECT visible = {std::max<LONG>(target.left, 0), std::max<LONG>(target.top, 0),
                              std::min<LONG>(target.right, canvas.Width()),
                              std::min<LONG>(target.bottom, canvas.Height())};
        if (visible.right <= visible.left || visible.bottom <= visible.top) return;
        const double sx = (source.right - source.left) / (target.right - target.left);
        const double sy = (source.bottom - source.top) / (target.bottom - target.top);
        const SourceRect part = {source.left + (visible.left - target.left) * sx,
                                 source.top + (visible.top - target.top) * sy,
                                 source.left + (visible.right - target.left) * sx,
                                 source.top + (visible.bottom - target.top) * sy};
        ResampleToBgra(image_, part, true, canvas.Row(visible.top) + visible.left,
                       visible.right - visible.left, visible.bottom - visible.top,
                       static_cast<std::size_t>(canvas.Width()));
    }

    Result Resize(int width, int height, int flag) override {
        if (width < 1 || height < 1 || width > kMaxImageEdge || height > kMaxImageEdge) {
            return kBadValue;
        }
        RasterImage resized;
        const bool done = flag == 0 ? ResizeSmooth(image_, width, height, resized)
                                    : ResizeNearest(image_, width, height, resized);
        if (!done) return kTooLarge;
        image_ = std::move(resized);
        return kOk;
    }

  protected:
    void Draw(HDC dc, const SourceRect& source, const RECT& target) const override {
        std::vector<std::uint8_t> info(DibInfoSize(image_));
        WriteDibInfo(image_, info.data());
        DocumentMapping mapping(dc, source, target);
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchDIBits(dc, 0, 0, image_.width, image_.height, 0, 0, image_.width, image_.height,
                      image_.pixels.data(), reinterpret_cast<const BITMAPINFO*>(info.data()),
                      DIB_RGB_COLORS, SRCCOPY);
    }

  private:
    RasterImage image_;
};

}  // namespace

std::unique_ptr<Document> MakeRasterDocument(RasterImage image) {
    return std::make_unique<RasterDocument>(std::move(image));
}

}  // namespace pimbax
