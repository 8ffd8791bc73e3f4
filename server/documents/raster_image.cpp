#include "documents/raster_image.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <new>

#include "cancellation.h"
#include "budgets.h"

namespace pimbax {

namespace {

std::uint32_t Bgra(int blue, int green, int red, int alpha) {
    return static_cast<std::uint32_t>(blue) | (static_cast<std::uint32_t>(green) << 8) |
           (static_cast<std::uint32_t>(red) << 16) | (static_cast<std::uint32_t>(alpha) << 24);
}

int Blue(std::uint32_t c) {
    return c & 0xFF;
}
int Green(std::uint32_t c) {
    return (c >> 8) & 0xFF;
}
int Red(std::uint32_t c) {
    return (c >> 16) & 0xFF;
}

int ClampByte(double value) {
    if (!(value > 0.0)) return 0;
    if (value >= 255.0) return 255;
    return static_cast<int>(value + 0.5);
}

std::uint32_t PaletteBgra(const RasterImage& image, std::uint32_t index) {
    if (index >= image.palette.size()) return Bgra(0, 0, 0, 255);
    const RGBQUAD& entry = image.palette[index];
    return Bgra(entry.rgbBlue, entry.rgbGreen, entry.rgbRed, 255);
}

// --- Palette choice for the indexed depths --------------------------------------------------

struct Box {
    int low[3];
    int high[3];
};

// Median cut over a histogram of 5-bit-per-channel colours.
std::vector<RGBQUAD> MedianCut(const std::vector<std::uint32_t>& histogram, int colours) {
    auto cellOf = [](int r, int g, int b) { return (r << 10) | (g << 5) | b; };
    std::vector<Box> boxes{Box{{0, 0, 0}, {31, 31, 31}}};
    auto population = [&](const Box& box, int axis, int upTo) {
        std::uint64_t total = 0;
        int lo[3] = {box.low[0], box.low[1], box.low[2]};
        int hi[3] = {box.high[0], box.high[1], box.high[2]};
        hi[axis] = upTo;
        for (int r = lo[0]; r <= hi[0]; ++r)
            for (int g = lo[1]; g <= hi[1]; ++g)
                for (int b = lo[2]; b <= hi[2]; ++b) total += histogram[cellOf(r, g, b)];
        return total;
    };
    while (static_cast<int>(boxes.size()) < colours) {
        // Split the box with the longest side that has more than one cell.
        int chosen = -1;
        int chosenAxis = 0;
        int longest = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            for (int axis = 0; axis < 3; ++axis) {
                const int length = boxes[i].high[axis] - boxes[i].low[axis];
                if (length > longest && population(boxes[i], axis, boxes[i].high[axis]) > 0) {
                    longest = length;
                    chosen = static_cast<int>(i);
                    chosenAxis = axis;
                }
            }
        }
        if (chosen < 0) break;
        Box& box = boxes[static_cast<std::size_t>(chosen)];
        const std::uint64_t total = population(box, chosenAxis, box.high[chosenAxis]);
        int cut = box.low[chosenAxis];
        while (cut < box.high[chosenAxis] - 1 && population(box, chosenAxis, cut) * 2 < total) {
            ++cut;
        }
        Box upper = box;
        upper.low[chosenAxis] = cut + 1;
        box.high[chosenAxis] = cut;
        boxes.push_back(upper);
    }
    std::vector<RGBQUAD> palette;
    for (const Box& box : boxes) {
        double sum[3] = {0, 0, 0};
        double count = 0;
        for (int r = box.low[0]; r <= box.high[0]; ++r)
            for (int g = box.low[1]; g <= box.high[1]; ++g)
                for (int b = box.low[2]; b <= box.high[2]; ++b) {
                    const double n = histogram[cellOf(r, g, b)];
                    sum[0] += n * (r * 8 + 4);
                    sum[1] += n * (g * 8 + 4);
                    sum[2] += n * (b * 8 + 4);
                    count += n;
                }
        if (count == 0) continue;
        RGBQUAD entry = {};
        entry.rgbRed = static_cast<BYTE>(ClampByte(sum[0] / count));
        entry.rgbGreen = static_cast<BYTE>(ClampByte(sum[1] / count));
        entry.rgbBlue = static_cast<BYTE>(ClampByte(sum[2] / count));
        palette.push_back(entry);
    }
    return palette;
}

int NearestEntry(const std::vector<RGBQUAD>& palette, int r, int g, int b) {
    int best = 0;
    long bestDistance = -1;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const long dr = palette[i].rgbRed - r;
        const long dg = palette[i].rgbGreen - g;
        const long db = palette[i].rgbBlue - b;
        const long distance = dr * dr * 3 + dg * dg * 4 + db * db * 2;
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int>(i);
        }
    }
    return best;
}

}  // namespace

