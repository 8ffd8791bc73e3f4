// Enhanced metafiles are checked record by record before anything plays them.
//
// GDI's playback trusts every record: a point count, a bitmap offset, a string length or an
// object index that lies sends it reading or writing outside the record. So the server keeps a
// metafile only as a checked copy:
//  - the framing: the header describes the bytes, records are at least 8 bytes, multiples of 4,
//    inside the file, and the last one is EMR_EOF;
//  - every record of a kind the server plays has its counts, offsets and sizes checked against
//    the record itself (points, polygon counts summing to the points, strings and their advances,
//    bitmap headers, colour tables and pixel rows, region rectangles, pen style entries, palette
//    entries, gradient vertices and the indices into them) and its object indices against the
//    header's table; a record that fails makes the whole metafile refused (kBadFormat);
//  - records of other kinds, and records of played kinds whose content the server does not take
//    (compressed bitmaps, pattern brushes given by memory handle, transforms that are not finite
//    numbers), are left out of the copy;
//  - the header's description and pixel-format fields are cleared when they point outside it,
//    and its counts are those of the copy.
#ifndef PIMBAX_SERVER_DOCUMENTS_METAFILE_CHECK_H
#define PIMBAX_SERVER_DOCUMENTS_METAFILE_CHECK_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "results.h"

namespace pimbax {

// The length of a well-framed metafile at the start of `bytes` (header and records up to EMR_EOF),
// or 0.
std::size_t FramedLength(const std::uint8_t* bytes, std::size_t size);

// kOk and the checked copy in `checked`; kBadFormat when the framing is broken or a record lies;
// kTooLarge when memory runs out.
Result CheckMetafile(const std::uint8_t* bytes, std::size_t size,
                     std::vector<std::uint8_t>& checked);

}  // namespace pimbax

#endif
