// Huey's 2D view against the scripted server: which questions each operation asks, in which
// order, what it paints afterwards, colour picking on both paths and palette realisation from a
// real named section.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "kelocli.h"
#include "packed_dib.h"
#include "rect_printing.h"
#include "scripted_server.h"

using testsupport::MakePackedDib;
using testsupport::PackedDib;
using testsupport::Quad;
using testsupport::Reply;
using testsupport::ScriptedServer;
using testsupport::SeenCall;
using testsupport::TestSection;

namespace {

using Names = std::vector<std::wstring>;

const Names kSizeQuery = {L"GetWidth", L"GetHeight"};

RECT Rect(LONG left, LONG top, LONG right, LONG bottom) {
    return {left, top, right, bottom};
}

constexpr RECT kZero = {0, 0, 0, 0};

class HueyView : public testing::Test {
  protected:
    void SetUp() override {
        server.Answer(L"GetWidth", Reply::Long(1000));
        server.Answer(L"GetHeight", Reply::Long(800));
        server.Answer(L"IsRaster", Reply::Short(1));
        dewey = new Dewey;
        huey = new Huey(dewey);
        server.ClearRecords();
    }
    void TearDown() override {
        delete huey;
        delete dewey;
    }

    // The view's own rectangles, as Paint() sends them (source first); forgets that call.
    std::pair<RECT, RECT> Painted() {
        server.ClearRecords();
        huey->Paint();
        std::pair<RECT, RECT> rects = {kZero, kZero};
        const std::vector<SeenCall> calls = server.CallsOf(L"Paint");
        EXPECT_EQ(calls.size(), 1u);
        if (calls.size() == 1 && calls[0].arguments.size() == 8) {
            const auto& a = calls[0].arguments;
            rects.first = Rect(a[0].AsShort(), a[1].AsShort(), a[2].AsShort(), a[3].AsShort());
            rects.second = Rect(a[4].AsShort(), a[5].AsShort(), a[6].AsShort(), a[7].AsShort());
        }
        server.ClearRecords();
        return rects;
    }

    void ExpectPainted(RECT source, RECT dest) {
        const std::pair<RECT, RECT> painted = Painted();
        EXPECT_EQ(painted.first, source);
        EXPECT_EQ(painted.second, dest);
    }

    // The 1000 x 800 image at actual size in a 500 x 400 window.
    void ShowActualSize() {
        RECT window = Rect(0, 0, 500, 400);
        huey->InitWindowSize(&window, 0, &info);
        server.ClearRecords();
    }

    ScriptedServer server;
    Dewey* dewey = nullptr;
    Huey* huey = nullptr;
    taghueyinfo info = {};
};

}  // namespace

TEST_F(HueyView, ANewViewPaintsEmptyRectangles) {
    ExpectPainted(kZero, kZero);
}

TEST_F(HueyView, InitWindowSizeAsksTheKindOnlyForActualSize) {
    RECT window = Rect(0, 0, 500, 400);
    huey->InitWindowSize(&window, 0, &info);
    EXPECT_EQ(server.CallNames(), (Names{L"IsRaster", L"GetWidth", L"GetHeight"}));
    EXPECT_EQ(info.percentRect, Rect(0, 0, 50, 50));
    EXPECT_EQ(info.sourceRect, Rect(0, 0, 500, 400));
    EXPECT_EQ(info.destRect, Rect(0, 0, 500, 400));
    ExpectPainted(Rect(0, 0, 500, 400), Rect(0, 0, 500, 400));

    window = Rect(0, 0, 500, 500);
    huey->InitWindowSize(&window, 1, &info);
    EXPECT_EQ(server.CallNames(), kSizeQuery);
    EXPECT_EQ(info.percentRect, kZero);
    EXPECT_EQ(info.sourceRect, Rect(0, 0, 1000, 800));
    EXPECT_EQ(info.destRect, Rect(0, 0, 500, 400));
    ExpectPainted(Rect(0, 0, 1000, 800), Rect(0, 0, 500, 400));

    huey->InitWindowSize(&window, 7, &info);  // folded to actual size after the kind question
    EXPECT_EQ(server.CallNames(), kSizeQuery);
    EXPECT_EQ(info.sourceRect, Rect(0, 0, 500, 500));
}

