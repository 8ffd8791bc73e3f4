#include "rendering/clipboard.h"

#include <cstring>
#include <new>

#include "handles.h"
#include "budgets.h"

namespace pimbax {

namespace {

// The clipboard is one per session; another program may hold it for a moment.
class OpenedClipboard {
  public:
    explicit OpenedClipboard(HWND owner) {
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
    bool open_ = false;
};

}  // namespace

Result PutDib(HWND owner, const RasterImage& image) {
    UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, PackedDibSize(image)));
    if (!memory) return kTooLarge;
    void* bytes = GlobalLock(memory.Get());
    if (bytes == nullptr) return kTooLarge;
    WritePackedDib(image, static_cast<std::uint8_t*>(bytes));
    GlobalUnlock(memory.Get());
    OpenedClipboard clipboard(owner);
    if (!clipboard.IsOpen() || !EmptyClipboard()) return kClipboardFailed;
    if (SetClipboardData(CF_DIB, memory.Get()) == nullptr) return kClipboardFailed;
    memory.Release();  // the clipboard owns it now
    return kOk;
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
