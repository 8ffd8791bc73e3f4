// Raster images encoded through WIC, at the image's depth where the encoder takes it.
#include <algorithm>
#include <cstring>

#include "imaging/image_files.h"
#include "imaging/wic.h"
#include "imaging/working_pixels.h"

namespace pimbax::imaging {

namespace {

// How the rows of the image become the rows the encoder takes.
enum class Layout {
    Stored,          // the image's own rows: its indexed depth, 24 bits, or 32 bits
    WidenedIndices,  // 1 or 4 bits widened to 8-bit indices
    Grey,            // 8-bit grey levels of a grey palette
    Bgr,             // 24 bits, alpha composited onto white
    Bgrx,            // 32 bits without alpha, composited onto white
    Quantized,       // 8-bit indices of the image packed to 8 bits first
};

struct Candidate {
    const GUID* format;
    Layout layout;
};

bool HasGreyPalette(const RasterImage& image) {
    return std::all_of(image.palette.begin(), image.palette.end(), [](const RGBQUAD& e) {
        return e.rgbRed == e.rgbGreen && e.rgbGreen == e.rgbBlue;
    });
}

// The layouts to offer the encoder, best first.
std::vector<Candidate> Candidates(const RasterImage& image) {
    switch (image.bitsPerPixel) {
        case 1:
        case 4:
        case 8: {
            std::vector<Candidate> list = {
                {image.bitsPerPixel == 1   ? &GUID_WICPixelFormat1bppIndexed
                 : image.bitsPerPixel == 4 ? &GUID_WICPixelFormat4bppIndexed
                                           : &GUID_WICPixelFormat8bppIndexed,
                 Layout::Stored}};
            if (image.bitsPerPixel < 8) {
                list.push_back({&GUID_WICPixelFormat8bppIndexed, Layout::WidenedIndices});
            }
            if (HasGreyPalette(image)) list.push_back({&GUID_WICPixelFormat8bppGray, Layout::Grey});
            list.push_back({&GUID_WICPixelFormat24bppBGR, Layout::Bgr});
            return list;
        }
        case 24:
            return {{&GUID_WICPixelFormat24bppBGR, Layout::Stored},
                    {&GUID_WICPixelFormat8bppIndexed, Layout::Quantized}};
        default:
            if (image.hasAlpha) {
                return {{&GUID_WICPixelFormat32bppBGRA, Layout::Stored},
                        {&GUID_WICPixelFormat32bppBGR, Layout::Bgrx},
                        {&GUID_WICPixelFormat24bppBGR, Layout::Bgr},
                        {&GUID_WICPixelFormat8bppIndexed, Layout::Quantized}};
            }
            return {{&GUID_WICPixelFormat32bppBGR, Layout::Stored},
                    {&GUID_WICPixelFormat24bppBGR, Layout::Bgr},
                    {&GUID_WICPixelFormat8bppIndexed, Layout::Quantized}};
    }
}

int LayoutBits(const RasterImage& image, Layout layout) {
    switch (layout) {
        case Layout::Stored:
            return image.bitsPerPixel;
        case Layout::Bgr:
            return 24;
        case Layout::Bgrx:
            return 32;
        default:
            return 8;
    }
}

// Row y of the image in `layout`; `scratch` holds a row of BGRA values.
void LayoutRow(const RasterImage& image, int y, Layout layout, std::uint8_t* out,
               std::uint32_t* scratch) {
    switch (layout) {
        case Layout::Stored:
            std::memcpy(out, image.TopRow(y), image.Stride());
            return;
        case Layout::WidenedIndices:
            for (int x = 0; x < image.width; ++x) {
                out[x] = static_cast<std::uint8_t>(PixelValue(image, x, y));
            }
            return;
        case Layout::Grey:
            for (int x = 0; x < image.width; ++x) {
                out[x] = static_cast<std::uint8_t>(GetRValue(PixelColor(image, x, y)));
            }
            return;
        default:
            break;
    }
    ReadRowBgra(image, y, true, scratch);
    const int size = layout == Layout::Bgrx ? 4 : 3;
    for (int x = 0; x < image.width; ++x) {
        std::uint8_t* p = out + static_cast<std::size_t>(x) * size;
        p[0] = static_cast<std::uint8_t>(Blue(scratch[x]));
        p[1] = static_cast<std::uint8_t>(Green(scratch[x]));
        p[2] = static_cast<std::uint8_t>(Red(scratch[x]));
        if (size == 4) p[3] = 255;
    }
}

Result FromCode(HRESULT code) {
    if (SUCCEEDED(code)) return kOk;
    return code == E_OUTOFMEMORY ? kTooLarge : kBadFormat;
}

const GUID* ContainerOf(FileType type) {
    switch (type) {
        case FileType::kBmp:
            return &GUID_ContainerFormatBmp;
        case FileType::kPng:
            return &GUID_ContainerFormatPng;
        case FileType::kJpeg:
            return &GUID_ContainerFormatJpeg;
        case FileType::kGif:
            return &GUID_ContainerFormatGif;
        case FileType::kTiff:
            return &GUID_ContainerFormatTiff;
        default:
            return nullptr;
    }
}

// Writes the frame's pixels a band of rows at a time.
Result WriteRows(IWICBitmapFrameEncode* frame, const RasterImage& image, Layout layout) {
    const std::size_t stride = DibStride(image.width, LayoutBits(image, layout));
    const int band = static_cast<int>(std::max<std::size_t>(1, (4u << 20) / stride));
    std::vector<std::uint8_t> rows;
    std::vector<std::uint32_t> scratch;
    Result result =
        AllocateWorking(rows, static_cast<std::uint64_t>(stride) * std::min(band, image.height));
    if (result == kOk) result = AllocateWorking(scratch, static_cast<std::uint64_t>(image.width));
    for (int top = 0; result == kOk && top < image.height; top += band) {
        const int count = std::min(band, image.height - top);
        for (int y = 0; y < count; ++y) {
            LayoutRow(image, top + y, layout, rows.data() + stride * static_cast<std::size_t>(y),
                      scratch.data());
        }
        result = FromCode(frame->WritePixels(static_cast<UINT>(count), static_cast<UINT>(stride),
                                             static_cast<UINT>(stride * count), rows.data()));
    }
    return result;
}

// The bytes an encoder wrote into a memory stream, seen in place while it lives.
class StreamContents {
  public:
    explicit StreamContents(IStream* stream) {
        STATSTG status = {};
        if (SUCCEEDED(stream->Stat(&status, STATFLAG_NONAME)) &&
            SUCCEEDED(GetHGlobalFromStream(stream, &memory_))) {
            data_ = static_cast<const std::uint8_t*>(GlobalLock(memory_));
            size_ = static_cast<std::size_t>(status.cbSize.QuadPart);
        }
    }
    ~StreamContents() {
        if (data_ != nullptr) GlobalUnlock(memory_);
    }
    StreamContents(const StreamContents&) = delete;
    StreamContents& operator=(const StreamContents&) = delete;

