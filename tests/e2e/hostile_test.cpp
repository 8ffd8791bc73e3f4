// Hostile input through the library: metafiles whose records lie, raster files that are cut short
// or claim huge images, models with absurd indices and counts, text of random bytes, and image
// sections that lie. Each is opened, painted, published and resurrected; every call answers in
// time, the server stays within its memory, and afterwards a fresh document opens at once. Then a
// real fault inside the metafile playback (the checks switched off) costs one document only.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace {

// The server of this program starts afresh, so that its peak memory is this program's.
class FreshServer : public testing::Environment {
  public:
    void SetUp() override { ASSERT_TRUE(e2e::WaitForNoServer(5000)); }
};
const testing::Environment* const fresh = testing::AddGlobalTestEnvironment(new FreshServer);
const testing::Environment* const keeper = testing::AddGlobalTestEnvironment(e2e::ServerKeeper());

using e2e::DocumentPtr;
using e2e::Files;

constexpr DWORD kCallBoundMs = 3000;
constexpr std::uint64_t kPeakMemoryBound = 300ull << 20;

// --- Writing bytes -----------------------------------------------------------------------------

class Bytes {
  public:
    template <typename T>
    Bytes& Put(T value) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(&value);
        data.insert(data.end(), p, p + sizeof value);
        return *this;
    }
    Bytes& Big32(std::uint32_t v) {
        for (int shift : {24, 16, 8, 0}) data.push_back(static_cast<std::uint8_t>(v >> shift));
        return *this;
    }
    Bytes& Text(const std::string& text) {
        data.insert(data.end(), text.begin(), text.end());
        return *this;
    }
    Bytes& Zeros(std::size_t count) {
        data.insert(data.end(), count, 0);
        return *this;
    }
    Bytes& Append(const Bytes& more) {
        data.insert(data.end(), more.data.begin(), more.data.end());
        return *this;
    }
    std::string String() const { return std::string(data.begin(), data.end()); }
    std::vector<std::uint8_t> data;
};

// A BITMAPINFOHEADER of 24 bits per pixel, and its pixels.
Bytes Dib(int width, int height, std::size_t pixelBytes) {
    Bytes dib;
    dib.Put<std::uint32_t>(40).Put<std::int32_t>(width).Put<std::int32_t>(height);
    dib.Put<std::uint16_t>(1).Put<std::uint16_t>(24).Put<std::uint32_t>(BI_RGB).Zeros(20);
    return dib.Zeros(pixelBytes);
}

// --- Metafiles, record by record ---------------------------------------------------------------

struct EmfRecord {
    DWORD type;
    Bytes body;  // what follows the type and size
};

