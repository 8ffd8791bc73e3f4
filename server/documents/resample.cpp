// Resampling raster images into 32-bit pixels: the shrink averages areas in fixed point with SSE2
// (a vertical pass over the source rows first, then prefix sums across), the enlargement copies
// the pixel under each output pixel through index tables, and large jobs are shared out between
// the processor's cores by output rows.
//
// Every depth goes through the same kernels: 24- and 32-bit rows are read as they are stored (3 or
// 4 bytes a pixel), indexed rows and alpha to be composited onto white are first unpacked to
// 32-bit pixels, a few rows at a time.
#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "cancellation.h"
#include "documents/raster_image.h"

namespace pimbax {

namespace {

constexpr std::uint32_t kOpaqueWhite = 0xFFFFFFFFu;
constexpr std::uint32_t kOpaque = 0xFF000000u;
// The vertical pass leaves every channel in 1/256 of a level, so white is 255 * 256.
constexpr int kFractionBits = 8;
constexpr float kWhiteLevel = 255.0f * (1 << kFractionBits);
// Source rows unpacked per step of the vertical pass, and the rows kept unpacked.
constexpr int kGroup = 8;
constexpr int kSlots = kGroup + 1;
// Below this many bytes of source and output touched, one thread does it all.
constexpr double kBytesPerThread = 1 << 21;
constexpr unsigned kMostThreads = 8;
// Source edges farther out than this (or not numbers) give white.
constexpr double kFarthestEdge = 1099511627776.0;  // 2^40

// --- Reading rows ------------------------------------------------------------------------------

// The 32-bit value of each palette index; indices past the palette are opaque black.
std::vector<std::uint32_t> PaletteTable(const RasterImage& image) {
    std::vector<std::uint32_t> table(256, kOpaque);
    const std::size_t entries = std::min<std::size_t>(image.palette.size(), 256);
    for (std::size_t i = 0; i < entries; ++i) {
        const RGBQUAD& entry = image.palette[i];
        table[i] = kOpaque | entry.rgbBlue | (static_cast<std::uint32_t>(entry.rgbGreen) << 8) |
                   (static_cast<std::uint32_t>(entry.rgbRed) << 16);
    }
    return table;
}

// Composites 32-bit pixels onto white, in place: each colour channel becomes
// (c * a + 255 * (255 - a) + 127) / 255, alpha 255.
void CompositeOnWhite(std::uint32_t* pixels, int count) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi16(255), half = _mm_set1_epi16(127), one = _mm_set1_epi16(1);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(kOpaque));
    // Two pixels of 16-bit channels; x / 255 is (x + 1 + (x >> 8)) >> 8 for the x that occur.
    auto mix = [&](__m128i c) {
        const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(c, 0xFF), 0xFF);
        __m128i x =
            _mm_add_epi16(_mm_mullo_epi16(c, a), _mm_mullo_epi16(full, _mm_sub_epi16(full, a)));
        x = _mm_add_epi16(x, half);
        return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(x, one), _mm_srli_epi16(x, 8)), 8);
    };
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i* p = reinterpret_cast<__m128i*>(pixels + i);
        const __m128i c = _mm_loadu_si128(p);
        const __m128i mixed =
            _mm_packus_epi16(mix(_mm_unpacklo_epi8(c, zero)), mix(_mm_unpackhi_epi8(c, zero)));
        _mm_storeu_si128(p, _mm_or_si128(mixed, opaque));
    }
    for (; i < count; ++i) {
        const __m128i c = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(pixels[i])), zero);
        pixels[i] =
            static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(mix(c), zero))) | kOpaque;
    }
}

