// Raster files are checked by the server itself before any decoder sees them: the structure of
// the file (blocks, chunks, strips lying inside it, no truncation) and what its header claims
// (edges, the bytes of pixels a decoder will hold, and whether a file of this size can hold them).
//
// The decoders of the system trust the header: they allocate for the size it claims, some for all
// frames at once, before they find out that the data is not there. So claims are weighed first:
//  - an edge above kMaxImageEdge, or more than kMaxPixelBytes of pixels (at the larger of the
//    file's and the decoded depth; GIF: all frames together, which decoders read at once):
//    kTooLarge;
//  - a broken or truncated structure: kBadFormat;
//  - more pixels than the file can hold: uncompressed BMP and TIFF data shorter than their rows,
//    PNG claiming more than deflate can give (1100 bytes per byte of image data), the other
//    formats more than kMaxPixelBytesPerFileByte per byte of file (claims up to
//    kUncheckedClaimBytes pass whatever the size): kBadFormat.
#ifndef PIMBAX_SERVER_DOCUMENTS_RASTER_CHECK_H
#define PIMBAX_SERVER_DOCUMENTS_RASTER_CHECK_H

#include <windows.h>

#include <cstdint>

#include "results.h"

namespace pimbax {

// What a checked file claims.
struct RasterClaim {
    int width = 0;
    int height = 0;
    std::uint64_t pixelBytes = 0;  // the most a decoder holds at once
};

// Checks the raster file open as `file` (read from its start) of `size` bytes.
Result CheckRasterFile(HANDLE file, std::uint64_t size, RasterClaim* claim);

}  // namespace pimbax

#endif
