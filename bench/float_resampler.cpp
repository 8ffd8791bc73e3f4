// The resampler the server had before its fixed-point one, kept as the benchmark's baseline: every
// source pixel unpacked and weighted in floats, a horizontal pass per source row, then vertical.
#include "float_resampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace bench {

using pimbax::RasterImage;
using pimbax::SourceRect;

namespace {

constexpr std::uint32_t kOpaqueWhite = 0xFFFFFFFFu;

// Channel k of a BGRA value: 0 blue, 1 green, 2 red, 3 alpha.
int Channel(std::uint32_t c, int k) {
    return (c >> (8 * k)) & 0xFF;
}

std::uint32_t Bgra(int blue, int green, int red, int alpha) {
    return static_cast<std::uint32_t>(blue | (green << 8) | (red << 16)) |
           (static_cast<std::uint32_t>(alpha) << 24);
}

int ClampByte(double value) {
    if (!(value > 0.0)) return 0;
    if (value >= 255.0) return 255;
    return static_cast<int>(value + 0.5);
}

// The contributions of source pixels to each output pixel along one axis.
struct AxisWeights {
    std::vector<std::size_t> first;  // output index -> first entry; one extra at the end
    std::vector<int> index;          // source index, or -1 outside the image
    std::vector<float> weight;
};

AxisWeights WeighAxis(double start, double end, int outCount, int sourceCount) {
    AxisWeights axis;
    axis.first.reserve(static_cast<std::size_t>(outCount) + 1);
    const double step = (end - start) / outCount;
    for (int d = 0; d < outCount; ++d) {
        axis.first.push_back(axis.index.size());
        const double a = start + d * step;
        const double b = a + step;
        auto add = [&](double position, float weight) {
            const double cell = std::floor(position);
            const int i = (cell >= 0.0 && cell < sourceCount) ? static_cast<int>(cell) : -1;
            axis.index.push_back(i);
            axis.weight.push_back(weight);
        };
        if (step <= 1.0) {
            add(a + step / 2.0, 1.0f);  // growing: the pixel under the output pixel's centre
            continue;
        }
        // Shrinking: every source pixel the output pixel covers, by the length it covers.
        for (double cell = std::floor(a); cell < b; cell += 1.0) {
            const double covered = std::min(b, cell + 1.0) - std::max(a, cell);
            if (covered > 0.0) add(cell, static_cast<float>(covered / step));
        }
    }
    axis.first.push_back(axis.index.size());
    return axis;
}

std::uint32_t PaletteBgra(const RasterImage& image, std::uint32_t index) {
    if (index >= image.palette.size()) return Bgra(0, 0, 0, 255);
    const RGBQUAD& entry = image.palette[index];
    return Bgra(entry.rgbBlue, entry.rgbGreen, entry.rgbRed, 255);
}

void FloatReadRowBgra(const RasterImage& image, int y, bool overWhite, std::uint32_t* out) {
    const std::uint8_t* row = image.TopRow(y);
    for (int x = 0; x < image.width; ++x) {
        std::uint32_t c;
        switch (image.bitsPerPixel) {
            case 24:
                c = Bgra(row[x * 3], row[x * 3 + 1], row[x * 3 + 2], 255);
                break;
            case 32:
                std::memcpy(&c, row + x * 4, 4);
                if (!image.hasAlpha) c |= 0xFF000000u;
                break;
            default:
                c = PaletteBgra(image, pimbax::PixelValue(image, x, y));
                break;
        }
        const int a = Channel(c, 3);
        if (overWhite && a != 255) {
            auto mix = [&](int k) { return (Channel(c, k) * a + 255 * (255 - a) + 127) / 255; };
            c = Bgra(mix(0), mix(1), mix(2), 255);
        }
        out[x] = c;
    }
}

}  // namespace

void FloatResampleToBgra(const RasterImage& image, const SourceRect& source, bool overWhite,
                         std::uint32_t* out, int outWidth, int outHeight, std::size_t outStride) {
    if (outWidth <= 0 || outHeight <= 0) return;
    const AxisWeights xs = WeighAxis(source.left, source.right, outWidth, image.width);
    const AxisWeights ys = WeighAxis(source.top, source.bottom, outHeight, image.height);
    const std::size_t channels = static_cast<std::size_t>(outWidth) * 4;
    std::vector<std::uint32_t> sourceRow(static_cast<std::size_t>(std::max(image.width, 1)));
    std::vector<float> across(channels);  // the last source row, resampled across
    std::vector<float> sum(channels);
    int acrossRow = -2;  // which source row `across` holds (-1: the white row outside)

    for (int dy = 0; dy < outHeight; ++dy) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        for (std::size_t j = ys.first[dy]; j < ys.first[dy + 1]; ++j) {
            const int sy = ys.index[j];
            if (sy != acrossRow) {
                if (sy >= 0) FloatReadRowBgra(image, sy, overWhite, sourceRow.data());
                for (int dx = 0; dx < outWidth; ++dx) {
                    float* cell = &across[static_cast<std::size_t>(dx) * 4];
                    std::fill(cell, cell + 4, 0.0f);
                    for (std::size_t i = xs.first[dx]; i < xs.first[dx + 1]; ++i) {
                        const int sx = xs.index[i];
                        const std::uint32_t c = (sy < 0 || sx < 0)
                                                    ? kOpaqueWhite
                                                    : sourceRow[static_cast<std::size_t>(sx)];
                        for (int k = 0; k < 4; ++k) cell[k] += xs.weight[i] * Channel(c, k);
                    }
                }
                acrossRow = sy;
            }
            const float w = ys.weight[j];
            for (std::size_t k = 0; k < channels; ++k) sum[k] += w * across[k];
        }
        std::uint32_t* target = out + static_cast<std::size_t>(dy) * outStride;
        for (int dx = 0; dx < outWidth; ++dx) {
            const float* cell = &sum[static_cast<std::size_t>(dx) * 4];
            target[dx] = Bgra(ClampByte(cell[0]), ClampByte(cell[1]), ClampByte(cell[2]),
                              ClampByte(cell[3]));
        }
    }
}

}  // namespace bench
