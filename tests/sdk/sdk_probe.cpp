// What the SDK test looks at from inside Wine:
//
//   sdk_probe picture FILE             writes the test picture: four coloured quadrants
//   sdk_probe window                   waits for minimal-host's window to show that picture fitted
//                                      into its client area, then closes the window
//   sdk_probe versions VERSION FILE... checks each binary's VERSIONINFO resource
//
// Exit code 0 when all is as expected; what differs is printed.
#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "image_writer.h"

namespace {

// Larger both ways than any window on the 1024 x 768 display, so that it is always shrunk; the
// window is wider than tall, so the height limits and fitting the width would show another part.
constexpr int kPictureWidth = 1200;
constexpr int kPictureHeight = 1000;
constexpr COLORREF kQuadrants[2][2] = {{RGB(220, 30, 30), RGB(30, 160, 60)},
                                       {RGB(40, 60, 200), RGB(240, 200, 40)}};
constexpr DWORD kWindowWaitMs = 30000;

int WritePicture(const wchar_t* path) {
    samples::Picture picture(kPictureWidth, kPictureHeight, 24);
    for (int y = 0; y < kPictureHeight; ++y) {
        for (int x = 0; x < kPictureWidth; ++x) {
            picture.SetColour(x, y, kQuadrants[2 * y / kPictureHeight][2 * x / kPictureWidth]);
        }
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const HRESULT written = samples::WritePicture(path, picture);
    CoUninitialize();
    if (FAILED(written)) std::printf("cannot write the picture: %08lx\n", written);
    return FAILED(written) ? 1 : 0;
}

struct Expectation {
    POINT at;  // client coordinates
    COLORREF colour;
};

// Where the fitted picture must show: at the client's top left, scaled to the client's width or
// height (whichever limits), its aspect kept, the window's background beyond it.
std::vector<Expectation> FittedPicture(const RECT& client) {
    const long w = client.right, h = client.bottom;
    const bool widthLimits = w * kPictureHeight < kPictureWidth * h;
    const long shownW = widthLimits ? w : kPictureWidth * h / kPictureHeight;
    const long shownH = widthLimits ? w * kPictureHeight / kPictureWidth : h;
    std::vector<Expectation> points;
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 2; ++column) {
            points.push_back({{(2 * column + 1) * shownW / 4, (2 * row + 1) * shownH / 4},
                              kQuadrants[row][column]});
        }
    }
    // The picture's last pixels and the background just past them, on the side it does not fill.
    const COLORREF background = GetSysColor(COLOR_WINDOW);
    if (widthLimits && shownH + 2 < h) {
        points.push_back({{shownW / 4, shownH - 2}, kQuadrants[1][0]});
        points.push_back({{shownW / 4, shownH + 2}, background});
    } else if (!widthLimits && shownW + 2 < w) {
        points.push_back({{shownW - 2, shownH / 4}, kQuadrants[0][1]});
        points.push_back({{shownW + 2, shownH / 4}, background});
    }
    return points;
}

// What the screen shows of the window's client area at the expected points; true when all match.
bool ShowsFittedPicture(HWND window, bool report) {
    RECT client;
    if (!GetClientRect(window, &client) || client.right < 8 || client.bottom < 8) return false;
    HDC screen = GetDC(nullptr);
    bool all = true;
    for (const Expectation& point : FittedPicture(client)) {
        POINT at = point.at;
        ClientToScreen(window, &at);
        const COLORREF seen = GetPixel(screen, at.x, at.y);
        if (seen != point.colour) {
            all = false;
            if (report) {
                std::printf("client %ldx%ld, at (%ld, %ld): expected %06lx, seen %06lx\n",
                            client.right, client.bottom, point.at.x, point.at.y, point.colour,
                            seen);
            }
        }
    }
    ReleaseDC(nullptr, screen);
    return all;
}

int CheckWindow() {
    const DWORD start = GetTickCount();
    HWND window = nullptr;
    while (GetTickCount() - start < kWindowWaitMs) {
        if (!window) window = FindWindowA("KelocliMinimalHost", nullptr);
        if (window && ShowsFittedPicture(window, false)) {
            std::printf("minimal-host shows the picture fitted after %lu ms\n",
                        GetTickCount() - start);
            PostMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        }
        Sleep(100);
    }
    if (!window) {
        std::printf("no minimal-host window within %lu ms\n", kWindowWaitMs);
        return 1;
    }
    ShowsFittedPicture(window, true);
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 1;
}

std::wstring StringValue(const std::vector<BYTE>& info, const wchar_t* name) {
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || length == 0) return L"";
    return static_cast<const wchar_t*>(value);
}

bool CheckVersion(const wchar_t* version, const wchar_t* path) {
    unsigned major = 0, minor = 0, patch = 0;
    std::swscanf(version, L"%u.%u.%u", &major, &minor, &patch);
    const DWORD size = GetFileVersionInfoSizeW(path, nullptr);
    std::vector<BYTE> info(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoW(path, 0, size, info.data()) ||
        !VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length)) {
        std::printf("%ls: no version information\n", path);
        return false;
    }
    const std::wstring name =
        std::wstring(path).substr(std::wstring(path).find_last_of(L"\\/") + 1);
    const std::wstring description = StringValue(info, L"FileDescription");
    const bool ok = fixed->dwFileVersionMS == (major << 16 | minor) &&
                    fixed->dwFileVersionLS == patch << 16 &&
                    fixed->dwProductVersionMS == fixed->dwFileVersionMS &&
                    fixed->dwProductVersionLS == fixed->dwFileVersionLS &&
                    StringValue(info, L"FileVersion") == version &&
                    StringValue(info, L"ProductVersion") == version &&
                    StringValue(info, L"ProductName") == L"kelocli" &&
                    StringValue(info, L"OriginalFilename") == name && !description.empty();
    std::printf("%ls: %u.%u.%u.%u \"%ls\" \"%ls\" %ls\n", name.c_str(),
                HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS),
                StringValue(info, L"ProductName").c_str(), description.c_str(),
                ok ? L"" : L"(differs)");
    return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"picture" && argc == 3) return WritePicture(argv[2]);
    if (mode == L"window" && argc == 2) return CheckWindow();
    if (mode == L"versions" && argc > 3) {
        bool all = true;
        for (int i = 3; i < argc; ++i) all = CheckVersion(argv[2], argv[i]) && all;
        return all ? 0 : 1;
    }
    std::printf("usage: sdk_probe picture FILE | window | versions VERSION FILE...\n");
    return 2;
}