TEST_F(HueyView, OnlyAVectorAnswerOpensFitted) {
    RECT window = Rect(0, 0, 500, 500);
    server.Answer(L"IsRaster", Reply::Short(0));
    huey->InitWindowSize(&window, 0, &info);
    EXPECT_EQ(info.sourceRect, Rect(0, 0, 1000, 800));
    EXPECT_EQ(info.destRect, Rect(0, 0, 500, 400));

    for (const Reply& kind : {Reply::Short(-1), Reply::Failure(E_FAIL)}) {
        server.Answer(L"IsRaster", kind);
        server.ClearRecords();
        huey->InitWindowSize(&window, 0, &info);
        EXPECT_EQ(server.CallNames(), (Names{L"IsRaster", L"GetWidth", L"GetHeight"}));
        EXPECT_EQ(info.sourceRect, Rect(0, 0, 500, 500));
    }
}

TEST_F(HueyView, AnUnansweredSizeFallsBackToTheLastDrawingArea) {
    server.Answer(L"GetWidth", Reply::Failure(E_FAIL));
    info.destRect = Rect(0, 0, 640, 480);
    RECT window = Rect(0, 0, 320, 240);
    huey->InitWindowSize(&window, 1, &info);
    // GetInfo stops at the failing width; the height keeps its preset 0.
    EXPECT_EQ(server.CallNames(), (Names{L"GetWidth"}));
    EXPECT_EQ(info.sourceRect, Rect(0, 0, 640, 480));
    EXPECT_EQ(info.destRect, Rect(0, 0, 320, 240));
    ExpectPainted(Rect(0, 0, 640, 480), Rect(0, 0, 320, 240));
}

TEST_F(HueyView, ZoomOutAsksTheSizeAgainOnlyToShowTheWholeImage) {
    ShowActualSize();
    server.AnswerNext(L"GetWidth", {Reply::Long(1000), Reply::Long(640)});
    server.AnswerNext(L"GetHeight", {Reply::Long(800), Reply::Long(480)});
    huey->ZoomOut(2, &info);
    EXPECT_EQ(server.CallNames(), (Names{L"GetWidth", L"GetHeight", L"GetWidth", L"GetHeight"}));
    // The second answer is the image: 640 x 480 at half scale.
    EXPECT_EQ(info.sourceRect, Rect(0, 0, 640, 480));
    EXPECT_EQ(info.destRect, Rect(0, 0, 320, 240));
    EXPECT_EQ(info.percentRect, kZero);
    ExpectPainted(Rect(0, 0, 640, 480), Rect(0, 0, 320, 240));
}

TEST_F(HueyView, TheWholeImageStepTakesAZeroSizeAsItIs) {
    ShowActualSize();
    server.AnswerNext(L"GetWidth", {Reply::Long(1000), Reply::Long(0)});
    huey->ZoomOut(2, &info);
    EXPECT_EQ(info.sourceRect, Rect(0, 0, 0, 800));
    EXPECT_EQ(info.destRect, Rect(0, 0, 0, 400));
}

TEST_F(HueyView, ZoomOutOfAPartlyHiddenImageAsksOnce) {
    server.Answer(L"GetWidth", Reply::Long(3000));
    ShowActualSize();
    huey->ZoomOut(2, &info);
    EXPECT_EQ(server.CallNames(), kSizeQuery);
    EXPECT_EQ(info.percentRect, Rect(0, 0, 33, 100));
    ExpectPainted(Rect(0, 0, 1000, 800), Rect(0, 0, 500, 400));
    // The scale halved too: zooming out 4 times more shows the whole image at an eighth.
    huey->ZoomOut(4, &info);
    EXPECT_EQ(server.CallNames(), (Names{L"GetWidth", L"GetHeight", L"GetWidth", L"GetHeight"}));
    EXPECT_EQ(info.destRect, Rect(0, 0, 375, 100));
}

