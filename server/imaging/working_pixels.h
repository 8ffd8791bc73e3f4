// The working form of the pixel edits: 32-bit BGRA values (blue in the low byte, alpha in the
// high byte) in top-down rows, and the checked allocations that hold them. Internal to imaging/.
#ifndef PIMBAX_SERVER_IMAGING_WORKING_PIXELS_H
#define PIMBAX_SERVER_IMAGING_WORKING_PIXELS_H

#include <windows.h>

#include <cstdint>
#include <exception>
#include <new>
#include <vector>

#include "documents/raster_image.h"
#include "results.h"
#include "budgets.h"

namespace pimbax::imaging {

constexpr std::uint32_t kColourBits = 0x00FFFFFFu;
constexpr std::uint32_t kAlphaBits = 0xFF000000u;

inline std::uint32_t Bgra(int blue, int green, int red, int alpha) {
    return static_cast<std::uint32_t>(blue) | (static_cast<std::uint32_t>(green) << 8) |
           (static_cast<std::uint32_t>(red) << 16) | (static_cast<std::uint32_t>(alpha) << 24);
}
inline int Blue(std::uint32_t c) {
    return static_cast<int>(c & 0xFF);
}
inline int Green(std::uint32_t c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
inline int Red(std::uint32_t c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

// round(0.299 R + 0.587 G + 0.114 B), exactly.
inline int Grey(std::uint32_t c) {
    return (299 * Red(c) + 587 * Green(c) + 114 * Blue(c) + 500) / 1000;
}

inline std::uint32_t FromColorref(COLORREF colour) {
    return Bgra(GetBValue(colour), GetGValue(colour), GetRValue(colour), 0);
}
inline COLORREF ToColorref(std::uint32_t c) {
    return RGB(Red(c), Green(c), Blue(c));
}
inline std::uint32_t FromEntry(const RGBQUAD& entry) {
    return Bgra(entry.rgbBlue, entry.rgbGreen, entry.rgbRed, 0);
}
inline RGBQUAD ToEntry(std::uint32_t c) {
    return RGBQUAD{static_cast<BYTE>(Blue(c)), static_cast<BYTE>(Green(c)),
                   static_cast<BYTE>(Red(c)), 0};
}

// `count` elements for working data, refused (kTooLarge) when they would pass kMaxPixelBytes or
// memory runs out; `values` is unchanged then.
template <typename T>
Result AllocateWorking(std::vector<T>& values, std::uint64_t count) {
    if (count > kMaxPixelBytes / sizeof(T)) return kTooLarge;
    try {
        std::vector<T> allocated(static_cast<std::size_t>(count));
        values.swap(allocated);
    } catch (const std::bad_alloc&) {
        return kTooLarge;
    }
    return kOk;
}

// Runs `work`, answering kTooLarge when memory runs out (or a size passes what a container holds)
// inside it: no exception leaves imaging/.
template <typename Work>
Result Guarded(const Work& work) noexcept {
    try {
        return work();
    } catch (const std::exception&) {
        return kTooLarge;
    }
}

// A copy of an image, kTooLarge when memory runs out.
Result CopyImage(const RasterImage& image, RasterImage& copy);

// The whole image as BGRA values, alpha composited onto white with `overWhite` (as for
// ReadRowBgra). kTooLarge when the copy would pass kMaxPixelBytes.
Result ReadBgra(const RasterImage& image, bool overWhite, std::vector<std::uint32_t>& bgra);

// Stores one top-down row of BGRA values into a 24- or 32-bit image; a 32-bit image keeps the
// alpha only when it has alpha, else its fourth byte becomes 255.
void WriteRowBgra(RasterImage& image, int y, const std::uint32_t* row);

// The smallest indexed depth (1, 4, 8) that holds `colours` entries.
int IndexedDepthFor(std::size_t colours);

}  // namespace pimbax::imaging

#endif
