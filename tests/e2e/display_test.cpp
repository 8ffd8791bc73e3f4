// Painting through the library into whatever was attached: a memory DC, a metafile DC, a window
// and the screen, all of the host's process; colour picking; repainting on a new point of view.
#include <gtest/gtest.h>

#include <cmath>

#include "e2e_support.h"

namespace {

const testing::Environment* const keeper = testing::AddGlobalTestEnvironment(e2e::ServerKeeper());

using e2e::DocumentPtr;
using e2e::Files;
using e2e::MemoryTarget;
using e2e::OpenDocument;

constexpr COLORREF kUntouched = RGB(255, 0, 255);

short PaintInto(Dewey& document, HWND window, HDC dc, RECT source, RECT target) {
    Huey view(&document);
    const short attached = view.AttachWindow(window, dc);
    if (attached != 0) return attached;
    return view.Paint(&source, &target);
}

TEST(Paint, GrowsARasterImageIntoTheTargetOfAMemoryDc) {
    DocumentPtr document = OpenDocument(Files().Path("bmp24.bmp"));
    MemoryTarget target(50, 40);
    ASSERT_EQ(
        0, PaintInto(*document, nullptr, target.Dc(), {0, 0, e2e::kImageWidth, e2e::kImageHeight},
                     {10, 5, 10 + 2 * e2e::kImageWidth, 5 + 2 * e2e::kImageHeight}));
    for (int y = 0; y < e2e::kImageHeight; ++y) {
        for (int x = 0; x < e2e::kImageWidth; ++x) {
            ASSERT_EQ(e2e::ExpectedColour(24, x, y), target.At(10 + 2 * x, 5 + 2 * y))
                << x << "," << y;
            ASSERT_EQ(e2e::ExpectedColour(24, x, y), target.At(11 + 2 * x, 6 + 2 * y))
                << x << "," << y;
        }
    }
    EXPECT_EQ(kUntouched, target.At(9, 5));
    EXPECT_EQ(kUntouched, target.At(10 + 2 * e2e::kImageWidth, 20));
    EXPECT_EQ(kUntouched, target.At(20, 4));
    EXPECT_EQ(kUntouched, target.At(20, 5 + 2 * e2e::kImageHeight));
}

TEST(Paint, APartOfAPaletteImageAtItsOwnSize) {
    DocumentPtr document = OpenDocument(Files().Path("png4.png"));
    MemoryTarget target(8, 8);
    ASSERT_EQ(0, PaintInto(*document, nullptr, target.Dc(), {4, 2, 9, 6}, {1, 1, 6, 5}));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) {
            ASSERT_EQ(e2e::ExpectedColour(4, 4 + x, 2 + y), target.At(1 + x, 1 + y))
                << x << "," << y;
        }
    }
    EXPECT_EQ(kUntouched, target.At(0, 0));
    EXPECT_EQ(kUntouched, target.At(6, 5));
}

TEST(Paint, ShrinksByAveraging) {
    DocumentPtr document = OpenDocument(Files().Path("png1.png"));
    MemoryTarget target(1, 1);
    // Two by two pixels of a checkerboard of two colours average to their mean.
    ASSERT_EQ(0, PaintInto(*document, nullptr, target.Dc(), {0, 0, 2, 2}, {0, 0, 1, 1}));
    EXPECT_TRUE(e2e::Near(RGB(125, 125, 125), target.At(0, 0), 1));
}

TEST(Paint, IntoAMetafileDcRecordsThePicture) {
    DocumentPtr document = OpenDocument(Files().Path("bmp8.bmp"));
    HDC recorder = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, recorder);
    const RECT area = {0, 0, 4 * e2e::kImageWidth, 4 * e2e::kImageHeight};
    const short painted =
        PaintInto(*document, nullptr, recorder, {0, 0, e2e::kImageWidth, e2e::kImageHeight}, area);
    HENHMETAFILE metafile = CloseEnhMetaFile(recorder);
    ASSERT_EQ(0, painted);
    ASSERT_NE(nullptr, metafile);
    MemoryTarget target(area.right, area.bottom);
    ASSERT_TRUE(PlayEnhMetaFile(target.Dc(), metafile, &area));
    DeleteEnhMetaFile(metafile);
    for (int y = 0; y < e2e::kImageHeight; ++y) {
        for (int x = 0; x < e2e::kImageWidth; ++x) {
            ASSERT_EQ(e2e::ExpectedColour(8, x, y), target.At(4 * x + 2, 4 * y + 2))
                << x << "," << y;
        }
    }
}

