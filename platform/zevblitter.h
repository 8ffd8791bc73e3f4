// ZevBlitter: the screen blitter. It realises the palette of a packed device-independent bitmap
// for a window and draws such a bitmap onto a device context, on GDI.
//
// A packed bitmap is a BITMAPINFOHEADER followed by its colour table and its pixel rows, as the
// server publishes it in a mapped section. The blitter reads nothing before it has checked the
// header: biSize 40, one plane, 1, 4, 8, 16, 24 or 32 bits per pixel, uncompressed (BI_RGB, or
// BI_BITFIELDS at 16 and 32 bits), at most 256 colours (at most 2^bits up to 8 bits), and the
// header, masks and colour table inside the readable committed memory that holds the header (the
// mapped view; found with VirtualQuery, so the bound is the view's end rounded up to whole
// pages). Drawing also needs a width and height between 1 and 2^20 pixels (a negative height
// means top-down rows) and every pixel row inside that memory; realising a palette reads no
// pixels and ignores the extent. Anything else is refused with a non-zero result and nothing
// drawn or realised. The header and colour table are copied before use, so GDI is given exactly
// what was checked.
//
// Objects live for one call of the caller; they hold no system resources between calls.
#ifndef KELOCLI_PLATFORM_ZEVBLITTER_H
#define KELOCLI_PLATFORM_ZEVBLITTER_H

#include <windows.h>

namespace kelocli {

class ZevBlitter {
  public:
    // Results of the two operations.
    enum Result : short {
        kDone = 0,
        kBadHeader = 1,     // null, or a header or colour table the blitter does not draw
        kOutsideView = 2,   // part of what the header describes lies beyond the readable memory
        kBadRectangle = 3,  // a null or empty rectangle, or a source not inside the image
        kNoPalette = 4,     // the bitmap has no colour table to realise
        kDeviceFailed = 5,  // GDI refused (no device context, palette or drawing)
    };

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
    // `dc` with StretchDIBits. The stretch mode of `dc` is restored afterwards.
    short ZevBlit(HDC dc, BITMAPINFOHEADER* header, RECT* source, RECT* target);

  private:
    int stretchMode_;
    bool foreground_;
};

}  // namespace kelocli

#endif