// --- Layout ------------------------------------------------------------------------------------

bool IsSupportedDepth(int bitsPerPixel) {
    return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 24 ||
           bitsPerPixel == 32;
}

std::size_t RasterImage::Stride() const {
    return DibStride(width, bitsPerPixel);
}

const std::uint8_t* RasterImage::TopRow(int y) const {
    return pixels.data() + static_cast<std::size_t>(height - 1 - y) * Stride();
}

std::uint8_t* RasterImage::TopRow(int y) {
    return pixels.data() + static_cast<std::size_t>(height - 1 - y) * Stride();
}

bool AllocatePixels(RasterImage& image, int width, int height, int bitsPerPixel) {
    if (width < 1 || height < 1 || width > kMaxImageEdge || height > kMaxImageEdge) return false;
    if (!IsSupportedDepth(bitsPerPixel)) return false;
    const std::uint64_t bytes =
        static_cast<std::uint64_t>(DibStride(width, bitsPerPixel)) * static_cast<unsigned>(height);
    if (bytes > kMaxPixelBytes) return false;
    std::vector<std::uint8_t> pixels;
    try {
        pixels.assign(static_cast<std::size_t>(bytes), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    image.width = width;
    image.height = height;
    image.bitsPerPixel = bitsPerPixel;
    image.pixels.swap(pixels);
    return true;
}

std::uint32_t PixelValue(const RasterImage& image, int x, int y) {
    const std::uint8_t* row = image.TopRow(y);
    switch (image.bitsPerPixel) {
        case 1:
            return (row[x >> 3] >> (7 - (x & 7))) & 1u;
        case 4:
            return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
        case 8:
            return row[x];
        case 24: {
            const std::uint8_t* p = row + x * 3;
            return Bgra(p[0], p[1], p[2], 0);
        }
        default: {
            std::uint32_t value;
            std::memcpy(&value, row + x * 4, 4);
            return value;
        }
    }
}

void SetPixelValue(RasterImage& image, int x, int y, std::uint32_t value) {
    std::uint8_t* row = image.TopRow(y);
    switch (image.bitsPerPixel) {
        case 1: {
            const std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (x & 7));
            row[x >> 3] = static_cast<std::uint8_t>((row[x >> 3] & ~bit) | ((value & 1) ? bit : 0));
            break;
        }
        case 4:
            if (x & 1) {
                row[x >> 1] = static_cast<std::uint8_t>((row[x >> 1] & 0xF0) | (value & 0x0F));
            } else {
                row[x >> 1] =
                    static_cast<std::uint8_t>((row[x >> 1] & 0x0F) | ((value & 0x0F) << 4));
            }
            break;
        case 8:
            row[x] = static_cast<std::uint8_t>(value);
            break;
        case 24:
            row[x * 3] = static_cast<std::uint8_t>(Blue(value));
            row[x * 3 + 1] = static_cast<std::uint8_t>(Green(value));
            row[x * 3 + 2] = static_cast<std::uint8_t>(Red(value));
            break;
        default:
            std::memcpy(row + x * 4, &value, 4);
            break;
    }
}

COLORREF PixelColor(const RasterImage& image, int x, int y) {
    const std::uint32_t value = PixelValue(image, x, y);
    const std::uint32_t bgra = image.bitsPerPixel <= 8 ? PaletteBgra(image, value) : value;
    return RGB(Red(bgra), Green(bgra), Blue(bgra));
}

// --- Resizing (resampling itself is in resample.cpp) -------------------------------------------

bool ResizeNearest(const RasterImage& image, int width, int height, RasterImage& out) {
    RasterImage resized;
    if (!AllocatePixels(resized, width, height, image.bitsPerPixel)) return false;
    resized.palette = image.palette;
    resized.hasAlpha = image.hasAlpha;
    resized.dpiX = image.dpiX;
    resized.dpiY = image.dpiY;
    for (int y = 0; y < height; ++y) {
        if ((y & 63) == 0) ThrowIfCancelled();
        const int sy = static_cast<int>((static_cast<std::int64_t>(y) * 2 + 1) * image.height /
                                        (static_cast<std::int64_t>(height) * 2));
        for (int x = 0; x < width; ++x) {
            const int sx = static_cast<int>((static_cast<std::int64_t>(x) * 2 + 1) * image.width /
                                            (static_cast<std::int64_t>(width) * 2));
            SetPixelValue(resized, x, y, PixelValue(image, sx, sy));
        }
    }
    out = std::move(resized);
    return true;
}

bool ResizeSmooth(const RasterImage& image, int width, int height, RasterImage& out) {
    if (image.bitsPerPixel <= 8) return ResizeNearest(image, width, height, out);
    RasterImage resized;
    if (!AllocatePixels(resized, width, height, image.bitsPerPixel)) return false;
    resized.hasAlpha = image.hasAlpha;
    resized.dpiX = image.dpiX;
    resized.dpiY = image.dpiY;
    // Bands of rows, so that the BGRA rows in between stay small.
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    const int band = static_cast<int>(
        std::max<std::size_t>(1, std::min<std::size_t>(height, kMaxDecodeBandBytes / rowBytes)));
    std::vector<std::uint32_t> bgra;
    try {
        bgra.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(band));
    } catch (const std::bad_alloc&) {
        return false;
    }
    const SourceRect whole = {0, 0, static_cast<double>(image.width),
                              static_cast<double>(image.height)};
    for (int first = 0; first < height; first += band) {
        const int rows = std::min(band, height - first);
        ResampleToBgra(image, whole, false, bgra.data(), width, height,
                       static_cast<std::size_t>(width), first, rows);
        for (int y = 0; y < rows; ++y) {
            const std::uint32_t* row = bgra.data() + static_cast<std::size_t>(y) * width;
            for (int x = 0; x < width; ++x) {
                SetPixelValue(resized, x, first + y,
                              resized.hasAlpha ? row[x] : (row[x] | 0xFF000000u));
            }
        }
    }
    out = std::move(resized);
    return true;
}

