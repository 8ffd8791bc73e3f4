// The screen blitter: drawing packed bitmaps from mapped sections onto a device context,
// realising their palettes, and refusing headers and rectangles it cannot draw safely.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "packed_dib.h"
#include "zevblitter.h"

using kelocli::ZevBlitter;
using testsupport::MakePackedDib;
using testsupport::PackedDib;
using testsupport::Quad;
using testsupport::TestSection;

namespace {

constexpr DWORD kSectionSize = 4096;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

RECT Rect(LONG left, LONG top, LONG right, LONG bottom) {
    return {left, top, right, bottom};
}

// 4 x 2 at 8 bits: top row red, green, blue, white; bottom row the reverse.
PackedDib Picture(bool topDown) {
    return MakePackedDib(4, topDown ? -2 : 2, 8,
                         {Quad(255, 0, 0), Quad(0, 255, 0), Quad(0, 0, 255), Quad(255, 255, 255)},
                         {{0, 1, 2, 3}, {3, 2, 1, 0}});
}

// A white 8 x 8 true-colour canvas in a memory device context.
class Canvas : public testing::Test {
  protected:
    void SetUp() override {
        dc = CreateCompatibleDC(nullptr);
        ASSERT_NE(dc, nullptr);
        BITMAPINFO format = {};
        format.bmiHeader = {sizeof(BITMAPINFOHEADER), 8, -8, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bitmap = CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(bitmap, nullptr);
        previous = SelectObject(dc, bitmap);
        Clear();
    }
    void TearDown() override {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }

    // The bitmap placed `offset` bytes into the section; what would not fit is left out.
    BITMAPINFOHEADER* Publish(const PackedDib& dib, std::size_t offset = 0) {
        const std::size_t room = kSectionSize - offset;
        std::vector<unsigned char> bytes = dib.bytes;
        if (bytes.size() > room) bytes.resize(room);
        section.Write(bytes, offset);
        return reinterpret_cast<BITMAPINFOHEADER*>(section.View() + offset);
    }

    short Blit(BITMAPINFOHEADER* header, RECT source, RECT target, int mode = 3) {
        ZevBlitter blitter(mode, 0);
        return blitter.ZevBlit(dc, header, &source, &target);
    }

    void Clear() {
        GdiFlush();
        std::memset(bits, 0xFF, 8 * 8 * 4);
    }

    bool Untouched() {
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                if (GetPixel(dc, x, y) != kWhite) return false;
            }
        }
        return true;
    }

    TestSection section{nullptr, kSectionSize};
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    void* bits = nullptr;
    HGDIOBJ previous = nullptr;
};

}  // namespace

TEST_F(Canvas, DrawsBothRowOrdersTheRightWayUp) {
    for (bool topDown : {false, true}) {
        Clear();
        ASSERT_EQ(Blit(Publish(Picture(topDown)), Rect(0, 0, 4, 2), Rect(0, 0, 4, 2)),
                  ZevBlitter::kDone);
        EXPECT_EQ(GetPixel(dc, 0, 0), kRed) << topDown;
        EXPECT_EQ(GetPixel(dc, 1, 0), kGreen) << topDown;
        EXPECT_EQ(GetPixel(dc, 2, 0), kBlue) << topDown;
        EXPECT_EQ(GetPixel(dc, 0, 1), kWhite) << topDown;
        EXPECT_EQ(GetPixel(dc, 3, 1), kRed) << topDown;
        EXPECT_EQ(GetPixel(dc, 4, 0), kWhite) << topDown;  // nothing beyond the target
    }
}

TEST_F(Canvas, DrawsAPartWhereTheTargetSays) {
    for (bool topDown : {false, true}) {
        Clear();
        ASSERT_EQ(Blit(Publish(Picture(topDown)), Rect(1, 1, 3, 2), Rect(5, 5, 7, 6)),
                  ZevBlitter::kDone);
        EXPECT_EQ(GetPixel(dc, 5, 5), kBlue) << topDown;
        EXPECT_EQ(GetPixel(dc, 6, 5), kGreen) << topDown;
        EXPECT_EQ(GetPixel(dc, 7, 5), kWhite) << topDown;
        EXPECT_EQ(GetPixel(dc, 5, 4), kWhite) << topDown;
    }
}

