#include "zevblitter.h"

#include <cstddef>
#include <cstring>

#include "unique_resource.h"

namespace kelocli {

namespace {

struct PaletteRecord {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[kMaxDibColours];
};
static_assert(offsetof(PaletteRecord, palPalEntry) == offsetof(LOGPALETTE, palPalEntry),
              "a PaletteRecord is a LOGPALETTE with room for every colour");

}  // namespace

ZevBlitter::ZevBlitter(int stretchMode, int paletteFlag)
    : stretchMode_(stretchMode >= BLACKONWHITE && stretchMode <= HALFTONE ? stretchMode
                                                                          : COLORONCOLOR),
      foreground_(paletteFlag != 0) {}

ZevBlitter::~ZevBlitter() = default;

short ZevBlitter::ZevRealizePalette(HWND window, BITMAPINFOHEADER* header) {
    CheckedDib dib;
    const short checked = CheckPackedDib(header, false, &dib);
    if (checked != kDone) return checked;
    if (dib.colourCount == 0) return kNoPalette;

    PaletteRecord record;
    record.palVersion = 0x300;
    record.palNumEntries = static_cast<WORD>(dib.colourCount);
    for (DWORD i = 0; i < dib.colourCount; ++i) {
        RGBQUAD colour;
        std::memcpy(&colour, dib.colours + i * sizeof(RGBQUAD), sizeof colour);
        record.palPalEntry[i] = {colour.rgbRed, colour.rgbGreen, colour.rgbBlue, 0};
    }
    UniqueGdiObject palette(CreatePalette(reinterpret_cast<const LOGPALETTE*>(&record)));
    if (!palette) return kDeviceFailed;
    const WindowDc dc(window);
    if (dc.Get() == nullptr) return kDeviceFailed;
    const HPALETTE previous =
        SelectPalette(dc.Get(), static_cast<HPALETTE>(palette.Get()), foreground_ ? FALSE : TRUE);
    if (previous == nullptr) return kDeviceFailed;
    const UINT mapped = RealizePalette(dc.Get());
    // Our palette must not stay selected when it is deleted.
    SelectPalette(dc.Get(), previous, TRUE);
    return mapped == GDI_ERROR ? kDeviceFailed : kDone;
}

short ZevBlitter::ZevBlit(HDC dc, BITMAPINFOHEADER* header, RECT* source, RECT* target) {
    return StretchPackedDib(dc, header, source, target, stretchMode_);
}

}  // namespace kelocli
