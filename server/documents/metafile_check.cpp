#include "documents/metafile_check.h"

#include <windows.h>

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "budgets.h"

namespace pimbax {

namespace {

constexpr std::size_t kHeaderMinimum = 88;

enum class Verdict { Keep, Drop, Lie };

// One record, read with every access checked against its size.
class Record {
  public:
    Record(const std::uint8_t* bytes, std::uint32_t size) : bytes_(bytes), size_(size) {}
    std::uint32_t Type() const { return U32(0); }
    std::uint32_t Size() const { return size_; }
    bool Holds(std::uint64_t bytes) const { return bytes <= size_; }
    std::uint32_t U32(std::size_t offset) const {
        std::uint32_t value = 0;
        if (offset + 4 <= size_) std::memcpy(&value, bytes_ + offset, 4);
        return value;
    }
    std::int32_t I32(std::size_t offset) const { return static_cast<std::int32_t>(U32(offset)); }
    bool Finite(std::size_t offset, int count) const {
        for (int i = 0; i < count; ++i) {
            float value = 0;
            const std::uint32_t bits = U32(offset + 4 * static_cast<std::size_t>(i));
            std::memcpy(&value, &bits, 4);
            if (!std::isfinite(value)) return false;
        }
        return true;
    }

  private:
    const std::uint8_t* bytes_;
    std::uint32_t size_;
};

Verdict Sized(const Record& record, std::uint64_t minimum) {
    return record.Holds(minimum) ? Verdict::Keep : Verdict::Lie;
}

// A verdict, made stricter by another.
Verdict And(Verdict a, Verdict b) {
    if (a == Verdict::Lie || b == Verdict::Lie) return Verdict::Lie;
    return (a == Verdict::Drop || b == Verdict::Drop) ? Verdict::Drop : Verdict::Keep;
}

class Checker {
  public:
    explicit Checker(std::uint32_t handles) : handles_(handles) {}

    Verdict Check(const Record& r) const;

  private:
    // An index into the object table (never 0, the metafile's own entry); with `stock`, a stock
    // object (high bit set) is taken as well.
    Verdict Object(std::uint32_t index, bool stock) const {
        if (stock && (index & 0x80000000u) != 0) {
            return (index & 0x7FFFFFFFu) <= STOCK_LAST ? Verdict::Keep : Verdict::Lie;
        }
        return (index >= 1 && index < handles_) ? Verdict::Keep : Verdict::Lie;
    }

    // `count` at `countOffset`, then that many points of `pointBytes` (and `extra` bytes more
    // each, the POLYDRAW types) from `first` on.
    static Verdict Points(const Record& r, std::size_t countOffset, std::size_t first,
                          std::uint64_t pointBytes, std::uint64_t extra = 0) {
        if (!r.Holds(first)) return Verdict::Lie;
        return Sized(r, first + r.U32(countOffset) * (pointBytes + extra));
    }

    // nPolys at 24, the point count at 28, the polygon counts, then the points; the counts must
    // add up to no more than the points.
    static Verdict PolyPoly(const Record& r, std::uint64_t pointBytes) {
        if (!r.Holds(32)) return Verdict::Lie;
        const std::uint64_t polygons = r.U32(24);
        const std::uint64_t points = r.U32(28);
        if (!r.Holds(32 + polygons * 4 + points * pointBytes)) return Verdict::Lie;
        std::uint64_t sum = 0;
        for (std::uint64_t i = 0; i < polygons; ++i) sum += r.U32(32 + i * 4);
        return sum <= points ? Verdict::Keep : Verdict::Lie;
    }