// --- Depth conversion --------------------------------------------------------------------------

bool PackBgra(const std::uint32_t* bgra, int width, int height, int bitsPerPixel, bool keepAlpha,
              RasterImage& out) {
    RasterImage packed;
    if (!AllocatePixels(packed, width, height, bitsPerPixel)) return false;
    const std::size_t w = static_cast<std::size_t>(width);
    if (bitsPerPixel >= 24) {
        packed.hasAlpha = bitsPerPixel == 32 && keepAlpha;
        for (int y = 0; y < height; ++y) {
            if ((y & 63) == 0) ThrowIfCancelled();
            for (int x = 0; x < width; ++x) {
                std::uint32_t c =
                    bgra[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)];
                if (!packed.hasAlpha) c |= 0xFF000000u;
                SetPixelValue(packed, x, y, c);
            }
        }
        out = std::move(packed);
        return true;
    }

    const std::size_t entries = std::size_t{1} << bitsPerPixel;
    // The exact colours, when few enough.
    std::map<std::uint32_t, int> exact;
    const std::size_t count = w * static_cast<std::size_t>(height);
    for (std::size_t i = 0; i < count && exact.size() <= entries; ++i) {
        exact.emplace(bgra[i] & 0x00FFFFFFu, 0);
    }
    if (exact.size() <= entries) {
        int next = 0;
        for (auto& entry : exact) {
            entry.second = next++;
            RGBQUAD q = {};
            q.rgbBlue = static_cast<BYTE>(Blue(entry.first));
            q.rgbGreen = static_cast<BYTE>(Green(entry.first));
            q.rgbRed = static_cast<BYTE>(Red(entry.first));
            packed.palette.push_back(q);
        }
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::uint32_t c =
                    bgra[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)] & 0xFFFFFFu;
                SetPixelValue(packed, x, y, static_cast<std::uint32_t>(exact[c]));
            }
        }
        out = std::move(packed);
        return true;
    }

    if (bitsPerPixel == 1) {
        packed.palette = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    } else {
        std::vector<std::uint32_t> histogram(32768, 0);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t c = bgra[i];
            ++histogram[static_cast<std::size_t>(((Red(c) >> 3) << 10) | ((Green(c) >> 3) << 5) |
                                                 (Blue(c) >> 3))];
        }
        packed.palette = MedianCut(histogram, static_cast<int>(entries));
    }

    std::vector<std::uint8_t> indices;
    if (!MapToPalette(bgra, width, height, packed.palette, true, indices)) return false;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            SetPixelValue(packed, x, y,
                          indices[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)]);
        }
    }
    out = std::move(packed);
    return true;
}

