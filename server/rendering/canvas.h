// Drawing surfaces of the server, and the mapping from a part of a document onto a rectangle of
// any DC.
#ifndef PIMBAX_SERVER_RENDERING_CANVAS_H
#define PIMBAX_SERVER_RENDERING_CANVAS_H

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "documents/raster_image.h"
#include "handles.h"

namespace pimbax {

// A white picture that GDI draws on: a DIB section selected into a memory DC, its pixels on a
// file mapping, so that another process (the playback helper) can draw on the same pixels.
// 32-bit canvases are top-down rows of 0x00RRGGBB values; 24-bit canvases are bottom-up rows
// padded to 4 bytes, as a packed DIB holds them.
class Canvas {
  public:
    Canvas() = default;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // The bytes of the pixels of such a canvas, computed in 64 bits.
    static std::uint64_t PixelBytes(int width, int height, int bitsPerPixel);

    // A canvas of width x height at 24 or 32 bits per pixel, on `section` at `offset` (a multiple
    // of 4) when one is given, else on a mapping of its own; white unless `keep` leaves the pixels
    // as they are. False when a side is below 1 or the system refuses; the canvas is then empty.
    // The caller checks the size against its budget.
    bool Create(int width, int height, int bitsPerPixel = 32, HANDLE section = nullptr,
                DWORD offset = 0, bool keep = false);

    HDC Dc() const { return dc_.Get(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    int BitsPerPixel() const { return bitsPerPixel_; }
    HANDLE Section() const { return section_; }
    DWORD Offset() const { return offset_; }
    // 32-bit canvases: row y from the top. Call GdiFlush before reading what GDI drew.
    std::uint32_t* Row(int y) const {
        return static_cast<std::uint32_t*>(bits_) + static_cast<std::size_t>(y) * width_;
    }
    const std::uint32_t* Bits() const { return static_cast<const std::uint32_t*>(bits_); }
    // The pixels as they lie in memory (24-bit canvases: the bottom row first).
    const std::uint8_t* Pixels() const { return static_cast<const std::uint8_t*>(bits_); }
    std::uint8_t* Pixels() { return static_cast<std::uint8_t*>(bits_); }

  private:
    UniqueHandle ownSection_;
    HANDLE section_ = nullptr;
    DWORD offset_ = 0;
    UniqueGdiObject bitmap_;
    UniqueMemoryDc dc_;
    void* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int bitsPerPixel_ = 0;
};

// While it lives, drawing on `dc` in document pixels lands on `target`: the part `source` of the
// document is stretched onto `target` and clipped to it. The DC's state comes back afterwards.
class DocumentMapping {
  public:
    DocumentMapping(HDC dc, const SourceRect& source, const RECT& target);
    ~DocumentMapping();
    DocumentMapping(const DocumentMapping&) = delete;
    DocumentMapping& operator=(const DocumentMapping&) = delete;

  private:
    HDC dc_;
    int saved_;
};

// The largest rectangle of the document's aspect inside (0, 0, right, bottom), against its right
// and bottom edges.
RECT FitToCorner(int documentWidth, int documentHeight, int right, int bottom);

}  // namespace pimbax

#endif
