// The 2D view arithmetic: initial sizing, zooming, scrolling, centring, resizing and point
// mapping, with the roundings, the strict comparisons and the cases that would divide by zero or
// overflow 32 bits.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "rect_printing.h"
#include "view_geometry.h"

using kelocli::ImageSize;
using kelocli::ViewState;
using kelocli::ZoomOutStep;

namespace {

constexpr ImageSize kImage = {1000, 800};
constexpr RECT kWindow = {0, 0, 500, 400};

RECT Rect(LONG left, LONG top, LONG right, LONG bottom) {
    return {left, top, right, bottom};
}

constexpr RECT kZero = {0, 0, 0, 0};

// A view and its host record.
struct Scene {
    ViewState view = {{0, 0, 0, 0}, {0, 0, 0, 0}, 1.0};
    taghueyinfo record = {};

    bool SameAs(const Scene& other) const {
        return std::memcmp(&view, &other.view, sizeof view) == 0 &&
               std::memcmp(&record, &other.record, sizeof record) == 0;
    }
};

Scene Initial(ImageSize image, RECT window, int mode, bool vector = false) {
    Scene scene;
    EXPECT_TRUE(kelocli::InitWindowSize(image, window, mode, vector, scene.view, scene.record));
    return scene;
}

// 1000 x 800 at actual size in a 500 x 400 window.
Scene ActualSize() {
    return Initial(kImage, kWindow, 0);
}

// A scene the host set up by hand: the view's rectangles equal the record's.
Scene Given(RECT source, RECT dest, double zoom, RECT percent = kZero) {
    Scene scene;
    scene.view = {source, dest, zoom};
    scene.record = {percent, source, dest};
    return scene;
}

void ExpectScene(const Scene& scene, RECT percent, RECT source, RECT dest, double zoom) {
    EXPECT_EQ(scene.record.percentRect, percent);
    EXPECT_EQ(scene.record.sourceRect, source);
    EXPECT_EQ(scene.record.destRect, dest);
    EXPECT_EQ(scene.view.source, source);
    EXPECT_EQ(scene.view.dest, dest);
    EXPECT_DOUBLE_EQ(scene.view.zoom, zoom);
}

}  // namespace

// --- InitWindowSize -------------------------------------------------------------------------

// One row of the sizing table: the image, the window, the mode and kind, and the view expected.
struct Sizing {
    const char* what;
    ImageSize image;
    RECT window;
    int mode;
    bool vector;
    RECT percent;
    RECT source;
    RECT dest;
    double zoom;
};