class Window {
  public:
    Window(int width, int height) {
        handle_ = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"e2e", WS_POPUP | WS_VISIBLE, 0, 0,
                                  width, height, nullptr, nullptr, nullptr, nullptr);
        Pump();
    }
    ~Window() { DestroyWindow(handle_); }
    HWND Get() const { return handle_; }
    void Pump() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    // The window's pixels, as the host itself sees them.
    void CopyTo(MemoryTarget& target) {
        HDC dc = GetDC(handle_);
        BitBlt(target.Dc(), 0, 0, target.Width(), target.Height(), dc, 0, 0, SRCCOPY);
        ReleaseDC(handle_, dc);
    }

  private:
    HWND handle_;
};

TEST(Paint, IntoAWindowAttachedWithoutADc) {
    DocumentPtr document = OpenDocument(Files().Path("bmp24.bmp"));
    Window window(60, 40);
    ASSERT_NE(nullptr, window.Get());
    ASSERT_EQ(
        0, PaintInto(*document, window.Get(), nullptr, {0, 0, e2e::kImageWidth, e2e::kImageHeight},
                     {3, 4, 3 + e2e::kImageWidth, 4 + e2e::kImageHeight}));
    MemoryTarget seen(60, 40);
    window.CopyTo(seen);
    EXPECT_EQ(e2e::ExpectedColour(24, 0, 0), seen.At(3, 4));
    EXPECT_EQ(e2e::ExpectedColour(24, 12, 8), seen.At(15, 12));
    EXPECT_EQ(e2e::ExpectedColour(24, 5, 7), seen.At(8, 11));
}

TEST(Paint, IntoTheWindowsOwnDc) {
    DocumentPtr document = OpenDocument(Files().Path("bmp4.bmp"));
    Window window(60, 40);
    HDC dc = GetDC(window.Get());
    const short painted =
        PaintInto(*document, window.Get(), dc, {0, 0, e2e::kImageWidth, e2e::kImageHeight},
                  {0, 0, e2e::kImageWidth, e2e::kImageHeight});
    ReleaseDC(window.Get(), dc);
    ASSERT_EQ(0, painted);
    MemoryTarget seen(60, 40);
    window.CopyTo(seen);
    EXPECT_EQ(e2e::ExpectedColour(4, 7, 3), seen.At(7, 3));
}

TEST(Paint, OntoTheScreenDc) {
    DocumentPtr document = OpenDocument(Files().Path("bmp24.bmp"));
    HDC screen = GetDC(nullptr);
    const short painted =
        PaintInto(*document, nullptr, screen, {0, 0, e2e::kImageWidth, e2e::kImageHeight},
                  {100, 100, 100 + e2e::kImageWidth, 100 + e2e::kImageHeight});
    MemoryTarget seen(e2e::kImageWidth, e2e::kImageHeight);
    BitBlt(seen.Dc(), 0, 0, e2e::kImageWidth, e2e::kImageHeight, screen, 100, 100, SRCCOPY);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(0, painted);
    EXPECT_EQ(e2e::ExpectedColour(24, 6, 4), seen.At(6, 4));
}

TEST(Paint, AVectorDrawingScaledToHalfSize) {
    DocumentPtr document = OpenDocument(Files().Path("drawing.emf"));
    MemoryTarget target(100, 50);
    ASSERT_EQ(0, PaintInto(*document, nullptr, target.Dc(),
                           {0, 0, e2e::kDrawingWidth, e2e::kDrawingHeight}, {0, 0, 100, 50}));
    EXPECT_TRUE(e2e::Near(e2e::kDrawingLeft, target.At(40, 40), 8));
    EXPECT_TRUE(e2e::Near(e2e::kDrawingRight, target.At(75, 25), 8));
    EXPECT_TRUE(e2e::Near(e2e::kDrawingSquare, target.At(20, 20), 8));
    EXPECT_TRUE(e2e::Near(e2e::kDrawingLeft, target.At(34, 20), 8));
}

TEST(Paint, TextIsDarkOnAWhitePage) {
    DocumentPtr document = OpenDocument(Files().Path("page.txt"));
    MemoryTarget target(204, 264);
    ASSERT_EQ(0, PaintInto(*document, nullptr, target.Dc(), {0, 0, 816, 1056}, {0, 0, 204, 264}));
    int dark = 0;
    for (int y = 20; y < 40; ++y)
        for (int x = 20; x < 180; ++x) dark += GetRValue(target.At(x, y)) < 128 ? 1 : 0;
    EXPECT_GT(dark, 20);
    EXPECT_EQ(RGB(255, 255, 255), target.At(100, 200));
    EXPECT_EQ(RGB(255, 255, 255), target.At(5, 5));
}

