#include "rendering/clipboard.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

#include "handles.h"
#include "budgets.h"
#include "rendering/canvas.h"

namespace pimbax {

namespace {

constexpr std::uint64_t kBandBytes = 32ull << 20;

std::mutex& ClipboardLock() {
    static std::mutex lock;
    return lock;
}

// The clipboard is one per session; another program may hold it for a moment.
class OpenedClipboard {
  public:
    explicit OpenedClipboard(HWND owner) : lock_(ClipboardLock()) {
        for (int attempt = 0; attempt < 20 && !open_; ++attempt) {
            open_ = OpenClipboard(owner) != FALSE;
            if (!open_) Sleep(10);
        }
    }
    ~OpenedClipboard() {
        if (open_) CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    bool IsOpen() const { return open_; }

  private:
    std::lock_guard<std::mutex> lock_;
    bool open_ = false;
};

// Hands the packed DIB in `memory` to the clipboard.
Result PutDibMemory(HWND owner, UniqueGlobal memory) {
    OpenedClipboard clipboard(owner);
    if (!clipboard.IsOpen() || !EmptyClipboard()) return kClipboardFailed;
    if (SetClipboardData(CF_DIB, memory.Get()) == nullptr) return kClipboardFailed;
    memory.Release();  // the clipboard owns it now
    return kOk;
}

}  // namespace

Result PutDib(HWND owner, const RasterImage& image) {
    UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, PackedDibSize(image)));
    if (!memory) return kTooLarge;
    void* bytes = GlobalLock(memory.Get());
    if (bytes == nullptr) return kTooLarge;
    WritePackedDib(image, static_cast<std::uint8_t*>(bytes));
    GlobalUnlock(memory.Get());
    return PutDibMemory(owner, std::move(memory));
}

Result PutDrawingDib(HWND owner, const Document& document) {
    const int width = document.Width();
    const int height = document.Height();
    const std::uint64_t stride = DibStride(width, 24);
    const std::uint64_t pixels = stride * static_cast<std::uint64_t>(height);
    if (pixels > kMaxPixelBytes) return kTooLarge;
    UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + pixels));
    if (!memory) return kTooLarge;
    auto* bytes = static_cast<std::uint8_t*>(GlobalLock(memory.Get()));
    if (bytes == nullptr) return kTooLarge;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(pixels);
    header.biXPelsPerMeter = header.biYPelsPerMeter = 3780;  // 96 per inch
    std::memcpy(bytes, &header, sizeof header);
    // Bands of rows from the top: each lands as one run of the bottom-up rows.
    const int band = static_cast<int>(std::max<std::uint64_t>(
        1, std::min<std::uint64_t>(static_cast<std::uint64_t>(height), kBandBytes / stride)));
    Canvas canvas;
    bool drawn = canvas.Create(width, band, 24);
    for (int first = 0; drawn && first < height; first += band) {
        const int rows = std::min(band, height - first);
        if (first != 0) std::memset(canvas.Pixels(), 0xFF, band * stride);
        const SourceRect part = {0.0, static_cast<double>(first), static_cast<double>(width),
                                 static_cast<double>(first + rows)};
        document.Render(canvas, part, RECT{0, band - rows, width, band});
        GdiFlush();
        std::memcpy(
            bytes + sizeof header + static_cast<std::size_t>(height - first - rows) * stride,
            canvas.Pixels(), static_cast<std::size_t>(rows) * stride);
    }
    GlobalUnlock(memory.Get());
    if (!drawn) return kTooLarge;
    return PutDibMemory(owner, std::move(memory));
}

Result PutMetafile(HWND owner, HENHMETAFILE metafile) {
    UniqueEnhMetaFile owned(metafile);
    if (!owned) return kTooLarge;
    OpenedClipboard clipboard(owner);
    if (!clipboard.IsOpen() || !EmptyClipboard()) return kClipboardFailed;
    if (SetClipboardData(CF_ENHMETAFILE, owned.Get()) == nullptr) return kClipboardFailed;
    owned.Release();
    return kOk;
}

Result GetDib(HWND owner, RasterImage& image) {
    OpenedClipboard clipboard(owner);
    if (!clipboard.IsOpen()) return kClipboardFailed;
    HGLOBAL memory = GetClipboardData(CF_DIB);
    if (memory == nullptr) return kClipboardFailed;
    const void* bytes = GlobalLock(memory);
    if (bytes == nullptr) return kClipboardFailed;
    const bool read =
        ReadPackedDib(static_cast<const std::uint8_t*>(bytes), GlobalSize(memory), image, nullptr);
    GlobalUnlock(memory);
    return read ? kOk : kBadFormat;
}

Result GetMetafileBytes(HWND owner, std::vector<std::uint8_t>& bytes) {
    OpenedClipboard clipboard(owner);
    if (!clipboard.IsOpen()) return kClipboardFailed;
    HENHMETAFILE metafile = static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE));
    if (metafile == nullptr) return kClipboardFailed;
    const UINT size = GetEnhMetaFileBits(metafile, 0, nullptr);
    if (size == 0) return kBadFormat;
    if (size > kMaxMetafileBytes) return kTooLarge;
    try {
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        return kTooLarge;
    }
    if (GetEnhMetaFileBits(metafile, size, bytes.data()) != size) return kBadFormat;
    return kOk;
}

}  // namespace pimbax