// A drawing of 100 x 100 pixels with one record of each kind the server checks.
std::vector<EmfRecord> GoodRecords() {
    std::vector<EmfRecord> records;
    auto add = [&](DWORD type) -> Bytes& {
        records.push_back({type, Bytes()});
        return records.back().body;
    };
    add(EMR_CREATEBRUSHINDIRECT)
        .Put<std::uint32_t>(1)
        .Put<std::uint32_t>(BS_SOLID)
        .Put<COLORREF>(RGB(200, 0, 0))
        .Put<std::uint32_t>(0);
    add(EMR_SELECTOBJECT).Put<std::uint32_t>(1);
    add(EMR_POLYGON16)
        .Zeros(16)
        .Put<std::uint32_t>(3)
        .Put<std::int16_t>(0)
        .Put<std::int16_t>(0)
        .Put<std::int16_t>(90)
        .Put<std::int16_t>(0)
        .Put<std::int16_t>(0)
        .Put<std::int16_t>(90);
    Bytes& polygons = add(EMR_POLYPOLYGON16).Zeros(16).Put<std::uint32_t>(2).Put<std::uint32_t>(6);
    polygons.Put<std::uint32_t>(3).Put<std::uint32_t>(3);
    for (int i = 0; i < 12; ++i) polygons.Put<std::int16_t>(static_cast<std::int16_t>(10 + i * 5));
    add(EMR_POLYLINE)
        .Zeros(16)
        .Put<std::uint32_t>(2)
        .Put<std::int32_t>(0)
        .Put<std::int32_t>(99)
        .Put<std::int32_t>(99)
        .Put<std::int32_t>(0);
    Bytes& font = add(EMR_EXTCREATEFONTINDIRECTW).Put<std::uint32_t>(2).Put<std::int32_t>(-14);
    font.Zeros(4 * 4 + 8);
    const wchar_t face[32] = L"DejaVu Sans";
    for (wchar_t unit : face) font.Put<wchar_t>(unit);
    font.Zeros(320 - 92);
    add(EMR_SELECTOBJECT).Put<std::uint32_t>(2);
    Bytes& text = add(EMR_EXTTEXTOUTW).Zeros(16).Put<std::uint32_t>(GM_COMPATIBLE);
    text.Put<float>(1).Put<float>(1).Put<std::int32_t>(5).Put<std::int32_t>(50);
    text.Put<std::uint32_t>(2).Put<std::uint32_t>(76).Put<std::uint32_t>(0).Zeros(16);
    text.Put<std::uint32_t>(80)
        .Put<wchar_t>(L'H')
        .Put<wchar_t>(L'i')
        .Put<std::int32_t>(9)
        .Put<std::int32_t>(9);
    Bytes& stretch = add(EMR_STRETCHDIBITS).Zeros(16).Put<std::int32_t>(60).Put<std::int32_t>(60);
    stretch.Zeros(8).Put<std::int32_t>(2).Put<std::int32_t>(2).Put<std::uint32_t>(80);
    stretch.Put<std::uint32_t>(40).Put<std::uint32_t>(120).Put<std::uint32_t>(16);
    stretch.Put<std::uint32_t>(DIB_RGB_COLORS)
        .Put<std::uint32_t>(SRCCOPY)
        .Put<std::int32_t>(20)
        .Put<std::int32_t>(20);
    stretch.Append(Dib(2, 2, 16));
    Bytes& device = add(EMR_SETDIBITSTODEVICE).Zeros(16).Put<std::int32_t>(5).Put<std::int32_t>(5);
    device.Zeros(8).Put<std::int32_t>(2).Put<std::int32_t>(2).Put<std::uint32_t>(76);
    device.Put<std::uint32_t>(40).Put<std::uint32_t>(116).Put<std::uint32_t>(16);
    device.Put<std::uint32_t>(DIB_RGB_COLORS).Put<std::uint32_t>(0).Put<std::uint32_t>(2);
    device.Append(Dib(2, 2, 16));
    Bytes& region = add(EMR_FILLRGN).Zeros(16).Put<std::uint32_t>(48).Put<std::uint32_t>(1);
    region.Put<std::uint32_t>(32).Put<std::uint32_t>(RDH_RECTANGLES).Put<std::uint32_t>(1);
    region.Put<std::uint32_t>(16)
        .Zeros(16)
        .Put<std::int32_t>(70)
        .Put<std::int32_t>(70)
        .Put<std::int32_t>(80)
        .Put<std::int32_t>(80);
    Bytes& pen = add(EMR_EXTCREATEPEN).Put<std::uint32_t>(3).Zeros(16);
    pen.Put<std::uint32_t>(PS_USERSTYLE | PS_GEOMETRIC).Put<std::uint32_t>(1);
    pen.Put<std::uint32_t>(BS_SOLID).Put<COLORREF>(0).Put<std::uint32_t>(0).Put<std::uint32_t>(2);
    pen.Put<std::uint32_t>(3).Put<std::uint32_t>(2);
    add(EMR_SELECTOBJECT).Put<std::uint32_t>(3);
    Bytes& palette = add(EMR_CREATEPALETTE).Put<std::uint32_t>(4).Put<std::uint16_t>(0x300);
    palette.Put<std::uint16_t>(2).Put<std::uint32_t>(0).Put<std::uint32_t>(0xFFFFFF);
    Bytes& gradient = add(EMR_GRADIENTFILL).Zeros(16).Put<std::uint32_t>(2).Put<std::uint32_t>(1);
    gradient.Put<std::uint32_t>(GRADIENT_FILL_RECT_H).Put<std::int32_t>(0).Put<std::int32_t>(90);
    gradient.Zeros(8).Put<std::int32_t>(99).Put<std::int32_t>(99).Zeros(8);
    gradient.Put<std::uint32_t>(0).Put<std::uint32_t>(1);
    Bytes& blit = add(EMR_BITBLT).Zeros(16).Put<std::int32_t>(30).Put<std::int32_t>(30);
    blit.Put<std::int32_t>(2).Put<std::int32_t>(2).Put<std::uint32_t>(SRCCOPY).Zeros(8);
    blit.Put<float>(1).Put<float>(0).Put<float>(0).Put<float>(1).Put<float>(0).Put<float>(0);
    blit.Zeros(4).Put<std::uint32_t>(DIB_RGB_COLORS).Put<std::uint32_t>(100).Put<std::uint32_t>(40);
    blit.Put<std::uint32_t>(140).Put<std::uint32_t>(16);
    blit.Append(Dib(2, 2, 16));
    return records;
}

