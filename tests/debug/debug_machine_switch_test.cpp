// The debug switch falls back to the machine-wide text only when the user has none. A process of
// its own: the switch only ever turns on.
#include <windows.h>

#include <gtest/gtest.h>

#include "debug_switch.h"
#include "kelocli.h"
#include "message_box_catcher.h"
#include "scripted_server.h"

using testsupport::Reply;

TEST(DebugSwitch, FallsBackToTheMachineTextWhenTheUserHasNone) {
    testsupport::DebugSwitch debugSwitch;
    testsupport::ScriptedServer server;
    testsupport::MessageBoxCatcher catcher;
    server.Answer(L"Invert", Reply::Failure(E_FAIL));

    debugSwitch.SetMachine("Debug");
    debugSwitch.SetUser("quiet");
    Louie* louie = new Louie;
    louie->Invert();
    delete louie;
    EXPECT_TRUE(catcher.Boxes().empty()) << "the user's own text wins";

    debugSwitch.ClearUser();
    louie = new Louie;
    louie->Invert();
    delete louie;
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    EXPECT_EQ(catcher.Boxes()[0].text, "Kelo error: 80004005");
}