TEST_F(HueyView, ZoomOutByLessThanOneAsksNothingAndChangesNothing) {
    ShowActualSize();
    const taghueyinfo before = info;
    huey->ZoomOut(0, &info);
    huey->ZoomOut(-3, &info);
    EXPECT_TRUE(server.CallNames().empty());
    EXPECT_EQ(std::memcmp(&info, &before, sizeof info), 0);
    ExpectPainted(Rect(0, 0, 500, 400), Rect(0, 0, 500, 400));
}

TEST_F(HueyView, ZoomScrollCentreAndResizeEachAskTheSizeOnce) {
    ShowActualSize();
    RECT selection = Rect(200, 150, 100, 100);
    huey->ZoomIn(&selection, &info);
    EXPECT_EQ(server.CallNames(), kSizeQuery);
    EXPECT_EQ(selection, Rect(200, 150, 100, 100));  // the caller's selection is not reordered
    EXPECT_EQ(info.percentRect, Rect(10, 10, 20, 20));
    ExpectPainted(Rect(100, 85, 200, 165), Rect(0, 0, 500, 400));

    huey->ScrollWindow(10, 0, &info);
    EXPECT_EQ(server.CallNames(), kSizeQuery);
    ExpectPainted(Rect(200, 85, 300, 165), Rect(0, 0, 500, 400));
    huey->ScrollWindow(0, 90, &info);
    EXPECT_EQ(info.percentRect, Rect(20, 90, 30, 100));
    ExpectPainted(Rect(200, 720, 300, 800), Rect(0, 0, 500, 400));

    // Zoomed 5 times: the window's middle is the middle of the visible part.
    huey->CenterWindow(250, 200, &info);
    EXPECT_EQ(server.CallNames(), kSizeQuery);
    EXPECT_EQ(info.sourceRect, Rect(200, 720, 300, 800));
    ExpectPainted(Rect(200, 720, 300, 800), Rect(0, 0, 500, 400));

    RECT oldWindow = Rect(0, 0, 500, 400);
    RECT newWindow = Rect(0, 0, 1000, 400);
    huey->ResizeWindow(&oldWindow, &newWindow, 0, &info);
    EXPECT_EQ(server.CallNames(), kSizeQuery);
    // 500 more window pixels are 100 more image pixels at scale 5.
    EXPECT_EQ(info.sourceRect, Rect(200, 720, 400, 800));
    EXPECT_EQ(info.destRect, Rect(0, 0, 1000, 400));
    ExpectPainted(Rect(200, 720, 400, 800), Rect(0, 0, 1000, 400));

    newWindow = Rect(10, 10, 410, 610);
    huey->ResizeWindow(nullptr, &newWindow, 1, &info);  // refitting does not read the old one
    EXPECT_EQ(server.CallNames(), kSizeQuery);
    EXPECT_EQ(newWindow, Rect(0, 0, 400, 600));
    EXPECT_EQ(info.percentRect, kZero);
    ExpectPainted(Rect(0, 0, 1000, 800), Rect(0, 0, 400, 320));
}

TEST_F(HueyView, TransformPointAsksNothing) {
    ShowActualSize();
    POINT point = {600, -5};
    huey->TransformPoint(&point, &info);
    EXPECT_EQ(point, (POINT{500, 0}));
    EXPECT_TRUE(server.CallNames().empty());
}

TEST_F(HueyView, AZeroDivisorLeavesViewRecordAndArgumentsAlone) {
    // A new view has no drawing area yet: zooming in would divide by its width.
    info = {Rect(1, 2, 3, 4), Rect(5, 6, 7, 8), Rect(0, 0, 0, 0)};
    const taghueyinfo before = info;
    RECT selection = Rect(10, 10, 20, 20);
    huey->ZoomIn(&selection, &info);
    EXPECT_EQ(server.CallNames(), kSizeQuery);  // the size is asked before the arithmetic
    huey->CenterWindow(10, 10, &info);
    POINT point = {7, 9};
    huey->TransformPoint(&point, &info);
    EXPECT_EQ(point, (POINT{7, 9}));
    EXPECT_EQ(std::memcmp(&info, &before, sizeof info), 0);
    ExpectPainted(kZero, kZero);
}

