// Regions of one colour: found, the small ones merged into neighbours, their boundaries traced.
#include <algorithm>
#include <numeric>

#include "imaging/editing.h"
#include "imaging/vectorize.h"
#include "imaging/working_pixels.h"

namespace pimbax::imaging {

namespace {

constexpr std::uint64_t kMaxTracedPixels = kMaxPixelBytes / 16;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;
constexpr int kMergePasses = 8;

// The regions of an index map: which region each pixel is in, and each region's size and colour.
struct Regions {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> of;
    std::vector<std::uint32_t> size;
    std::vector<std::uint8_t> colour;

    std::uint32_t At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return kNone;
        return of[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
    }
};

const int kStepX[4] = {1, 0, -1, 0};  // east, south, west, north
const int kStepY[4] = {0, 1, 0, -1};

// Calls `visit` with each pixel that shares an edge with pixel p.
template <typename Visit>
void ForNeighbours(std::size_t p, int width, int height, const Visit& visit) {
    const std::size_t w = static_cast<std::size_t>(width);
    const int x = static_cast<int>(p % w);
    const int y = static_cast<int>(p / w);
    if (x > 0) visit(p - 1);
    if (x + 1 < width) visit(p + 1);
    if (y > 0) visit(p - w);
    if (y + 1 < height) visit(p + w);
}

Result FindRegions(const std::vector<std::uint8_t>& index, int width, int height,
                   Regions& regions) {
    regions.width = width;
    regions.height = height;
    const Result result = AllocateWorking(
        regions.of, static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height));
    if (result != kOk) return result;
    std::fill(regions.of.begin(), regions.of.end(), kNone);
    regions.size.clear();
    regions.colour.clear();
    std::vector<std::uint32_t> pending;
    for (std::size_t start = 0; start < regions.of.size(); ++start) {
        if (regions.of[start] != kNone) continue;
        const std::uint32_t region = static_cast<std::uint32_t>(regions.size.size());
        const std::uint8_t colour = index[start];
        regions.size.push_back(0);
        regions.colour.push_back(colour);
        regions.of[start] = region;
        pending.push_back(static_cast<std::uint32_t>(start));
        while (!pending.empty()) {
            const std::size_t p = pending.back();
            pending.pop_back();
            ++regions.size[region];
            ForNeighbours(p, width, height, [&](std::size_t q) {
                if (regions.of[q] == kNone && index[q] == colour) {
                    regions.of[q] = region;
                    pending.push_back(static_cast<std::uint32_t>(q));
                }
            });
        }
    }
    return kOk;
}

// Merges every region below `smallest` pixels into the neighbour it shares the most edges with,
// recolouring the index map. Whether anything was merged.
bool MergeSmall(const Regions& regions, std::size_t smallest, std::vector<std::uint8_t>& index) {
    const std::size_t count = regions.size.size();
    std::vector<std::uint32_t> small;
    for (std::uint32_t r = 0; r < count; ++r) {
        if (regions.size[r] < smallest) small.push_back(r);
    }
    if (small.empty() || count < 2) return false;
    std::stable_sort(small.begin(), small.end(), [&](std::uint32_t a, std::uint32_t b) {
        return regions.size[a] < regions.size[b];
    });
    // The pixels of each small region, gathered in one array.
    std::vector<std::uint32_t> slot(count, kNone);
    std::vector<std::size_t> first(small.size() + 1, 0);
    for (std::size_t i = 0; i < small.size(); ++i) {
        slot[small[i]] = static_cast<std::uint32_t>(i);
        first[i + 1] = first[i] + regions.size[small[i]];
    }
    std::vector<std::uint32_t> pixels(first.back());
    std::vector<std::size_t> cursor(first.begin(), first.end() - 1);
    for (std::size_t p = 0; p < regions.of.size(); ++p) {
        const std::uint32_t s = slot[regions.of[p]];
        if (s != kNone) pixels[cursor[s]++] = static_cast<std::uint32_t>(p);
    }

    std::vector<std::uint32_t> parent(count);
    std::iota(parent.begin(), parent.end(), 0u);
    std::vector<std::size_t> rootSize(regions.size.begin(), regions.size.end());
    auto find = [&](std::uint32_t r) {
        while (parent[r] != r) r = parent[r] = parent[parent[r]];
        return r;
    };
    bool merged = false;
    std::vector<std::uint32_t> neighbours;
    for (std::size_t i = 0; i < small.size(); ++i) {
        const std::uint32_t root = find(small[i]);
        if (rootSize[root] >= smallest) continue;
        neighbours.clear();
        for (std::size_t k = first[i]; k < first[i + 1]; ++k) {
            ForNeighbours(pixels[k], regions.width, regions.height, [&](std::size_t q) {
                const std::uint32_t other = find(regions.of[q]);
                if (other != root) neighbours.push_back(other);
            });
        }
        if (neighbours.empty()) continue;  // the whole image
        std::sort(neighbours.begin(), neighbours.end());
        std::uint32_t best = neighbours[0];
        std::size_t bestEdges = 0;
        for (std::size_t k = 0; k < neighbours.size();) {
            std::size_t run = k;
            while (run < neighbours.size() && neighbours[run] == neighbours[k]) ++run;
            if (run - k > bestEdges) {
                bestEdges = run - k;
                best = neighbours[k];
            }
            k = run;
        }
        parent[root] = best;
        rootSize[best] += rootSize[root];
        merged = true;
    }
    if (merged) {
        for (std::size_t p = 0; p < index.size(); ++p) {
            index[p] = regions.colour[find(regions.of[p])];
        }
    }
    return merged;
}

// Whether the edge leaving corner (x, y) in direction d has region r on its right and another
// region (or the outside) on its left.
bool IsBoundary(const Regions& regions, int x, int y, int d, std::uint32_t r) {
    static const int kRight[4][2] = {{0, 0}, {-1, 0}, {-1, -1}, {0, -1}};
    static const int kLeft[4][2] = {{0, -1}, {0, 0}, {-1, 0}, {-1, -1}};
    return regions.At(x + kRight[d][0], y + kRight[d][1]) == r &&
           regions.At(x + kLeft[d][0], y + kLeft[d][1]) != r;
}

// Follows the boundary of region r from the eastward edge on top of pixel (x, y), turning right
// first at each corner, until it comes back; marks the eastward edges it passes. False when the
// boundary breaks off (never for a consistent region map).
bool FollowBoundary(const Regions& regions, int startX, int startY, std::uint32_t r,
                    std::vector<std::uint64_t>& passed, std::vector<POINT>& loop) {
    const std::size_t w = static_cast<std::size_t>(regions.width);
    int x = startX;
    int y = startY;
    int d = 0;
    do {
        if (d == 0) {
            const std::size_t at = static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x);
            passed[at >> 6] |= std::uint64_t{1} << (at & 63);
        }
        x += kStepX[d];
        y += kStepY[d];
        int next = -1;
        for (int turn : {1, 0, 3}) {
            if (IsBoundary(regions, x, y, (d + turn) & 3, r)) {
                next = (d + turn) & 3;
                break;
            }
        }
        if (next < 0) return false;
        if (next != d) loop.push_back(POINT{x, y});
        d = next;
    } while (x != startX || y != startY || d != 0);
    // Start at the topmost, then leftmost corner.
    const auto top = std::min_element(loop.begin(), loop.end(), [](const POINT& a, const POINT& b) {
        return a.y != b.y ? a.y < b.y : a.x < b.x;
    });
    std::rotate(loop.begin(), top, loop.end());
    return true;
}

