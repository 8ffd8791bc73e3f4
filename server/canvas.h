// Drawing surfaces of the server: a 32-bit top-down DIB section with its memory DC, and the
// mapping from a part of a document onto a rectangle of any DC.
#ifndef PIMBAX_SERVER_CANVAS_H
#define PIMBAX_SERVER_CANVAS_H

#include <windows.h>

#include <cstdint>

#include "raster_image.h"
#include "handles.h"

namespace pimbax {

class Canvas {
  public:
    Canvas() = default;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // A white canvas of width x height, its pixels in `section` at `offset` (a multiple of 4)
    // when a section is given, else in memory of its own. False when GDI refuses.
    bool Create(int width, int height, HANDLE section = nullptr, DWORD offset = 0);

    HDC Dc() const { return dc_.Get(); }
    std::uint32_t* Bits() const { return bits_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Pixels are rows of Width() values, top row first.
    std::uint32_t* Row(int y) const { return bits_ + static_cast<std::size_t>(y) * width_; }

  private:
    UniqueGdiObject bitmap_;
    UniqueMemoryDc dc_;
    std::uint32_t* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
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
