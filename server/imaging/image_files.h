// Files the server writes: the names of file types, the options of conversions, raster images
// encoded through WIC, and files replaced whole or not at all.
//
// Functions that encode need COM on the calling thread; without it they answer kNotSupported.
// Nothing throws; inputs are never changed, and outputs are written only on kOk.
#ifndef PIMBAX_SERVER_IMAGING_IMAGE_FILES_H
#define PIMBAX_SERVER_IMAGING_IMAGE_FILES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "documents/raster_image.h"
#include "results.h"

namespace pimbax::imaging {

enum class FileType { kUnknown, kBmp, kPng, kJpeg, kGif, kTiff, kEmf, kObj, kTxt };

// A type by its name in any case: "BMP", "PNG", "JPG" or "JPEG", "GIF", "TIF" or "TIFF", "EMF",
// "OBJ", "TXT". kUnknown for anything else, the empty name and names with spaces included.
FileType FileTypeFromName(const std::wstring& name);
// A type by the extension of the path's last part (the text after its last dot), with the same
// names; kUnknown without an extension.
FileType FileTypeFromPath(const std::wstring& path);
// BMP, PNG, JPEG, GIF and TIFF.
bool IsRasterType(FileType type);

struct ConversionOptions {
    int quality = 0;  // JPEG quality 1..100; 0 when not given
    int width = 0;    // 1..kMaxImageEdge; 0 when not given
    int height = 0;   // 1..kMaxImageEdge; 0 when not given
};

// Options as "name=value" items separated by commas, e.g. "quality=90,width=800": the names
// quality, width and height in any case, each at most once, values in decimal digits; spaces
// around names and values and empty items (",,", a trailing comma, an empty text) are allowed.
// kBadValue, `options` unchanged, for an unknown name, a name given twice, an item without "=",
// or a value that is not digits or out of its range.
Result ParseConversionOptions(const std::wstring& text, ConversionOptions& options);

// The size a conversion of a `width` x `height` source writes: both option edges when both are
// given; one of them given, the other edge follows with the aspect kept (rounded, at least 1);
// neither, the source size. kTooLarge when a derived edge would pass kMaxImageEdge.
Result ConvertedSize(const ConversionOptions& options, int width, int height, int* outWidth,
                     int* outHeight);

// The bytes of a file of a raster `type` holding the image, through WIC's encoder for the type,
// with the image's resolution. The pixels go at the image's own depth where the encoder takes
// it, else in the first of these layouts it takes:
// - 1, 4, 8 bits: that depth indexed; 8 bits indexed (same palette); 8-bit grey (only when every
//   palette entry is a grey); 24 bits.
// - 24 bits: 24 bits; 8 bits indexed (the exact colours when there are at most 256, else a median
//   cut palette with error diffusion).
// - 32 bits with alpha: 32 bits with alpha; 32 bits without, then 24 bits, then 8 bits indexed,
//   each with the alpha composited onto white.
// - 32 bits without alpha: 32 bits; 24 bits; 8 bits indexed.
// Wine 8's encoders take: BMP every depth but alpha, PNG every layout (a PNG file holds 32 bits
// without alpha as 24-bit colour), JPEG 24 bits and 8-bit grey, GIF only 8 bits indexed, TIFF
// indexed, 24 bits and 32 bits with alpha only.
// `quality` (1..100) is handed to the JPEG encoder as its image quality (Wine 8's encoder ignores
// it and always writes its default quality). kBadValue: an empty image, a type that is not a
// raster type, `quality` out of range; kBadFormat when the encoder fails; kTooLarge when memory
// runs out or the bytes would pass kMaxRasterFileBytes (the most the server reads back).
Result EncodeRaster(const RasterImage& image, FileType type, int quality,
                    std::vector<std::uint8_t>& bytes);

// Writes `size` bytes as the file `path`, whole or not at all: they go to a new file beside it
// ("<path>.<process>-<n>.tmp"), which then replaces `path` in one step. On any failure the
// temporary file is deleted and an existing file at `path` is left as it was. kBadValue: an empty
// path, one longer than kMaxPathLength or holding a NUL; kUnreadable: the folder is missing or not
// writable, the disk is full, or `path` cannot be replaced (a folder, or a file in use).
Result WriteFileReplacing(const std::wstring& path, const std::uint8_t* data, std::size_t size);

// EncodeRaster, then WriteFileReplacing of the encoder's bytes in place.
Result WriteRasterFile(const std::wstring& path, const RasterImage& image, FileType type,
                       int quality);

}  // namespace pimbax::imaging

#endif
