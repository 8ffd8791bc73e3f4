// The resampler against a plain per-pixel model of what it promises: each output pixel covers a
// rectangle of the source; along an axis where the picture shrinks it averages the source pixels
// by the length they cover, where it grows it takes the pixel under its centre; the source outside
// the image is opaque white. Averages within one level, picked pixels exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#include "documents/raster_image.h"

namespace {

using pimbax::RasterImage;
using pimbax::SourceRect;

constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
constexpr std::uint32_t kSentinel = 0x12345678u;

// A source pixel as four channel values (b, g, r, a), alpha composited onto white when asked.
std::vector<double> Colour(const RasterImage& image, int x, int y, bool overWhite) {
    std::uint32_t c = pimbax::PixelValue(image, x, y);
    if (image.bitsPerPixel <= 8) {
        const RGBQUAD q = c < image.palette.size() ? image.palette[c] : RGBQUAD{0, 0, 0, 0};
        c = q.rgbBlue | (q.rgbGreen << 8) | (q.rgbRed << 16) | 0xFF000000u;
    } else if (image.bitsPerPixel == 24 || !image.hasAlpha) {
        c |= 0xFF000000u;
    }
    std::vector<double> channels = {double(c & 0xFF), double((c >> 8) & 0xFF),
                                    double((c >> 16) & 0xFF), double(c >> 24)};
    if (overWhite) {
        const double a = channels[3] / 255.0;
        for (int k = 0; k < 3; ++k) channels[k] = channels[k] * a + 255.0 * (1.0 - a);
        channels[3] = 255.0;
    }
    return channels;
}

// The source pixels under output pixel d along an axis: (pixel or -1 for outside, weight).
std::vector<std::pair<int, double>> Under(double start, double end, int outCount, int count,
                                          int d) {
    const double step = (end - start) / outCount;
    const double a = start + d * step;
    auto inside = [count](double cell) { return cell >= 0 && cell < count ? int(cell) : -1; };
    if (step <= 1.0) return {{inside(std::floor(a + step / 2.0)), 1.0}};
    std::vector<std::pair<int, double>> cells;
    for (double cell = std::floor(a); cell < a + step; cell += 1.0) {
        const double covered = std::min(a + step, cell + 1.0) - std::max(a, cell);
        if (covered > 0) cells.push_back({inside(cell), covered});
    }
    return cells;
}

std::uint32_t Expected(const RasterImage& image, const SourceRect& s, bool overWhite, int outWidth,
                       int outHeight, int dx, int dy) {
    double sum[4] = {0, 0, 0, 0};
    double total = 0;
    for (const auto& [y, wy] : Under(s.top, s.bottom, outHeight, image.height, dy)) {
        for (const auto& [x, wx] : Under(s.left, s.right, outWidth, image.width, dx)) {
            const std::vector<double> c =
                (x < 0 || y < 0) ? std::vector<double>(4, 255.0) : Colour(image, x, y, overWhite);
            for (int k = 0; k < 4; ++k) sum[k] += c[k] * wx * wy;
            total += wx * wy;
        }
    }
    std::uint32_t pixel = 0;
    for (int k = 0; k < 4; ++k) {
        pixel |= static_cast<std::uint32_t>(std::floor(sum[k] / total + 0.5)) << (8 * k);
    }
    return pixel;
}

RasterImage RandomImage(std::mt19937& random, int width, int height, int bits, bool alpha) {
    RasterImage image;
    EXPECT_TRUE(pimbax::AllocatePixels(image, width, height, bits));
    image.hasAlpha = alpha;
    if (bits <= 8) {
        // Fewer entries than indices at 8 bits: the indices past the palette are black.
        image.palette.resize(bits == 8 ? 200 : std::size_t{1} << bits);
        for (RGBQUAD& q : image.palette) {
            q = RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), 0};
        }
    }
    for (std::uint8_t& byte : image.pixels) byte = static_cast<std::uint8_t>(random());
    return image;
}

