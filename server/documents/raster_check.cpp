#include "documents/raster_check.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "documents/raster_image.h"
#include "budgets.h"

namespace pimbax {

namespace {

// Deflate gives at most 1032 bytes per byte; PNG rows carry one filter byte more.
constexpr std::uint64_t kMaxPngBytesPerDataByte = 1100;
// Structures larger than any real file has.
constexpr std::uint64_t kMaxChunks = 1u << 20;
constexpr std::uint64_t kMaxGifFrames = 1u << 16;
constexpr std::uint32_t kMaxTiffEntries = 4096;
constexpr std::uint32_t kMaxTiffStrips = 1u << 20;

// Sequential reading of a file through a buffer, with skips; every read is bounded by the size.
class FileReader {
  public:
    FileReader(HANDLE file, std::uint64_t size) : file_(file), size_(size) {}

    std::uint64_t Position() const { return position_; }
    std::uint64_t Left() const { return size_ - position_; }
    bool Seek(std::uint64_t position) {
        if (position > size_) return false;
        position_ = position;
        return true;
    }
    bool Skip(std::uint64_t count) { return count <= Left() && Seek(position_ + count); }
    bool Read(void* out, std::size_t count) {
        if (count > Left()) return false;
        auto* bytes = static_cast<std::uint8_t*>(out);
        while (count > 0) {
            if (position_ < bufferStart_ || position_ >= bufferStart_ + bufferLength_) {
                if (!Fill()) return false;
            }
            const std::size_t offset = static_cast<std::size_t>(position_ - bufferStart_);
            const std::size_t part = std::min(count, bufferLength_ - offset);
            std::memcpy(bytes, buffer_.data() + offset, part);
            bytes += part;
            count -= part;
            position_ += part;
        }
        return true;
    }
    bool Byte(std::uint8_t& value) { return Read(&value, 1); }

  private:
    bool Fill() {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(position_);
        DWORD read = 0;
        if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) ||
            !ReadFile(file_, buffer_.data(), static_cast<DWORD>(buffer_.size()), &read, nullptr) ||
            read == 0) {
            return false;
        }
        bufferStart_ = position_;
        bufferLength_ = read;
        return true;
    }

    HANDLE file_;
    std::uint64_t size_;
    std::uint64_t position_ = 0;
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(64 * 1024);
    std::uint64_t bufferStart_ = 0;
    std::size_t bufferLength_ = 0;
};

std::uint32_t Little(const std::uint8_t* p, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | p[i];
    return value;
}

std::uint32_t Big(const std::uint8_t* p, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value = (value << 8) | p[i];
    return value;
}

std::uint64_t Pixels(int width, int height, int bitsPerPixel) {
    return static_cast<std::uint64_t>(DibStride(width, bitsPerPixel)) *
           static_cast<std::uint64_t>(height);
}

// The bytes of pixels the server's own image takes, given what the file holds: indexed and grey
// images keep their depth (2 bits become 4), colour becomes 24 bits or 32 with alpha.
int LandingBits(int fileBits, bool colour, bool alpha) {
    if (!colour && fileBits <= 8) return fileBits == 2 ? 4 : fileBits;
    return alpha ? 32 : 24;
}

// The common end of every check: edges, the budget, and what the file can hold.
Result Weigh(int width, int height, std::uint64_t heldBytes, std::uint64_t claimedBytes,
             std::uint64_t carrierBytes, std::uint64_t bytesPerCarrierByte, RasterClaim* claim) {
    if (width < 1 || height < 1) return kBadFormat;
    if (width > kMaxImageEdge || height > kMaxImageEdge || heldBytes > kMaxPixelBytes) {
        return kTooLarge;
    }
    if (claimedBytes > kUncheckedClaimBytes && claimedBytes / bytesPerCarrierByte >= carrierBytes) {
        return kBadFormat;
    }
    *claim = {width, height, heldBytes};
    return kOk;
}

