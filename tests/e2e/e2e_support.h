// What the end-to-end tests share: a directory of generated test documents whose every pixel is
// known, documents opened through Dewey, memory device contexts, and the named sections.
#ifndef KELOCLI_TESTS_E2E_SUPPORT_H
#define KELOCLI_TESTS_E2E_SUPPORT_H

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bgra_canvas.h"
#include "image_writer.h"
#include "kelocli.h"

namespace e2e {

// The test documents, written once per process into a directory of its own, removed at exit.
struct TestFiles {
    std::string directory;
    std::string Path(const char* name) const { return directory + "\\" + name; }
    ~TestFiles();
};
const TestFiles& Files();

// A test environment that keeps one document open for the whole test program, so that the
// server process stays up between tests instead of ending and starting again for each.
testing::Environment* ServerKeeper();

// Image test documents are 13 x 9 pixels: odd, so that rows need padding at every depth.
constexpr int kImageWidth = 13;
constexpr int kImageHeight = 9;
// The colour of pixel (x, y) of the raster test documents of each depth (1, 4, 8, 24, 32).
COLORREF ExpectedColour(int bitsPerPixel, int x, int y);
// The metafile test document: 200 x 100 pixels, its left half red, its right half blue, a green
// square (20, 20)-(60, 60) in the left half.
constexpr int kDrawingWidth = 200;
constexpr int kDrawingHeight = 100;
constexpr COLORREF kDrawingLeft = RGB(200, 0, 0);
constexpr COLORREF kDrawingRight = RGB(0, 0, 200);
constexpr COLORREF kDrawingSquare = RGB(0, 160, 0);
// The model test document: a box from (0, 0, 0) to (2, 4, 6) and one line along its edge.

struct DeweyDeleter {
    void operator()(Dewey* document) const { delete document; }
};
using DocumentPtr = std::unique_ptr<Dewey, DeweyDeleter>;

// A new Dewey with the file opened; `result` receives Open's result.
DocumentPtr OpenDocument(const std::string& path, short* result = nullptr);
DWORD ServerProcessOf(Dewey& document);

// A 32-bit top-down memory DC filled with `fill`.
class MemoryTarget {
  public:
    MemoryTarget(int width, int height, COLORREF fill = RGB(255, 0, 255)) {
        canvas_.Create(width, height, fill);
    }
    HDC Dc() const { return canvas_.Dc(); }
    COLORREF At(int x, int y) const { return canvas_.At(x, y); }
    const std::uint32_t* Bits() const { return canvas_.Bits(); }
    int Width() const { return canvas_.Width(); }
    int Height() const { return canvas_.Height(); }

  private:
    kelocli::BgraCanvas canvas_;
};

// The bytes of a named section, empty when it cannot be opened.
std::vector<std::uint8_t> ReadSection(const char* name);
// Whether process `id` ends within `milliseconds` (true also when it is gone already).
bool WaitForProcessEnd(DWORD id, DWORD milliseconds);
// Whether two colours differ by at most `tolerance` in each channel.
bool Near(COLORREF a, COLORREF b, int tolerance);

// The image server's processes in this Wine session, and those of them that serve (a process
// started while another serves gives way without serving).
std::vector<DWORD> ServerProcesses();
std::vector<DWORD> ServingServers();
// Waits until no server process is left; false when one is still there after `milliseconds`.
bool WaitForNoServer(DWORD milliseconds);
// The largest working set process `id` has had, in bytes; 0 when it cannot be read.
std::uint64_t PeakMemory(DWORD id);
// Milliseconds the call takes.
template <typename Call>
DWORD Timed(Call&& call) {
    const DWORD start = GetTickCount();
    call();
    return GetTickCount() - start;
}

}  // namespace e2e

#endif