    const std::uint8_t* Data() const { return data_; }
    std::size_t Size() const { return size_; }

  private:
    HGLOBAL memory_ = nullptr;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

// Encodes the image into a new memory stream.
Result Encode(const RasterImage& image, FileType type, int quality, ComPtr<IStream>& encoded) {
    const GUID* container = ContainerOf(type);
    ComPtr<IWICImagingFactory> factory;
    Result result = CreateWicFactory(factory);
    if (result != kOk) return result;
    ComPtr<IStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    HRESULT code = CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    if (SUCCEEDED(code)) code = factory->CreateEncoder(*container, nullptr, &encoder);
    if (SUCCEEDED(code)) code = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
    if (SUCCEEDED(code)) code = encoder->CreateNewFrame(&frame, &options);
    if (SUCCEEDED(code) && type == FileType::kJpeg) {
        PROPBAG2 name = {};
        name.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_R4;
        value.fltVal = quality / 100.0f;
        code = options->Write(1, &name, &value);
    }
    if (SUCCEEDED(code)) code = frame->Initialize(options.Get());
    if (SUCCEEDED(code)) {
        code = frame->SetSize(static_cast<UINT>(image.width), static_cast<UINT>(image.height));
    }
    if (SUCCEEDED(code)) code = frame->SetResolution(image.dpiX, image.dpiY);
    if (FAILED(code)) return FromCode(code);

    // The first layout the encoder takes as it is.
    const Candidate* chosen = nullptr;
    const std::vector<Candidate> candidates = Candidates(image);
    for (const Candidate& candidate : candidates) {
        GUID format = *candidate.format;
        if (SUCCEEDED(frame->SetPixelFormat(&format)) && IsEqualGUID(format, *candidate.format)) {
            chosen = &candidate;
            break;
        }
    }
    if (chosen == nullptr) return kBadFormat;
    const RasterImage* source = &image;
    RasterImage quantized;
    Layout layout = chosen->layout;
    if (layout == Layout::Quantized) {
        std::vector<std::uint32_t> bgra;
        result = ReadBgra(image, true, bgra);
        if (result != kOk) return result;
        if (!PackBgra(bgra.data(), image.width, image.height, 8, false, quantized)) {
            return kTooLarge;
        }
        source = &quantized;
        layout = Layout::Stored;
    }
    if (LayoutBits(*source, layout) <= 8 && layout != Layout::Grey) {
        ComPtr<IWICPalette> palette;
        code = MakeWicPalette(factory.Get(), source->palette, palette);
        if (SUCCEEDED(code)) code = frame->SetPalette(palette.Get());
        if (FAILED(code)) return FromCode(code);
    }
    result = WriteRows(frame.Get(), *source, layout);
    if (result != kOk) return result;
    code = frame->Commit();
    if (SUCCEEDED(code)) code = encoder->Commit();
    if (FAILED(code)) return FromCode(code);
    encoded = stream;
    return kOk;
}

// Encodes the image and hands the encoder's bytes, in place, to `use`.
template <typename Use>
Result WithEncoded(const RasterImage& image, FileType type, int quality, const Use& use) {
    if (image.Empty() || ContainerOf(type) == nullptr || quality < 1 || quality > 100) {
        return kBadValue;
    }
    return Guarded([&] {
        ComPtr<IStream> stream;
        const Result result = Encode(image, type, quality, stream);
        if (result != kOk) return result;
        const StreamContents contents(stream.Get());
        if (contents.Data() == nullptr) return kBadFormat;
        if (contents.Size() > kMaxRasterFileBytes) return kTooLarge;
        return use(contents.Data(), contents.Size());
    });
}

}  // namespace

Result EncodeRaster(const RasterImage& image, FileType type, int quality,
                    std::vector<std::uint8_t>& bytes) {
    return WithEncoded(image, type, quality, [&](const std::uint8_t* data, std::size_t size) {
        std::vector<std::uint8_t> copy(data, data + size);
        bytes.swap(copy);
        return kOk;
    });
}

Result WriteRasterFile(const std::wstring& path, const RasterImage& image, FileType type,
                       int quality) {
    return WithEncoded(image, type, quality, [&](const std::uint8_t* data, std::size_t size) {
        return WriteFileReplacing(path, data, size);
    });
}

}  // namespace pimbax::imaging
