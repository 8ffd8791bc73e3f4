#include "e2e_support.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

#include "mapped_view.h"
#include "unique_resource.h"

namespace e2e {

namespace {

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

RGBQUAD Quad(COLORREF colour) {
    return RGBQUAD{GetBValue(colour), GetGValue(colour), GetRValue(colour), 0};
}

COLORREF PaletteColour(int bitsPerPixel, unsigned index) {
    switch (bitsPerPixel) {
        case 1:
            return index == 0 ? RGB(10, 20, 30) : RGB(240, 230, 220);
        case 4:
            return RGB(index * 16, 255 - index * 16, 40 + index * 8);
        default:
            return RGB(index, (index * 7) & 255, 255 - index);
    }
}

unsigned PaletteIndex(int bitsPerPixel, int x, int y) {
    switch (bitsPerPixel) {
        case 1:
            return static_cast<unsigned>((x + y) & 1);
        case 4:
            return static_cast<unsigned>((x + 2 * y) % 16);
        default:
            return static_cast<unsigned>((x * 13 + y * 29) % 256);
    }
}

samples::Picture TestPicture(int bitsPerPixel) {
    samples::Picture picture(kImageWidth, kImageHeight, bitsPerPixel);
    picture.dpi = 120;
    if (bitsPerPixel <= 8) {
        for (unsigned i = 0; i < (1u << bitsPerPixel); ++i) {
            picture.palette.push_back(Quad(PaletteColour(bitsPerPixel, i)));
        }
    }
    for (int y = 0; y < kImageHeight; ++y) {
        for (int x = 0; x < kImageWidth; ++x) {
            if (bitsPerPixel <= 8) {
                picture.SetIndex(x, y, PaletteIndex(bitsPerPixel, x, y));
            } else {
                picture.SetColour(x, y, ExpectedColour(bitsPerPixel, x, y));
            }
        }
    }
    return picture;
}

void DrawTestDrawing(HDC dc) {
    auto fill = [dc](int left, int top, int right, int bottom, COLORREF colour) {
        HBRUSH brush = CreateSolidBrush(colour);
        const RECT area = {left, top, right, bottom};
        FillRect(dc, &area, brush);
        DeleteObject(brush);
    };
    fill(0, 0, kDrawingWidth / 2, kDrawingHeight, kDrawingLeft);
    fill(kDrawingWidth / 2, 0, kDrawingWidth, kDrawingHeight, kDrawingRight);
    fill(20, 20, 60, 60, kDrawingSquare);
}

TestFiles MakeFiles() {
    TestFiles files;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    files.directory = std::string(temp) + "kelocli-e2e-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(files.directory.c_str(), nullptr);
    CreateDirectoryA(files.Path("folder.png").c_str(), nullptr);
    auto path = [&](const char* name) { return Widen(files.Path(name)); };
    for (int bits : {1, 4, 8, 24, 32}) {
        const samples::Picture picture = TestPicture(bits);
        const std::string depth = std::to_string(bits);
        samples::WritePicture(path(("bmp" + depth + ".bmp").c_str()), picture);
        samples::WritePicture(path(("png" + depth + ".png").c_str()), picture);
    }
    samples::WritePicture(path("gif8.gif"), TestPicture(8));
    samples::WritePicture(path("tif8.tif"), TestPicture(8));
    samples::WritePicture(path("tif24.tif"), TestPicture(24));
    samples::WritePicture(path("jpg24.jpg"), TestPicture(24));
    samples::WriteMetafile(path("drawing.emf"), kDrawingWidth, kDrawingHeight, DrawTestDrawing);
    samples::WriteBytes(
        path("box.obj"),
        "# a box of 2 x 4 x 6\n"
        "v 0 0 0\nv 2 0 0\nv 2 4 0\nv 0 4 0\n"
        "v 0 0 6\nv 2 0 6\nv 2 4 6\nv 0 4 6\n"
        "g bottom\nf 1 4 3 2\ng top\nf 5 6 7 8\n"
        "g sides\nf 1 2 6 5\nf 2/1 3/2 7/3 6/4\nf 3//1 4//1 8//1 7//1\nf -8 -4 -1 -5\n"
        "l 1 5\n");
    samples::WriteBytes(path("page.txt"),
                        "The harbour at dawn\r\n\r\nBoats rock gently on the grey water while "
                        "the gulls argue over the night's catch.\r\n");

    // Damaged and refused documents.
    std::string png;
    {
        HANDLE file = CreateFileA(files.Path("png24.png").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        char bytes[64] = {};
        DWORD read = 0;
        ReadFile(file, bytes, sizeof bytes, &read, nullptr);
        CloseHandle(file);
        png.assign(bytes, read);
    }
    samples::WriteBytes(path("truncated.png"), png.substr(0, 60));
    samples::WriteBytes(path("text.png"), "this is not an image\n");
    samples::WriteBytes(path("binary.txt"), std::string("text\0with\0nul", 13));
    samples::WriteBytes(path("empty.obj"), "# no faces\nv 1 2 3\n");
    samples::WriteBytes(path("nan.obj"), "v 0 0 0\nv 1 0 nan\nv 0 1 0\nf 1 2 3\n");
    std::string emf(128, '\0');
    emf[0] = 1;  // EMR_HEADER, then " EMF" at 40, and records that do not add up
    std::memcpy(&emf[40], " EMF", 4);
    samples::WriteBytes(path("damaged.emf"), emf);
    // A bitmap header promising 40000 x 40000 pixels.
    std::string bmp(54, '\0');
    const std::uint32_t fields[] = {54, 40, 40000, 40000};
    bmp[0] = 'B';
    bmp[1] = 'M';
    std::memcpy(&bmp[10], &fields[0], 4);
    std::memcpy(&bmp[14], &fields[1], 4);
    std::memcpy(&bmp[18], &fields[2], 4);
    std::memcpy(&bmp[22], &fields[3], 4);
    bmp[26] = 1;
    bmp[28] = 24;
    samples::WriteBytes(path("huge.bmp"), bmp);
    samples::WriteBytes(path("huge.txt"), std::string(5u << 20, 'x'));
    return files;
}

}  // namespace

TestFiles::~TestFiles() {
    if (directory.empty()) return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string path = directory + "\\" + found.cFileName;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (found.cFileName[0] != '.') RemoveDirectoryA(path.c_str());
            } else {
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(directory.c_str());
}

namespace {

class Keeper : public testing::Environment {
  public:
    void SetUp() override { document_.reset(new Dewey); }
    void TearDown() override { document_.reset(); }

