// Demonstration host: opens each sample document through Dewey, prints what the image server
// reports about it, paints it through the library into a memory DC and writes that view as a PNG,
// prints one page of it through Dewey::Print on a PostScript printer whose port is a file (the
// page kept as OUT\<sample>-print.ps), and shows the first sample in the image-only window, whose
// screen it keeps as OUT\<sample>-imageonly.png.
//
//   kelodemo SAMPLES OUT     the sample directory (from make_samples) and the output directory
//   kelodemo                 only reports whether a server answered
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "bgra_canvas.h"
#include "file_printer.h"
#include "image_writer.h"
#include "kelocli.h"

namespace {

constexpr int kMaxViewWidth = 480;
constexpr int kMaxViewHeight = 360;

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return (to.QuadPart - from.QuadPart) * 1000.0 / frequency.QuadPart;
}

LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

// A 32-bit memory DC to paint into, saved as a PNG.
class Snapshot {
  public:
    Snapshot(int width, int height) { canvas_.Create(width, height, RGB(255, 255, 255)); }
    HDC Dc() const { return canvas_.Dc(); }
    bool Save(const std::string& path) const {
        GdiFlush();
        return SUCCEEDED(samples::WriteBgraAsPng(std::wstring(path.begin(), path.end()),
                                                 canvas_.Bits(), canvas_.Width(),
                                                 canvas_.Height()));
    }

  private:
    kelocli::BgraCanvas canvas_;
};

const char* KindName(Dewey& document) {
    if (document.IsRaster()) return "raster";
    if (document.IsVector()) return "vector";
    return "other";
}

// The view size: the document fitted into kMaxViewWidth x kMaxViewHeight, aspect kept.
SIZE ViewSize(long width, long height) {
    if (width <= 0 || height <= 0) return {kMaxViewWidth, kMaxViewHeight};
    const double scale = std::min(static_cast<double>(kMaxViewWidth) / width,
                                  static_cast<double>(kMaxViewHeight) / height);
    return {std::max(1L, std::lround(width * scale)), std::max(1L, std::lround(height * scale))};
}

// Paints `source` (document pixels) into a memory DC of `size` and writes it as a PNG; the
// paint's time in `took`.
short PaintPart(Dewey& document, RECT source, SIZE size, const std::string& path, double* took) {
    Snapshot snapshot(size.cx, size.cy);
    Huey view(&document);
    view.AttachWindow(nullptr, snapshot.Dc());
    RECT target = {0, 0, size.cx, size.cy};
    const LARGE_INTEGER start = Now();
    const short painted = view.Paint(&source, &target);
    *took = Milliseconds(start, Now());
    if (painted == 0 && !snapshot.Save(path)) return -100;
    return painted;
}

// The whole document, fitted.
short PaintView(Dewey& document, long width, long height, const std::string& path, double* took) {
    return PaintPart(document, RECT{0, 0, width, height}, ViewSize(width, height), path, took);
}

bool SaveCanvas(const kelocli::BgraCanvas& canvas, const std::string& path) {
    return SUCCEEDED(samples::WriteBgraAsPng(std::wstring(path.begin(), path.end()), canvas.Bits(),
                                             canvas.Width(), canvas.Height()));
}

// Prints the whole document on one page, fitted into the printable area less half an inch all
// round, and keeps the page as `path`. Dewey::Print's result, or -100 when the page could not be
// printed or kept.
short PrintDocument(Dewey& document, long width, long height, const samples::FilePrinter& printer,
                    const std::string& path) {
    short printed = -100;
    const bool paged = printer.PrintPage(L"kelodemo", [&](HDC dc) {
        const int margin = GetDeviceCaps(dc, LOGPIXELSX) / 2;
        const int room = GetDeviceCaps(dc, HORZRES) - 2 * margin;
        const int roomHeight = GetDeviceCaps(dc, VERTRES) - 2 * margin;
        const double scale = width > 0 && height > 0
                                 ? std::min(static_cast<double>(room) / width,
                                            static_cast<double>(roomHeight) / height)
                                 : 1.0;
        RECT part = {0, 0, width, height};
        RECT area = {margin, margin, margin + static_cast<LONG>(width * scale),
                     margin + static_cast<LONG>(height * scale)};
        printed = document.Print(dc, &part, &area);  // the host started the page; the area is
                                                     // in the printer's device units
    });
    if (!paged) return -100;
    const std::wstring kept(path.begin(), path.end());
    if (!MoveFileExW(printer.Port().c_str(), kept.c_str(), MOVEFILE_REPLACE_EXISTING)) return -100;
    return printed;
}

