// Dewey: printing the document onto a page the host has started.
#include "dewey.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "louie.h"
#include "shared_section.h"
#include "unique_resource.h"
#include "zevprnblt.h"

namespace {

constexpr std::int64_t kPixelBudget = 16000000;
constexpr short kNotPrintable = -1007;
constexpr short kFailed = -1025;
constexpr short kRasterBits = 8;
constexpr DWORD kHeaderSize = sizeof(BITMAPINFOHEADER);
// Sections of other makers may put an 8-byte block before the bitmap.
constexpr std::size_t kLeadingBlock = 8;

// Bytes of pixel data: rows of depth * width bits rounded up to 4 bytes, times the height.
std::int64_t PixelBytes(std::int64_t width, std::int64_t height, std::int64_t depth) {
    return (((depth * width + 31) >> 3) & ~std::int64_t{3}) * height;
}

int CALLBACK PlayRecord(HDC dc, HANDLETABLE* table, const ENHMETARECORD* record, int count,
                        LPARAM) {
    PlayEnhMetaFileRecord(dc, table, record, static_cast<UINT>(count));
    return 1;  // a record that does not play does not stop the others
}

// Gives the Louie's held section back: the handle closed, the name freed, both fields null.
void ReleaseHeldSection(Louie& louie) {
    kelocli::UniqueHandle(louie.sectionHandle).Reset();
    kelocli::UniqueBstr(louie.sectionName).Reset();
    louie.sectionHandle = nullptr;
    louie.sectionName = nullptr;
}

struct BlitterDeleter {
    void operator()(kelocli::ZevPrnBlt* blitter) const { delete blitter; }
};

}  // namespace

short Dewey::Print(HDC printer, RECT* part, RECT* area) {
    if (printer == nullptr || part == nullptr || area == nullptr) return kFailed;
    if (IsRaster()) return PrintRaster(printer, part, area);
    if (IsEntity()) return PrintEntity(printer, part, area);
    return PrintMetafile(printer, part, area);
}

short Dewey::PrintEntity(HDC printer, RECT* part, RECT* area) {
    const short rasterized =
        Rasterize(static_cast<short>(part->right), static_cast<short>(part->bottom), kRasterBits);
    if (rasterized != 0) return rasterized;
    return PrintRaster(printer, part, area);
}

short Dewey::PrintRaster(HDC printer, RECT* part, RECT* area) {
    short result = 0;
    RECT reduced = *part;
    long width = 0;
    long height = 0;
    short depth = 0;
    GetInfo(&width, &height, nullptr, nullptr, &depth);
    while (PixelBytes(width, height, depth) > kPixelBudget) {
        width >>= 1;
        height >>= 1;
        reduced.top >>= 1;
        reduced.left >>= 1;
        reduced.right >>= 1;
        reduced.bottom >>= 1;
        const short resized = Resize(static_cast<short>(width), static_cast<short>(height), 0);
        if (resized != 0) return resized;
    }
    if (louie == nullptr) return kNotPrintable;

    louie->SaveResurrectionData();
    {
        const kelocli::UniqueView view = kelocli::MapSectionForReading(louie->sectionHandle);
        if (!view) {
            result = kNotPrintable;
        } else {
            const auto* start = static_cast<const unsigned char*>(view.Get());
            DWORD firstWord;
            std::memcpy(&firstWord, start, sizeof firstWord);
            auto* header = reinterpret_cast<BITMAPINFOHEADER*>(const_cast<unsigned char*>(
                firstWord == kHeaderSize ? start : start + kLeadingBlock));
            const std::unique_ptr<kelocli::ZevPrnBlt, BlitterDeleter> blitter(
                new kelocli::ZevPrnBlt(printer));
            if (!blitter) {
                result = kNotPrintable;
            } else {
                blitter->ZevPrnBlit(printer, header, &reduced, area);
            }
        }
    }  // the view is unmapped here, from the address it was mapped at
    ReleaseHeldSection(*louie);
    return result;
}

short Dewey::PrintMetafile(HDC printer, RECT* part, RECT* area) {
    RECT size = {0, 0, 0, 0};
    GetInfo(&size.right, &size.bottom, nullptr, nullptr, nullptr);
    kelocli::UniqueMetafileRecorder recorder(
        CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr));
    if (louie != nullptr) {
        louie->AttachWindow(nullptr, recorder.Get());
        louie->Paint(part, &size);
    }
    const kelocli::UniqueEnhMetaFile metafile(recorder ? CloseEnhMetaFile(recorder.Release())
                                                       : nullptr);
    const BOOL played = EnumEnhMetaFile(printer, metafile.Get(), PlayRecord, nullptr, area);
    return played == 1 ? 0 : kFailed;
}
