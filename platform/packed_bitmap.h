// Packed device-independent bitmaps as the server publishes them in mapped sections: a
// BITMAPINFOHEADER followed by its colour table and its pixel rows. Both blitters check one
// through here before reading it and draw it through here.
//
// A header is accepted when biSize is 40, it has one plane, 1, 4, 8, 16, 24 or 32 bits per pixel,
// is uncompressed (BI_RGB, or BI_BITFIELDS at 16 and 32 bits) and has at most 256 colours (at most
// 2^bits up to 8 bits), and the header, masks and colour table lie inside the readable committed
// memory that holds the header (the mapped view; found with VirtualQuery, so the bound is the
// view's end rounded up to whole pages). Drawing also needs a width and height between 1 and 2^20
// pixels (a negative height means top-down rows) and every pixel row inside that memory. The
// header and colour table are copied before use, so GDI is given exactly what was checked.
#ifndef KELOCLI_PLATFORM_PACKED_BITMAP_H
#define KELOCLI_PLATFORM_PACKED_BITMAP_H

#include <windows.h>

namespace kelocli {

// What a blitter operation gives: kDone, or why it refused.
struct BlitResults {
    enum Result : short {
        kDone = 0,
        kBadHeader = 1,     // null, or a header or colour table the blitter does not draw
        kOutsideView = 2,   // part of what the header describes lies beyond the readable memory
        kBadRectangle = 3,  // a null or empty rectangle, or a source not inside the image
        kNoPalette = 4,     // the bitmap has no colour table to realise
        kDeviceFailed = 5,  // GDI refused (no device context, palette or drawing)
    };
};

constexpr DWORD kMaxDibColours = 256;

// A checked packed bitmap: the header with its masks and colour table right behind it (a
// BITMAPINFO, copied out of the section), and where its colours and pixel rows are.
struct CheckedDib {
    BITMAPINFOHEADER header;
    unsigned char table[3 * sizeof(DWORD) + kMaxDibColours * sizeof(RGBQUAD)];
    DWORD colourCount;
    const unsigned char* colours;  // in `table`
    const void* pixels;            // first stored pixel row; null when pixels were not asked for
    LONG width;
    LONG height;  // rows, whatever their order
};

// Checks the packed bitmap at `header` and copies its heading into `checked`; `withPixels` also
// checks the extent and the pixel rows. kDone or the reason for refusing.
short CheckPackedDib(const BITMAPINFOHEADER* header, bool withPixels, CheckedDib* checked);

// Draws the part `source` of the bitmap (image pixels, origin at the top-left corner of the
// picture whatever the row order; it must lie inside the image and be non-empty) stretched onto
// `target` of `dc` with StretchDIBits in `stretchMode`. The stretch mode (and for HALFTONE the
// brush origin) of `dc` is given back afterwards.
short StretchPackedDib(HDC dc, const BITMAPINFOHEADER* header, const RECT* source,
                       const RECT* target, int stretchMode);

}  // namespace kelocli

#endif
