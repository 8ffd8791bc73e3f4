// Louie's document queries, point of view, string queries and the held image section with
// resurrection, against the scripted server and real named sections.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "allocation_spy.h"
#include "kelocli.h"
#include "scripted_fixture.h"
#include "scripted_server.h"

using testsupport::Reply;
using testsupport::ScriptedDispId;
using testsupport::ScriptedServer;
using testsupport::SeenCall;

namespace {

using LouiePtr = std::unique_ptr<Louie>;

class LouieQueries : public testsupport::ScriptedClientTest<Louie> {
  protected:
    std::unique_ptr<Louie>& louie = client;
};

// A named section made by the test, as the server would publish one.
class TestSection {
  public:
    explicit TestSection(const char* name)
        : handle_(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, name)),
          name_(name) {}
    ~TestSection() { Close(); }
    void Close() {
        if (handle_ != nullptr) CloseHandle(handle_);
        handle_ = nullptr;
    }
    bool Exists() const { return Exists(name_.c_str()); }
    static bool Exists(const char* name) {
        HANDLE probe = OpenFileMappingA(FILE_MAP_READ, FALSE, name);
        if (probe == nullptr) return false;
        CloseHandle(probe);
        return true;
    }
    HANDLE Handle() const { return handle_; }

  private:
    HANDLE handle_;
    std::string name_;
};

std::wstring Text(BSTR text) {
    return text == nullptr ? L"<null>" : std::wstring(text);
}

}  // namespace

