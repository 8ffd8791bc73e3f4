// A document of the server: what it is (raster image, vector drawing, 3D drawing or text page),
// its size, how it draws, and the bytes it is rebuilt from.
//
// Documents are made only from input that was checked first (see each kind's maker): every size,
// count and offset a platform call will trust has been compared with what was actually read.
#ifndef PIMBAX_SERVER_DOCUMENTS_DOCUMENT_H
#define PIMBAX_SERVER_DOCUMENTS_DOCUMENT_H

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "documents/byte_stream.h"
#include "documents/raster_image.h"
#include "rendering/canvas.h"
#include "results.h"

namespace pimbax {

// The answers of "IsRaster".
constexpr short kRasterKind = 1;
constexpr short kVectorKind = 0;
constexpr short kOtherKind = -1;

class SceneDocument;
class TextDocument;

class Document {
  public:
    virtual ~Document() = default;

    virtual short Kind() const = 0;
    // The current image's size in pixels: a raster image's own, the nominal size at which the
    // other kinds are drawn (and published in the image section).
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual int Depth() const { return 24; }
    virtual int DpiX() const { return 96; }
    virtual int DpiY() const { return 96; }

    // Draws the part `source` (document pixels) stretched onto `target` of the white canvas,
    // clipped to `target`. Throws DocumentFault when drawing fails in a way that condemns the
    // document (the playback helper faulted or ran out of time on it).
    virtual void Render(Canvas& canvas, const SourceRect& source, const RECT& target) const;
    // The document as an enhanced metafile whose frame is its nominal size at 96 per inch; null
    // when it cannot be made.
    virtual HENHMETAFILE Record() const;

    // The image of a raster document; null for the other kinds.
    virtual const RasterImage* Image() const { return nullptr; }
    // Raster images are resampled (flag 0 smoothly where the depth allows, else by nearest
    // pixel); the other kinds take the size as their nominal size.
    virtual Result Resize(int width, int height, int flag) = 0;

    virtual SceneDocument* AsScene() { return nullptr; }
    virtual TextDocument* AsText() { return nullptr; }

    // Writes the bytes from which RebuildDocument makes this document again (nothing for raster
    // images, which travel as the image itself). A writer without a buffer measures them.
    virtual void Serialize(ByteWriter&) const {}

  protected:
    // Draws onto any DC, a metafile DC included: the GDI-drawn kinds implement this, and the
    // default Render and Record use it.
    virtual void Draw(HDC, const SourceRect&, const RECT&) const {}
};

// "Resize" of the drawn kinds: width x height becomes the nominal size. kBadValue, changing
// nothing, for an edge outside 1..kMaxImageEdge.
Result SetNominalSize(int width, int height, int& nominalWidth, int& nominalHeight);

std::unique_ptr<Document> MakeRasterDocument(RasterImage image);
// A metafile document from the bytes of an enhanced metafile: kOk, kBadFormat when they are not
// one or one of their records lies, kTooLarge when the system refuses the memory.
Result MakeMetafileDocument(const std::uint8_t* bytes, std::size_t size,
                            std::unique_ptr<Document>* out);

// Reads a file as a document of the kind its content shows. kOk and the document, or the error.
Result LoadDocument(const std::wstring& path, std::unique_ptr<Document>* out);
// Rebuilds a document from Serialize's bytes; null when they are damaged or lie.
std::unique_ptr<Document> RebuildDocument(const std::uint8_t* data, std::size_t size);

}  // namespace pimbax

#endif
