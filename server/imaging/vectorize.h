// Raster images traced into drawings: regions of one colour become polygons.
//
// Both functions need COM on the calling thread (the colours are reduced as Reduce does); without
// it they answer kNotSupported. Nothing
// throws; the image is never changed and the outputs are written only on kOk.
#ifndef PIMBAX_SERVER_IMAGING_VECTORIZE_H
#define PIMBAX_SERVER_IMAGING_VECTORIZE_H

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "documents/raster_image.h"
#include "results.h"

namespace pimbax::imaging {

// One region of a traced image: pixels of one colour joined through their edges (4-connected).
// Its boundaries are closed loops (the last point joins the first) along pixel edges, with
// corners at whole pixel coordinates (x right, y down, (0, 0) the image's top-left corner), a
// point at every turn and nowhere else, each loop starting at its topmost, then leftmost corner.
// The outer boundary runs clockwise on the screen, each hole's counter-clockwise (the region on
// the right-hand side); filled by the even-odd rule they cover exactly the region's pixels. Where
// two of its pixels touch only at a corner the boundary turns at that corner, not across it.
struct TracedRegion {
    COLORREF colour;
    std::size_t pixels;
    std::vector<POINT> outer;
    std::vector<std::vector<POINT>> holes;
};

// The image's colours reduced as Reduce(image, colours, 0, 0, ...) does (no dithering), then its
// regions found; every region of fewer than `smallestRegion` pixels is merged into the neighbour
// it shares the most pixel edges with (ties: the neighbour found first in reading order), smaller
// regions first, until none is left (or one region holds the whole image); then each region is
// traced. Regions come in the reading order of their first pixel (top row first, then left).
// kBadValue: `colours` out of 2..64, `smallestRegion` below 0 (0 and 1 merge nothing), an empty
// image. kTooLarge: more than 16M pixels (the working arrays stay within kMaxPixelBytes), or
// memory runs out.
Result TraceRegions(const RasterImage& image, int colours, int smallestRegion,
                    std::vector<TracedRegion>& regions);

// The traced image as the bytes of an enhanced metafile: for each colour, in the order of its
// first region, one polygon set (PolyPolygon, even-odd filling, no outline) of the boundaries of
// all its regions. The frame is the image's size at 96 pixels per inch (W x 2540 / 96 hundredths
// of a millimetre wide), so that a reader of the frame finds the image's size, and the image's
// pixels are scaled onto it exactly. Answers as TraceRegions; also kTooLarge when the metafile
// would pass kMaxMetafileBytes.
Result Vectorize(const RasterImage& image, int colours, int smallestRegion,
                 std::vector<std::uint8_t>& metafile);

}  // namespace pimbax::imaging

#endif