TEST(InitWindowSize, ChoosesOneRowByWhatIsLargerAndByTheMode) {
    const RECT w = kWindow;
    const RECT actualPercent = {0, 0, 50, 50};
    const RECT actual = {0, 0, 500, 400};
    const RECT whole = {0, 0, 1000, 800};
    // clang-format off
    const Sizing table[] = {
        {"larger both ways, actual size", kImage, w, 0, false, actualPercent, actual, actual, 1.0},
        {"fit: 500·800 < 1000·500, the width limits",
            kImage, {0, 0, 500, 500}, 1, false, kZero, whole, actual, 0.5},
        {"fit: equal products take the height", kImage, w, 1, false, kZero, whole, actual, 0.5},
        {"fit by width truncates",
            kImage, {0, 0, 333, 500}, 1, false, kZero, whole, {0, 0, 333, 266}, 0.333},
        {"fit by height truncates",
            kImage, {0, 0, 700, 333}, 1, false, kZero, whole, {0, 0, 416, 333}, 333.0 / 800.0},
        {"fit width reaches below the image",
            {1000, 600}, w, 2, false, {0, 0, 0, 133}, whole, actual, 0.5},
        {"fit width: (1000·400·100/700)/500",
            {1000, 700}, w, 2, false, {0, 0, 0, 114}, whole, actual, 0.5},
        {"wider only, actual size",
            {1000, 300}, w, 0, false, {0, 0, 50, 0}, {0, 0, 500, 300}, {0, 0, 500, 300}, 1.0},
        {"wider only, fit",
            {1000, 333}, w, 1, false, kZero, {0, 0, 1000, 333}, {0, 0, 500, 166}, 0.5},
        {"wider only, fit width",
            {1000, 333}, w, 2, false, kZero, {0, 0, 1000, 333}, {0, 0, 500, 166}, 0.5},
        {"an equal height is not taller",
            {1000, 400}, w, 0, false, {0, 0, 50, 0}, actual, actual, 1.0},
        {"taller only, actual size",
            {400, 1000}, w, 0, false, {0, 0, 0, 40}, {0, 0, 400, 400}, {0, 0, 400, 400}, 1.0},
        {"taller only, fit width",
            {400, 1000}, w, 2, false, {0, 0, 0, 40}, {0, 0, 400, 400}, {0, 0, 400, 400}, 1.0},
        {"taller only, fit",
            {400, 1000}, w, 1, false, kZero, {0, 0, 400, 1000}, {0, 0, 160, 400}, 0.4},
        {"an equal width is not wider",
            {500, 1000}, w, 0, false, {0, 0, 0, 40}, actual, actual, 1.0},
        {"smaller, actual size",
            {300, 200}, w, 0, false, kZero, {0, 0, 300, 200}, {0, 0, 300, 200}, 1.0},
        {"smaller, fit: never enlarged",
            {300, 200}, w, 1, false, kZero, {0, 0, 300, 200}, {0, 0, 300, 200}, 1.0},
        {"smaller, fit width",
            {300, 200}, w, 2, false, kZero, {0, 0, 300, 200}, {0, 0, 300, 200}, 1.0},
        {"exactly the window", {500, 400}, w, 0, false, kZero, actual, actual, 1.0},
        {"mode 5 counts as 0", kImage, w, 5, false, actualPercent, actual, actual, 1.0},
        {"mode -1 counts as 0", kImage, w, -1, false, actualPercent, actual, actual, 1.0},
        {"a drawing opens fitted", kImage, w, 0, true, kZero, whole, actual, 0.5},
        {"folding follows the drawing rule", kImage, w, 5, true, actualPercent, actual, actual, 1.0},
        {"a drawing fits the width when asked",
            {1000, 600}, w, 2, true, {0, 0, 0, 133}, whole, actual, 0.5},
        {"the window's own offset is ignored",
            kImage, {100, 50, 600, 450}, 0, false, actualPercent, actual, actual, 1.0},
        {"a window width beyond 32 bits saturates",
            {300, 200}, {INT_MIN, 0, INT_MAX, 400}, 0, false,
            kZero, {0, 0, 300, 200}, {0, 0, 300, 200}, 1.0},
        {"IW·H beyond 32 bits is exact",
            {2000000000, 2000000000}, {0, 0, 1500000000, 1000000000}, 1, false,
            kZero, {0, 0, 2000000000, 2000000000}, {0, 0, 1000000000, 1000000000}, 0.5},
        {"fit width: bottom 3e9 saturates, IW·H·100 is exact",
            {2000000000, 2000000000}, {0, 0, 1000000000, 1500000000}, 2, false,
            {0, 0, 0, 150}, {0, 0, 2000000000, INT_MAX}, {0, 0, 1000000000, 1500000000}, 0.5},
    };
    // clang-format on
    for (const Sizing& row : table) {
        SCOPED_TRACE(row.what);
        ExpectScene(Initial(row.image, row.window, row.mode, row.vector), row.percent, row.source,
                    row.dest, row.zoom);
    }
}

TEST(InitWindowSize, WithoutAReportedSizeTheLastDrawingAreaIsTheImage) {
    for (ImageSize reported : {ImageSize{0, 0}, ImageSize{1000, 0}, ImageSize{0, 800}}) {
        Scene scene;
        scene.record.destRect = Rect(10, 20, 650, 500);  // 640 x 480
        ASSERT_TRUE(kelocli::InitWindowSize(reported, Rect(0, 0, 320, 240), 1, false, scene.view,
                                            scene.record));
        ExpectScene(scene, kZero, Rect(0, 0, 640, 480), Rect(0, 0, 320, 240), 0.5);
    }
}

TEST(InitWindowSize, AFallbackSizeOfZeroIsUsedAsItIs) {
    // Nothing is divided by it in the "fits" row: the view becomes empty.
    Scene scene = Given(Rect(1, 2, 3, 4), Rect(0, 0, 0, 0), 2.0);
    ASSERT_TRUE(kelocli::InitWindowSize({0, 0}, kWindow, 1, false, scene.view, scene.record));
    ExpectScene(scene, kZero, kZero, kZero, 1.0);
}

TEST(InitWindowSize, ZeroDivisorsChangeNothing) {
    const Scene before = Given(Rect(1, 2, 3, 4), Rect(0, 0, 5, 6), 2.0, Rect(7, 8, 9, 10));
    // An empty window when fitting the width.
    Scene scene = before;
    EXPECT_FALSE(
        kelocli::InitWindowSize(kImage, Rect(0, 0, 0, 400), 2, false, scene.view, scene.record));
    EXPECT_TRUE(scene.SameAs(before));
    // A fallback size of 0 on a reversed window puts it into a dividing row.
    scene = before;
    scene.record.destRect = kZero;
    const Scene zeroDest = scene;
    EXPECT_FALSE(
        kelocli::InitWindowSize({0, 0}, Rect(0, 0, -10, 400), 0, false, scene.view, scene.record));
    EXPECT_TRUE(scene.SameAs(zeroDest));
}

TEST(InitWindowSize, AnEmptyWindowFittingTheWholeImageGivesScaleZero) {
    Scene scene = Initial(kImage, kZero, 1);
    ExpectScene(scene, kZero, Rect(0, 0, 1000, 800), kZero, 0.0);
    // Later operations that divide by that scale change nothing.
    const Scene before = scene;
    RECT grown = kWindow;
    EXPECT_FALSE(kelocli::ResizeWindow(kImage, kZero, grown, 0, scene.view, scene.record));
    EXPECT_TRUE(scene.SameAs(before));
    EXPECT_EQ(grown, kWindow);
}

