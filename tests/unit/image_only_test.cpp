// Huey's image-only window against the scripted server on the session's 1024 x 768 display: the
// questions and paints in their order, the window and its procedure, and how its loop ends. A
// timer of the test's thread fires inside the window's loop to look at the window and end it.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "kelocli.h"
#include "packed_dib.h"
#include "rect_printing.h"
#include "scripted_server.h"

using testsupport::Reply;
using testsupport::ScriptedServer;
using testsupport::SeenCall;

namespace {

using Names = std::vector<std::wstring>;

// What the timer saw and does inside the loop: `inside` runs with the image-only window (null
// when there was none).
std::function<void(HWND)> inside;
bool timerFired = false;

void CALLBACK LookInside(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    timerFired = true;
    inside(FindWindowA("ImageOnly", "ImageOnly"));
}

// Another window of the thread, counting the WM_USER messages delivered to it.
int userMessagesDelivered = 0;
LRESULT CALLBACK CountUserMessages(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER) ++userMessagesDelivered;
    return DefWindowProcA(window, message, wParam, lParam);
}

class ImageOnlyWindow : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
        ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
        server.Answer(L"GetWidth", Reply::Long(2000));
        server.Answer(L"GetHeight", Reply::Long(1000));
        server.Answer(L"IsRaster", Reply::Short(1));
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = CountUserMessages;
        windowClass.lpszClassName = "KeloOtherWindow";
        RegisterClassA(&windowClass);
        other = CreateWindowExA(0, "KeloOtherWindow", "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr,
                                nullptr, nullptr);
        ASSERT_NE(other, nullptr);
        dewey = new Dewey;
        server.ClearRecords();
        userMessagesDelivered = 0;
    }
    void TearDown() override {
        delete dewey;
        DestroyWindow(other);
    }

    // Shows the image-only window with `look` run inside its loop; then, unless `look` ends it
    // otherwise, the loop is ended by a WM_USER posted to the other window.
    void Show(const std::function<void(HWND)>& look, bool endWithUserMessage = true) {
        timerFired = false;
        inside = [&](HWND window) {
            look(window);
            if (endWithUserMessage) PostMessageA(other, WM_USER, 0, 0);
        };
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, LookInside);
        Huey view(dewey);
        view.ImageOnly();
        KillTimer(nullptr, timer);
    }

    ScriptedServer server;
    Dewey* dewey = nullptr;
    HWND other = nullptr;
};

RECT Rect(LONG left, LONG top, LONG right, LONG bottom) {
    return {left, top, right, bottom};
}

std::vector<short> Shorts(const SeenCall& call) {
    std::vector<short> values;
    for (const auto& argument : call.arguments) values.push_back(argument.AsShort());
    return values;
}

}  // namespace

TEST_F(ImageOnlyWindow, PaintsTheWholeImageIntoTheFittedRectangleOfTheScreen) {
    HWND seen = nullptr;
    Names callsWhileShown;
    Show([&](HWND window) {
        seen = window;
        callsWhileShown = server.CallNames();
        if (window == nullptr) return;
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_EQ(GetCapture(), window);
        EXPECT_EQ(GetFocus(), window);
        EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, WS_EX_TOPMOST);
        EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & (WS_MAXIMIZE | WS_BORDER),
                  WS_MAXIMIZE | WS_BORDER);
        EXPECT_EQ(GetClassLongA(window, GCL_STYLE), static_cast<DWORD>(CS_VREDRAW | CS_HREDRAW));
        EXPECT_EQ(GetClassLongPtrA(window, GCLP_HBRBACKGROUND), COLOR_APPWORKSPACE + 1);
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof placement;
        GetWindowPlacement(window, &placement);
        EXPECT_EQ(placement.rcNormalPosition, Rect(0, 0, 1025, 769));
    });
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(callsWhileShown,
              (Names{L"GetWidth", L"GetHeight", L"IsRaster", L"Attach", L"Paint"}));
    const std::vector<SeenCall> attach = server.CallsOf(L"Attach");
    ASSERT_EQ(attach.size(), 1u);
    EXPECT_EQ(attach[0].arguments[0].AsLong(), 0);
    EXPECT_NE(attach[0].arguments[1].AsLong(), 0);  // the screen's device context
    const std::vector<SeenCall> paint = server.CallsOf(L"Paint");
    ASSERT_EQ(paint.size(), 1u);
    EXPECT_EQ(Shorts(paint[0]), (std::vector<short>{0, 0, 2000, 1000, 0, 128, 1024, 640}));
    // Ended by a WM_USER to another window of the thread, which never saw it.
    EXPECT_EQ(userMessagesDelivered, 0);
    EXPECT_FALSE(IsWindow(seen));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(server.CallNames().size(), callsWhileShown.size());
}

