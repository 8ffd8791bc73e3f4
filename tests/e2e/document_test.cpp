// Documents through Dewey against the real server: opening each kind, what the server reports,
// the shared sections, resurrection, the commands that change the image, the clipboard, and bad
// input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "e2e_support.h"

namespace {

const testing::Environment* const keeper = testing::AddGlobalTestEnvironment(e2e::ServerKeeper());

using e2e::DocumentPtr;
using e2e::Files;
using e2e::OpenDocument;

struct Info {
    long width = -1, height = -1;
    short horizontal = -1, vertical = -1, depth = -1;
    long code = -1;
};

Info InfoOf(Dewey& document) {
    Info info;
    info.code =
        document.GetInfo(&info.width, &info.height, &info.horizontal, &info.vertical, &info.depth);
    return info;
}

// --- Raster files keep their size, depth, resolution and colours ------------------------------

struct RasterCase {
    const char* file;
    int depth;
    int tolerance;  // JPEG is lossy
};

class RasterFormats : public testing::TestWithParam<RasterCase> {};

TEST_P(RasterFormats, OpenKeepsSizeDepthAndColours) {
    const RasterCase& c = GetParam();
    short opened = -100;
    DocumentPtr document = OpenDocument(Files().Path(c.file), &opened);
    ASSERT_EQ(0, opened);
    const Info info = InfoOf(*document);
    EXPECT_EQ(0, info.code);
    EXPECT_EQ(e2e::kImageWidth, info.width);
    EXPECT_EQ(e2e::kImageHeight, info.height);
    EXPECT_EQ(c.depth, info.depth);
    EXPECT_EQ(1, document->IsRaster());
    EXPECT_EQ(0, document->IsVector());
    // The colours, through the image section.
    char name[20] = {};
    ASSERT_EQ(0, document->GetSectionName(name));
    const std::vector<std::uint8_t> section = e2e::ReadSection(name);
    ASSERT_GE(section.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header;
    std::memcpy(&header, section.data(), sizeof header);
    EXPECT_EQ(40u, header.biSize);
    EXPECT_EQ(e2e::kImageWidth, header.biWidth);
    EXPECT_EQ(e2e::kImageHeight, header.biHeight);
    EXPECT_EQ(c.depth, header.biBitCount);
    const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(section.data() + 40);
    const std::uint8_t* pixels = section.data() + 40 + header.biClrUsed * sizeof(RGBQUAD);
    const std::size_t stride = (static_cast<std::size_t>(e2e::kImageWidth) * c.depth + 31) / 32 * 4;
    for (int y = 0; y < e2e::kImageHeight; ++y) {
        const std::uint8_t* row =
            pixels + stride * static_cast<std::size_t>(e2e::kImageHeight - 1 - y);
        for (int x = 0; x < e2e::kImageWidth; ++x) {
            COLORREF colour;
            if (c.depth <= 8) {
                const int perByte = 8 / c.depth;
                const unsigned index =
                    (row[x / perByte] >> ((perByte - 1 - x % perByte) * c.depth)) &
                    ((1u << c.depth) - 1);
                ASSERT_LT(index, header.biClrUsed);
                colour = RGB(table[index].rgbRed, table[index].rgbGreen, table[index].rgbBlue);
            } else {
                const std::uint8_t* p = row + x * (c.depth / 8);
                colour = RGB(p[2], p[1], p[0]);
            }
            ASSERT_TRUE(e2e::Near(e2e::ExpectedColour(c.depth, x, y), colour, c.tolerance))
                << c.file << " at " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, RasterFormats,
    testing::Values(RasterCase{"bmp1.bmp", 1, 0}, RasterCase{"bmp4.bmp", 4, 0},
                    RasterCase{"bmp8.bmp", 8, 0}, RasterCase{"bmp24.bmp", 24, 0},
                    RasterCase{"bmp32.bmp", 32, 0}, RasterCase{"png1.png", 1, 0},
                    RasterCase{"png4.png", 4, 0}, RasterCase{"png8.png", 8, 0},
                    RasterCase{"png24.png", 24, 0}, RasterCase{"png32.png", 32, 0},
                    RasterCase{"gif8.gif", 8, 0}, RasterCase{"tif8.tif", 8, 0},
                    RasterCase{"tif24.tif", 24, 0}, RasterCase{"jpg24.jpg", 24, 40}));

TEST(Raster, ReportsResolutionFileNameAndPalette) {
    DocumentPtr document = OpenDocument(Files().Path("png8.png"));
    const Info info = InfoOf(*document);
    EXPECT_EQ(120, info.horizontal);
    EXPECT_EQ(120, info.vertical);
    char file[516] = {};
    ASSERT_EQ(0, document->GetFileName(file));
    EXPECT_EQ(0, _stricmp(Files().Path("png8.png").c_str() + 2, file + 2));  // drive letters differ

    char name[20] = {};
    ASSERT_EQ(0, document->GetPaletteInfo(name));
    EXPECT_LE(std::strlen(name), 19u);
    const std::vector<std::uint8_t> section = e2e::ReadSection(name);
    ASSERT_GE(section.size(), 40u + 256 * 4);
    BITMAPINFOHEADER header;
    std::memcpy(&header, section.data(), sizeof header);
    EXPECT_EQ(40u, header.biSize);
    EXPECT_EQ(8, header.biBitCount);
    ASSERT_EQ(256u, header.biClrUsed);
    const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(section.data() + 40);
    EXPECT_EQ(RGB(77, (77 * 7) & 255, 255 - 77),
              RGB(table[77].rgbRed, table[77].rgbGreen, table[77].rgbBlue));
}

TEST(Raster, TrueColourImagesPublishAHalftonePalette) {
    DocumentPtr document = OpenDocument(Files().Path("bmp24.bmp"));
    char name[20] = {};
    ASSERT_EQ(0, document->GetPaletteInfo(name));
    const std::vector<std::uint8_t> section = e2e::ReadSection(name);
    ASSERT_GE(section.size(), 40u + 256 * 4);
    BITMAPINFOHEADER header;
    std::memcpy(&header, section.data(), sizeof header);
    EXPECT_EQ(24, header.biBitCount);
    EXPECT_EQ(256u, header.biClrUsed);
}

// --- The other kinds ---------------------------------------------------------------------------

TEST(Kinds, MetafileIsAVectorDrawingOfItsFrameSize) {
    short opened = -100;
    DocumentPtr document = OpenDocument(Files().Path("drawing.emf"), &opened);
    ASSERT_EQ(0, opened);
    EXPECT_EQ(0, document->IsRaster());
    EXPECT_EQ(1, document->IsVector());
    EXPECT_EQ(0, document->IsEntity());
    const Info info = InfoOf(*document);
    EXPECT_EQ(e2e::kDrawingWidth, info.width);
    EXPECT_EQ(e2e::kDrawingHeight, info.height);
    EXPECT_EQ(24, info.depth);
    EXPECT_EQ(96, info.horizontal);
}

TEST(Kinds, ModelReportsCentreExtentsAndAnEyeOutsideLookingAtTheCentre) {
    short opened = -100;
    DocumentPtr document = OpenDocument(Files().Path("box.obj"), &opened);
    ASSERT_EQ(0, opened);
    EXPECT_EQ(1, document->IsVector());
    double c[6] = {};
    ASSERT_EQ(0, document->Get3DInfo(&c[0], &c[1], &c[2], &c[3], &c[4], &c[5]));
    EXPECT_DOUBLE_EQ(1.0, c[0]);
    EXPECT_DOUBLE_EQ(2.0, c[1]);
    EXPECT_DOUBLE_EQ(3.0, c[2]);
    EXPECT_DOUBLE_EQ(2.0, c[3]);
    EXPECT_DOUBLE_EQ(4.0, c[4]);
    EXPECT_DOUBLE_EQ(6.0, c[5]);
    double p[6] = {};
    ASSERT_EQ(0, document->GetPointOfView(&p[0], &p[1], &p[2], &p[3], &p[4], &p[5]));
    // The eye lies on the line through the centre along the view direction, outside the box.
    const double dir[3] = {std::cos(p[3]) * std::cos(p[4]), std::sin(p[3]) * std::cos(p[4]),
                           std::sin(p[4])};
    const double toCentre[3] = {c[0] - p[0], c[1] - p[1], c[2] - p[2]};
    const double distance = std::sqrt(toCentre[0] * toCentre[0] + toCentre[1] * toCentre[1] +
                                      toCentre[2] * toCentre[2]);
    EXPECT_GT(distance, 3.8);  // beyond the half diagonal of the box
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(dir[i], toCentre[i] / distance, 1e-9);
    EXPECT_EQ(0.0, p[5]);
    const Info info = InfoOf(*document);
    EXPECT_EQ(800, info.width);
    EXPECT_EQ(600, info.height);
}

TEST(Kinds, PointOfViewRoundTripsAndRefusesNonFiniteValues) {
    DocumentPtr document = OpenDocument(Files().Path("box.obj"));
    Huey view(document.get());
    EXPECT_EQ(0, view.SetPointOfView(10.5, -3.25, 2.0, 0.5, -0.25, 0.125, 0));
    double p[6] = {};
    ASSERT_EQ(0, document->GetPointOfView(&p[0], &p[1], &p[2], &p[3], &p[4], &p[5]));
    const double expected[6] = {10.5, -3.25, 2.0, 0.5, -0.25, 0.125};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(expected[i], p[i]);
    EXPECT_EQ(-5, view.SetPointOfView(std::nan(""), 0, 0, 0, 0, 0, 0));
    ASSERT_EQ(0, document->GetPointOfView(&p[0], &p[1], &p[2], &p[3], &p[4], &p[5]));
    EXPECT_EQ(10.5, p[0]);
}

TEST(Kinds, FlatDocumentsRefuseThePointOfViewAndReportTheirPage) {
    DocumentPtr document = OpenDocument(Files().Path("drawing.emf"));
    Huey view(document.get());
    EXPECT_EQ(-9, view.SetPointOfView(1, 2, 3, 0, 0, 0, 0));
    double p[6] = {7, 7, 7, 7, 7, 7};
    EXPECT_EQ(-9, document->GetPointOfView(&p[0], &p[1], &p[2], &p[3], &p[4], &p[5]));
    EXPECT_EQ(7.0, p[0]);
    double c[6] = {};
    EXPECT_EQ(0, document->Get3DInfo(&c[0], &c[1], &c[2], &c[3], &c[4], &c[5]));
    EXPECT_EQ(100.0, c[0]);
    EXPECT_EQ(50.0, c[1]);
    EXPECT_EQ(200.0, c[3]);
    EXPECT_EQ(0.0, c[5]);
}

TEST(Kinds, TextIsAPageInAFontThatChangeFontChanges) {
    short opened = -100;
    DocumentPtr document = OpenDocument(Files().Path("page.txt"), &opened);
    ASSERT_EQ(0, opened);
    EXPECT_EQ(0, document->IsRaster());
    EXPECT_EQ(0, document->IsVector());
    EXPECT_EQ(1, document->IsEntity());
    const Info before = InfoOf(*document);
    EXPECT_EQ(816, before.width);
    EXPECT_EQ(1056, before.height);
    Huey view(document.get());
    EXPECT_EQ(0, view.ChangeFont(const_cast<char*>("DejaVu Sans"), const_cast<char*>("Bold"), 72.0f,
                                 3.0f));
    char font[20] = {};
    ASSERT_EQ(0, document->GetFontInfo(font));
    EXPECT_EQ(0, std::memcmp(font, "DejaVu Sans,72,B,3", 19)) << font;
    // Large type on double lines needs a longer page.
    const Info after = InfoOf(*document);
    EXPECT_EQ(816, after.width);
    EXPECT_GT(after.height, 1056);
    EXPECT_EQ(-5, view.ChangeFont(const_cast<char*>(""), const_cast<char*>("Wavy"), 0, 0));
    EXPECT_EQ(-5, view.ChangeFont(const_cast<char*>(""), const_cast<char*>(""), 0.5f, 0));
    ASSERT_EQ(0, document->GetFontInfo(font));
    EXPECT_EQ(0, std::memcmp(font, "DejaVu Sans,72,B,3", 19));
}

TEST(Kinds, ChangeFontAndFontInfoDoNotApplyToImages) {
    DocumentPtr document = OpenDocument(Files().Path("bmp8.bmp"));
    Huey view(document.get());
    EXPECT_EQ(-9, view.ChangeFont(const_cast<char*>("DejaVu Sans"), const_cast<char*>(""), 12, 1));
    char font[20] = "unchanged";
    EXPECT_EQ(1, document->GetFontInfo(font));  // the server answers no string
}

// --- Commands that change the image ------------------------------------------------------------

TEST(Commands, ResizeChangesTheImageAndKeepsItsDepth) {
    DocumentPtr document = OpenDocument(Files().Path("bmp8.bmp"));
    ASSERT_EQ(0, document->Resize(26, 5, 0));
    Info info = InfoOf(*document);
    EXPECT_EQ(26, info.width);
    EXPECT_EQ(5, info.height);
    EXPECT_EQ(8, info.depth);
    EXPECT_EQ(-5, document->Resize(0, 5, 0));
    EXPECT_EQ(-5, document->Resize(26, -3, 0));
    info = InfoOf(*document);
    EXPECT_EQ(26, info.width);
    EXPECT_EQ(5, info.height);
}

TEST(Commands, RasterizeTurnsAnyKindIntoAnImageOfTheGivenSizeAndDepth) {
    for (const char* file : {"page.txt", "drawing.emf", "box.obj", "png24.png"}) {
        DocumentPtr document = OpenDocument(Files().Path(file));
        ASSERT_EQ(0, document->Rasterize(300, 200, 8)) << file;
        EXPECT_EQ(1, document->IsRaster()) << file;
        const Info info = InfoOf(*document);
        EXPECT_EQ(300, info.width) << file;
        EXPECT_EQ(200, info.height) << file;
        EXPECT_EQ(8, info.depth) << file;
    }
    DocumentPtr document = OpenDocument(Files().Path("drawing.emf"));
    EXPECT_EQ(-5, document->Rasterize(300, 200, 7));
    EXPECT_EQ(-5, document->Rasterize(0, 200, 8));
    EXPECT_EQ(1, document->IsVector());
    ASSERT_EQ(0, document->Rasterize(200, 100, 1));
    EXPECT_EQ(1, InfoOf(*document).depth);
}

TEST(Commands, RasterizedDrawingKeepsItsColoursAndPlace) {
    DocumentPtr document = OpenDocument(Files().Path("drawing.emf"));
    // A wider area: the drawing keeps its aspect against the right edge.
    ASSERT_EQ(0, document->Rasterize(400, 100, 24));
    char name[20] = {};
    ASSERT_EQ(0, document->GetSectionName(name));
    const std::vector<std::uint8_t> section = e2e::ReadSection(name);
    ASSERT_GE(section.size(), 40u + 400 * 3 * 100);
    const std::uint8_t* pixels = section.data() + 40;
    auto at = [&](int x, int y) {
        const std::uint8_t* p = pixels + static_cast<std::size_t>(99 - y) * 1200 + x * 3;
        return RGB(p[2], p[1], p[0]);
    };
    EXPECT_EQ(RGB(255, 255, 255), at(100, 50));
    EXPECT_TRUE(e2e::Near(e2e::kDrawingLeft, at(280, 80), 8));
    EXPECT_TRUE(e2e::Near(e2e::kDrawingRight, at(380, 50), 8));
    EXPECT_TRUE(e2e::Near(e2e::kDrawingSquare, at(240, 40), 8));
}

TEST(Commands, UnsupportedCommandsAnswerMinusEight) {
    DocumentPtr document = OpenDocument(Files().Path("bmp24.bmp"));
    RECT crop = {0, 0, 4, 4};
    IRGB from = {1, 2, 3};
    IRGB to = {4, 5, 6};
    EXPECT_EQ(-8, document->Save());
    EXPECT_EQ(-8, document->SaveAs(const_cast<char*>("x.bmp"), const_cast<char*>("bmp")));
    EXPECT_EQ(-8, document->UndoRedo());
    EXPECT_EQ(-8, document->Rotate(90, 0, 0));
    EXPECT_EQ(-8, document->Crop(&crop));
    EXPECT_EQ(-8, document->Grayize());
    EXPECT_EQ(-8, document->Blackize());
    EXPECT_EQ(-8, document->Reduce(1, 2, 3, 4));
    EXPECT_EQ(-8, document->Equalize());
    EXPECT_EQ(-8, document->Gamma(1, 2, 3));
    EXPECT_EQ(-8, document->Invert());
    EXPECT_EQ(-8, document->ReverseBW());
    EXPECT_EQ(-8, document->ChangeColor(&from, &to));
    EXPECT_EQ(-8, document->ThreeDize());
    EXPECT_EQ(-8, document->Vectorize(1, 2, 3, 4, 5, 6));
    EXPECT_EQ(-8, document->PrepRaster(1, 2, 3));
    EXPECT_EQ(-8, document->SaveScript(const_cast<char*>("script")));
    EXPECT_EQ(-8, document->Convert(const_cast<char*>("a"), const_cast<char*>("b"),
                                    const_cast<char*>("c"), const_cast<char*>("d")));
    EXPECT_EQ(-8, document->Test(const_cast<char*>("t"), nullptr, nullptr));
    EXPECT_EQ(-8, document->RefreshOptions(const_cast<char*>("options")));
    EXPECT_EQ(24, InfoOf(*document).depth);
}

// --- Resurrection ------------------------------------------------------------------------------

TEST(Resurrection, AFreshObjectRebuildsTheImageFromTheSection) {
    DocumentPtr original = OpenDocument(Files().Path("png4.png"));
    char name[20] = {};
    ASSERT_EQ(0, original->GetSectionName(name));
    EXPECT_LE(std::strlen(name), 19u);
    DocumentPtr copy(new Dewey);
    ASSERT_EQ(0, copy->ResurrectSection(name, const_cast<char*>("copy.png")));
    const Info info = InfoOf(*copy);
    EXPECT_EQ(e2e::kImageWidth, info.width);
    EXPECT_EQ(e2e::kImageHeight, info.height);
    EXPECT_EQ(4, info.depth);
    char file[516] = {};
    ASSERT_EQ(0, copy->GetFileName(file));
    EXPECT_STREQ("copy.png", file);
}

TEST(Resurrection, TextComesBackAsText) {
    DocumentPtr original = OpenDocument(Files().Path("page.txt"));
    Huey view(original.get());
    ASSERT_EQ(
        0, view.ChangeFont(const_cast<char*>("DejaVu Sans"), const_cast<char*>("Italic"), 20, 1));
    char name[20] = {};
    ASSERT_EQ(0, original->GetSectionName(name));
    DocumentPtr copy(new Dewey);
    ASSERT_EQ(0, copy->ResurrectSection(name, name));
    EXPECT_EQ(1, copy->IsEntity());
    char font[20] = {};
    ASSERT_EQ(0, copy->GetFontInfo(font));
    EXPECT_EQ(0, std::memcmp(font, "DejaVu Sans,20,I,1", 18)) << font;
}

// Resurrecting from the document's own section closes the server object first: the server keeps
// the section for the new object.
TEST(Resurrection, ADocumentComesBackFromItsOwnSection) {
    DocumentPtr document = OpenDocument(Files().Path("box.obj"));
    char name[20] = {};
    ASSERT_EQ(0, document->GetSectionName(name));
    ASSERT_EQ(0, document->ResurrectSection(name, const_cast<char*>("box")));
    double c[6] = {};
    ASSERT_EQ(0, document->Get3DInfo(&c[0], &c[1], &c[2], &c[3], &c[4], &c[5]));
    EXPECT_EQ(6.0, c[5]);
    EXPECT_EQ(-2, document->ResurrectSection(const_cast<char*>("NoSuchSection"), name));
}

TEST(Resurrection, ReadsASectionOfAnotherMakerBehindItsEightByteBlock) {
    // A 3 x 2 24-bit image behind an 8-byte block, in a section this process makes.
    const std::size_t size = 8 + 40 + 2 * 12;
    HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        static_cast<DWORD>(size), "KelocliE2eForeign");
    ASSERT_NE(nullptr, section);
    auto* view = static_cast<std::uint8_t*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_NE(nullptr, view);
    std::memset(view, 0xEE, 8);
    BITMAPINFOHEADER header = {};
    header.biSize = 40;
    header.biWidth = 3;
    header.biHeight = 2;
    header.biPlanes = 1;
    header.biBitCount = 24;
    std::memcpy(view + 8, &header, sizeof header);
    std::memset(view + 48, 0x40, 24);
    view[48 + 12 + 3 * 2 + 2] = 0xFF;  // the top row's last pixel has a full red
    UnmapViewOfFile(view);
    Louie louie;  // takes the name string
    ASSERT_EQ(0, louie.ResurrectSection(SysAllocString(L"KelocliE2eForeign"), nullptr));
    CloseHandle(section);
    long width = 0;
    long height = 0;
    short depth = 0;
    ASSERT_EQ(0, louie.GetInfo(&width, &height, nullptr, nullptr, &depth));
    EXPECT_EQ(3, width);
    EXPECT_EQ(2, height);
    EXPECT_EQ(24, depth);
    IRGB colour = {};
    ASSERT_EQ(0, louie.PickColor(&colour, 2, 0));
    EXPECT_EQ(RGB(0xFF, 0x40, 0x40), RGB(colour.red, colour.green, colour.blue));
}

// --- Clipboard ---------------------------------------------------------------------------------

TEST(Clipboard, CopyAsPutsTheImageAndPasteFromTakesItBack) {
    DocumentPtr document = OpenDocument(Files().Path("bmp8.bmp"));
    ASSERT_EQ(0, document->CopyAs(CF_DIB));
    ASSERT_TRUE(OpenClipboard(nullptr));
    HGLOBAL memory = GetClipboardData(CF_DIB);
    ASSERT_NE(nullptr, memory);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(memory));
    EXPECT_EQ(e2e::kImageWidth, header->biWidth);
    EXPECT_EQ(8, header->biBitCount);
    GlobalUnlock(memory);
    CloseClipboard();

    DocumentPtr pasted(new Dewey);
    ASSERT_EQ(0, pasted->PasteFrom(CF_DIB));
    const Info info = InfoOf(*pasted);
    EXPECT_EQ(e2e::kImageWidth, info.width);
    EXPECT_EQ(e2e::kImageHeight, info.height);
    EXPECT_EQ(8, info.depth);
    EXPECT_EQ(1, pasted->IsRaster());
}

TEST(Clipboard, MetafilesTravelAsMetafiles) {
    DocumentPtr document = OpenDocument(Files().Path("drawing.emf"));
    ASSERT_EQ(0, document->Copy());  // a vector drawing: CF_ENHMETAFILE
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_ENHMETAFILE));
    DocumentPtr pasted(new Dewey);
    ASSERT_EQ(0, pasted->Paste());
    EXPECT_EQ(1, pasted->IsVector());
    const Info info = InfoOf(*pasted);
    EXPECT_NEAR(e2e::kDrawingWidth, info.width, 1);
    EXPECT_NEAR(e2e::kDrawingHeight, info.height, 1);
}

