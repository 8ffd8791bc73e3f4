// Vector drawings: enhanced metafiles, checked record by record before GDI sees them.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "documents/document_kinds.h"
#include "handles.h"
#include "budgets.h"

namespace pimbax {

namespace {

// The header must describe the bytes, and the records must fill them exactly up to EMR_EOF.
// The metafile's length, or 0 when it is not well formed.
std::size_t WellFormedLength(const std::uint8_t* bytes, std::size_t size) {
    ENHMETAHEADER header;
    if (bytes == nullptr || size < 88 || size > kMaxMetafileBytes) return 0;
    std::memset(&header, 0, sizeof header);
    std::memcpy(&header, bytes, std::min(size, sizeof header));
    if (header.iType != EMR_HEADER || header.dSignature != ENHMETA_SIGNATURE || header.nSize < 88 ||
        header.nBytes > size || header.nBytes < header.nSize) {
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

// The drawing's size in pixels at 96 per inch, from its frame (or its bounds when the frame is
// empty).
void NominalSize(const std::uint8_t* bytes, int* width, int* height) {
    ENHMETAHEADER header;
    std::memset(&header, 0, sizeof header);
    std::memcpy(&header, bytes, 88);
    auto pixels = [](double hundredthsOfMm) {
        return static_cast<int>(std::lround(hundredthsOfMm * 96.0 / 2540.0));
    };
    int w = pixels(static_cast<double>(header.rclFrame.right) - header.rclFrame.left);
    int h = pixels(static_cast<double>(header.rclFrame.bottom) - header.rclFrame.top);
    if (w < 1 || h < 1) {
        w = static_cast<int>(std::min<long long>(
            kMaxImageEdge,
            static_cast<long long>(header.rclBounds.right) - header.rclBounds.left + 1));
        h = static_cast<int>(std::min<long long>(
            kMaxImageEdge,
            static_cast<long long>(header.rclBounds.bottom) - header.rclBounds.top + 1));
    }
    *width = std::clamp(w, 1, kMaxImageEdge);
    *height = std::clamp(h, 1, kMaxImageEdge);
}

class MetafileDocument : public Document {
  public:
    MetafileDocument(std::vector<std::uint8_t> bytes, UniqueEnhMetaFile metafile, int width,
                     int height)
        : bytes_(std::move(bytes)),
          metafile_(std::move(metafile)),
          width_(width),
          height_(height) {}

    short Kind() const override { return kVectorKind; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }

    void Draw(HDC dc, const SourceRect& source, const RECT& target) const override {
        DocumentMapping mapping(dc, source, target);
        const RECT frame = {0, 0, width_, height_};
        PlayEnhMetaFile(dc, metafile_.Get(), &frame);
    }

    Result Resize(int width, int height, int) override {
        if (width < 1 || height < 1 || width > kMaxImageEdge || height > kMaxImageEdge) {
            return kBadValue;
        }
        width_ = width;
        height_ = height;
        return kOk;
    }

    std::vector<std::uint8_t> Serialize() const override {
        ByteWriter writer;
        writer.Put(kMetafileTag);
        writer.Put<std::int32_t>(width_);
        writer.Put<std::int32_t>(height_);
        writer.PutBytes(bytes_.data(), bytes_.size());
        return std::move(writer.Bytes());
    }

  private:
    std::vector<std::uint8_t> bytes_;
    UniqueEnhMetaFile metafile_;
    int width_;
    int height_;
};

std::unique_ptr<Document> MakeSized(const std::uint8_t* bytes, std::size_t size, int width,
                                    int height) {
    size = WellFormedLength(bytes, size);
    if (size == 0) return nullptr;
    UniqueEnhMetaFile metafile(SetEnhMetaFileBits(static_cast<UINT>(size), bytes));
    if (!metafile) return nullptr;
    if (width == 0) NominalSize(bytes, &width, &height);
    return std::make_unique<MetafileDocument>(std::vector<std::uint8_t>(bytes, bytes + size),
                                              std::move(metafile), width, height);
}

}  // namespace

std::unique_ptr<Document> MakeMetafileDocument(const std::uint8_t* bytes, std::size_t size) {
    return MakeSized(bytes, size, 0, 0);
}

std::unique_ptr<Document> RebuildMetafile(ByteReader& reader) {
    std::int32_t width = 0;
    std::int32_t height = 0;
    const std::uint8_t* bytes = nullptr;
    std::size_t size = 0;
    if (!reader.Get(width) || !reader.Get(height) || width < 1 || height < 1 ||
        width > kMaxImageEdge || height > kMaxImageEdge ||
        !reader.GetBytes(&bytes, &size, kMaxMetafileBytes)) {
        return nullptr;
    }
    return MakeSized(bytes, size, width, height);
}

}  // namespace pimbax
