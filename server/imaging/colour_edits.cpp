// The colour edits: one colour map for palettes and pixels, grey-derived indexed images, and the
// reduction of colours.
#include <algorithm>
#include <cmath>

#include "imaging/editing.h"
#include "imaging/wic.h"
#include "imaging/working_pixels.h"

namespace pimbax::imaging {

namespace {

// Applies `map` (a colour in, a colour out, both without alpha) to every colour of the image: the
// palette entries of an indexed image, else every pixel, alpha left as it is.
template <typename Map>
Result MapColours(const RasterImage& image, const Map& map, RasterImage& out) {
    if (image.Empty()) return kBadValue;
    return Guarded([&] {
        RasterImage mapped;
        Result result = CopyImage(image, mapped);
        if (result != kOk) return result;
        if (image.bitsPerPixel <= 8) {
            for (RGBQUAD& entry : mapped.palette) entry = ToEntry(map(FromEntry(entry)));
            out = std::move(mapped);
            return kOk;
        }
        std::vector<std::uint32_t> row;
        result = AllocateWorking(row, static_cast<std::uint64_t>(image.width));
        if (result != kOk) return result;
        for (int y = 0; y < image.height; ++y) {
            ReadRowBgra(image, y, false, row.data());
            for (std::uint32_t& c : row)
                c = (map(c & kColourBits) & kColourBits) | (c & kAlphaBits);
            WriteRowBgra(mapped, y, row.data());
        }
        out = std::move(mapped);
        return kOk;
    });
}

// A map that sends each channel through a table of its own.
struct ChannelTables {
    std::uint8_t blue[256], green[256], red[256];