std::string Metafile(const std::vector<EmfRecord>& records, std::uint32_t handles = 5) {
    Bytes file;
    std::uint32_t total = 88 + 20;
    for (const EmfRecord& record : records)
        total += 8 + static_cast<std::uint32_t>(record.body.data.size());
    file.Put<std::uint32_t>(EMR_HEADER).Put<std::uint32_t>(88);
    file.Put<RECTL>({0, 0, 99, 99}).Put<RECTL>({0, 0, 2646, 2646});
    file.Put<std::uint32_t>(ENHMETA_SIGNATURE)
        .Put<std::uint32_t>(0x10000)
        .Put<std::uint32_t>(total);
    file.Put<std::uint32_t>(static_cast<std::uint32_t>(records.size() + 2));
    file.Put<std::uint16_t>(static_cast<std::uint16_t>(handles)).Zeros(2 + 12);
    file.Put<SIZEL>({1024, 768}).Put<SIZEL>({320, 240});
    for (const EmfRecord& record : records) {
        file.Put<std::uint32_t>(record.type);
        file.Put<std::uint32_t>(8 + static_cast<std::uint32_t>(record.body.data.size()));
        file.data.insert(file.data.end(), record.body.data.begin(), record.body.data.end());
    }
    file.Put<std::uint32_t>(EMR_EOF).Put<std::uint32_t>(20).Zeros(8).Put<std::uint32_t>(20);
    return file.String();
}

// The good drawing with one field of the record of kind `type` set to `value`.
std::string Lying(DWORD type, std::size_t offset, std::uint32_t value) {
    std::vector<EmfRecord> records = GoodRecords();
    for (EmfRecord& record : records) {
        if (record.type == type) {
            std::memcpy(record.body.data.data() + offset - 8, &value, 4);
            break;
        }
    }
    return Metafile(records);
}

// --- The corpus --------------------------------------------------------------------------------

struct Hostile {
    std::string name;
    std::string bytes;
    short opened;  // what Open answers
};

