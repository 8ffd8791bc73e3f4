// Huey's 3D navigation through the public class against the scripted server: filling the camera
// record, Align and Distance, the three steering modes, what "SETPOV" carries, and the cases that
// must leave the record and the server alone.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "kelocli.h"
#include "scripted_server.h"

using testsupport::Reply;
using testsupport::ScriptedServer;
using testsupport::SeenCall;

namespace {

const double kPi = std::acos(-1.0);
const double kTurn = 0.0872663888888889;  // five degrees with pi as 3.14159

struct Vec {
    double x, y, z;
};

Vec Eye(const taghuey3dinfo& r) {
    return {r.eyeX, r.eyeY, r.eyeZ};
}
Vec Dir(const taghuey3dinfo& r) {
    return {r.dirX, r.dirY, r.dirZ};
}
Vec Side(const taghuey3dinfo& r) {
    return {r.sideX, r.sideY, r.sideZ};
}
Vec Up(const taghuey3dinfo& r) {
    return {r.upX, r.upY, r.upZ};
}
Vec Centre(const taghuey3dinfo& r) {
    return {r.centerX, r.centerY, r.centerZ};
}
double Dot(const Vec& a, const Vec& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec Minus(const Vec& a, const Vec& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec CrossOf(const Vec& a, const Vec& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Length(const Vec& v) {
    return std::sqrt(Dot(v, v));
}
double EyeCentreDistance(const taghuey3dinfo& r) {
    return Length(Minus(Eye(r), Centre(r)));
}

void ExpectNear(const Vec& actual, const Vec& expected, double tolerance, const char* what = "") {
    EXPECT_NEAR(actual.x, expected.x, tolerance) << what;
    EXPECT_NEAR(actual.y, expected.y, tolerance) << what;
    EXPECT_NEAR(actual.z, expected.z, tolerance) << what;
}

bool SameBits(const taghuey3dinfo& a, const taghuey3dinfo& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The frame the record's angles describe: dir from yaw and pitch, side at the twist from the
// level side h. The side is compared to 1e-7 only: a twist from acos near 0 or +-pi carries about
// half the digits.
void ExpectAnglesDescribeFrame(const taghuey3dinfo& r, double tolerance,
                               double sideTolerance = 1e-7) {
    const Vec d = {std::cos(r.yaw) * std::cos(r.pitch), std::sin(r.yaw) * std::cos(r.pitch),
                   std::sin(r.pitch)};
    ExpectNear(Dir(r), d, tolerance, "dir from angles");
    const double n = std::hypot(d.x, d.y);
    const Vec h = {-d.y / n, d.x / n, 0};
    const Vec c = CrossOf(d, h);
    const Vec s = {std::cos(r.twist) * h.x - std::sin(r.twist) * c.x,
                   std::cos(r.twist) * h.y - std::sin(r.twist) * c.y,
                   std::cos(r.twist) * h.z - std::sin(r.twist) * c.z};
    ExpectNear(Side(r), s, std::max(tolerance, sideTolerance), "side from twist");
}

void ExpectOrthonormal(const taghuey3dinfo& r, double tolerance) {
    EXPECT_NEAR(Length(Dir(r)), 1.0, tolerance);
    EXPECT_NEAR(Length(Side(r)), 1.0, tolerance);
    EXPECT_NEAR(Dot(Dir(r), Side(r)), 0.0, tolerance);
    ExpectNear(Up(r), CrossOf(Dir(r), Side(r)), tolerance, "up = dir x side");
}

// The one "SETPOV" a steering call sends: six doubles by value, then the 16-bit flag.
void ExpectPointOfView(const SeenCall& call, const taghuey3dinfo& r, short flag) {
    ASSERT_EQ(call.arguments.size(), 7u);
    const double values[6] = {r.eyeX, r.eyeY, r.eyeZ, r.yaw, r.pitch, r.twist};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(call.arguments[i].type, VT_R8) << i;
        EXPECT_EQ(call.arguments[i].AsDouble(), values[i]) << i;
    }
    EXPECT_EQ(call.arguments[6].type, VT_I2);
    EXPECT_EQ(call.arguments[6].AsShort(), flag);
}

class Navigation : public testing::Test {
  protected:
    Navigation() : document(new Dewey), view(document) { server.ClearRecords(); }
    ~Navigation() override { delete document; }

    // A record filled by Init3DInfo from scripted answers: eye x, y, z, yaw, pitch, twist and
    // centre x, y, z, extents x, y, z.
    taghuey3dinfo Camera(const std::vector<double>& pov, const std::vector<double>& scene) {
        server.AnswerNext(L"GETPOV", {Reply::Doubles(pov)});
        server.AnswerNext(L"GET3DINFO", {Reply::Doubles(scene)});
        taghuey3dinfo info = {};
        view.Init3DInfo(&info);
        server.ClearRecords();
        return info;
    }
    // Eye (1, 2, 3) looking along +x, level; centre (4, 5, 6); extents 20 each, so step sqrt 3.
    taghuey3dinfo LevelCamera() { return Camera({1, 2, 3, 0, 0, 0}, {4, 5, 6, 20, 20, 20}); }
    // Eye (10, 0, 0) looking at the origin; extents 10.
    taghuey3dinfo FacingOrigin(double twist = 0) {
        return Camera({10, 0, 0, kPi, 0, twist}, {0, 0, 0, 10, 10, 10});
    }
    std::vector<SeenCall> Sent() const { return server.CallsOf(L"SETPOV"); }

    ScriptedServer server;
    Dewey* document;
    Huey view;
};

}  // namespace

// --- Filling the record ---------------------------------------------------------------------

TEST_F(Navigation, InitFillsTheRecordFromTheServer) {
    server.AnswerNext(L"GETPOV", {Reply::Doubles({1, 2, 3, 0, 0, 0})});
    server.AnswerNext(L"GET3DINFO", {Reply::Doubles({4, 5, 6, 20, 20, 20})});
    taghuey3dinfo r = {};
    view.Init3DInfo(&r);

    ASSERT_EQ(server.CallNames(), (std::vector<std::wstring>{L"GETPOV", L"GET3DINFO"}));
    for (const SeenCall& call : server.Calls()) {
        ASSERT_EQ(call.arguments.size(), 6u);
        for (const auto& argument : call.arguments) EXPECT_EQ(argument.type, VT_BYREF | VT_R8);
    }
    ExpectNear(Eye(r), {1, 2, 3}, 0);
    ExpectNear(Centre(r), {4, 5, 6}, 0);
    EXPECT_EQ(r.extentX, 20.0);
    EXPECT_EQ(r.extentY, 20.0);
    EXPECT_EQ(r.extentZ, 20.0);
    EXPECT_EQ(r.step, std::sqrt(3.0));
    ExpectNear(Dir(r), {1, 0, 0}, 0);
    ExpectNear(Side(r), {0, 1, 0}, 0);
    ExpectNear(Up(r), {0, 0, 1}, 0);
    EXPECT_EQ(r.yaw, 0.0);
    EXPECT_EQ(r.pitch, 0.0);
    EXPECT_EQ(r.twist, 0.0);
    EXPECT_EQ(r.distance, 5.0);
}

TEST_F(Navigation, InitFloorsEachStepPart) {
    EXPECT_NEAR(Camera({0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}).step, 0.0017320508, 1e-10);
    EXPECT_EQ(Camera({0, 0, 0, 0, 0, 0}, {0, 0, 0, 40, 0, 0}).step,
              std::sqrt(0.001 * 0.001 + 0.001 * 0.001 + 2.0 * 2.0));
    EXPECT_EQ(Camera({0, 0, 0, 0, 0, 0}, {0, 0, 0, -40, 0.01, 0}).step,
              std::sqrt(0.001 * 0.001 + 0.001 * 0.001 + 0.001 * 0.001));
}

TEST_F(Navigation, InitBuildsTheFrameFromTheAngles) {
    const taghuey3dinfo r = Camera({0, 0, 0, 0.5, 0.25, -0.3}, {0, 0, 0, 1, 1, 1});
    EXPECT_EQ(r.yaw, 0.5);
    EXPECT_EQ(r.pitch, 0.25);
    EXPECT_EQ(r.twist, -0.3);
    ExpectAnglesDescribeFrame(r, 1e-15);
    ExpectOrthonormal(r, 1e-15);
    EXPECT_GT(r.sideZ, 0.0);  // a negative twist lifts the side
}

TEST_F(Navigation, InitWithoutAnswersCompletesWhatTheRecordHolds) {
    taghuey3dinfo r = LevelCamera();
    r.distance = 12;
    server.Answer(L"GETPOV", Reply::Failure(E_FAIL));
    server.AnswerNext(L"GET3DINFO", {Reply::Doubles({7, 8, 9, 40, 40, 40})});
    view.Init3DInfo(&r);
    ExpectNear(Eye(r), {1, 2, 3}, 0);
    ExpectNear(Centre(r), {7, 8, 9}, 0);
    EXPECT_EQ(r.step, std::sqrt(12.0));
    EXPECT_EQ(r.distance, 5.0);

    // No server at all: the host's angles give the frame.
    Huey detached(nullptr);
    r.yaw = kPi / 2;
    detached.Init3DInfo(&r);
    ExpectNear(Eye(r), {1, 2, 3}, 0);
    ExpectNear(Dir(r), {0, 1, 0}, 1e-16);
    ExpectNear(Side(r), {-1, 0, 0}, 1e-16);
}

TEST_F(Navigation, InitRefusesAnswersThatAreNotFinite) {
    const taghuey3dinfo before = LevelCamera();
    taghuey3dinfo r = before;
    server.AnswerNext(L"GETPOV", {Reply::Doubles({1, 2, 3, std::nan(""), 0, 0})});
    view.Init3DInfo(&r);
    EXPECT_TRUE(SameBits(r, before));
    server.AnswerNext(L"GET3DINFO", {Reply::Doubles({0, 0, 0, HUGE_VAL, 1, 1})});
    view.Init3DInfo(&r);
    EXPECT_TRUE(SameBits(r, before));
}

TEST_F(Navigation, NullRecordsAreIgnored) {
    taghuey3dinfo r = LevelCamera();
    RECT window = {0, 0, 400, 300};
    view.Init3DInfo(nullptr);
    view.Align(nullptr, &r, &window);
    view.Align(&r, nullptr, &window);
    view.Distance(nullptr, 3);
    view.VRSteer(nullptr, 0, 0);
    view.CADSteer(nullptr, 0, 0, &window);
    view.Trackball(nullptr, 5, 5, 0, &window);
    EXPECT_TRUE(server.Calls().empty());
}

// --- Align and Distance ---------------------------------------------------------------------

TEST_F(Navigation, AlignTakesTheOrientationAndFitsTheWindow) {
    taghuey3dinfo source = Camera({0, 0, 0, 0.5, -0.2, 0.7}, {0, 0, 0, 1, 1, 1});
    source.distance = 8;
    taghuey3dinfo target = Camera({30, 30, 30, 0, 0, 0}, {1, 2, 3, 10, 40, 20});
    const taghuey3dinfo old = target;
    RECT window = {1000, 2000, 400, 300};  // left and top are not read
    view.Align(&target, &source, &window);

    ExpectNear(Dir(target), Dir(source), 0);
    ExpectNear(Side(target), Side(source), 0);
    ExpectNear(Up(target), Up(source), 0);
    EXPECT_EQ(target.yaw, 0.5);
    EXPECT_EQ(target.pitch, -0.2);
    EXPECT_EQ(target.twist, 0.7);
    EXPECT_EQ(target.distance, 8.0);
    EXPECT_EQ(target.step, old.step);
    ExpectNear(Centre(target), {1, 2, 3}, 0);
    EXPECT_EQ(target.extentY, 40.0);
    const double d = 1000.0 * 40 / 300;  // about 133.333
    EXPECT_DOUBLE_EQ(target.eyeX, 1 - d * source.dirX);
    EXPECT_DOUBLE_EQ(target.eyeY, 2 - d * source.dirY);
    EXPECT_DOUBLE_EQ(target.eyeZ, 3 - d * source.dirZ);
    EXPECT_TRUE(server.Calls().empty());
}

TEST_F(Navigation, AlignWithoutWindowPutsTheEyeOnTheViewLine) {
    taghuey3dinfo r = LevelCamera();
    r.eyeY = 9;  // off the line through the centre along dir
    const double d = EyeCentreDistance(r);
    view.Align(&r, &r, nullptr);
    ExpectNear(Eye(r), {4 - d, 5, 6}, 1e-14);
    ExpectNear(Dir(r), {1, 0, 0}, 0);

    RECT window = {0, 0, 500, 250};
    view.Align(&r, &r, &window);
    ExpectNear(Eye(r), {4 - 1000.0 * 20 / 250, 5, 6}, 1e-13);

    // An eye at the centre stays there.
    taghuey3dinfo atCentre = Camera({4, 5, 6, 0, 0, 0}, {4, 5, 6, 1, 1, 1});
    view.Align(&atCentre, &r, nullptr);
    ExpectNear(Eye(atCentre), {4, 5, 6}, 0);
    EXPECT_TRUE(server.Calls().empty());
}

TEST_F(Navigation, AlignWithAWindowOfNoWidthChangesNothing) {
    taghuey3dinfo source = Camera({0, 0, 0, 1, 0.3, 0}, {0, 0, 0, 1, 1, 1});
    const taghuey3dinfo before = LevelCamera();
    for (RECT window :
         {RECT{0, 0, 400, 0}, RECT{0, 0, 0, 300}, RECT{0, 0, -400, 300}, RECT{0, 0, 400, -1}}) {
        taghuey3dinfo target = before;
        view.Align(&target, &source, &window);
        EXPECT_TRUE(SameBits(target, before)) << window.right << " " << window.bottom;
    }
}

TEST_F(Navigation, DistanceScalesByTheSettings) {
    taghuey3dinfo r = LevelCamera();
    r.eyeZ = 10;  // off the view line: Distance puts it back on
    const double d = EyeCentreDistance(r);
    view.Distance(&r, 10);
    EXPECT_EQ(r.distance, 10.0);
    ExpectNear(Eye(r), {4 - 1.5 * d, 5, 6}, 1e-14);
    view.Distance(&r, 0);  // chain: (0 + 5) / (5 + 5) overall
    ExpectNear(Eye(r), {4 - 0.5 * d, 5, 6}, 1e-14);
    view.Distance(&r, -5);
    ExpectNear(Eye(r), {4, 5, 6}, 0);
    EXPECT_EQ(r.distance, -5.0);
    EXPECT_TRUE(server.Calls().empty());
}

// Both placements are evaluated in their stated stages, which differ in the last bit from the
// shortened forms 1000 m / w and D (v + 5) / (stored + 5) for these values.
TEST_F(Navigation, AlignAndDistanceRoundInTheirStatedStages) {
    taghuey3dinfo source = Camera({0, 0, 0, 0, 0, 0}, {0, 0, 0, 1, 1, 1});
    taghuey3dinfo r = Camera({3, 4, 12, 0, 0, 0}, {0, 0, 0, 16.1, 0.5, 1.2});
    RECT window = {0, 0, 400, 300};
    view.Align(&r, &source, &window);
    EXPECT_EQ(r.eyeX, -(((16.1 * 2.5) * 200 / 300) * 2));
    EXPECT_NE(r.eyeX, -(1000 * 16.1 / 300));

    r = Camera({3, 4, 12, 0, 0, 0}, {0, 0, 0, 1, 1, 1});  // 13 from the centre
    view.Distance(&r, 7.3);
    EXPECT_EQ(r.eyeX, -(13 / ((5.0 + 5) / 15) * ((7.3 + 5) / 15)));
    EXPECT_NE(r.eyeX, -(13 * (7.3 + 5) / (5.0 + 5)));
}

TEST_F(Navigation, DistanceFromTheSettingMinusFiveChangesNothing) {
    taghuey3dinfo r = LevelCamera();
    view.Distance(&r, -5);
    const taghuey3dinfo before = r;
    view.Distance(&r, 10);
    EXPECT_TRUE(SameBits(r, before));

    r = LevelCamera();
    const taghuey3dinfo level = r;
    view.Distance(&r, std::nan(""));
    view.Distance(&r, HUGE_VAL);
    EXPECT_TRUE(SameBits(r, level));
}

// --- VR steering ----------------------------------------------------------------------------

TEST_F(Navigation, VrStepsFromALevelCamera) {
    const double s = std::sqrt(3.0);
    struct Expected {
        int code;
        Vec eye;
        double yaw, pitch, twist;
    };
    const Expected table[] = {
        {0, {1, 2, 3}, 0, kTurn, 0},  {1, {1, 2, 3}, kTurn, 0, 0},  {2, {1, 2, 3}, 0, -kTurn, 0},
        {3, {1, 2, 3}, -kTurn, 0, 0}, {4, {1, 2, 3 + s}, 0, 0, 0},  {5, {1, 2 + s, 3}, 0, 0, 0},
        {6, {1, 2, 3 - s}, 0, 0, 0},  {7, {1, 2 - s, 3}, 0, 0, 0},  {8, {1 + s, 2, 3}, 0, 0, 0},
        {9, {1 - s, 2, 3}, 0, 0, 0},  {10, {1, 2, 3}, 0, 0, kTurn}, {11, {1, 2, 3}, 0, 0, -kTurn},
    };
    for (const Expected& e : table) {
        taghuey3dinfo r = LevelCamera();
        view.VRSteer(&r, e.code, 0);
        ExpectNear(Eye(r), e.eye, 1e-15, "eye");
        EXPECT_NEAR(r.yaw, e.yaw, 1e-15) << e.code;
        EXPECT_NEAR(r.pitch, e.pitch, 1e-15) << e.code;
        EXPECT_NEAR(r.twist, e.twist, 1e-7) << e.code;
        EXPECT_EQ(r.step, s);
        ExpectAnglesDescribeFrame(r, 1e-15);
        ExpectOrthonormal(r, 1e-15);
        ExpectNear(Centre(r), {4, 5, 6}, 0);
        EXPECT_EQ(r.distance, 5.0);
        const std::vector<SeenCall> sent = Sent();
        ASSERT_EQ(server.Calls().size(), 1u) << e.code;
        ASSERT_EQ(sent.size(), 1u);
        ExpectPointOfView(sent[0], r, 0);
        server.ClearRecords();
    }
    // The turns go the stated ways: towards up (+z), towards side (+y), twist lowers the side.
    taghuey3dinfo r = LevelCamera();
    view.VRSteer(&r, 0, 0);
    EXPECT_GT(r.dirZ, 0.0);
    r = LevelCamera();
    view.VRSteer(&r, 1, 0);
    EXPECT_GT(r.dirY, 0.0);
    r = LevelCamera();
    view.VRSteer(&r, 10, 0);
    EXPECT_LT(r.sideZ, 0.0);
}

TEST_F(Navigation, EachVrStepIsUndoneByItsInverse) {
    const int pairs[][2] = {{0, 2}, {2, 0}, {1, 3}, {3, 1}, {4, 6}, {5, 7}, {8, 9}, {10, 11}};
    for (const auto& pair : pairs) {
        const taghuey3dinfo before = Camera({1, -2, 3, 0.7, -0.4, 1.1}, {0, 0, 0, 10, 30, 50});
        taghuey3dinfo r = before;
        view.VRSteer(&r, pair[0], 0);
        view.VRSteer(&r, pair[1], 0);
        ExpectNear(Eye(r), Eye(before), 1e-14, "eye");
        ExpectNear(Dir(r), Dir(before), 1e-15, "dir");
        ExpectNear(Side(r), Side(before), 1e-15, "side");
        ExpectNear(Up(r), Up(before), 1e-15, "up");
        EXPECT_NEAR(r.yaw, 0.7, 1e-14) << pair[0];
        EXPECT_NEAR(r.pitch, -0.4, 1e-14) << pair[0];
        EXPECT_NEAR(r.twist, 1.1, 1e-7) << pair[0];
        EXPECT_EQ(Sent().size(), 2u);
        server.ClearRecords();
    }
}

TEST_F(Navigation, VrCodesOutOfRangeDoNothing) {
    const taghuey3dinfo before = LevelCamera();
    for (int code : {12, 13, -1, INT_MIN, INT_MAX}) {
        taghuey3dinfo r = before;
        view.VRSteer(&r, code, 1);
        EXPECT_TRUE(SameBits(r, before)) << code;
    }
    EXPECT_TRUE(server.Calls().empty());
}

TEST_F(Navigation, VrSeventyTwoTurnsFallShortOfACircle) {
    taghuey3dinfo r = Camera({0, 0, 0, 0, 0, 0}, {0, 0, 0, 1, 1, 1});
    for (int i = 0; i < 72; ++i) view.VRSteer(&r, 1, 0);
    EXPECT_NEAR(r.yaw, 6.28318 - 2 * kPi, 1e-12);  // -0.0000053
    EXPECT_NEAR(r.yaw, -0.0000053, 1e-8);
    EXPECT_NEAR(r.pitch, 0.0, 1e-14);
    EXPECT_NEAR(r.twist, 0.0, 1e-7);
    EXPECT_EQ(Sent().size(), 72u);
}

TEST_F(Navigation, VrTurnsUpOverTheTop) {
    taghuey3dinfo r = Camera({0, 0, 0, 0, 0, 0}, {0, 0, 0, 1, 1, 1});
    for (int i = 0; i < 18; ++i) view.VRSteer(&r, 0, 0);
    EXPECT_NEAR(r.pitch, 1.570795, 1e-13);
    EXPECT_EQ(r.yaw, 0.0);
    const Vec sideBefore = Side(r);
    view.VRSteer(&r, 0, 0);
    EXPECT_EQ(r.yaw, kPi);
    EXPECT_NEAR(r.pitch, kPi - 19 * kTurn, 1e-13);  // about 1.48353
    EXPECT_NEAR(r.pitch, 1.48353, 1e-5);
    EXPECT_NEAR(r.twist, -kPi, 1e-7);
    ExpectNear(Side(r), sideBefore, 1e-15, "side moves on smoothly");
    ExpectOrthonormal(r, 1e-15);
    ExpectAnglesDescribeFrame(r, 1e-13);
}

TEST_F(Navigation, VrTwistsAreNotBroughtIntoRange) {
    taghuey3dinfo r = Camera({0, 0, 0, 0.3, 0.2, 0.5}, {0, 0, 0, 1, 1, 1});
    for (int i = 0; i < 36; ++i) view.VRSteer(&r, 10, 0);
    EXPECT_NEAR(r.twist, 0.5 + 3.14159, 1e-13);
    EXPECT_EQ(r.yaw, 0.3);
    EXPECT_EQ(r.pitch, 0.2);
    ExpectAnglesDescribeFrame(r, 1e-14);
}

TEST_F(Navigation, PovFlagSendsItsLowSixteenBits) {
    const struct {
        int flag;
        short sent;
    } cases[] = {{1, 1},           {0x12340001, 1}, {-1, -1},
                 {0x8000, -32768}, {0x7FFF, 32767}, {0x10000, 0}};
    for (const auto& c : cases) {
        taghuey3dinfo r = LevelCamera();
        view.VRSteer(&r, 8, c.flag);
        ASSERT_EQ(Sent().size(), 1u);
        ExpectPointOfView(Sent()[0], r, c.sent);
        server.ClearRecords();
        RECT window = {0, 0, 400, 300};
        view.CADSteer(&r, 3, c.flag, nullptr);
        view.Trackball(&r, 3, 4, c.flag, &window);
        ASSERT_EQ(Sent().size(), 2u);
        EXPECT_EQ(Sent()[0].arguments[6].AsShort(), c.sent);
        ExpectPointOfView(Sent()[1], r, c.sent);
        server.ClearRecords();
    }
}

TEST_F(Navigation, SteeringWritesTheRecordWhateverTheServerAnswers) {
    server.Answer(L"SETPOV", Reply::Failure(E_FAIL));
    taghuey3dinfo r = LevelCamera();
    view.VRSteer(&r, 8, 0);
    EXPECT_EQ(r.eyeX, 1 + std::sqrt(3.0));
    EXPECT_EQ(Sent().size(), 1u);
}

TEST_F(Navigation, SteeringWithoutServerStillKeepsTheRecord) {
    Huey detached(nullptr);
    taghuey3dinfo r = LevelCamera();
    detached.VRSteer(&r, 1, 0);
    EXPECT_NEAR(r.yaw, kTurn, 1e-15);
    detached.CADSteer(&r, 0, 0, nullptr);
    EXPECT_EQ(r.yaw, kPi);
    RECT window = {0, 0, 400, 300};
    detached.Trackball(&r, 100, 0, 0, &window);
    EXPECT_NE(r.yaw, kPi);
    EXPECT_TRUE(server.Calls().empty());
}

TEST_F(Navigation, SteeringNeverStoresOrSendsWhatIsNotFinite) {
    taghuey3dinfo r = LevelCamera();
    r.dirY = std::nan("");
    const taghuey3dinfo before = r;
    for (int code = 0; code < 12; ++code) view.VRSteer(&r, code, 0);
    EXPECT_TRUE(SameBits(r, before));

    taghuey3dinfo distant = LevelCamera();
    distant.eyeX = HUGE_VAL;
    const taghuey3dinfo distantBefore = distant;
    RECT window = {0, 0, 400, 300};
    view.CADSteer(&distant, 6, 0, nullptr);
    view.Trackball(&distant, 1, 1, 0, &window);
    EXPECT_TRUE(SameBits(distant, distantBefore));

    taghuey3dinfo stepping = LevelCamera();
    stepping.step = HUGE_VAL;  // inf * 0 in the move
    const taghuey3dinfo steppingBefore = stepping;
    view.VRSteer(&stepping, 4, 0);
    EXPECT_TRUE(SameBits(stepping, steppingBefore));
    EXPECT_TRUE(server.Calls().empty());

    // A NaN in a field the step neither reads nor writes does not stop it.
    r = LevelCamera();
    r.extentX = std::nan("");
    view.VRSteer(&r, 8, 0);
    EXPECT_EQ(Sent().size(), 1u);
}

// --- CAD steering ---------------------------------------------------------------------------

TEST_F(Navigation, CadPresetsMatchTheReferenceTable) {
    const double a = std::atan(1 / std::sqrt(2.0));
    const double q = 0.4082483, h = 0.7071068, t = 0.8164966;
    const struct {
        double yaw, pitch;
        Vec side, up;
    } table[] = {
        {kPi, 0, {0, -1, 0}, {0, 0, 1}},
        {0, 0, {0, 1, 0}, {0, 0, 1}},
        {-kPi / 2, 0, {1, 0, 0}, {0, 0, 1}},
        {kPi / 2, 0, {-1, 0, 0}, {0, 0, 1}},
        {0, std::atan(-0.99999999 / 1e-08), {0, 1, 0}, {0.99999999, 0, 1e-08}},
        {0, std::atan(0.99999999 / 1e-08), {0, 1, 0}, {-0.99999999, 0, 1e-08}},
        {3 * kPi / 4, -a, {-h, -h, 0}, {-q, q, t}},
        {-3 * kPi / 4, -a, {h, -h, 0}, {-q, -q, t}},
        {-3 * kPi / 4, a, {h, -h, 0}, {q, q, t}},
        {3 * kPi / 4, a, {-h, -h, 0}, {q, -q, t}},
    };
    for (int view_code = 0; view_code < 10; ++view_code) {
        taghuey3dinfo r = Camera({3, 4, 12, 0.3, 0.2, 0.9}, {1, -2, 0.5, 10, 10, 10});
        view.CADSteer(&r, view_code, 0, nullptr);
        const auto& e = table[view_code];
        EXPECT_NEAR(r.yaw, e.yaw, 1e-15) << view_code;
        EXPECT_NEAR(r.pitch, e.pitch, 1e-15) << view_code;
        EXPECT_EQ(r.twist, 0.0);
        ExpectNear(Side(r), e.side, 5e-8, "side");
        ExpectNear(Up(r), e.up, 5e-8, "up");
        ExpectAnglesDescribeFrame(r, 2e-8);
        ExpectNear(Up(r), CrossOf(Dir(r), Side(r)), 0, "up = dir x side");
        ASSERT_EQ(Sent().size(), 1u);
        ExpectPointOfView(Sent()[0], r, 0);
        server.ClearRecords();
    }
}

TEST_F(Navigation, CadPresetsKeepTheDistanceAndPlaceTheEye) {
    const taghuey3dinfo start = Camera({3, 4, 12, 0.3, 0.2, 0.9}, {1, -2, 0.5, 10, 20, 30});
    const double d = std::sqrt(2.0 * 2.0 + 6.0 * 6.0 + 11.5 * 11.5);
    const Vec exact[6] = {{1 + d, -2, 0.5}, {1 - d, -2, 0.5}, {1, -2 + d, 0.5},
                          {1, -2 - d, 0.5}, {1, -2, 0.5 + d}, {1, -2, 0.5 - d}};
    for (int code = 0; code < 10; ++code) {
        taghuey3dinfo r = start;
        view.CADSteer(&r, code, 0, nullptr);
        if (code < 6) {
            ExpectNear(Eye(r), exact[code], 0, "axis view");
            EXPECT_NEAR(EyeCentreDistance(r), d, 1e-14);
        } else {
            EXPECT_NEAR(EyeCentreDistance(r), d, 1e-14);
            EXPECT_GT(r.eyeX, r.centerX);  // corners are on the +x side
            ExpectNear(Minus(Centre(r), Eye(r)), {d * r.dirX, d * r.dirY, d * r.dirZ}, 1e-14);
        }
        // Step, centre, extents and the distance setting stay.
        EXPECT_EQ(r.step, start.step);
        ExpectNear(Centre(r), Centre(start), 0);
        EXPECT_EQ(r.extentZ, 30.0);
        EXPECT_EQ(r.distance, 5.0);
    }
    // Above and below look almost, not exactly, vertically.
    taghuey3dinfo r = start;
    view.CADSteer(&r, 4, 0, nullptr);
    ExpectNear(Dir(r), {1e-08, 0, -0.99999999}, 0);
    view.CADSteer(&r, 5, 0, nullptr);
    ExpectNear(Dir(r), {1e-08, 0, 0.99999999}, 0);
}

TEST_F(Navigation, CadWithTheEyeAtTheCentreOnlyTurns) {
    taghuey3dinfo r = Camera({1, 2, 3, 0.3, 0.2, 0.9}, {1, 2, 3, 10, 10, 10});
    view.CADSteer(&r, 7, 0, nullptr);
    ExpectNear(Eye(r), {1, 2, 3}, 0);
    EXPECT_NEAR(r.yaw, -3 * kPi / 4, 1e-15);
    EXPECT_EQ(Sent().size(), 1u);
}

TEST_F(Navigation, CadViewsOutOfRangeDoNothing) {
    const taghuey3dinfo before = LevelCamera();
    for (int code : {10, 11, -1, INT_MIN}) {
        taghuey3dinfo r = before;
        view.CADSteer(&r, code, 0, nullptr);
        EXPECT_TRUE(SameBits(r, before)) << code;
    }
    EXPECT_TRUE(server.Calls().empty());
}

TEST_F(Navigation, CadSameViewTwiceGivesTheSamePointOfView) {
    taghuey3dinfo r = LevelCamera();
    RECT window = {0, 0, 400, 300};
    view.CADSteer(&r, 6, 9, &window);
    const taghuey3dinfo first = r;
    view.CADSteer(&r, 6, 9, nullptr);
    EXPECT_TRUE(SameBits(r, first));
    ASSERT_EQ(Sent().size(), 2u);
    ExpectPointOfView(Sent()[0], first, 9);
    ExpectPointOfView(Sent()[1], first, 9);
}

TEST_F(Navigation, CadTopViewThenVrTurnsStayDefined) {
    taghuey3dinfo r = LevelCamera();
    view.CADSteer(&r, 4, 0, nullptr);
    for (int code : {0, 1, 2, 3, 10, 11, 0, 0}) {
        view.VRSteer(&r, code, 0);
        ExpectOrthonormal(r, 1e-7);
        // The turned side is 1e-8 short of unit length, as the top view's direction is, and the
        // twist read from it carries that shortfall: acos(1 - 2e-8) is about 2e-4.
        ExpectAnglesDescribeFrame(r, 1e-7, 3e-4);
    }
    EXPECT_EQ(Sent().size(), 9u);
}

// --- Trackball ------------------------------------------------------------------------------

TEST_F(Navigation, TrackballTurnsByTheDragAngles) {
    RECT window = {0, 0, 400, 300};  // diagonal 500
    const struct {
        int dx, dy;
        Vec eye;
    } cases[] = {
        {125, 0, {8.660254, -5, 0}},     {0, 125, {8.660254, 0, 5}},   {1000, 0, {0, -10, 0}},
        {-125, 0, {8.660254, 5, 0}},     {0, -125, {8.660254, 0, -5}}, {0, 250, {0, 0, 10}},
        {125, 125, {7.5, -4.330127, 5}},  // horizontal first, then about the turned side
    };
    for (const auto& c : cases) {
        taghuey3dinfo r = FacingOrigin();
        view.Trackball(&r, c.dx, c.dy, 0, &window);
        ExpectNear(Eye(r), c.eye, 1e-6, "eye");
        EXPECT_NEAR(EyeCentreDistance(r), 10.0, 1e-14);
        ExpectNear(Dir(r), {-r.eyeX / 10, -r.eyeY / 10, -r.eyeZ / 10}, 1e-15, "dir at centre");
        ExpectOrthonormal(r, 1e-15);
        ExpectAnglesDescribeFrame(r, 1e-8);
        ASSERT_EQ(Sent().size(), 1u);
        ExpectPointOfView(Sent()[0], r, 0);
        server.ClearRecords();
    }
    // Only right and bottom are read.
    taghuey3dinfo r = FacingOrigin();
    RECT shifted = {-50, 70, 400, 300};
    view.Trackball(&r, 125, 0, 0, &shifted);
    ExpectNear(Eye(r), {8.660254, -5, 0}, 1e-6);
}

TEST_F(Navigation, TrackballWithoutDragReaimsAndKeepsTheTwist) {
    taghuey3dinfo r = FacingOrigin(0.4);
    view.VRSteer(&r, 5, 0);  // step aside: no longer looking at the centre
    const Vec eye = Eye(r);
    RECT window = {0, 0, 640, 480};
    view.Trackball(&r, 0, 0, 0, &window);
    ExpectNear(Eye(r), eye, 1e-14);
    const double d = Length(eye);
    ExpectNear(Dir(r), {-eye.x / d, -eye.y / d, -eye.z / d}, 1e-15);
    EXPECT_NEAR(r.twist, 0.4, 1e-7);
    EXPECT_EQ(Sent().size(), 2u);

    // A twist out of range comes back in range.
    r = FacingOrigin(0.4 + 2 * kPi);
    view.Trackball(&r, 0, 0, 0, &window);
    EXPECT_NEAR(r.twist, 0.4, 1e-7);
}

TEST_F(Navigation, TrackballFromStraightAboveStaysDefined) {
    taghuey3dinfo r = Camera({0, 0, 10, 0, 0, 0}, {0, 0, 0, 10, 10, 10});
    RECT window = {0, 0, 400, 300};
    view.Trackball(&r, 0, 0, 0, &window);
    EXPECT_NEAR(r.pitch, -1.570795, 1e-12);
    EXPECT_NEAR(r.eyeX, -10 * std::cos(1.570795), 1e-15);  // about 1.3e-5 off the vertical
    EXPECT_NEAR(r.eyeZ, 10 * std::sin(1.570795), 1e-14);
    ExpectOrthonormal(r, 1e-15);
    EXPECT_EQ(Sent().size(), 1u);
}

TEST_F(Navigation, TrackballWithoutABallChangesNothing) {
    const taghuey3dinfo atCentre = Camera({1, 2, 3, 0, 0, 0}, {1, 2, 3, 10, 10, 10});
    const taghuey3dinfo away = FacingOrigin();
    RECT window = {0, 0, 400, 300};
    RECT empty = {10, 10, 0, 0};
    taghuey3dinfo r = atCentre;
    view.Trackball(&r, 10, 10, 0, &window);
    EXPECT_TRUE(SameBits(r, atCentre));
    r = away;
    view.Trackball(&r, 10, 10, 0, &empty);
    view.Trackball(&r, 10, 10, 0, nullptr);
    EXPECT_TRUE(SameBits(r, away));
    EXPECT_TRUE(server.Calls().empty());

    // A window with a side of 0 still has a ball.
    RECT flat = {0, 0, 0, 300};
    view.Trackball(&r, 75, 0, 0, &flat);
    ExpectNear(Eye(r), {8.660254, -5, 0}, 1e-6);
}

TEST_F(Navigation, TrackballHandlesTheLargestWindows) {
    taghuey3dinfo r = FacingOrigin();
    RECT window = {0, 0, LONG_MIN, LONG_MIN};  // squares sum to 2^63
    const double diagonal = std::sqrt(2.0) * 2147483648.0;
    view.Trackball(&r, static_cast<int>(diagonal / 4), 0, 0, &window);
    ExpectNear(Eye(r), {8.660254, -5, 0}, 1e-6);
}

TEST_F(Navigation, MixedSteeringKeepsTheFrameAndTheOrbit) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> kind(0, 2), vr(0, 11), cad(0, 9), drag(-300, 300);
    taghuey3dinfo r = Camera({20, -5, 7, 1, 0.3, -0.2}, {1, 2, 3, 40, 30, 20});
    RECT window = {0, 0, 800, 600};
    for (int i = 0; i < 1500; ++i) {
        server.ClearRecords();
        const int k = kind(random);
        const double d = EyeCentreDistance(r);
        if (k == 0) {
            view.VRSteer(&r, vr(random), i);
        } else if (k == 1) {
            int code = cad(random);
            if (code == 4 || code == 5) code = 0;  // their direction is not quite unit length
            view.CADSteer(&r, code, i, nullptr);
        } else {
            view.Trackball(&r, drag(random), drag(random), i, &window);
            EXPECT_NEAR(EyeCentreDistance(r), d, 1e-12 * d);
            const Vec toCentre = Minus(Centre(r), Eye(r));
            const double n = Length(toCentre);
            ExpectNear(Dir(r), {toCentre.x / n, toCentre.y / n, toCentre.z / n}, 1e-12);
        }
        ExpectOrthonormal(r, 1e-12);
        ExpectAnglesDescribeFrame(r, 1e-9);
        ASSERT_EQ(server.Calls().size(), 1u);
        ExpectPointOfView(server.Calls()[0], r, static_cast<short>(i));
        if (HasFailure()) FAIL() << "step " << i << " kind " << k;
    }
}