// How many pixels of the target differ from the backdrop, a vertical gradient whose every row is
// seen at its left edge.
int ModelPixels(const MemoryTarget& target) {
    int count = 0;
    for (int y = 0; y < target.Height(); ++y)
        for (int x = 0; x < target.Width(); ++x)
            count += e2e::Near(target.At(x, y), target.At(0, y), 4) ? 0 : 1;
    return count;
}

TEST(Paint, AModelFromItsPointOfViewAndRepaintedOnANewOne) {
    DocumentPtr document = OpenDocument(Files().Path("box.obj"));
    Huey view(document.get());
    MemoryTarget target(160, 120);
    ASSERT_EQ(0, view.AttachWindow(nullptr, target.Dc()));
    RECT source = {0, 0, 800, 600};
    RECT area = {0, 0, 160, 120};
    ASSERT_EQ(0, view.Paint(&source, &area));
    const int seen = ModelPixels(target);
    EXPECT_GT(seen, 160 * 120 / 20);
    EXPECT_NE(target.At(0, 0), target.At(80, 60));

    // Turned away from the box, with the repaint flag: the box is gone from the target.
    double p[6] = {};
    ASSERT_EQ(0, document->GetPointOfView(&p[0], &p[1], &p[2], &p[3], &p[4], &p[5]));
    ASSERT_EQ(0, view.SetPointOfView(p[0], p[1], p[2], p[3] + 3.14159, 0.0, 0.0, 1));
    EXPECT_EQ(0, ModelPixels(target));
    // Without the flag nothing is painted.
    ASSERT_EQ(0, view.SetPointOfView(p[0], p[1], p[2], p[3], p[4], p[5], 0));
    EXPECT_EQ(0, ModelPixels(target));
}

TEST(Paint, RefusesWhatCannotBePainted) {
    DocumentPtr empty(new Dewey);
    MemoryTarget target(10, 10);
    EXPECT_EQ(-1, PaintInto(*empty, nullptr, target.Dc(), {0, 0, 5, 5}, {0, 0, 5, 5}));
    DocumentPtr document = OpenDocument(Files().Path("bmp24.bmp"));
    Huey view(document.get());
    RECT source = {0, 0, 5, 5};
    RECT area = {0, 0, 5, 5};
    EXPECT_EQ(-6, view.Paint(&source, &area));  // nothing attached yet
    EXPECT_EQ(-5, PaintInto(*document, nullptr, target.Dc(), {0, 0, 5, 5}, {5, 0, 5, 5}));
    EXPECT_EQ(-5, PaintInto(*document, nullptr, target.Dc(), {3, 0, 3, 5}, {0, 0, 5, 5}));
    // Not a device context of this process.
    EXPECT_EQ(-6,
              PaintInto(*document, nullptr, reinterpret_cast<HDC>(static_cast<INT_PTR>(0x7FFF0001)),
                        {0, 0, 5, 5}, {0, 0, 5, 5}));
    EXPECT_EQ(-6, PaintInto(*document, reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7FFF0002)),
                            nullptr, {0, 0, 5, 5}, {0, 0, 5, 5}));
    // Another process's window: the desktop's.
    EXPECT_EQ(-6, PaintInto(*document, GetDesktopWindow(), nullptr, {0, 0, 5, 5}, {0, 0, 5, 5}));
    EXPECT_EQ(kUntouched, target.At(0, 0));
}

TEST(PickColor, AnswersThePixelInColorrefOrder) {
    Louie louie;
    ASSERT_EQ(0, louie.Open(const_cast<char*>(Files().Path("bmp8.bmp").c_str())));
    for (const POINT point : {POINT{0, 0}, POINT{12, 8}, POINT{5, 3}}) {
        IRGB colour = {};
        ASSERT_EQ(0, louie.PickColor(&colour, point.x, point.y));
        EXPECT_EQ(e2e::ExpectedColour(8, point.x, point.y),
                  RGB(colour.red, colour.green, colour.blue));
    }
    IRGB colour = {9, 9, 9};
    EXPECT_EQ(static_cast<long>(E_INVALIDARG), louie.PickColor(&colour, 13, 0));
    EXPECT_EQ(0, colour.red + colour.green + colour.blue);
    ASSERT_EQ(0, louie.Open(const_cast<char*>(Files().Path("drawing.emf").c_str())));
    ASSERT_EQ(0, louie.PickColor(&colour, 150, 50));
    EXPECT_TRUE(e2e::Near(e2e::kDrawingRight, RGB(colour.red, colour.green, colour.blue), 8));
}

}  // namespace
