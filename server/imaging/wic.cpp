#include "imaging/wic.h"

#include <new>

namespace pimbax::imaging {

Result CreateWicFactory(ComPtr<IWICImagingFactory>& factory) {
    const HRESULT code = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_PPV_ARGS(&factory));
    if (code == E_OUTOFMEMORY) return kTooLarge;
    return SUCCEEDED(code) ? kOk : kNotSupported;
}

Result ReadWicPalette(IWICPalette* palette, std::vector<RGBQUAD>& entries) {
    WICColor colours[256];
    UINT count = 0;
    if (FAILED(palette->GetColors(256, colours, &count))) return kBadFormat;
    try {
        entries.clear();
        for (UINT i = 0; i < count; ++i) {
            const WICColor c = colours[i];
            entries.push_back(RGBQUAD{static_cast<BYTE>(c & 0xFF),
                                      static_cast<BYTE>((c >> 8) & 0xFF),
                                      static_cast<BYTE>((c >> 16) & 0xFF), 0});
        }
    } catch (const std::bad_alloc&) {
        return kTooLarge;
    }
    return kOk;
}

HRESULT MakeWicPalette(IWICImagingFactory* factory, const std::vector<RGBQUAD>& entries,
                       ComPtr<IWICPalette>& palette) {
    WICColor colours[256];
    const std::size_t count = entries.size() < 256 ? entries.size() : 256;
    for (std::size_t i = 0; i < count; ++i) {
        colours[i] = 0xFF000000u | (static_cast<WICColor>(entries[i].rgbRed) << 16) |
                     (static_cast<WICColor>(entries[i].rgbGreen) << 8) | entries[i].rgbBlue;
    }
    HRESULT code = factory->CreatePalette(&palette);
    if (SUCCEEDED(code)) code = palette->InitializeCustom(colours, static_cast<UINT>(count));
    return code;
}

}  // namespace pimbax::imaging