// --- ZoomOut --------------------------------------------------------------------------------

TEST(ZoomOut, ShowingTheWholeImageTakesAFreshSize) {
    Scene scene = ActualSize();
    const Scene before = scene;
    // The first half only decides; nothing is written yet.
    EXPECT_EQ(kelocli::ZoomOut(kImage, 2, scene.view, scene.record), ZoomOutStep::kWholeImage);
    EXPECT_TRUE(scene.SameAs(before));
    ASSERT_TRUE(kelocli::ZoomOutToWholeImage(kImage, 2, scene.view, scene.record));
    ExpectScene(scene, kZero, Rect(0, 0, 1000, 800), Rect(0, 0, 500, 400), 0.5);

    EXPECT_EQ(kelocli::ZoomOut(kImage, 2, scene.view, scene.record), ZoomOutStep::kWholeImage);
    ASSERT_TRUE(kelocli::ZoomOutToWholeImage(kImage, 2, scene.view, scene.record));
    ExpectScene(scene, kZero, Rect(0, 0, 1000, 800), Rect(0, 0, 250, 200), 0.25);

    scene = ActualSize();
    EXPECT_EQ(kelocli::ZoomOut(kImage, 3, scene.view, scene.record), ZoomOutStep::kWholeImage);
    ASSERT_TRUE(kelocli::ZoomOutToWholeImage(kImage, 3, scene.view, scene.record));
    ExpectScene(scene, kZero, Rect(0, 0, 1000, 800), Rect(0, 0, 333, 266), 1.0 / 3.0);
}

TEST(ZoomOut, TheWholeImageStepKeepsAZeroSize) {
    Scene scene = ActualSize();
    ASSERT_TRUE(kelocli::ZoomOutToWholeImage({0, 0}, 2, scene.view, scene.record));
    ExpectScene(scene, kZero, kZero, kZero, 0.5);
}

TEST(ZoomOut, APartlyHiddenImageKeepsItsDrawingAreaAndPercentsAreNotNormalised) {
    Scene scene = Initial({3000, 800}, kWindow, 0);
    EXPECT_EQ(kelocli::ZoomOut({3000, 800}, 2, scene.view, scene.record), ZoomOutStep::kDone);
    ExpectScene(scene, Rect(0, 0, 33, 100), Rect(0, 0, 1000, 800), Rect(0, 0, 500, 400), 0.5);
    // Exactly the image's height is not "more than": that axis keeps its drawing area too.
    scene = Given(Rect(0, 0, 500, 400), Rect(0, 0, 510, 410), 1.0);
    EXPECT_EQ(kelocli::ZoomOut({3000, 800}, 2, scene.view, scene.record), ZoomOutStep::kDone);
    EXPECT_EQ(scene.record.destRect, Rect(0, 0, 510, 410));
}

TEST(ZoomOut, ZoomsAboutTheCentre) {
    Scene scene = Given(Rect(100, 85, 200, 165), Rect(0, 0, 500, 400), 5.0);
    EXPECT_EQ(kelocli::ZoomOut(kImage, 2, scene.view, scene.record), ZoomOutStep::kDone);
    ExpectScene(scene, Rect(5, 5, 25, 25), Rect(50, 45, 250, 205), Rect(0, 0, 500, 400), 2.5);
}

TEST(ZoomOut, AnAxisNowShowingTheWholeImageRefitsItsDrawingArea) {
    // 600 x 300 of the image at actual size: twice as wide covers the width, not the height.
    Scene scene = Given(Rect(0, 0, 600, 300), Rect(0, 0, 600, 300), 1.0);
    EXPECT_EQ(kelocli::ZoomOut(kImage, 2, scene.view, scene.record), ZoomOutStep::kDone);
    // (-300, -150, 900, 450): shifted down and right, then cut at the image's right edge.
    ExpectScene(scene, Rect(0, 0, 100, 75), Rect(0, 0, 1000, 600), Rect(0, 0, 500, 300), 0.5);
}

TEST(ZoomOut, OddAndNegativeExtentsHalveByArithmeticShift) {
    // Centre (12, 11); 15 x 9 wide; 15 >> 1 = 7, 9 >> 1 = 4.
    Scene scene = Given(Rect(10, 10, 15, 13), Rect(0, 0, 500, 400), 1.0);
    EXPECT_EQ(kelocli::ZoomOut(kImage, 3, scene.view, scene.record), ZoomOutStep::kDone);
    EXPECT_EQ(scene.record.sourceRect, Rect(5, 7, 20, 16));
    // A reversed source: -5 >> 1 = -3 and -3 >> 1 = -2 (a division would give -2 and -1).
    scene = Given(Rect(20, 20, 15, 17), Rect(0, 0, 500, 400), 1.0);
    EXPECT_EQ(kelocli::ZoomOut(kImage, 1, scene.view, scene.record), ZoomOutStep::kDone);
    EXPECT_EQ(scene.record.sourceRect, Rect(20, 20, 15, 17));
}

