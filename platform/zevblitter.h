// ZevBlitter: the screen blitter. It realises the palette of a packed device-independent bitmap
// for a window and draws such a bitmap onto a device context, on GDI.
//
// A packed bitmap is checked before anything of it is read (see packed_bitmap.h); anything refused
// gives a non-zero result and nothing drawn or realised. Realising a palette reads no pixels and
// ignores the extent.
//
// Objects live for one call of the caller; they hold no system resources between calls.
#ifndef KELOCLI_PLATFORM_ZEVBLITTER_H
#define KELOCLI_PLATFORM_ZEVBLITTER_H

#include <windows.h>

#include "packed_bitmap.h"

namespace kelocli {

class ZevBlitter : public BlitResults {
  public:
    // `stretchMode`: how ZevBlit stretches, as SetStretchBltMode takes it (1 BLACKONWHITE,
    // 2 WHITEONBLACK, 3 COLORONCOLOR, 4 HALFTONE); any other value counts as 3.
    // `paletteFlag`: 0 realises ZevRealizePalette's palette as a background palette; any other
    // value realises it in the foreground.
    ZevBlitter(int stretchMode, int paletteFlag);
    ~ZevBlitter();
    ZevBlitter(const ZevBlitter&) = delete;
    ZevBlitter& operator=(const ZevBlitter&) = delete;

    // Builds a logical palette from the bitmap's colour table and selects and realises it in the
    // window's device context (the screen's for a null window); the context is given back with
    // its own palette selected again. kDone, or the reason for refusing.
    short ZevRealizePalette(HWND window, BITMAPINFOHEADER* header);

    // Draws the part `source` of the bitmap (image pixels, origin at the top-left corner of the
    // picture whatever the row order; it must lie inside the image) stretched onto `target` of
    // `dc` with StretchDIBits. The stretch mode of `dc` is given back afterwards.
    short ZevBlit(HDC dc, BITMAPINFOHEADER* header, RECT* source, RECT* target);

  private:
    int stretchMode_;
    bool foreground_;
};

}  // namespace kelocli

#endif
