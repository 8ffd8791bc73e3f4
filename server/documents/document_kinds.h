// How each kind of document is made from a file's bytes and rebuilt from its serialized form.
// Internal to the document implementations and the loader.
#ifndef PIMBAX_SERVER_DOCUMENTS_DOCUMENT_KINDS_H
#define PIMBAX_SERVER_DOCUMENTS_DOCUMENT_KINDS_H

#include <cstdint>
#include <memory>
#include <string>

#include "documents/byte_stream.h"
#include "documents/document.h"

namespace pimbax {

// The first byte of Serialize's output names the kind.
constexpr std::uint8_t kMetafileTag = 'V';
constexpr std::uint8_t kSceneTag = 'M';
constexpr std::uint8_t kTextTag = 'T';

// A Wavefront OBJ model; kBadFormat when it holds nothing drawable or is damaged.
Result MakeSceneDocument(const char* text, std::size_t size, std::unique_ptr<Document>* out);
std::unique_ptr<Document> MakeTextDocument(std::wstring text);

std::unique_ptr<Document> RebuildMetafile(ByteReader& reader);
std::unique_ptr<Document> RebuildScene(ByteReader& reader);
std::unique_ptr<Document> RebuildText(ByteReader& reader);

// Decodes a raster file through WIC, keeping its depth (1, 4, 8, 24 or 32 bits) and palette.
Result DecodeRasterFile(const std::wstring& path, RasterImage& image);

}  // namespace pimbax

#endif
