// What imaging/ takes from WIC: the factory, and palettes in both directions. Internal.
#ifndef PIMBAX_SERVER_IMAGING_WIC_H
#define PIMBAX_SERVER_IMAGING_WIC_H

#include <wincodec.h>
#include <wrl/client.h>

#include <cstdint>
#include <vector>

#include "documents/raster_image.h"
#include "results.h"

namespace pimbax::imaging {

using Microsoft::WRL::ComPtr;

// kOk and the factory; kNotSupported when WIC cannot be reached (COM not initialised).
Result CreateWicFactory(ComPtr<IWICImagingFactory>& factory);

// The entries of a WIC palette (at most 256), alpha dropped; kTooLarge when memory runs out.
Result ReadWicPalette(IWICPalette* palette, std::vector<RGBQUAD>& entries);

// A WIC palette of the entries, opaque.
HRESULT MakeWicPalette(IWICImagingFactory* factory, const std::vector<RGBQUAD>& entries,
                       ComPtr<IWICPalette>& palette);

}  // namespace pimbax::imaging

#endif
