// Writes the demonstration's sample documents into a directory: a photograph-like 24-bit JPEG,
// an 8-bit palette GIF, a 1-bit PNG, an enhanced metafile drawing, an OBJ model and a text page.
// Everything is computed here; nothing is downloaded.
//
//   make_samples DIRECTORY
#include <windows.h>
#include <objbase.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "bgra_canvas.h"
#include "image_writer.h"

namespace {

constexpr double kPi = 3.14159265358979;

// Smooth value noise and its fractal sum, for clouds, ridges and ripples.
double Hash(int x, int y) {
    unsigned h = static_cast<unsigned>(x) * 374761393u + static_cast<unsigned>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

double Noise(double x, double y) {
    const int ix = static_cast<int>(std::floor(x));
    const int iy = static_cast<int>(std::floor(y));
    const double fx = x - ix;
    const double fy = y - iy;
    const double sx = fx * fx * (3 - 2 * fx);
    const double sy = fy * fy * (3 - 2 * fy);
    const double top = Hash(ix, iy) + sx * (Hash(ix + 1, iy) - Hash(ix, iy));
    const double bottom = Hash(ix, iy + 1) + sx * (Hash(ix + 1, iy + 1) - Hash(ix, iy + 1));
    return top + sy * (bottom - top);
}

double Fractal(double x, double y, int octaves) {
    double sum = 0;
    double amplitude = 0.5;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * Noise(x, y);
        x *= 2.03;
        y *= 2.03;
        amplitude *= 0.5;
    }
    return sum;
}

struct Colour {
    double r, g, b;
};

Colour Mix(Colour a, Colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

BYTE Channel(double value) {
    return static_cast<BYTE>(value < 0 ? 0 : value > 255 ? 255 : value + 0.5);
}

// A harbour at sunset: sky, sun, clouds, two mountain ridges, water with reflections, a shore.
samples::Picture Photograph() {
    const int width = 720;
    const int height = 480;
    const double horizon = height * 0.62;
    const double sunX = width * 0.68;
    const double sunY = horizon - 38;
    samples::Picture picture(width, height, 24);
    picture.dpi = 300;

    auto sky = [&](double x, double y) {
        const double t = y / horizon;
        Colour c = Mix(Colour{28, 46, 102}, Colour{236, 136, 84}, std::pow(t, 1.6));
        const double d = std::hypot(x - sunX, (y - sunY) * 1.3);
        const double glow = std::exp(-d * d / (2 * 90.0 * 90.0));
        c = Mix(c, Colour{255, 214, 150}, glow * 0.85);
        if (d < 22) c = Mix(c, Colour{255, 246, 222}, std::min(1.0, (22 - d) / 3));
        // Clouds lit from below by the sun.
        const double cloud = Fractal(x / 140.0, y / 38.0, 5) - 0.52 + y / horizon * 0.12;
        if (cloud > 0 && y < horizon - 20) {
            const double amount = std::min(1.0, cloud * 5);
            const Colour lit =
                Mix(Colour{120, 70, 96}, Colour{255, 170, 120}, 0.4 + 0.6 * glow + t * 0.3);
            c = Mix(c, lit, amount * 0.8);
        }
        return c;
    };
    auto ridge = [&](double x, double scale, double base, double rise) {
        return base - rise * Fractal(x / scale, scale, 6);
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Colour c;
            const double farRidge = ridge(x, 180, horizon + 2, 120);
            const double nearRidge =
                ridge(x + 4000, 110, horizon + 2, 70) + (x < width * 0.45 ? 0 : 60);
            if (y < horizon) {
                c = sky(x, y);
                if (y > farRidge) c = Mix(Colour{96, 74, 110}, sky(x, y), 0.35);
                if (y > nearRidge)
                    c = Mix(Colour{44, 38, 60}, Colour{70, 56, 78}, (y - nearRidge) / 60);
            } else {
                // Water: the sky mirrored about the horizon, broken by ripples, darker with depth.
                const double depth = (y - horizon) / (height - horizon);
                const double ripple =
                    (Fractal(x / 60.0, y * y / 900.0, 4) - 0.5) * 40 * (0.3 + depth);
                const double mirrored = std::max(0.0, horizon - (y - horizon) * 1.4 - 1);
                c = sky(x + ripple, mirrored);
                if (mirrored > ridge(x + ripple, 180, horizon + 2, 120))
                    c = Mix(c, Colour{70, 54, 80}, 0.6);
                c = Mix(c, Colour{18, 30, 52}, 0.25 + 0.45 * depth);
                const double glitter =
                    std::exp(-std::pow((x + ripple * 1.5 - sunX) / (18 + 80 * depth), 2));
                if (Noise(x / 3.0, y / 1.5) > 0.62)
                    c = Mix(c, Colour{255, 226, 170}, glitter * 0.9);
            }
            // A dark shore in the lower left.
            const double shore =
                height - 70 + 60 * std::sin(x / 160.0) - Fractal(x / 25.0, 7.0, 4) * 40;
            if (x < width * 0.5 && y > shore + (x / (width * 0.5)) * 90) {
                c = Mix(Colour{30, 24, 22}, Colour{62, 48, 40}, Fractal(x / 9.0, y / 9.0, 3));
            }
            const double grain = (Hash(x * 7 + 1, y * 13 + 5) - 0.5) * 10;
            picture.SetColour(
                x, y, RGB(Channel(c.r + grain), Channel(c.g + grain), Channel(c.b + grain)));
        }
    }
    return picture;
}

// The Mandelbrot set in 256 colours: the palette is a smooth cycle, the pixels its indices.
samples::Picture PaletteImage() {
    const int width = 480;
    const int height = 360;
    samples::Picture picture(width, height, 8);
    for (int i = 0; i < 256; ++i) {
        const double t = i / 255.0;
        RGBQUAD q = {};
        q.rgbRed = Channel(127.5 * (1 + std::sin(2 * kPi * (t * 3 + 0.0))));
        q.rgbGreen = Channel(127.5 * (1 + std::sin(2 * kPi * (t * 3 + 0.33))));
        q.rgbBlue = Channel(127.5 * (1 + std::sin(2 * kPi * (t * 3 + 0.67))));
        picture.palette.push_back(q);
    }
    picture.palette[0] = RGBQUAD{20, 10, 10, 0};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double cr = -2.1 + 2.8 * x / width;
            const double ci = -1.05 + 2.1 * y / height;
            double zr = 0;
            double zi = 0;
            int n = 0;
            while (n < 400 && zr * zr + zi * zi < 4) {
                const double t = zr * zr - zi * zi + cr;
                zi = 2 * zr * zi + ci;
                zr = t;
                ++n;
            }
            picture.SetIndex(x, y, n == 400 ? 0u : static_cast<unsigned>(1 + (n * 5) % 255));
        }
    }
    return picture;
}

