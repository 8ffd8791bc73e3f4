// The named sections in which the server publishes a document's current image and palette, and
// from which "Resurrect" rebuilds documents.
//
// Image section: a packed DIB (BITMAPINFOHEADER, colour table, pixels). A raster image is
// published as it is. A drawing (metafile, model, text page) is drawn straight into the section
// at 24 bits: at its nominal size, or, when that would take more than kMaxDrawnPictureBytes, at
// the largest size of its aspect that fits, with the header's resolution lowered in the same
// ratio (so that width / resolution still gives the drawing's size in inches). Behind its pixels
// follows the document itself ("PbxDoc01", a 64-bit length, the bytes), written straight into
// the section too, so that "Resurrect" rebuilds the drawing and not only its picture.
//
// Palette section: a BITMAPINFOHEADER describing the current image and a colour table: the
// image's palette, or for 24 and 32 bits a 256-colour halftone palette (biClrUsed 256).
//
// Every publication makes a new section with a new name, "Pb" + I or P + the server's process
// identifier + "_" + a counter, in hexadecimal: at most 19 characters. A holder of an older
// section keeps its content. The server keeps its own handle on a section it no longer needs
// (a newer publication, the document ended) for kRetiredSectionMs more, so that a client that
// closes its object and resurrects the document on a new one from that section finds it.
#ifndef PIMBAX_SERVER_RENDERING_SECTIONS_H
#define PIMBAX_SERVER_RENDERING_SECTIONS_H

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "documents/document.h"
#include "handles.h"
#include "results.h"

namespace pimbax {

constexpr DWORD kRetiredSectionMs = 2000;

class PublishedSection {
  public:
    PublishedSection() = default;
    PublishedSection(PublishedSection&& other) noexcept = default;
    PublishedSection& operator=(PublishedSection&& other) noexcept;
    ~PublishedSection() { Reset(); }

    bool Empty() const { return !handle_; }
    const std::wstring& Name() const { return name_; }
    // Gives the section up (it stays open for kRetiredSectionMs).
    void Reset();

    // False when the system refuses the section.
    bool PublishImage(const RasterImage& image);
    // Throws what drawing the document throws.
    bool PublishDrawing(const Document& document);
    bool PublishPalette(const Document& document);

  private:
    std::uint8_t* Create(wchar_t tag, std::uint64_t size, UniqueView* mapped);

    UniqueHandle handle_;
    std::wstring name_;
};

// The size at which a drawing of this nominal size is published.
SIZE PublishedSize(int width, int height);

// Closes the retired sections whose time is up.
void CloseRetiredSections();

// Rebuilds a document from an image section: the document behind its pixels when there is one,
// else the image. The section's packed DIB is at its start, or behind an 8-byte block when its
// first 32-bit word is not 40. kUnreadable when there is no such section; kBadFormat when its
// content is not an image or the document behind it is damaged.
Result ResurrectFromSection(const std::wstring& name, std::unique_ptr<Document>* out);

}  // namespace pimbax

#endif