TEST(Clipboard, FormatsOtherThanDibAndMetafileAreNotSupported) {
    DocumentPtr document = OpenDocument(Files().Path("bmp8.bmp"));
    EXPECT_EQ(-8, document->CopyAs(CF_TEXT));
    EXPECT_EQ(-8, document->PasteFrom(CF_TEXT));
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    EXPECT_EQ(-7, document->PasteFrom(CF_DIB));
    EXPECT_EQ(8, InfoOf(*document).depth);
}

// --- Opening -----------------------------------------------------------------------------------

TEST(Opening, FastOpenAndThreadOpenOpenTheFileToo) {
    DocumentPtr document(new Dewey);
    ASSERT_EQ(0, document->FastOpen(const_cast<char*>(Files().Path("png1.png").c_str()),
                                    const_cast<char*>("draft")));
    EXPECT_EQ(1, InfoOf(*document).depth);
    ASSERT_EQ(0,
              document->ThreadOpen(const_cast<char*>(Files().Path("tif24.tif").c_str()),
                                   const_cast<char*>("KelocliE2eOpened"), const_cast<char*>("")));
    // The event is set when the opening has ended, and every call waits for it.
    HANDLE opened = OpenEventA(SYNCHRONIZE, FALSE, "KelocliE2eOpened");
    ASSERT_NE(nullptr, opened);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(opened, 10000));
    CloseHandle(opened);
    EXPECT_EQ(24, InfoOf(*document).depth);
    EXPECT_EQ(0, document->OpenStatus(const_cast<char*>("")));
    EXPECT_EQ(-2, document->ThreadOpen(const_cast<char*>(Files().Path("missing.png").c_str()),
                                       const_cast<char*>(""), const_cast<char*>("")));
    EXPECT_EQ(-2, document->OpenStatus(const_cast<char*>("")));
    EXPECT_EQ(24, InfoOf(*document).depth);
}

