// Raster images into drawings (traced regions, metafiles read back by the server's own reader)
// and into relief models.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "rendering/canvas.h"
#include "documents/byte_stream.h"
#include "documents/document.h"
#include "documents/document_kinds.h"
#include "imaging/editing.h"
#include "imaging/relief.h"
#include "imaging/vectorize.h"
#include "imaging_test_support.h"
#include "documents/scene_document.h"

namespace {

using imaging_tests::Colours;
using imaging_tests::Picture;
using pimbax::RasterImage;
using namespace pimbax::imaging;

// A picture from rows of letters, one colour per letter.
RasterImage Letters(const std::vector<std::string>& rows) {
    std::vector<COLORREF> colours;
    for (const std::string& row : rows)
        for (char c : row) colours.push_back(RGB((c - 'a') * 60, 255 - (c - 'a') * 50, 90));
    return Picture(static_cast<int>(rows[0].size()), colours, 24);
}

COLORREF Letter(char c) {
    return RGB((c - 'a') * 60, 255 - (c - 'a') * 50, 90);
}

std::vector<POINT> Box(int left, int top, int right, int bottom, bool clockwise) {
    if (clockwise) return {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
    return {{left, top}, {left, bottom}, {right, bottom}, {right, top}};
}

bool Same(const std::vector<POINT>& a, const std::vector<POINT>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].x != b[i].x || a[i].y != b[i].y) return false;
    }
    return true;
}

TEST(TraceRegions, OuterAndHoleBoundariesOfNestedRegions) {
    const RasterImage ring = Letters({"aaaaaa", "abbbba", "abccba", "abccba", "abbbba", "aaaaaa"});
    std::vector<TracedRegion> regions;
    ASSERT_EQ(pimbax::kOk, TraceRegions(ring, 3, 0, regions));
    ASSERT_EQ(3u, regions.size());
    const struct {
        char letter;
        std::size_t pixels;
        std::vector<POINT> outer;
        std::vector<std::vector<POINT>> holes;
    } expected[] = {
        {'a', 20, Box(0, 0, 6, 6, true), {Box(1, 1, 5, 5, false)}},
        {'b', 12, Box(1, 1, 5, 5, true), {Box(2, 2, 4, 4, false)}},
        {'c', 4, Box(2, 2, 4, 4, true), {}},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(Letter(expected[i].letter), regions[i].colour) << i;
        EXPECT_EQ(expected[i].pixels, regions[i].pixels) << i;
        EXPECT_TRUE(Same(expected[i].outer, regions[i].outer)) << i;
        ASSERT_EQ(expected[i].holes.size(), regions[i].holes.size()) << i;
        for (std::size_t h = 0; h < expected[i].holes.size(); ++h) {
            EXPECT_TRUE(Same(expected[i].holes[h], regions[i].holes[h])) << i;
        }
    }
}

TEST(TraceRegions, SmallRegionsJoinTheNeighbourTheyShareMostWith) {
    // c shares two edges with a and one with b. The lone a at (4, 2) touches the big a only at a
    // corner: a region of its own, and no hole of b, whose boundary turns at that corner.
    const RasterImage image = Letters({"aaacbb", "aaaabb", "aaabab", "aaabbb"});
    const struct {
        int smallest;
        std::vector<std::size_t> pixels;
        std::vector<std::size_t> outerPoints;
    } rows[] = {
        {0, {13, 1, 9, 1}, {8, 4, 10, 4}},
        {2, {14, 10}, {6, 6}},
        {11, {24}, {4}},
        {100, {24}, {4}},
    };
    for (const auto& row : rows) {
        std::vector<TracedRegion> regions;
        ASSERT_EQ(pimbax::kOk, TraceRegions(image, 3, row.smallest, regions));
        std::vector<std::size_t> pixels;
        std::vector<std::size_t> outerPoints;
        for (const TracedRegion& region : regions) {
            pixels.push_back(region.pixels);
            outerPoints.push_back(region.outer.size());
            EXPECT_TRUE(region.holes.empty());
        }
        EXPECT_EQ(row.pixels, pixels) << row.smallest;
        EXPECT_EQ(row.outerPoints, outerPoints) << row.smallest;
    }
    std::vector<TracedRegion> regions;
    for (const auto& bad : {std::make_pair(1, 0), std::make_pair(65, 0), std::make_pair(3, -1)}) {
        EXPECT_EQ(pimbax::kBadValue, TraceRegions(image, bad.first, bad.second, regions));
    }
}

// The drawing read back by the server's own reader, rendered at its nominal size.
std::vector<COLORREF> RenderBack(const std::vector<std::uint8_t>& metafile, int width, int height) {
    std::unique_ptr<pimbax::Document> drawing;
    EXPECT_EQ(pimbax::kOk,
              pimbax::MakeMetafileDocument(metafile.data(), metafile.size(), &drawing));
    if (!drawing) return {};
    EXPECT_EQ(width, drawing->Width());
    EXPECT_EQ(height, drawing->Height());
    pimbax::Canvas canvas;
    EXPECT_TRUE(canvas.Create(width, height));
    drawing->Render(canvas, {0, 0, static_cast<double>(width), static_cast<double>(height)},
                    RECT{0, 0, width, height});
    GdiFlush();
    std::vector<COLORREF> colours;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = canvas.Row(y)[x];
            colours.push_back(RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF));
        }
    return colours;
}

