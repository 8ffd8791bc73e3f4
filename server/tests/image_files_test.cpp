// Files the server writes: encode, decode with the server's own reader, compare; names, options,
// and files replaced whole or not at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "documents/document.h"
#include "imaging/image_files.h"
#include "imaging_test_support.h"

namespace {

using imaging_tests::Colours;
using imaging_tests::Picture;
using pimbax::RasterImage;
using namespace pimbax::imaging;

// A folder of its own under the temporary folder, removed with what is left in it.
class Folder {
  public:
    Folder() {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        path_ = std::wstring(base) + L"pimbax-files-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~Folder() {
        for (const std::wstring& name : Names()) DeleteFileW((path_ + L"\\" + name).c_str());
        RemoveDirectoryW((path_ + L"\\folder").c_str());
        RemoveDirectoryW(path_.c_str());
    }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }
    std::vector<std::wstring> Names() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") names.push_back(name);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    std::wstring path_;
};

RasterImage Load(const std::wstring& path) {
    std::unique_ptr<pimbax::Document> document;
    EXPECT_EQ(pimbax::kOk, pimbax::LoadDocument(path, &document));
    return document && document->Image() ? *document->Image() : RasterImage();
}

// Eleven colours in a 5 x 3 picture, black and white for 1 bit.
RasterImage Sample(int bits) {
    std::vector<COLORREF> colours;
    for (int i = 0; i < 15; ++i) {
        colours.push_back(bits == 1 ? ((i * 7) % 3 ? RGB(255, 255, 255) : RGB(0, 0, 0))
                                    : RGB((i * 53) % 256, (i % 11) * 20, 200 - (i % 11) * 9));
    }
    RasterImage image = Picture(5, colours, bits);
    image.dpiX = 150;
    image.dpiY = 75;
    return image;
}

TEST(RasterFiles, LosslessTypesGiveBackTheSamePixels) {
    const Folder folder;
    RasterImage translucent = Sample(32);
    translucent.hasAlpha = true;
    for (int i = 0; i < 15; ++i) {
        const std::uint32_t c = pimbax::PixelValue(translucent, i % 5, i / 5);
        pimbax::SetPixelValue(translucent, i % 5, i / 5, (c & 0xFFFFFFu) | (i * 17u << 24));
    }
    const struct {
        FileType type;
        int bits;
        int readBits;  // the depth the file holds under Wine 8 (a PNG has no 32 bits without alpha)
    } rows[] = {
        {FileType::kBmp, 1, 1},   {FileType::kBmp, 4, 4},    {FileType::kBmp, 8, 8},
        {FileType::kBmp, 24, 24}, {FileType::kBmp, 32, 32},  {FileType::kPng, 1, 1},
        {FileType::kPng, 4, 4},   {FileType::kPng, 8, 8},    {FileType::kPng, 24, 24},
        {FileType::kPng, 32, 24}, {FileType::kTiff, 1, 1},   {FileType::kTiff, 4, 4},
        {FileType::kTiff, 8, 8},  {FileType::kTiff, 24, 24}, {FileType::kTiff, 32, 24},
        {FileType::kGif, 1, 8},   {FileType::kGif, 4, 8},    {FileType::kGif, 24, 8},
        {FileType::kGif, 32, 8},  {FileType::kPng, 0, 32},   {FileType::kTiff, 0, 32},
    };
    for (const auto& row : rows) {
        const RasterImage image = row.bits == 0 ? translucent : Sample(row.bits);
        const std::wstring path = folder / L"picture";
        ASSERT_EQ(pimbax::kOk, WriteRasterFile(path, image, row.type, 90)) << row.bits;
        const RasterImage read = Load(path);
        EXPECT_EQ(row.readBits, read.bitsPerPixel) << static_cast<int>(row.type) << " " << row.bits;
        EXPECT_EQ(Colours(image), Colours(read)) << static_cast<int>(row.type) << " " << row.bits;
        if (row.bits == 0) {
            EXPECT_EQ(translucent.pixels, read.pixels);
        }
        EXPECT_EQ(row.type == FileType::kGif ? 96 : 150, read.dpiX) << static_cast<int>(row.type);
    }
    EXPECT_EQ(1u, folder.Names().size());
}

TEST(RasterFiles, JpegIsCloseAndGreyStaysGrey) {
    const Folder folder;
    std::vector<COLORREF> smooth;
    for (int i = 0; i < 64 * 48; ++i) smooth.push_back(RGB(i % 64 * 4, i / 64 * 5, 128));
    RasterImage greys;
    ASSERT_TRUE(pimbax::AllocatePixels(greys, 64, 48, 8));
    for (int i = 0; i < 256; ++i) {
        greys.palette.push_back(
            RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0});
    }
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) pimbax::SetPixelValue(greys, x, y, x * 3 + y);
    for (const RasterImage& image : {Picture(64, smooth, 24), greys}) {
        const std::wstring path = folder / L"photo.jpg";
        ASSERT_EQ(pimbax::kOk, WriteRasterFile(path, image, FileType::kJpeg, 75));
        const RasterImage read = Load(path);
        ASSERT_EQ(image.bitsPerPixel, read.bitsPerPixel);
        const std::vector<COLORREF> before = Colours(image);
        const std::vector<COLORREF> after = Colours(read);
        ASSERT_EQ(before.size(), after.size());
        double error = 0;
        for (std::size_t i = 0; i < before.size(); ++i) {
            error += std::abs(GetRValue(before[i]) - GetRValue(after[i])) +
                     std::abs(GetGValue(before[i]) - GetGValue(after[i]));
        }
        EXPECT_LT(error / static_cast<double>(before.size() * 2), 3.0);
    }
}