struct BadFile {
    const char* file;
    short result;
};

class BadInput : public testing::TestWithParam<BadFile> {};

TEST_P(BadInput, IsRefusedAndTheDocumentStaysAsItWas) {
    DocumentPtr document = OpenDocument(Files().Path("bmp4.bmp"));
    EXPECT_EQ(GetParam().result,
              document->Open(const_cast<char*>(Files().Path(GetParam().file).c_str())));
    const Info info = InfoOf(*document);
    EXPECT_EQ(e2e::kImageWidth, info.width);
    EXPECT_EQ(4, info.depth);
    char file[516] = {};
    ASSERT_EQ(0, document->GetFileName(file));
    EXPECT_NE(nullptr, std::strstr(file, "bmp4.bmp"));
}

INSTANTIATE_TEST_SUITE_P(Files, BadInput,
                         testing::Values(BadFile{"missing.png", -2}, BadFile{"folder.png", -2},
                                         BadFile{"", -2}, BadFile{"truncated.png", -3},
                                         BadFile{"text.png", -3}, BadFile{"binary.txt", -3},
                                         BadFile{"empty.obj", -3}, BadFile{"nan.obj", -3},
                                         BadFile{"damaged.emf", -3}, BadFile{"huge.bmp", -4},
                                         BadFile{"huge.txt", -4}));

