// The call protocol of Louie: connection, caching, argument order and types, result rules,
// string widening, and the first members (opening, attaching, painting, process identifiers).
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "kelocli.h"
#include "scripted_server.h"

using testsupport::Reply;
using testsupport::ScriptedDispId;
using testsupport::ScriptedServer;
using testsupport::SeenArgument;
using testsupport::SeenCall;

namespace {

struct LouieDeleter {
    void operator()(Louie* louie) const { delete louie; }
};
using LouiePtr = std::unique_ptr<Louie, LouieDeleter>;

LouiePtr MakeLouie() {
    return LouiePtr(new Louie);
}

class LouieProtocol : public testing::Test {
  protected:
    ScriptedServer server;
};

void ExpectProtocolCall(const SeenCall& call, UINT argumentCount) {
    EXPECT_EQ(call.argumentCount, argumentCount);
    EXPECT_EQ(call.namedCount, 0u);
    EXPECT_TRUE(call.namedIdsNull);
    EXPECT_EQ(call.argumentsNull, argumentCount == 0);
    EXPECT_EQ(call.locale, 0x0800u);
    EXPECT_EQ(call.flags, DISPATCH_METHOD);
    EXPECT_TRUE(call.iidNull);
    EXPECT_TRUE(call.exceptionInfoNull);
    EXPECT_TRUE(call.argumentErrorNull);
}

}  // namespace

TEST(LouieWithoutServer, AnswersDefaultsAndSendsNothing) {
    LouiePtr louie = MakeLouie();
    char name[] = "picture.bmp";
    RECT source = {0, 0, 10, 10};
    EXPECT_EQ(louie->Open(name), 0);
    EXPECT_EQ(louie->Paint(&source, &source), 0);
    EXPECT_EQ(louie->AttachWindow(nullptr, nullptr), 0);
    long process = 7, thread = 8;
    EXPECT_EQ(louie->GetProcessID(&process, &thread), 0);
    EXPECT_EQ(process, 0);
    EXPECT_EQ(thread, 0);
    EXPECT_EQ(louie->sectionName, nullptr);
    EXPECT_EQ(louie->sectionHandle, nullptr);
}

TEST_F(LouieProtocol, ConstructionAnnouncesTheHostProcess) {
    LouiePtr louie = MakeLouie();
    ASSERT_EQ(server.Calls().size(), 1u);
    const SeenCall& call = server.Calls()[0];
    EXPECT_EQ(call.method, L"NotifyProcessID");
    ExpectProtocolCall(call, 1);
    EXPECT_EQ(call.arguments[0].type, VT_I4);
    EXPECT_EQ(call.arguments[0].AsLong(), static_cast<long>(GetCurrentProcessId()));
    EXPECT_TRUE(call.resultRequested);
    EXPECT_EQ(server.ObjectsAlive(), 1);
}

TEST_F(LouieProtocol, DestructionClosesAndReleasesTheObject) {
    {
        LouiePtr louie = MakeLouie();
        server.ClearRecords();
    }
    ASSERT_EQ(server.Calls().size(), 1u);
    EXPECT_EQ(server.Calls()[0].method, L"Close");
    ExpectProtocolCall(server.Calls()[0], 0);
    EXPECT_FALSE(server.Calls()[0].resultRequested);
    EXPECT_EQ(server.ObjectsAlive(), 0);
}

TEST_F(LouieProtocol, PaintSendsEightShortsSourceFirst) {
    LouiePtr louie = MakeLouie();
    server.ClearRecords();
    RECT source = {0, 0, 100, 50};
    RECT target = {10, 20, 110, 70};
    server.Answer(L"Paint", Reply::Short(3));
    EXPECT_EQ(louie->Paint(&source, &target), 3);
    ASSERT_EQ(server.Calls().size(), 1u);
    const SeenCall& call = server.Calls()[0];
    ExpectProtocolCall(call, 8);
    const short expected[] = {0, 0, 100, 50, 10, 20, 110, 70};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(call.arguments[i].type, VT_I2) << i;
        EXPECT_EQ(call.arguments[i].AsShort(), expected[i]) << i;
    }
}
