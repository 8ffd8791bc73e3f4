// Dewey: ownership of its Louie, the forwarding members, the string narrowing into host buffers,
// resurrection from host strings, and the three kind tests.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "allocation_spy.h"
#include "kelocli.h"
#include "scripted_fixture.h"
#include "scripted_server.h"

using testsupport::Reply;
using testsupport::ScriptedServer;
using testsupport::SeenCall;

namespace {

using DeweyPtr = std::unique_ptr<Dewey>;

class DeweyTest : public testsupport::ScriptedClientTest<Dewey> {
  protected:
    // Runs a string query against a scripted answer; the buffer starts filled with 0x7F so that
    // every byte written shows.
    short Query(short (Dewey::*query)(char*), const wchar_t* method, const std::wstring& text) {
        server.Answer(method, Reply::Text(text));
        std::memset(buffer, 0x7F, sizeof buffer);
        return (dewey.get()->*query)(buffer);
    }

    std::unique_ptr<Dewey>& dewey = client;
    char buffer[600];
};

}  // namespace

TEST(DeweyOwnership, CreatesAndEndsOneServerObject) {
    ScriptedServer server;
    {
        DeweyPtr dewey(new Dewey);
        EXPECT_EQ(server.ObjectsAlive(), 1);
        EXPECT_EQ(server.CallNames(), std::vector<std::wstring>{L"NotifyProcessID"});
        server.ClearRecords();
    }
    EXPECT_EQ(server.CallNames(), std::vector<std::wstring>{L"Close"});
    EXPECT_EQ(server.ObjectsAlive(), 0);
}

TEST(DeweyOwnership, NewAnswersNullWhenMemoryRunsOut) {
    ZevObject::FailNextAllocations(1);
    Dewey* dewey = new Dewey;
    EXPECT_EQ(dewey, nullptr);
    dewey = new Dewey;
    EXPECT_NE(dewey, nullptr) << "only the next allocation failed";
    delete dewey;
}

TEST(DeweyOwnership, WithoutItsLouieEveryMemberAnswersItsDefault) {
    ScriptedServer server;
    // Take the Dewey's own memory first, then make its constructor's allocation fail.
    Dewey* raw = static_cast<Dewey*>(ZevObject::operator new(sizeof(Dewey)));
    ASSERT_NE(raw, nullptr);
    ZevObject::FailNextAllocations(1);
    ::new (raw) Dewey;
    DeweyPtr bare(raw);
    EXPECT_EQ(server.ObjectsCreated(), 0) << "no Louie, no server object";
    char name[] = "a.bmp";
    char text[32];
    EXPECT_EQ(bare->Open(name), 0);
    EXPECT_EQ(bare->Save(), 0);
    EXPECT_EQ(bare->Paste(), -1);
    EXPECT_EQ(bare->GetSectionName(text), 1);
    EXPECT_EQ(text[0], '\0');
    EXPECT_EQ(bare->IsEntity(), 1);
    EXPECT_EQ(bare->IsRaster(), 0);
    EXPECT_EQ(bare->ResurrectSection(name, name), -1025);
    long width = 5;
    EXPECT_EQ(bare->GetInfo(&width, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(width, 5);
    long process = 1, thread = 1;
    EXPECT_EQ(bare->GetProcessID(&process, &thread), 0);
    EXPECT_EQ(process, 0);
    EXPECT_EQ(thread, 0);
    Huey view(bare.get());
    EXPECT_EQ(view.Paint(), 0);
}

TEST_F(DeweyTest, ForwardsArgumentsAndResultsUnchanged) {
    server.Answer(L"Rasterize", Reply::Short(-12));
    EXPECT_EQ(dewey->Rasterize(1024, 640, 8), -12);
    ASSERT_EQ(server.Calls().size(), 1u);
    EXPECT_EQ(server.Calls()[0].arguments[1].AsShort(), 640);

    server.Answer(L"GetWidth", Reply::Failure(E_FAIL));
    long width = 0;
    EXPECT_EQ(dewey->GetInfo(&width, nullptr, nullptr, nullptr, nullptr), E_FAIL);

    RECT rect = {30, 40, 10, 20};
    dewey->Crop(&rect);
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.right, 30);
    EXPECT_EQ(rect.top, 20);
    EXPECT_EQ(rect.bottom, 40);
}

TEST_F(DeweyTest, StringQueriesKeepTheLowByteUpToTheirLimits) {
    EXPECT_EQ(Query(&Dewey::GetSectionName, L"GetSectionName", std::wstring(19, L'n')), 0);
    EXPECT_EQ(std::string(buffer), std::string(19, 'n'));
    EXPECT_EQ(buffer[20], 0x7F) << "nothing past the terminator";

    EXPECT_EQ(Query(&Dewey::GetSectionName, L"GetSectionName", std::wstring(25, L'n')), 0);
    EXPECT_EQ(std::string(buffer, 20), std::string(20, 'n'));
    EXPECT_EQ(buffer[20], 0x7F) << "20 bytes and no terminator";

    EXPECT_EQ(Query(&Dewey::GetPaletteInfo, L"GetPaletteInfo", std::wstring(30, L'p')), 0);
    EXPECT_EQ(buffer[19], 'p');
    EXPECT_EQ(buffer[20], 0x7F);
    EXPECT_EQ(Query(&Dewey::GetFontInfo, L"GetFontInfo", std::wstring(30, L'f')), 0);
    EXPECT_EQ(buffer[20], 0x7F);

    EXPECT_EQ(Query(&Dewey::GetFileName, L"GETFILENAME", std::wstring(515, L'x')), 0);
    EXPECT_EQ(std::strlen(buffer), 515u);
    EXPECT_EQ(Query(&Dewey::GetFileName, L"GETFILENAME", std::wstring(600, L'x')), 0);
    EXPECT_EQ(buffer[515], 'x');
    EXPECT_EQ(buffer[516], 0x7F);

    std::wstring mixed = L"a";
    mixed += wchar_t(0x00E9);
    mixed += wchar_t(0x0141);
    mixed += wchar_t(0x0100);
    mixed += L"zz";
    EXPECT_EQ(Query(&Dewey::GetSectionName, L"GetSectionName", mixed), 0);
    EXPECT_EQ(buffer[0], 'a');
    EXPECT_EQ(static_cast<unsigned char>(buffer[1]), 0xE9);
    EXPECT_EQ(buffer[2], 0x41);
    EXPECT_EQ(buffer[3], '\0') << "U+0100 ends the copy";
    EXPECT_EQ(buffer[4], 0x7F);
}

TEST_F(DeweyTest, AStringQueryWithoutAnswerLeavesAnEmptyBuffer) {
    testsupport::AllocationSpy spy;
    server.Answer(L"GetSectionName", Reply::Failure(E_FAIL));
    std::memset(buffer, 0x7F, sizeof buffer);
    EXPECT_EQ(dewey->GetSectionName(buffer), 1);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], 0x7F);
    EXPECT_EQ(Query(&Dewey::GetFileName, L"GETFILENAME", L"C:\\a.bmp"), 0);
    EXPECT_EQ(spy.Alive(), 0u) << "the server's strings are freed";
    EXPECT_EQ(spy.UnknownFrees(), 0);
}