    // A BITMAPINFO and its pixels inside the record.
    static Verdict Bitmap(const Record& r, std::uint32_t offInfo, std::uint32_t infoBytes,
                          std::uint32_t offBits, std::uint32_t bitsBytes, std::uint32_t usage) {
        if (!r.Holds(static_cast<std::uint64_t>(offInfo) + infoBytes) ||
            !r.Holds(static_cast<std::uint64_t>(offBits) + bitsBytes) || offInfo < 8 ||
            infoBytes < sizeof(BITMAPINFOHEADER)) {
            return Verdict::Lie;
        }
        BITMAPINFOHEADER header;
        for (std::size_t i = 0; i < sizeof header; i += 4) {
            const std::uint32_t word = r.U32(offInfo + i);
            std::memcpy(reinterpret_cast<std::uint8_t*>(&header) + i, &word, 4);
        }
        if (header.biSize < sizeof header || header.biSize > infoBytes) return Verdict::Lie;
        if (header.biCompression == BI_RLE4 || header.biCompression == BI_RLE8 ||
            header.biCompression == BI_JPEG || header.biCompression == BI_PNG ||
            (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS)) {
            return Verdict::Drop;  // not checked: left out
        }
        const int bits = header.biBitCount;
        const bool fields = header.biCompression == BI_BITFIELDS;
        if ((header.biCompression != BI_RGB && !fields) || (fields && bits != 16 && bits != 32) ||
            (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) ||
            header.biPlanes != 1 || header.biWidth < 1 || header.biWidth > kMaxImageEdge ||
            header.biHeight == 0 || header.biHeight < -kMaxImageEdge ||
            header.biHeight > kMaxImageEdge || header.biClrUsed > 256 ||
            (bits <= 8 && header.biClrUsed > (1u << bits))) {
            return Verdict::Lie;
        }
        const std::uint64_t entries =
            header.biClrUsed != 0 ? header.biClrUsed : (bits <= 8 ? (1u << bits) : 0);
        const std::uint64_t table = entries * (usage == DIB_PAL_COLORS ? 2 : 4) +
                                    (fields && header.biSize == sizeof header ? 12 : 0);
        if (header.biSize + table > infoBytes) return Verdict::Lie;
        const std::uint64_t stride =
            (static_cast<std::uint64_t>(header.biWidth) * static_cast<std::uint64_t>(bits) + 31) /
            32 * 4;
        const std::uint64_t rows = static_cast<std::uint64_t>(std::abs(header.biHeight));
        return stride * rows <= bitsBytes ? Verdict::Keep : Verdict::Lie;
    }

    // RGNDATA of `bytes` at `offset`: its header and rectangles.
    static Verdict Region(const Record& r, std::size_t offset, std::uint32_t bytes) {
        if (!r.Holds(static_cast<std::uint64_t>(offset) + bytes) || bytes < sizeof(RGNDATAHEADER))
            return Verdict::Lie;
        const std::uint32_t headerSize = r.U32(offset);
        const std::uint32_t type = r.U32(offset + 4);
        const std::uint64_t count = r.U32(offset + 8);
        if (headerSize != sizeof(RGNDATAHEADER) || type != RDH_RECTANGLES) return Verdict::Lie;
        return sizeof(RGNDATAHEADER) + count * sizeof(RECT) <= bytes ? Verdict::Keep : Verdict::Lie;
    }

    // EMRBITBLT and its relatives: the source bitmap, when there is one, and its transform.
    static Verdict Blit(const Record& r, std::size_t minimum, bool needsSource) {
        if (!r.Holds(minimum)) return Verdict::Lie;
        if (!r.Finite(52, 6)) return Verdict::Drop;
        if (r.U32(84) == 0) return needsSource ? Verdict::Drop : Verdict::Keep;  // a pattern blit
        return Bitmap(r, r.U32(84), r.U32(88), r.U32(92), r.U32(96), r.U32(80));
    }

    static Verdict Text(const Record& r, std::uint64_t charBytes) {
        if (!r.Holds(76)) return Verdict::Lie;
        if (!r.Finite(28, 2)) return Verdict::Drop;
        const std::uint64_t count = r.U32(44);
        const std::uint64_t offString = r.U32(48);
        const std::uint32_t options = r.U32(52);
        const std::uint64_t offDx = r.U32(72);
        if (count != 0 && (offString < 8 || !r.Holds(offString + count * charBytes))) {
            return Verdict::Lie;
        }
        const std::uint64_t advances = count * ((options & ETO_PDY) != 0 ? 2 : 1);
        if (offDx != 0 && (offDx < 8 || !r.Holds(offDx + advances * 4))) return Verdict::Lie;
        return Verdict::Keep;
    }

    static Verdict Gradient(const Record& r) {
        if (!r.Holds(36)) return Verdict::Lie;
        const std::uint64_t vertices = r.U32(24);
        const std::uint64_t pieces = r.U32(28);
        const std::uint32_t mode = r.U32(32);
        if (mode > GRADIENT_FILL_TRIANGLE) return Verdict::Drop;
        const std::uint64_t indices = mode == GRADIENT_FILL_TRIANGLE ? 3 : 2;
        const std::uint64_t mesh = 36 + vertices * 16;
        if (!r.Holds(mesh + pieces * indices * 4)) return Verdict::Lie;
        for (std::uint64_t i = 0; i < pieces * indices; ++i) {
            if (r.U32(static_cast<std::size_t>(mesh + i * 4)) >= vertices) return Verdict::Lie;
        }
        return Verdict::Keep;
    }

