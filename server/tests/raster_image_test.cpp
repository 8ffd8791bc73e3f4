// The server's pixel work: packed DIBs, resampling, depth conversion and fitting.
#include <gtest/gtest.h>

#include <cstring>

#include "rendering/canvas.h"
#include "documents/raster_image.h"

namespace {

using pimbax::RasterImage;

RasterImage Make(int width, int height, int bits) {
    RasterImage image;
    EXPECT_TRUE(pimbax::AllocatePixels(image, width, height, bits));
    if (bits <= 8) {
        for (int i = 0; i < (1 << bits); ++i) {
            image.palette.push_back(RGBQUAD{static_cast<BYTE>(i * 3), static_cast<BYTE>(255 - i),
                                            static_cast<BYTE>(i), 0});
        }
    }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t value =
                bits <= 8 ? static_cast<std::uint32_t>((x * 7 + y * 3) % (1 << bits))
                          : 0xFF000000u | static_cast<std::uint32_t>(x * 40 + y * 0x10300);
            pimbax::SetPixelValue(image, x, y, value);
        }
    image.dpiX = 150;
    image.dpiY = 72;
    return image;
}

std::vector<std::uint8_t> Pack(const RasterImage& image) {
    std::vector<std::uint8_t> bytes(pimbax::PackedDibSize(image));
    pimbax::WritePackedDib(image, bytes.data());
    return bytes;
}

TEST(PackedDib, RoundTripsEveryDepth) {
    for (int bits : {1, 4, 8, 24, 32}) {
        const RasterImage image = Make(7, 5, bits);
        const std::vector<std::uint8_t> bytes = Pack(image);
        RasterImage read;
        std::size_t consumed = 0;
        ASSERT_TRUE(pimbax::ReadPackedDib(bytes.data(), bytes.size(), read, &consumed)) << bits;
        EXPECT_EQ(bytes.size(), consumed);
        EXPECT_EQ(7, read.width);
        EXPECT_EQ(5, read.height);
        EXPECT_EQ(bits, read.bitsPerPixel);
        EXPECT_EQ(150, read.dpiX);
        EXPECT_EQ(72, read.dpiY);
        EXPECT_EQ(image.pixels, read.pixels);
        ASSERT_EQ(image.palette.size(), read.palette.size());
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) {
                EXPECT_EQ(pimbax::PixelColor(image, x, y), pimbax::PixelColor(read, x, y));
            }
    }
}

TEST(PackedDib, RefusesWhatDoesNotAddUpAndLeavesTheImage) {
    const std::vector<std::uint8_t> good = Pack(Make(9, 4, 8));
    RasterImage kept = Make(2, 2, 24);
    const std::vector<std::uint8_t> before = kept.pixels;
    EXPECT_FALSE(pimbax::ReadPackedDib(good.data(), good.size() - 1, kept, nullptr));
    EXPECT_FALSE(pimbax::ReadPackedDib(good.data(), 39, kept, nullptr));
    auto with = [&](std::size_t offset, std::uint32_t value, int width) {
        std::vector<std::uint8_t> bytes = good;
        std::memcpy(&bytes[offset], &value, width);
        return bytes;
    };
    for (const std::vector<std::uint8_t>& bad :
         {with(32, 257, 4), with(16, BI_RLE8, 4), with(4, 0, 4), with(4, 40000, 4), with(14, 7, 2),
          with(0, 12, 4), with(8, 0, 4)}) {
        EXPECT_FALSE(pimbax::ReadPackedDib(bad.data(), bad.size(), kept, nullptr));
    }
    EXPECT_EQ(2, kept.width);
    EXPECT_EQ(before, kept.pixels);
}