// --- Names -------------------------------------------------------------------------------------

// Latin-1 letters in the host's code page: the library widens each byte with its sign, the server
// reads the bytes back in the code page, and answers names the same way.
TEST(Names, LatinOneFileAndFolderNamesOpenAndResurrect) {
    const std::string folder = Files().directory + "\\Dossier d\xE9j\xE0 vu";
    const std::string file = folder + "\\caf\xE9 cr\xE8me.png";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(CopyFileA(Files().Path("png8.png").c_str(), file.c_str(), FALSE));
    short opened = -100;
    DocumentPtr document = OpenDocument(file, &opened);
    ASSERT_EQ(0, opened);
    char answered[516] = {};
    ASSERT_EQ(0, document->GetFileName(answered));
    EXPECT_EQ(0, _stricmp(file.c_str() + 2, answered + 2)) << answered;  // drive letters differ
    char section[20] = {};
    ASSERT_EQ(0, document->GetSectionName(section));
    ASSERT_EQ(0, document->ResurrectSection(section, const_cast<char*>(file.c_str())));
    ASSERT_EQ(0, document->GetFileName(answered));
    EXPECT_STREQ(file.c_str(), answered);
    EXPECT_EQ(8, InfoOf(*document).depth);
    // A section the host names in its code page.
    const std::string name = "Kelocli\xC9t\xE9";
    std::vector<std::uint8_t> bytes = e2e::ReadSection(section);
    HANDLE made = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                     static_cast<DWORD>(bytes.size()), name.c_str());
    void* view = MapViewOfFile(made, FILE_MAP_WRITE, 0, 0, 0);
    std::memcpy(view, bytes.data(), bytes.size());
    UnmapViewOfFile(view);
    DocumentPtr copy(new Dewey);
    EXPECT_EQ(0, copy->ResurrectSection(const_cast<char*>(name.c_str()), const_cast<char*>("x")));
    EXPECT_EQ(8, InfoOf(*copy).depth);
    CloseHandle(made);
    DeleteFileA(file.c_str());
    RemoveDirectoryA(folder.c_str());
}