TEST(ZoomOut, AnEmptySourceGrowsToOnePixel) {
    Scene scene = Given(Rect(500, 400, 500, 400), Rect(0, 0, 500, 400), 4.0);
    EXPECT_EQ(kelocli::ZoomOut(kImage, 2, scene.view, scene.record), ZoomOutStep::kDone);
    ExpectScene(scene, Rect(50, 50, 50, 50), Rect(500, 400, 501, 401), Rect(0, 0, 500, 400), 2.0);
}

TEST(ZoomOut, AnUnansweredSizeCountsAsOne) {
    Scene scene = ActualSize();
    EXPECT_EQ(kelocli::ZoomOut({0, 0}, 2, scene.view, scene.record), ZoomOutStep::kWholeImage);
    // With a 1 x 1 image even a tiny source covers it.
    scene = Given(Rect(0, 0, 1, 1), Rect(0, 0, 10, 10), 10.0);
    EXPECT_EQ(kelocli::ZoomOut({0, 0}, 1, scene.view, scene.record), ZoomOutStep::kWholeImage);
}

TEST(ZoomOut, FactorsBelowOneChangeNothing) {
    for (int factor : {0, -2, INT_MIN}) {
        Scene scene = ActualSize();
        EXPECT_EQ(kelocli::ZoomOut(kImage, factor, scene.view, scene.record),
                  ZoomOutStep::kUnchanged);
        EXPECT_FALSE(kelocli::ZoomOutToWholeImage(kImage, factor, scene.view, scene.record));
        EXPECT_TRUE(scene.SameAs(ActualSize()));
    }
}

TEST(ZoomOut, HugeFactorsAndSizesSaturate) {
    Scene scene = Given(Rect(0, 0, 1000, 1000), Rect(0, 0, 1000, 1000), 1.0);
    // sw·factor is formed in 64 bits: 1000·INT_MAX >= IW, so the whole image shows.
    EXPECT_EQ(kelocli::ZoomOut({INT_MAX, INT_MAX}, INT_MAX, scene.view, scene.record),
              ZoomOutStep::kWholeImage);
    scene = Given(Rect(0, 0, INT_MAX, INT_MAX), Rect(0, 0, 500, 400), 99.0);
    ASSERT_TRUE(kelocli::ZoomOutToWholeImage({INT_MAX, INT_MAX}, 1, scene.view, scene.record));
    EXPECT_EQ(scene.record.destRect, Rect(0, 0, INT_MAX, INT_MAX));
}

// --- ZoomIn ---------------------------------------------------------------------------------

TEST(ZoomIn, TheSelectionFillsTheDrawingAreaInAnyCornerOrder) {
    for (RECT selection : {Rect(100, 100, 200, 150), Rect(200, 150, 100, 100)}) {
        Scene scene = ActualSize();
        ASSERT_TRUE(kelocli::ZoomIn(kImage, selection, scene.view, scene.record));
        ExpectScene(scene, Rect(10, 10, 20, 20), Rect(100, 85, 200, 165), Rect(0, 0, 500, 400),
                    5.0);
    }
}

TEST(ZoomIn, ARelativelyTallerSelectionScalesByHeight) {
    Scene scene = ActualSize();
    ASSERT_TRUE(kelocli::ZoomIn(kImage, Rect(100, 100, 150, 200), scene.view, scene.record));
    // 400/100 = 4; half extents 62 (62.5) and 50 about (125, 150).
    ExpectScene(scene, Rect(6, 12, 18, 25), Rect(63, 100, 187, 200), Rect(0, 0, 500, 400), 4.0);
}

TEST(ZoomIn, TheRatioIsTakenTimesTheOldScale) {
    Scene scene = Given(Rect(0, 0, 1000, 800), Rect(0, 0, 500, 400), 0.5);
    ASSERT_TRUE(kelocli::ZoomIn(kImage, Rect(100, 100, 200, 150), scene.view, scene.record));
    // Centre (300, 250) in image pixels; half extents 100 and 80.
    ExpectScene(scene, Rect(20, 21, 40, 41), Rect(200, 170, 400, 330), Rect(0, 0, 500, 400), 2.5);
}

TEST(ZoomIn, TheScaleStopsAt99) {
    Scene scene = ActualSize();
    ASSERT_TRUE(kelocli::ZoomIn(kImage, Rect(0, 0, 4, 4), scene.view, scene.record));
    ExpectScene(scene, kZero, Rect(0, 0, 4, 4), Rect(0, 0, 500, 400), 99.0);
}