bool MapToPalette(const std::uint32_t* bgra, int width, int height,
                  const std::vector<RGBQUAD>& palette, bool dither,
                  std::vector<std::uint8_t>& indices) {
    if (palette.empty() || palette.size() > 256 || width < 1 || height < 1) return false;
    const std::size_t w = static_cast<std::size_t>(width);
    std::vector<std::uint8_t> mapped;
    std::vector<float> error;  // two rows of (r, g, b), one pixel margin
    try {
        mapped.resize(w * static_cast<std::size_t>(height));
        error.assign((w + 2) * 3 * 2, 0.0f);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // Nearest entries looked up through a 5-bit cache.
    std::vector<std::int16_t> nearest(32768, -1);
    auto lookup = [&](int r, int g, int b) {
        const int cell = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
        if (nearest[static_cast<std::size_t>(cell)] < 0) {
            nearest[static_cast<std::size_t>(cell)] = static_cast<std::int16_t>(
                NearestEntry(palette, (r & ~7) + 4, (g & ~7) + 4, (b & ~7) + 4));
        }
        return nearest[static_cast<std::size_t>(cell)];
    };
    // Floyd-Steinberg error diffusion when dithering; the error rows stay zero otherwise.
    for (int y = 0; y < height; ++y) {
        if ((y & 63) == 0) ThrowIfCancelled();
        float* current = &error[(static_cast<std::size_t>(y) & 1) * (w + 2) * 3];
        float* below = &error[(static_cast<std::size_t>(y + 1) & 1) * (w + 2) * 3];
        std::fill(below, below + (w + 2) * 3, 0.0f);
        for (int x = 0; x < width; ++x) {
            const std::size_t at = static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x);
            const std::uint32_t c = bgra[at];
            float* e = current + (static_cast<std::size_t>(x) + 1) * 3;
            const int r = ClampByte(Red(c) + e[0]);
            const int g = ClampByte(Green(c) + e[1]);
            const int b = ClampByte(Blue(c) + e[2]);
            const int index = lookup(r, g, b);
            mapped[at] = static_cast<std::uint8_t>(index);
            if (!dither) continue;
            const RGBQUAD& chosen = palette[static_cast<std::size_t>(index)];
            const float spill[3] = {static_cast<float>(r - chosen.rgbRed),
                                    static_cast<float>(g - chosen.rgbGreen),
                                    static_cast<float>(b - chosen.rgbBlue)};
            for (int k = 0; k < 3; ++k) {
                e[3 + k] += spill[k] * 7.0f / 16.0f;
                below[static_cast<std::size_t>(x) * 3 + k] += spill[k] * 3.0f / 16.0f;
                below[(static_cast<std::size_t>(x) + 1) * 3 + k] += spill[k] * 5.0f / 16.0f;
                below[(static_cast<std::size_t>(x) + 2) * 3 + k] += spill[k] * 1.0f / 16.0f;
            }
        }
    }
    indices.swap(mapped);
    return true;
}