TEST_F(HueyView, NullArgumentsAskNothingAndChangeNothing) {
    ShowActualSize();
    const taghueyinfo before = info;
    RECT rect = Rect(0, 0, 100, 100);
    POINT point = {1, 1};
    huey->InitWindowSize(nullptr, 0, &info);
    huey->InitWindowSize(&rect, 0, nullptr);
    huey->ZoomOut(2, nullptr);
    huey->ZoomIn(nullptr, &info);
    huey->ZoomIn(&rect, nullptr);
    huey->ScrollWindow(1, 1, nullptr);
    huey->CenterWindow(1, 1, nullptr);
    huey->ResizeWindow(&rect, nullptr, 0, &info);
    huey->ResizeWindow(nullptr, &rect, 0, &info);
    huey->ResizeWindow(&rect, &rect, 1, nullptr);
    huey->TransformPoint(nullptr, &info);
    huey->TransformPoint(&point, nullptr);
    IRGB colour = {1, 2, 3};
    EXPECT_EQ(huey->PickColor(nullptr, nullptr, &point, &info), 0);
    EXPECT_EQ(huey->PickColor(nullptr, &colour, nullptr, &info), 0);
    EXPECT_EQ(huey->PickColor(nullptr, &colour, &point, nullptr), 0);
    EXPECT_TRUE(server.CallNames().empty());
    EXPECT_EQ(std::memcmp(&info, &before, sizeof info), 0);
    EXPECT_EQ(rect, Rect(0, 0, 100, 100));
    EXPECT_EQ(point, (POINT{1, 1}));
    EXPECT_EQ(colour.red + colour.green + colour.blue, 1 + 2 + 3);
    ExpectPainted(Rect(0, 0, 500, 400), Rect(0, 0, 500, 400));
}

TEST(HueyWithoutDocument, SizesAsAViewWithoutAnswers) {
    Huey huey(nullptr);
    taghueyinfo info = {};
    info.destRect = Rect(0, 0, 640, 480);
    RECT window = Rect(0, 0, 320, 240);
    huey.InitWindowSize(&window, 0, &info);
    EXPECT_EQ(info.sourceRect, Rect(0, 0, 320, 240));
    EXPECT_EQ(info.destRect, Rect(0, 0, 320, 240));
    IRGB colour = {1, 2, 3};
    POINT point = {10, 10};
    EXPECT_EQ(huey.PickColor(nullptr, &colour, &point, &info), 0);
    EXPECT_EQ(colour.red + colour.green + colour.blue, 0);
    EXPECT_EQ(huey.RealizePalette(nullptr, 0), -250);
}

// --- PickColor ------------------------------------------------------------------------------

class HueyPickColor : public HueyView {
  protected:
    void SetUp() override {
        HueyView::SetUp();
        server.Answer(L"GetDepth", Reply::Short(4));
        server.Answer(L"PickColor", Reply::Long(0x00336699));
    }

    // Picks at a window point over a record showing image pixels from `left` on, unscaled.
    POINT PickAt(POINT point, LONG left) {
        info = {kZero, Rect(left, 0, left + 100, 100), Rect(0, 0, 100, 100)};
        IRGB colour = {};
        EXPECT_EQ(huey->PickColor(nullptr, &colour, &point, &info), 0);
        EXPECT_EQ(colour.red, 0x99);
        EXPECT_EQ(colour.green, 0x66);
        EXPECT_EQ(colour.blue, 0x33);
        const std::vector<SeenCall> picks = server.CallsOf(L"PickColor");
        EXPECT_EQ(picks.size(), 1u);
        if (picks.size() == 1) {
            EXPECT_EQ(picks[0].arguments[0].AsLong(), point.x);
            EXPECT_EQ(picks[0].arguments[1].AsLong(), point.y);
        }
        return point;
    }
};

