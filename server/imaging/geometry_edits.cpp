// Rotate and Crop: pixel permutations at every depth, and turns by other angles.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/editing.h"
#include "imaging/working_pixels.h"

namespace pimbax::imaging {

namespace {

constexpr double kPi = 3.14159265358979323846;

// An image of the given size and depth carrying `image`'s palette, alpha and resolution.
Result Shaped(const RasterImage& image, int width, int height, int bitsPerPixel,
              RasterImage& shaped) {
    if (!AllocatePixels(shaped, width, height, bitsPerPixel)) return kTooLarge;
    try {
        if (bitsPerPixel <= 8) shaped.palette = image.palette;
    } catch (const std::bad_alloc&) {
        return kTooLarge;
    }
    shaped.hasAlpha = bitsPerPixel == 32 && image.hasAlpha;
    shaped.dpiX = image.dpiX;
    shaped.dpiY = image.dpiY;
    return kOk;
}

Result QuarterTurns(const RasterImage& image, int quarters, RasterImage& out) {
    const bool across = quarters % 2 == 1;
    RasterImage turned;
    const Result result = Shaped(image, across ? image.height : image.width,
                                 across ? image.width : image.height, image.bitsPerPixel, turned);
    if (result != kOk) return result;
    if (across) std::swap(turned.dpiX, turned.dpiY);
    const int w = image.width;
    const int h = image.height;
    for (int y = 0; y < turned.height; ++y) {
        for (int x = 0; x < turned.width; ++x) {
            // The source of each target pixel: a clockwise quarter sends (sx, sy) to
            // (h - 1 - sy, sx).
            int sx = x;
            int sy = y;
            if (quarters == 1) {
                sx = y;
                sy = h - 1 - x;
            } else if (quarters == 2) {
                sx = w - 1 - x;
                sy = h - 1 - y;
            } else if (quarters == 3) {
                sx = w - 1 - y;
                sy = x;
            }
            SetPixelValue(turned, x, y, PixelValue(image, sx, sy));
        }
    }
    out = std::move(turned);
    return kOk;
}

// The palette index that shows `grey` in an indexed image, adding an entry when there is room.
std::uint32_t GreyIndex(RasterImage& image, int grey) {
    const RGBQUAD wanted = {static_cast<BYTE>(grey), static_cast<BYTE>(grey),
                            static_cast<BYTE>(grey), 0};
    std::size_t best = 0;
    long bestDistance = -1;
    for (std::size_t i = 0; i < image.palette.size(); ++i) {
        const RGBQUAD& e = image.palette[i];
        const long dr = e.rgbRed - grey;
        const long dg = e.rgbGreen - grey;
        const long db = e.rgbBlue - grey;
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    if (bestDistance != 0 && image.palette.size() < (std::size_t{1} << image.bitsPerPixel)) {
        image.palette.push_back(wanted);
        return static_cast<std::uint32_t>(image.palette.size() - 1);
    }
    return static_cast<std::uint32_t>(best);
}

// Where the centre of each canvas pixel comes from in the image, for a clockwise turn.
struct Turn {
    double cosine, sine;
    int width, height;  // the canvas
    double imageCentreX, imageCentreY;

    void Source(int x, int y, double* sx, double* sy) const {
        const double u = x + 0.5 - width / 2.0;
        const double v = y + 0.5 - height / 2.0;
        *sx = u * cosine + v * sine + imageCentreX;
        *sy = -u * sine + v * cosine + imageCentreY;
    }
};

Result MakeTurn(const RasterImage& image, int degrees, Turn& turn) {
    const double angle = degrees * kPi / 180.0;
    turn.cosine = std::cos(angle);
    turn.sine = std::sin(angle);
    const double c = std::fabs(turn.cosine);
    const double s = std::fabs(turn.sine);
    // Edges rounded up; a hair of tolerance so that exact sizes are not pushed up by rounding.
    const double width = std::ceil(image.width * c + image.height * s - 1e-9);
    const double height = std::ceil(image.width * s + image.height * c - 1e-9);
    if (width > kMaxImageEdge || height > kMaxImageEdge) return kTooLarge;
    turn.width = std::max(1, static_cast<int>(width));
    turn.height = std::max(1, static_cast<int>(height));
    turn.imageCentreX = image.width / 2.0;
    turn.imageCentreY = image.height / 2.0;
    return kOk;
}

Result TurnNearest(const RasterImage& image, const Turn& turn, int grey, RasterImage& out) {
    RasterImage turned;
    const Result result = Shaped(image, turn.width, turn.height, image.bitsPerPixel, turned);
    if (result != kOk) return result;
    const std::uint32_t background =
        image.bitsPerPixel <= 8 ? GreyIndex(turned, grey) : Bgra(grey, grey, grey, 255);
    for (int y = 0; y < turned.height; ++y) {
        for (int x = 0; x < turned.width; ++x) {
            double sx, sy;
            turn.Source(x, y, &sx, &sy);
            const double fx = std::floor(sx);
            const double fy = std::floor(sy);
            const bool inside = fx >= 0 && fy >= 0 && fx < image.width && fy < image.height;
            SetPixelValue(turned, x, y,
                          inside ? PixelValue(image, static_cast<int>(fx), static_cast<int>(fy))
                                 : background);
        }
    }
    out = std::move(turned);
    return kOk;
}

Result TurnBilinear(const RasterImage& image, const Turn& turn, int grey, RasterImage& out) {
    std::vector<std::uint32_t> bgra;
    Result result = ReadBgra(image, false, bgra);
    if (result != kOk) return result;
    RasterImage turned;
    result = Shaped(image, turn.width, turn.height, image.bitsPerPixel == 32 ? 32 : 24, turned);
    if (result != kOk) return result;
    std::vector<std::uint32_t> row;
    result = AllocateWorking(row, static_cast<std::uint64_t>(turned.width));
    if (result != kOk) return result;
    const std::uint32_t background = Bgra(grey, grey, grey, 255);
    auto at = [&](double x, double y) {
        if (x < 0 || y < 0 || x >= image.width || y >= image.height) return background;
        return bgra[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                    static_cast<std::size_t>(x)];
    };
    for (int y = 0; y < turned.height; ++y) {
        for (int x = 0; x < turned.width; ++x) {
            double sx, sy;
            turn.Source(x, y, &sx, &sy);
            // Pixel centres lie at half pixels.
            const double fx = sx - 0.5;
            const double fy = sy - 0.5;
            const double x0 = std::floor(fx);
            const double y0 = std::floor(fy);
            const double tx = fx - x0;
            const double ty = fy - y0;
            const std::uint32_t corners[4] = {at(x0, y0), at(x0 + 1, y0), at(x0, y0 + 1),
                                              at(x0 + 1, y0 + 1)};
            const double weights[4] = {(1 - tx) * (1 - ty), tx * (1 - ty), (1 - tx) * ty, tx * ty};
            std::uint32_t mixed = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                double sum = 0;
                for (int k = 0; k < 4; ++k) sum += weights[k] * ((corners[k] >> shift) & 0xFF);
                const int value = std::clamp(static_cast<int>(std::floor(sum + 0.5)), 0, 255);
                mixed |= static_cast<std::uint32_t>(value) << shift;
            }
            row[static_cast<std::size_t>(x)] = mixed;
        }
        WriteRowBgra(turned, y, row.data());
    }
    out = std::move(turned);
    return kOk;
}

Result CopyPart(const RasterImage& image, int left, int top, int right, int bottom,
                RasterImage& out) {
    RasterImage cropped;
    const Result result = Shaped(image, right - left, bottom - top, image.bitsPerPixel, cropped);
    if (result != kOk) return result;
    const int bytesPerPixel = image.bitsPerPixel / 8;
    for (int y = 0; y < cropped.height; ++y) {
        if (bytesPerPixel > 0) {
            std::memcpy(cropped.TopRow(y),
                        image.TopRow(top + y) + static_cast<std::size_t>(left) * bytesPerPixel,
                        static_cast<std::size_t>(cropped.width) * bytesPerPixel);
            continue;
        }
        for (int x = 0; x < cropped.width; ++x) {
            SetPixelValue(cropped, x, y, PixelValue(image, left + x, top + y));
        }
    }
    out = std::move(cropped);
    return kOk;
}

}  // namespace

Result Rotate(const RasterImage& image, int degrees, int mode, int grey, RasterImage& out) {
    if (image.Empty() || (mode != 0 && mode != 1) || grey < 0 || grey > 255) return kBadValue;
    return Guarded([&] {
        const int turned = ((degrees % 360) + 360) % 360;
        if (turned % 90 == 0) return QuarterTurns(image, turned / 90, out);
        Turn turn;
        const Result result = MakeTurn(image, turned, turn);
        if (result != kOk) return result;
        return mode == 0 ? TurnNearest(image, turn, grey, out)
                         : TurnBilinear(image, turn, grey, out);
    });
}

Result Crop(const RasterImage& image, int left, int top, int right, int bottom, RasterImage& out) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, image.width);
    bottom = std::min(bottom, image.height);
    if (image.Empty() || left >= right || top >= bottom) return kBadValue;
    return Guarded([&] { return CopyPart(image, left, top, right, bottom, out); });
}

}  // namespace pimbax::imaging