std::string FileBytes(const char* name) {
    HANDLE file = CreateFileA(Files().Path(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    return bytes;
}

std::string BmpClaiming(int width, int height, std::uint32_t compression, int bits,
                        std::size_t size) {
    Bytes bmp;
    bmp.Text("BM")
        .Put<std::uint32_t>(static_cast<std::uint32_t>(size))
        .Zeros(4)
        .Put<std::uint32_t>(54);
    bmp.Put<std::uint32_t>(40).Put<std::int32_t>(width).Put<std::int32_t>(height);
    bmp.Put<std::uint16_t>(1).Put<std::uint16_t>(static_cast<std::uint16_t>(bits));
    bmp.Put<std::uint32_t>(compression).Zeros(20);
    bmp.data.resize(size, 0x11);
    return bmp.String();
}

std::string PngClaiming(std::uint32_t width, std::uint32_t height, std::size_t data) {
    Bytes png;
    png.Text("\x89PNG\r\n\x1a\n").Big32(13).Text("IHDR").Big32(width).Big32(height);
    png.Put<std::uint8_t>(8).Put<std::uint8_t>(2).Zeros(3).Zeros(4);
    png.Big32(static_cast<std::uint32_t>(data)).Text("IDAT").Zeros(data).Zeros(4);
    png.Big32(0).Text("IEND").Zeros(4);
    return png.String();
}

std::string GifClaiming(std::uint16_t width, std::uint16_t height, int frames) {
    Bytes gif;
    gif.Text("GIF89a").Put<std::uint16_t>(width).Put<std::uint16_t>(height).Zeros(3);
    for (int i = 0; i < frames; ++i) {
        gif.Put<std::uint8_t>(0x2C).Zeros(4).Put<std::uint16_t>(width).Put<std::uint16_t>(height);
        gif.Zeros(1).Put<std::uint8_t>(8).Put<std::uint8_t>(2).Put<std::uint16_t>(0x0102).Zeros(1);
    }
    return gif.Put<std::uint8_t>(0x3B).String();
}

std::string TiffClaiming(std::uint32_t width, std::uint32_t height, std::uint32_t stripOffset,
                         std::uint32_t stripBytes, std::uint16_t compression) {
    Bytes tiff;
    tiff.Text("II*").Zeros(1).Put<std::uint32_t>(8).Put<std::uint16_t>(6);
    auto entry = [&](std::uint16_t tag, std::uint16_t type, std::uint32_t value) {
        tiff.Put<std::uint16_t>(tag).Put<std::uint16_t>(type).Put<std::uint32_t>(1);
        tiff.Put<std::uint32_t>(value);
    };
    entry(256, 4, width);
    entry(257, 4, height);
    entry(258, 3, 8);
    entry(259, 3, compression);
    entry(273, 4, stripOffset);
    entry(279, 4, stripBytes);
    return tiff.Zeros(4 + 64).String();
}

std::string Cut(const std::string& bytes, double part) {
    return bytes.substr(0, static_cast<std::size_t>(bytes.size() * part));
}

std::string RandomBytes(unsigned seed, std::size_t size, bool withNul) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xFF);
        if (!withNul && c == '\0') c = 1;
    }
    return bytes;
}