TEST(Vectorize, TheDrawingHasTheImageSizeAndRendersAsTheReducedImage) {
    // Blocks, a diagonal staircase and a ring, in many shades, wide enough to show any scaling.
    const int width = 2411;
    const int height = 61;
    std::vector<COLORREF> colours;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int distance = std::abs(x - 2350) + std::abs(y - 30);
            const bool ring = distance < 28 && distance > 12;
            const int shade = (x / 37 + y / 23) % 5;
            colours.push_back(ring    ? RGB(250, 10, 10)
                              : x > y ? RGB(shade * 50, 90, 200 - x / 4)
                                      : RGB(20, 200 - shade * 30, 40));
        }
    const RasterImage image = Picture(width, colours, 24);
    RasterImage reduced;
    ASSERT_EQ(pimbax::kOk, Reduce(image, 12, 0, 0, reduced));
    std::vector<std::uint8_t> metafile;
    ASSERT_EQ(pimbax::kOk, Vectorize(image, 12, 0, metafile));
    const std::vector<COLORREF> expected = Colours(reduced);
    const std::vector<COLORREF> drawn = RenderBack(metafile, width, height);
    ASSERT_EQ(expected.size(), drawn.size());
    std::size_t different = 0;
    for (std::size_t i = 0; i < drawn.size(); ++i) different += drawn[i] != expected[i];
    EXPECT_EQ(0u, different);
}

TEST(Relief, HeightsAreGreyLevelsAndFacesTakeTheImageColours) {
    const COLORREF red = RGB(255, 0, 0);
    const RasterImage image =
        Picture(3, {RGB(0, 0, 0), RGB(255, 255, 255), red, RGB(255, 255, 255), red, red}, 24);
    pimbax::Model model;
    ASSERT_EQ(pimbax::kOk, MakeRelief(image, model));
    ASSERT_EQ(6u, model.vertices.size());
    ASSERT_EQ(2u, model.FaceCount());
    // Top row at the far side; z = grey / 255 x 3 / 4.
    const pimbax::Vec3 expected[] = {
        {0, 2, 0}, {1.5, 2, 0.75}, {3, 2, 76 * 0.75 / 255}, {0, 0, 0.75}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_DOUBLE_EQ(expected[i].x, model.vertices[i].x) << i;
        EXPECT_DOUBLE_EQ(expected[i].y, model.vertices[i].y) << i;
        EXPECT_DOUBLE_EQ(expected[i].z, model.vertices[i].z) << i;
    }
    EXPECT_EQ((std::vector<std::uint32_t>{3, 4, 1, 0}),
              std::vector<std::uint32_t>(model.faceIndices.begin(), model.faceIndices.begin() + 4));
    EXPECT_EQ((std::vector<std::uint32_t>{RGB(191, 128, 128), RGB(255, 64, 64)}),
              model.faceColours);

    // Large images are sampled on a grid of at most 256 vertices a side.
    RasterImage large;
    ASSERT_TRUE(pimbax::AllocatePixels(large, 1000, 500, 24));
    ASSERT_EQ(pimbax::kOk, MakeRelief(large, model));
    EXPECT_EQ(256u * 128u, model.vertices.size());
    EXPECT_EQ(255u * 127u, model.FaceCount());
    EXPECT_DOUBLE_EQ(1000, model.high.x);
    EXPECT_DOUBLE_EQ(500, model.high.y);
    model.faceColours.pop_back();
    EXPECT_FALSE(pimbax::CheckModel(model));
}

// A relief of a red drawing, drawn as a scene, directly and after rebuilding: its faces are red,
// which no group colour is.
TEST(Relief, DrawingsBecomeReliefsDrawnInTheirOwnColours) {
    const RasterImage red = Picture(8, std::vector<COLORREF>(48, RGB(255, 0, 0)), 24);
    std::vector<std::uint8_t> metafile;
    ASSERT_EQ(pimbax::kOk, Vectorize(red, 2, 0, metafile));
    std::unique_ptr<pimbax::Document> drawing;
    ASSERT_EQ(pimbax::kOk,
              pimbax::MakeMetafileDocument(metafile.data(), metafile.size(), &drawing));
    pimbax::Model model;
    ASSERT_EQ(pimbax::kOk, MakeRelief(*drawing, model));
    EXPECT_EQ(48u, model.vertices.size());
    const pimbax::SceneDocument scene(std::move(model));
    pimbax::ByteWriter counter;
    scene.Serialize(counter);
    std::vector<std::uint8_t> bytes(counter.Size());
    pimbax::ByteWriter writer(bytes.data(), bytes.size());
    scene.Serialize(writer);
    const std::unique_ptr<pimbax::Document> rebuilt =
        pimbax::RebuildDocument(bytes.data(), bytes.size());
    ASSERT_TRUE(rebuilt);
    const pimbax::Document* drawn[] = {&scene, rebuilt.get()};
    for (const pimbax::Document* document : drawn) {
        pimbax::Canvas canvas;
        ASSERT_TRUE(canvas.Create(80, 60));
        document->Render(canvas, {0, 0, 800, 600}, RECT{0, 0, 80, 60});
        GdiFlush();
        const std::uint32_t pixel = canvas.Row(30)[40];
        const COLORREF centre = RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
        EXPECT_GT(GetRValue(centre), 150);
        EXPECT_EQ(0, GetGValue(centre));
        EXPECT_EQ(0, GetBValue(centre));
    }
}

}  // namespace