TEST_F(ImageOnlyWindow, ItsProcedureEndsItOnlyOnTheseMessages) {
    struct Row {
        UINT message;
        WPARAM wParam;
        bool ends;
    };
    const Row rows[] = {
        {WM_KEYDOWN, VK_SPACE, true},
        {WM_SYSKEYDOWN, 'X', true},
        {WM_LBUTTONDOWN, MK_LBUTTON, false},
        {WM_LBUTTONUP, 0, true},
        {WM_RBUTTONDOWN, MK_RBUTTON, true},
        {WM_RBUTTONUP, 0, true},
        {WM_MOUSEMOVE, 0, false},
        {WM_ACTIVATE, WA_ACTIVE, false},
        {WM_ACTIVATE, WA_CLICKACTIVE, false},
        {WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), true},
        {WM_ACTIVATEAPP, 1, false},
        {WM_ACTIVATEAPP, 0, true},
    };
    Show([&](HWND window) {
        ASSERT_NE(window, nullptr);
        MSG end;
        for (const Row& row : rows) {
            SendMessageA(window, row.message, row.wParam, 0);
            EXPECT_EQ(PeekMessageA(&end, window, WM_USER, WM_USER, PM_REMOVE) != FALSE, row.ends)
                << std::hex << row.message << " " << row.wParam;
        }
        EXPECT_EQ(SendMessageA(window, WM_PAINT, 0, 0), 1);
        EXPECT_EQ(SendMessageA(window, WM_ERASEBKGND, 0, 0), 1);
        EXPECT_EQ(SendMessageA(window, WM_KEYDOWN, VK_SPACE, 0), 0);
        PeekMessageA(&end, window, WM_USER, WM_USER, PM_REMOVE);
    });
    EXPECT_TRUE(timerFired);
}

TEST_F(ImageOnlyWindow, AQuitMessageEndsItAndIsSwallowed) {
    Show([](HWND) { PostQuitMessage(3); }, false);
    MSG quit;
    EXPECT_FALSE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// --- Documents of the third kind --------------------------------------------------------------

class ImageOnlyOfOtherKind : public ImageOnlyWindow {
  protected:
    void SetUp() override {
        ImageOnlyWindow::SetUp();
        server.Answer(L"IsRaster", Reply::Short(-1));
    }
    // Shows the window; whether one came up, and the calls made while it was up.
    bool ShowOnce(Names* whileShown) {
        bool shown = false;
        Show([&](HWND window) {
            shown = window != nullptr;
            *whileShown = server.CallNames();
        });
        return shown;
    }
};

// The second document connects, is rebuilt from the section in a fresh server object (the first
// one closed), rasterized and asked for its new section.
const Names kPrepared = {L"GetWidth",       L"GetHeight",       L"IsRaster",
                         L"GetSectionName", L"NotifyProcessID", L"Close",
                         L"Resurrect",      L"Rasterize",       L"GetSectionName"};

TEST_F(ImageOnlyOfOtherKind, EachFailureWhilePreparingReturnsWithNothingShown) {
    Names whileShown;
    // No section name: no second document.
    EXPECT_FALSE(ShowOnce(&whileShown));
    EXPECT_EQ(server.CallNames(),
              (Names{L"GetWidth", L"GetHeight", L"IsRaster", L"GetSectionName"}));
    EXPECT_EQ(server.ObjectsAlive(), 1);

    // The second document cannot be allocated.
    server.Answer(L"GetSectionName", Reply::Text(L"KeloNoSuchImage"));
    server.ClearRecords();
    ZevObject::FailNextAllocations(1);
    EXPECT_FALSE(ShowOnce(&whileShown));
    ZevObject::FailNextAllocations(0);
    EXPECT_EQ(server.CallNames(),
              (Names{L"GetWidth", L"GetHeight", L"IsRaster", L"GetSectionName"}));

    // Its section cannot be opened: it is rebuilt from the name, rasterized to the fitted
    // rectangle's right and bottom edges, asked for its section, and closed again.
    server.ClearRecords();
    EXPECT_FALSE(ShowOnce(&whileShown));
    Names expected = kPrepared;
    expected.push_back(L"Close");
    EXPECT_EQ(server.CallNames(), expected);
    const std::vector<SeenCall> resurrect = server.CallsOf(L"Resurrect");
    ASSERT_EQ(resurrect.size(), 1u);
    EXPECT_EQ(resurrect[0].arguments[0].text, L"KeloNoSuchImage");
    EXPECT_EQ(resurrect[0].arguments[1].text, L"KeloNoSuchImage");
    EXPECT_EQ(Shorts(server.CallsOf(L"Rasterize")[0]), (std::vector<short>{1024, 640, 8}));
    EXPECT_EQ(server.ObjectsAlive(), 1);
}

TEST_F(ImageOnlyOfOtherKind, ShowsTheRasterizedCopyAndThenDeletesIt) {
    testsupport::TestSection section("KeloImageOnlyCopy", 4096);
    const testsupport::PackedDib dib =
        testsupport::MakePackedDib(1, 1, 8, {testsupport::Quad(1, 2, 3)}, {{0}});
    section.Write(dib.bytes);
    section.Unmap();
    server.Answer(L"GetSectionName", Reply::Text(L"KeloImageOnlyCopy"));
    Names whileShown;
    EXPECT_TRUE(ShowOnce(&whileShown));
    EXPECT_EQ(whileShown, kPrepared);  // the host's document is not attached nor painted
    EXPECT_EQ(server.CallNames().back(), L"Close");
    EXPECT_EQ(server.ObjectsAlive(), 1);
    EXPECT_EQ(testsupport::MappedViewsStartingWith(dib.bytes.data(), dib.bytes.size()), 0);
    section.Close();
    EXPECT_FALSE(testsupport::SectionExists("KeloImageOnlyCopy"));
}