std::vector<Hostile> Corpus() {
    std::vector<Hostile> corpus;
    corpus.push_back({"good.emf", Metafile(GoodRecords()), 0});
    // One lie per kind of record the server checks (offsets count from the record's start).
    const struct {
        const char* name;
        DWORD type;
        std::size_t offset;
        std::uint32_t value;
    } lies[] = {
        {"points.emf", EMR_POLYGON16, 24, 0x10000000},
        {"polygon-counts.emf", EMR_POLYPOLYGON16, 32, 60000},
        {"points32.emf", EMR_POLYLINE, 24, 0x01000000},
        {"text-length.emf", EMR_EXTTEXTOUTW, 44, 0x00100000},
        {"text-advances.emf", EMR_EXTTEXTOUTW, 72, 0x7FFFFFF0},
        {"font-index.emf", EMR_EXTCREATEFONTINDIRECTW, 8, 900},
        {"bitmap-bits.emf", EMR_STRETCHDIBITS, 56, 0x40000000},
        {"bitmap-rows.emf", EMR_STRETCHDIBITS, 60, 4},
        {"bitmap-width.emf", EMR_SETDIBITSTODEVICE, 80, 30000},
        {"bitmap-colours.emf", EMR_STRETCHDIBITS, 112, 200},
        {"region-rectangles.emf", EMR_FILLRGN, 40, 5000},
        {"region-brush.emf", EMR_FILLRGN, 28, 0x80000001},
        {"pen-styles.emf", EMR_EXTCREATEPEN, 48, 100000},
        {"palette-entries.emf", EMR_CREATEPALETTE, 12, 0x7FFF0300},
        {"gradient-index.emf", EMR_GRADIENTFILL, 72, 7},
        {"object-index.emf", EMR_SELECTOBJECT, 8, 70000},
        {"blit-source.emf", EMR_BITBLT, 92, 0x7FFFFF00},
    };
    for (const auto& lie : lies)
        corpus.push_back({lie.name, Lying(lie.type, lie.offset, lie.value), -3});
    {
        // A font record cut to 20 bytes, its neighbours intact.
        std::vector<EmfRecord> records = GoodRecords();
        for (EmfRecord& record : records) {
            if (record.type == EMR_EXTCREATEFONTINDIRECTW) record.body.data.resize(12);
        }
        corpus.push_back({"font-cut.emf", Metafile(records), -3});
        // Records of kinds the server does not play are left out, lies and all.
        records = GoodRecords();
        records.push_back({EMR_POLYTEXTOUTW, Bytes()});
        records.back().body.Zeros(16).Put<std::uint32_t>(GM_COMPATIBLE).Put<float>(1).Put<float>(1);
        records.back().body.Put<std::uint32_t>(0x7FFFFFFF);
        records.push_back({0x7777, Bytes()});
        corpus.push_back({"unplayed.emf", Metafile(records), 0});
    }
    // Raster files cut short or claiming huge images.
    corpus.push_back({"cut.bmp", BmpClaiming(2000, 2000, BI_RGB, 24, 4096), -3});
    corpus.push_back({"claims9000.bmp", BmpClaiming(9000, 9000, BI_RGB, 24, 4096), -3});
    corpus.push_back({"claims40000.bmp", BmpClaiming(40000, 40000, BI_RGB, 24, 4096), -4});
    corpus.push_back({"rle8192.bmp", BmpClaiming(8192, 8192, BI_RLE8, 8, 2048), -3});
    corpus.push_back({"cut.png", Cut(FileBytes("noise.png"), 0.6), -3});
    corpus.push_back({"claims9000.png", PngClaiming(9000, 9000, 100), -3});
    corpus.push_back({"claims40000.png", PngClaiming(40000, 40000, 100), -4});
    corpus.push_back({"cut.gif", Cut(FileBytes("noise.gif"), 0.5), -3});
    corpus.push_back({"claims9000.gif", GifClaiming(9000, 9000, 1), -3});
    corpus.push_back({"claims60000.gif", GifClaiming(60000, 60000, 1), -4});
    corpus.push_back({"frames.gif", GifClaiming(4000, 4000, 40), -4});
    corpus.push_back({"cut.tif", Cut(FileBytes("noise.tif"), 0.5), -3});
    corpus.push_back({"claims9000.tif", TiffClaiming(9000, 9000, 100, 50, 5), -3});
    corpus.push_back({"claims40000.tif", TiffClaiming(40000, 40000, 100, 50, 1), -4});
    corpus.push_back({"strips.tif", TiffClaiming(100, 100, 100, 100000, 1), -3});
    // Models with absurd indices and counts.
    const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    corpus.push_back({"indices.obj", triangle + "f 1 2 99999999999\nf -5 -6 -7\nf 1 2 3\n", 0});
    corpus.push_back({"only-absurd.obj", triangle + "f 1 2 4000000000\nl 7 8\n", -3});
    std::string big = triangle + "f";
    for (int i = 0; i < 100000; ++i) big += " 1 2 3";
    corpus.push_back({"long-face.obj", big + "\n", -3});  // its one face is too long
    corpus.push_back({"far.obj", "v 1e300 0 0\nv -1e300 1 0\nv 0 1e300 1e300\nf 1 2 3\n", -3});
    // Text of random bytes.
    corpus.push_back({"random.txt", RandomBytes(11, 64 * 1024, false), 0});
    corpus.push_back({"random-nul.txt", RandomBytes(12, 4096, true), -3});
    return corpus;
}

// A section this process makes, holding `bytes`.
class Section {
  public:
    Section(const char* name, const std::string& bytes)
        : handle_(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                     static_cast<DWORD>(bytes.size()), name)) {
        void* view = MapViewOfFile(handle_.Get(), FILE_MAP_WRITE, 0, 0, 0);
        std::memcpy(view, bytes.data(), bytes.size());
        UnmapViewOfFile(view);
    }

  private:
    kelocli::UniqueHandle handle_;
};

