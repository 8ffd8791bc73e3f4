// ZevPrnBlt: the printer blitter. It prints a packed device-independent bitmap (as the server
// publishes it in a mapped section) onto a printer page, on GDI.
//
// The bitmap is checked exactly as the screen blitter checks it (see packed_bitmap.h) before
// anything of it is read; a refused bitmap or rectangle prints nothing. Indexed images go to the
// printer with their colour table; stretching uses HALFTONE.
//
// Objects are made on the heap through ZevObject's operator new for one print call and hold no
// system resources.
#ifndef KELOCLI_PLATFORM_ZEVPRNBLT_H
#define KELOCLI_PLATFORM_ZEVPRNBLT_H

#include <windows.h>

#include "packed_bitmap.h"
#include "zevobject.h"

namespace kelocli {

class ZevPrnBlt : public ZevObject, public BlitResults {
  public:
    // `printer` is the context of the page being printed; nothing is done to it here.
    explicit ZevPrnBlt(HDC printer);
    ~ZevPrnBlt();
    ZevPrnBlt(const ZevPrnBlt&) = delete;
    ZevPrnBlt& operator=(const ZevPrnBlt&) = delete;

    // Prints the part `part` of the bitmap (image pixels, origin at the top-left corner of the
    // picture; it must lie inside the image) stretched onto `area` of the page (the printer's
    // device units). kDone, or the reason for refusing (BlitResults).
    unsigned short ZevPrnBlit(HDC printer, BITMAPINFOHEADER* header, RECT* part, RECT* area);
};

}  // namespace kelocli

#endif
