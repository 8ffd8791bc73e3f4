// The budgets that keep bad, huge or hostile input from taking the server down. Every size is
// computed in 64 bits and checked against its budget before anything is allocated.
#ifndef PIMBAX_SERVER_BUDGETS_H
#define PIMBAX_SERVER_BUDGETS_H

#include <cstddef>
#include <cstdint>

namespace pimbax {

// Image edges travel as 16-bit coordinates, so no image is wider or taller than this.
constexpr int kMaxImageEdge = 32767;
// Pixel data of one raster image (rows padded to 4 bytes), also of one clipboard image.
constexpr std::uint64_t kMaxPixelBytes = 256ull << 20;
// A 32-bit working canvas ("Rasterize" draws the document on one before choosing colours).
constexpr std::uint64_t kMaxCanvasBytes = 256ull << 20;
// A paint job: larger targets get a smaller picture that the helper stretches.
constexpr std::uint64_t kMaxPaintPixels = 16ull << 20;
// The picture of a drawing (metafile, model, text page) in its image section, 24 bits per pixel.
// A drawing whose nominal size needs more is published at the largest size within it.
constexpr std::uint64_t kMaxDrawnPictureBytes = 64ull << 20;
// A frame being decoded is copied from the decoder in bands of at most this many bytes.
constexpr std::uint64_t kMaxDecodeBandBytes = 4ull << 20;

// Files by kind.
constexpr std::uint64_t kMaxRasterFileBytes = 1ull << 30;
constexpr std::uint64_t kMaxMetafileBytes = 64ull << 20;
constexpr std::uint64_t kMaxModelFileBytes = 32ull << 20;
constexpr std::uint64_t kMaxTextFileBytes = 4ull << 20;
// A raster file whose header claims more than this many bytes of pixels per byte of file cannot
// hold them (no codec the server reads compresses further): it is refused before decoding. Claims
// up to kUncheckedClaimBytes are decoded whatever the file's size.
constexpr std::uint64_t kMaxPixelBytesPerFileByte = 4096;
constexpr std::uint64_t kUncheckedClaimBytes = 16ull << 20;
// A model's size after parsing; faces of more vertices are dropped (one polygon of GDI's costs
// its vertices times its height).
constexpr std::size_t kMaxModelVertices = 2u << 20;
constexpr std::size_t kMaxModelIndices = 8u << 20;
constexpr std::size_t kMaxFaceVertices = 1024;
// Drawing a model or a page in the server's own process stops after this long (DrawingTooLong).
constexpr unsigned kMaxDrawingMs = 2500;
// A metafile's table of objects.
constexpr std::uint32_t kMaxMetafileHandles = 65535;

// File names longer than Windows' long-path limit are refused.
constexpr std::size_t kMaxPathLength = 32767;
// The library widens file names into 780 units with their terminator: a name of 779 units or
// more may have been cut, so that it could name another file. Such names are refused.
constexpr std::size_t kMaxHostNameUnits = 778;

// How long the server waits for a paint to be carried out in the host process, and for the
// playback helper to draw a metafile.
constexpr unsigned kPaintTimeoutMs = 5000;
constexpr unsigned kPlaybackTimeoutMs = 4000;

}  // namespace pimbax

#endif