TEST(LouieQueriesWithoutServer, WriteNothingButTheNullStrings) {
    LouiePtr louie(new Louie);
    long width = 11, height = 12;
    short hres = 13, vres = 14, depth = 15;
    EXPECT_EQ(louie->GetInfo(&width, &height, &hres, &vres, &depth), 0);
    EXPECT_EQ(width, 11);
    EXPECT_EQ(depth, 15);
    double values[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(louie->GetPointOfView(&values[0], &values[1], &values[2], &values[3], &values[4],
                                    &values[5]),
              0);
    EXPECT_EQ(
        louie->Get3DInfo(&values[0], &values[1], &values[2], &values[3], &values[4], &values[5]),
        0);
    EXPECT_EQ(values[5], 6);
    BSTR name = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(louie->GetSecName(&name), 0);
    EXPECT_EQ(name, nullptr);
    EXPECT_EQ(louie->Resurrect(nullptr), -1025);
    louie->SaveResurrectionData();
    EXPECT_EQ(louie->sectionName, nullptr);
}

TEST_F(LouieQueries, GetInfoAsksOnlyForTheRequestedValuesInOrder) {
    server.Answer(L"GetWidth", Reply::Long(100000));
    server.Answer(L"GetHeight", Reply::Long(800));
    server.Answer(L"GetHorizontalRes", Reply::Short(72));
    server.Answer(L"GetVerticalRes", Reply::Short(96));
    server.Answer(L"GetDepth", Reply::Short(24));

    EXPECT_EQ(louie->GetInfo(nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_TRUE(server.Calls().empty());
    EXPECT_TRUE(server.Lookups().empty());

    short depth = 0;
    EXPECT_EQ(louie->GetInfo(nullptr, nullptr, nullptr, nullptr, &depth), 0);
    EXPECT_EQ(depth, 24);
    EXPECT_EQ(server.CallNames(), std::vector<std::wstring>{L"GetDepth"});

    server.ClearRecords();
    long width = 0, height = 0;
    short hres = 0, vres = 0;
    EXPECT_EQ(louie->GetInfo(&width, &height, &hres, &vres, &depth), 0);
    EXPECT_EQ(width, 100000);
    EXPECT_EQ(height, 800);
    EXPECT_EQ(hres, 72);
    EXPECT_EQ(vres, 96);
    EXPECT_EQ(server.CallNames(),
              (std::vector<std::wstring>{L"GetWidth", L"GetHeight", L"GetHorizontalRes",
                                         L"GetVerticalRes", L"GetDepth"}));
}

TEST_F(LouieQueries, GetInfoWritesTheValueFieldWhateverItsType) {
    Reply widthAsShort = Reply::Short(0);
    widthAsShort.bits = 0x00012345;  // a 32-bit value behind a VT_I2 tag
    server.Answer(L"GetWidth", widthAsShort);
    server.Answer(L"GetDepth", Reply::Long(0x00050008));  // only the low 16 bits are taken
    long width = 0;
    short depth = 0;
    EXPECT_EQ(louie->GetInfo(&width, nullptr, nullptr, nullptr, &depth), 0);
    EXPECT_EQ(width, 0x12345);
    EXPECT_EQ(depth, 8);
}

TEST_F(LouieQueries, GetInfoStopsAtTheFirstFailingCall) {
    server.Answer(L"GetWidth", Reply::Long(640));
    server.Answer(L"GetHeight", Reply::Failure(E_FAIL));
    long width = 0, height = 99;
    short hres = 5, vres = 6, depth = 7;
    EXPECT_EQ(louie->GetInfo(&width, &height, &hres, &vres, &depth), E_FAIL);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 0) << "the failing value receives the cleared answer";
    EXPECT_EQ(hres, 5);
    EXPECT_EQ(vres, 6);
    EXPECT_EQ(depth, 7);
    EXPECT_EQ(server.CallNames(), (std::vector<std::wstring>{L"GetWidth", L"GetHeight"}));

    Reply filledFailure = Reply::Long(480);
    filledFailure.code = E_FAIL;
    server.Answer(L"GetHeight", filledFailure);
    EXPECT_EQ(louie->GetInfo(nullptr, &height, nullptr, nullptr, nullptr), E_FAIL);
    EXPECT_EQ(height, 480) << "what the failing server filled in is kept";

    server.RefuseLookup(L"GetVerticalRes", DISP_E_UNKNOWNNAME);
    height = 1;
    EXPECT_EQ(louie->GetInfo(nullptr, nullptr, nullptr, &vres, &depth), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(vres, 6) << "a failed lookup writes nothing";
    EXPECT_EQ(depth, 7);
}

TEST_F(LouieQueries, SetPointOfViewSendsSixDoublesThenTheFlag) {
    server.Answer(L"SETPOV", Reply::Short(2));
    EXPECT_EQ(louie->SetPointOfView(1.5, -2.25, 3.0, 0.1, -0.2, 0.3, -7), 2);
    ASSERT_EQ(server.Calls().size(), 1u);
    const SeenCall& call = server.Calls()[0];
    ASSERT_EQ(call.argumentCount, 7u);
    const double expected[] = {1.5, -2.25, 3.0, 0.1, -0.2, 0.3};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(call.arguments[i].type, VT_R8);
        EXPECT_EQ(call.arguments[i].AsDouble(), expected[i]);
    }
    EXPECT_EQ(call.arguments[6].type, VT_I2);
    EXPECT_EQ(call.arguments[6].AsShort(), -7);
    EXPECT_EQ(server.Lookups(), std::vector<std::wstring>{L"SETPOV"});
}

TEST_F(LouieQueries, PointOfViewAndThreeDInfoComeBackThroughTheDoubles) {
    server.Answer(L"GETPOV", Reply::Doubles({10, 20, 30, 0.5, 0.25, -0.125}, 1));
    server.Answer(L"GET3DINFO", Reply::Doubles({1, 2, 3, 40, 50, 60}));
    double pov[6] = {};
    EXPECT_EQ(louie->GetPointOfView(&pov[0], &pov[1], &pov[2], &pov[3], &pov[4], &pov[5]), 1);
    EXPECT_EQ(pov[0], 10);
    EXPECT_EQ(pov[5], -0.125);
    double info[6] = {};
    EXPECT_EQ(louie->Get3DInfo(&info[0], &info[1], &info[2], &info[3], &info[4], &info[5]), 0);
    EXPECT_EQ(info[2], 3);
    EXPECT_EQ(info[3], 40);
    for (const SeenCall& call : server.Calls()) {
        ASSERT_EQ(call.argumentCount, 6u);
        for (const auto& argument : call.arguments) EXPECT_EQ(argument.type, VT_BYREF | VT_R8);
        EXPECT_TRUE(call.resultRequested);
    }
    EXPECT_EQ(server.Calls()[0].arguments[4].target, &pov[4]);

    server.Answer(L"GETPOV", Reply::Failure(E_FAIL));
    server.Answer(L"GET3DINFO", Reply::Failure(0x80070005));
    double before = pov[1];
    EXPECT_EQ(louie->GetPointOfView(&pov[0], &pov[1], &pov[2], &pov[3], &pov[4], &pov[5]), 0);
    EXPECT_EQ(pov[1], before);
    EXPECT_EQ(louie->Get3DInfo(&info[0], &info[1], &info[2], &info[3], &info[4], &info[5]),
              static_cast<long>(0x80070005));
}

TEST_F(LouieQueries, StringQueriesHandTheStringToTheCaller) {
    testsupport::AllocationSpy spy;
    server.Answer(L"GetSectionName", Reply::Text(L"PimbaxImage1"));
    server.Answer(L"GETFILENAME", Reply::Text(L"C:\\a.bmp"));
    server.Answer(L"GetPaletteInfo", Reply::Failure(E_FAIL));
    Reply nullText = Reply::Text(L"");
    nullText.nullText = true;
    server.Answer(L"GetFontInfo", nullText);

    BSTR section = nullptr, file = nullptr, palette = reinterpret_cast<BSTR>(1),
         font = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(louie->GetSecName(&section), 0);
    EXPECT_EQ(louie->GetFileName(&file), 0);
    EXPECT_EQ(louie->GetPaletteInfo(&palette), E_FAIL);
    EXPECT_EQ(louie->GetFontInfo(&font), 0);
    EXPECT_EQ(Text(section), L"PimbaxImage1");
    EXPECT_EQ(Text(file), L"C:\\a.bmp");
    EXPECT_EQ(palette, nullptr);
    EXPECT_EQ(font, nullptr);
    EXPECT_EQ(spy.Alive(), 2u) << "the two strings now belong to the caller";
    SysFreeString(section);
    SysFreeString(file);

    server.Answer(L"GetSectionName", Reply::Long(0x1234));  // not a string
    EXPECT_EQ(louie->GetSecName(&section), 0);
    EXPECT_EQ(section, nullptr);
    EXPECT_EQ(spy.Alive(), 0u);
    EXPECT_EQ(spy.UnknownFrees(), 0);
}

TEST_F(LouieQueries, SaveResurrectionDataHoldsTheSectionWithAReadHandle) {
    TestSection section("KeloTestSectionA");
    server.Answer(L"GetSectionName", Reply::Text(L"KeloTestSectionA"));
    louie->SaveResurrectionData();
    EXPECT_EQ(Text(louie->sectionName), L"KeloTestSectionA");
    ASSERT_NE(louie->sectionHandle, nullptr);
    // The handle reads but does not write.
    EXPECT_EQ(MapViewOfFile(louie->sectionHandle, FILE_MAP_WRITE, 0, 0, 0), nullptr);
    void* view = MapViewOfFile(louie->sectionHandle, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(view, nullptr);
    UnmapViewOfFile(view);

    // The held handle keeps the section alive after its maker closed it.
    section.Close();
    EXPECT_TRUE(TestSection::Exists("KeloTestSectionA"));
    louie.reset();
    EXPECT_FALSE(TestSection::Exists("KeloTestSectionA"));
}

TEST_F(LouieQueries, SaveResurrectionDataReplacesTheHeldPair) {
    testsupport::AllocationSpy spy;
    TestSection first("KeloFirst");
    TestSection second("KeloSecond");
    server.Answer(L"GetSectionName", Reply::Text(L"KeloFirst"));
    louie->SaveResurrectionData();
    server.Answer(L"GetSectionName", Reply::Text(L"KeloSecond"));
    louie->SaveResurrectionData();
    first.Close();
    EXPECT_FALSE(TestSection::Exists("KeloFirst")) << "the first handle was closed";
    EXPECT_EQ(Text(louie->sectionName), L"KeloSecond");

    // The same name in another case: section names are case-sensitive to the system, so the
    // spelling the server reports now is the one held and opened, and the old handle is closed.
    TestSection upper("KELOSECOND");
    server.Answer(L"GetSectionName", Reply::Text(L"KELOSECOND"));
    louie->SaveResurrectionData();
    EXPECT_EQ(Text(louie->sectionName), L"KELOSECOND");
    EXPECT_NE(louie->sectionHandle, nullptr);
    EXPECT_EQ(spy.Alive(), 1u) << "only the held name is alive";
    second.Close();
    EXPECT_FALSE(TestSection::Exists("KeloSecond"));
    upper.Close();
    EXPECT_TRUE(TestSection::Exists("KELOSECOND"));
    louie.reset();
    EXPECT_FALSE(TestSection::Exists("KELOSECOND")) << "no handle leaked";
    EXPECT_EQ(spy.Alive(), 0u);
    EXPECT_EQ(spy.UnknownFrees(), 0);
}

TEST_F(LouieQueries, SaveResurrectionDataKeepsANameItCannotOpen) {
    server.Answer(L"GetSectionName", Reply::Text(L"NoSuchSection"));
    louie->SaveResurrectionData();
    EXPECT_EQ(Text(louie->sectionName), L"NoSuchSection");
    EXPECT_EQ(louie->sectionHandle, nullptr);

    // 20 characters do not fit the name buffer with its terminator: never opened.
    TestSection twenty("KeloTwentyCharacters");
    TestSection nineteen("KeloTwentyCharacter");
    server.Answer(L"GetSectionName", Reply::Text(L"KeloTwentyCharacters"));
    louie->SaveResurrectionData();
    EXPECT_EQ(Text(louie->sectionName), L"KeloTwentyCharacters");
    EXPECT_EQ(louie->sectionHandle, nullptr);

    // Without a name from the server nothing changes.
    server.Answer(L"GetSectionName", Reply::Failure(E_FAIL));
    BSTR held = louie->sectionName;
    louie->SaveResurrectionData();
    EXPECT_EQ(louie->sectionName, held);
}

TEST_F(LouieQueries, ResurrectReplacesTheServerObjectKeepingTheCache) {
    testsupport::AllocationSpy spy;
    TestSection section("KeloResurrect");
    server.Answer(L"GetSectionName", Reply::Text(L"KeloResurrect"));
    louie->SaveResurrectionData();
    long width = 0;
    louie->GetInfo(&width, nullptr, nullptr, nullptr, nullptr);
    server.ClearRecords();

    server.Answer(L"Resurrect", Reply::Short(0));
    BSTR file = SysAllocString(L"C:\\pictures\\a.bmp");
    EXPECT_EQ(louie->Resurrect(file), 0);
    EXPECT_EQ(server.CallNames(), (std::vector<std::wstring>{L"Close", L"Resurrect"}));
    EXPECT_EQ(server.ObjectsCreated(), 2);
    EXPECT_EQ(server.ObjectsAlive(), 1);
    const SeenCall& call = server.Calls()[1];
    ASSERT_EQ(call.argumentCount, 2u);
    EXPECT_EQ(call.arguments[0].textPointer, louie->sectionName) << "sent as it is";
    EXPECT_EQ(call.arguments[1].textPointer, file);
    EXPECT_NE(louie->sectionHandle, nullptr) << "the held section stays";

    // The identifiers learnt from the old object serve the new one.
    server.ClearRecords();
    louie->GetInfo(&width, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(server.Lookups().empty());
    EXPECT_EQ(server.CallNames(), std::vector<std::wstring>{L"GetWidth"});

    SysFreeString(file);
    louie.reset();
    EXPECT_EQ(spy.Alive(), 0u);
    EXPECT_EQ(spy.UnknownFrees(), 0);
}

TEST_F(LouieQueries, ResurrectResults) {
    BSTR file = SysAllocString(L"f");
    EXPECT_EQ(louie->Resurrect(file), -1025) << "no section held";
    EXPECT_TRUE(server.Calls().empty());
    EXPECT_EQ(server.ObjectsCreated(), 1);

    louie->ResurrectSection(SysAllocString(L"Held"), file);
    server.Answer(L"Resurrect", Reply::Long(3));  // the 16-bit field counts whatever its type
    EXPECT_EQ(louie->Resurrect(file), 3);
    server.Answer(L"Resurrect", Reply::Failure(E_FAIL));
    EXPECT_EQ(louie->Resurrect(file), -1025);
    Reply failedWithResult = Reply::Short(-4);
    failedWithResult.code = E_FAIL;
    server.Answer(L"Resurrect", failedWithResult);
    EXPECT_EQ(louie->Resurrect(file), -4);

    server.RefuseLookup(L"Resurrect");
    LouiePtr fresh(new Louie);
    fresh->ResurrectSection(SysAllocString(L"Held"), file);
    EXPECT_EQ(fresh->Resurrect(file), -1025) << "the name cannot be looked up";

    server.FailCreation(E_OUTOFMEMORY);
    server.ClearRecords();
    EXPECT_EQ(louie->Resurrect(file), -1025);
    EXPECT_EQ(server.CallNames(), std::vector<std::wstring>{L"Close"});
    char name[] = "x.bmp";
    EXPECT_EQ(louie->Open(name), 0);
    EXPECT_EQ(server.Calls().size(), 1u) << "without server nothing more is sent";
    SysFreeString(file);
}

TEST_F(LouieQueries, ResurrectSectionReleasesTheHeldSectionAndOwnsTheNewName) {
    testsupport::AllocationSpy spy;
    TestSection section("KeloHeld");
    server.Answer(L"GetSectionName", Reply::Text(L"KeloHeld"));
    louie->SaveResurrectionData();
    ASSERT_NE(louie->sectionHandle, nullptr);
    section.Close();

    BSTR name = SysAllocString(L"KeloNext");
    BSTR file = SysAllocString(L"C:\\next.bmp");
    server.Answer(L"Resurrect", Reply::Short(0));
    EXPECT_EQ(louie->ResurrectSection(name, file), 0);
    EXPECT_FALSE(TestSection::Exists("KeloHeld")) << "the held handle was closed";
    EXPECT_EQ(louie->sectionName, name);
    EXPECT_EQ(louie->sectionHandle, nullptr);
    EXPECT_EQ(spy.Alive(), 2u) << "the new name and the caller's file name";

    // Giving the held name itself back keeps it.
    EXPECT_EQ(louie->ResurrectSection(louie->sectionName, file), 0);
    EXPECT_EQ(louie->sectionName, name);

    SysFreeString(file);
    louie.reset();
    EXPECT_EQ(spy.Alive(), 0u);
    EXPECT_EQ(spy.UnknownFrees(), 0);
}

TEST_F(LouieQueries, AShortSectionNameOpensUnderItsEightBitName) {
    TestSection section("abc");
    server.Answer(L"GetSectionName", Reply::Text(L"abc"));
    louie->SaveResurrectionData();
    EXPECT_NE(louie->sectionHandle, nullptr);
}