Result CheckBmp(FileReader& reader, std::uint64_t size, RasterClaim* claim) {
    std::uint8_t head[14 + 40] = {};
    if (!reader.Read(head, 18)) return kBadFormat;
    const std::uint32_t dataOffset = Little(head + 10, 4);
    const std::uint32_t headerSize = Little(head + 14, 4);
    std::int64_t width = 0;
    std::int64_t height = 0;
    int bits = 0;
    std::uint32_t compression = BI_RGB;
    if (headerSize == 12) {
        if (!reader.Read(head + 18, 8)) return kBadFormat;
        width = Little(head + 18, 2);
        height = Little(head + 20, 2);
        bits = static_cast<int>(Little(head + 24, 2));
    } else if (headerSize >= 40 && headerSize <= 124) {
        if (!reader.Read(head + 18, 36)) return kBadFormat;
        width = static_cast<std::int32_t>(Little(head + 18, 4));
        height = static_cast<std::int32_t>(Little(head + 22, 4));
        bits = static_cast<int>(Little(head + 28, 2));
        compression = Little(head + 30, 4);
    } else {
        return kBadFormat;
    }
    if (height < 0) height = -height;
    if (width < 1 || height < 1) return kBadFormat;
    if (width > kMaxImageEdge || height > kMaxImageEdge) return kTooLarge;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 &&
        bits != 32) {
        return kBadFormat;
    }
    const bool runLength =
        (compression == BI_RLE8 && bits == 8) || (compression == BI_RLE4 && bits == 4);
    const bool plain = compression == BI_RGB || compression == BI_BITFIELDS ||
                       compression == 6 /* BI_ALPHABITFIELDS */;
    if (!runLength && !plain) return kBadFormat;
    if (dataOffset > size) return kBadFormat;
    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    // Run-length images are decoded to 32 bits.
    const int landing = runLength ? 32 : LandingBits(bits, bits > 8, bits == 32);
    const std::uint64_t held = Pixels(w, h, std::max(bits, landing));
    if (plain) {
        // The rows must all be in the file.
        if (w > kMaxImageEdge || h > kMaxImageEdge || held > kMaxPixelBytes) return kTooLarge;
        if (Pixels(w, h, bits) > size - dataOffset) return kBadFormat;
        *claim = {w, h, held};
        return kOk;
    }
    return Weigh(w, h, held, held, size - dataOffset, kMaxPixelBytesPerFileByte, claim);
}

Result CheckPng(FileReader& reader, RasterClaim* claim) {
    if (!reader.Skip(8)) return kBadFormat;
    std::uint8_t header[8 + 13];
    if (!reader.Read(header, sizeof header) || Big(header, 4) != 13 ||
        std::memcmp(header + 4, "IHDR", 4) != 0 || !reader.Skip(4)) {
        return kBadFormat;
    }
    const std::uint32_t width = Big(header + 8, 4);
    const std::uint32_t height = Big(header + 12, 4);
    const int depth = header[16];
    const int colourType = header[17];
    int channels = 0;
    switch (colourType) {
        case 0:
        case 3:
            channels = 1;
            break;
        case 2:
            channels = 3;
            break;
        case 4:
            channels = 2;
            break;
        case 6:
            channels = 4;
            break;
        default:
            return kBadFormat;
    }
    if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16) return kBadFormat;
    if (width > static_cast<std::uint32_t>(kMaxImageEdge) ||
        height > static_cast<std::uint32_t>(kMaxImageEdge)) {
        return kTooLarge;
    }
    // The chunks must lie inside the file and end with IEND.
    std::uint64_t data = 0;
    bool ended = false;
    for (std::uint64_t chunks = 0; !ended; ++chunks) {
        std::uint8_t chunk[8];
        if (chunks > kMaxChunks || !reader.Read(chunk, sizeof chunk)) return kBadFormat;
        const std::uint32_t length = Big(chunk, 4);
        if (length > 0x7FFFFFFFu || !reader.Skip(static_cast<std::uint64_t>(length) + 4)) {
            return kBadFormat;
        }
        if (std::memcmp(chunk + 4, "IDAT", 4) == 0) data += length;
        ended = std::memcmp(chunk + 4, "IEND", 4) == 0;
    }
    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    const int bits = channels * depth;
    const int landing = LandingBits(bits, colourType == 2 || colourType == 6 || depth == 16,
                                    colourType == 4 || colourType == 6);
    const std::uint64_t rows =
        (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bits) + 7) / 8 + 1;
    return Weigh(w, h, Pixels(w, h, std::max(bits, landing)), rows * height, data,
                 kMaxPngBytesPerDataByte, claim);
}

// A run of GIF sub-blocks up to its empty one.
bool SkipSubBlocks(FileReader& reader) {
    for (;;) {
        std::uint8_t length = 0;
        if (!reader.Byte(length)) return false;
        if (length == 0) return true;
        if (!reader.Skip(length)) return false;
    }
}

