// The image-only window against the real server on the session's display (Xvfb, 1024 x 768):
// what the screen shows while it is up, the real input (xdotool) that ends it, and what it leaves
// behind. The window runs its modal loop on the test's thread; a watcher thread looks at the
// screen and sends the input.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "e2e_support.h"
#include "linux_tools.h"
#include "packed_dib.h"

namespace {

const testing::Environment* const keeper = testing::AddGlobalTestEnvironment(e2e::ServerKeeper());

using e2e::DocumentPtr;
using Command = std::vector<std::string>;

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
constexpr COLORREF kBlack = RGB(0, 0, 0);

HWND FindImageOnlyWindow() {
    HWND window = FindWindowA("ImageOnly", "ImageOnly");
    DWORD process = 0;
    if (window != nullptr) GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId() ? window : nullptr;
}

// Polls `done` every 50 ms for at most `milliseconds`; whether it came true.
bool WaitFor(const std::function<bool()>& done, DWORD milliseconds) {
    for (DWORD waited = 0;; waited += 50) {
        if (done()) return true;
        if (waited >= milliseconds) return false;
        Sleep(50);
    }
}

// Shows the document's image-only window on this thread while `watch` runs on another with the
// window (null when none came up within 5 s). A window the watcher leaves up is ended with
// WM_USER so that no run can hang; `leftUp` tells whether that was needed.
void ShowWhile(Dewey& document, const std::function<void(HWND)>& watch, bool* leftUp) {
    *leftUp = false;
    std::thread watcher([&] {
        HWND window = nullptr;
        WaitFor([&] { return (window = FindImageOnlyWindow()) != nullptr; }, 5000);
        watch(window);
        if (window != nullptr && !WaitFor([&] { return !IsWindow(window); }, 3000)) {
            *leftUp = true;
            PostMessageA(window, WM_USER, 0, 0);
        }
    });
    Huey view(&document);
    view.ImageOnly();
    watcher.join();
}

// --- What the screen shows ------------------------------------------------------------------

struct Shown {
    const char* file;
    RECT fitted;  // on the 1024 x 768 screen
    // Whether the screen shows the document inside the fitted rectangle.
    std::function<bool(const kelocli::BgraCanvas&)> showsDocument;
};

bool BlackOutside(const kelocli::BgraCanvas& screen, const RECT& fitted) {
    for (int y = 0; y < kScreenHeight; y += 4) {
        for (int x = 0; x < kScreenWidth; x += 4) {
            const bool inside =
                x >= fitted.left && x < fitted.right && y >= fitted.top && y < fitted.bottom;
            if (!inside && screen.At(x, y) != kBlack) return false;
        }
    }
    return true;
}

// The 13 x 9 test image grown into (0, 30, 1024, 738): the middle of each block is its pixel.
bool ShowsRasterBlocks(const kelocli::BgraCanvas& screen) {
    for (int y = 0; y < e2e::kImageHeight; ++y) {
        for (int x = 0; x < e2e::kImageWidth; ++x) {
            const int sx = (2 * x + 1) * 1024 / (2 * e2e::kImageWidth);
            const int sy = 30 + (2 * y + 1) * 708 / (2 * e2e::kImageHeight);
            if (screen.At(sx, sy) != e2e::ExpectedColour(24, x, y)) return false;
        }
    }
    return true;
}

// The 200 x 100 drawing in (0, 128, 1024, 640), 5.12 screen pixels a drawing pixel.
bool ShowsDrawing(const kelocli::BgraCanvas& screen) {
    auto at = [&](int x, int y) { return screen.At(x * 512 / 100, 128 + y * 512 / 100); };
    return e2e::Near(at(80, 80), e2e::kDrawingLeft, 2) &&
           e2e::Near(at(150, 50), e2e::kDrawingRight, 2) &&
           e2e::Near(at(40, 40), e2e::kDrawingSquare, 2);
}

// The 816 x 1056 page in (215, 0, 808, 768): white margins, dark text in its top part.
bool ShowsPage(const kelocli::BgraCanvas& screen) {
    const COLORREF white = RGB(255, 255, 255);
    if (!e2e::Near(screen.At(220, 5), white, 2) || !e2e::Near(screen.At(800, 760), white, 2)) {
        return false;
    }
    int dark = 0;
    for (int y = 60; y < 200; ++y)
        for (int x = 280; x < 740; ++x) dark += GetGValue(screen.At(x, y)) < 128;
    return dark > 100;
}

TEST(ImageOnly, ShowsEachKindFittedOnABlackScreen) {
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), kScreenWidth);
    ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), kScreenHeight);
    const Shown cases[] = {
        {"bmp24.bmp", {0, 30, 1024, 738}, ShowsRasterBlocks},
        {"drawing.emf", {0, 128, 1024, 640}, ShowsDrawing},
        {"page.txt", {215, 0, 808, 768}, ShowsPage},  // kind -1: through a rasterized copy
    };
    for (const Shown& c : cases) {
        DocumentPtr document = e2e::OpenDocument(e2e::Files().Path(c.file));
        bool black = false;
        bool shows = false;
        bool leftUp = false;
        ShowWhile(
            *document,
            [&](HWND window) {
                if (window == nullptr) return;
                kelocli::BgraCanvas screen;
                // The picture lands while the loop starts: look until it is there (or 5 s).
                WaitFor(
                    [&] {
                        screen.CaptureScreen();
                        black = BlackOutside(screen, c.fitted);
                        shows = c.showsDocument(screen);
                        return black && shows;
                    },
                    5000);
                e2e::RunLinuxProgram({"xdotool", "key", "space"});
            },
            &leftUp);
        EXPECT_TRUE(black) << c.file;
        EXPECT_TRUE(shows) << c.file;
        EXPECT_FALSE(leftUp) << c.file << ": a key press ends the window";
    }
}

