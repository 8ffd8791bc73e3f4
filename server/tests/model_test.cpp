// OBJ models, the camera convention, and documents rebuilt from their bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "documents/document.h"
#include "documents/document_kinds.h"
#include "documents/model.h"
#include "documents/scene_document.h"
#include "documents/text_document.h"

namespace {

using pimbax::Model;

pimbax::Result Parse(const std::string& text, Model& model) {
    return pimbax::ParseObj(text.data(), text.size(), model);
}

TEST(ParseObj, ReadsEveryIndexFormAndTheBoundingBox) {
    Model model;
    ASSERT_EQ(pimbax::kOk,
              Parse("v 0 0 0\nv 2 0 0\nv 2 4 0 1.0\n# comment\nv 0 4 -6\n"
                    "f 1 2 3\nf 1/1 2/2 3/3 4/4\nf 1//1 3//1 4//1\nf -4 -3 -1\nl 1 3 4\n",
                    model));
    EXPECT_EQ(4u, model.vertices.size());
    ASSERT_EQ(4u, model.FaceCount());
    ASSERT_EQ(1u, model.LineCount());
    const std::uint32_t fourth[] = {0, 1, 3};
    EXPECT_EQ(0, std::memcmp(fourth, &model.faceIndices[model.faceStarts[3]], sizeof fourth));
    EXPECT_EQ(3u, model.lineIndices.size());
    EXPECT_EQ(0.0, model.low.x);
    EXPECT_EQ(-6.0, model.low.z);
    EXPECT_EQ(2.0, model.high.x);
    EXPECT_EQ(4.0, model.high.y);
}

TEST(ParseObj, DropsFacesNamingMissingVerticesAndNumbersGroupsByName) {
    Model model;
    ASSERT_EQ(pimbax::kOk, Parse("v 0 0 0\nv 1 0 0\nv 0 1 0\ng a\nf 1 2 3\nf 1 2 9\nf 1 2\n"
                                 "g b\nf 3 2 1\ng a\nf 2 3 1\nf 1 x 3\n",
                                 model));
    ASSERT_EQ(3u, model.FaceCount());
    EXPECT_EQ(0, model.faceGroups[0]);
    EXPECT_EQ(1, model.faceGroups[1]);
    EXPECT_EQ(0, model.faceGroups[2]);
}

TEST(ParseObj, RefusesModelsWithNothingToDrawOrBadNumbers) {
    Model model;
    EXPECT_EQ(pimbax::kBadFormat, Parse("v 0 0 0\nv 1 1 1\n", model));
    EXPECT_EQ(pimbax::kBadFormat, Parse("v 0 0\nf 1 1 1\n", model));
    EXPECT_EQ(pimbax::kBadFormat, Parse("v 0 0 inf\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", model));
    EXPECT_EQ(pimbax::kBadFormat, Parse("", model));
    EXPECT_EQ(pimbax::kOk, Parse("v 0 0 0\nv 1 0 0\nl 1 2\n", model));
}

TEST(Camera, FollowsTheNavigationConvention) {
    pimbax::CameraFrame frame = pimbax::FrameFromAngles(0, 0, 0);
    EXPECT_DOUBLE_EQ(1.0, frame.dir.x);
    EXPECT_DOUBLE_EQ(1.0, frame.side.y);
    EXPECT_DOUBLE_EQ(1.0, frame.up.z);
    // A quarter turn of twist turns the side from h towards -(dir x h).
    frame = pimbax::FrameFromAngles(0, 0, 1.5707963267948966);
    EXPECT_NEAR(-1.0, frame.side.z, 1e-12);
    EXPECT_NEAR(1.0, frame.up.y, 1e-12);
    // Straight down stays defined.
    frame = pimbax::FrameFromAngles(0.3, -1.5707963267948966, 0);
    EXPECT_FALSE(std::isnan(frame.side.x) || std::isnan(frame.up.x));
    EXPECT_NEAR(1.0, std::sqrt(pimbax::Dot(frame.side, frame.side)), 1e-12);
}

TEST(Camera, TheFirstViewLooksAtTheCentreWithTheWholeBoxInView) {
    Model model;
    ASSERT_EQ(pimbax::kOk, Parse("v -1 -2 0\nv 3 -2 0\nv 3 6 0\nv -1 6 10\nf 1 2 3 4\n", model));
    const double fieldOfView = 0.785398;
    const pimbax::PointOfView view = pimbax::InitialPointOfView(model, fieldOfView);
    const pimbax::CameraFrame frame = pimbax::FrameFromAngles(view.yaw, view.pitch, view.twist);
    const pimbax::Vec3 centre = {1, 2, 5};
    const pimbax::Vec3 toCentre = centre - pimbax::Vec3{view.eyeX, view.eyeY, view.eyeZ};
    const double distance = std::sqrt(pimbax::Dot(toCentre, toCentre));
    EXPECT_NEAR(1.0, pimbax::Dot(toCentre, frame.dir) / distance, 1e-12);
    for (int corner = 0; corner < 8; ++corner) {
        const pimbax::Vec3 point = {(corner & 1) ? 3.0 : -1.0, (corner & 2) ? 6.0 : -2.0,
                                    (corner & 4) ? 10.0 : 0.0};
        const pimbax::Vec3 v = point - pimbax::Vec3{view.eyeX, view.eyeY, view.eyeZ};
        const double depth = pimbax::Dot(v, frame.dir);
        ASSERT_GT(depth, 0);
        EXPECT_LT(std::fabs(pimbax::Dot(v, frame.side)) / depth, std::tan(fieldOfView / 2));
        EXPECT_LT(std::fabs(pimbax::Dot(v, frame.up)) / depth, std::tan(fieldOfView / 2));
    }
}

// A document's bytes: measured first, then written, as the image section takes them.
std::vector<std::uint8_t> Serialized(const pimbax::Document& document) {
    pimbax::ByteWriter measure;
    document.Serialize(measure);
    std::vector<std::uint8_t> bytes(measure.Size());
    pimbax::ByteWriter writer(bytes.data(), bytes.size());
    document.Serialize(writer);
    EXPECT_EQ(bytes.size(), writer.Size());
    return bytes;
}

TEST(Rebuild, AModelComesBackWithItsViewAndSize) {
    std::unique_ptr<pimbax::Document> document;
    const std::string text = "v 0 0 0\nv 2 0 0\nv 0 4 6\nf 1 2 3\nl 1 3\n";
    ASSERT_EQ(pimbax::kOk, pimbax::MakeSceneDocument(text.data(), text.size(), &document));
    ASSERT_EQ(pimbax::kOk, document->Resize(320, 200, 0));
    ASSERT_EQ(pimbax::kOk, document->AsScene()->SetPointOfView({1, 2, 3, 0.5, 0.25, 0.125}));
    const std::vector<std::uint8_t> bytes = Serialized(*document);
    std::unique_ptr<pimbax::Document> copy = pimbax::RebuildDocument(bytes.data(), bytes.size());
    ASSERT_TRUE(copy);
    ASSERT_NE(nullptr, copy->AsScene());
    EXPECT_EQ(320, copy->Width());
    EXPECT_EQ(0.125, copy->AsScene()->View().twist);
    double extents[6];
    copy->AsScene()->Extents(extents);
    EXPECT_EQ(3.0, extents[2]);
    EXPECT_EQ(6.0, extents[5]);
    for (std::size_t cut : {std::size_t{0}, std::size_t{1}, bytes.size() / 2, bytes.size() - 1}) {
        EXPECT_FALSE(pimbax::RebuildDocument(bytes.data(), cut)) << cut;
    }
}

TEST(Rebuild, TextComesBackWithItsFont) {
    pimbax::TextDocument page(L"one\ntwo");
    ASSERT_EQ(pimbax::kOk, page.ChangeFont(L"DejaVu Sans", L"bold italic", 14, 1.5));
    EXPECT_EQ(L"DejaVu Sans,14,BI,1.5", page.FontInfo());
    EXPECT_EQ(pimbax::kBadValue, page.ChangeFont(std::wstring(32, L'x'), L"", 0, 0));
    EXPECT_EQ(pimbax::kBadValue, page.ChangeFont(L"", L"", 0, 6));
    const std::vector<std::uint8_t> bytes = Serialized(page);
    std::unique_ptr<pimbax::Document> copy = pimbax::RebuildDocument(bytes.data(), bytes.size());
    ASSERT_TRUE(copy);
    ASSERT_NE(nullptr, copy->AsText());
    EXPECT_EQ(L"DejaVu Sans,14,BI,1.5", copy->AsText()->FontInfo());
    const std::uint8_t unknown[] = {'Z', 0, 0};
    EXPECT_FALSE(pimbax::RebuildDocument(unknown, sizeof unknown));
}

}  // namespace