std::int64_t TwiceSignedArea(const std::vector<POINT>& loop) {
    std::int64_t sum = 0;
    for (std::size_t i = 0; i < loop.size(); ++i) {
        const POINT& a = loop[i];
        const POINT& b = loop[(i + 1) % loop.size()];
        sum += static_cast<std::int64_t>(a.x) * b.y - static_cast<std::int64_t>(b.x) * a.y;
    }
    return sum;
}

Result Trace(const RasterImage& image, int colours, int smallestRegion,
             std::vector<TracedRegion>& traced) {
    RasterImage reduced;
    Result result = Reduce(image, colours, 0, 0, reduced);
    if (result != kOk) return result;
    std::vector<std::uint8_t> index;
    result = AllocateWorking(
        index, static_cast<std::uint64_t>(image.width) * static_cast<std::uint64_t>(image.height));
    if (result != kOk) return result;
    std::size_t at = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            index[at++] = static_cast<std::uint8_t>(PixelValue(reduced, x, y));
        }

    Regions regions;
    result = FindRegions(index, image.width, image.height, regions);
    for (int pass = 0; result == kOk && pass < kMergePasses; ++pass) {
        if (!MergeSmall(regions, static_cast<std::size_t>(smallestRegion), index)) break;
        result = FindRegions(index, image.width, image.height, regions);
    }
    if (result != kOk) return result;
    std::vector<std::uint8_t>().swap(index);

    std::vector<TracedRegion> found(regions.size.size());
    for (std::size_t r = 0; r < found.size(); ++r) {
        const RGBQUAD& entry = reduced.palette[regions.colour[r]];
        found[r].colour = RGB(entry.rgbRed, entry.rgbGreen, entry.rgbBlue);
        found[r].pixels = regions.size[r];
    }
    std::vector<std::uint64_t> passed;
    result = AllocateWorking(passed, (regions.of.size() + 63) / 64);
    if (result != kOk) return result;
    // Every boundary has an eastward edge; the first one met in reading order starts it.
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t r = regions.At(x, y);
            const std::size_t p =
                static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                static_cast<std::size_t>(x);
            if (regions.At(x, y - 1) == r || (passed[p >> 6] >> (p & 63)) & 1) continue;
            std::vector<POINT> loop;
            if (!FollowBoundary(regions, x, y, r, passed, loop)) return kBadFormat;
            if (TwiceSignedArea(loop) > 0) {
                found[r].outer.swap(loop);
            } else {
                found[r].holes.push_back(std::move(loop));
            }
        }
    traced.swap(found);
    return kOk;
}

}  // namespace

Result TraceRegions(const RasterImage& image, int colours, int smallestRegion,
                    std::vector<TracedRegion>& regions) {
    if (image.Empty() || colours < 2 || colours > 64 || smallestRegion < 0) return kBadValue;
    if (static_cast<std::uint64_t>(image.width) * static_cast<std::uint64_t>(image.height) >
        kMaxTracedPixels) {
        return kTooLarge;
    }
    return Guarded([&] { return Trace(image, colours, smallestRegion, regions); });
}

}  // namespace pimbax::imaging