// Pixels [x, x + count) of row y (from the top) as 32-bit BGRA.
void UnpackRow(const RasterImage& image, const std::uint32_t* palette, int y, int x, int count,
               bool overWhite, std::uint32_t* out) {
    const std::uint8_t* row = image.TopRow(y);
    switch (image.bitsPerPixel) {
        case 1:
            for (int i = 0; i < count; ++i) {
                const int p = x + i;
                out[i] = palette[(row[p >> 3] >> (7 - (p & 7))) & 1];
            }
            break;
        case 4:
            for (int i = 0; i < count; ++i) {
                const int p = x + i;
                out[i] = palette[(p & 1) ? (row[p >> 1] & 0x0F) : (row[p >> 1] >> 4)];
            }
            break;
        case 8:
            for (int i = 0; i < count; ++i) out[i] = palette[row[x + i]];
            break;
        case 24:
            for (int i = 0; i < count; ++i) {
                const std::uint8_t* p = row + static_cast<std::size_t>(x + i) * 3;
                out[i] = kOpaque | p[0] | (static_cast<std::uint32_t>(p[1]) << 8) |
                         (static_cast<std::uint32_t>(p[2]) << 16);
            }
            break;
        default:
            std::memcpy(out, row + static_cast<std::size_t>(x) * 4,
                        static_cast<std::size_t>(count) * 4);
            if (!image.hasAlpha) {
                for (int i = 0; i < count; ++i) out[i] |= kOpaque;
            } else if (overWhite) {
                CompositeOnWhite(out, count);
            }
            break;
    }
}

// How the kernels see the source rows.
struct Layout {
    int channels = 4;                // bytes per pixel: 3 (24-bit rows as stored) or 4
    bool unpacked = false;           // rows are unpacked to BGRA first
    std::uint32_t opaque = kOpaque;  // or-ed into every output pixel; 0 keeps the averaged alpha
};

Layout LayoutOf(const RasterImage& image, bool overWhite) {
    Layout layout;
    if (image.bitsPerPixel == 24) {
        layout.channels = 3;
    } else if (image.bitsPerPixel == 32) {
        layout.unpacked = image.hasAlpha && overWhite;
        if (image.hasAlpha && !overWhite) layout.opaque = 0;
    } else {
        layout.unpacked = true;
    }
    return layout;
}

// --- Planning the axes -------------------------------------------------------------------------

// One output pixel across: fractions of prefix-sum differences, in 1/256 levels.
struct AcrossEntry {
    int first;        // first source pixel (relative to the axis' low end)
    int last;         // last source pixel; first + 1 with lastPart 0 when only one is covered
    float firstPart;  // covered part of the first pixel
    float lastPart;   // covered part of the last pixel (those between count whole)
    float white;      // the part outside the image, times white
    float scale;      // 1 / (256 * covered length): the result in levels
};

// One output row down: the source rows it covers and their weights.
struct DownEntry {
    int first;  // first source row; last < first when none is covered
    int last;
    std::int16_t firstWeight;  // the rows between weigh 1 << weightBits
    std::int16_t lastWeight;
    float scale;   // turns the weighted sums into 1/256 levels ...
    float offset;  // ... and adds the white outside the image
};

struct Axis {
    bool nearest = false;  // the picture grows (or keeps its size) along this axis
    int low = 0;           // the source pixels any output pixel reads: [low, high)
    int high = 0;
    std::vector<int> pixel;  // nearest: the source pixel - low, or -1 outside the image
    std::vector<AcrossEntry> across;
    std::vector<DownEntry> down;
    int weightBits = 14;
};

// One output pixel's cover along an axis when the picture shrinks.
struct Cover {
    int first = 0;  // source pixels inside the image, last < first when none
    int last = -1;
    double firstPart = 0, lastPart = 0;  // lastPart is 0 when first == last
    double white = 0;                    // length outside the image
};

Cover CoverOf(double a, double b, int sourceCount) {
    Cover cover;
    const double low = std::max(a, 0.0);
    const double high = std::min(b, static_cast<double>(sourceCount));
    double inside = 0;
    if (low < high) {
        cover.first = static_cast<int>(std::floor(low));
        cover.last = std::max(cover.first, static_cast<int>(std::ceil(high)) - 1);
        cover.firstPart = std::min(high, cover.first + 1.0) - low;
        if (cover.last > cover.first) cover.lastPart = high - cover.last;
        inside = high - low;
    }
    cover.white = std::max(0.0, (b - a) - inside);
    return cover;
}

