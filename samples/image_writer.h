// Writing image files with WIC and metafiles with GDI, for the sample documents, the
// demonstration host's snapshots and the end-to-end tests.
#ifndef KELOCLI_SAMPLES_IMAGE_WRITER_H
#define KELOCLI_SAMPLES_IMAGE_WRITER_H

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace samples {

// An image in memory: top-down rows padded to 4 bytes, 1, 4 or 8 bits per pixel with a palette,
// or 24 (BGR) or 32 (BGRA) bits.
struct Picture {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 24;
    std::vector<RGBQUAD> palette;
    std::vector<std::uint8_t> rows;
    double dpi = 96.0;

    Picture() = default;
    Picture(int width, int height, int bitsPerPixel);
    std::size_t Stride() const;
    std::uint8_t* Row(int y) { return rows.data() + Stride() * static_cast<std::size_t>(y); }
    void SetIndex(int x, int y, unsigned index);
    void SetColour(int x, int y, COLORREF colour);  // 24 and 32 bits (alpha 255)
};

// Encodes the picture into the container the file name's extension names (.bmp, .png, .jpg,
// .gif, .tif), keeping its depth where the container allows. The COM library must be initialised.
HRESULT WritePicture(const std::wstring& path, const Picture& picture);

// Records an enhanced metafile of `width` x `height` pixels (at 96 per inch) drawn by `draw`.
bool WriteMetafile(const std::wstring& path, int width, int height,
                   const std::function<void(HDC)>& draw);

// Writes bytes as they are.
bool WriteBytes(const std::wstring& path, const std::string& bytes);

// The pixels of a 32-bit top-down DIB section as a PNG, for snapshots of painted views.
HRESULT WriteBgraAsPng(const std::wstring& path, const std::uint32_t* pixels, int width,
                       int height);

}  // namespace samples

#endif
