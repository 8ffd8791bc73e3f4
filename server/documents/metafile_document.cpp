// Vector drawings: enhanced metafiles, kept only as the checked copy that metafile_check makes,
// and played only in the playback helper.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "documents/document_kinds.h"
#include "documents/metafile_check.h"
#include "handles.h"
#include "budgets.h"
#include "rendering/playback.h"

namespace pimbax {

namespace {

// The drawing's size in pixels at 96 per inch, from its frame (or its bounds when the frame is
// empty).
void NominalSize(const std::uint8_t* bytes, int* width, int* height) {
    ENHMETAHEADER header;
    std::memset(&header, 0, sizeof header);
    std::memcpy(&header, bytes, 88);
    auto pixels = [](double hundredthsOfMm) {
        return static_cast<long long>(std::llround(hundredthsOfMm * 96.0 / 2540.0));
    };
    long long w = pixels(static_cast<double>(header.rclFrame.right) - header.rclFrame.left);
    long long h = pixels(static_cast<double>(header.rclFrame.bottom) - header.rclFrame.top);
    if (w < 1 || h < 1) {
        w = static_cast<long long>(header.rclBounds.right) - header.rclBounds.left + 1;
        h = static_cast<long long>(header.rclBounds.bottom) - header.rclBounds.top + 1;
    }
    *width = static_cast<int>(std::clamp<long long>(w, 1, kMaxImageEdge));
    *height = static_cast<int>(std::clamp<long long>(h, 1, kMaxImageEdge));
}

// The fault drill: with HKEY_CURRENT_USER\Software\Pimbax\Server "UncheckedMetafiles" set to 1,
// metafiles are played as they come (only their framing checked), so that a test can make the
// playback helper fault for real.
bool FaultDrill() {
    DWORD value = 0;
    DWORD size = sizeof value;
    return RegGetValueW(HKEY_CURRENT_USER, L"Software\\Pimbax\\Server", L"UncheckedMetafiles",
                        RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS &&
           value == 1;
}

class MetafileDocument : public Document {
  public:
    MetafileDocument(UniqueHandle section, UniqueView view, std::size_t bytes, int width,
                     int height)
        : section_(std::move(section)),
          view_(std::move(view)),
          bytes_(bytes),
          id_(NewMetafileId()),
          width_(width),
          height_(height) {}

    short Kind() const override { return kVectorKind; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }

    void Render(Canvas& canvas, const SourceRect& source, const RECT& target) const override {
        // The frame is drawn into the nominal size, whose pixels are the document's.
        const PlayableMetafile metafile = {section_.Get(), bytes_, id_, width_, height_};
        PlayMetafile(metafile, canvas, source, target);
    }

    // The checked metafile itself, with its own frame.
    HENHMETAFILE Record() const override {
        return SetEnhMetaFileBits(static_cast<UINT>(bytes_), Bytes());
    }

    Result Resize(int width, int height, int) override {
        return SetNominalSize(width, height, width_, height_);
    }

    void Serialize(ByteWriter& writer) const override {
        writer.Put(kMetafileTag);
        writer.Put<std::int32_t>(width_);
        writer.Put<std::int32_t>(height_);
        writer.PutBytes(Bytes(), bytes_);
    }

  private:
    const std::uint8_t* Bytes() const { return static_cast<const std::uint8_t*>(view_.Get()); }

    UniqueHandle section_;
    UniqueView view_;
    std::size_t bytes_;
    std::uint64_t id_;
    int width_;
    int height_;
};

Result MakeSized(const std::uint8_t* bytes, std::size_t size, int width, int height,
                 std::unique_ptr<Document>* out) {
    std::vector<std::uint8_t> checked;
    if (FaultDrill()) {
        const std::size_t length = FramedLength(bytes, size);
        if (length == 0) return kBadFormat;
        checked.assign(bytes, bytes + length);
    } else {
        const Result result = CheckMetafile(bytes, size, checked);
        if (result != kOk) return result;
    }
    // The helper plays it from a section of its own.
    UniqueHandle section(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                            static_cast<DWORD>(checked.size()), nullptr));
    if (!section) return kTooLarge;
    UniqueView view(MapViewOfFile(section.Get(), FILE_MAP_WRITE, 0, 0, 0));
    if (!view) return kTooLarge;
    std::memcpy(const_cast<void*>(view.Get()), checked.data(), checked.size());
    if (width == 0) NominalSize(checked.data(), &width, &height);
    *out = std::make_unique<MetafileDocument>(std::move(section), std::move(view), checked.size(),
                                              width, height);
    return kOk;
}

}  // namespace

Result MakeMetafileDocument(const std::uint8_t* bytes, std::size_t size,
                            std::unique_ptr<Document>* out) {
    return MakeSized(bytes, size, 0, 0, out);
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
    std::unique_ptr<Document> document;
    if (MakeSized(bytes, size, width, height, &document) != kOk) return nullptr;
    return document;
}

}  // namespace pimbax