// Output pixel d covers source [start + d * step, start + (d + 1) * step); growing, it takes the
// pixel under its centre.
Axis PlanAxis(double start, double end, int outCount, int sourceCount, bool across) {
    Axis axis;
    const double step = (end - start) / outCount;
    axis.nearest = step <= 1.0;
    axis.low = sourceCount;
    axis.high = 0;
    const std::size_t count = static_cast<std::size_t>(outCount);
    std::vector<Cover> covers(count);
    if (axis.nearest) {
        axis.pixel.resize(count);
        for (int d = 0; d < outCount; ++d) {
            const double cell = std::floor(start + d * step + step / 2.0);
            const int p = (cell >= 0.0 && cell < sourceCount) ? static_cast<int>(cell) : -1;
            axis.pixel[static_cast<std::size_t>(d)] = p;
            Cover& cover = covers[static_cast<std::size_t>(d)];
            if (p >= 0) {
                cover.first = cover.last = p;
                cover.firstPart = 1.0;
            } else {
                cover.white = 1.0;
            }
        }
    } else {
        for (int d = 0; d < outCount; ++d) {
            const double a = start + d * step;
            covers[static_cast<std::size_t>(d)] = CoverOf(a, a + step, sourceCount);
        }
    }
    int mostCells = 1;
    for (const Cover& cover : covers) {
        if (cover.last < cover.first) continue;
        axis.low = std::min(axis.low, cover.first);
        axis.high = std::max(axis.high, cover.last + 1);
        mostCells = std::max(mostCells, cover.last - cover.first + 1);
    }
    if (axis.high <= axis.low) {
        axis.low = axis.high = 0;
        return axis;
    }
    if (axis.nearest) {
        for (int& p : axis.pixel) p = p < 0 ? -1 : p - axis.low;
    }

    if (across) {
        axis.across.resize(count);
        for (std::size_t d = 0; d < count; ++d) {
            const Cover& cover = covers[d];
            AcrossEntry& entry = axis.across[d];
            entry = AcrossEntry{0, 1, 0.0f, 0.0f, 0.0f, 0.0f};
            double total = cover.white;
            if (cover.last >= cover.first) {
                entry.first = cover.first - axis.low;
                entry.last = std::max(cover.last, cover.first + 1) - axis.low;
                entry.firstPart = static_cast<float>(cover.firstPart);
                entry.lastPart = static_cast<float>(cover.lastPart);
                total +=
                    cover.firstPart + cover.lastPart + std::max(0, cover.last - cover.first - 1);
            }
            entry.white = static_cast<float>(cover.white) * kWhiteLevel;
            entry.scale = static_cast<float>(1.0 / ((1 << kFractionBits) * total));
        }
        return axis;
    }

    // Down: whole rows weigh 1 << weightBits in 16 bits, as many as the sums hold in 31 bits.
    while (axis.weightBits > 0 &&
           (255.0 * (1 << axis.weightBits)) * (mostCells + 1) >= 2147483647.0) {
        --axis.weightBits;
    }
    const double unit = static_cast<double>(1 << axis.weightBits);
    axis.down.resize(count);
    for (std::size_t d = 0; d < count; ++d) {
        const Cover& cover = covers[d];
        DownEntry& entry = axis.down[d];
        entry = DownEntry{cover.first, cover.last, 0, 0, 0.0f, 0.0f};
        double weights = 0;
        if (cover.last >= cover.first) {
            entry.firstWeight = static_cast<std::int16_t>(std::lround(cover.firstPart * unit));
            entry.lastWeight = static_cast<std::int16_t>(std::lround(cover.lastPart * unit));
            weights = entry.firstWeight + (cover.last > cover.first ? entry.lastWeight : 0) +
                      unit * std::max(0, cover.last - cover.first - 1);
        }
        const double total = weights / unit + cover.white;
        entry.scale = static_cast<float>((1 << kFractionBits) / (unit * total));
        entry.offset = static_cast<float>(kWhiteLevel * cover.white / total);
    }
    return axis;
}

