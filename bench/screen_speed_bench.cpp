// Painting, opening and publishing against the real server, each divided by what the host could
// do itself with the same pixels: GDI's HALFTONE StretchDIBits of the image held as a 32-bit DIB,
// its own WIC decode of the file, a memcpy of the pixels. Every ratio is measured in this run.
#include <wincodec.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "benches.h"
#include "bgra_canvas.h"
#include "image_writer.h"
#include "kelocli.h"
#include "unique_resource.h"

namespace bench {

namespace {

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
constexpr int kRuns = 7;

// A 24-bit photograph-like picture: smooth gradients with fine noise.
samples::Picture Photograph() {
    samples::Picture picture(kPhotoWidth, kPhotoHeight, 24);
    std::uint32_t noise = 12345;
    for (int y = 0; y < kPhotoHeight; ++y) {
        std::uint8_t* row = picture.Row(y);
        for (int x = 0; x < kPhotoWidth; ++x) {
            noise = noise * 1664525u + 1013904223u;
            row[x * 3] = static_cast<std::uint8_t>((x * y / 4096 + (noise >> 28)) & 0xFF);
            row[x * 3 + 1] = static_cast<std::uint8_t>(y * 255 / kPhotoHeight);
            row[x * 3 + 2] = static_cast<std::uint8_t>(x * 255 / kPhotoWidth);
        }
    }
    return picture;
}

// The host decoding the file itself: the first frame's pixels as the file has them.
bool DecodeWithWic(IWICImagingFactory* factory, const std::wstring& path,
                   std::vector<std::uint8_t>& pixels, UINT* stride) {
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    HRESULT code = factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                      WICDecodeMetadataCacheOnDemand, &decoder);
    if (SUCCEEDED(code)) code = decoder->GetFrame(0, &frame);
    UINT width = 0, height = 0;
    if (SUCCEEDED(code)) code = frame->GetSize(&width, &height);
    if (SUCCEEDED(code)) {
        *stride = (width * 3 + 3) & ~3u;
        pixels.resize(static_cast<std::size_t>(*stride) * height);
        code = frame->CopyPixels(nullptr, *stride, static_cast<UINT>(pixels.size()), pixels.data());
    }
    if (frame != nullptr) frame->Release();
    if (decoder != nullptr) decoder->Release();
    return SUCCEEDED(code);
}

// The host's own stretch of a part of its 32-bit copy of the image onto the screen-sized DC.
void HostHalftone(HDC dc, const std::vector<std::uint32_t>& bits, const RECT& source) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kPhotoWidth;
    info.bmiHeader.biHeight = -kPhotoHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, 0, 0, kScreenWidth, kScreenHeight, source.left, source.top,
                  source.right - source.left, source.bottom - source.top, bits.data(), &info,
                  DIB_RGB_COLORS, SRCCOPY);
    GdiFlush();
}

}  // namespace

