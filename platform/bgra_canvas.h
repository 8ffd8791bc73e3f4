// A drawing surface of 32-bit pixels: a top-down DIB section selected into a memory DC, so that
// GDI can draw on it and its pixels can be read and written directly.
#ifndef KELOCLI_PLATFORM_BGRA_CANVAS_H
#define KELOCLI_PLATFORM_BGRA_CANVAS_H

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "unique_resource.h"

namespace kelocli {

class BgraCanvas {
  public:
    BgraCanvas() = default;
    BgraCanvas(const BgraCanvas&) = delete;
    BgraCanvas& operator=(const BgraCanvas&) = delete;

    // A canvas of width x height filled with `fill`, its pixels in `section` at `offset` (a
    // multiple of 4) when a section is given, else in memory of its own. False when GDI refuses
    // (or a side is below 1); the canvas is then empty.
    bool Create(int width, int height, COLORREF fill, HANDLE section = nullptr, DWORD offset = 0);

    // A canvas of the screen's size holding what the screen shows now. False when GDI refuses.
    bool CaptureScreen();

    HDC Dc() const { return dc_.Get(); }
    // Pixels are rows of Width() values 0x00RRGGBB, top row first. Call GdiFlush before reading
    // what GDI drew.
    std::uint32_t* Bits() const { return bits_; }
    std::uint32_t* Row(int y) const { return bits_ + static_cast<std::size_t>(y) * width_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The colour of pixel (x, y), after flushing GDI's pending drawing.
    COLORREF At(int x, int y) const;

  private:
    UniqueGdiObject bitmap_;
    UniqueMemoryDc dc_;
    std::uint32_t* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace kelocli

#endif
