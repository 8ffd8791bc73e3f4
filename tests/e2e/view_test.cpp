// The view against the real server: Huey's geometry decides what is painted, the server paints
// it into a memory DC of this process, and the pixels that land are the ones the geometry chose.
// The camera steered through Huey reaches the server: its point of view agrees with the record.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace {

const testing::Environment* const keeper = testing::AddGlobalTestEnvironment(e2e::ServerKeeper());

using e2e::DocumentPtr;
using e2e::MemoryTarget;

constexpr int kGradientWidth = 200;
constexpr int kGradientHeight = 100;

// Pixel (x, y) of the gradient image: red counts x, green counts y.
COLORREF GradientColour(int x, int y) {
    return RGB(x, y * 2, 128);
}

const std::string& GradientPath() {
    static const std::string path = [] {
        samples::Picture picture(kGradientWidth, kGradientHeight, 24);
        for (int y = 0; y < kGradientHeight; ++y)
            for (int x = 0; x < kGradientWidth; ++x) picture.SetColour(x, y, GradientColour(x, y));
        const std::string file = e2e::Files().Path("gradient.png");
        EXPECT_EQ(S_OK, samples::WritePicture(std::wstring(file.begin(), file.end()), picture));
        return file;
    }();
    return path;
}

TEST(HueyView, PaintsTheFittedImageThenTheZoomedPartPixelForPixel) {
    DocumentPtr document = e2e::OpenDocument(GradientPath());
    Huey view(document.get());
    MemoryTarget target(100, 50);
    taghueyinfo info = {};
    RECT window = {0, 0, 100, 50};
    view.InitWindowSize(&window, 1, &info);
    ASSERT_EQ(info.destRect.right, 100);
    ASSERT_EQ(info.destRect.bottom, 50);
    ASSERT_EQ(info.sourceRect.right, kGradientWidth);

    ASSERT_EQ(0, view.AttachWindow(nullptr, target.Dc()));
    ASSERT_EQ(0, view.Paint());
    // At half size each window pixel shows a 2 x 2 block of the image.
    for (const POINT p : {POINT{0, 0}, POINT{37, 11}, POINT{99, 49}}) {
        const COLORREF expected = RGB(2 * p.x, 4 * p.y + 1, 128);
        EXPECT_TRUE(e2e::Near(expected, target.At(p.x, p.y), 2))
            << p.x << "," << p.y << ": " << std::hex << target.At(p.x, p.y);
    }

    // Zooming into the window's top-left quarter shows the image's top-left quarter at 1:1.
    RECT selection = {0, 0, 50, 25};
    view.ZoomIn(&selection, &info);
    EXPECT_EQ(info.sourceRect.left, 0);
    EXPECT_EQ(info.sourceRect.top, 0);
    EXPECT_EQ(info.sourceRect.right, 100);
    EXPECT_EQ(info.sourceRect.bottom, 50);
    ASSERT_EQ(0, view.Paint());
    for (int y = 0; y < 50; y += 7) {
        for (int x = 0; x < 100; x += 9) {
            ASSERT_EQ(GradientColour(x, y), target.At(x, y)) << x << "," << y;
        }
    }

    // Scrolled right by 10 % of the image: the part starting at x = 20.
    view.ScrollWindow(10, 0, &info);
    EXPECT_EQ(info.sourceRect.left, 20);
    ASSERT_EQ(0, view.Paint());
    EXPECT_EQ(GradientColour(20, 0), target.At(0, 0));
    EXPECT_EQ(GradientColour(119, 49), target.At(99, 49));

    // Colour picking maps the window point into the image and asks the server.
    IRGB colour = {};
    POINT point = {30, 20};
    EXPECT_EQ(0, view.PickColor(target.Dc(), &colour, &point, &info));
    EXPECT_EQ(point.x, 50);
    EXPECT_EQ(point.y, 20);
    EXPECT_EQ(colour.red, 50);
    EXPECT_EQ(colour.green, 40);
    EXPECT_EQ(colour.blue, 128);
}