TEST(PackedDib, ReadsTopDownRowsAndSixteenBitFields) {
    // A top-down 2 x 2 image of 5-6-5 pixels: red, green on top; blue, white below.
    struct {
        BITMAPINFOHEADER header;
        DWORD masks[3];
        WORD pixels[4];
    } dib = {};
    dib.header.biSize = sizeof dib.header;
    dib.header.biWidth = 2;
    dib.header.biHeight = -2;
    dib.header.biPlanes = 1;
    dib.header.biBitCount = 16;
    dib.header.biCompression = BI_BITFIELDS;
    dib.masks[0] = 0xF800;
    dib.masks[1] = 0x07E0;
    dib.masks[2] = 0x001F;
    dib.pixels[0] = 0xF800;
    dib.pixels[1] = 0x07E0;
    dib.pixels[2] = 0x001F;
    dib.pixels[3] = 0xFFFF;
    RasterImage read;
    ASSERT_TRUE(pimbax::ReadPackedDib(reinterpret_cast<const std::uint8_t*>(&dib), sizeof dib, read,
                                      nullptr));
    EXPECT_EQ(24, read.bitsPerPixel);
    EXPECT_EQ(RGB(255, 0, 0), pimbax::PixelColor(read, 0, 0));
    EXPECT_EQ(RGB(0, 255, 0), pimbax::PixelColor(read, 1, 0));
    EXPECT_EQ(RGB(0, 0, 255), pimbax::PixelColor(read, 0, 1));
    EXPECT_EQ(RGB(255, 255, 255), pimbax::PixelColor(read, 1, 1));
}

TEST(Pixels, SubBytePixelsAreStoredMostSignificantFirst) {
    RasterImage one = Make(10, 1, 1);
    std::fill(one.pixels.begin(), one.pixels.end(), 0);
    pimbax::SetPixelValue(one, 0, 0, 1);
    pimbax::SetPixelValue(one, 9, 0, 1);
    EXPECT_EQ(0x80, one.pixels[0]);
    EXPECT_EQ(0x40, one.pixels[1]);
    RasterImage four = Make(3, 1, 4);
    pimbax::SetPixelValue(four, 0, 0, 0xA);
    pimbax::SetPixelValue(four, 1, 0, 0x3);
    EXPECT_EQ(0xA3, four.pixels[0]);
    EXPECT_EQ(0x3u, pimbax::PixelValue(four, 1, 0));
}

TEST(Resample, GrowsByNearestPixelAndShrinksByAveraging) {
    RasterImage image;
    ASSERT_TRUE(pimbax::AllocatePixels(image, 2, 2, 24));
    pimbax::SetPixelValue(image, 0, 0, 0x000000);
    pimbax::SetPixelValue(image, 1, 0, 0x0000FF);  // blue byte 0xFF
    pimbax::SetPixelValue(image, 0, 1, 0x00FF00);
    pimbax::SetPixelValue(image, 1, 1, 0xFF0000);
    std::uint32_t grown[16];
    pimbax::ResampleToBgra(image, {0, 0, 2, 2}, true, grown, 4, 4, 4);
    EXPECT_EQ(0xFF000000u, grown[0]);
    EXPECT_EQ(0xFF000000u, grown[5]);
    EXPECT_EQ(0xFF0000FFu, grown[2]);
    EXPECT_EQ(0xFF0000FFu, grown[7]);
    EXPECT_EQ(0xFFFF0000u, grown[15]);
    std::uint32_t shrunk = 0;
    pimbax::ResampleToBgra(image, {0, 0, 2, 2}, true, &shrunk, 1, 1, 1);
    EXPECT_EQ(0xFF404040u, shrunk);  // each channel 255 / 4, rounded
    // A source half outside the image: the outside is white.
    std::uint32_t half[2];
    pimbax::ResampleToBgra(image, {1, 0, 3, 1}, true, half, 2, 1, 2);
    EXPECT_EQ(0xFF0000FFu, half[0]);
    EXPECT_EQ(0xFFFFFFFFu, half[1]);
}