TEST(ZoomIn, EmptySelectionsAndSourcesAreWidenedToOnePixel) {
    Scene scene = ActualSize();
    ASSERT_TRUE(kelocli::ZoomIn(kImage, Rect(100, 100, 100, 100), scene.view, scene.record));
    EXPECT_EQ(scene.record.sourceRect, Rect(98, 98, 102, 102));
    EXPECT_DOUBLE_EQ(scene.view.zoom, 99.0);
    // A record drawing area of 1 x 1 gives half extents of 0.
    scene = ActualSize();
    scene.record.destRect = Rect(0, 0, 1, 1);
    ASSERT_TRUE(kelocli::ZoomIn(kImage, Rect(100, 100, 200, 150), scene.view, scene.record));
    EXPECT_EQ(scene.record.sourceRect, Rect(150, 125, 151, 126));
    EXPECT_EQ(scene.view.dest, Rect(0, 0, 500, 400));
    // The widened selection's middle: of -3 and -2, not of -3 and -3.
    scene = Given(Rect(100, 100, 600, 500), Rect(0, 0, 500, 400), 1.0);
    ASSERT_TRUE(kelocli::ZoomIn(kImage, Rect(-3, 0, -3, 10), scene.view, scene.record));
    EXPECT_EQ(scene.record.sourceRect, Rect(92, 100, 104, 110));
}

TEST(ZoomIn, TheCentreTruncatesTowardZero) {
    // The middle of -5 and 0 is -2 (a shift would give -3): centre x 100 - 2.
    Scene scene = Given(Rect(100, 100, 600, 500), Rect(0, 0, 500, 400), 1.0);
    ASSERT_TRUE(kelocli::ZoomIn(kImage, Rect(-5, 0, 0, 10), scene.view, scene.record));
    EXPECT_DOUBLE_EQ(scene.view.zoom, 40.0);
    EXPECT_EQ(scene.record.sourceRect, Rect(92, 100, 104, 110));
    // 300·(-2)/500 = -1.2 becomes -1: centre x 99.
    scene = Given(Rect(100, 100, 400, 500), Rect(0, 0, 500, 400), 1.0);
    ASSERT_TRUE(kelocli::ZoomIn(kImage, Rect(-4, 0, 0, 10), scene.view, scene.record));
    EXPECT_EQ(scene.record.sourceRect, Rect(93, 100, 105, 110));
}

TEST(ZoomIn, ASourcePastTheImageIsShiftedBack) {
    Scene scene = Given(Rect(500, 400, 1000, 800), Rect(0, 0, 500, 400), 1.0);
    ASSERT_TRUE(kelocli::ZoomIn(kImage, Rect(480, 380, 500, 400), scene.view, scene.record));
    // (978, 780, 1002, 800) moves 2 pixels left.
    ExpectScene(scene, Rect(97, 97, 100, 100), Rect(976, 780, 1000, 800), Rect(0, 0, 500, 400),
                20.0);
}

TEST(ZoomIn, AnEmptyDrawingAreaOrScaleChangesNothing) {
    for (Scene before : {Given(Rect(0, 0, 500, 400), Rect(0, 0, 0, 400), 1.0),
                         Given(Rect(0, 0, 500, 400), Rect(0, 0, 500, 0), 1.0),
                         Given(Rect(0, 0, 500, 400), Rect(0, 0, 500, 400), 0.0)}) {
        Scene scene = before;
        EXPECT_FALSE(kelocli::ZoomIn(kImage, Rect(10, 10, 20, 20), scene.view, scene.record));
        EXPECT_TRUE(scene.SameAs(before));
    }
}

TEST(ZoomIn, SelectionsAtTheLimitsStayDefined) {
    Scene scene = ActualSize();
    // Width INT_MAX - INT_MIN saturates; the +1 widening of an INT_MAX edge saturates too and
    // leaves a height of 0, so the width decides. The huge source is cut to the image.
    ASSERT_TRUE(kelocli::ZoomIn(kImage, Rect(INT_MIN, INT_MAX, INT_MAX, INT_MAX), scene.view,
                                scene.record));
    ExpectScene(scene, Rect(0, 0, 100, 100), Rect(0, 0, 1000, 800), Rect(0, 0, 500, 400),
                500.0 / INT_MAX);
}

// --- ScrollWindow ---------------------------------------------------------------------------

TEST(ScrollWindow, MovesByWholePercentsAndPinsAtTheEnd) {
    Scene scene = Given(Rect(100, 85, 200, 165), Rect(0, 0, 500, 400), 5.0, Rect(10, 10, 20, 20));
    ASSERT_TRUE(kelocli::ScrollWindow(kImage, 10, 0, scene.view, scene.record));
    ExpectScene(scene, Rect(20, 10, 30, 20), Rect(200, 85, 300, 165), Rect(0, 0, 500, 400), 5.0);
    ASSERT_TRUE(kelocli::ScrollWindow(kImage, 0, 90, scene.view, scene.record));
    ExpectScene(scene, Rect(20, 90, 30, 100), Rect(200, 720, 300, 800), Rect(0, 0, 500, 400), 5.0);
    ASSERT_TRUE(kelocli::ScrollWindow(kImage, -25, 0, scene.view, scene.record));
    ExpectScene(scene, Rect(0, 90, 10, 100), Rect(0, 720, 100, 800), Rect(0, 0, 500, 400), 5.0);
}

