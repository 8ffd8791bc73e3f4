// Printing against the real server onto a real printer: Wine's PostScript driver writing to a file
// port. Each page is rendered by ghostscript at the printer's 300 dots per inch, so a device unit
// of the page is one pixel of the picture, shifted by the printer's unprintable margin.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string>

#include "e2e_support.h"
#include "file_printer.h"
#include "linux_tools.h"

namespace {

const testing::Environment* const keeper = testing::AddGlobalTestEnvironment(e2e::ServerKeeper());

using e2e::DocumentPtr;

constexpr int kPrinterDpi = 300;
constexpr COLORREF kWhite = RGB(255, 255, 255);

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

class Printing : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        port_ = e2e::Files().Path("printer-port.ps");
        printer_ = new samples::FilePrinter(L"Kelocli Test Printer", Widen(port_));
    }
    static void TearDownTestSuite() {
        delete printer_;
        DeleteFileA(port_.c_str());
    }

    // Prints `part` of the document into `area` of one page and renders that page; the page's
    // pixel of device point (x, y) is then At(x, y).
    short PrintPage(Dewey& document, RECT part, RECT area) {
        short result = 1;
        EXPECT_TRUE(printer_->Valid());
        EXPECT_TRUE(printer_->PrintPage(L"kelocli test", [&](HDC printer) {
            margin_ = {GetDeviceCaps(printer, PHYSICALOFFSETX),
                       GetDeviceCaps(printer, PHYSICALOFFSETY)};
            EXPECT_EQ(GetDeviceCaps(printer, LOGPIXELSX), kPrinterDpi);
            result = document.Print(printer, &part, &area);
        }));
        EXPECT_TRUE(e2e::RenderPostScript(port_, kPrinterDpi, &page_));
        return result;
    }
    COLORREF At(int x, int y) const { return page_.At(x + margin_.x, y + margin_.y); }

    // The extent of what is not white along a row and a column through (x, y), in device units.
    RECT Printed(int x, int y) const {
        RECT extent = {INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        for (int i = -margin_.x; i < page_.width - margin_.x; ++i) {
            if (At(i, y) == kWhite) continue;
            extent.left = std::min<LONG>(extent.left, i);
            extent.right = std::max<LONG>(extent.right, i + 1);
        }
        for (int i = -margin_.y; i < page_.height - margin_.y; ++i) {
            if (At(x, i) == kWhite) continue;
            extent.top = std::min<LONG>(extent.top, i);
            extent.bottom = std::max<LONG>(extent.bottom, i + 1);
        }
        return extent;
    }

    static std::string port_;
    static samples::FilePrinter* printer_;
    e2e::Page page_;
    POINT margin_ = {0, 0};
};

std::string Printing::port_;
samples::FilePrinter* Printing::printer_ = nullptr;

// A test document written once: `name` in the test directory.
std::string Document(const char* name, const std::function<samples::Picture()>& make) {
    const std::string path = e2e::Files().Path(name);
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        EXPECT_EQ(S_OK, samples::WritePicture(Widen(path), make()));
    }
    return path;
}

// Ghostscript may take the pixel on either side of an edge; `beyond` more may be printed past the
// right and bottom edges.
void ExpectExtent(const RECT& printed, const RECT& area, int beyond = 0) {
    EXPECT_NEAR(printed.left, area.left, 1);
    EXPECT_NEAR(printed.top, area.top, 1);
    EXPECT_NEAR(printed.right, area.right + beyond, 1);
    EXPECT_NEAR(printed.bottom, area.bottom + beyond, 1);
}

