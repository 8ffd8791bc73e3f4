// A raster image held the way GDI and the shared sections want it: a device-independent bitmap
// with bottom-up rows padded to 4 bytes, 1, 4, 8, 24 or 32 bits per pixel, and a palette for the
// indexed depths. The pixel work of the server (resampling, depth conversion, packed DIBs) is
// pure functions over it.
#ifndef PIMBAX_SERVER_DOCUMENTS_RASTER_IMAGE_H
#define PIMBAX_SERVER_DOCUMENTS_RASTER_IMAGE_H

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pimbax {

struct RasterImage {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;   // 1, 4, 8, 24 or 32
    bool hasAlpha = false;  // 32 bits per pixel whose fourth byte is an alpha channel
    int dpiX = 96;
    int dpiY = 96;
    std::vector<RGBQUAD> palette;      // indexed depths: at most 2^bitsPerPixel entries
    std::vector<std::uint8_t> pixels;  // bottom-up rows, each padded to 4 bytes

    bool Empty() const { return width <= 0 || height <= 0; }
    std::size_t Stride() const;
    // Row y counted from the top.
    const std::uint8_t* TopRow(int y) const;
    std::uint8_t* TopRow(int y);
};

bool IsSupportedDepth(int bitsPerPixel);
// The bytes of one DIB row, padded to 4 bytes.
inline std::size_t DibStride(int width, int bitsPerPixel) {
    return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel) + 31) / 32) *
           4;
}

// Sets the size and depth and zeroes the pixels (palette and alpha untouched). False, leaving the
// image unchanged, when an edge is not in 1..kMaxImageEdge, the depth is not supported, the pixel
// data would pass kMaxPixelBytes, or memory runs out.
bool AllocatePixels(RasterImage& image, int width, int height, int bitsPerPixel);

// The raw value of one pixel (palette index, or the packed colour bytes) and its colour as a
// COLORREF (red in the low byte). The point must lie inside the image.
std::uint32_t PixelValue(const RasterImage& image, int x, int y);
void SetPixelValue(RasterImage& image, int x, int y, std::uint32_t value);
COLORREF PixelColor(const RasterImage& image, int x, int y);

// One row (from the top) as 32-bit BGRA values; alpha is 255 unless the image has alpha. With
// `overWhite`, alpha is composited onto white and the result is opaque.
void ReadRowBgra(const RasterImage& image, int y, bool overWhite, std::uint32_t* out);

// A part of an image in image pixels, edges may be fractional and may lie outside the image.
struct SourceRect {
    double left, top, right, bottom;
};

// Resamples `source` into `outWidth` x `outHeight` BGRA pixels: area averaging where the image
// shrinks, nearest pixel where it grows (along each axis on its own). Whatever of `source` lies
// outside the image comes out white (opaque); `overWhite` as for ReadRowBgra. Averages are within
// one level of the exact ones; nearest pixels are exact. A source with an edge that is not a
// number or lies beyond 2^40 pixels comes out all white. Only the output rows from `firstRow` on,
// at most `rowCount` of them (all when negative), are written: top-down, `outStride` pixels apart,
// the first of them at `out`. Large jobs run on several threads; the call returns when all the
// pixels are written. A call whose object has been dropped ends (CallCancelled) before any work.
void ResampleToBgra(const RasterImage& image, const SourceRect& source, bool overWhite,
                    std::uint32_t* out, int outWidth, int outHeight, std::size_t outStride,
                    int firstRow = 0, int rowCount = -1);

// A new size by nearest pixel, depth and palette kept. False when the size is refused.
bool ResizeNearest(const RasterImage& image, int width, int height, RasterImage& out);
// A new size by area averaging (24 and 32 bits; the indexed depths by nearest pixel), worked in
// bands of rows. False when the size is refused.
bool ResizeSmooth(const RasterImage& image, int width, int height, RasterImage& out);

// Packs top-down BGRA pixels into an image of the given depth. 24 and 32 bits keep the colours
// (32 bits keeps alpha when `keepAlpha`); 1, 4 and 8 bits take the exact colours as palette when
// there are few enough, else a palette chosen by median cut (black and white for 1 bit) with
// error diffusion. False when the size or depth is refused.
bool PackBgra(const std::uint32_t* bgra, int width, int height, int bitsPerPixel, bool keepAlpha,
              RasterImage& out);

// Maps top-down BGRA pixels onto `palette` (1 to 256 entries): `indices` receives one entry index
// per pixel, the entry nearest (red, green and blue weighted 3, 4, 2) to the pixel's cell of 5
// bits per channel; with `dither`, Floyd-Steinberg error diffusion spreads each pixel's error.
// False, leaving `indices` unchanged, for an empty or oversized palette or when memory runs out.
bool MapToPalette(const std::uint32_t* bgra, int width, int height,
                  const std::vector<RGBQUAD>& palette, bool dither,
                  std::vector<std::uint8_t>& indices);

// The BITMAPINFOHEADER and colour table that describe the image.
std::size_t DibInfoSize(const RasterImage& image);
void WriteDibInfo(const RasterImage& image, std::uint8_t* out);

// Packed DIB: BITMAPINFOHEADER, colour table, pixels.
std::size_t PackedDibSize(const RasterImage& image);
void WritePackedDib(const RasterImage& image, std::uint8_t* out);
// Reads a packed DIB of `size` bytes: BI_RGB at 1, 4, 8, 16, 24 or 32 bits, BI_BITFIELDS at 16 or
// 32 bits, rows bottom-up or top-down; 16 bits become 24. `consumed` receives the bytes used.
// False, with `out` unchanged, for anything malformed, truncated or beyond the limits.
bool ReadPackedDib(const std::uint8_t* data, std::size_t size, RasterImage& out,
                   std::size_t* consumed);
// The length of the packed DIB at `data` (header, colour table, pixels), checked as ReadPackedDib
// checks it, without reading its pixels. False when it is not one.
bool MeasurePackedDib(const std::uint8_t* data, std::size_t size, std::size_t* length);

}  // namespace pimbax

#endif