TEST_F(DeweyTest, ResurrectSectionWidensBothNamesAndGivesTheSectionToTheLouie) {
    testsupport::AllocationSpy spy;
    server.Answer(L"Resurrect", Reply::Short(0));
    char section[] = "Pimbax\xE9";
    char file[] = "C:\\pictures\\a.bmp";
    EXPECT_EQ(dewey->ResurrectSection(section, file), 0);
    const std::vector<SeenCall> calls = server.CallsOf(L"Resurrect");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].arguments[0].text.size(), 7u);
    EXPECT_EQ(calls[0].arguments[0].text[6] & 0xFF, 0xE9);
    EXPECT_EQ(calls[0].arguments[1].text, L"C:\\pictures\\a.bmp");
    EXPECT_EQ(spy.Alive(), 1u) << "the file name is freed, the section name is held";
    dewey.reset();
    EXPECT_EQ(spy.Alive(), 0u) << "the Louie frees the section name";
    EXPECT_EQ(spy.UnknownFrees(), 0);
}

TEST_F(DeweyTest, ResurrectSectionCutsOverlongNames) {
    std::string section(40, 's');
    std::string file(700, 'f');
    dewey->ResurrectSection(section.data(), file.data());
    const std::vector<SeenCall> calls = server.CallsOf(L"Resurrect");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].arguments[0].text, std::wstring(29, L's'));
    EXPECT_EQ(calls[0].arguments[1].text, std::wstring(515, L'f'));
}

TEST_F(DeweyTest, KindTestsAskAnewEachTime) {
    server.AnswerNext(
        L"IsRaster",
        {Reply::Short(1), Reply::Short(1), Reply::Short(1), Reply::Short(0), Reply::Short(0),
         Reply::Short(0), Reply::Failure(E_FAIL), Reply::Failure(E_FAIL), Reply::Failure(E_FAIL),
         Reply::Short(2), Reply::Short(2), Reply::Short(2)});
    const int expected[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}};
    for (const auto& row : expected) {
        EXPECT_EQ(dewey->IsRaster(), row[0]);
        EXPECT_EQ(dewey->IsVector(), row[1]);
        EXPECT_EQ(dewey->IsEntity(), row[2]);
    }
    EXPECT_EQ(server.CallsOf(L"IsRaster").size(), 12u);
}

TEST(DeweyWithoutServer, AnswersAsItsLouieDoes) {
    DeweyPtr dewey(new Dewey);
    char buffer[20];
    buffer[0] = 'x';
    EXPECT_EQ(dewey->GetSectionName(buffer), 1);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(dewey->IsEntity(), 1);
    EXPECT_EQ(dewey->IsRaster(), 0);
    EXPECT_EQ(dewey->IsVector(), 0);
    EXPECT_EQ(dewey->Invert(), 0);
}
