// The call protocol of Louie: connection, caching, argument order and types, result rules,
// string widening, and the first members (opening, attaching, painting, process identifiers).
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "allocation_spy.h"
#include "kelocli.h"
#include "method_table.h"
#include "scripted_fixture.h"
#include "scripted_server.h"

using testsupport::Reply;
using testsupport::ScriptedDispId;
using testsupport::ScriptedServer;
using testsupport::SeenArgument;
using testsupport::SeenCall;

namespace {

using LouiePtr = std::unique_ptr<Louie>;

LouiePtr MakeLouie() {
    return LouiePtr(new Louie);
}

// A Louie connected to a scripted server, with the construction's own call forgotten.
class LouieProtocol : public testsupport::ScriptedClientTest<Louie> {
  protected:
    const SeenCall& OnlyCall() {
        EXPECT_EQ(server.Calls().size(), 1u);
        return server.Calls().back();
    }
    std::unique_ptr<Louie>& louie = client;
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

std::string Repeat(char c, size_t n) {
    return std::string(n, c);
}

}  // namespace

TEST(LouieWithoutServer, AnswersDefaultsWithoutTouchingAnything) {
    LouiePtr louie = MakeLouie();
    char name[] = "picture.bmp";
    RECT source = {0, 0, 10, 10};
    EXPECT_EQ(louie->Open(name), 0);
    EXPECT_EQ(louie->FastOpen(name, name), 0);
    EXPECT_EQ(louie->ThreadOpen(name, name, name), 0);
    EXPECT_EQ(louie->Paint(&source, &source), 0);
    EXPECT_EQ(louie->AttachWindow(nullptr, nullptr), 0);
    EXPECT_EQ(louie->RealizePalette(nullptr, 1), 0);
    EXPECT_EQ(louie->NotifyProcessID(5), 0);
    long process = 7, thread = 8;
    EXPECT_EQ(louie->GetProcessID(&process, &thread), 0);
    EXPECT_EQ(process, 0);
    EXPECT_EQ(thread, 0);
    EXPECT_EQ(louie->sectionName, nullptr);
    EXPECT_EQ(louie->sectionHandle, nullptr);
}

TEST(LouieConnection, ConstructionAnnouncesTheHostProcessAndDestructionCloses) {
    ScriptedServer server;
    {
        LouiePtr louie = MakeLouie();
        ASSERT_EQ(server.Calls().size(), 1u);
        const SeenCall& notify = server.Calls()[0];
        EXPECT_EQ(notify.method, L"NotifyProcessID");
        ExpectProtocolCall(notify, 1);
        EXPECT_EQ(notify.arguments[0].type, VT_I4);
        EXPECT_EQ(notify.arguments[0].AsLong(), static_cast<long>(GetCurrentProcessId()));
        EXPECT_TRUE(notify.resultRequested);
        EXPECT_EQ(server.ObjectsAlive(), 1);
        server.ClearRecords();
    }
    ASSERT_EQ(server.Calls().size(), 1u);
    EXPECT_EQ(server.Calls()[0].method, L"Close");
    ExpectProtocolCall(server.Calls()[0], 0);
    EXPECT_FALSE(server.Calls()[0].resultRequested);
    EXPECT_EQ(server.ObjectsAlive(), 0);
}

TEST(LouieConnection, ReleasesTheObjectEvenWhenCloseCannotBeLookedUp) {
    ScriptedServer server;
    server.RefuseLookup(L"Close");
    {
        LouiePtr louie = MakeLouie();
        server.ClearRecords();
    }
    EXPECT_TRUE(server.Calls().empty());
    EXPECT_EQ(server.ObjectsAlive(), 0);
}

TEST(LouieConnection, ACreationFailureLeavesALouieWithoutServer) {
    ScriptedServer server;
    server.FailCreation(E_OUTOFMEMORY);
    LouiePtr louie = MakeLouie();
    char name[] = "a.bmp";
    EXPECT_EQ(louie->Open(name), 0);
    EXPECT_TRUE(server.Lookups().empty());
    EXPECT_TRUE(server.Calls().empty());
}

TEST_F(LouieProtocol, LooksEachNameUpOnceAndThenOnlyInvokes) {
    server.Answer(L"Open", Reply::Short(1));
    char name[] = "a.bmp";
    EXPECT_EQ(louie->Open(name), 1);
    EXPECT_EQ(louie->Open(name), 1);
    ASSERT_EQ(server.Lookups().size(), 1u);
    EXPECT_EQ(server.Lookups()[0], L"Open");
    ASSERT_EQ(server.Calls().size(), 2u);
    EXPECT_EQ(server.Calls()[1].id, ScriptedDispId(L"Open"));

    // Another Louie has its own cache.
    LouiePtr second = MakeLouie();
    server.ClearRecords();
    second->Open(name);
    ASSERT_EQ(server.Lookups().size(), 1u);
    EXPECT_EQ(server.Lookups()[0], L"Open");
}

TEST_F(LouieProtocol, AFailedLookupIsRepeatedAndSendsNothing) {
    server.RefuseLookup(L"Attach");
    EXPECT_EQ(louie->AttachWindow(nullptr, nullptr), 0);
    EXPECT_EQ(louie->AttachWindow(nullptr, nullptr), 0);
    EXPECT_EQ(server.Lookups().size(), 2u);
    EXPECT_TRUE(server.Calls().empty());

    server.AllowLookup(L"Attach");
    server.Answer(L"Attach", Reply::Short(4));
    EXPECT_EQ(louie->AttachWindow(nullptr, nullptr), 4);
    EXPECT_EQ(server.Lookups().size(), 3u);
}

TEST_F(LouieProtocol, StringsArriveWidenedInArgumentOrder) {
    char file[] = "C:\\pictures\\caf\xE9.bmp";
    char second[] = "nineteen-characters";  // exactly 19
    char third[] = "";
    louie->ThreadOpen(file, second, third);
    const SeenCall& call = OnlyCall();
    EXPECT_EQ(call.method, L"ThreadOpen");
    ExpectProtocolCall(call, 3);
    for (const SeenArgument& argument : call.arguments) EXPECT_EQ(argument.type, VT_BSTR);
    // 0xE9 keeps its low byte and has its sign extended into the high byte.
    EXPECT_EQ(call.arguments[0].text,
              std::wstring(L"C:\\pictures\\caf") + wchar_t(0xFFE9) + L".bmp");
    EXPECT_EQ(call.arguments[1].text, L"nineteen-characters");
    EXPECT_FALSE(call.arguments[2].nullText);
    EXPECT_EQ(call.arguments[2].text, L"");
}

TEST_F(LouieProtocol, OverlongStringsAreCutToTheirCapacityAndNullIsEmpty) {
    std::string longFile = Repeat('f', 900);
    std::string longName = Repeat('n', 25);
    louie->FastOpen(longFile.data(), longName.data());
    louie->Open(nullptr);
    ASSERT_EQ(server.Calls().size(), 2u);
    EXPECT_EQ(server.Calls()[0].arguments[0].text, std::wstring(779, L'f'));
    EXPECT_EQ(server.Calls()[0].arguments[1].text, std::wstring(19, L'n'));
    EXPECT_EQ(server.Calls()[1].arguments[0].text, L"");
    EXPECT_EQ(longFile, Repeat('f', 900));  // the host's string is left alone
}

TEST_F(LouieProtocol, StringArgumentsAreFreedAfterTheCall) {
    testsupport::AllocationSpy spy;
    BSTR probe = SysAllocString(L"probe");
    ASSERT_EQ(spy.Alive(), 1u) << "the spy sees strings being made";
    SysFreeString(probe);
    char file[] = "picture.bmp";
    char second[] = "two";
    louie->FastOpen(file, second);
    server.Answer(L"FastOpen", Reply::Failure(DISP_E_EXCEPTION));
    louie->FastOpen(file, second);
    EXPECT_EQ(spy.Alive(), 0u);
    EXPECT_EQ(spy.UnknownFrees(), 0);
}

TEST_F(LouieProtocol, PaintSendsEightLow16BitCoordinatesSourceFirst) {
    RECT source = {0, 0, 100, 50};
    RECT target = {10, 20, 110, 70};
    server.Answer(L"Paint", Reply::Short(3));
    EXPECT_EQ(louie->Paint(&source, &target), 3);
    const short expected[] = {0, 0, 100, 50, 10, 20, 110, 70};
    const SeenCall& call = OnlyCall();
    ExpectProtocolCall(call, 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(call.arguments[i].type, VT_I2) << i;
        EXPECT_EQ(call.arguments[i].AsShort(), expected[i]) << i;
    }

    server.ClearRecords();
    RECT wide = {65536 + 100, -1, 70000, -65537};
    louie->Paint(&wide, &target);
    EXPECT_EQ(OnlyCall().arguments[0].AsShort(), 100);
    EXPECT_EQ(OnlyCall().arguments[1].AsShort(), -1);
    EXPECT_EQ(OnlyCall().arguments[2].AsShort(), 4464);
    EXPECT_EQ(OnlyCall().arguments[3].AsShort(), -1);
}

TEST_F(LouieProtocol, HandlesTravelAsLongsAndTheFlagAsAShort) {
    HDC screen = GetDC(nullptr);
    louie->AttachWindow(nullptr, screen);
    louie->RealizePalette(GetDesktopWindow(), -3);
    ASSERT_EQ(server.Calls().size(), 2u);
    const SeenCall& attach = server.Calls()[0];
    ExpectProtocolCall(attach, 2);
    EXPECT_EQ(attach.arguments[0].type, VT_I4);
    EXPECT_EQ(attach.arguments[0].AsLong(), 0);
    EXPECT_EQ(attach.arguments[1].type, VT_I4);
    EXPECT_EQ(attach.arguments[1].AsLong(), static_cast<long>(reinterpret_cast<INT_PTR>(screen)));
    const SeenCall& realize = server.Calls()[1];
    EXPECT_EQ(realize.arguments[0].type, VT_I4);
    EXPECT_EQ(realize.arguments[0].AsLong(),
              static_cast<long>(reinterpret_cast<INT_PTR>(GetDesktopWindow())));
    EXPECT_EQ(realize.arguments[1].type, VT_I2);
    EXPECT_EQ(realize.arguments[1].AsShort(), -3);
    ReleaseDC(nullptr, screen);
}

TEST_F(LouieProtocol, ShortResultsNeedSuccessAndAShortAnswer) {
    char name[] = "a.bmp";
    server.AnswerNext(L"Open", {Reply::Long(7), Reply::Failure(E_FAIL), Reply::Short(-2)});
    EXPECT_EQ(louie->Open(name), 0);  // a VT_I4 answer is not a short result
    EXPECT_EQ(louie->Open(name), 0);  // a failed call
    EXPECT_EQ(louie->Open(name), -2);

    Reply failedWithAnswer = Reply::Short(9);
    failedWithAnswer.code = E_FAIL;
    server.Answer(L"Open", failedWithAnswer);
    EXPECT_EQ(louie->Open(name), 0);
}

TEST_F(LouieProtocol, NotifyProcessIDTakesTheShortFieldWhateverTheType) {
    server.AnswerNext(L"NotifyProcessID", {Reply::Long(0x00030005), Reply::Failure(E_FAIL)});
    EXPECT_EQ(louie->NotifyProcessID(42), 5);
    EXPECT_EQ(louie->NotifyProcessID(42), 0);
    EXPECT_EQ(server.Calls()[0].arguments[0].AsLong(), 42);
}

TEST_F(LouieProtocol, GetProcessIDAsksBothIdentifiersWithTheHostProcess) {
    Reply process = Reply::Short(0);
    process.bits = 0x12345678;  // a VT_I2 tag does not hide the 32-bit field
    server.Answer(L"GetProcessID", process);
    server.Answer(L"GetMainThread", Reply::Long(0x00ABCDEF));
    long processId = -1, threadId = -1;
    EXPECT_EQ(louie->GetProcessID(&processId, &threadId), 0);
    EXPECT_EQ(processId, 0x12345678);
    EXPECT_EQ(threadId, 0x00ABCDEF);
    ASSERT_EQ(server.Calls().size(), 2u);
    EXPECT_EQ(server.Calls()[0].method, L"GetProcessID");
    ExpectProtocolCall(server.Calls()[0], 0);
    EXPECT_EQ(server.Calls()[1].method, L"GetMainThread");
    EXPECT_EQ(server.Calls()[1].arguments[0].type, VT_I4);
    EXPECT_EQ(server.Calls()[1].arguments[0].AsLong(), static_cast<long>(GetCurrentProcessId()));
}

TEST_F(LouieProtocol, GetProcessIDClearsWhatAFailedQueryCannotFill) {
    server.Answer(L"GetProcessID", Reply::Failure(E_FAIL));
    server.Answer(L"GetMainThread", Reply::Failure(E_FAIL));
    long processId = -1, threadId = -1;
    EXPECT_EQ(louie->GetProcessID(&processId, &threadId), 0);
    EXPECT_EQ(processId, 0);
    EXPECT_EQ(threadId, 0);
    EXPECT_EQ(server.Calls().size(), 2u);  // the second is asked despite the first failing
}

// Every member sends its method with the argument types of the protocol's table, in order.
TEST_F(LouieProtocol, EveryMethodArrivesWithTheProtocolTablesArgumentTypes) {
    char text[] = "x";
    RECT rect = {1, 2, 3, 4};
    IRGB colour = {1, 2, 3};
    long l1 = 0, l2 = 0;
    short s1 = 0, s2 = 0, s3 = 0;
    double d[6] = {};
    BSTR answer = nullptr;
    louie->Open(text);
    louie->FastOpen(text, text);
    louie->ThreadOpen(text, text, text);
    louie->GetProcessID(&l1, &l2);
    louie->NotifyProcessID(1);
    louie->AttachWindow(nullptr, nullptr);
    louie->RealizePalette(nullptr, 1);
    louie->Paint(&rect, &rect);
    louie->GetInfo(&l1, &l2, &s1, &s2, &s3);
    louie->SetPointOfView(1, 2, 3, 4, 5, 6, 1);
    louie->GetPointOfView(&d[0], &d[1], &d[2], &d[3], &d[4], &d[5]);
    louie->Get3DInfo(&d[0], &d[1], &d[2], &d[3], &d[4], &d[5]);
    for (long (Louie::*query)(BSTR*) :
         {&Louie::GetSecName, &Louie::GetFileName, &Louie::GetPaletteInfo, &Louie::GetFontInfo}) {
        (louie.get()->*query)(&answer);
        SysFreeString(answer);
    }
    louie->Save();
    louie->SaveAs(text, text);
    louie->UndoRedo();
    louie->CopyAs(8);
    louie->PasteFrom(8);
    louie->Resize(1, 2, 3);
    louie->Rotate(1, 2, 3);
    louie->Crop(&rect);
    louie->Grayize();
    louie->Blackize();
    louie->Reduce(1, 2, 3, 4);
    louie->Equalize();
    louie->ChangeFont(text, text, 1, 2);
    louie->Gamma(1, 2, 3);
    louie->Invert();
    louie->ReverseBW();
    louie->ChangeColor(&colour, &colour);
    louie->PickColor(&colour, 1, 2);
    louie->Rasterize(1, 2, 8);
    louie->ThreeDize();
    louie->Vectorize(1, 2, 3, 4, 5, 6);
    louie->PrepRaster(1, 2, 3);
    louie->SaveScript(text);
    louie->Convert(text, text, text, text);
    louie->Test(text, nullptr, nullptr);
    louie->OpenStatus(text);
    louie->IsRaster();
    louie->RefreshOptions(text);
    louie->ResurrectSection(SysAllocString(L"Section"), nullptr);  // closes, then resurrects
    for (std::size_t m = 0; m < kelocli::MethodCount(); ++m) {
        const kelocli::MethodInfo& method = kelocli::MethodInfos()[m];
        SCOPED_TRACE(testing::Message() << "method " << static_cast<int>(method.method));
        const std::vector<SeenCall> calls = server.CallsOf(method.name);
        ASSERT_FALSE(calls.empty());
        for (const SeenCall& call : calls) {
            ASSERT_EQ(call.argumentCount, static_cast<UINT>(method.argumentCount));
            for (int i = 0; i < method.argumentCount; ++i) {
                EXPECT_EQ(call.arguments[i].type, kelocli::WireType(method.arguments[i])) << i;
            }
        }
    }
}

// A server that is just ending, or gone, is asked again for about a second; a class that is not
// registered is asked once.
TEST(LouieConnection, CreationIsAskedAgainOnlyForPassingFailures) {
    struct Case {
        HRESULT code;
        int failures;
        bool connects;
    };
    const Case cases[] = {
        {CO_E_SERVER_STOPPING, 2, true},   {HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), 1, true},
        {RPC_E_SERVERFAULT, 1, true},      {E_NOINTERFACE, 4, true},
        {CO_E_SERVER_STOPPING, -1, false}, {REGDB_E_CLASSNOTREG, -1, false},
        {E_OUTOFMEMORY, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.code << " x" << c.failures);
        ScriptedServer server;
        server.FailCreation(c.code, c.failures);
        const DWORD start = GetTickCount();
        LouiePtr louie = MakeLouie();
        const DWORD elapsed = GetTickCount() - start;
        EXPECT_EQ(server.ObjectsCreated(), c.connects ? 1 : 0);
        const bool passing = c.code != REGDB_E_CLASSNOTREG && c.code != E_OUTOFMEMORY;
        EXPECT_EQ(server.CreationAttempts(),
                  c.connects ? c.failures + 1 : (passing ? 5 : 1));  // five attempts at most
        EXPECT_LE(elapsed, passing ? 1500u : 100u);
    }
}
