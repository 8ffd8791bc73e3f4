// The server's resampler alone, against its float predecessor on the same inputs: a photograph
// fitted into a screen at three depths, and a small part of it enlarged to the screen.
#include <cstdio>
#include <random>
#include <vector>

#include "bench_support.h"
#include "benches.h"
#include "float_resampler.h"
#include "documents/raster_image.h"

namespace bench {

namespace {

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

pimbax::RasterImage Photograph(int bitsPerPixel, bool alpha) {
    pimbax::RasterImage image;
    pimbax::AllocatePixels(image, kPhotoWidth, kPhotoHeight, bitsPerPixel);
    image.hasAlpha = alpha;
    if (bitsPerPixel == 8) {
        for (int i = 0; i < 256; ++i) {
            image.palette.push_back(RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i * 7), 0});
        }
    }
    std::mt19937 random(1);
    for (std::uint8_t& byte : image.pixels) byte = static_cast<std::uint8_t>(random());
    return image;
}

}  // namespace

void BenchResampler() {
    struct Case {
        const char* what;
        int bits;
        bool alpha;
        pimbax::SourceRect source;
    };
    const pimbax::SourceRect whole = {0, 0, kPhotoWidth, kPhotoHeight};
    const Case cases[] = {
        {"24-bit fitted", 24, false, whole},
        {"32-bit with alpha on white, fitted", 32, true, whole},
        {"8-bit fitted", 8, false, whole},
        {"24-bit, 100 x 75 part enlarged", 24, false, {2000, 1500, 2100, 1575}},
    };
    std::printf("Resampler, %d x %d into %d x %d (median of runs; old: float, one thread)\n",
                kPhotoWidth, kPhotoHeight, kScreenWidth, kScreenHeight);
    std::vector<std::uint32_t> out(static_cast<std::size_t>(kScreenWidth) * kScreenHeight);
    for (const Case& c : cases) {
        const pimbax::RasterImage image = Photograph(c.bits, c.alpha);
        const std::size_t stride = static_cast<std::size_t>(kScreenWidth);
        const double old = MedianSeconds(5, [&] {
            FloatResampleToBgra(image, c.source, true, out.data(), kScreenWidth, kScreenHeight,
                                stride);
        });
        const double now = MedianSeconds(5, [&] {
            pimbax::ResampleToBgra(image, c.source, true, out.data(), kScreenWidth, kScreenHeight,
                                   stride);
        });
        std::printf("  %-36s old %7.2f ms   new %7.2f ms   %5.1f times as fast\n", c.what,
                    old * 1e3, now * 1e3, now > 0 ? old / now : 0.0);
    }
}

}  // namespace bench