TEST_F(Canvas, StretchesAndGivesTheStretchModeBack) {
    SetStretchBltMode(dc, HALFTONE);
    ASSERT_EQ(Blit(Publish(Picture(false)), Rect(0, 0, 1, 1), Rect(0, 0, 3, 3)), ZevBlitter::kDone);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) EXPECT_EQ(GetPixel(dc, x, y), kRed) << x << "," << y;
    }
    EXPECT_EQ(GetPixel(dc, 3, 3), kWhite);
    EXPECT_EQ(GetStretchBltMode(dc), HALFTONE);
}

TEST_F(Canvas, TheFirstArgumentSelectsHowRowsAreMergedWhenShrinking) {
    // Black over white, squeezed into one pixel: ANDed, ORed, or one of them kept.
    const PackedDib dib = MakePackedDib(1, 2, 8, {Quad(0, 0, 0), Quad(255, 255, 255)}, {{0}, {1}});
    BITMAPINFOHEADER* header = Publish(dib);
    ASSERT_EQ(Blit(header, Rect(0, 0, 1, 2), Rect(0, 0, 1, 1), BLACKONWHITE), ZevBlitter::kDone);
    EXPECT_EQ(GetPixel(dc, 0, 0), kBlack);
    ASSERT_EQ(Blit(header, Rect(0, 0, 1, 2), Rect(1, 0, 2, 1), WHITEONBLACK), ZevBlitter::kDone);
    EXPECT_EQ(GetPixel(dc, 1, 0), kWhite);
    // Out of range counts as COLORONCOLOR, which keeps one row: not a mixture.
    ASSERT_EQ(Blit(header, Rect(0, 0, 1, 2), Rect(2, 0, 3, 1), 99), ZevBlitter::kDone);
    const COLORREF kept = GetPixel(dc, 2, 0);
    EXPECT_TRUE(kept == kBlack || kept == kWhite) << std::hex << kept;
}

TEST_F(Canvas, RowsArePaddedToFourBytes) {
    // 3 pixels at 24 bits take 9 bytes; each row is stored in 12.
    const PackedDib dib = MakePackedDib(
        3, 2, 24, {}, {{0, 0, 255, 0, 255, 0, 255, 0, 0}, {255, 255, 255, 0, 0, 0, 0, 0, 255}});
    ASSERT_EQ(dib.bytes.size(), 40u + 2 * 12);
    ASSERT_EQ(Blit(Publish(dib), Rect(0, 0, 3, 2), Rect(0, 0, 3, 2)), ZevBlitter::kDone);
    EXPECT_EQ(GetPixel(dc, 0, 0), kRed);
    EXPECT_EQ(GetPixel(dc, 1, 0), kGreen);
    EXPECT_EQ(GetPixel(dc, 2, 0), kBlue);
    EXPECT_EQ(GetPixel(dc, 0, 1), kWhite);
    EXPECT_EQ(GetPixel(dc, 1, 1), kBlack);
    EXPECT_EQ(GetPixel(dc, 2, 1), kRed);
}

TEST_F(Canvas, RefusesHeadersItDoesNotDraw) {
    struct Case {
        const char* what;
        void (*spoil)(BITMAPINFOHEADER&);
    };
    const Case cases[] = {
        {"core header size", [](BITMAPINFOHEADER& h) { h.biSize = 12; }},
        {"version 5 header size", [](BITMAPINFOHEADER& h) { h.biSize = 124; }},
        {"two planes", [](BITMAPINFOHEADER& h) { h.biPlanes = 2; }},
        {"2 bits", [](BITMAPINFOHEADER& h) { h.biBitCount = 2; }},
        {"0 bits", [](BITMAPINFOHEADER& h) { h.biBitCount = 0; }},
        {"64 bits", [](BITMAPINFOHEADER& h) { h.biBitCount = 64; }},
        {"run-length", [](BITMAPINFOHEADER& h) { h.biCompression = BI_RLE8; }},
        {"masks at 8 bits", [](BITMAPINFOHEADER& h) { h.biCompression = BI_BITFIELDS; }},
        {"JPEG", [](BITMAPINFOHEADER& h) { h.biCompression = BI_JPEG; }},
        {"more colours than 8 bits", [](BITMAPINFOHEADER& h) { h.biClrUsed = 257; }},
        {"more colours than 1 bit",
         [](BITMAPINFOHEADER& h) {
             h.biBitCount = 1;
             h.biClrUsed = 3;
         }},
        {"257 colours at 24 bits",
         [](BITMAPINFOHEADER& h) {
             h.biBitCount = 24;
             h.biClrUsed = 257;
         }},
        {"width 0", [](BITMAPINFOHEADER& h) { h.biWidth = 0; }},
        {"negative width", [](BITMAPINFOHEADER& h) { h.biWidth = -4; }},
        {"height 0", [](BITMAPINFOHEADER& h) { h.biHeight = 0; }},
        {"width past 2^20", [](BITMAPINFOHEADER& h) { h.biWidth = (1 << 20) + 1; }},
        {"height INT_MIN", [](BITMAPINFOHEADER& h) { h.biHeight = INT_MIN; }},
        {"height INT_MAX", [](BITMAPINFOHEADER& h) { h.biHeight = INT_MAX; }},
    };
    for (const Case& c : cases) {
        PackedDib dib = Picture(false);
        c.spoil(dib.Header());
        EXPECT_EQ(Blit(Publish(dib), Rect(0, 0, 1, 1), Rect(0, 0, 8, 8)), ZevBlitter::kBadHeader)
            << c.what;
    }
    EXPECT_EQ(Blit(nullptr, Rect(0, 0, 1, 1), Rect(0, 0, 8, 8)), ZevBlitter::kBadHeader);
    EXPECT_TRUE(Untouched());
}