// A 1 x 1 image with a document of `tag` behind it, whose bytes are `document`.
std::string Trailed(char tag, const Bytes& document, std::uint64_t claimedLength = 0) {
    Bytes section = Dib(1, 1, 4);
    section.Text("PbxDoc01");
    section.Put<std::uint64_t>(claimedLength != 0 ? claimedLength : document.data.size() + 1);
    section.Put<char>(tag);
    section.data.insert(section.data.end(), document.data.begin(), document.data.end());
    return section.String();
}

// --- The tests ---------------------------------------------------------------------------------

class HostileFiles : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        samples::Picture noise(300, 200, 24);
        std::mt19937 random(7);
        for (std::uint8_t& byte : noise.rows) byte = static_cast<std::uint8_t>(random());
        samples::Picture indexed(300, 200, 8);
        for (int i = 0; i < 256; ++i) {
            indexed.palette.push_back(
                RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i * 3), 0, 0});
        }
        for (std::uint8_t& byte : indexed.rows) byte = static_cast<std::uint8_t>(random());
        for (const char* name : {"noise.png", "noise.tif"}) {
            samples::WritePicture(Wide(Files().Path(name)), noise);
        }
        samples::WritePicture(Wide(Files().Path("noise.gif")), indexed);
    }
    static std::wstring Wide(const std::string& text) {
        return std::wstring(text.begin(), text.end());
    }
};

// Each call of a document's life, timed: open, paint, publish, resurrect from its own section.
void Exercise(Dewey& document, const std::string& label, const std::string& path, short opened) {
    short result = 99;
    EXPECT_LE(e2e::Timed([&] { result = document.Open(const_cast<char*>(path.c_str())); }),
              kCallBoundMs)
        << label;
    EXPECT_EQ(opened, result) << label;
    e2e::MemoryTarget target(64, 48);
    Huey view(&document);
    RECT source = {0, 0, 100, 100};
    RECT area = {0, 0, 64, 48};
    view.AttachWindow(nullptr, target.Dc());
    EXPECT_LE(e2e::Timed([&] { result = view.Paint(&source, &area); }), kCallBoundMs) << label;
    EXPECT_EQ(opened == 0 ? 0 : -1, result) << label;
    char name[20] = {};
    EXPECT_LE(e2e::Timed([&] { result = document.GetSectionName(name); }), kCallBoundMs) << label;
    if (opened != 0) return;
    ASSERT_EQ(0, result) << label;
    EXPECT_LE(e2e::Timed([&] { result = document.ResurrectSection(name, name); }), kCallBoundMs)
        << label;
    EXPECT_EQ(0, result) << label;
}

