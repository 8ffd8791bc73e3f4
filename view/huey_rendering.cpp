// Huey: colour picking and palette realisation.
#include "huey.h"

#include "louie.h"
#include "shared_section.h"
#include "unique_resource.h"
#include "view_geometry.h"
#include "zevblitter.h"

namespace {

constexpr short kNoPaletteSection = -250;
constexpr short kFourBitsPerPixel = 4;
constexpr int kPaletteBlitterMode = 3;

}  // namespace

long Huey::PickColor(HDC dc, IRGB* colour, POINT* point, taghueyinfo* info) {
    if (colour == nullptr || point == nullptr || info == nullptr) return 0;
    const int kind = louie != nullptr ? louie->IsRaster() : -1;
    if (kind == 0) {  // a vector drawing: the colour is what the window shows
        const COLORREF pixel = GetPixel(dc, point->x, point->y);
        colour->red = static_cast<unsigned char>(pixel & 0xFF);
        colour->green = static_cast<unsigned char>((pixel >> 8) & 0xFF);
        colour->blue = static_cast<unsigned char>((pixel >> 16) & 0xFF);
        return 0;
    }
    TransformPoint(point, info);
    if (louie == nullptr) {
        *colour = IRGB{0, 0, 0};
        return 0;
    }
    short depth = 0;
    louie->GetInfo(nullptr, nullptr, nullptr, nullptr, &depth);
    // At 4 bits per pixel two pixels share a byte: a visible part starting on an odd pixel (the
    // second half of a byte) is asked one pixel further on.
    if (depth == kFourBitsPerPixel) {
        point->x = kelocli::Plus(point->x, info->sourceRect.left & 1);
    }
    return louie->PickColor(colour, point->x, point->y);
}

short Huey::RealizePalette(HWND window, short flag) {
    if (louie == nullptr) return kNoPaletteSection;
    louie->RealizePalette(window, flag);
    kelocli::UniqueBstr name;
    louie->GetPaletteInfo(name.Receive());
    if (!name) return kNoPaletteSection;
    kelocli::UniqueHandle section = kelocli::OpenSectionForReading(name.Get());
    name.Reset();
    if (!section) return kNoPaletteSection;
    kelocli::UniqueView view = kelocli::MapSectionForReading(section.Get());
    if (!view) return kNoPaletteSection;
    {
        kelocli::ZevBlitter blitter(kPaletteBlitterMode, flag);
        // The blitter only reads the header and its colour table.
        blitter.ZevRealizePalette(window,
                                  static_cast<BITMAPINFOHEADER*>(const_cast<void*>(view.Get())));
        view.Reset();
    }
    section.Reset();
    return 0;
}
