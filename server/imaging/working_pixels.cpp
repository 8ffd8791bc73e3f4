#include "imaging/working_pixels.h"

#include <cstring>

namespace pimbax::imaging {

Result CopyImage(const RasterImage& image, RasterImage& copy) {
    try {
        copy = image;
    } catch (const std::bad_alloc&) {
        return kTooLarge;
    }
    return kOk;
}

Result ReadBgra(const RasterImage& image, bool overWhite, std::vector<std::uint32_t>& bgra) {
    const std::uint64_t width = static_cast<std::uint64_t>(image.width);
    std::vector<std::uint32_t> pixels;
    const Result result = AllocateWorking(pixels, width * static_cast<std::uint64_t>(image.height));
    if (result != kOk) return result;
    for (int y = 0; y < image.height; ++y) {
        ReadRowBgra(image, y, overWhite, pixels.data() + static_cast<std::size_t>(y) * width);
    }
    bgra.swap(pixels);
    return kOk;
}

void WriteRowBgra(RasterImage& image, int y, const std::uint32_t* row) {
    std::uint8_t* target = image.TopRow(y);
    if (image.bitsPerPixel == 32) {
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t c = image.hasAlpha ? row[x] : (row[x] | kAlphaBits);
            std::memcpy(target + static_cast<std::size_t>(x) * 4, &c, 4);
        }
        return;
    }
    for (int x = 0; x < image.width; ++x) {
        std::uint8_t* p = target + static_cast<std::size_t>(x) * 3;
        p[0] = static_cast<std::uint8_t>(Blue(row[x]));
        p[1] = static_cast<std::uint8_t>(Green(row[x]));
        p[2] = static_cast<std::uint8_t>(Red(row[x]));
    }
}

int IndexedDepthFor(std::size_t colours) {
    return colours <= 2 ? 1 : colours <= 16 ? 4 : 8;
}

}  // namespace pimbax::imaging
