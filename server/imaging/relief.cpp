#include "imaging/relief.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "rendering/canvas.h"
#include "imaging/working_pixels.h"

namespace pimbax::imaging {

namespace {

struct Grid {
    int width, height;
};

Grid GridFor(int width, int height) {
    const double scale =
        std::min(1.0, static_cast<double>(kMaxReliefSide) / std::max(width, height));
    auto side = [&](int edge) {
        return std::clamp(static_cast<int>(std::lround(edge * scale)), 2, kMaxReliefSide);
    };
    return {side(width), side(height)};
}

// The relief of gw x gh colour samples (top-down BGRA) standing for a width x height image.
Result Build(const std::vector<std::uint32_t>& samples, const Grid& grid, int width, int height,
             Model& model) {
    Model relief;
    const double rise = std::max(width, height) / 4.0 / 255.0;
    for (int j = 0; j < grid.height; ++j)
        for (int i = 0; i < grid.width; ++i) {
            const std::uint32_t c =
                samples[static_cast<std::size_t>(j) * static_cast<std::size_t>(grid.width) +
                        static_cast<std::size_t>(i)];
            relief.vertices.push_back(
                {static_cast<double>(i) * width / (grid.width - 1),
                 static_cast<double>(grid.height - 1 - j) * height / (grid.height - 1),
                 Grey(c) * rise});
        }
    auto vertex = [&](int i, int j) { return static_cast<std::uint32_t>(j * grid.width + i); };
    for (int j = 0; j + 1 < grid.height; ++j)
        for (int i = 0; i + 1 < grid.width; ++i) {
            // Lower left, lower right, upper right, upper left: counter-clockwise from above.
            const std::uint32_t corners[4] = {vertex(i, j + 1), vertex(i + 1, j + 1),
                                              vertex(i + 1, j), vertex(i, j)};
            int sum[3] = {0, 0, 0};
            for (std::uint32_t corner : corners) {
                sum[0] += Red(samples[corner]);
                sum[1] += Green(samples[corner]);
                sum[2] += Blue(samples[corner]);
            }
            relief.faceStarts.push_back(static_cast<std::uint32_t>(relief.faceIndices.size()));
            relief.faceIndices.insert(relief.faceIndices.end(), corners, corners + 4);
            relief.faceGroups.push_back(0);
            relief.faceColours.push_back(RGB((sum[0] + 2) / 4, (sum[1] + 2) / 4, (sum[2] + 2) / 4));
        }
    if (!CheckModel(relief)) return kBadValue;
    model = std::move(relief);
    return kOk;
}

Result DrawnRelief(const Document& document, Model& model) {
    const int width = document.Width();
    const int height = document.Height();
    if (width < 1 || height < 1) return kBadValue;
    const Grid grid = GridFor(width, height);
    Canvas canvas;
    if (!canvas.Create(grid.width, grid.height)) return kTooLarge;
    document.Render(canvas,
                    SourceRect{0, 0, static_cast<double>(width), static_cast<double>(height)},
                    RECT{0, 0, grid.width, grid.height});
    GdiFlush();
    std::vector<std::uint32_t> samples;
    const Result result = AllocateWorking(
        samples, static_cast<std::uint64_t>(grid.width) * static_cast<std::uint64_t>(grid.height));
    if (result != kOk) return result;
    for (int y = 0; y < grid.height; ++y)
        for (int x = 0; x < grid.width; ++x) {
            samples[static_cast<std::size_t>(y) * static_cast<std::size_t>(grid.width) +
                    static_cast<std::size_t>(x)] = canvas.Row(y)[x] | kAlphaBits;
        }
    return Build(samples, grid, width, height, model);
}

Result SampledRelief(const RasterImage& image, Model& model) {
    const Grid grid = GridFor(image.width, image.height);
    std::vector<std::uint32_t> samples;
    const Result result = AllocateWorking(
        samples, static_cast<std::uint64_t>(grid.width) * static_cast<std::uint64_t>(grid.height));
    if (result != kOk) return result;
    const SourceRect whole = {0, 0, static_cast<double>(image.width),
                              static_cast<double>(image.height)};
    ResampleToBgra(image, whole, true, samples.data(), grid.width, grid.height,
                   static_cast<std::size_t>(grid.width));
    return Build(samples, grid, image.width, image.height, model);
}

}  // namespace

Result MakeRelief(const RasterImage& image, Model& model) {
    if (image.Empty()) return kBadValue;
    return Guarded([&] { return SampledRelief(image, model); });
}

Result MakeRelief(const Document& document, Model& model) {
    if (const RasterImage* image = document.Image()) return MakeRelief(*image, model);
    return Guarded([&] { return DrawnRelief(document, model); });
}

}  // namespace pimbax::imaging
