#include "image_writer.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <cwctype>

using Microsoft::WRL::ComPtr;

namespace samples {

namespace {

GUID ContainerFor(const std::wstring& path) {
    std::wstring extension = path.substr(path.find_last_of(L'.') + 1);
    for (wchar_t& c : extension) c = static_cast<wchar_t>(std::towlower(c));
    if (extension == L"bmp") return GUID_ContainerFormatBmp;
    if (extension == L"jpg" || extension == L"jpeg") return GUID_ContainerFormatJpeg;
    if (extension == L"gif") return GUID_ContainerFormatGif;
    if (extension == L"tif" || extension == L"tiff") return GUID_ContainerFormatTiff;
    return GUID_ContainerFormatPng;
}

GUID FormatFor(int bitsPerPixel) {
    switch (bitsPerPixel) {
        case 1:
            return GUID_WICPixelFormat1bppIndexed;
        case 4:
            return GUID_WICPixelFormat4bppIndexed;
        case 8:
            return GUID_WICPixelFormat8bppIndexed;
        case 32:
            return GUID_WICPixelFormat32bppBGRA;
        default:
            return GUID_WICPixelFormat24bppBGR;
    }
}

}  // namespace

Picture::Picture(int w, int h, int bits) : width(w), height(h), bitsPerPixel(bits) {
    rows.assign(Stride() * static_cast<std::size_t>(h), 0);
}

std::size_t Picture::Stride() const {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel) + 31) / 32 * 4;
}

void Picture::SetIndex(int x, int y, unsigned index) {
    std::uint8_t* row = Row(y);
    if (bitsPerPixel == 1) {
        const std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (x & 7));
        row[x >> 3] = static_cast<std::uint8_t>((row[x >> 3] & ~bit) | ((index & 1) ? bit : 0));
    } else if (bitsPerPixel == 4) {
        const int shift = (x & 1) ? 0 : 4;
        row[x >> 1] =
            static_cast<std::uint8_t>((row[x >> 1] & ~(0x0F << shift)) | ((index & 0x0F) << shift));
    } else {
        row[x] = static_cast<std::uint8_t>(index);
    }
}

void Picture::SetColour(int x, int y, COLORREF colour) {
    const int size = bitsPerPixel / 8;
    std::uint8_t* pixel = Row(y) + static_cast<std::size_t>(x) * size;
    pixel[0] = GetBValue(colour);
    pixel[1] = GetGValue(colour);
    pixel[2] = GetRValue(colour);
    if (size == 4) pixel[3] = 255;
}

HRESULT WritePicture(const std::wstring& path, const Picture& picture) {
    const GUID container = ContainerFor(path);
    ComPtr<IWICImagingFactory> factory;
    HRESULT code = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(&factory));
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    if (SUCCEEDED(code)) code = factory->CreateStream(&stream);
    if (SUCCEEDED(code)) code = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
    if (SUCCEEDED(code)) code = factory->CreateEncoder(container, nullptr, &encoder);
    if (SUCCEEDED(code)) code = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
    if (SUCCEEDED(code)) code = encoder->CreateNewFrame(&frame, &options);
    if (SUCCEEDED(code)) code = frame->Initialize(options.Get());
    if (SUCCEEDED(code)) {
        code = frame->SetSize(static_cast<UINT>(picture.width), static_cast<UINT>(picture.height));
    }
    if (SUCCEEDED(code)) code = frame->SetResolution(picture.dpi, picture.dpi);
    // BMP has no alpha: its encoder takes 32 bits only without it.
    const GUID wanted =
        picture.bitsPerPixel == 32 && IsEqualGUID(container, GUID_ContainerFormatBmp)
            ? GUID_WICPixelFormat32bppBGR
            : FormatFor(picture.bitsPerPixel);
    GUID format = wanted;
    if (SUCCEEDED(code)) code = frame->SetPixelFormat(&format);
    if (SUCCEEDED(code) && !IsEqualGUID(format, wanted)) {
        code = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;  // the container would change the depth
    }
    if (SUCCEEDED(code) && picture.bitsPerPixel <= 8) {
        std::vector<WICColor> colours;
        for (const RGBQUAD& entry : picture.palette) {
            colours.push_back(0xFF000000u | (static_cast<WICColor>(entry.rgbRed) << 16) |
                              (static_cast<WICColor>(entry.rgbGreen) << 8) | entry.rgbBlue);
        }
        ComPtr<IWICPalette> palette;
        code = factory->CreatePalette(&palette);
        if (SUCCEEDED(code)) {
            code = palette->InitializeCustom(colours.data(), static_cast<UINT>(colours.size()));
        }
        if (SUCCEEDED(code)) code = frame->SetPalette(palette.Get());
    }
    if (SUCCEEDED(code)) {
        code = frame->WritePixels(
            static_cast<UINT>(picture.height), static_cast<UINT>(picture.Stride()),
            static_cast<UINT>(picture.rows.size()), const_cast<BYTE*>(picture.rows.data()));
    }
    if (SUCCEEDED(code)) code = frame->Commit();
    if (SUCCEEDED(code)) code = encoder->Commit();
    return code;
}

bool WriteMetafile(const std::wstring& path, int width, int height,
                   const std::function<void(HDC)>& draw) {
    const RECT frame = {0, 0, MulDiv(width, 2540, 96), MulDiv(height, 2540, 96)};
    HDC dc = CreateEnhMetaFileW(nullptr, path.c_str(), &frame, L"kelocli\0sample\0");
    if (dc == nullptr) return false;
    draw(dc);
    HENHMETAFILE metafile = CloseEnhMetaFile(dc);
    if (metafile == nullptr) return false;
    DeleteEnhMetaFile(metafile);
    return true;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool done =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    CloseHandle(file);
    return done;
}

HRESULT WriteBgraAsPng(const std::wstring& path, const std::uint32_t* pixels, int width,
                       int height) {
    Picture picture(width, height, 24);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = pixels[static_cast<std::size_t>(y) * width + x];
            picture.SetColour(x, y, RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF));
        }
    }
    return WritePicture(path, picture);
}

}  // namespace samples