// Shows the document in the image-only window; another thread keeps the screen once the picture
// has settled and then dismisses the window with a key press, as a user would.
bool ShowImageOnly(Dewey& document, const std::string& path) {
    bool kept = false;
    std::thread watcher([&] {
        HWND window = nullptr;
        for (int i = 0; i < 100 && (window = FindWindowA("ImageOnly", "ImageOnly")) == nullptr;
             ++i) {
            Sleep(50);
        }
        if (window == nullptr) return;
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);  // for writing the PNG
        // Settled: two looks 200 ms apart agree, and the middle of the screen is not black.
        kelocli::BgraCanvas previous;
        kelocli::BgraCanvas screen;
        for (int i = 0; i < 25 && !kept; ++i) {
            Sleep(200);
            if (!screen.CaptureScreen()) continue;
            const bool painted = screen.At(screen.Width() / 2, screen.Height() / 2) != 0;
            kept = painted && previous.Width() == screen.Width() &&
                   std::equal(screen.Bits(), screen.Bits() + screen.Width() * screen.Height(),
                              previous.Bits()) &&
                   SaveCanvas(screen, path);
            if (!kept) previous.CaptureScreen();
        }
        INPUT key[2] = {};
        key[0].type = key[1].type = INPUT_KEYBOARD;
        key[0].ki.wVk = key[1].ki.wVk = VK_ESCAPE;
        key[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, key, sizeof(INPUT));
        // Should the key not reach it, the window's own end signal does.
        for (int i = 0; i < 40 && IsWindow(window); ++i) Sleep(50);
        if (IsWindow(window)) PostMessageA(window, WM_USER, 0, 0);
        CoUninitialize();
    });
    Huey view(&document);
    view.ImageOnly();
    watcher.join();
    return kept;
}

struct Sample {
    const char* file;
    const char* what;
};

const Sample kSamples[] = {
    {"harbour.jpg", "24-bit photograph"}, {"mandelbrot.gif", "8-bit palette image"},
    {"sphere.png", "1-bit print"},        {"siteplan.emf", "metafile drawing"},
    {"lighthouse.obj", "3D model"},       {"letter.txt", "text page"},
};

