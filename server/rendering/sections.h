// The named sections in which the server publishes a document's current image and palette.
//
// Image section: a packed DIB (BITMAPINFOHEADER, colour table, pixels). For documents other than
// raster images the DIB is the document drawn at its nominal size, and behind the pixels follows
// the document itself ("PbxDoc01", a 64-bit length, the bytes), so that "Resurrect" rebuilds the
// drawing and not only its picture. Palette section: a BITMAPINFOHEADER describing the image and
// a colour table: the image's palette, or for 24 and 32 bits a 256-colour halftone palette
// (biClrUsed 256) for palette displays.
//
// Every publication makes a new section with a new name, "Pb" + I or P + the server's process
// identifier + "_" + a counter, in hexadecimal: at most 19 characters. A holder of an older
// section keeps its content; the server closes its own handle when it publishes anew or the
// document ends.
#ifndef PIMBAX_SERVER_SECTIONS_H
#define PIMBAX_SERVER_SECTIONS_H

#include <cstdint>
#include <string>
#include <vector>

#include "handles.h"
#include "documents/raster_image.h"
#include "results.h"

namespace pimbax {

class PublishedSection {
  public:
    bool Empty() const { return !handle_; }
    const std::wstring& Name() const { return name_; }
    void Reset();

    bool PublishImage(const RasterImage& image, const std::vector<std::uint8_t>& document);
    bool PublishPalette(const RasterImage& image);

  private:
    bool Publish(wchar_t tag, std::size_t size, std::uint8_t** view, UniqueView* mapped);

    UniqueHandle handle_;
    std::wstring name_;
};

// The colour table of the palette section for `image`.
std::vector<RGBQUAD> PublishedPalette(const RasterImage& image);

// Reads an image section by name: a packed DIB at its start, or behind an 8-byte block when its
// first 32-bit word is not 40; and the document behind the pixels, when there is one.
// kUnreadable when there is no such section, kBadFormat when its content is not an image.
Result ReadImageSection(const std::wstring& name, RasterImage& image,
                        std::vector<std::uint8_t>& document);

}  // namespace pimbax

#endif