TEST_F(Canvas, RefusesWhatReachesPastTheView) {
    const PackedDib picture = Picture(false);  // 40 + 16 + 2·4 = 64 bytes
    ASSERT_EQ(picture.bytes.size(), 64u);
    // Ending exactly at the view's end is fine; one byte later is not.
    EXPECT_EQ(Blit(Publish(picture, kSectionSize - 64), Rect(0, 0, 4, 2), Rect(0, 0, 4, 2)),
              ZevBlitter::kDone);
    Clear();
    // The pixel rows, the colour table, the header itself.
    EXPECT_EQ(Blit(Publish(picture, kSectionSize - 63), Rect(0, 0, 4, 2), Rect(0, 0, 4, 2)),
              ZevBlitter::kOutsideView);
    EXPECT_EQ(Blit(Publish(picture, kSectionSize - 50), Rect(0, 0, 4, 2), Rect(0, 0, 4, 2)),
              ZevBlitter::kOutsideView);
    EXPECT_EQ(Blit(Publish(picture, kSectionSize - 20), Rect(0, 0, 4, 2), Rect(0, 0, 4, 2)),
              ZevBlitter::kOutsideView);
    // A header announcing more rows than the view holds.
    PackedDib tall = Picture(false);
    tall.Header().biHeight = 2000;
    EXPECT_EQ(Blit(Publish(tall), Rect(0, 0, 4, 2), Rect(0, 0, 4, 2)), ZevBlitter::kOutsideView);
    EXPECT_TRUE(Untouched());
}

TEST_F(Canvas, RefusesMemoryThatCannotBeRead) {
    void* reserved = VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(reserved, nullptr);
    EXPECT_EQ(Blit(static_cast<BITMAPINFOHEADER*>(reserved), Rect(0, 0, 1, 1), Rect(0, 0, 1, 1)),
              ZevBlitter::kOutsideView);
    VirtualFree(reserved, 0, MEM_RELEASE);
    void* locked = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_NE(locked, nullptr);
    EXPECT_EQ(Blit(static_cast<BITMAPINFOHEADER*>(locked), Rect(0, 0, 1, 1), Rect(0, 0, 1, 1)),
              ZevBlitter::kOutsideView);
    ZevBlitter blitter(3, 1);
    EXPECT_EQ(blitter.ZevRealizePalette(nullptr, static_cast<BITMAPINFOHEADER*>(locked)),
              ZevBlitter::kOutsideView);
    VirtualFree(locked, 0, MEM_RELEASE);
}

TEST_F(Canvas, RefusesRectanglesOutsideTheImageOrEmpty) {
    BITMAPINFOHEADER* header = Publish(Picture(false));
    for (RECT source : {Rect(0, 0, 5, 2), Rect(-1, 0, 2, 2), Rect(0, 0, 4, 3), Rect(0, -1, 4, 2),
                        Rect(0, 0, 0, 2), Rect(2, 0, 1, 2), Rect(0, 1, 4, 1)}) {
        EXPECT_EQ(Blit(header, source, Rect(0, 0, 4, 2)), ZevBlitter::kBadRectangle);
    }
    EXPECT_EQ(Blit(header, Rect(0, 0, 4, 2), Rect(4, 0, 0, 2)), ZevBlitter::kBadRectangle);
    EXPECT_EQ(Blit(header, Rect(0, 0, 4, 2), Rect(0, 0, 4, 0)), ZevBlitter::kBadRectangle);
    ZevBlitter blitter(3, 0);
    RECT rect = Rect(0, 0, 4, 2);
    EXPECT_EQ(blitter.ZevBlit(dc, header, nullptr, &rect), ZevBlitter::kBadRectangle);
    EXPECT_EQ(blitter.ZevBlit(dc, header, &rect, nullptr), ZevBlitter::kBadRectangle);
    EXPECT_EQ(blitter.ZevBlit(nullptr, header, &rect, &rect), ZevBlitter::kDeviceFailed);
    EXPECT_TRUE(Untouched());
}

