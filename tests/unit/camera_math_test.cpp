// The camera's vector functions: angles and vectors, twist round trips, the vertical case and
// the clamps that keep acos and asin defined.
#include <gtest/gtest.h>

#include <cmath>

#include "camera.h"

using kelocli::camera::AnglesFromVector;
using kelocli::camera::DirectionFromAngles;
using kelocli::camera::TwistFromVectors;
using kelocli::camera::Vector;
using kelocli::camera::VectorFromAngle;

namespace {

const double kPi = std::acos(-1.0);

void ExpectVector(const Vector& actual, double x, double y, double z, double tolerance) {
    EXPECT_NEAR(actual.x, x, tolerance);
    EXPECT_NEAR(actual.y, y, tolerance);
    EXPECT_NEAR(actual.z, z, tolerance);
}

double Dot(const Vector& a, const Vector& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

}  // namespace

TEST(CameraAngles, FromVectorCoversTheAxesAndTheVertical) {
    EXPECT_EQ(AnglesFromVector({0, 0, 0}).yaw, 0.0);
    EXPECT_EQ(AnglesFromVector({0, 0, 0}).pitch, 1.570795);
    EXPECT_EQ(AnglesFromVector({0, 0, -2}).yaw, 0.0);
    EXPECT_EQ(AnglesFromVector({0, 0, -2}).pitch, -1.570795);
    EXPECT_EQ(AnglesFromVector({-0.0, 0, 3}).yaw, 0.0);  // not atan2(0, -0) = pi
    EXPECT_EQ(AnglesFromVector({-1, 0, 0}).yaw, kPi);
    EXPECT_EQ(AnglesFromVector({-1, 0, 0}).pitch, 0.0);
    EXPECT_EQ(AnglesFromVector({3, 4, 5}).yaw, std::atan2(4.0, 3.0));
    EXPECT_EQ(AnglesFromVector({3, 4, 5}).pitch, std::atan(1.0));
}

TEST(CameraVectors, LevelSideAtZeroTwist) {
    ExpectVector(VectorFromAngle({1, 0, 0}, 0), 0, 1, 0, 0);
    ExpectVector(VectorFromAngle({0, -1, 0}, 0), 1, 0, 0, 0);
    // d need not be unit length for the level side.
    ExpectVector(VectorFromAngle({0, 5, 2}, 0), -1, 0, 0, 0);
    // A positive twist turns the side down, away from d x h.
    const double t = 0.3;
    ExpectVector(VectorFromAngle({1, 0, 0}, t), 0, std::cos(t), -std::sin(t), 1e-16);
}

TEST(CameraVectors, TwistRoundTripsForEveryDirection) {
    for (double yaw = -3.1; yaw < 3.14; yaw += 0.41) {
        for (double pitch = -1.5; pitch < 1.55; pitch += 0.3) {
            const Vector d = DirectionFromAngles(yaw, pitch);
            for (double t = -3.1; t < 3.14; t += 0.23) {
                const Vector s = VectorFromAngle(d, t);
                EXPECT_NEAR(Dot(s, s), 1.0, 1e-15);
                EXPECT_NEAR(Dot(s, d), 0.0, 1e-15);
                EXPECT_NEAR(TwistFromVectors(d, s), t, 1e-7) << yaw << " " << pitch << " " << t;
            }
        }
    }
}

TEST(CameraVectors, VerticalDirectionLeansTowardsPlusX) {
    const double lean = 1e-9;
    for (double z : {1.0, -1.0}) {
        const Vector vertical = {0, 0, z};
        const Vector leaning = {lean, 0, z};
        for (double t = -3.1; t < 3.14; t += 0.23) {
            const Vector s = VectorFromAngle(vertical, t);
            const Vector limit = VectorFromAngle(leaning, t);
            ExpectVector(s, limit.x, limit.y, limit.z, 1e-8);
            EXPECT_NEAR(Dot(s, s), 1.0, 1e-15);
            EXPECT_NEAR(TwistFromVectors(vertical, s), t, 1e-14) << z << " " << t;
            EXPECT_NEAR(TwistFromVectors(vertical, s), TwistFromVectors(leaning, limit), 1e-7);
        }
        ExpectVector(VectorFromAngle(vertical, 0), 0, 1, 0, 0);
    }
    // The zero vector still gives a finite side.
    ExpectVector(VectorFromAngle({0, 0, 0}, 0.5), 0, std::cos(0.5), 0, 0);
    EXPECT_EQ(TwistFromVectors({0, 0, 0}, {0, 1, 0}), 0.0);
}

TEST(CameraVectors, TwistCosineIsClampedAgainstRounding) {
    const double over = 1.0000000000000002;
    EXPECT_EQ(TwistFromVectors({1, 0, 0}, {0, over, 0}), 0.0);
    EXPECT_EQ(TwistFromVectors({1, 0, 0}, {0, -over, 0}), -kPi);
    EXPECT_EQ(TwistFromVectors({1, 0, 0}, {0, -over, -1e-300}), kPi);
    // s.z does not enter the cosine.
    EXPECT_EQ(TwistFromVectors({1, 0, 0}, {0, 0.5, 7}), -std::acos(0.5));
}

// The turns by a negative angle (VR codes 2 and 3, the trackball's horizontal part) rely on cos
// being even and sin odd to the last bit.
TEST(CameraVectors, TurnsByNegativeAnglesMirrorExactly) {
    for (double b = 1e-9; b < 3.2; b = b * 1.7 + 0.001) {
        EXPECT_EQ(std::cos(-b), std::cos(b)) << b;
        EXPECT_EQ(std::sin(-b), -std::sin(b)) << b;
    }
    Vector p = {1, 2, 3}, q = {-4, 5, 0.5};
    const Vector p0 = p, q0 = q;
    kelocli::camera::Turn(&p, &q, 0.3);
    kelocli::camera::Turn(&p, &q, -0.3);
    ExpectVector(p, p0.x, p0.y, p0.z, 1e-15);
    ExpectVector(q, q0.x, q0.y, q0.z, 1e-15);
}
