// Dewey::Print against the scripted server, onto a memory device context standing in for the
// printer: which path each kind takes, the reductions to the pixel budget, the image section with
// and without its leading block, and the failures.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bgra_canvas.h"
#include "kelocli.h"
#include "packed_dib.h"
#include "scripted_server.h"

using testsupport::MakePackedDib;
using testsupport::PackedDib;
using testsupport::Quad;
using testsupport::Reply;
using testsupport::ScriptedServer;
using testsupport::SeenCall;
using testsupport::TestSection;

namespace {

using Names = std::vector<std::wstring>;

constexpr COLORREF kPaper = RGB(255, 255, 255);

std::vector<short> Shorts(const SeenCall& call) {
    std::vector<short> values;
    for (const auto& argument : call.arguments) values.push_back(argument.AsShort());
    return values;
}

class Printing : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(page.Create(16, 16, kPaper));
        dewey = new Dewey;
        server.ClearRecords();
    }
    void TearDown() override { delete dewey; }

    void AnswerImage(long width, long height, short depth) {
        server.Answer(L"IsRaster", Reply::Short(1));
        server.Answer(L"GetWidth", Reply::Long(width));
        server.Answer(L"GetHeight", Reply::Long(height));
        server.Answer(L"GetDepth", Reply::Short(depth));
    }

    short Print(RECT part, RECT area) { return dewey->Print(page.Dc(), &part, &area); }

    ScriptedServer server;
    Dewey* dewey = nullptr;
    kelocli::BgraCanvas page;
};

// 2 x 2 at 24 bits: red, green over blue, white.
PackedDib Picture() {
    return MakePackedDib(2, 2, 24, {}, {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}});
}

}  // namespace

TEST_F(Printing, ImagesOverTheBudgetAreHalvedUntilTheyFit) {
    struct Case {
        long width;
        long height;
        short depth;
        std::vector<std::vector<short>> resizes;
    };
    const Case cases[] = {
        {4000, 3000, 24, {{2000, 1500, 0}}},  // 36,000,000 bytes
        {4000, 4000, 8, {}},                  // exactly 16,000,000
        {4000, 4001, 8, {{2000, 2000, 0}}},
        {10000, 10000, 1, {}},  // rows of 1,252 bytes
        {16000, 16000, 32, {{8000, 8000, 0}, {4000, 4000, 0}, {2000, 2000, 0}}},
        {0, 0, 24, {}},
    };
    for (const Case& c : cases) {
        AnswerImage(c.width, c.height, c.depth);
        server.ClearRecords();
        // No section named: nothing to print from.
        EXPECT_EQ(Print({0, 0, 4, 4}, {0, 0, 4, 4}), -1007) << c.width;
        Names expected = {L"IsRaster", L"GetWidth", L"GetHeight", L"GetDepth"};
        expected.insert(expected.end(), c.resizes.size(), L"Resize");
        expected.push_back(L"GetSectionName");
        EXPECT_EQ(server.CallNames(), expected) << c.width;
        const std::vector<SeenCall> resizes = server.CallsOf(L"Resize");
        for (std::size_t i = 0; i < resizes.size() && i < c.resizes.size(); ++i) {
            EXPECT_EQ(Shorts(resizes[i]), c.resizes[i]) << c.width << " " << i;
        }
    }
}

TEST_F(Printing, ARefusedReductionOrRasterizationIsReturnedAtOnce) {
    AnswerImage(4000, 3000, 24);
    server.Answer(L"Resize", Reply::Short(7));
    EXPECT_EQ(Print({0, 0, 4000, 3000}, {0, 0, 4, 4}), 7);
    EXPECT_EQ(server.CallNames(),
              (Names{L"IsRaster", L"GetWidth", L"GetHeight", L"GetDepth", L"Resize"}));

    server.Answer(L"IsRaster", Reply::Short(-1));
    server.Answer(L"Rasterize", Reply::Short(5));
    server.ClearRecords();
    EXPECT_EQ(Print({3, 4, 300, 200}, {0, 0, 4, 4}), 5);
    EXPECT_EQ(server.CallNames(), (Names{L"IsRaster", L"IsRaster", L"Rasterize"}));
    EXPECT_EQ(Shorts(server.CallsOf(L"Rasterize")[0]), (std::vector<short>{300, 200, 8}));
}