// --- Kernels -----------------------------------------------------------------------------------

// sums[i] (+)= the weighted sum of rows[t][i] over the rows, for every byte i in [0, length).
void AccumulateRows(const std::uint8_t* const* rows, const std::int16_t* weights, int count,
                    std::size_t length, bool start, std::int32_t* sums) {
    const __m128i zero = _mm_setzero_si128();
    std::size_t i = 0;
    for (; i + 16 <= length; i += 16) {
        __m128i* target = reinterpret_cast<__m128i*>(sums + i);
        __m128i s0 = start ? zero : _mm_loadu_si128(target);
        __m128i s1 = start ? zero : _mm_loadu_si128(target + 1);
        __m128i s2 = start ? zero : _mm_loadu_si128(target + 2);
        __m128i s3 = start ? zero : _mm_loadu_si128(target + 3);
        for (int t = 0; t < count; t += 2) {
            // Two rows at a time: their bytes interleaved in 16 bits meet their weights in madd.
            const bool pair = t + 1 < count;
            const std::uint32_t packed =
                static_cast<std::uint16_t>(weights[t]) |
                (pair ? static_cast<std::uint32_t>(static_cast<std::uint16_t>(weights[t + 1])) << 16
                      : 0u);
            const __m128i w = _mm_set1_epi32(static_cast<int>(packed));
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[t] + i));
            const __m128i b =
                pair ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[t + 1] + i)) : zero;
            const __m128i aLow = _mm_unpacklo_epi8(a, zero), bLow = _mm_unpacklo_epi8(b, zero);
            const __m128i aHigh = _mm_unpackhi_epi8(a, zero), bHigh = _mm_unpackhi_epi8(b, zero);
            s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi16(aLow, bLow), w));
            s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi16(aLow, bLow), w));
            s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi16(aHigh, bHigh), w));
            s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi16(aHigh, bHigh), w));
        }
        _mm_storeu_si128(target, s0);
        _mm_storeu_si128(target + 1, s1);
        _mm_storeu_si128(target + 2, s2);
        _mm_storeu_si128(target + 3, s3);
    }
    for (; i < length; ++i) {  // the last bytes of the row, without reading past it
        std::int32_t sum = start ? 0 : sums[i];
        for (int t = 0; t < count; ++t) sum += weights[t] * rows[t][i];
        sums[i] = sum;
    }
}

// Turns the weighted sums of each pixel into 1/256 levels (white outside the image included) and
// sums them up: prefix[4 * (i + 1) + c] = channel c summed over pixels [0, i]. One more entry
// repeats the last, for covers whose last pixel is a zero-weighted one past the end. `sums` must
// be readable 4 values from every pixel's start.
void PrefixLevels(const std::int32_t* sums, int channels, int count, float scale, float offset,
                  std::int32_t* prefix) {
    const __m128 factor = _mm_set1_ps(scale), add = _mm_set1_ps(offset);
    __m128i run = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(prefix), run);
    for (int i = 0; i < count; ++i) {
        const __m128i pixel =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + i * channels));
        run = _mm_add_epi32(
            run, _mm_cvtps_epi32(_mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(pixel), factor), add)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(prefix + 4 * (i + 1)), run);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(prefix + 4 * (count + 1)), run);
}

__m128 Difference(const std::int32_t* prefix, int to, int from) {
    return _mm_cvtepi32_ps(
        _mm_sub_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(prefix + 4 * to)),
                      _mm_loadu_si128(reinterpret_cast<const __m128i*>(prefix + 4 * from))));
}