TEST_F(HostileFiles, AreRefusedOrServedEachCallInTime) {
    for (const Hostile& file : Corpus()) {
        const std::string path = Files().Path(file.name.c_str());
        samples::WriteBytes(Wide(path), file.bytes);
        DocumentPtr document(new Dewey);
        Exercise(*document, file.name, path, file.opened);
    }
    // A model larger than its limit, written without its bytes.
    const std::string large = Files().Path("large.obj");
    HANDLE file = CreateFileA(large.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    SetFilePointer(file, 40 << 20, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
    DocumentPtr document(new Dewey);
    Exercise(*document, "large.obj", large, -4);
}

TEST(HostileSections, AreRefusedWhenTheyLie) {
    Bytes metafile;
    metafile.Put<std::int32_t>(100).Put<std::int32_t>(100);
    const std::string lying = Lying(EMR_POLYGON16, 24, 0x10000000);
    metafile.Put<std::uint64_t>(lying.size()).Text(lying);
    Bytes scene;
    scene.Put<std::int32_t>(800).Put<std::int32_t>(600).Zeros(48).Put<std::uint64_t>(24).Zeros(24);
    scene.Put<std::uint64_t>(12).Put<std::uint32_t>(5).Put<std::uint32_t>(6).Put<std::uint32_t>(7);
    scene.Put<std::uint64_t>(4).Zeros(4).Put<std::uint64_t>(2).Zeros(2).Put<std::uint64_t>(0);
    scene.Put<std::uint64_t>(0);
    Bytes text;
    text.Put<std::int32_t>(816).Put<std::int32_t>(1056).Put<std::uint64_t>(1u << 30);
    const struct {
        const char* name;
        std::string bytes;
    } sections[] = {
        {"KelocliHostileRows", Dib(8192, 8192, 4096).String()},
        {"KelocliHostileMetafile", Trailed('V', metafile)},
        {"KelocliHostileLength", Trailed('V', metafile, 1ull << 40)},
        {"KelocliHostileScene", Trailed('M', scene)},
        {"KelocliHostileText", Trailed('T', text)},
    };
    for (const auto& crafted : sections) {
        const Section section(crafted.name, crafted.bytes);
        DocumentPtr document(new Dewey);
        short result = 0;
        EXPECT_LE(e2e::Timed([&] {
                      result = document->ResurrectSection(const_cast<char*>(crafted.name),
                                                          const_cast<char*>("x"));
                  }),
                  kCallBoundMs);
        EXPECT_EQ(-3, result) << crafted.name;
    }
}

TEST(AfterTheCorpus, TheServerStayedWithinItsMemoryAndOpensAtOnce) {
    DocumentPtr document(new Dewey);
    const std::uint64_t peak = e2e::PeakMemory(e2e::ServerProcessOf(*document));
    std::printf("server peak memory over the hostile files: %.1f MB\n", peak / 1048576.0);
    EXPECT_GT(peak, 0u);
    EXPECT_LT(peak, kPeakMemoryBound);
    short opened = -100;
    EXPECT_LE(e2e::Timed([&] {
                  opened = document->Open(const_cast<char*>(Files().Path("png24.png").c_str()));
              }),
              1000u);
    EXPECT_EQ(0, opened);
}

// With the metafile checks switched off (HKEY_CURRENT_USER\Software\Pimbax\Server
// "UncheckedMetafiles" = 1), a lying record makes the playback helper fault for real: the call
// answers -3, that document is dropped, and everything else goes on.
TEST(FaultDrill, APlaybackFaultCostsOneDocumentOnly) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Pimbax\\Server", 0,
                                             nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    const DWORD on = 1;
    RegSetValueExW(key, L"UncheckedMetafiles", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on),
                   sizeof on);
    const std::string path = Files().Path("drill.emf");
    samples::WriteBytes(std::wstring(path.begin(), path.end()),
                        Lying(EMR_POLYGON16, 24, 0x7FFFFFFF));
    DocumentPtr bystander = e2e::OpenDocument(Files().Path("bmp8.bmp"));
    short opened = -100;
    DocumentPtr faulty = e2e::OpenDocument(path, &opened);
    RegDeleteValueW(key, L"UncheckedMetafiles");
    RegCloseKey(key);
    ASSERT_EQ(0, opened);

    e2e::MemoryTarget target(64, 48);
    Huey view(faulty.get());
    RECT source = {0, 0, 100, 100};
    RECT area = {0, 0, 64, 48};
    view.AttachWindow(nullptr, target.Dc());
    short painted = 0;
    EXPECT_LE(e2e::Timed([&] { painted = view.Paint(&source, &area); }), kCallBoundMs);
    EXPECT_EQ(-3, painted);
    EXPECT_EQ(1, faulty->IsEntity());  // no document any more
    // The server and its other documents go on: drawing of every kind, metafiles included.
    EXPECT_EQ(1, bystander->IsRaster());
    for (const char* name : {"drawing.emf", "page.txt", "box.obj"}) {
        DocumentPtr next = e2e::OpenDocument(Files().Path(name), &opened);
        EXPECT_EQ(0, opened) << name;
        Huey other(next.get());
        other.AttachWindow(nullptr, target.Dc());
        EXPECT_LE(e2e::Timed([&] { painted = other.Paint(&source, &area); }), 1000u) << name;
        EXPECT_EQ(0, painted) << name;
    }
}

}  // namespace
