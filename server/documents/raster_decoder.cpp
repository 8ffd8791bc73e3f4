// Raster files through WIC, kept at the depth the file has. The file was checked first (see
// raster_check.h); the frame is copied from the decoder in bands straight into the image, so that
// no second full copy of it is ever held.
#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "cancellation.h"
#include "documents/document_kinds.h"
#include "budgets.h"

using Microsoft::WRL::ComPtr;

namespace pimbax {

namespace {

// How a WIC pixel format lands in a DIB.
enum class Layout {
    Indexed,     // palette indices at the same depth
    BlackWhite,  // 1 bit, black and white without a palette in the file
    Expand2,     // 2-bit indices (palette or grey) widened to 4 bits
    Gray,        // grey levels become a grey palette
    Bgr,         // 24-bit BGR as it is
    Rgb,         // 24-bit RGB, channels swapped
    Bgrx,        // 32-bit without alpha
    Bgra,        // 32-bit with alpha
    Pbgra,       // 32-bit premultiplied alpha
};

struct FormatLanding {
    const GUID* format;
    int fileBits;  // bits per pixel as WIC hands them over
    int depth;     // bits per pixel of the image
    Layout layout;
};

const FormatLanding kLandings[] = {
    {&GUID_WICPixelFormat1bppIndexed, 1, 1, Layout::Indexed},
    {&GUID_WICPixelFormatBlackWhite, 1, 1, Layout::BlackWhite},
    {&GUID_WICPixelFormat2bppIndexed, 2, 4, Layout::Expand2},
    {&GUID_WICPixelFormat2bppGray, 2, 4, Layout::Expand2},
    {&GUID_WICPixelFormat4bppIndexed, 4, 4, Layout::Indexed},
    {&GUID_WICPixelFormat4bppGray, 4, 4, Layout::Gray},
    {&GUID_WICPixelFormat8bppIndexed, 8, 8, Layout::Indexed},
    {&GUID_WICPixelFormat8bppGray, 8, 8, Layout::Gray},
    {&GUID_WICPixelFormat24bppBGR, 24, 24, Layout::Bgr},
    {&GUID_WICPixelFormat24bppRGB, 24, 24, Layout::Rgb},
    {&GUID_WICPixelFormat32bppBGR, 32, 32, Layout::Bgrx},
    {&GUID_WICPixelFormat32bppBGRA, 32, 32, Layout::Bgra},
    {&GUID_WICPixelFormat32bppPBGRA, 32, 32, Layout::Pbgra},
};

std::vector<RGBQUAD> GrayPalette(int levels) {
    std::vector<RGBQUAD> palette(static_cast<std::size_t>(levels));
    for (int i = 0; i < levels; ++i) {
        const BYTE v = static_cast<BYTE>(i * 255 / (levels - 1));
        palette[static_cast<std::size_t>(i)] = RGBQUAD{v, v, v, 0};
    }
    return palette;
}

// The frame's palette, or the decoder's (GIF keeps a global one); empty when neither has one.
std::vector<RGBQUAD> ReadPalette(IWICImagingFactory* factory, IWICBitmapDecoder* decoder,
                                 IWICBitmapFrameDecode* frame, int bits) {
    ComPtr<IWICPalette> palette;
    if (FAILED(factory->CreatePalette(&palette))) return {};
    if (FAILED(frame->CopyPalette(palette.Get())) && FAILED(decoder->CopyPalette(palette.Get()))) {
        return {};
    }
    UINT count = 0;
    if (FAILED(palette->GetColorCount(&count)) || count == 0) return {};
    const UINT limit = 1u << bits;
    std::vector<WICColor> colours(count);
    UINT actual = 0;
    if (FAILED(palette->GetColors(count, colours.data(), &actual))) return {};
    std::vector<RGBQUAD> result;
    for (UINT i = 0; i < actual && i < limit; ++i) {
        const WICColor c = colours[i];
        result.push_back(RGBQUAD{static_cast<BYTE>(c & 0xFF), static_cast<BYTE>((c >> 8) & 0xFF),
                                 static_cast<BYTE>((c >> 16) & 0xFF), 0});
    }
    return result;
}

bool HasTransparency(IWICImagingFactory* factory, const WICPixelFormatGUID& format) {
    ComPtr<IWICComponentInfo> info;
    ComPtr<IWICPixelFormatInfo2> formatInfo;
    BOOL transparent = FALSE;
    return SUCCEEDED(factory->CreateComponentInfo(format, &info)) &&
           SUCCEEDED(info.As(&formatInfo)) &&
           SUCCEEDED(formatInfo->SupportsTransparency(&transparent)) && transparent;
}

// One row (from the top) of the decoder's pixels into the image.
void StoreRow(RasterImage& image, Layout layout, int y, const std::uint8_t* from) {
    std::uint8_t* to = image.TopRow(y);
    switch (layout) {
        case Layout::Expand2:
            for (int x = 0; x < image.width; ++x) {
                SetPixelValue(image, x, y, (from[x >> 2] >> (6 - 2 * (x & 3))) & 3u);
            }
            break;
        case Layout::Rgb:
            for (int x = 0; x < image.width; ++x) {
                to[x * 3] = from[x * 3 + 2];
                to[x * 3 + 1] = from[x * 3 + 1];
                to[x * 3 + 2] = from[x * 3];
            }
            break;
        case Layout::Pbgra:
            for (int x = 0; x < image.width; ++x) {
                const std::uint8_t* p = from + x * 4;
                const int a = p[3];
                for (int k = 0; k < 3; ++k) {
                    to[x * 4 + k] =
                        a == 0 ? 0 : static_cast<std::uint8_t>(std::min(255, p[k] * 255 / a));
                }
                to[x * 4 + 3] = p[3];
            }
            break;
        default:
            std::memcpy(to, from, image.Stride());
            break;
    }
}

int Dpi(double value) {
    if (!(value >= 1.0 && value <= 32767.0)) return 96;
    return static_cast<int>(std::lround(value));
}

}  // namespace

Result DecodeRasterFile(const std::wstring& path, RasterImage& image) {
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory)))) {
        return kBadFormat;
    }
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame))) {
        return kBadFormat;
    }
    UINT width = 0;
    UINT height = 0;
    WICPixelFormatGUID format = {};
    if (FAILED(frame->GetSize(&width, &height)) || FAILED(frame->GetPixelFormat(&format)) ||
        width == 0 || height == 0) {
        return kBadFormat;
    }
    if (width > kMaxImageEdge || height > kMaxImageEdge) return kTooLarge;

    // Formats without a DIB counterpart go through a converter to 24 bits, or 32 with alpha.
    FormatLanding landing = {nullptr, 24, 24, Layout::Bgr};
    for (const FormatLanding& candidate : kLandings) {
        if (IsEqualGUID(*candidate.format, format)) landing = candidate;
    }
    ComPtr<IWICBitmapSource> source = frame;
    if (landing.format == nullptr) {
        const bool alpha = HasTransparency(factory.Get(), format);
        landing = alpha ? FormatLanding{&GUID_WICPixelFormat32bppBGRA, 32, 32, Layout::Bgra}
                        : FormatLanding{&GUID_WICPixelFormat24bppBGR, 24, 24, Layout::Bgr};
        ComPtr<IWICFormatConverter> converter;
        if (FAILED(factory->CreateFormatConverter(&converter)) ||
            FAILED(converter->Initialize(frame.Get(), *landing.format, WICBitmapDitherTypeNone,
                                         nullptr, 0.0, WICBitmapPaletteTypeCustom))) {
            return kBadFormat;
        }
        source = converter;
    }

    RasterImage decoded;
    if (!AllocatePixels(decoded, static_cast<int>(width), static_cast<int>(height),
                        landing.depth)) {
        return kTooLarge;
    }
    switch (landing.layout) {
        case Layout::Indexed:
            decoded.palette = ReadPalette(factory.Get(), decoder.Get(), frame.Get(), landing.depth);
            if (decoded.palette.empty()) decoded.palette = GrayPalette(1 << landing.depth);
            break;
        case Layout::BlackWhite:
            decoded.palette = GrayPalette(2);
            break;
        case Layout::Expand2:
            decoded.palette = IsEqualGUID(format, GUID_WICPixelFormat2bppGray)
                                  ? GrayPalette(4)
                                  : ReadPalette(factory.Get(), decoder.Get(), frame.Get(), 2);
            if (decoded.palette.empty()) decoded.palette = GrayPalette(4);
            break;
        case Layout::Gray:
            decoded.palette = GrayPalette(1 << landing.depth);
            break;
        default:
            break;
    }
    decoded.hasAlpha = landing.layout == Layout::Bgra || landing.layout == Layout::Pbgra;

    const std::size_t fileStride = DibStride(decoded.width, landing.fileBits);
    const int bandRows = static_cast<int>(
        std::max<std::size_t>(1, std::min<std::size_t>(height, kMaxDecodeBandBytes / fileStride)));
    std::vector<std::uint8_t> band;
    try {
        band.resize(fileStride * static_cast<std::size_t>(bandRows));
    } catch (const std::bad_alloc&) {
        return kTooLarge;
    }
    for (int first = 0; first < decoded.height; first += bandRows) {
        ThrowIfCancelled();
        const int rows = std::min(bandRows, decoded.height - first);
        const WICRect part = {0, first, decoded.width, rows};
        if (FAILED(source->CopyPixels(&part, static_cast<UINT>(fileStride),
                                      static_cast<UINT>(fileStride * rows), band.data()))) {
            return kBadFormat;
        }
        for (int r = 0; r < rows; ++r) {
            StoreRow(decoded, landing.layout, first + r, band.data() + fileStride * r);
        }
    }
    double dpiX = 96;
    double dpiY = 96;
    if (SUCCEEDED(frame->GetResolution(&dpiX, &dpiY))) {
        decoded.dpiX = Dpi(dpiX);
        decoded.dpiY = Dpi(dpiY);
    }
    image = std::move(decoded);
    return kOk;
}

}  // namespace pimbax