std::uint32_t PackPixel(__m128 levels) {
    const __m128i v = _mm_cvtps_epi32(levels);
    const __m128i words = _mm_packs_epi32(v, v);
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
}

// One output row across from the prefix sums of a row of levels.
void SumAcross(const std::int32_t* prefix, const AcrossEntry* entries, int count,
               std::uint32_t opaque, std::uint32_t* out) {
    for (int d = 0; d < count; ++d) {
        const AcrossEntry& e = entries[d];
        __m128 sum = _mm_mul_ps(Difference(prefix, e.first + 1, e.first), _mm_set1_ps(e.firstPart));
        sum = _mm_add_ps(sum, Difference(prefix, e.last, e.first + 1));
        sum = _mm_add_ps(
            sum, _mm_mul_ps(Difference(prefix, e.last + 1, e.last), _mm_set1_ps(e.lastPart)));
        sum = _mm_add_ps(sum, _mm_set1_ps(e.white));
        out[d] = PackPixel(_mm_mul_ps(sum, _mm_set1_ps(e.scale))) | opaque;
    }
}

// One output row by nearest pixel from a source row of 3 or 4 bytes a pixel.
template <int kChannels>
void PickAcross(const std::uint8_t* row, const int* pixel, int count, std::uint32_t opaque,
                std::uint32_t* out) {
    for (int d = 0; d < count; ++d) {
        const int p = pixel[d];
        if (p < 0) {
            out[d] = kOpaqueWhite;
            continue;
        }
        const std::uint8_t* q = row + static_cast<std::size_t>(p) * kChannels;
        std::uint32_t c;
        if (kChannels == 4) {
            std::memcpy(&c, q, 4);
        } else {
            c = q[0] | (static_cast<std::uint32_t>(q[1]) << 8) |
                (static_cast<std::uint32_t>(q[2]) << 16);
        }
        out[d] = c | opaque;
    }
}

// --- The job -----------------------------------------------------------------------------------

struct Job {
    const RasterImage* image;
    bool overWhite;
    Layout layout;
    std::vector<std::uint32_t> palette;
    Axis xs;             // across
    Axis ys;             // down
    std::uint32_t* out;  // output row `firstRow`
    int outWidth;
    std::size_t outStride;
    int firstRow;

    std::uint32_t* OutRow(int y) const {
        return out + static_cast<std::size_t>(y - firstRow) * outStride;
    }

    // Both axes grow: every output pixel is a source pixel.
    bool Picks() const { return xs.nearest && ys.nearest; }
    int Span() const { return xs.high - xs.low; }
    std::size_t SpanBytes() const {
        return static_cast<std::size_t>(Span()) * static_cast<std::size_t>(layout.channels);
    }
};

// What one thread works in.
struct Scratch {
    std::vector<std::int32_t> sums;    // a row of weighted sums, one per byte of the span
    std::vector<std::int32_t> prefix;  // its prefix sums, four channels a pixel
    std::vector<std::uint32_t> unpacked;
    int slotRow[kSlots];

    explicit Scratch(const Job& job)
        : sums(job.Picks() ? 0 : job.SpanBytes() + 16, 0),
          prefix(job.Picks() ? 0 : 4 * (static_cast<std::size_t>(job.Span()) + 2), 0),
          unpacked(job.layout.unpacked ? kSlots * static_cast<std::size_t>(job.Span()) : 0) {
        std::fill(slotRow, slotRow + kSlots, -1);
    }
};

