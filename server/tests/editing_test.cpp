// The editing commands on raster images: exact pixels of small asymmetric pictures.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "imaging/editing.h"
#include "imaging_test_support.h"

namespace {

using imaging_tests::Colours;
using imaging_tests::Picture;
using pimbax::RasterImage;
using namespace pimbax::imaging;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// The letters of a 3 x 2 picture "abc/def" as colours: six of them, or two for 1 bit (the
// pattern stays asymmetric either way).
std::vector<COLORREF> Letters(const std::string& letters, int bits) {
    const COLORREF six[] = {RGB(10, 20, 30),  RGB(40, 50, 60),  RGB(70, 80, 90),
                            RGB(100, 0, 110), RGB(120, 130, 0), RGB(0, 140, 150)};
    const COLORREF two[] = {kBlack, kWhite, kWhite, kBlack, kBlack, kWhite};
    std::vector<COLORREF> colours;
    for (char c : letters) colours.push_back((bits == 1 ? two : six)[c - 'a']);
    return colours;
}

TEST(Rotate, QuarterTurnsPermuteThePixelsAtEveryDepth) {
    const struct {
        int degrees;
        int width;
        const char* expected;  // rows top first
    } turns[] = {{90, 2, "daebfc"},   {-270, 2, "daebfc"}, {450, 2, "daebfc"}, {180, 3, "fedcba"},
                 {-180, 3, "fedcba"}, {270, 2, "cfbead"},  {-90, 2, "cfbead"}, {720, 3, "abcdef"}};
    for (int bits : {1, 4, 8, 24, 32}) {
        RasterImage image = Picture(3, Letters("abcdef", bits), bits);
        image.dpiX = 150;
        image.dpiY = 72;
        for (const auto& turn : turns) {
            RasterImage turned;
            ASSERT_EQ(pimbax::kOk, Rotate(image, turn.degrees, 1, 300 % 256, turned));
            EXPECT_EQ(turn.width, turned.width) << bits << " " << turn.degrees;
            EXPECT_EQ(bits, turned.bitsPerPixel);
            EXPECT_EQ(Letters(turn.expected, bits), Colours(turned)) << bits << " " << turn.degrees;
            EXPECT_EQ(image.palette.size(), turned.palette.size());
            EXPECT_EQ(turn.width == 2 ? 72 : 150, turned.dpiX);
        }
    }
}

TEST(Rotate, OtherAnglesEncloseTheTurnedImageWithTheBackgroundInTheCorners) {
    const COLORREF tone = RGB(200, 100, 50);
    const struct {
        RasterImage image;
        int degrees, mode, grey;
        int width, height, bits;
        int centreX, centreY;
        COLORREF centre;
        std::size_t paletteSize;
    } cases[] = {
        // 4 x 2 by 45 degrees: 4.24 rounded up; the centre comes from pixel (2, 1).
        {Picture(4, {1, 2, 3, 4, 5, 6, 7, 8}, 24), 45, 0, 77, 5, 5, 24, 2, 2, RGB(7, 0, 0), 0},
        {Picture(4, {1, 2, 3, 4, 5, 6, 7, 8}, 24), -315, 0, 77, 5, 5, 24, 2, 2, RGB(7, 0, 0), 0},
        // Bilinear: an indexed image becomes 24-bit; 6 cos 30 + 4 sin 30 = 7.2, and so on.
        {Picture(6, std::vector<COLORREF>(24, tone), 8), 30, 1, 77, 8, 7, 24, 4, 3, tone, 0},
        // Nearest keeps an indexed depth and adds the grey to the palette.
        {Picture(2, {tone, kWhite, kBlack, tone}, 4), 10, 0, 77, 3, 3, 4, 1, 1, tone, 4},
    };
    for (const auto& c : cases) {
        RasterImage turned;
        ASSERT_EQ(pimbax::kOk, Rotate(c.image, c.degrees, c.mode, c.grey, turned));
        EXPECT_EQ(c.width, turned.width) << c.degrees;
        EXPECT_EQ(c.height, turned.height);
        EXPECT_EQ(c.bits, turned.bitsPerPixel);
        EXPECT_EQ(c.paletteSize, turned.palette.size());
        EXPECT_EQ(RGB(77, 77, 77), pimbax::PixelColor(turned, 0, 0));
        EXPECT_EQ(RGB(77, 77, 77), pimbax::PixelColor(turned, c.width - 1, c.height - 1));
        EXPECT_EQ(c.centre, pimbax::PixelColor(turned, c.centreX, c.centreY));
    }
}

TEST(Crop, KeepsTheClippedRectangle) {
    const RasterImage wide =
        Picture(8, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, 24);
    const RasterImage bits = Picture(8, Letters("abcdefabcdefabcd", 1), 1);
    const struct {
        const RasterImage* image;
        int left, top, right, bottom;
        pimbax::Result result;
        std::vector<COLORREF> expected;
    } crops[] = {
        {&wide, 1, 1, 4, 2, pimbax::kOk, {10, 11, 12}},
        {&wide, -5, -5, 2, 1, pimbax::kOk, {1, 2}},
        {&wide, 6, 0, 100, 100, pimbax::kOk, {7, 8, 15, 16}},
        {&bits, 3, 0, 6, 1, pimbax::kOk, Letters("def", 1)},
        {&wide, 3, 0, 3, 2, pimbax::kBadValue, {}},
        {&wide, 4, 0, 2, 2, pimbax::kBadValue, {}},
        {&wide, 8, 0, 12, 2, pimbax::kBadValue, {}},
        {&wide, 0, -4, 8, 0, pimbax::kBadValue, {}},
    };
    for (const auto& crop : crops) {
        RasterImage out = Picture(1, {kWhite}, 24);
        EXPECT_EQ(crop.result,
                  Crop(*crop.image, crop.left, crop.top, crop.right, crop.bottom, out));
        EXPECT_EQ(crop.result == pimbax::kOk ? crop.expected : std::vector<COLORREF>{kWhite},
                  Colours(out))
            << crop.left << "," << crop.top;
        EXPECT_EQ(crop.result == pimbax::kOk ? crop.image->bitsPerPixel : 24, out.bitsPerPixel);
    }
}

// One row per operation on a 4 x 1 picture whose greys are 124, 0, 255 and 119 (118.5 rounded
// up), unless the row says otherwise.
TEST(Edits, EachOperationGivesItsExactColours) {
    const COLORREF leaf = RGB(10, 200, 30);
    const COLORREF rust = RGB(200, 100, 0);
    const RasterImage picture = Picture(4, {leaf, kBlack, kWhite, rust}, 24);
    const COLORREF red = RGB(255, 0, 0);
    const COLORREF blue = RGB(0, 0, 255);
    RasterImage oneBit = Picture(4, {red, blue, blue, red}, 1);  // palette blue, red
    const RasterImage flat = Picture(2, {rust, rust}, 8);
    RasterImage translucent = Picture(2, {leaf, rust}, 32);
    translucent.hasAlpha = true;
    pimbax::SetPixelValue(translucent, 0, 0, 0x400AC81Eu);  // leaf, alpha 0x40
    using Edit = std::function<pimbax::Result(const RasterImage&, RasterImage&)>;
    const struct {
        const char* name;
        const RasterImage* image;
        Edit edit;
        int bits;
        std::vector<COLORREF> expected;
    } rows[] = {
        {"grayize", &picture, Grayize, 8, {RGB(124, 124, 124), kBlack, kWhite, RGB(119, 119, 119)}},
        {"blackize", &picture, Blackize, 1, {kBlack, kBlack, kWhite, kBlack}},
        {"invert", &picture, Invert, 24, {RGB(245, 55, 225), kWhite, kBlack, RGB(55, 155, 255)}},
        {"reverse", &picture, ReverseBW, 24, {leaf, kWhite, kBlack, rust}},
        {"change",
         &picture,
         [&](const RasterImage& i, RasterImage& o) {
             return ChangeColor(i, 0xFF000000u | rust, RGB(1, 2, 3), o);
         },
         24,
         {leaf, kBlack, kWhite, RGB(1, 2, 3)}},
        {"gamma",
         &picture,
         [](const RasterImage& i, RasterImage& o) { return Gamma(i, 200, 100, 50, o); },
         24,
         {RGB(50, 200, 4), kBlack, kWhite, RGB(226, 100, 0)}},
        // cdf: 1 below 119, 2 from 119, 3 from 124, 4 at 255; m = 0, so 0, 85, 170, 255.
        {"equalize", &picture, Equalize, 24, {RGB(0, 170, 0), kBlack, kWhite, RGB(170, 0, 0)}},
        {"reduce exact",
         &picture,
         [](const RasterImage& i, RasterImage& o) { return Reduce(i, 4, 1, 0, o); },
         4,
         {leaf, kBlack, kWhite, rust}},
        {"reduce halftone",
         &picture,
         [](const RasterImage& i, RasterImage& o) { return Reduce(i, 20, 0, 1, o); },
         4,
         {RGB(0, 255, 0), kBlack, kWhite, RGB(128, 128, 0)}},
        {"reduce black and white",
         &picture,
         [](const RasterImage& i, RasterImage& o) { return Reduce(i, 15, 0, 1, o); },
         1,
         {kBlack, kBlack, kWhite, kBlack}},
        // Indexed images: palette entries change, 1-bit ReverseBW flips the bits.
        {"invert palette",
         &oneBit,
         Invert,
         1,
         {RGB(0, 255, 255), RGB(255, 255, 0), RGB(255, 255, 0), RGB(0, 255, 255)}},
        {"reverse bits", &oneBit, ReverseBW, 1, {blue, red, red, blue}},
        {"change palette",
         &oneBit,
         [&](const RasterImage& i, RasterImage& o) { return ChangeColor(i, blue, leaf, o); },
         1,
         {red, leaf, leaf, red}},
        // Equalisation of a single grey level changes nothing.
        {"equalize flat", &flat, Equalize, 8, {rust, rust}},
    };
    for (const auto& row : rows) {
        RasterImage out;
        ASSERT_EQ(pimbax::kOk, row.edit(*row.image, out)) << row.name;
        EXPECT_EQ(row.bits, out.bitsPerPixel) << row.name;
        EXPECT_EQ(row.expected, Colours(out)) << row.name;
    }
    // Depth-keeping edits keep the alpha and the indices.
    RasterImage out;
    ASSERT_EQ(pimbax::kOk, Invert(translucent, out));
    EXPECT_EQ(0x40F537E1u, pimbax::PixelValue(out, 0, 0));
    ASSERT_EQ(pimbax::kOk, Invert(oneBit, out));
    EXPECT_EQ(oneBit.pixels, out.pixels);
    ASSERT_EQ(pimbax::kOk, Grayize(picture, out));
    ASSERT_EQ(256u, out.palette.size());
    EXPECT_EQ(200, out.palette[200].rgbGreen);
    // The result may replace the image itself.
    out = picture;
    ASSERT_EQ(pimbax::kOk, Rotate(out, 90, 0, 0, out));
    EXPECT_EQ((std::vector<COLORREF>{leaf, kBlack, kWhite, rust}), Colours(out));
    EXPECT_EQ(1, out.width);
}

TEST(Edits, ReduceLimitsTheColoursAndDithersOnRequest) {
    std::vector<COLORREF> ramp;
    for (int i = 0; i < 64; ++i) ramp.push_back(RGB(i * 4, 255 - i * 4, (i * 37) % 256));
    const RasterImage many = Picture(8, ramp, 24);
    RasterImage out;
    ASSERT_EQ(pimbax::kOk, Reduce(many, 5, 0, 0, out));
    EXPECT_EQ(4, out.bitsPerPixel);
    EXPECT_LE(out.palette.size(), 5u);
    EXPECT_GE(out.palette.size(), 2u);
    // Mid grey on black and white: all white without dithering, half and half with it.
    const RasterImage grey = Picture(8, std::vector<COLORREF>(64, RGB(128, 128, 128)), 24);
    for (int dither : {0, 1}) {
        ASSERT_EQ(pimbax::kOk, Reduce(grey, 2, dither, 1, out));
        int black = 0;
        for (COLORREF c : Colours(out)) black += c == kBlack;
        EXPECT_LT(std::abs(black - (dither == 0 ? 0 : 32)), 8) << dither;
    }
}

TEST(Edits, BadArgumentsAreRefusedAndLeaveTheResultAlone) {
    const RasterImage picture = Picture(2, {kBlack, kWhite}, 24);
    using Edit = std::function<pimbax::Result(RasterImage&)>;
    const Edit refused[] = {
        [&](RasterImage& o) { return Rotate(picture, 90, 2, 0, o); },
        [&](RasterImage& o) { return Rotate(picture, 10, 0, 256, o); },
        [&](RasterImage& o) { return Rotate(picture, 90, 0, -1, o); },
        [&](RasterImage& o) { return Reduce(picture, 1, 0, 0, o); },
        [&](RasterImage& o) { return Reduce(picture, 257, 0, 0, o); },
        [&](RasterImage& o) { return Reduce(picture, 2, 2, 0, o); },
        [&](RasterImage& o) { return Reduce(picture, 2, 0, 2, o); },
        [&](RasterImage& o) { return Gamma(picture, 0, 100, 100, o); },
        [&](RasterImage& o) { return Gamma(picture, 100, 100, 1001, o); },
        [&](RasterImage& o) { return Invert(RasterImage(), o); },
    };
    for (const Edit& edit : refused) {
        RasterImage out = Picture(1, {RGB(9, 9, 9)}, 8);
        EXPECT_EQ(pimbax::kBadValue, edit(out));
        EXPECT_EQ(std::vector<COLORREF>{RGB(9, 9, 9)}, Colours(out));
    }
    // A turn whose canvas would pass the pixel limit.
    RasterImage strip;
    ASSERT_TRUE(pimbax::AllocatePixels(strip, 30000, 1, 24));
    RasterImage out;
    EXPECT_EQ(pimbax::kTooLarge, Rotate(strip, 45, 0, 0, out));
    EXPECT_TRUE(out.Empty());
}

}  // namespace