Result CheckGif(FileReader& reader, std::uint64_t size, RasterClaim* claim) {
    std::uint8_t screen[13];
    if (!reader.Read(screen, sizeof screen)) return kBadFormat;
    if ((screen[10] & 0x80) != 0 && !reader.Skip(3u * (2u << (screen[10] & 7)))) {
        return kBadFormat;
    }
    // Decoders read every frame at once: all of them count.
    std::uint64_t frames = 0;
    std::uint64_t total = 0;
    int firstWidth = 0;
    int firstHeight = 0;
    for (;;) {
        std::uint8_t block = 0;
        if (!reader.Byte(block)) break;  // a missing trailer after whole frames is tolerated
        if (block == 0x3B) break;
        if (block == 0x21) {
            if (!reader.Skip(1) || !SkipSubBlocks(reader)) return kBadFormat;
            continue;
        }
        if (block != 0x2C) return kBadFormat;
        std::uint8_t image[9];
        std::uint8_t codeSize = 0;
        if (!reader.Read(image, sizeof image)) return kBadFormat;
        if ((image[8] & 0x80) != 0 && !reader.Skip(3u * (2u << (image[8] & 7)))) {
            return kBadFormat;
        }
        if (!reader.Byte(codeSize) || codeSize < 1 || codeSize > 11 || !SkipSubBlocks(reader)) {
            return kBadFormat;
        }
        const int width = static_cast<int>(Little(image + 4, 2));
        const int height = static_cast<int>(Little(image + 6, 2));
        if (width > kMaxImageEdge || height > kMaxImageEdge || ++frames > kMaxGifFrames) {
            return kTooLarge;
        }
        if (frames == 1) {
            firstWidth = width;
            firstHeight = height;
        }
        total += static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    }
    if (frames == 0) return kBadFormat;
    const int screenWidth = static_cast<int>(Little(screen + 6, 2));
    const int screenHeight = static_cast<int>(Little(screen + 8, 2));
    const int w = std::max(firstWidth, screenWidth);
    const int h = std::max(firstHeight, screenHeight);
    if (w > kMaxImageEdge || h > kMaxImageEdge) return kTooLarge;
    return Weigh(std::max(firstWidth, 1), std::max(firstHeight, 1),
                 std::max(total, Pixels(w, h, 8)), total, size, kMaxPixelBytesPerFileByte, claim);
}

class TiffReader {
  public:
    TiffReader(FileReader& reader, bool big) : reader_(reader), big_(big) {}
    bool Get(std::uint32_t& value, int bytes) {
        std::uint8_t raw[4];
        if (!reader_.Read(raw, static_cast<std::size_t>(bytes))) return false;
        value = big_ ? Big(raw, bytes) : Little(raw, bytes);
        return true;
    }
    // The values of an entry: inline when they fit its 4 bytes, else at its offset.
    bool Values(std::uint16_t type, std::uint32_t count, const std::uint8_t* field,
                std::vector<std::uint32_t>& values, std::uint32_t limit) {
        const int size = type == 3 ? 2 : type == 4 ? 4 : type == 1 ? 1 : 0;
        if (size == 0 || count == 0 || count > limit) return false;
        values.resize(count);
        if (static_cast<std::uint64_t>(count) * size <= 4) {
            for (std::uint32_t i = 0; i < count; ++i) {
                values[i] = big_ ? Big(field + i * size, size) : Little(field + i * size, size);
            }
            return true;
        }
        const std::uint64_t back = reader_.Position();
        if (!reader_.Seek(big_ ? Big(field, 4) : Little(field, 4))) return false;
        for (std::uint32_t& value : values) {
            if (!Get(value, size)) return false;
        }
        return reader_.Seek(back);
    }

  private:
    FileReader& reader_;
    bool big_;
};