TEST(Resample, CompositesAlphaOverWhite) {
    RasterImage image;
    ASSERT_TRUE(pimbax::AllocatePixels(image, 1, 1, 32));
    image.hasAlpha = true;
    pimbax::SetPixelValue(image, 0, 0, 0x00000000u);  // black, fully transparent
    std::uint32_t out = 0;
    pimbax::ResampleToBgra(image, {0, 0, 1, 1}, true, &out, 1, 1, 1);
    EXPECT_EQ(0xFFFFFFFFu, out);
    pimbax::SetPixelValue(image, 0, 0, 0x80000000u);  // half covered
    pimbax::ResampleToBgra(image, {0, 0, 1, 1}, true, &out, 1, 1, 1);
    EXPECT_EQ(0xFF7F7F7Fu, out);
}

TEST(Resize, NearestKeepsThePaletteAndTakesCentres) {
    const RasterImage image = Make(4, 2, 4);
    RasterImage resized;
    ASSERT_TRUE(pimbax::ResizeNearest(image, 2, 1, resized));
    EXPECT_EQ(image.palette.size(), resized.palette.size());
    EXPECT_EQ(pimbax::PixelValue(image, 1, 1), pimbax::PixelValue(resized, 0, 0));
    EXPECT_EQ(pimbax::PixelValue(image, 3, 1), pimbax::PixelValue(resized, 1, 0));
    EXPECT_FALSE(pimbax::ResizeNearest(image, 0, 1, resized));
    EXPECT_FALSE(pimbax::ResizeNearest(image, 40000, 1, resized));
}

TEST(PackBgra, FewColoursMakeAnExactPalette) {
    const std::uint32_t pixels[6] = {0xFF112233, 0xFF445566, 0xFF112233,
                                     0xFF778899, 0xFF445566, 0xFF112233};
    RasterImage packed;
    ASSERT_TRUE(pimbax::PackBgra(pixels, 3, 2, 4, false, packed));
    EXPECT_EQ(3u, packed.palette.size());
    for (int i = 0; i < 6; ++i) {
        const COLORREF expected =
            RGB((pixels[i] >> 16) & 0xFF, (pixels[i] >> 8) & 0xFF, pixels[i] & 0xFF);
        EXPECT_EQ(expected, pimbax::PixelColor(packed, i % 3, i / 3));
    }
}

TEST(PackBgra, ManyColoursAreQuantisedCloselyAndOneBitIsBlackAndWhite) {
    std::vector<std::uint32_t> ramp(64 * 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ramp[y * 64 + x] = 0xFF000000u | (x * 4u << 16) | (y * 4u << 8) | 128u;
    RasterImage eight;
    ASSERT_TRUE(pimbax::PackBgra(ramp.data(), 64, 64, 8, false, eight));
    EXPECT_LE(eight.palette.size(), 256u);
    double error = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const COLORREF c = pimbax::PixelColor(eight, x, y);
            error += std::abs(GetRValue(c) - x * 4) + std::abs(GetGValue(c) - y * 4);
        }
    EXPECT_LT(error / (64 * 64 * 2), 6.0);
    RasterImage one;
    ASSERT_TRUE(pimbax::PackBgra(ramp.data(), 64, 64, 1, false, one));
    ASSERT_EQ(2u, one.palette.size());
    EXPECT_EQ(RGB(0, 0, 0),
              RGB(one.palette[0].rgbRed, one.palette[0].rgbGreen, one.palette[0].rgbBlue));
    EXPECT_EQ(RGB(255, 255, 255),
              RGB(one.palette[1].rgbRed, one.palette[1].rgbGreen, one.palette[1].rgbBlue));
}

TEST(FitToCorner, KeepsTheAspectAgainstTheRightAndBottomEdges) {
    const RECT wide = pimbax::FitToCorner(2000, 1000, 1024, 640);
    EXPECT_EQ(0, wide.left);
    EXPECT_EQ(128, wide.top);
    EXPECT_EQ(1024, wide.right);
    EXPECT_EQ(640, wide.bottom);
    const RECT tall = pimbax::FitToCorner(300, 600, 704, 768);
    EXPECT_EQ(320, tall.left);
    EXPECT_EQ(0, tall.top);
    const RECT same = pimbax::FitToCorner(2048, 1536, 1024, 768);
    EXPECT_EQ(0, same.left);
    EXPECT_EQ(0, same.top);
}

}  // namespace
