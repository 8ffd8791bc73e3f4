// A document of the server: what it is (raster image, vector drawing, 3D drawing or text page),
// its size, and how it draws.
#ifndef PIMBAX_SERVER_DOCUMENT_H
#define PIMBAX_SERVER_DOCUMENT_H

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "rendering/canvas.h"
#include "documents/raster_image.h"
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
    // other kinds are drawn (and rasterized for the image section).
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual int Depth() const { return 24; }
    virtual int DpiX() const { return 96; }
    virtual int DpiY() const { return 96; }

    // Draws the part `source` (document pixels) stretched onto `target` of any DC, a metafile DC
    // included, clipped to `target`.
    virtual void Draw(HDC dc, const SourceRect& source, const RECT& target) const = 0;
    // The same onto a white canvas; raster images resample themselves for quality.
    virtual void Render(Canvas& canvas, const SourceRect& source, const RECT& target) const;

    // The image of a raster document; null for the other kinds.
    virtual const RasterImage* Image() const { return nullptr; }
    // Raster images are resampled (flag 0 smoothly where the depth allows, else by nearest
    // pixel); the other kinds take the size as their nominal size.
    virtual Result Resize(int width, int height, int flag) = 0;

    virtual SceneDocument* AsScene() { return nullptr; }
    virtual TextDocument* AsText() { return nullptr; }

    // The bytes from which RebuildDocument makes this document again; empty for raster images,
    // which travel as the image itself.
    virtual std::vector<std::uint8_t> Serialize() const { return {}; }
};

std::unique_ptr<Document> MakeRasterDocument(RasterImage image);
// A metafile document from the bytes of an enhanced metafile; null when they are not one.
std::unique_ptr<Document> MakeMetafileDocument(const std::uint8_t* bytes, std::size_t size);

// Reads a file as a document of the kind its content shows. kOk and the document, or the error.
Result LoadDocument(const std::wstring& path, std::unique_ptr<Document>* out);
// Rebuilds a document from Serialize's bytes; null when they are damaged.
std::unique_ptr<Document> RebuildDocument(const std::uint8_t* data, std::size_t size);

}  // namespace pimbax

#endif