// A 1-bit print: a lit sphere and a title, dithered with an 8 x 8 Bayer matrix.
samples::Picture OneBitImage() {
    const int width = 400;
    const int height = 300;
    // Grey levels drawn with GDI first (for the text), then shaded and dithered.
    kelocli::BgraCanvas canvas;
    canvas.Create(width, height, RGB(255, 255, 255));
    HDC dc = canvas.Dc();
    std::uint32_t* pixels = canvas.Bits();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double grey = 0.85 - 0.5 * y / height;
            const double dx = (x - 200) / 95.0;
            const double dy = (y - 165) / 95.0;
            const double r2 = dx * dx + dy * dy;
            if (r2 < 1) {
                const double nz = std::sqrt(1 - r2);
                grey = std::max(0.05, -0.5 * dx - 0.6 * dy + 0.62 * nz);
            } else if (std::hypot(x - 230.0, (y - 262.0) * 3.5) < 100) {
                grey = 0.25;  // the sphere's shadow
            }
            const BYTE v = Channel(grey * 255);
            pixels[y * width + x] = RGB(v, v, v);
        }
    }
    HFONT font = CreateFontW(-42, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                             NONANTIALIASED_QUALITY, 0, L"DejaVu Serif");
    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    RECT title = {0, 12, width, 60};
    DrawTextW(dc, L"PIMBAX", -1, &title, DT_CENTER | DT_TOP | DT_SINGLELINE);
    HPEN pen = CreatePen(PS_SOLID, 3, RGB(0, 0, 0));
    SelectObject(dc, pen);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, 4, 4, width - 4, height - 4);
    GdiFlush();
    static const int bayer[8][8] = {
        {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
        {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
        {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
        {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};
    samples::Picture picture(width, height, 1);
    picture.palette = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int grey = static_cast<int>(pixels[y * width + x] & 0xFF);
            picture.SetIndex(x, y, grey * 64 / 256 > bayer[y & 7][x & 7] ? 1u : 0u);
        }
    }
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    SelectObject(dc, GetStockObject(BLACK_PEN));
    DeleteObject(font);
    DeleteObject(pen);
    return picture;
}

// A site plan: grid, a building with its rooms, trees, a path, labels, a compass and a scale.
void DrawPlan(HDC dc) {
    auto brush = [](COLORREF colour) { return CreateSolidBrush(colour); };
    const RECT all = {0, 0, 640, 480};
    HBRUSH paper = brush(RGB(250, 248, 240));
    FillRect(dc, &all, paper);
    DeleteObject(paper);
    HPEN grid = CreatePen(PS_SOLID, 1, RGB(218, 226, 236));
    SelectObject(dc, grid);
    for (int x = 0; x <= 640; x += 20) {
        MoveToEx(dc, x, 0, nullptr);
        LineTo(dc, x, 480);
    }
    for (int y = 0; y <= 480; y += 20) {
        MoveToEx(dc, 0, y, nullptr);
        LineTo(dc, 640, y);
    }
    // Lawn and path.
    HBRUSH lawn = brush(RGB(200, 228, 180));
    HPEN none = static_cast<HPEN>(GetStockObject(NULL_PEN));
    SelectObject(dc, none);
    SelectObject(dc, lawn);
    RoundRect(dc, 30, 250, 610, 450, 40, 40);
    HPEN path = CreatePen(PS_SOLID, 18, RGB(214, 196, 160));
    SelectObject(dc, path);
    const POINT curve[] = {{40, 440}, {200, 300}, {330, 460}, {470, 330}};
    PolyBezier(dc, curve, 4);
    // The building: walls, rooms, hatched garage.
    HPEN wall = CreatePen(PS_SOLID, 6, RGB(60, 60, 70));
    HBRUSH floor = brush(RGB(236, 222, 200));
    SelectObject(dc, wall);
    SelectObject(dc, floor);
    const POINT outline[] = {{120, 60}, {420, 60}, {420, 140}, {500, 140}, {500, 240}, {120, 240}};
    Polygon(dc, outline, 6);
    HPEN inner = CreatePen(PS_SOLID, 3, RGB(90, 90, 100));
    SelectObject(dc, inner);
    MoveToEx(dc, 260, 60, nullptr);
    LineTo(dc, 260, 240);
    MoveToEx(dc, 120, 150, nullptr);
    LineTo(dc, 260, 150);
    HBRUSH hatch = CreateHatchBrush(HS_BDIAGONAL, RGB(150, 120, 90));
    SelectObject(dc, hatch);
    Rectangle(dc, 420, 140, 500, 240);
    // Trees.
    HPEN trunk = CreatePen(PS_SOLID, 2, RGB(40, 90, 40));
    SelectObject(dc, trunk);
    const POINT trees[] = {{560, 80}, {580, 300}, {90, 300}, {330, 400}, {520, 420}};
    int size = 26;
    for (const POINT& tree : trees) {
        HBRUSH leaves = brush(RGB(70, 150 + size, 80));
        SelectObject(dc, leaves);
        Ellipse(dc, tree.x - size, tree.y - size, tree.x + size, tree.y + size);
        DeleteObject(leaves);
        size = size == 26 ? 20 : 26;
    }
    // Labels.
    SetBkMode(dc, TRANSPARENT);
    HFONT label = CreateFontW(-18, 0, 0, 0, FW_SEMIBOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                              ANTIALIASED_QUALITY, 0, L"DejaVu Sans");
    SelectObject(dc, label);
    SetTextColor(dc, RGB(40, 40, 60));
    TextOutW(dc, 150, 95, L"Studio", 6);
    TextOutW(dc, 150, 185, L"Kitchen", 7);
    TextOutW(dc, 300, 140, L"Hall", 4);
    TextOutW(dc, 428, 245, L"Garage", 6);
    HFONT title = CreateFontW(-26, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                              ANTIALIASED_QUALITY, 0, L"DejaVu Serif");
    SelectObject(dc, title);
    SetTextColor(dc, RGB(120, 30, 30));
    TextOutW(dc, 24, 14, L"Harbour Lane 7", 14);
    // Compass and scale bar.
    HBRUSH needle = brush(RGB(190, 40, 40));
    HPEN thin = CreatePen(PS_SOLID, 2, RGB(40, 40, 40));
    SelectObject(dc, thin);
    SelectObject(dc, needle);
    const POINT north[] = {{580, 150}, {592, 200}, {580, 190}, {568, 200}};
    Polygon(dc, north, 4);
    SelectObject(dc, label);
    TextOutW(dc, 574, 124, L"N", 1);
    MoveToEx(dc, 40, 465, nullptr);
    LineTo(dc, 140, 465);
    for (int x = 40; x <= 140; x += 50) {
        MoveToEx(dc, x, 458, nullptr);
        LineTo(dc, x, 472);
    }
    for (HGDIOBJ object :
         {static_cast<HGDIOBJ>(grid), static_cast<HGDIOBJ>(lawn), static_cast<HGDIOBJ>(path),
          static_cast<HGDIOBJ>(wall), static_cast<HGDIOBJ>(floor), static_cast<HGDIOBJ>(inner),
          static_cast<HGDIOBJ>(hatch), static_cast<HGDIOBJ>(trunk), static_cast<HGDIOBJ>(label),
          static_cast<HGDIOBJ>(title), static_cast<HGDIOBJ>(needle), static_cast<HGDIOBJ>(thin)}) {
        SelectObject(dc, GetStockObject(NULL_PEN));
        SelectObject(dc, GetStockObject(NULL_BRUSH));
        SelectObject(dc, GetStockObject(SYSTEM_FONT));
        DeleteObject(object);
    }
}

// A lighthouse on an island: sea, island, beach, a striped tower with lantern and roof, a cottage,
// and the beams of the light as lines. The server colours groups by their order: the names here
// follow it (sea, roofs, island, beach, walls, red, lantern, cap).
std::string Lighthouse() {
    std::string text = "# lighthouse on an island\n";
    int vertices = 0;
    char line[160];
    auto vertex = [&](double x, double y, double z) {
        std::snprintf(line, sizeof line, "v %.4f %.4f %.4f\n", x, y, z);
        text += line;
        return ++vertices;
    };
    auto face = [&](std::initializer_list<int> indices) {
        text += "f";
        for (int i : indices) text += " " + std::to_string(i);
        text += "\n";
    };
    auto group = [&](const char* name) { text += std::string("g ") + name + "\n"; };
    // A ring of n points at height z, radius r, around (cx, cy).
    auto ring = [&](double cx, double cy, double r, double z, int n) {
        const int first = vertices + 1;
        for (int i = 0; i < n; ++i) {
            vertex(cx + r * std::cos(2 * kPi * i / n), cy + r * std::sin(2 * kPi * i / n), z);
        }
        return first;
    };
    auto band = [&](int lower, int upper, int n) {
        for (int i = 0; i < n; ++i) {
            const int j = (i + 1) % n;
            face({lower + i, lower + j, upper + j, upper + i});
        }
    };
    auto cap = [&](int first, int n) {
        text += "f";
        for (int i = 0; i < n; ++i) text += " " + std::to_string(first + i);
        text += "\n";
    };

    group("sea");  // blue
    const int sea = vertex(-21, -21, 0);
    vertex(21, -21, 0);
    vertex(21, 21, 0);
    vertex(-21, 21, 0);
    face({sea, sea + 1, sea + 2, sea + 3});
    group("roofs");  // terracotta, filled in below
    const int cottage = vertex(4, -6, 1.2);
    vertex(9, -6, 1.2);
    vertex(9, -2, 1.2);
    vertex(4, -2, 1.2);
    const int cottageTop = vertex(4, -6, 3.2);
    vertex(9, -6, 3.2);
    vertex(9, -2, 3.2);
    vertex(4, -2, 3.2);
    const int ridgeA = vertex(4, -4, 4.6);
    const int ridgeB = vertex(9, -4, 4.6);
    face({cottageTop, cottageTop + 1, ridgeB, ridgeA});
    face({cottageTop + 2, cottageTop + 3, ridgeA, ridgeB});
    face({cottageTop + 1, cottageTop + 2, ridgeB});
    face({cottageTop + 3, cottageTop, ridgeA});
    group("island");  // green
    const int islandTop = ring(0, 0, 14, 1.2, 24);
    cap(islandTop, 24);
    group("beach");  // sand
    const int shore = ring(0, 0, 17, 0.05, 24);
    band(shore, islandTop, 24);
    group("walls");  // white
    band(cottage, cottageTop, 4);
    const double stripe = 2.2;
    for (int level = 0; level < 6; ++level) {
        group(level % 2 == 0 ? "walls" : "red");  // alternating white and red stripes
        const double r0 = 2.6 - level * 0.18;
        const int lower = ring(-3, 3, r0, 1.2 + level * stripe, 16);
        const int upper = ring(-3, 3, r0 - 0.18, 1.2 + (level + 1) * stripe, 16);
        band(lower, upper, 16);
    }
    group("lantern");
    const int lanternBase = ring(-3, 3, 1.6, 14.4, 12);
    const int lanternTop = ring(-3, 3, 1.6, 16.0, 12);
    band(lanternBase, lanternTop, 12);
    group("cap");
    const int tip = vertex(-3, 3, 18.2);
    for (int i = 0; i < 12; ++i) face({lanternTop + i, lanternTop + (i + 1) % 12, tip});
    // Beams of light.
    const int lamp = vertex(-3, 3, 15.2);
    const int beamA = vertex(-20, 12, 13.0);
    const int beamB = vertex(-18, 18, 13.5);
    text += "l " + std::to_string(beamA) + " " + std::to_string(lamp) + " " +
            std::to_string(beamB) + "\n";
    // A fence around the cottage as one polyline.
    const int fence = vertex(3, -7, 1.2);
    vertex(10, -7, 1.2);
    vertex(10, -1, 1.2);
    vertex(3, -1, 1.2);
    text += "l " + std::to_string(fence) + " " + std::to_string(fence + 1) + " " +
            std::to_string(fence + 2) + " " + std::to_string(fence + 3) + " " +
            std::to_string(fence) + "\n";
    return text;
}

const char kLetter[] =
    "Harbour Lane 7\r\n"
    "\r\n"
    "Dear reader,\r\n"
    "\r\n"
    "This page is a plain text file. The image server lays it out as a page: words wrap at the "
    "margins, paragraphs keep their breaks, and the whole page can be painted at any scale, "
    "rasterized for the screen, copied to the clipboard as a metafile, or set in another font.\r\n"
    "\r\n"
    "\tA tab indents this line, and long words such as "
    "Donaudampfschifffahrtsgesellschaftskapitaensmuetze are broken where they must be.\r\n"
    "\r\n"
    "The other samples beside it show a photograph of the harbour at dusk, a palette image of the "
    "Mandelbrot set, a one-bit print, a site plan drawn as a metafile, and a lighthouse built from "
    "a few hundred polygons.\r\n"
    "\r\n"
    "With kind regards,\r\n"
    "the demonstration\r\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: make_samples DIRECTORY\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const std::string directory = argv[1];
    CreateDirectoryA(directory.c_str(), nullptr);
    auto path = [&](const char* name) {
        const std::string full = directory + "\\" + name;
        return std::wstring(full.begin(), full.end());
    };
    int failures = 0;
    auto check = [&](bool done, const char* name) {
        std::printf("  %-16s %s\n", name, done ? "written" : "FAILED");
        failures += done ? 0 : 1;
    };
    check(SUCCEEDED(samples::WritePicture(path("harbour.jpg"), Photograph())), "harbour.jpg");
    check(SUCCEEDED(samples::WritePicture(path("mandelbrot.gif"), PaletteImage())),
          "mandelbrot.gif");
    check(SUCCEEDED(samples::WritePicture(path("sphere.png"), OneBitImage())), "sphere.png");
    check(samples::WriteMetafile(path("siteplan.emf"), 640, 480, DrawPlan), "siteplan.emf");
    check(samples::WriteBytes(path("lighthouse.obj"), Lighthouse()), "lighthouse.obj");
    check(samples::WriteBytes(path("letter.txt"), kLetter), "letter.txt");
    CoUninitialize();
    return failures;
}