    std::uint32_t handles_;
};

Verdict Checker::Check(const Record& r) const {
    switch (r.Type()) {
        case EMR_POLYBEZIER:
        case EMR_POLYGON:
        case EMR_POLYLINE:
        case EMR_POLYBEZIERTO:
        case EMR_POLYLINETO:
            return Points(r, 24, 28, 8);
        case EMR_POLYBEZIER16:
        case EMR_POLYGON16:
        case EMR_POLYLINE16:
        case EMR_POLYBEZIERTO16:
        case EMR_POLYLINETO16:
            return Points(r, 24, 28, 4);
        case EMR_POLYDRAW:
            return Points(r, 24, 28, 8, 1);
        case EMR_POLYDRAW16:
            return Points(r, 24, 28, 4, 1);
        case EMR_POLYPOLYLINE:
        case EMR_POLYPOLYGON:
            return PolyPoly(r, 8);
        case EMR_POLYPOLYLINE16:
        case EMR_POLYPOLYGON16:
            return PolyPoly(r, 4);

        case EMR_SETWINDOWEXTEX:
        case EMR_SETWINDOWORGEX:
        case EMR_SETVIEWPORTEXTEX:
        case EMR_SETVIEWPORTORGEX:
        case EMR_SETBRUSHORGEX:
        case EMR_OFFSETCLIPRGN:
        case EMR_MOVETOEX:
        case EMR_LINETO:
            return Sized(r, 16);
        case EMR_SETPIXELV:
            return Sized(r, 20);
        case EMR_SETMAPPERFLAGS:
        case EMR_SETMAPMODE:
        case EMR_SETBKMODE:
        case EMR_SETPOLYFILLMODE:
        case EMR_SETROP2:
        case EMR_SETSTRETCHBLTMODE:
        case EMR_SETTEXTALIGN:
        case EMR_SETTEXTCOLOR:
        case EMR_SETBKCOLOR:
        case EMR_RESTOREDC:
        case EMR_SETARCDIRECTION:
        case EMR_SELECTCLIPPATH:
        case EMR_SETLAYOUT:
            return Sized(r, 12);
        case EMR_SETMETARGN:
        case EMR_SAVEDC:
        case EMR_REALIZEPALETTE:
        case EMR_BEGINPATH:
        case EMR_ENDPATH:
        case EMR_CLOSEFIGURE:
        case EMR_FLATTENPATH:
        case EMR_WIDENPATH:
        case EMR_ABORTPATH:
            return Sized(r, 8);
        case EMR_EXCLUDECLIPRECT:
        case EMR_INTERSECTCLIPRECT:
        case EMR_ELLIPSE:
        case EMR_RECTANGLE:
        case EMR_FILLPATH:
        case EMR_STROKEANDFILLPATH:
        case EMR_STROKEPATH:
        case EMR_EXTFLOODFILL:
            return Sized(r, 24);
        case EMR_ROUNDRECT:
            return Sized(r, 32);
        case EMR_ARC:
        case EMR_CHORD:
        case EMR_PIE:
        case EMR_ARCTO:
            return Sized(r, 40);
        case EMR_SCALEVIEWPORTEXTEX:
        case EMR_SCALEWINDOWEXTEX:
            if (!r.Holds(24)) return Verdict::Lie;
            return (r.I32(12) != 0 && r.I32(20) != 0) ? Verdict::Keep : Verdict::Drop;
        case EMR_SETWORLDTRANSFORM:
            if (!r.Holds(32)) return Verdict::Lie;
            return r.Finite(8, 6) ? Verdict::Keep : Verdict::Drop;
        case EMR_MODIFYWORLDTRANSFORM:
            if (!r.Holds(36)) return Verdict::Lie;
            return (r.Finite(8, 6) && r.U32(32) >= MWT_IDENTITY && r.U32(32) <= 4) ? Verdict::Keep
                                                                                   : Verdict::Drop;
        case EMR_SETMITERLIMIT:
            if (!r.Holds(12)) return Verdict::Lie;
            return r.Finite(8, 1) ? Verdict::Keep : Verdict::Drop;
        case EMR_ANGLEARC:
            if (!r.Holds(28)) return Verdict::Lie;
            return r.Finite(20, 2) ? Verdict::Keep : Verdict::Drop;

        case EMR_SELECTOBJECT:
            return And(Sized(r, 12), Object(r.U32(8), true));
        case EMR_DELETEOBJECT:
            return And(Sized(r, 12), Object(r.U32(8), false));
        case EMR_SELECTPALETTE:
            if (!r.Holds(12)) return Verdict::Lie;
            return r.U32(8) == (0x80000000u | DEFAULT_PALETTE) ? Verdict::Keep
                                                               : Object(r.U32(8), false);
        case EMR_CREATEPEN:
            return And(Sized(r, 28), Object(r.U32(8), false));
        case EMR_CREATEBRUSHINDIRECT: {
            if (!r.Holds(24)) return Verdict::Lie;
            const std::uint32_t style = r.U32(12);
            const bool plain = style == BS_SOLID || style == BS_NULL ||
                               (style == BS_HATCHED && r.U32(20) <= HS_DIAGCROSS);
            return And(Object(r.U32(8), false), plain ? Verdict::Keep : Verdict::Drop);
        }
        case EMR_EXTCREATEPEN: {
            if (!r.Holds(52)) return Verdict::Lie;
            const std::uint32_t style = r.U32(36);
            const std::uint64_t entries = r.U32(48);
            const bool plain = style == BS_SOLID || style == BS_NULL ||
                               (style == BS_HATCHED && r.U32(44) <= HS_DIAGCROSS);
            return And(And(Object(r.U32(8), false), Sized(r, 52 + entries * 4)),
                       (plain && entries <= 16) ? Verdict::Keep : Verdict::Drop);
        }
        case EMR_EXTCREATEFONTINDIRECTW:
            return And(Sized(r, 12 + sizeof(LOGFONTW)), Object(r.U32(8), false));
        case EMR_CREATEMONOBRUSH:
        case EMR_CREATEDIBPATTERNBRUSHPT:
            if (!r.Holds(32)) return Verdict::Lie;
            return And(Object(r.U32(8), false),
                       Bitmap(r, r.U32(16), r.U32(20), r.U32(24), r.U32(28), r.U32(12)));
        case EMR_CREATEPALETTE:
            if (!r.Holds(16)) return Verdict::Lie;
            return And(Object(r.U32(8), false), Sized(r, 16 + (r.U32(12) >> 16) * 4ull));
        case EMR_SETPALETTEENTRIES:
            if (!r.Holds(20)) return Verdict::Lie;
            return And(Object(r.U32(8), false), Sized(r, 20 + r.U32(16) * 4ull));
        case EMR_RESIZEPALETTE:
            return And(Sized(r, 16), Object(r.U32(8), false));

        case EMR_FILLRGN:
            if (!r.Holds(32)) return Verdict::Lie;
            return And(Object(r.U32(28), false), Region(r, 32, r.U32(24)));
        case EMR_FRAMERGN:
            if (!r.Holds(40)) return Verdict::Lie;
            return And(Object(r.U32(28), false), Region(r, 40, r.U32(24)));
        case EMR_INVERTRGN:
        case EMR_PAINTRGN:
            if (!r.Holds(28)) return Verdict::Lie;
            return Region(r, 28, r.U32(24));
        case EMR_EXTSELECTCLIPRGN: {
            if (!r.Holds(16)) return Verdict::Lie;
            const std::uint32_t mode = r.U32(12);
            if (mode < RGN_AND || mode > RGN_COPY) return Verdict::Drop;
            if (r.U32(8) == 0) return mode == RGN_COPY ? Verdict::Keep : Verdict::Drop;
            return Region(r, 16, r.U32(8));
        }

        case EMR_BITBLT:
            return Blit(r, 100, false);
        case EMR_STRETCHBLT:
            return Blit(r, 108, false);
        case EMR_ALPHABLEND:
        case EMR_TRANSPARENTBLT:
            return Blit(r, 108, true);
        case EMR_STRETCHDIBITS:
            if (!r.Holds(80)) return Verdict::Lie;
            if (r.U32(48) == 0) return Verdict::Drop;
            return Bitmap(r, r.U32(48), r.U32(52), r.U32(56), r.U32(60), r.U32(64));
        case EMR_SETDIBITSTODEVICE:
            if (!r.Holds(76)) return Verdict::Lie;
            if (r.U32(48) == 0) return Verdict::Drop;
            return Bitmap(r, r.U32(48), r.U32(52), r.U32(56), r.U32(60), r.U32(64));

        case EMR_EXTTEXTOUTW:
            return Text(r, 2);
        case EMR_EXTTEXTOUTA:
            return Text(r, 1);
        case EMR_GRADIENTFILL:
            return Gradient(r);
        default:
            return Verdict::Drop;  // a kind the server does not play
    }
}

// The header's fields that playback or the system read, made safe in the copy.
void SanitizeHeader(std::uint8_t* header, std::uint32_t size) {
    auto get = [&](std::size_t offset) {
        std::uint32_t value = 0;
        std::memcpy(&value, header + offset, 4);
        return value;
    };
    auto put = [&](std::size_t offset, std::uint32_t value) {
        std::memcpy(header + offset, &value, 4);
    };
    // The object table always has the metafile's own entry.
    std::uint16_t handles = 0;
    std::memcpy(&handles, header + 56, 2);
    if (handles == 0) {
        handles = 1;
        std::memcpy(header + 56, &handles, 2);
    }
    const std::uint64_t description = get(64) + static_cast<std::uint64_t>(get(60)) * 2;
    if (description > size) {
        put(60, 0);
        put(64, 0);
    }
    if (size >= 100 && static_cast<std::uint64_t>(get(92)) + get(88) > size) {
        put(88, 0);
        put(92, 0);
    }
    // Device sizes divide in playback's mapping.
    for (std::size_t offset : {72, 76, 80, 84}) {
        if (static_cast<std::int32_t>(get(offset)) <= 0) put(offset, offset < 80 ? 1024 : 320);
    }
}

}  // namespace

std::size_t FramedLength(const std::uint8_t* bytes, std::size_t size) {
    if (bytes == nullptr || size < kHeaderMinimum || size > kMaxMetafileBytes) return 0;
    ENHMETAHEADER header;
    std::memcpy(&header, bytes, kHeaderMinimum);
    if (header.iType != EMR_HEADER || header.dSignature != ENHMETA_SIGNATURE ||
        header.nSize < kHeaderMinimum || header.nSize % 4 != 0 || header.nBytes > size ||
        header.nBytes < header.nSize) {
        return 0;
    }
    std::size_t offset = 0;
    while (offset + 8 <= header.nBytes) {
        DWORD type = 0;
        DWORD length = 0;
        std::memcpy(&type, bytes + offset, 4);
        std::memcpy(&length, bytes + offset + 4, 4);
        if (length < 8 || length % 4 != 0 || length > header.nBytes - offset) return 0;
        offset += length;
        if (type == EMR_EOF) return offset == header.nBytes ? offset : 0;
    }
    return 0;
}

Result CheckMetafile(const std::uint8_t* bytes, std::size_t size,
                     std::vector<std::uint8_t>& checked) {
    const std::size_t length = FramedLength(bytes, size);
    if (length == 0) return kBadFormat;
    std::uint32_t headerSize = 0;
    std::memcpy(&headerSize, bytes + 4, 4);
    std::uint16_t handles = 0;
    std::memcpy(&handles, bytes + 56, 2);
    const Checker checker(handles == 0 ? 1 : handles);
    std::vector<std::uint8_t> copy;
    try {
        copy.reserve(length);
    } catch (const std::bad_alloc&) {
        return kTooLarge;
    }
    copy.assign(bytes, bytes + headerSize);
    SanitizeHeader(copy.data(), headerSize);
    std::uint32_t records = 1;
    for (std::size_t offset = headerSize; offset < length;) {
        std::uint32_t recordSize = 0;
        std::memcpy(&recordSize, bytes + offset + 4, 4);
        const Record record(bytes + offset, recordSize);
        const bool last = record.Type() == EMR_EOF;
        const Verdict verdict = last ? Sized(record, 20) : checker.Check(record);
        if (verdict == Verdict::Lie) return kBadFormat;
        if (last && record.U32(8) != 0 &&
            !record.Holds(static_cast<std::uint64_t>(record.U32(12)) + record.U32(8) * 4ull)) {
            return kBadFormat;
        }
        if (verdict == Verdict::Keep) {
            const std::size_t at = copy.size();
            copy.insert(copy.end(), bytes + offset, bytes + offset + recordSize);
            ++records;
            if (record.Type() == EMR_EXTCREATEFONTINDIRECTW) {
                // The face name ends inside its 32 characters.
                const std::size_t lastFaceUnit =
                    at + 12 + offsetof(LOGFONTW, lfFaceName) + (LF_FACESIZE - 1) * 2;
                copy[lastFaceUnit] = 0;
                copy[lastFaceUnit + 1] = 0;
            }
        }
        offset += recordSize;
    }
    const std::uint32_t total = static_cast<std::uint32_t>(copy.size());
    std::memcpy(copy.data() + 48, &total, 4);
    std::memcpy(copy.data() + 52, &records, 4);
    checked.swap(copy);
    return kOk;
}

}  // namespace pimbax