TEST_F(HueyPickColor, RasterImagesAreAskedAtTheMappedPoint) {
    // Window x 3 is image x 10; at 4 bits an odd sourceRect.left adds 1.
    EXPECT_EQ(PickAt({3, 5}, 7), (POINT{11, 5}));
    EXPECT_EQ(server.CallNames(), (Names{L"IsRaster", L"GetDepth", L"PickColor"}));
    server.ClearRecords();
    EXPECT_EQ(PickAt({2, 5}, 8), (POINT{10, 5}));
    server.ClearRecords();
    server.Answer(L"GetDepth", Reply::Short(8));
    EXPECT_EQ(PickAt({3, 5}, 7), (POINT{10, 5}));
}

TEST_F(HueyPickColor, AnyKindButVectorTakesTheServerPath) {
    for (const Reply& kind : {Reply::Short(-1), Reply::Short(2), Reply::Failure(E_FAIL)}) {
        server.Answer(L"IsRaster", kind);
        server.ClearRecords();
        EXPECT_EQ(PickAt({150, -4}, 0), (POINT{100, 0}));  // clamped into the drawing area
        EXPECT_EQ(server.CallNames(), (Names{L"IsRaster", L"GetDepth", L"PickColor"}));
    }
}

TEST_F(HueyPickColor, TheServersStatusIsTheResult) {
    server.Answer(L"PickColor", Reply::Failure(DISP_E_EXCEPTION));
    info = {kZero, Rect(0, 0, 100, 100), Rect(0, 0, 100, 100)};
    IRGB colour = {1, 2, 3};
    POINT point = {4, 5};
    EXPECT_EQ(huey->PickColor(nullptr, &colour, &point, &info), DISP_E_EXCEPTION);
    EXPECT_EQ(colour.red + colour.green + colour.blue, 0);
}

