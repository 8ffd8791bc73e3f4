// Raster images and drawings turned into relief models: the height is the grey level.
#ifndef PIMBAX_SERVER_IMAGING_RELIEF_H
#define PIMBAX_SERVER_IMAGING_RELIEF_H

#include "documents/document.h"
#include "documents/model.h"
#include "documents/raster_image.h"
#include "results.h"

namespace pimbax::imaging {

// The most vertices along either side of a relief.
constexpr int kMaxReliefSide = 256;

// A relief of a W x H image: a grid of gw x gh vertices, one per pixel of the image resampled
// (area averaging, alpha composited onto white) to gw = round(W s), gh = round(H s) with
// s = min(1, 256 / max(W, H)), each side at least 2 (a side of one pixel is repeated).
// - Vertex (i, j), j = 0 the top row: x = i W / (gw - 1), y = (gh - 1 - j) H / (gh - 1), so that
//   the model covers the image's size with its top row at the far (+y) side, as seen from the
//   server's first point of view; z = grey / 255 x max(W, H) / 4, white highest.
// - One four-sided face per grid cell, counter-clockwise seen from above (its normal points up),
//   coloured with the rounded average of its four corners' colours; all faces in group 0; no
//   lines.
// The model replaces `model` only on kOk. kBadValue: an empty image; kTooLarge: memory runs out.
Result MakeRelief(const RasterImage& image, Model& model);

// The same for any document: a raster document's image, any other drawn (Document::Render onto
// white) at the grid size of its nominal size.
Result MakeRelief(const Document& document, Model& model);

}  // namespace pimbax::imaging

#endif