// The bytes of source rows ys[0, count) (count <= kGroup) over the span, valid until the next
// call: rows as stored, or unpacked into slots that keep recently unpacked rows.
void ReadRows(const Job& job, Scratch& scratch, const int* ys, int count,
              const std::uint8_t** rows) {
    const std::size_t offset = static_cast<std::size_t>(job.xs.low) * job.layout.channels;
    if (!job.layout.unpacked) {
        for (int i = 0; i < count; ++i) rows[i] = job.image->TopRow(ys[i]) + offset;
        return;
    }
    bool taken[kSlots] = {};
    int missing[kGroup];
    int missed = 0;
    const std::size_t span = static_cast<std::size_t>(job.Span());
    auto slotData = [&](int slot) { return scratch.unpacked.data() + span * slot; };
    for (int i = 0; i < count; ++i) {
        const int* found = std::find(scratch.slotRow, scratch.slotRow + kSlots, ys[i]);
        if (found == scratch.slotRow + kSlots) {
            missing[missed++] = i;
            continue;
        }
        const int slot = static_cast<int>(found - scratch.slotRow);
        taken[slot] = true;
        rows[i] = reinterpret_cast<const std::uint8_t*>(slotData(slot));
    }
    int slot = 0;
    for (int m = 0; m < missed; ++m) {
        while (taken[slot]) ++slot;
        const int i = missing[m];
        UnpackRow(*job.image, job.palette.data(), ys[i], job.xs.low, job.Span(), job.overWhite,
                  slotData(slot));
        scratch.slotRow[slot] = ys[i];
        taken[slot] = true;
        rows[i] = reinterpret_cast<const std::uint8_t*>(slotData(slot));
    }
}

// Output rows [begin, end) when both axes grow: each source row is fetched once and repeated.
void PickRows(const Job& job, Scratch& scratch, int begin, int end) {
    const std::size_t rowBytes = static_cast<std::size_t>(job.outWidth) * 4;
    int previous = -2;
    for (int y = begin; y < end; ++y) {
        std::uint32_t* out = job.OutRow(y);
        const int sy = job.ys.pixel[static_cast<std::size_t>(y)];
        if (y > begin && sy == previous) {
            std::memcpy(out, out - job.outStride, rowBytes);
        } else if (sy < 0) {
            std::fill(out, out + job.outWidth, kOpaqueWhite);
        } else {
            const int row = sy + job.ys.low;
            const std::uint8_t* bytes;
            ReadRows(job, scratch, &row, 1, &bytes);
            if (job.layout.channels == 3) {
                PickAcross<3>(bytes, job.xs.pixel.data(), job.outWidth, job.layout.opaque, out);
            } else {
                PickAcross<4>(bytes, job.xs.pixel.data(), job.outWidth, job.layout.opaque, out);
            }
        }
        previous = sy;
    }
}

// Output rows [begin, end) when the picture shrinks along either axis.
void AverageRows(const Job& job, Scratch& scratch, int begin, int end) {
    const std::size_t length = job.SpanBytes();
    const std::int16_t whole = static_cast<std::int16_t>(1 << job.ys.weightBits);
    for (int y = begin; y < end; ++y) {
        const DownEntry& entry = job.ys.down[static_cast<std::size_t>(y)];
        // Down: the covered rows in groups, weighted; the first group starts the sums.
        bool start = true;
        for (int first = entry.first; first <= entry.last || start; first += kGroup) {
            const int count = std::max(0, std::min(kGroup, entry.last - first + 1));
            int ys[kGroup];
            std::int16_t weights[kGroup];
            for (int i = 0; i < count; ++i) {
                ys[i] = first + i;
                weights[i] = ys[i] == entry.first  ? entry.firstWeight
                             : ys[i] == entry.last ? entry.lastWeight
                                                   : whole;
            }
            const std::uint8_t* rows[kGroup];
            ReadRows(job, scratch, ys, count, rows);
            AccumulateRows(rows, weights, count, length, start, scratch.sums.data());
            start = false;
        }
        // Across.
        PrefixLevels(scratch.sums.data(), job.layout.channels, job.Span(), entry.scale,
                     entry.offset, scratch.prefix.data());
        SumAcross(scratch.prefix.data(), job.xs.across.data(), job.outWidth, job.layout.opaque,
                  job.OutRow(y));
    }
}

void RunRows(const Job& job, Scratch& scratch, int begin, int end) {
    if (job.Picks()) {
        PickRows(job, scratch, begin, end);
    } else {
        AverageRows(job, scratch, begin, end);
    }
}

