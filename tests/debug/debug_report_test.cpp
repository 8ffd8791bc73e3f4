// The debug switch (a registry text read at every Louie construction) and the message box it
// turns on. The switch is process-wide and only ever turns on, so this program runs in a process
// of its own and its steps run in a fixed order inside one test.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "debug_switch.h"
#include "kelocli.h"
#include "message_box_catcher.h"
#include "scripted_server.h"

using testsupport::CaughtBox;
using testsupport::MessageBoxCatcher;
using testsupport::Reply;
using testsupport::ScriptedServer;

namespace {

// Constructs a Louie (which reads the switch) and has its Open fail.
size_t BoxesFromAFailingOpen(ScriptedServer& server, MessageBoxCatcher& catcher) {
    server.Answer(L"Open", Reply::Failure(DISP_E_EXCEPTION));
    catcher.Clear();
    Louie* louie = new Louie;
    char name[] = "x.bmp";
    EXPECT_EQ(louie->Open(name), 0);
    delete louie;
    return catcher.Boxes().size();
}

}  // namespace

TEST(DebugReport, TurnsOnOnlyForTheWordDebugAndStaysOn) {
    testsupport::DebugSwitch debugSwitch;
    ScriptedServer server;
    MessageBoxCatcher catcher;

    debugSwitch.Clear();
    EXPECT_EQ(BoxesFromAFailingOpen(server, catcher), 0u) << "no value";
    debugSwitch.SetUser("debug ");
    EXPECT_EQ(BoxesFromAFailingOpen(server, catcher), 0u) << "a trailing blank";
    debugSwitch.SetUser("debugdebugdebugdebugdebug");
    EXPECT_EQ(BoxesFromAFailingOpen(server, catcher), 0u) << "too long for the switch";
    debugSwitch.SetUser("verbose");
    EXPECT_EQ(BoxesFromAFailingOpen(server, catcher), 0u) << "another word";

    debugSwitch.SetUser("DEBUG");
    ASSERT_EQ(BoxesFromAFailingOpen(server, catcher), 1u);
    EXPECT_EQ(catcher.Boxes()[0].caption, "Pimbax OLE2 Server");
    EXPECT_EQ(catcher.Boxes()[0].text, "Kelo error: 80020009");

    debugSwitch.Clear();
    EXPECT_EQ(BoxesFromAFailingOpen(server, catcher), 1u) << "stays on without the value";
}

TEST(DebugReport, ReportsEachFailingCommandOnceAndNeverAQuery) {
    // The previous test left the reports on for this process.
    ScriptedServer server;
    MessageBoxCatcher catcher;
    Louie* louie = new Louie;

    server.Answer(L"Save", Reply::Failure(0x80004005));
    EXPECT_EQ(louie->Save(), 0);
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    EXPECT_EQ(catcher.Boxes()[0].text, "Kelo error: 80004005");

    catcher.Clear();
    server.RefuseLookup(L"Rotate", 0x80020006);
    EXPECT_EQ(louie->Rotate(1, 2, 3), 0);
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    EXPECT_EQ(catcher.Boxes()[0].text, "Kelo error: 80020006");

    catcher.Clear();
    server.Answer(L"Crop", Reply::Short(1));
    RECT rect = {0, 0, 1, 1};
    EXPECT_EQ(louie->Crop(&rect), 1);
    EXPECT_TRUE(catcher.Boxes().empty()) << "a successful call";

    // Queries never report.
    server.Answer(L"GetWidth", Reply::Failure(E_FAIL));
    server.Answer(L"GetSectionName", Reply::Failure(E_FAIL));
    server.Answer(L"SETPOV", Reply::Failure(E_FAIL));
    long width = 0;
    EXPECT_EQ(louie->GetInfo(&width, nullptr, nullptr, nullptr, nullptr), E_FAIL);
    BSTR name = nullptr;
    EXPECT_EQ(louie->GetSecName(&name), E_FAIL);
    EXPECT_EQ(louie->SetPointOfView(0, 0, 0, 0, 0, 0, 0), 0);
    EXPECT_TRUE(catcher.Boxes().empty());

    // GetProcessID reports its second query only.
    server.Answer(L"GetProcessID", Reply::Failure(0x80000001));
    long process = 0, thread = 0;
    louie->GetProcessID(&process, &thread);
    EXPECT_TRUE(catcher.Boxes().empty());
    server.Answer(L"GetMainThread", Reply::Failure(0x80000002));
    louie->GetProcessID(&process, &thread);
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    EXPECT_EQ(catcher.Boxes()[0].text, "Kelo error: 80000002");

    // Copy reports the kind query and the copy.
    catcher.Clear();
    server.Answer(L"IsRaster", Reply::Failure(0x80000003));
    server.Answer(L"CopyAs", Reply::Failure(0x80000004));
    EXPECT_EQ(louie->Copy(), 0);
    ASSERT_EQ(catcher.Boxes().size(), 2u);
    EXPECT_EQ(catcher.Boxes()[0].text, "Kelo error: 80000003");
    EXPECT_EQ(catcher.Boxes()[1].text, "Kelo error: 80000004");
    delete louie;
}

TEST(DebugReport, ALouieWithoutServerShowsNothing) {
    MessageBoxCatcher catcher;
    Louie* louie = new Louie;  // no class registered now
    char name[] = "x.bmp";
    EXPECT_EQ(louie->Open(name), 0);
    EXPECT_EQ(louie->IsRaster(), -1);
    delete louie;
    EXPECT_TRUE(catcher.Boxes().empty());
}