// The library holds 779 characters of a file name: a name of that length may have been cut, so
// the server refuses it, and one character less is the whole name.
TEST(Names, ThatMayHaveBeenCutAreRefused) {
    const std::string directory = Files().directory + "\\";
    for (const char* name : {"png24.png", "xpng24.png"}) {
        CopyFileA(Files().Path("png24.png").c_str(), (directory + name).c_str(), FALSE);
    }
    // The same file named at a given length: ".\\" steps, and a name one letter longer for odd
    // lengths.
    auto named = [&](std::size_t length) {
        const bool odd = (length - directory.size() - 9) % 2 != 0;
        std::string path = directory;
        while (path.size() + (odd ? 10 : 9) < length) path += ".\\";
        return path + (odd ? "xpng24.png" : "png24.png");
    };
    for (const auto& c : {std::make_pair(std::size_t{778}, 0), std::make_pair(std::size_t{779}, -2),
                          std::make_pair(std::size_t{2000}, -2)}) {
        const std::string path = named(c.first);
        ASSERT_EQ(c.first, path.size());
        DocumentPtr document(new Dewey);
        EXPECT_EQ(c.second, document->Open(const_cast<char*>(path.c_str()))) << c.first;
    }
}

TEST(NoDocument, QueriesFailAndCommandsAnswerMinusOne) {
    DocumentPtr document(new Dewey);
    long width = 5;
    EXPECT_EQ(static_cast<long>(OLE_E_BLANK),
              document->GetInfo(&width, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(0, width);
    EXPECT_EQ(1, document->IsEntity());
    EXPECT_EQ(-1, document->Resize(10, 10, 0));
    EXPECT_EQ(-1, document->Rasterize(10, 10, 8));
    EXPECT_EQ(-1, document->CopyAs(CF_DIB));
    char name[20] = "x";
    EXPECT_EQ(1, document->GetSectionName(name));
    EXPECT_EQ(-1, document->OpenStatus(const_cast<char*>("")));
}

}  // namespace
