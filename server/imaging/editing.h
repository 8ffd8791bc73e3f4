// The editing commands on raster images, as pure functions.
//
// Common to every function here:
// - `image` is a valid image (1, 4, 8, 24 or 32 bits, a palette at the indexed depths); it is
//   never changed. The edited image goes to `out` only when the answer is kOk; on any other
//   answer `out` is untouched. `out` may be the same object as `image`.
// - Answers: kOk; kBadValue for an argument out of its range (each function names its ranges) or
//   an empty image; kTooLarge when the result or a working copy would pass the server's limits
//   (kMaxImageEdge, kMaxPixelBytes: a 32-bit working copy holds at most 64M pixels) or memory
//   runs out. Nothing throws.
// - Colours are COLORREFs (red in the low byte) where they are arguments. "Grey" of a colour is
//   round(0.299 R + 0.587 G + 0.114 B) with halves rounded up, computed exactly in integers.
// - The resolution (dpiX, dpiY) is kept (swapped by quarter turns).
// - Colour edits that keep the depth work on what is stored: an indexed image has its palette
//   entries edited (its pixel indices stay), a 24- or 32-bit image its pixels; a 32-bit image
//   keeps its alpha channel as it is. Edits that make an indexed result (Grayize, Blackize,
//   Reduce) or a 24-bit one (Rotate, mode 1, of an indexed image) see the image as it looks:
//   alpha composited onto white.
// - Reduce needs COM on the calling thread (it takes its palettes from WIC); without it, it
//   answers kNotSupported.
#ifndef PIMBAX_SERVER_IMAGING_EDITING_H
#define PIMBAX_SERVER_IMAGING_EDITING_H

#include <windows.h>

#include "documents/raster_image.h"
#include "results.h"

namespace pimbax::imaging {

// Turns the image by `degrees` clockwise as seen on the screen (90: the top row becomes the right
// column, its left end at the top). Any value; it is taken modulo 360.
// - Multiples of 90: an exact permutation of the pixels at the image's own depth, palette and
//   alpha kept, whatever `mode` and `grey` are; 90 and 270 swap width, height and resolution.
// - Other angles: the turned image, about its centre, on the smallest canvas that holds it,
//   width = ceil(W |cos| + H |sin|) and height = ceil(W |sin| + H |cos|); each canvas pixel takes
//   the image point under its centre. Mode 0: the nearest pixel, the depth kept; an indexed image
//   gets the background grey as a palette entry (an existing entry of exactly that grey, else one
//   appended while the palette has room, else the nearest entry). Mode 1: bilinear between the
//   four nearest pixels, the background counting as pixels outside the image; indexed and
//   24-bit images become 24-bit, 32-bit images stay 32-bit with their alpha. Canvas pixels
//   outside the turned image are the opaque grey (grey, grey, grey).
// kBadValue: `mode` not 0 or 1, `grey` not in 0..255 (checked for every angle).
Result Rotate(const RasterImage& image, int degrees, int mode, int grey, RasterImage& out);

// Keeps the pixels [left, right) x [top, bottom) (x right, y down from the top-left corner),
// the rectangle first clipped to the image. Depth, palette and alpha kept.
// kBadValue: nothing left after clipping (also when left >= right or top >= bottom).
Result Crop(const RasterImage& image, int left, int top, int right, int bottom, RasterImage& out);

// 8 bits with the 256-grey palette (entry i is (i, i, i)); each pixel's index is its grey.
Result Grayize(const RasterImage& image, RasterImage& out);

// 1 bit with the palette black (index 0), white (index 1): white where the grey is 128 or more.
Result Blackize(const RasterImage& image, RasterImage& out);

// At most `colours` colours (2..256), at the smallest depth of 1, 4 and 8 bits that holds the
// colours the pixels use; the palette holds exactly those, in the order of the chosen palette.
// - `palette` 0, an optimised palette: when the image has no more than `colours` distinct colours
//   they are kept exactly (the palette sorted by value); else WIC's median cut of the image's
//   colours (of a regular sample of at most 4M pixels for larger images).
// - `palette` 1, a fixed halftone palette: the largest of WIC's predefined palettes black and
//   white (2 entries), halftone 8 (16), 27 (28), 64 (72), 125 (126), 216 (224), 252 (252) and
//   256 (256) that has at most `colours` entries; every pixel is mapped, even with few colours.
// - `dither` 0: each pixel takes the nearest entry (red, green, blue weighted 3, 4, 2, looked up
//   per cell of 5 bits per channel); 1: Floyd-Steinberg error diffusion.
// kBadValue: `colours`, `dither` or `palette` out of range.
Result Reduce(const RasterImage& image, int colours, int dither, int palette, RasterImage& out);

// Histogram equalisation of the grey levels: with N pixels, h(v) the number of pixels of grey v,
// cdf(v) = h(0) + ... + h(v) and m the smallest grey present, every channel value c becomes
// round(255 (cdf(c) - cdf(m)) / (N - cdf(m))), at least 0. An image of one grey level (the
// divisor 0) comes back unchanged.
Result Equalize(const RasterImage& image, RasterImage& out);

// Each of red, green and blue given in hundredths (1..1000, 100 = unchanged): a channel value v
// becomes round(255 (v / 255)^(100 / g)).
// kBadValue: a value out of 1..1000.
Result Gamma(const RasterImage& image, int red, int green, int blue, RasterImage& out);

// Every channel c becomes 255 - c.
Result Invert(const RasterImage& image, RasterImage& out);

// Black (0, 0, 0) becomes white (255, 255, 255) and white black, every other colour unchanged.
// A 1-bit image instead has every pixel's bit flipped, its palette unchanged.
Result ReverseBW(const RasterImage& image, RasterImage& out);

// Every colour exactly `from` becomes `to` (bits 24..31 of both ignored); nothing matching leaves
// the image as it was, answered kOk.
Result ChangeColor(const RasterImage& image, COLORREF from, COLORREF to, RasterImage& out);

}  // namespace pimbax::imaging

#endif