// --- Palettes -------------------------------------------------------------------------------

class PaletteBlitter : public Canvas {
  protected:
    void SetUp() override {
        Canvas::SetUp();
        window = CreateWindowExA(0, "STATIC", "palette", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        DestroyWindow(window);
        Canvas::TearDown();
    }

    short Realise(HWND target, BITMAPINFOHEADER* header, int flag = 1) {
        ZevBlitter blitter(3, flag);
        return blitter.ZevRealizePalette(target, header);
    }

    HWND window = nullptr;
};

TEST_F(PaletteBlitter, RealisesAColourTableForAWindowOrTheScreen) {
    std::vector<RGBQUAD> colours;
    for (int i = 0; i < 256; ++i) colours.push_back(Quad(i, 255 - i, i / 2));
    // A palette header describes no pixels: its extent is not read.
    PackedDib palette = MakePackedDib(0, 0, 8, colours);
    BITMAPINFOHEADER* header = Publish(palette, kSectionSize - palette.bytes.size());
    EXPECT_EQ(Realise(window, header, 1), ZevBlitter::kDone);
    EXPECT_EQ(Realise(window, header, 0), ZevBlitter::kDone);
    EXPECT_EQ(Realise(nullptr, header), ZevBlitter::kDone);
    // An implied table: 0 colours used at 4 bits means all 16.
    palette = MakePackedDib(1, 1, 4, std::vector<RGBQUAD>(16, Quad(1, 2, 3)));
    palette.Header().biClrUsed = 0;
    EXPECT_EQ(Realise(window, Publish(palette)), ZevBlitter::kDone);
    // True colour with an optional table.
    EXPECT_EQ(Realise(window, Publish(MakePackedDib(1, 1, 24, {Quad(1, 2, 3)}))),
              ZevBlitter::kDone);
}

TEST_F(PaletteBlitter, RefusesBitmapsWithoutAUsableTable) {
    EXPECT_EQ(Realise(window, Publish(MakePackedDib(1, 1, 24, {}))), ZevBlitter::kNoPalette);
    PackedDib palette = MakePackedDib(1, 1, 8, std::vector<RGBQUAD>(16, Quad(1, 2, 3)));
    palette.Header().biSize = 108;
    EXPECT_EQ(Realise(window, Publish(palette)), ZevBlitter::kBadHeader);
    palette.Header().biSize = 40;
    palette.Header().biClrUsed = 0;  // all 256 colours: 1024 bytes past the header
    EXPECT_EQ(Realise(window, Publish(palette, kSectionSize - palette.bytes.size())),
              ZevBlitter::kOutsideView);
    EXPECT_EQ(Realise(window, nullptr), ZevBlitter::kBadHeader);
}

TEST_F(PaletteBlitter, LeavesAWindowsOwnDeviceContextWithItsOwnPalette) {
    // A window with its own device context keeps what is selected into it between calls.
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KeloOwnDcWindow";
    RegisterClassA(&windowClass);
    const HWND owner = CreateWindowExA(0, "KeloOwnDcWindow", "own", WS_POPUP, 0, 0, 32, 32, nullptr,
                                       nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(owner, nullptr);
    const HDC own = GetDC(owner);
    const HGDIOBJ before = GetCurrentObject(own, OBJ_PAL);
    ReleaseDC(owner, own);

    BITMAPINFOHEADER* header = Publish(MakePackedDib(1, 1, 8, {Quad(9, 8, 7), Quad(6, 5, 4)}));
    EXPECT_EQ(Realise(owner, header), ZevBlitter::kDone);
    const HDC again = GetDC(owner);
    EXPECT_EQ(again, own);
    EXPECT_EQ(GetCurrentObject(again, OBJ_PAL), before);
    ReleaseDC(owner, again);
    DestroyWindow(owner);
}