// --- Packed DIB --------------------------------------------------------------------------------

std::size_t DibInfoSize(const RasterImage& image) {
    return sizeof(BITMAPINFOHEADER) + image.palette.size() * sizeof(RGBQUAD);
}

void WriteDibInfo(const RasterImage& image, std::uint8_t* out) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = image.width;
    header.biHeight = image.height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(image.bitsPerPixel);
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(image.pixels.size());
    header.biXPelsPerMeter = static_cast<LONG>(std::lround(image.dpiX / 0.0254));
    header.biYPelsPerMeter = static_cast<LONG>(std::lround(image.dpiY / 0.0254));
    header.biClrUsed = static_cast<DWORD>(image.palette.size());
    std::memcpy(out, &header, sizeof header);
    if (!image.palette.empty()) {
        std::memcpy(out + sizeof header, image.palette.data(),
                    image.palette.size() * sizeof(RGBQUAD));
    }
}

std::size_t PackedDibSize(const RasterImage& image) {
    return DibInfoSize(image) + image.pixels.size();
}

void WritePackedDib(const RasterImage& image, std::uint8_t* out) {
    WriteDibInfo(image, out);
    if (!image.pixels.empty()) {
        std::memcpy(out + DibInfoSize(image), image.pixels.data(), image.pixels.size());
    }
}