TEST(ScrollWindow, AnAxisWithEqualEdgesDoesNotScroll) {
    Scene scene = Given(Rect(0, 0, 1000, 400), Rect(0, 0, 500, 200), 0.5, Rect(0, 0, 0, 50));
    ASSERT_TRUE(kelocli::ScrollWindow(kImage, 10, 10, scene.view, scene.record));
    ExpectScene(scene, Rect(0, 10, 0, 60), Rect(0, 80, 1000, 480), Rect(0, 0, 500, 200), 0.5);
}

TEST(ScrollWindow, SourceEdgesAreQuantisedToPercents) {
    // The source need not be on percent steps before; the scrolled axis is afterwards.
    Scene scene = Given(Rect(105, 87, 205, 167), Rect(0, 0, 500, 400), 5.0, Rect(10, 10, 20, 20));
    ASSERT_TRUE(kelocli::ScrollWindow({999, 800}, 1, 0, scene.view, scene.record));
    // 11·999/100 = 109.89, 21·999/100 = 209.79.
    EXPECT_EQ(scene.record.sourceRect, Rect(109, 87, 209, 167));
    // An unanswered size counts as 1: every edge becomes 0.
    ASSERT_TRUE(kelocli::ScrollWindow({0, 0}, 0, 1, scene.view, scene.record));
    EXPECT_EQ(scene.record.sourceRect, Rect(109, 0, 209, 0));
}

TEST(ScrollWindow, HugeStepsSaturateAndPin) {
    Scene scene = Given(Rect(100, 85, 200, 165), Rect(0, 0, 500, 400), 5.0, Rect(10, 10, 20, 20));
    ASSERT_TRUE(kelocli::ScrollWindow(kImage, INT_MAX, INT_MIN, scene.view, scene.record));
    // Horizontally both edges saturate and meet, then pin at 100. Vertically the sums stay in
    // range and the 10 % extent is moved back to 0.
    EXPECT_EQ(scene.record.percentRect, Rect(100, 0, 100, 10));
    EXPECT_EQ(scene.record.sourceRect, Rect(1000, 0, 1000, 80));
}

// --- CenterWindow ---------------------------------------------------------------------------

TEST(CenterWindow, CentresOnTheMappedPoint) {
    Scene scene = ActualSize();
    ASSERT_TRUE(kelocli::CenterWindow(kImage, 450, 350, scene.view, scene.record));
    ExpectScene(scene, Rect(20, 18, 70, 68), Rect(200, 150, 700, 550), Rect(0, 0, 500, 400), 1.0);
}

TEST(CenterWindow, AFittedViewStaysWholeAndUnscrollable) {
    Scene scene = Initial(kImage, kWindow, 1);
    ASSERT_TRUE(kelocli::CenterWindow(kImage, 100, 100, scene.view, scene.record));
    ExpectScene(scene, kZero, Rect(0, 0, 1000, 800), Rect(0, 0, 500, 400), 0.5);
}

TEST(CenterWindow, ShiftsBackInsideFromEachEdge) {
    // A point above the drawing area is clamped to its top edge first.
    Scene scene = ActualSize();
    ASSERT_TRUE(kelocli::CenterWindow(kImage, 600, -5, scene.view, scene.record));
    ExpectScene(scene, Rect(25, 0, 75, 50), Rect(250, 0, 750, 400), Rect(0, 0, 500, 400), 1.0);
    scene = Given(Rect(500, 0, 1000, 400), Rect(0, 0, 500, 400), 1.0);
    ASSERT_TRUE(kelocli::CenterWindow(kImage, 400, 200, scene.view, scene.record));
    ExpectScene(scene, Rect(50, 0, 100, 50), Rect(500, 0, 1000, 400), Rect(0, 0, 500, 400), 1.0);
}

TEST(CenterWindow, ASourceTallerThanTheImageEndsAboveIt) {
    Scene scene = Initial({1000, 600}, kWindow, 2);
    ASSERT_TRUE(kelocli::CenterWindow({1000, 600}, 250, 200, scene.view, scene.record));
    // Shifted up by 200 without cutting; only the horizontal axis normalises.
    ExpectScene(scene, Rect(0, -33, 0, 100), Rect(0, -200, 1000, 600), Rect(0, 0, 500, 400), 0.5);
}

TEST(CenterWindow, OddAndNegativeExtentsHalveByArithmeticShift) {
    // A reversed source -5 wide: -5 >> 1 = -3, so left = 250 + 3.
    Scene scene = Given(Rect(205, 100, 200, 300), Rect(0, 0, 500, 400), 1.0);
    scene.record.sourceRect = Rect(0, 0, 500, 400);
    ASSERT_TRUE(kelocli::CenterWindow(kImage, 250, 200, scene.view, scene.record));
    EXPECT_EQ(scene.record.sourceRect, Rect(253, 100, 248, 300));
}