    std::uint32_t operator()(std::uint32_t c) const {
        return Bgra(blue[Blue(c)], green[Green(c)], red[Red(c)], 0);
    }
};

// An indexed image whose pixels are `indexOf` the grey of each pixel as it looks.
template <typename IndexOf>
Result FromGreys(const RasterImage& image, int bitsPerPixel, const std::vector<RGBQUAD>& palette,
                 const IndexOf& indexOf, RasterImage& out) {
    if (image.Empty()) return kBadValue;
    return Guarded([&] {
        RasterImage made;
        if (!AllocatePixels(made, image.width, image.height, bitsPerPixel)) return kTooLarge;
        std::vector<std::uint32_t> row;
        Result result = AllocateWorking(row, static_cast<std::uint64_t>(image.width));
        if (result != kOk) return result;
        try {
            made.palette = palette;
        } catch (const std::bad_alloc&) {
            return kTooLarge;
        }
        made.dpiX = image.dpiX;
        made.dpiY = image.dpiY;
        for (int y = 0; y < image.height; ++y) {
            ReadRowBgra(image, y, true, row.data());
            for (int x = 0; x < image.width; ++x) {
                SetPixelValue(made, x, y, indexOf(Grey(row[static_cast<std::size_t>(x)])));
            }
        }
        out = std::move(made);
        return kOk;
    });
}

// The number of pixels of each grey level, colours as stored.
Result GreyHistogram(const RasterImage& image, std::uint64_t histogram[256]) {
    std::fill(histogram, histogram + 256, 0);
    if (image.bitsPerPixel <= 8) {
        std::uint64_t uses[256] = {};
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) ++uses[PixelValue(image, x, y)];
        for (std::size_t i = 0; i < 256; ++i) {
            const std::uint32_t colour = i < image.palette.size() ? FromEntry(image.palette[i]) : 0;
            histogram[Grey(colour)] += uses[i];
        }
        return kOk;
    }
    std::vector<std::uint32_t> row;
    const Result result = AllocateWorking(row, static_cast<std::uint64_t>(image.width));
    if (result != kOk) return result;
    for (int y = 0; y < image.height; ++y) {
        ReadRowBgra(image, y, false, row.data());
        for (std::uint32_t c : row) ++histogram[Grey(c)];
    }
    return kOk;
}

// --- Palettes for Reduce ---------------------------------------------------------------------

// The number of distinct colours, counted up to `limit` + 1.
Result CountColours(const std::vector<std::uint32_t>& bgra, std::size_t limit, std::size_t* count) {
    std::vector<std::uint64_t> seen;
    const Result result = AllocateWorking(seen, std::uint64_t{1} << 18);  // one bit per colour
    if (result != kOk) return result;
    *count = 0;
    for (std::uint32_t c : bgra) {
        const std::uint32_t colour = c & kColourBits;
        std::uint64_t& word = seen[colour >> 6];
        const std::uint64_t bit = std::uint64_t{1} << (colour & 63);
        if ((word & bit) != 0) continue;
        word |= bit;
        if (++*count > limit) break;
    }
    return kOk;
}

// WIC's median cut over the image, or over a regular sample of at most 4M of its pixels.
Result MedianCutPalette(const std::vector<std::uint32_t>& bgra, int width, int height, int colours,
                        std::vector<RGBQUAD>& entries) {
    constexpr std::uint64_t kSamplePixels = 4u << 20;
    const std::uint64_t pixels =
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    int step = 1;
    while (pixels >
           kSamplePixels * static_cast<std::uint64_t>(step) * static_cast<std::uint64_t>(step))
        ++step;
    const int sampleWidth = (width + step - 1) / step;
    const int sampleHeight = (height + step - 1) / step;
    std::vector<std::uint32_t> sample;
    Result result = AllocateWorking(
        sample, static_cast<std::uint64_t>(sampleWidth) * static_cast<std::uint64_t>(sampleHeight));
    if (result != kOk) return result;
    for (int y = 0; y < sampleHeight; ++y)
        for (int x = 0; x < sampleWidth; ++x) {
            sample[static_cast<std::size_t>(y) * static_cast<std::size_t>(sampleWidth) +
                   static_cast<std::size_t>(x)] =
                bgra[static_cast<std::size_t>(y) * static_cast<std::size_t>(step) *
                         static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(x) * static_cast<std::size_t>(step)];
        }
    ComPtr<IWICImagingFactory> factory;
    result = CreateWicFactory(factory);
    if (result != kOk) return result;
    ComPtr<IWICBitmap> bitmap;
    ComPtr<IWICPalette> palette;
    const UINT stride = static_cast<UINT>(sampleWidth) * 4;
    if (FAILED(factory->CreateBitmapFromMemory(
            static_cast<UINT>(sampleWidth), static_cast<UINT>(sampleHeight),
            GUID_WICPixelFormat32bppBGR, stride, stride * static_cast<UINT>(sampleHeight),
            reinterpret_cast<BYTE*>(sample.data()), &bitmap)) ||
        FAILED(factory->CreatePalette(&palette)) ||
        FAILED(palette->InitializeFromBitmap(bitmap.Get(), static_cast<UINT>(colours), FALSE))) {
        return kTooLarge;
    }
    return ReadWicPalette(palette.Get(), entries);
}

Result HalftonePalette(int colours, std::vector<RGBQUAD>& entries) {
    struct Fixed {
        WICBitmapPaletteType type;
        int entries;
    };
    static const Fixed kFixed[] = {
        {WICBitmapPaletteTypeFixedHalftone256, 256}, {WICBitmapPaletteTypeFixedHalftone252, 252},
        {WICBitmapPaletteTypeFixedHalftone216, 224}, {WICBitmapPaletteTypeFixedHalftone125, 126},
        {WICBitmapPaletteTypeFixedHalftone64, 72},   {WICBitmapPaletteTypeFixedHalftone27, 28},
        {WICBitmapPaletteTypeFixedHalftone8, 16},    {WICBitmapPaletteTypeFixedBW, 2}};
    const Fixed* chosen = &kFixed[7];
    for (const Fixed& fixed : kFixed) {
        if (fixed.entries <= colours) {
            chosen = &fixed;
            break;
        }
    }
    ComPtr<IWICImagingFactory> factory;
    Result result = CreateWicFactory(factory);
    if (result != kOk) return result;
    ComPtr<IWICPalette> palette;
    if (FAILED(factory->CreatePalette(&palette)) ||
        FAILED(palette->InitializePredefined(chosen->type, FALSE))) {
        return kTooLarge;
    }
    result = ReadWicPalette(palette.Get(), entries);
    if (result == kOk && entries.size() > static_cast<std::size_t>(colours))
        entries.resize(colours);
    return result;
}

}  // namespace

Result Grayize(const RasterImage& image, RasterImage& out) {
    return Guarded([&] {
        std::vector<RGBQUAD> greys(256);
        for (int i = 0; i < 256; ++i) {
            greys[static_cast<std::size_t>(i)] =
                RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
        }
        return FromGreys(
            image, 8, greys, [](int grey) { return static_cast<std::uint32_t>(grey); }, out);
    });
}

Result Blackize(const RasterImage& image, RasterImage& out) {
    return Guarded([&] {
        const std::vector<RGBQUAD> blackWhite = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
        return FromGreys(
            image, 1, blackWhite, [](int grey) { return grey >= 128 ? 1u : 0u; }, out);
    });
}

