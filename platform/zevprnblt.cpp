#include "zevprnblt.h"

namespace kelocli {

ZevPrnBlt::ZevPrnBlt(HDC) {}

ZevPrnBlt::~ZevPrnBlt() = default;

unsigned short ZevPrnBlt::ZevPrnBlit(HDC printer, BITMAPINFOHEADER* header, RECT* part,
                                     RECT* area) {
    return static_cast<unsigned short>(StretchPackedDib(printer, header, part, area, HALFTONE));
}

}  // namespace kelocli