namespace {

// Where the parts of a packed DIB are, checked against its size and the server's limits.
struct DibLayout {
    int width = 0;
    int height = 0;
    int bits = 0;
    bool topDown = false;
    bool bitfields = false;
    DWORD masks[3] = {0x7C00, 0x03E0, 0x001F};
    std::size_t entries = 0;
    std::size_t tableOffset = 0;
    std::size_t stride = 0;
    std::size_t pixelOffset = 0;
};

bool ParseDib(const std::uint8_t* data, std::size_t size, DibLayout& layout) {
    BITMAPINFOHEADER header;
    if (data == nullptr || size < sizeof header) return false;
    std::memcpy(&header, data, sizeof header);
    if (header.biSize < sizeof header || header.biSize > size || header.biPlanes != 1) {
        return false;
    }
    const int bits = header.biBitCount;
    const bool bitfields = header.biCompression == BI_BITFIELDS;
    if (header.biCompression != BI_RGB && !(bitfields && (bits == 16 || bits == 32))) {
        return false;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (header.biWidth < 1 || header.biHeight == 0 || header.biHeight == LONG_MIN) return false;
    layout.width = header.biWidth;
    layout.topDown = header.biHeight < 0;
    layout.height = layout.topDown ? -header.biHeight : header.biHeight;
    layout.bits = bits;
    layout.bitfields = bitfields;
    if (layout.width > kMaxImageEdge || layout.height > kMaxImageEdge) return false;

    std::size_t offset = header.biSize;
    if (bits == 32) {
        layout.masks[0] = 0xFF0000;
        layout.masks[1] = 0xFF00;
        layout.masks[2] = 0xFF;
    }
    if (bitfields) {
        if (size < 40 + sizeof layout.masks) return false;
        std::memcpy(layout.masks, data + 40, sizeof layout.masks);
        if (header.biSize == sizeof header) offset += sizeof layout.masks;
    }
    if (bits <= 8) {
        layout.entries = header.biClrUsed == 0 ? (std::size_t{1} << bits) : header.biClrUsed;
        if (layout.entries > (std::size_t{1} << bits)) return false;
    } else if (header.biClrUsed <= 256) {
        offset += header.biClrUsed * sizeof(RGBQUAD);  // an optimisation palette, skipped
    } else {
        return false;
    }
    if (offset > size || layout.entries * sizeof(RGBQUAD) > size - offset) return false;
    layout.tableOffset = offset;
    layout.stride = DibStride(layout.width, bits);
    layout.pixelOffset = offset + layout.entries * sizeof(RGBQUAD);
    // The rows must all be there before anything is allocated for them.
    return static_cast<std::uint64_t>(layout.stride) * static_cast<unsigned>(layout.height) <=
           size - layout.pixelOffset;
}

}  // namespace

bool MeasurePackedDib(const std::uint8_t* data, std::size_t size, std::size_t* length) {
    DibLayout layout;
    if (!ParseDib(data, size, layout)) return false;
    *length = layout.pixelOffset + layout.stride * static_cast<std::size_t>(layout.height);
    return true;
}

bool ReadPackedDib(const std::uint8_t* data, std::size_t size, RasterImage& out,
                   std::size_t* consumed) {
    DibLayout layout;
    if (!ParseDib(data, size, layout)) return false;
    const int width = layout.width;
    const int height = layout.height;
    const int bits = layout.bits;
    const bool bitfields = layout.bitfields;
    const bool topDown = layout.topDown;
    const DWORD* masks = layout.masks;
    const std::size_t stride = layout.stride;
    const std::size_t tableEnd = layout.pixelOffset;

    RasterImage image;
    const int depth = bits == 16 ? 24 : bits;
    if (!AllocatePixels(image, width, height, depth)) return false;
    image.palette.resize(layout.entries);
    if (layout.entries > 0) {
        std::memcpy(image.palette.data(), data + layout.tableOffset,
                    layout.entries * sizeof(RGBQUAD));
    }
    for (RGBQUAD& entry : image.palette) entry.rgbReserved = 0;
    const std::uint8_t* pixels = data + tableEnd;
    BITMAPINFOHEADER header;
    std::memcpy(&header, data, sizeof header);

    // Each channel of a bitfield pixel scaled to 8 bits.
    auto channel = [](DWORD value, DWORD mask) {
        if (mask == 0) return 0;
        int shift = 0;
        while (((mask >> shift) & 1) == 0) ++shift;
        const DWORD top = mask >> shift;
        return static_cast<int>(
            (static_cast<std::uint64_t>((value & mask) >> shift) * 255 + top / 2) / top);
    };
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* source =
            pixels + stride * static_cast<std::size_t>(topDown ? y : height - 1 - y);
        std::uint8_t* target = image.TopRow(y);
        if (bits == 16 || (bits == 32 && bitfields)) {
            for (int x = 0; x < width; ++x) {
                DWORD value = 0;
                std::memcpy(&value, source + static_cast<std::size_t>(x) * (bits / 8), bits / 8);
                const std::uint32_t c = Bgra(channel(value, masks[2]), channel(value, masks[1]),
                                             channel(value, masks[0]), 255);
                SetPixelValue(image, x, y, c);
            }
        } else {
            std::memcpy(target, source, image.Stride());
            if (bits == 32) {
                for (int x = 0; x < width && !anyAlpha; ++x) anyAlpha = source[x * 4 + 3] != 0;
            }
        }
    }
    image.hasAlpha = anyAlpha;
    auto dpi = [](LONG perMeter) {
        const long value = std::lround(perMeter * 0.0254);
        return (value >= 1 && value <= 32767) ? static_cast<int>(value) : 96;
    };
    image.dpiX = dpi(header.biXPelsPerMeter);
    image.dpiY = dpi(header.biYPelsPerMeter);
    if (consumed != nullptr) *consumed = tableEnd + stride * static_cast<std::size_t>(height);
    out = std::move(image);
    return true;
}

}  // namespace pimbax