Result Reduce(const RasterImage& image, int colours, int dither, int palette, RasterImage& out) {
    if (image.Empty() || colours < 2 || colours > 256 || (dither != 0 && dither != 1) ||
        (palette != 0 && palette != 1)) {
        return kBadValue;
    }
    return Guarded([&] {
        std::vector<std::uint32_t> bgra;
        Result result = ReadBgra(image, true, bgra);
        if (result != kOk) return result;
        std::vector<RGBQUAD> entries;
        if (palette == 0) {
            std::size_t distinct = 0;
            result = CountColours(bgra, static_cast<std::size_t>(colours), &distinct);
            if (result != kOk) return result;
            if (distinct <= static_cast<std::size_t>(colours)) {
                // Few enough already: packing keeps the exact colours.
                RasterImage exact;
                if (!PackBgra(bgra.data(), image.width, image.height, IndexedDepthFor(distinct),
                              false, exact)) {
                    return kTooLarge;
                }
                exact.dpiX = image.dpiX;
                exact.dpiY = image.dpiY;
                out = std::move(exact);
                return kOk;
            }
            result = MedianCutPalette(bgra, image.width, image.height, colours, entries);
        } else {
            result = HalftonePalette(colours, entries);
        }
        if (result != kOk) return result;
        std::vector<std::uint8_t> indices;
        if (!MapToPalette(bgra.data(), image.width, image.height, entries, dither == 1, indices)) {
            return kTooLarge;
        }
        std::vector<std::uint32_t>().swap(bgra);

        // Only the entries in use, in the palette's order.
        bool used[256] = {};
        for (std::uint8_t index : indices) used[index] = true;
        std::uint8_t renumbered[256] = {};
        std::vector<RGBQUAD> kept;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (!used[i]) continue;
            renumbered[i] = static_cast<std::uint8_t>(kept.size());
            kept.push_back(entries[i]);
        }
        RasterImage reduced;
        if (!AllocatePixels(reduced, image.width, image.height, IndexedDepthFor(kept.size()))) {
            return kTooLarge;
        }
        reduced.palette.swap(kept);
        reduced.dpiX = image.dpiX;
        reduced.dpiY = image.dpiY;
        std::size_t at = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                SetPixelValue(reduced, x, y, renumbered[indices[at++]]);
        out = std::move(reduced);
        return kOk;
    });
}

Result Equalize(const RasterImage& image, RasterImage& out) {
    if (image.Empty()) return kBadValue;
    std::uint64_t histogram[256];
    const Result result = GreyHistogram(image, histogram);
    if (result != kOk) return result;
    std::uint64_t cdf[256];
    std::uint64_t total = 0;
    int lowest = -1;
    for (int v = 0; v < 256; ++v) {
        total += histogram[v];
        cdf[v] = total;
        if (lowest < 0 && histogram[v] > 0) lowest = v;
    }
    ChannelTables tables;
    const std::uint64_t base = cdf[lowest];
    const std::uint64_t divisor = total - base;
    for (int v = 0; v < 256; ++v) {
        std::uint64_t level = static_cast<std::uint64_t>(v);  // one grey level: unchanged
        if (divisor != 0) {
            const std::uint64_t above = cdf[v] > base ? cdf[v] - base : 0;
            level = (2 * 255 * above + divisor) / (2 * divisor);
        }
        tables.blue[v] = tables.green[v] = tables.red[v] = static_cast<std::uint8_t>(level);
    }
    return MapColours(image, tables, out);
}

Result Gamma(const RasterImage& image, int red, int green, int blue, RasterImage& out) {
    for (int g : {red, green, blue}) {
        if (g < 1 || g > 1000) return kBadValue;
    }
    ChannelTables tables;
    auto fill = [](std::uint8_t* table, int hundredths) {
        const double exponent = 100.0 / hundredths;
        for (int v = 0; v < 256; ++v) {
            const double value = 255.0 * std::pow(v / 255.0, exponent);
            table[v] = static_cast<std::uint8_t>(std::clamp(std::floor(value + 0.5), 0.0, 255.0));
        }
    };
    fill(tables.red, red);
    fill(tables.green, green);
    fill(tables.blue, blue);
    return MapColours(image, tables, out);
}

Result Invert(const RasterImage& image, RasterImage& out) {
    return MapColours(
        image, [](std::uint32_t c) { return c ^ kColourBits; }, out);
}

Result ReverseBW(const RasterImage& image, RasterImage& out) {
    if (image.bitsPerPixel != 1) {
        return MapColours(
            image, [](std::uint32_t c) { return c == 0             ? kColourBits
                                                : c == kColourBits ? 0u
                                                                   : c; },
            out);
    }
    if (image.Empty()) return kBadValue;
    RasterImage flipped;
    const Result result = CopyImage(image, flipped);
    if (result != kOk) return result;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            SetPixelValue(flipped, x, y, PixelValue(image, x, y) ^ 1u);
        }
    out = std::move(flipped);
    return kOk;
}

Result ChangeColor(const RasterImage& image, COLORREF from, COLORREF to, RasterImage& out) {
    const std::uint32_t was = FromColorref(from & kColourBits);
    const std::uint32_t becomes = FromColorref(to & kColourBits);
    return MapColours(
        image, [&](std::uint32_t c) { return c == was ? becomes : c; }, out);
}

}  // namespace pimbax::imaging
