// Small pictures for the imaging tests: built from colours, read back as colours.
#ifndef PIMBAX_SERVER_TESTS_IMAGING_TEST_SUPPORT_H
#define PIMBAX_SERVER_TESTS_IMAGING_TEST_SUPPORT_H

#include <windows.h>

#include <cstdint>
#include <vector>

#include "documents/raster_image.h"

namespace imaging_tests {

// An image of `width` x (colours / width) pixels, rows top first, at `bits` (indexed depths take
// the exact colours as palette, sorted by value).
inline pimbax::RasterImage Picture(int width, const std::vector<COLORREF>& colours, int bits) {
    std::vector<std::uint32_t> bgra;
    for (COLORREF c : colours) {
        bgra.push_back(0xFF000000u | (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
                       (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c));
    }
    pimbax::RasterImage image;
    pimbax::PackBgra(bgra.data(), width, static_cast<int>(colours.size()) / width, bits, false,
                     image);
    return image;
}

inline std::vector<COLORREF> Colours(const pimbax::RasterImage& image) {
    std::vector<COLORREF> colours;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) colours.push_back(pimbax::PixelColor(image, x, y));
    return colours;
}

}  // namespace imaging_tests

#endif