// --- Real input -----------------------------------------------------------------------------

struct Input {
    const char* what;
    Command first;
    bool endsOnFirst;
    Command then;  // sent after the first when that did not end it, and to clean up after it
};

TEST(ImageOnly, AKeyAClickOrARightPressEndsItALeftPressDoesNot) {
    const Input inputs[] = {
        {"key press", {"xdotool", "key", "Escape"}, true, {}},
        {"system key", {"xdotool", "key", "alt+x"}, true, {}},
        {"click", {"xdotool", "click", "1"}, true, {}},
        {"right press", {"xdotool", "mousedown", "3"}, true, {"xdotool", "mouseup", "3"}},
        {"left press, then release",
         {"xdotool", "mousedown", "1"},
         false,
         {"xdotool", "mouseup", "1"}},
    };
    DocumentPtr document = e2e::OpenDocument(e2e::Files().Path("bmp8.bmp"));
    for (const Input& input : inputs) {
        bool sent = false;
        bool endedOnFirst = false;
        bool leftUp = false;
        ShowWhile(
            *document,
            [&](HWND window) {
                if (window == nullptr) return;
                sent = e2e::RunLinuxProgram(input.first) == 0;
                endedOnFirst =
                    WaitFor([&] { return !IsWindow(window); }, input.endsOnFirst ? 3000 : 700);
                if (!input.then.empty()) e2e::RunLinuxProgram(input.then);
            },
            &leftUp);
        EXPECT_TRUE(sent) << input.what << ": xdotool ran";
        EXPECT_EQ(endedOnFirst, input.endsOnFirst) << input.what;
        EXPECT_FALSE(leftUp) << input.what;
    }
}

// --- What it leaves behind ------------------------------------------------------------------

// How many of the server's image sections named after `name` ("PbI<process>_<counter>", counters
// in hexadecimal) up to 64 publications later can still be opened.
int LaterSectionsOpen(const std::string& name) {
    const std::size_t underscore = name.rfind('_');
    const unsigned long counter = std::stoul(name.substr(underscore + 1), nullptr, 16);
    int open = 0;
    for (unsigned long later = counter + 1; later <= counter + 64; ++later) {
        char probe[32];
        std::snprintf(probe, sizeof probe, "%s%lX", name.substr(0, underscore + 1).c_str(), later);
        open += testsupport::SectionExists(probe);
    }
    return open;
}

TEST(ImageOnly, TheTemporaryDocumentLeavesNothingBehind) {
    DocumentPtr document = e2e::OpenDocument(e2e::Files().Path("page.txt"));
    char name[20] = {};
    ASSERT_EQ(document->GetSectionName(name), 0);
    auto endAtOnce = [](HWND window) {
        if (window != nullptr) e2e::RunLinuxProgram({"xdotool", "key", "space"});
    };
    bool leftUp = false;
    ShowWhile(*document, endAtOnce, &leftUp);  // the first run loads what stays loaded
    const DWORD handlesBefore = [] {
        DWORD count = 0;
        GetProcessHandleCount(GetCurrentProcess(), &count);
        return count;
    }();
    ShowWhile(*document, endAtOnce, &leftUp);
    DWORD handlesAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);

    EXPECT_EQ(FindImageOnlyWindow(), nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(handlesAfter, handlesBefore);
    // The rasterized copy, 808 x 768 at 8 bits, is mapped nowhere in this process.
    const std::int32_t header[] = {40, 808, 768};
    EXPECT_EQ(testsupport::MappedViewsStartingWith(header, sizeof header), 0);
    // The second server document and every section it published are gone (the server keeps a
    // section it gave up for 2 s, for a resurrection that is under way); the host's document is
    // untouched.
    for (int wait = 0; wait < 40 && LaterSectionsOpen(name) != 0; ++wait) Sleep(100);
    EXPECT_EQ(LaterSectionsOpen(name), 0);
    char after[20] = {};
    EXPECT_EQ(document->GetSectionName(after), 0);
    EXPECT_STREQ(after, name);
    EXPECT_TRUE(document->IsEntity());
}

}  // namespace