int Report() {
    Dewey* document = new Dewey;
    long serverProcess = 0;
    long serverThread = 0;
    document->GetProcessID(&serverProcess, &serverThread);
    if (serverProcess != 0) {
        std::printf("kelodemo: the image server answered (process %ld, main thread %ld)\n",
                    serverProcess, serverThread);
    } else {
        std::printf("kelodemo: no image server is registered; every call answers its default\n");
    }
    delete document;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return Report();
    const std::string samples = argv[1];
    const std::string out = argv[2];
    CreateDirectoryA(out.c_str(), nullptr);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    const LARGE_INTEGER start = Now();
    Dewey* keeper = new Dewey;  // starts the server and keeps it up for the whole run
    const double startup = Milliseconds(start, Now());
    long serverProcess = 0;
    long serverThread = 0;
    keeper->GetProcessID(&serverProcess, &serverThread);
    if (serverProcess == 0) {
        std::printf("kelodemo: no image server answered; register it with pimbaxsrv /RegServer\n");
        delete keeper;
        return 1;
    }
    std::printf("image server: process %ld, started and connected in %.0f ms\n\n", serverProcess,
                startup);
    std::printf("%-15s %-20s %-6s %-10s %4s %4s  %-14s %s\n", "document", "sample", "kind", "size",
                "bits", "dpi", "image section", "more");

    const std::string port = out + "\\print-port.ps";
    const samples::FilePrinter printer(L"Kelocli Demo Printer",
                                       std::wstring(port.begin(), port.end()));
    if (!printer.Valid()) {
        std::printf("kelodemo: the file printer could not be added\n");
        delete keeper;
        return 1;
    }
    int failures = 0;
    std::string timings;
    std::string pages;
    for (const Sample& sample : kSamples) {
        const std::string path = samples + "\\" + sample.file;
        Dewey* document = new Dewey;
        const short opened = document->Open(const_cast<char*>(path.c_str()));
        long width = 0;
        long height = 0;
        short horizontal = 0;
        short vertical = 0;
        short depth = 0;
        document->GetInfo(&width, &height, &horizontal, &vertical, &depth);
        char section[21] = {};
        document->GetSectionName(section);
        std::string more;
        double p[6] = {};
        double c[6] = {};
        char text[80];
        if (document->GetPointOfView(&p[0], &p[1], &p[2], &p[3], &p[4], &p[5]) == 0 &&
            document->Get3DInfo(&c[0], &c[1], &c[2], &c[3], &c[4], &c[5]) == 0 &&
            document->IsVector()) {
            std::snprintf(text, sizeof text, "centre (%.1f, %.1f, %.1f) extents %.1f x %.1f x %.1f",
                          c[0], c[1], c[2], c[3], c[4], c[5]);
            more = text;
        }
        char font[21] = {};
        if (document->GetFontInfo(font) == 0) more = std::string("font ") + font;
        char palette[21] = {};
        if (more.empty() && document->GetPaletteInfo(palette) == 0)
            more = std::string("palette ") + palette;
        char size[24];
        std::snprintf(size, sizeof size, "%ldx%ld", width, height);
        std::printf("%-15s %-20s %-6s %-10s %4d %4d  %-14s %s\n", sample.file, sample.what,
                    KindName(*document), size, depth, horizontal, section, more.c_str());
        if (opened != 0) {
            std::printf("  open failed: %d\n", opened);
            ++failures;
            delete document;
            continue;
        }
        std::string name = sample.file;
        name.resize(name.find('.'));
        double took = 0;
        const short painted =
            PaintView(*document, width, height, out + "\\" + name + ".png", &took);
        if (painted != 0) {
            std::printf("  paint failed: %d\n", painted);
            ++failures;
        }
        std::snprintf(text, sizeof text, "  %-15s painted in %.1f ms\n", sample.file, took);
        timings += text;
        // A page at its own size: the top of the text, where the fitted view is too small to read.
        if (document->IsEntity()) {
            const RECT top = {64, 64, 64 + kMaxViewWidth, 64 + kMaxViewHeight};
            if (PaintPart(*document, top, SIZE{kMaxViewWidth, kMaxViewHeight},
                          out + "\\" + name + "-detail.png", &took) != 0) {
                ++failures;
            }
        }
        // The model once more, seen from the other side and higher up.
        if (!more.empty() && more.compare(0, 6, "centre") == 0) {
            const double yaw = p[3] + 2.2;
            const double pitch = -0.75;
            const double distance =
                std::sqrt((p[0] - c[0]) * (p[0] - c[0]) + (p[1] - c[1]) * (p[1] - c[1]) +
                          (p[2] - c[2]) * (p[2] - c[2]));
            const double dir[3] = {std::cos(yaw) * std::cos(pitch), std::sin(yaw) * std::cos(pitch),
                                   std::sin(pitch)};
            Huey view(document);
            view.SetPointOfView(c[0] - distance * dir[0], c[1] - distance * dir[1],
                                c[2] - distance * dir[2], yaw, pitch, 0.0, 0);
            if (PaintView(*document, width, height, out + "\\" + name + "-above.png", &took) != 0) {
                ++failures;
            }
        }
        // The first sample alone on the screen, before printing may have changed it.
        if (&sample == &kSamples[0] &&
            !ShowImageOnly(*document, out + "\\" + name + "-imageonly.png")) {
            std::printf("  image-only window not kept\n");
            ++failures;
        }
        // One printed page; printing may rasterize or reduce the document on the server.
        const short printed =
            PrintDocument(*document, width, height, printer, out + "\\" + name + "-print.ps");
        if (printed != 0) {
            std::printf("  print failed: %d\n", printed);
            ++failures;
        }
        long printedWidth = 0;
        long printedHeight = 0;
        short printedDepth = 0;
        document->GetInfo(&printedWidth, &printedHeight, nullptr, nullptr, &printedDepth);
        std::snprintf(text, sizeof text, "  %-15s printed %s as %ldx%ld at %d bits\n", sample.file,
                      document->IsVector() ? "through a metafile" : "from the image section",
                      printedWidth, printedHeight, printedDepth);
        pages += text;
        delete document;
    }

    // Round trips: a query that does nothing but answer.
    const int calls = 200;
    const LARGE_INTEGER before = Now();
    for (int i = 0; i < calls; ++i) keeper->IsRaster();
    const double roundTrip = Milliseconds(before, Now()) / calls;
    std::printf("\n%s", timings.c_str());
    std::printf("  one call round trip: %.2f ms (mean of %d)\n", roundTrip, calls);
    std::printf("\nprinted pages (Dewey::Print on the file printer):\n%s", pages.c_str());
    std::printf("\nviews and pages written to %s\n", out.c_str());
    delete keeper;
    CoUninitialize();
    return failures;
}