Result CheckTiff(FileReader& reader, std::uint64_t size, RasterClaim* claim) {
    std::uint8_t head[8];
    if (!reader.Read(head, sizeof head)) return kBadFormat;
    const bool big = head[0] == 'M';
    TiffReader tiff(reader, big);
    std::uint32_t directory = big ? Big(head + 4, 4) : Little(head + 4, 4);
    std::uint32_t entries = 0;
    if (!reader.Seek(directory) || !tiff.Get(entries, 2) || entries == 0 ||
        entries > kMaxTiffEntries) {
        return kBadFormat;
    }
    std::uint32_t width = 0, height = 0, compression = 1, samples = 1;
    std::vector<std::uint32_t> bits = {1}, offsets, counts;
    bool hasAlpha = false;
    for (std::uint32_t i = 0; i < entries; ++i) {
        std::uint8_t entry[12];
        if (!reader.Read(entry, sizeof entry)) return kBadFormat;
        const std::uint32_t tag = big ? Big(entry, 2) : Little(entry, 2);
        const auto type =
            static_cast<std::uint16_t>(big ? Big(entry + 2, 2) : Little(entry + 2, 2));
        const std::uint32_t count = big ? Big(entry + 4, 4) : Little(entry + 4, 4);
        std::vector<std::uint32_t> values;
        auto one = [&](std::uint32_t& target) {
            if (!tiff.Values(type, count, entry + 8, values, 1)) return false;
            target = values[0];
            return true;
        };
        bool read = true;
        switch (tag) {
            case 256:
                read = one(width);
                break;
            case 257:
                read = one(height);
                break;
            case 258:
                read = tiff.Values(type, count, entry + 8, bits, 16);
                break;
            case 259:
                read = one(compression);
                break;
            case 277:
                read = one(samples);
                break;
            case 338:  // ExtraSamples: an alpha channel
                hasAlpha = true;
                break;
            case 273:
            case 324:
                read = tiff.Values(type, count, entry + 8, offsets, kMaxTiffStrips);
                break;
            case 279:
            case 325:
                read = tiff.Values(type, count, entry + 8, counts, kMaxTiffStrips);
                break;
            default:
                break;
        }
        if (!read) return kBadFormat;
    }
    if (width == 0 || height == 0 || samples == 0 || samples > 16) return kBadFormat;
    if (width > static_cast<std::uint32_t>(kMaxImageEdge) ||
        height > static_cast<std::uint32_t>(kMaxImageEdge)) {
        return kTooLarge;
    }
    std::uint32_t bitsPerPixel = 0;
    for (std::uint32_t i = 0; i < samples; ++i) {
        bitsPerPixel += i < bits.size() ? bits[i] : bits.back();
    }
    if (bitsPerPixel == 0 || bitsPerPixel > 128) return kBadFormat;
    // Every strip or tile must lie inside the file.
    if (offsets.empty() || offsets.size() != counts.size()) return kBadFormat;
    std::uint64_t data = 0;
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        if (offsets[i] > size || counts[i] > size - offsets[i]) return kBadFormat;
        data += counts[i];
    }
    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    const int fileBits = static_cast<int>(std::min<std::uint32_t>(bitsPerPixel, 64));
    const int landing = LandingBits(fileBits, samples >= 3, hasAlpha || samples == 4);
    const std::uint64_t held = Pixels(w, h, std::max(fileBits, landing));
    if (compression == 1) {
        const std::uint64_t rows =
            (static_cast<std::uint64_t>(width) * bitsPerPixel + 7) / 8 * height;
        if (w > kMaxImageEdge || h > kMaxImageEdge || held > kMaxPixelBytes) return kTooLarge;
        if (data < rows) return kBadFormat;
        *claim = {w, h, held};
        return kOk;
    }
    return Weigh(w, h, held, held, data, kMaxPixelBytesPerFileByte, claim);
}

Result CheckJpeg(FileReader& reader, std::uint64_t size, RasterClaim* claim) {
    if (!reader.Skip(2)) return kBadFormat;
    for (;;) {
        std::uint8_t marker = 0;
        if (!reader.Byte(marker)) return kBadFormat;
        if (marker != 0xFF) return kBadFormat;
        std::uint8_t code = 0xFF;
        while (code == 0xFF) {
            if (!reader.Byte(code)) return kBadFormat;
        }
        if (code == 0x01 || (code >= 0xD0 && code <= 0xD7)) continue;         // no length
        if (code == 0xD8 || code == 0xD9 || code == 0xDA) return kBadFormat;  // no frame before
        std::uint8_t lengthBytes[2];
        if (!reader.Read(lengthBytes, 2)) return kBadFormat;
        const std::uint32_t length = Big(lengthBytes, 2);
        if (length < 2) return kBadFormat;
        const bool frame =
            code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
        if (!frame) {
            if (!reader.Skip(length - 2)) return kBadFormat;
            continue;
        }
        std::uint8_t sof[6];
        if (length < 8 || !reader.Read(sof, sizeof sof)) return kBadFormat;
        const int height = static_cast<int>(Big(sof + 1, 2));
        const int width = static_cast<int>(Big(sof + 3, 2));
        const int components = sof[5];
        if (components != 1 && components != 3 && components != 4) return kBadFormat;
        if (width > kMaxImageEdge || height > kMaxImageEdge) return kTooLarge;
        // Decoders hold the whole frame at 8 bits per component, and the image at 24 bits.
        const std::uint64_t held =
            Pixels(width, height, components * 8) + Pixels(width, height, components == 1 ? 8 : 24);
        return Weigh(width, height, held, held, size, kMaxPixelBytesPerFileByte, claim);
    }
}

}  // namespace

Result CheckRasterFile(HANDLE file, std::uint64_t size, RasterClaim* claim) {
    FileReader reader(file, size);
    std::uint8_t magic[8] = {};
    if (!reader.Read(magic, std::min<std::uint64_t>(size, sizeof magic)) || !reader.Seek(0)) {
        return kBadFormat;
    }
    if (magic[0] == 'B' && magic[1] == 'M') return CheckBmp(reader, size, claim);
    if (std::memcmp(magic, "\x89PNG\r\n\x1a\n", 8) == 0) return CheckPng(reader, claim);
    if (std::memcmp(magic, "GIF8", 4) == 0) return CheckGif(reader, size, claim);
    if (std::memcmp(magic, "II*\0", 4) == 0 || std::memcmp(magic, "MM\0*", 4) == 0) {
        return CheckTiff(reader, size, claim);
    }
    if (magic[0] == 0xFF && magic[1] == 0xD8) return CheckJpeg(reader, size, claim);
    return kBadFormat;
}

}  // namespace pimbax