TEST(HueyView, RealizesThePaletteTheServerPublishes) {
    DocumentPtr document = e2e::OpenDocument(e2e::Files().Path("bmp8.bmp"));
    Huey view(document.get());
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(0, view.RealizePalette(window, 0));
    DestroyWindow(window);
}

bool SamePointOfView(Dewey& document, const taghuey3dinfo& record) {
    double eye[3] = {}, angles[3] = {};
    if (document.GetPointOfView(&eye[0], &eye[1], &eye[2], &angles[0], &angles[1], &angles[2]) !=
        0) {
        return false;
    }
    return eye[0] == record.eyeX && eye[1] == record.eyeY && eye[2] == record.eyeZ &&
           angles[0] == record.yaw && angles[1] == record.pitch && angles[2] == record.twist;
}

// Pixels of the target that differ from the background, a vertical gradient: the start of their
// row.
int ModelPixels(const MemoryTarget& target) {
    int count = 0;
    for (int y = 0; y < target.Height(); ++y)
        for (int x = 0; x < target.Width(); ++x)
            count += !e2e::Near(target.At(x, y), target.At(0, y), 4);
    return count;
}

std::vector<COLORREF> Snapshot(const MemoryTarget& target) {
    std::vector<COLORREF> pixels;
    for (int y = 0; y < target.Height(); ++y)
        for (int x = 0; x < target.Width(); ++x) pixels.push_back(target.At(x, y));
    return pixels;
}

int Differences(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
    int count = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) count += a[i] != b[i];
    return count;
}

TEST(HueyNavigation, SteeringReachesTheServerAndChangesThePicture) {
    DocumentPtr document = e2e::OpenDocument(e2e::Files().Path("box.obj"));
    Huey view(document.get());
    taghuey3dinfo camera = {};
    view.Init3DInfo(&camera);
    EXPECT_EQ(camera.centerX, 1);
    EXPECT_EQ(camera.centerY, 2);
    EXPECT_EQ(camera.centerZ, 3);
    EXPECT_EQ(camera.extentZ, 6);
    EXPECT_EQ(camera.distance, 5.0);
    EXPECT_TRUE(SamePointOfView(*document, camera));

    MemoryTarget target(160, 120);
    ASSERT_EQ(0, view.AttachWindow(nullptr, target.Dc()));
    RECT source = {0, 0, 800, 600};
    RECT area = {0, 0, 160, 120};
    RECT client = {0, 0, 160, 120};

    view.CADSteer(&camera, 4, 0, nullptr);  // from above
    EXPECT_TRUE(SamePointOfView(*document, camera));
    ASSERT_EQ(0, view.Paint(&source, &area));
    EXPECT_GT(ModelPixels(target), 100);
    const std::vector<COLORREF> fromAbove = Snapshot(target);

    view.VRSteer(&camera, 8, 0);
    view.VRSteer(&camera, 1, 0);
    EXPECT_TRUE(SamePointOfView(*document, camera));
    view.Trackball(&camera, 40, -25, 0, &client);
    EXPECT_TRUE(SamePointOfView(*document, camera));
    view.CADSteer(&camera, 7, 0, nullptr);  // a corner view
    EXPECT_TRUE(SamePointOfView(*document, camera));
    ASSERT_EQ(0, view.Paint(&source, &area));
    EXPECT_GT(ModelPixels(target), 100);
    EXPECT_GT(Differences(Snapshot(target), fromAbove), 1000) << "the box seen from another side";

    // The record and the server keep agreeing after a distance change sent by the host.
    view.Distance(&camera, 10);
    view.SetPointOfView(camera.eyeX, camera.eyeY, camera.eyeZ, camera.yaw, camera.pitch,
                        camera.twist, 0);
    EXPECT_TRUE(SamePointOfView(*document, camera));
    const double d =
        std::sqrt((camera.eyeX - 1) * (camera.eyeX - 1) + (camera.eyeY - 2) * (camera.eyeY - 2) +
                  (camera.eyeZ - 3) * (camera.eyeZ - 3));
    EXPECT_GT(d, 0);
}

}  // namespace