void FillWhite(std::uint32_t* out, int width, int height, std::size_t stride) {
    for (int y = 0; y < height; ++y) {
        std::uint32_t* row = out + static_cast<std::size_t>(y) * stride;
        std::fill(row, row + width, kOpaqueWhite);
    }
}

}  // namespace

void ReadRowBgra(const RasterImage& image, int y, bool overWhite, std::uint32_t* out) {
    const std::vector<std::uint32_t> palette =
        image.bitsPerPixel <= 8 ? PaletteTable(image) : std::vector<std::uint32_t>();
    UnpackRow(image, palette.data(), y, 0, image.width, overWhite, out);
}

void ResampleToBgra(const RasterImage& image, const SourceRect& source, bool overWhite,
                    std::uint32_t* out, int outWidth, int outHeight, std::size_t outStride,
                    int firstRow, int rowCount) {
    if (outWidth <= 0 || outHeight <= 0 || firstRow < 0 || firstRow >= outHeight) return;
    const int lastRow = rowCount < 0 ? outHeight : std::min(outHeight, firstRow + rowCount);
    const int rows = lastRow - firstRow;
    // Only this thread may end the call, and only while no helper thread runs.
    ThrowIfCancelled();
    auto usable = [](double edge) { return std::fabs(edge) <= kFarthestEdge; };  // NaN is not
    if (image.Empty() || !usable(source.left) || !usable(source.top) || !usable(source.right) ||
        !usable(source.bottom)) {
        FillWhite(out, outWidth, rows, outStride);
        return;
    }
    Job job;
    job.image = &image;
    job.overWhite = overWhite;
    job.layout = LayoutOf(image, overWhite);
    if (image.bitsPerPixel <= 8) job.palette = PaletteTable(image);
    job.xs = PlanAxis(source.left, source.right, outWidth, image.width, true);
    job.ys = PlanAxis(source.top, source.bottom, outHeight, image.height, false);
    job.out = out;
    job.outWidth = outWidth;
    job.outStride = outStride;
    job.firstRow = firstRow;
    if (job.xs.high <= job.xs.low || job.ys.high <= job.ys.low) {
        FillWhite(out, outWidth, rows, outStride);  // nothing of the image is in the source
        return;
    }

    // Large jobs are shared out by output rows, one part on this thread.
    const double bytes = static_cast<double>(job.ys.nearest ? rows : job.ys.high - job.ys.low) *
                             static_cast<double>(job.SpanBytes()) +
                         4.0 * outWidth * rows;
    unsigned threads = std::max(1u, std::min(std::thread::hardware_concurrency(), kMostThreads));
    threads = std::min<unsigned>(
        threads, static_cast<unsigned>(std::max(1.0, std::floor(bytes / kBytesPerThread))));
    threads = std::min<unsigned>(threads, static_cast<unsigned>(rows));
    std::vector<Scratch> scratch;
    scratch.reserve(threads);
    for (unsigned i = 0; i < threads; ++i) scratch.emplace_back(job);
    // Everything is allocated before the first thread starts: nothing after it can throw.
    std::vector<std::thread> helpers(threads - 1);
    const int part = (rows + static_cast<int>(threads) - 1) / static_cast<int>(threads);
    auto run = [&](unsigned i) {
        const int begin = std::min(lastRow, firstRow + static_cast<int>(i) * part);
        RunRows(job, scratch[i], begin, std::min(lastRow, begin + part));
    };
    for (unsigned i = 1; i < threads; ++i) {
        try {
            helpers[i - 1] = std::thread(run, i);
        } catch (...) {  // no thread to be had: this thread does that part too
        }
    }
    run(0);
    for (unsigned i = 1; i < threads; ++i) {
        if (helpers[i - 1].joinable()) {
            helpers[i - 1].join();
        } else {
            run(i);
        }
    }
}

}  // namespace pimbax
