// The server's previous resampler, the baseline the benchmark times the current one against.
#ifndef KELOCLI_BENCH_FLOAT_RESAMPLER_H
#define KELOCLI_BENCH_FLOAT_RESAMPLER_H

#include <cstddef>
#include <cstdint>

#include "documents/raster_image.h"

namespace bench {

// Same contract as pimbax::ResampleToBgra.
void FloatResampleToBgra(const pimbax::RasterImage& image, const pimbax::SourceRect& source,
                         bool overWhite, std::uint32_t* out, int outWidth, int outHeight,
                         std::size_t outStride);

}  // namespace bench

#endif
