// Drawing surfaces of the server, and the mapping from a part of a document onto a rectangle of
// any DC.
#ifndef PIMBAX_SERVER_CANVAS_H
#define PIMBAX_SERVER_CANVAS_H

#include <windows.h>

#include <cstdint>

#include "bgra_canvas.h"
#include "handles.h"
#include "documents/raster_image.h"

namespace pimbax {

// The server draws documents on 32-bit canvases.
using Canvas = kelocli::BgraCanvas;

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