TEST_F(Printing, ALargeImageIsHalvedOnceAndFillsTheArea) {
    // 4000 x 3000 at 24 bits, 36,000,000 bytes: four flat quarters.
    const COLORREF quarters[] = {RGB(200, 30, 30), RGB(30, 160, 40), RGB(20, 40, 190),
                                 RGB(230, 200, 20)};
    const std::string path = Document("large24.bmp", [&] {
        samples::Picture picture(4000, 3000, 24);
        for (int y = 0; y < 3000; ++y)
            for (int x = 0; x < 4000; ++x)
                picture.SetColour(x, y, quarters[(y >= 1500) * 2 + (x >= 2000)]);
        return picture;
    });
    DocumentPtr document = e2e::OpenDocument(path);
    const RECT area = {150, 150, 1350, 1050};
    ASSERT_EQ(PrintPage(*document, {0, 0, 4000, 3000}, area), 0);

    long width = 0;
    long height = 0;
    short depth = 0;
    document->GetInfo(&width, &height, nullptr, nullptr, &depth);
    EXPECT_EQ(width, 2000);
    EXPECT_EQ(height, 1500);
    EXPECT_EQ(depth, 24);
    ExpectExtent(Printed(750, 600), area);
    const POINT middles[] = {{450, 375}, {1050, 375}, {450, 825}, {1050, 825}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(e2e::Near(At(middles[i].x, middles[i].y), quarters[i], 2))
            << i << ": " << std::hex << At(middles[i].x, middles[i].y);
    }
}

TEST_F(Printing, AOneBitImagePrintsExactlyBlackAndWhite) {
    // 40 x 30, squares of 5 pixels, printed 10 times its size.
    auto black = [](int x, int y) { return ((x / 5) + (y / 5)) % 2 == 0; };
    const std::string path = Document("checker1.png", [&] {
        samples::Picture picture(40, 30, 1);
        picture.palette = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) picture.SetIndex(x, y, black(x, y) ? 0 : 1);
        return picture;
    });
    DocumentPtr document = e2e::OpenDocument(path);
    const RECT area = {300, 300, 700, 600};
    ASSERT_EQ(PrintPage(*document, {0, 0, 40, 30}, area), 0);
    int wrong = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            const COLORREF expected = black(x, y) ? RGB(0, 0, 0) : kWhite;
            for (int dy = 1; dy < 9; ++dy)
                for (int dx = 1; dx < 9; ++dx)
                    wrong += At(area.left + 10 * x + dx, area.top + 10 * y + dy) != expected;
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(Printing, ADrawingPlaysOntoThePage) {
    DocumentPtr document = e2e::OpenDocument(e2e::Files().Path("drawing.emf"));
    const RECT area = {300, 300, 1100, 700};  // 4 device units a drawing pixel
    ASSERT_EQ(PrintPage(*document, {0, 0, e2e::kDrawingWidth, e2e::kDrawingHeight}, area), 0);
    EXPECT_TRUE(document->IsVector());
    // The colours come as PostScript numbers with two decimals.
    EXPECT_TRUE(e2e::Near(At(300 + 4 * 80, 300 + 4 * 80), e2e::kDrawingLeft, 2));
    EXPECT_TRUE(e2e::Near(At(300 + 4 * 150, 300 + 4 * 50), e2e::kDrawingRight, 2));
    EXPECT_TRUE(e2e::Near(At(300 + 4 * 40, 300 + 4 * 40), e2e::kDrawingSquare, 2));
    // The metafile's frame is the system's, from the drawing's bounds, which count their right and
    // bottom edges in: the picture reaches one drawing pixel further.
    ExpectExtent(Printed(700, 500), area, 4);
}

TEST_F(Printing, ATextPageIsRasterizedThenPrinted) {
    DocumentPtr document = e2e::OpenDocument(e2e::Files().Path("page.txt"));
    const RECT area = {150, 150, 966, 1206};  // the page at its own size
    ASSERT_EQ(PrintPage(*document, {0, 0, 816, 1056}, area), 0);
    long width = 0;
    long height = 0;
    short depth = 0;
    document->GetInfo(&width, &height, nullptr, nullptr, &depth);
    EXPECT_TRUE(document->IsRaster());
    EXPECT_EQ(width, 816);
    EXPECT_EQ(height, 1056);
    EXPECT_EQ(depth, 8);
    int dark = 0;
    for (int y = 150 + 96; y < 150 + 200; ++y)
        for (int x = 150 + 96; x < 966 - 96; ++x) dark += GetGValue(At(x, y)) < 128;
    EXPECT_GT(dark, 200) << "the first lines of text";
    EXPECT_EQ(At(150 + 40, 150 + 40), kWhite);  // the margin
}

}  // namespace