TEST(RasterFiles, AFailedWriteLeavesNothingAndTheOldFileWhole) {
    const Folder folder;
    const RasterImage image = Sample(24);
    const std::wstring path = folder / L"kept.png";
    ASSERT_EQ(pimbax::kOk, WriteRasterFile(path, image, FileType::kPng, 90));
    ASSERT_TRUE(CreateDirectoryW((folder / L"folder").c_str(), nullptr));
    EXPECT_EQ(pimbax::kUnreadable, WriteRasterFile(folder / L"folder", image, FileType::kBmp, 90));
    EXPECT_EQ(pimbax::kUnreadable,
              WriteRasterFile(folder / L"missing\\x.bmp", image, FileType::kBmp, 90));
    EXPECT_EQ(pimbax::kBadValue, WriteRasterFile(path, image, FileType::kJpeg, 0));
    EXPECT_EQ(pimbax::kBadValue, WriteRasterFile(path, image, FileType::kEmf, 90));
    EXPECT_EQ(pimbax::kBadValue, WriteRasterFile(path, RasterImage(), FileType::kPng, 90));
    EXPECT_EQ(pimbax::kBadValue, WriteFileReplacing(L"", nullptr, 0));
    EXPECT_EQ((std::vector<std::wstring>{L"folder", L"kept.png"}), folder.Names());
    EXPECT_EQ(Colours(image), Colours(Load(path)));
    // Replacing an existing file.
    ASSERT_EQ(pimbax::kOk, WriteRasterFile(path, Sample(1), FileType::kPng, 90));
    EXPECT_EQ(1, Load(path).bitsPerPixel);
}

TEST(FileTypes, NamesAndExtensions) {
    const struct {
        const wchar_t* name;
        FileType type;
    } names[] = {
        {L"BMP", FileType::kBmp},     {L"png", FileType::kPng},  {L"Jpg", FileType::kJpeg},
        {L"JPEG", FileType::kJpeg},   {L"gif", FileType::kGif},  {L"TIF", FileType::kTiff},
        {L"tiff", FileType::kTiff},   {L"EMF", FileType::kEmf},  {L"obj", FileType::kObj},
        {L"TXT", FileType::kTxt},     {L"", FileType::kUnknown}, {L"jpe", FileType::kUnknown},
        {L" png", FileType::kUnknown}};
    for (const auto& entry : names)
        EXPECT_EQ(entry.type, FileTypeFromName(entry.name)) << entry.name;
    EXPECT_EQ(FileType::kJpeg, FileTypeFromPath(L"C:\\a.b\\photo.JPEG"));
    EXPECT_EQ(FileType::kUnknown, FileTypeFromPath(L"C:\\a.png\\photo"));
    EXPECT_EQ(FileType::kUnknown, FileTypeFromPath(L"photo."));
    EXPECT_TRUE(IsRasterType(FileType::kGif));
    EXPECT_FALSE(IsRasterType(FileType::kEmf));
}

TEST(ConversionOptions, ParsedStrictlyAndSizesKeepTheAspect) {
    const struct {
        const wchar_t* text;
        pimbax::Result result;
        int quality, width, height;
    } rows[] = {
        {L"", pimbax::kOk, 0, 0, 0},
        {L"quality=90", pimbax::kOk, 90, 0, 0},
        {L" Width = 800 , quality=5,", pimbax::kOk, 5, 800, 0},
        {L"height=32767,,width=1", pimbax::kOk, 0, 1, 32767},
        {L"quality=101", pimbax::kBadValue, 0, 0, 0},
        {L"quality=0", pimbax::kBadValue, 0, 0, 0},
        {L"width=32768", pimbax::kBadValue, 0, 0, 0},
        {L"width=-5", pimbax::kBadValue, 0, 0, 0},
        {L"width=8x", pimbax::kBadValue, 0, 0, 0},
        {L"width=", pimbax::kBadValue, 0, 0, 0},
        {L"width", pimbax::kBadValue, 0, 0, 0},
        {L"depth=8", pimbax::kBadValue, 0, 0, 0},
        {L"width=8,width=9", pimbax::kBadValue, 0, 0, 0},
        {L"width=99999999999", pimbax::kBadValue, 0, 0, 0},
    };
    for (const auto& row : rows) {
        ConversionOptions options;
        options.quality = 7;
        EXPECT_EQ(row.result, ParseConversionOptions(row.text, options)) << row.text;
        EXPECT_EQ(row.result == pimbax::kOk ? row.quality : 7, options.quality) << row.text;
        EXPECT_EQ(row.width, options.width) << row.text;
        EXPECT_EQ(row.height, options.height) << row.text;
    }
    const struct {
        int width, height;  // options
        int outWidth, outHeight;
        pimbax::Result result;
    } sizes[] = {{0, 0, 300, 200, pimbax::kOk}, {150, 0, 150, 100, pimbax::kOk},
                 {0, 50, 75, 50, pimbax::kOk},  {1, 0, 1, 1, pimbax::kOk},
                 {10, 10, 10, 10, pimbax::kOk}, {0, 32767, 0, 0, pimbax::kTooLarge}};
    for (const auto& size : sizes) {
        ConversionOptions options;
        options.width = size.width;
        options.height = size.height;
        int w = 0;
        int h = 0;
        EXPECT_EQ(size.result, ConvertedSize(options, 300, 200, &w, &h));
        EXPECT_EQ(size.outWidth, w);
        EXPECT_EQ(size.outHeight, h);
    }
}

}  // namespace