TEST(CenterWindow, AnEmptyDrawingAreaChangesNothing) {
    const Scene before = Given(Rect(0, 0, 500, 400), Rect(0, 0, 500, 0), 1.0, Rect(1, 2, 3, 4));
    Scene scene = before;
    EXPECT_FALSE(kelocli::CenterWindow(kImage, 10, 10, scene.view, scene.record));
    EXPECT_TRUE(scene.SameAs(before));
}

// --- ResizeWindow ---------------------------------------------------------------------------

TEST(ResizeWindow, KeepingTheScaleUncoversMoreOfTheImage) {
    Scene scene = ActualSize();
    RECT grown = Rect(100, 100, 700, 550);
    ASSERT_TRUE(kelocli::ResizeWindow(kImage, Rect(100, 100, 600, 500), grown, 0, scene.view,
                                      scene.record));
    ExpectScene(scene, Rect(0, 0, 60, 56), Rect(0, 0, 600, 450), Rect(0, 0, 600, 450), 1.0);
    EXPECT_EQ(grown, Rect(100, 100, 700, 550));
}

TEST(ResizeWindow, EdgeMovesTruncateInImagePixels) {
    Scene scene = Given(Rect(100, 100, 350, 300), Rect(0, 0, 500, 400), 2.0);
    RECT moved = Rect(-3, 0, 500, 401);
    ASSERT_TRUE(kelocli::ResizeWindow(kImage, kWindow, moved, 7, scene.view, scene.record));
    // Left moves by trunc(3/2) = 1, bottom by trunc(-1/2) = 0; the area is cut to the shown
    // 251·2 x 200·2.
    ExpectScene(scene, Rect(9, 12, 35, 37), Rect(99, 100, 350, 300), Rect(0, 0, 502, 400), 2.0);
}

TEST(ResizeWindow, AWindowLargerThanTheImageIsCutToIt) {
    Scene scene = ActualSize();
    RECT grown = Rect(0, 0, 1200, 900);
    ASSERT_TRUE(kelocli::ResizeWindow(kImage, kWindow, grown, 0, scene.view, scene.record));
    ExpectScene(scene, kZero, Rect(0, 0, 1000, 800), Rect(0, 0, 1000, 800), 1.0);
}

TEST(ResizeWindow, RefittingMovesTheWindowToTheOriginAndMayEnlarge) {
    Scene scene = ActualSize();
    RECT window = Rect(10, 10, 410, 610);
    ASSERT_TRUE(kelocli::ResizeWindow(kImage, kZero, window, 1, scene.view, scene.record));
    EXPECT_EQ(window, Rect(0, 0, 400, 600));
    ExpectScene(scene, kZero, Rect(0, 0, 1000, 800), Rect(0, 0, 400, 320), 0.4);

    window = Rect(0, 0, 3000, 2000);
    ASSERT_TRUE(kelocli::ResizeWindow(kImage, kZero, window, 1, scene.view, scene.record));
    ExpectScene(scene, kZero, Rect(0, 0, 1000, 800), Rect(0, 0, 2500, 2000), 2.5);
}

TEST(ResizeWindow, RefittingAnUnansweredSizeUsesOnePixel) {
    Scene scene = ActualSize();
    RECT window = kWindow;
    ASSERT_TRUE(kelocli::ResizeWindow({0, 0}, kZero, window, 1, scene.view, scene.record));
    ExpectScene(scene, kZero, Rect(0, 0, 1, 1), Rect(0, 0, 400, 400), 400.0);
}

TEST(ResizeWindow, AScaleOfZeroChangesNothing) {
    const Scene before = Given(Rect(0, 0, 1000, 800), kZero, 0.0);
    Scene scene = before;
    RECT window = kWindow;
    EXPECT_FALSE(kelocli::ResizeWindow(kImage, kWindow, window, 0, scene.view, scene.record));
    EXPECT_TRUE(scene.SameAs(before));
    EXPECT_EQ(window, kWindow);
}

// --- TransformPoint -------------------------------------------------------------------------

TEST(TransformPoint, ClampsIntoTheDrawingAreaThenScales) {
    const Scene scene = ActualSize();
    POINT point = {600, -5};
    ASSERT_TRUE(kelocli::TransformPoint(point, scene.record));
    EXPECT_EQ(point, (POINT{500, 0}));
    point = {499, 399};
    ASSERT_TRUE(kelocli::TransformPoint(point, scene.record));
    EXPECT_EQ(point, (POINT{499, 399}));
    point = {500, 400};  // the right and bottom edges are valid
    ASSERT_TRUE(kelocli::TransformPoint(point, scene.record));
    EXPECT_EQ(point, (POINT{500, 400}));
}

TEST(TransformPoint, DividesAfterMultiplyingAndTruncatesTowardZero) {
    taghueyinfo record = {kZero, Rect(0, 0, 1000, 800), Rect(0, 0, 300, 300)};
    POINT point = {1, 1};
    ASSERT_TRUE(kelocli::TransformPoint(point, record));
    EXPECT_EQ(point, (POINT{3, 2}));
    // A reversed source: 100 + (-100·10)/30 = 100 - 33.
    record = {kZero, Rect(100, 0, 0, 100), Rect(0, 0, 30, 30)};
    point = {10, 0};
    ASSERT_TRUE(kelocli::TransformPoint(point, record));
    EXPECT_EQ(point, (POINT{67, 0}));
}