void BenchScreenSpeed() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring directory = std::wstring(temp) + L"kelobench";
    CreateDirectoryW(directory.c_str(), nullptr);
    const std::wstring png = directory + L"\\photo.png", bmp = directory + L"\\photo.bmp";
    {
        const samples::Picture picture = Photograph();
        if (FAILED(samples::WritePicture(png, picture)) ||
            FAILED(samples::WritePicture(bmp, picture))) {
            std::printf("Screen speed: the test images could not be written\n");
            return;
        }
    }
    IWICImagingFactory* factory = nullptr;
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                     IID_PPV_ARGS(&factory));
    std::vector<std::uint8_t> decoded;
    UINT stride = 0;
    if (factory == nullptr || !DecodeWithWic(factory, bmp, decoded, &stride)) {
        std::printf("Screen speed: WIC could not decode the test image\n");
        if (factory != nullptr) factory->Release();
        return;
    }
    // The same pixels as a 32-bit DIB, as a host would keep them for drawing.
    std::vector<std::uint32_t> bits(static_cast<std::size_t>(kPhotoWidth) * kPhotoHeight);
    for (int y = 0; y < kPhotoHeight; ++y) {
        const std::uint8_t* row = decoded.data() + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < kPhotoWidth; ++x) {
            bits[static_cast<std::size_t>(y) * kPhotoWidth + x] =
                row[x * 3] | (row[x * 3 + 1] << 8) | (row[x * 3 + 2] << 16);
        }
    }

    std::printf(
        "Painting, opening and publishing: %d x %d 24-bit image, %d x %d 32-bit memory DC, "
        "medians of %d\n",
        kPhotoWidth, kPhotoHeight, kScreenWidth, kScreenHeight, kRuns);
    Dewey document;
    std::string pngName(png.begin(), png.end()), bmpName(bmp.begin(), bmp.end());

    // Opening and the first publication of the opened image, against decoding and copying.
    std::vector<double> opens[2], publications;
    char section[64];
    for (int run = 0; run < kRuns; ++run) {
        for (int format = 0; format < 2; ++format) {
            std::string& name = format == 0 ? pngName : bmpName;
            double start = Now();
            const short opened = document.Open(&name[0]);
            opens[format].push_back(Now() - start);
            start = Now();
            document.GetSectionName(section);
            publications.push_back(Now() - start);
            if (opened != 0) std::printf("  (Open answered %d)\n", opened);
        }
    }
    double decodes[2];
    for (int format = 0; format < 2; ++format) {
        decodes[format] = MedianSeconds(
            kRuns, [&] { DecodeWithWic(factory, format == 0 ? png : bmp, decoded, &stride); });
    }
    std::vector<std::uint8_t> copy(decoded.size(), 1);
    const double copying =
        MedianSeconds(kRuns, [&] { std::memcpy(copy.data(), decoded.data(), decoded.size()); });
    PrintGoal("Open, PNG", Median(opens[0]), "the host's WIC decode", decodes[0], 1.1);
    PrintGoal("Open, BMP", Median(opens[1]), "the host's WIC decode", decodes[1], 1.1);
    PrintGoal("first publication (section name)", Median(publications), "memcpy of the pixels",
              copying, 3.0);

    // Painting: the document is the BMP opened last.
    kelocli::BgraCanvas screen;
    screen.Create(kScreenWidth, kScreenHeight, RGB(255, 0, 255));
    Huey view(&document);
    view.AttachWindow(nullptr, screen.Dc());
    RECT target = {0, 0, kScreenWidth, kScreenHeight};
    RECT fits[2] = {{0, 0, kPhotoWidth, kPhotoHeight}, {1, 0, kPhotoWidth, kPhotoHeight}};
    RECT parts[2] = {{2000, 1500, 2100, 1575}, {2001, 1500, 2101, 1575}};
    short painted = view.Paint(&fits[0], &target);  // the first loads the helper into this host
    int turn = 0;
    // A view that changed since the last paint (the source moves by a pixel every time).
    const double fit =
        MedianSeconds(kRuns, [&] { painted |= view.Paint(&fits[++turn & 1], &target); });
    const double repeat = MedianSeconds(kRuns, [&] { painted |= view.Paint(&fits[0], &target); });
    const double small =
        MedianSeconds(kRuns, [&] { painted |= view.Paint(&parts[++turn & 1], &target); });
    if (painted != 0) std::printf("  (a paint answered %d)\n", painted);
    const double halftone = MedianSeconds(kRuns, [&] { HostHalftone(screen.Dc(), bits, fits[0]); });
    const double halftoneSmall =
        MedianSeconds(kRuns, [&] { HostHalftone(screen.Dc(), bits, parts[0]); });
    PrintGoal("fit paint, view changed", fit, "HALFTONE StretchDIBits", halftone, 1.3);
    PrintGoal("repeat paint", repeat, "HALFTONE StretchDIBits", halftone, 1.0);
    PrintGoal("small-source paint (100 x 75)", small, "HALFTONE StretchDIBits of it", halftoneSmall,
              1.0);

    factory->Release();
    DeleteFileW(png.c_str());
    DeleteFileW(bmp.c_str());
    RemoveDirectoryW(directory.c_str());
}

}  // namespace bench