// Resamples into rows with a margin and checks every pixel against the model; the margin must
// stay untouched. `exact` asks for equality, else each channel within one level.
void Check(const RasterImage& image, const SourceRect& s, bool overWhite, int outWidth,
           int outHeight, bool exact) {
    const std::size_t stride = static_cast<std::size_t>(outWidth) + 3;
    std::vector<std::uint32_t> out(stride * static_cast<std::size_t>(outHeight), kSentinel);
    pimbax::ResampleToBgra(image, s, overWhite, out.data(), outWidth, outHeight, stride);
    int failures = 0;
    for (int y = 0; y < outHeight && failures < 5; ++y) {
        for (int x = 0; x < static_cast<int>(stride) && failures < 5; ++x) {
            const std::uint32_t got = out[static_cast<std::size_t>(y) * stride + x];
            const std::uint32_t want =
                x < outWidth ? Expected(image, s, overWhite, outWidth, outHeight, x, y) : kSentinel;
            bool agrees = got == want;
            if (!exact && x < outWidth) {
                agrees = true;
                for (int k = 0; k < 32; k += 8) {
                    agrees =
                        agrees && std::abs(int((got >> k) & 0xFF) - int((want >> k) & 0xFF)) <= 1;
                }
            }
            if (!agrees) {
                ++failures;
                ADD_FAILURE() << image.width << "x" << image.height << "x" << image.bitsPerPixel
                              << (image.hasAlpha ? "a" : "") << (overWhite ? " on white" : "")
                              << " source " << s.left << "," << s.top << "," << s.right << ","
                              << s.bottom << " into " << outWidth << "x" << outHeight << " at " << x
                              << "," << y << ": " << std::hex << got << " want " << want;
            }
        }
    }
}

struct Depth {
    int bits;
    bool alpha;
    bool overWhite;
};
const Depth kDepths[] = {{1, false, true},  {4, false, true}, {8, false, true}, {24, false, true},
                         {32, false, true}, {32, true, true}, {32, true, false}};

TEST(Resample, RandomImagesAndSourcesAreWithinOneLevelAndPickedPixelsExact) {
    std::mt19937 random(20240611);
    auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    for (const Depth& depth : kDepths) {
        for (int round = 0; round < 40; ++round) {
            const int width = 1 + random() % 45, height = 1 + random() % 45;
            const RasterImage image = RandomImage(random, width, height, depth.bits, depth.alpha);
            // Fractional edges, partly outside the image, shrinking or growing on each axis.
            const double left = uniform(-0.3, 0.8) * width, top = uniform(-0.3, 0.8) * height;
            const SourceRect source = {left, top, left + uniform(0.05, 1.5) * width,
                                       top + uniform(0.05, 1.5) * height};
            const int outWidth = 1 + random() % 50, outHeight = 1 + random() % 50;
            const bool grows =
                source.right - source.left <= outWidth && source.bottom - source.top <= outHeight;
            Check(image, source, depth.overWhite, outWidth, outHeight, grows);
        }
    }
}

TEST(Resample, LargeJobsSharedBetweenThreadsAgreeWithTheModel) {
    std::mt19937 random(7);
    const RasterImage photo = RandomImage(random, 1500, 1100, 24, false);
    Check(photo, {3.25, -20.5, 1497.75, 1100}, true, 371, 277, false);
    const RasterImage clear = RandomImage(random, 900, 700, 32, true);
    Check(clear, {0, 0, 900, 700}, false, 301, 233, false);
    Check(clear, {0, 0, 900, 700}, true, 900, 700, true);  // 1:1
    const RasterImage small = RandomImage(random, 60, 45, 8, false);
    Check(small, {-2.5, 1.25, 58, 44}, true, 1203, 905, true);
    // Thousands of source pixels in one output pixel.
    const RasterImage wide = RandomImage(random, 30000, 3, 24, false);
    Check(wide, {0, 0, 30000, 3}, true, 2, 1, false);
    const RasterImage tall = RandomImage(random, 3, 20000, 4, false);
    Check(tall, {-0.5, 0, 3, 25000}, true, 1, 3, false);
}

TEST(Resample, SourcesWithoutImageComeOutWhite) {
    std::mt19937 random(3);
    const RasterImage image = RandomImage(random, 8, 8, 24, false);
    const double nan = std::nan("");
    const SourceRect white[] = {
        {20, 0, 30, 8}, {-9, -9, -1, -1}, {nan, 0, 8, 8}, {0, 0, 8, HUGE_VAL}, {0, 0, 1e13, 8}};
    for (const SourceRect& source : white) {
        std::uint32_t out[6] = {0, 0, 0, 0, 0, 0};
        pimbax::ResampleToBgra(image, source, true, out, 3, 2, 3);
        for (std::uint32_t pixel : out) EXPECT_EQ(kWhite, pixel) << source.left << source.bottom;
    }
    // An inverted source mirrors the image.
    Check(image, {8, 8, 0, 0}, true, 16, 16, true);
}

}  // namespace