TEST_F(Printing, PrintsFromTheSectionWithOrWithoutItsLeadingBlockAndLetsItGo) {
    const PackedDib picture = Picture();
    for (std::size_t offset : {0u, 8u}) {
        TestSection section("KeloPrintImage", 4096);
        section.Write(std::vector<unsigned char>(8, 0xAB));
        section.Write(picture.bytes, offset);
        section.Unmap();
        AnswerImage(2, 2, 24);
        server.Answer(L"GetSectionName", Reply::Text(L"KeloPrintImage"));
        page.Create(16, 16, kPaper);
        EXPECT_EQ(Print({0, 0, 2, 2}, {5, 6, 7, 8}), 0) << offset;
        EXPECT_EQ(page.At(5, 6), RGB(255, 0, 0)) << offset;
        EXPECT_EQ(page.At(6, 6), RGB(0, 255, 0)) << offset;
        EXPECT_EQ(page.At(5, 7), RGB(0, 0, 255)) << offset;
        EXPECT_EQ(page.At(7, 7), kPaper) << offset;
        // Nothing stays mapped or open: the section ends with the test's own handle.
        EXPECT_EQ(testsupport::MappedViewsStartingWith(picture.bytes.data(), 40), 0) << offset;
        section.Close();
        EXPECT_FALSE(testsupport::SectionExists("KeloPrintImage")) << offset;
    }
}

TEST_F(Printing, WithoutASectionOrABlitterTheResultIsMinus1007) {
    AnswerImage(2, 2, 24);
    server.Answer(L"GetSectionName", Reply::Text(L"KeloNoSuchPrintImage"));
    EXPECT_EQ(Print({0, 0, 2, 2}, {0, 0, 2, 2}), -1007);

    TestSection section("KeloPrintImage", 4096);
    section.Write(Picture().bytes);
    section.Unmap();
    server.Answer(L"GetSectionName", Reply::Text(L"KeloPrintImage"));
    ZevObject::FailNextAllocations(1);
    EXPECT_EQ(Print({0, 0, 2, 2}, {0, 0, 2, 2}), -1007);
    ZevObject::FailNextAllocations(0);
    EXPECT_EQ(page.At(0, 0), kPaper);
    EXPECT_EQ(testsupport::MappedViewsStartingWith(Picture().bytes.data(), 40), 0);
    section.Close();
    EXPECT_FALSE(testsupport::SectionExists("KeloPrintImage"));
}

TEST_F(Printing, DrawingsArePaintedIntoAMetafilePlayedOntoThePage) {
    for (short kind : {0, 2}) {
        AnswerImage(200, 100, 24);
        server.Answer(L"IsRaster", Reply::Short(kind));
        server.ClearRecords();
        EXPECT_EQ(Print({10, 20, 110, 70}, {0, 0, 8, 8}), 0) << kind;
        EXPECT_EQ(server.CallNames(),
                  (Names{L"IsRaster", L"IsRaster", L"GetWidth", L"GetHeight", L"Attach", L"Paint"}))
            << kind;
        const std::vector<SeenCall> attach = server.CallsOf(L"Attach");
        ASSERT_EQ(attach.size(), 1u);
        EXPECT_EQ(attach[0].arguments[0].AsLong(), 0);
        EXPECT_NE(attach[0].arguments[1].AsLong(), 0);  // the metafile's device context
        EXPECT_EQ(Shorts(server.CallsOf(L"Paint")[0]),
                  (std::vector<short>{10, 20, 110, 70, 0, 0, 200, 100}));
    }
}

TEST_F(Printing, NullArgumentsAreRefusedAskingNothing) {
    RECT rect = {0, 0, 2, 2};
    EXPECT_EQ(dewey->Print(nullptr, &rect, &rect), -1025);
    EXPECT_EQ(dewey->Print(page.Dc(), nullptr, &rect), -1025);
    EXPECT_EQ(dewey->Print(page.Dc(), &rect, nullptr), -1025);
    EXPECT_TRUE(server.CallNames().empty());
}
