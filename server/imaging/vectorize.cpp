// Traced regions recorded as an enhanced metafile.
#include "imaging/vectorize.h"

#include <cmath>
#include <map>

#include "handles.h"
#include "budgets.h"
#include "imaging/working_pixels.h"

namespace pimbax::imaging {

namespace {

// The points and loop lengths of every region of one colour, for one PolyPolygon.
struct ColourSet {
    std::vector<POINT> points;
    std::vector<INT> counts;
};

Result Record(const std::vector<TracedRegion>& regions, int width, int height,
              std::vector<std::uint8_t>& metafile) {
    // Colours in the order of their first region.
    std::vector<COLORREF> order;
    std::map<COLORREF, ColourSet> sets;
    std::uint64_t estimate = 4096;
    for (const TracedRegion& region : regions) {
        auto found = sets.find(region.colour);
        if (found == sets.end()) {
            order.push_back(region.colour);
            found = sets.emplace(region.colour, ColourSet{}).first;
            estimate += 128;  // a brush, its selection and its deletion
        }
        estimate += 8 * (region.outer.size() + 1);
        for (const auto& hole : region.holes) estimate += 8 * (hole.size() + 1);
        if (estimate > kMaxMetafileBytes) return kTooLarge;
        ColourSet& set = found->second;
        set.points.insert(set.points.end(), region.outer.begin(), region.outer.end());
        set.counts.push_back(static_cast<INT>(region.outer.size()));
        for (const auto& hole : region.holes) {
            set.points.insert(set.points.end(), hole.begin(), hole.end());
            set.counts.push_back(static_cast<INT>(hole.size()));
        }
    }

    // The frame, in hundredths of a millimetre, of the image's size at 96 pixels per inch.
    const RECT frame = {0, 0, static_cast<LONG>(std::lround(width * 2540.0 / 96.0)),
                        static_cast<LONG>(std::lround(height * 2540.0 / 96.0))};
    HDC recorder = CreateEnhMetaFileW(nullptr, nullptr, &frame, L"Pimbax\0Vectorized image\0");
    if (recorder == nullptr) return kTooLarge;
    // Image pixels onto the frame exactly, whatever the reference device's own resolution.
    const double perMillimetreX =
        static_cast<double>(GetDeviceCaps(recorder, HORZRES)) / GetDeviceCaps(recorder, HORZSIZE);
    const double perMillimetreY =
        static_cast<double>(GetDeviceCaps(recorder, VERTRES)) / GetDeviceCaps(recorder, VERTSIZE);
    XFORM scale = {};
    scale.eM11 = static_cast<FLOAT>(frame.right / 100.0 * perMillimetreX / width);
    scale.eM22 = static_cast<FLOAT>(frame.bottom / 100.0 * perMillimetreY / height);
    SetGraphicsMode(recorder, GM_ADVANCED);
    SetWorldTransform(recorder, &scale);
    SetPolyFillMode(recorder, ALTERNATE);
    SelectObject(recorder, GetStockObject(NULL_PEN));
    for (COLORREF colour : order) {
        const ColourSet& set = sets.find(colour)->second;
        UniqueGdiObject brush(CreateSolidBrush(colour));
        const HGDIOBJ previous = SelectObject(recorder, brush.Get());
        PolyPolygon(recorder, set.points.data(), set.counts.data(),
                    static_cast<int>(set.counts.size()));
        SelectObject(recorder, previous);
    }
    const UniqueEnhMetaFile recorded(CloseEnhMetaFile(recorder));
    if (!recorded) return kTooLarge;
    const UINT size = GetEnhMetaFileBits(recorded.Get(), 0, nullptr);
    if (size == 0) return kTooLarge;
    if (size > kMaxMetafileBytes) return kTooLarge;
    std::vector<std::uint8_t> bytes(size);
    if (GetEnhMetaFileBits(recorded.Get(), size, bytes.data()) != size) return kTooLarge;
    metafile.swap(bytes);
    return kOk;
}

}  // namespace

Result Vectorize(const RasterImage& image, int colours, int smallestRegion,
                 std::vector<std::uint8_t>& metafile) {
    std::vector<TracedRegion> regions;
    const Result result = TraceRegions(image, colours, smallestRegion, regions);
    if (result != kOk) return result;
    return Guarded([&] { return Record(regions, image.width, image.height, metafile); });
}

}  // namespace pimbax::imaging