TEST(TransformPoint, CountsFromTheDrawingAreasOwnCorner) {
    const taghueyinfo record = {kZero, Rect(0, 0, 100, 100), Rect(10, 20, 110, 120)};
    POINT point = {5, 200};
    ASSERT_TRUE(kelocli::TransformPoint(point, record));
    EXPECT_EQ(point, (POINT{0, 100}));
    point = {60, 70};
    ASSERT_TRUE(kelocli::TransformPoint(point, record));
    EXPECT_EQ(point, (POINT{50, 50}));
}

TEST(TransformPoint, AnEmptyDrawingAreaLeavesThePoint) {
    for (RECT dest : {Rect(0, 0, 0, 400), Rect(0, 0, 500, 0)}) {
        const taghueyinfo record = {kZero, Rect(0, 0, 1000, 800), dest};
        POINT point = {600, -5};
        EXPECT_FALSE(kelocli::TransformPoint(point, record));
        EXPECT_EQ(point, (POINT{600, -5}));
    }
}

TEST(TransformPoint, ProductsBeyond32BitsAreExact) {
    const taghueyinfo record = {kZero, Rect(0, 0, 2000000000, 2000000000),
                                Rect(0, 0, 1000000000, 1000000000)};
    POINT point = {999999999, 1};
    ASSERT_TRUE(kelocli::TransformPoint(point, record));
    EXPECT_EQ(point, (POINT{1999999998, 2}));
}

// --- The shared rules -----------------------------------------------------------------------

TEST(ShiftAndCut, ShiftsInsideThenCutsWhatStillSticksOut) {
    RECT source = Rect(-300, -150, 900, 450);
    kelocli::ShiftAndCut(source, 1000, 800);
    EXPECT_EQ(source, Rect(0, 0, 1000, 600));
    source = Rect(950, 700, 1100, 900);
    kelocli::ShiftAndCut(source, 1000, 800);
    EXPECT_EQ(source, Rect(850, 600, 1000, 800));
    source = Rect(-10, -10, 2000, 2000);  // too large both ways: the whole image
    kelocli::ShiftAndCut(source, 1000, 800);
    EXPECT_EQ(source, Rect(0, 0, 1000, 800));
    source = Rect(INT_MIN, 0, INT_MAX, 10);
    kelocli::ShiftAndCut(source, 1000, 800);
    EXPECT_EQ(source, Rect(0, 0, 1000, 10));
}

TEST(NormalisePercent, MarksOnlyAnAxisShowingZeroToHundred) {
    RECT percent = Rect(0, 0, 100, 100);
    kelocli::NormalisePercent(percent);
    EXPECT_EQ(percent, kZero);
    percent = Rect(1, 0, 100, 99);
    kelocli::NormalisePercent(percent);
    EXPECT_EQ(percent, Rect(1, 0, 100, 99));
}

// A 1024 x 768 screen whose measures are counted; the second read of each may be made to differ.
int metricReads = 0;
int secondWidth = 1024;
int secondHeight = 768;
int WINAPI ScreenOf1024By768(int which) {
    const bool again = ++metricReads > 2;
    if (which == SM_CXSCREEN) return again ? secondWidth : 1024;
    return again ? secondHeight : 768;
}

TEST(FitToScreen, KeepsTheAspectAndCentresOnTheAxisLeftOver) {
    struct Row {
        ImageSize image;
        RECT fitted;
    };
    const Row rows[] = {
        {{2000, 1000}, Rect(0, 128, 1024, 640)},  // wider than the screen
        {{300, 600}, Rect(320, 0, 704, 768)},     // taller
        {{2048, 1536}, Rect(0, 0, 1024, 768)},    // the screen's aspect: the second branch
        {{13, 9}, Rect(0, 30, 1024, 738)},        // truncating division
        {{0, 100}, Rect(512, 0, 512, 768)},       // a zero width: nothing to show
        {{100, 0}, Rect(0, 384, 1024, 384)},      // a zero height divides by the width
        {{0, 0}, Rect(512, 0, 512, 768)},         // both zero: IH counts as 1
        {{-2, 1}, Rect(1280, 0, -256, 768)},      // negative sizes stay defined
        {{INT_MAX, 1}, Rect(0, 384, 1024, 384)},  // products in 64 bits
    };
    for (const Row& row : rows) {
        metricReads = 0;
        EXPECT_EQ(kelocli::FitToScreen(row.image, ScreenOf1024By768), row.fitted)
            << row.image.width << " x " << row.image.height;
        EXPECT_EQ(metricReads, 3);
    }
    // The centring offset comes from the screen asked again.
    secondHeight = 800;
    metricReads = 0;
    EXPECT_EQ(kelocli::FitToScreen({2000, 1000}, ScreenOf1024By768), Rect(0, 144, 1024, 656));
    secondHeight = 768;
}
