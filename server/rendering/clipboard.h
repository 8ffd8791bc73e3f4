// The documents' way through the Windows clipboard: CF_DIB and CF_ENHMETAFILE.
#ifndef PIMBAX_SERVER_CLIPBOARD_H
#define PIMBAX_SERVER_CLIPBOARD_H

#include <windows.h>

#include <cstdint>
#include <vector>

#include "documents/raster_image.h"
#include "results.h"

namespace pimbax {

// Empties the clipboard and puts one format on it, owned by `owner`. kClipboardFailed when the
// clipboard stays busy or refuses; kTooLarge when memory runs out.
Result PutDib(HWND owner, const RasterImage& image);
Result PutMetafile(HWND owner, HENHMETAFILE metafile);  // takes the metafile in every case

// Reads a format from the clipboard. kClipboardFailed when it is busy or lacks the format,
// kBadFormat when the data is damaged.
Result GetDib(HWND owner, RasterImage& image);
Result GetMetafileBytes(HWND owner, std::vector<std::uint8_t>& bytes);

}  // namespace pimbax

#endif