TEST_F(HueyPickColor, VectorDrawingsReadTheDeviceContextAtTheWindowPoint) {
    server.Answer(L"IsRaster", Reply::Short(0));
    const HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    BITMAPINFO format = {};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, 16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    SetPixel(dc, 3, 4, RGB(0x99, 0x66, 0x33));

    // The record maps (3, 4) elsewhere; the vector path does not use it.
    info = {kZero, Rect(100, 100, 200, 200), Rect(0, 0, 10, 10)};
    IRGB colour = {};
    POINT point = {3, 4};
    EXPECT_EQ(huey->PickColor(dc, &colour, &point, &info), 0);
    EXPECT_EQ(colour.red, 0x99);
    EXPECT_EQ(colour.green, 0x66);
    EXPECT_EQ(colour.blue, 0x33);
    EXPECT_EQ(point, (POINT{3, 4}));
    EXPECT_EQ(server.CallNames(), (Names{L"IsRaster"}));

    // Outside the bitmap GetPixel answers CLR_INVALID: all three bytes 255.
    point = {40, 40};
    EXPECT_EQ(huey->PickColor(dc, &colour, &point, &info), 0);
    EXPECT_EQ(colour.red, 0xFF);
    EXPECT_EQ(colour.green, 0xFF);
    EXPECT_EQ(colour.blue, 0xFF);

    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

// --- RealizePalette -------------------------------------------------------------------------

class HueyRealizePalette : public HueyView {
  protected:
    void SetUp() override {
        HueyView::SetUp();
        window = CreateWindowExA(0, "STATIC", "palette", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        DestroyWindow(window);
        HueyView::TearDown();
    }

    // A palette header and its 16 colours; the width marks it among the process's views.
    static PackedDib Palette() {
        std::vector<RGBQUAD> colours;
        for (BYTE i = 0; i < 16; ++i) colours.push_back(Quad(i * 16, 255 - i * 16, i));
        PackedDib dib = MakePackedDib(0x4B454C4F, 1, 8, colours);
        return dib;
    }

    void ExpectAskedNameAfterRealising(short flag) {
        const std::vector<SeenCall>& calls = server.Calls();
        ASSERT_EQ(server.CallNames(), (Names{L"RealizePalette", L"GetPaletteInfo"}));
        ASSERT_EQ(calls[0].arguments.size(), 2u);
        EXPECT_EQ(calls[0].arguments[0].type, VT_I4);
        EXPECT_EQ(calls[0].arguments[0].AsLong(),
                  static_cast<long>(reinterpret_cast<LONG_PTR>(window)));
        EXPECT_EQ(calls[0].arguments[1].type, VT_I2);
        EXPECT_EQ(calls[0].arguments[1].AsShort(), flag);
    }

    HWND window = nullptr;
};

TEST_F(HueyRealizePalette, RealisesFromThePublishedSectionAndKeepsNothingOpen) {
    const PackedDib palette = Palette();
    TestSection section("KeloTestPalette", 4096);
    ASSERT_TRUE(section.Valid());
    section.Write(palette.bytes);
    section.Unmap();
    server.Answer(L"GetPaletteInfo", Reply::Text(L"KeloTestPalette"));

    EXPECT_EQ(huey->RealizePalette(window, -2), 0);
    ExpectAskedNameAfterRealising(-2);
    EXPECT_EQ(testsupport::MappedViewsStartingWith(palette.bytes.data(), palette.bytes.size()), 0);
    section.Close();
    EXPECT_FALSE(testsupport::SectionExists("KeloTestPalette"));
}

TEST_F(HueyRealizePalette, TheProbesSeeAHandleOrViewLeftOpen) {
    const PackedDib palette = Palette();
    TestSection section("KeloTestPalette", 4096);
    section.Write(palette.bytes);
    EXPECT_EQ(testsupport::MappedViewsStartingWith(palette.bytes.data(), palette.bytes.size()), 1);
    const HANDLE extra = OpenFileMappingA(FILE_MAP_READ, FALSE, "KeloTestPalette");
    section.Close();
    EXPECT_TRUE(testsupport::SectionExists("KeloTestPalette"));
    CloseHandle(extra);
    EXPECT_FALSE(testsupport::SectionExists("KeloTestPalette"));
}

TEST_F(HueyRealizePalette, ContentTheBlitterRefusesStillSucceeds) {
    TestSection section("KeloTestPalette", 4096);
    section.Write(std::vector<unsigned char>(64, 0xEE));
    section.Unmap();
    server.Answer(L"GetPaletteInfo", Reply::Text(L"KeloTestPalette"));
    EXPECT_EQ(huey->RealizePalette(window, 1), 0);
    section.Close();
    EXPECT_FALSE(testsupport::SectionExists("KeloTestPalette"));
}

TEST_F(HueyRealizePalette, WithoutAUsableSectionTheResultIsMinus250) {
    // No name at all.
    EXPECT_EQ(huey->RealizePalette(window, 1), -250);
    ExpectAskedNameAfterRealising(1);

    // A name no section carries.
    server.Answer(L"GetPaletteInfo", Reply::Text(L"KeloNoSuchPalette"));
    server.ClearRecords();
    EXPECT_EQ(huey->RealizePalette(window, 1), -250);
    ExpectAskedNameAfterRealising(1);

    // 19 characters fit the 20-byte name; 20 do not, even for a section that exists.
    const PackedDib palette = Palette();
    TestSection fits("KeloPaletteName19ch", 4096);
    fits.Write(palette.bytes);
    TestSection tooLong("KeloPaletteName20chr", 4096);
    tooLong.Write(palette.bytes);
    server.Answer(L"GetPaletteInfo", Reply::Text(L"KeloPaletteName19ch"));
    EXPECT_EQ(huey->RealizePalette(window, 1), 0);
    server.Answer(L"GetPaletteInfo", Reply::Text(L"KeloPaletteName20chr"));
    EXPECT_EQ(huey->RealizePalette(window, 1), -250);
}
