// The bounds that keep bad or huge input from taking the server down.
#ifndef PIMBAX_SERVER_SERVER_LIMITS_H
#define PIMBAX_SERVER_SERVER_LIMITS_H

#include <cstdint>

namespace pimbax {

// Image edges travel as 16-bit coordinates, so no image is wider or taller than this.
constexpr int kMaxImageEdge = 32767;
// Pixel data of one image (rows padded to 4 bytes), and of one paint job.
constexpr std::uint64_t kMaxPixelBytes = 256ull << 20;
constexpr std::uint64_t kMaxPaintPixels = 16ull << 20;
// Files by kind. Raster files are decoded by WIC, which reads only what it needs.
constexpr std::uint64_t kMaxRasterFileBytes = 1ull << 30;
constexpr std::uint64_t kMaxMetafileBytes = 64ull << 20;
constexpr std::uint64_t kMaxModelFileBytes = 64ull << 20;
constexpr std::uint64_t kMaxTextFileBytes = 4ull << 20;
// A model's size after parsing.
constexpr std::size_t kMaxModelVertices = 4u << 20;
constexpr std::size_t kMaxModelIndices = 16u << 20;
// File names arrive as BSTRs; longer ones than Windows' long-path limit are refused.
constexpr std::size_t kMaxPathLength = 32767;
// How long the server waits for a paint to be carried out in the host process.
constexpr unsigned kPaintTimeoutMs = 5000;

}  // namespace pimbax

#endif
