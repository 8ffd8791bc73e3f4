// The documents' way through the Windows clipboard: CF_DIB and CF_ENHMETAFILE. The clipboard is
// one for the whole session, so the server's objects take it one at a time (a server-wide lock
// held only around the clipboard's own calls).
#ifndef PIMBAX_SERVER_RENDERING_CLIPBOARD_H
#define PIMBAX_SERVER_RENDERING_CLIPBOARD_H

#include <windows.h>

#include <cstdint>
#include <vector>

#include "documents/document.h"
#include "documents/raster_image.h"
#include "results.h"

namespace pimbax {

// Empties the clipboard and puts one format on it, owned by `owner`. kClipboardFailed when the
// clipboard stays busy or refuses; kTooLarge when memory runs out.
Result PutDib(HWND owner, const RasterImage& image);
// A drawing as a 24-bit DIB of its nominal size, drawn in bands straight into the clipboard's
// memory; kTooLarge beyond kMaxPixelBytes. Throws what drawing the document throws.
Result PutDrawingDib(HWND owner, const Document& document);
Result PutMetafile(HWND owner, HENHMETAFILE metafile);  // takes the metafile in every case

// Reads a format from the clipboard. kClipboardFailed when it is busy or lacks the format,
// kBadFormat when the data is damaged.
Result GetDib(HWND owner, RasterImage& image);
Result GetMetafileBytes(HWND owner, std::vector<std::uint8_t>& bytes);

}  // namespace pimbax

#endif