  private:
    DocumentPtr document_;
};

}  // namespace

testing::Environment* ServerKeeper() {
    return new Keeper;
}

const TestFiles& Files() {
    static const TestFiles files = MakeFiles();
    return files;
}

COLORREF ExpectedColour(int bitsPerPixel, int x, int y) {
    if (bitsPerPixel <= 8) return PaletteColour(bitsPerPixel, PaletteIndex(bitsPerPixel, x, y));
    return RGB(x * 19, y * 28, 90 + x * 5 + y * 3);
}

DocumentPtr OpenDocument(const std::string& path, short* result) {
    DocumentPtr document(new Dewey);
    const short opened = document->Open(const_cast<char*>(path.c_str()));
    if (result != nullptr) *result = opened;
    return document;
}

DWORD ServerProcessOf(Dewey& document) {
    long process = 0;
    long thread = 0;
    document.GetProcessID(&process, &thread);
    return static_cast<DWORD>(process);
}

std::vector<std::uint8_t> ReadSection(const char* name) {
    std::vector<std::uint8_t> bytes;
    const kelocli::UniqueHandle section(OpenFileMappingA(FILE_MAP_READ, FALSE, name));
    if (!section) return bytes;
    const kelocli::UniqueView view(MapViewOfFile(section.Get(), FILE_MAP_READ, 0, 0, 0));
    const auto* start = static_cast<const std::uint8_t*>(view.Get());
    bytes.assign(start, start + kelocli::ReadableBytes(view.Get()));
    return bytes;
}

bool WaitForProcessEnd(DWORD id, DWORD milliseconds) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (process == nullptr) return true;
    const bool ended = WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

std::vector<DWORD> ServerProcesses() {
    std::vector<DWORD> found;
    const kelocli::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    if (!snapshot || !Process32FirstW(snapshot.Get(), &entry)) return found;
    do {
        if (_wcsicmp(entry.szExeFile, L"pimbaxsrv.exe") == 0) found.push_back(entry.th32ProcessID);
    } while (Process32NextW(snapshot.Get(), &entry));
    return found;
}

std::vector<DWORD> ServingServers() {
    std::vector<DWORD> found;
    HWND window = nullptr;
    while ((window = FindWindowExW(HWND_MESSAGE, window, L"PimbaxServerOwner", L"serving")) !=
           nullptr) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        found.push_back(process);
    }
    return found;
}

bool WaitForNoServer(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (!ServerProcesses().empty()) {
        if (GetTickCount() - start >= milliseconds) return false;
        Sleep(50);
    }
    return true;
}

std::uint64_t PeakMemory(DWORD id) {
    const kelocli::UniqueHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!process || !GetProcessMemoryInfo(process.Get(), &counters, sizeof counters)) return 0;
    return counters.PeakWorkingSetSize;
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

}  // namespace e2e
