// The camera math of the 3D view, as pure functions: no server, no record pointers.
//
// Conventions: z is vertical; yaw turns about z from +x towards +y, pitch rises out of the x-y
// plane, twist rolls side and up about the view direction. Angles are radians. Angle constants
// are derived from pi taken as 3.14159; angles that come out of atan2, atan, acos and asin are
// exact to double accuracy. Every formula is evaluated in the order its comment gives (sums and
// cross products component by component as written), so results are reproducible to the last bit.
//
// A camera is a Pose: the eye and the right-handed frame (dir, side, up = dir x side) with the
// three angles that describe the same orientation. Operations that cannot give a finite result
// return nothing (std::nullopt); callers then leave the host's record and the server alone.
#ifndef KELOCLI_NAVIGATION_CAMERA_H
#define KELOCLI_NAVIGATION_CAMERA_H

#include <cstdint>
#include <optional>

#include "kelocli_records.h"

namespace kelocli::camera {

// pi / 2 with pi taken as 3.14159: the pitch of a vertical vector.
constexpr double kQuarterTurn = 1.570795;
// Five degrees with pi taken as 3.14159 (5 * 3.14159 / 180): one VR turn or twist.
constexpr double kTurnAngle = 0.0872663888888889;

struct Vector {
    double x, y, z;
};

struct Angles {
    double yaw, pitch;
};

// The fields every steering operation writes, and whose eye and angles go to the server.
struct Pose {
    Vector eye;
    Vector dir, side, up;
    double yaw, pitch, twist;
};

// a x b = (a.y b.z - a.z b.y, a.z b.x - a.x b.z, a.x b.y - a.y b.x).
Vector Cross(const Vector& a, const Vector& b);
// sqrt((a.x - b.x)^2 + (a.y - b.y)^2 + (a.z - b.z)^2), summed in that order.
double DistanceBetween(const Vector& a, const Vector& b);
// Turns the pair (p, q) by angle b in their plane: p' = cos b p + sin b q, q' = cos b q - sin b p.
// A negative b gives the same bits as writing the turn with cos |b| and -sin |b|.
void Turn(Vector* p, Vector* q, double b);

// (cos yaw cos pitch, sin yaw cos pitch, sin pitch).
Vector DirectionFromAngles(double yaw, double pitch);
// The side vector of direction d at a twist: with h = (-d.y / n, d.x / n, 0), n = sqrt(d.y^2 +
// d.x^2) (the level side) and c = d x h, v = cos(-t) h + sin(-t) c. A direction with no
// horizontal part (n = 0) takes h = (0, 1, 0): the limit as it leans towards +x.
Vector VectorFromAngle(const Vector& d, double twist);
// yaw = atan2(y, x) (0 when x and y are both 0); pitch = atan(z / sqrt(x^2 + y^2)), or
// +-kQuarterTurn (by the sign of z, + for z = 0) when that length is 0.
Angles AnglesFromVector(const Vector& v);
// The twist that VectorFromAngle(d, twist) turns into side s: -acos(h.y s.y + h.x s.x) (the cosine
// clamped to [-1, 1]) when s.z >= 0, +acos(...) when s.z < 0. For a direction with no horizontal
// part, h = (0, 1, 0) and the sign follows -s.x d.z, the sign s.z takes in the limit as d leans
// towards +x, so that the two functions stay inverse there too.
double TwistFromVectors(const Vector& d, const Vector& s);

// The record's pose, and writing one back (the other fields are left alone).
Pose PoseOf(const taghuey3dinfo& record);
void StorePose(const Pose& pose, taghuey3dinfo* record);
bool IsFinite(const Vector& v);
bool IsFinite(const Pose& pose);
bool IsFinite(const taghuey3dinfo& record);

// The record completed from the server's eye, angles, centre and extents: step = sqrt(kz^2 +
// ky^2 + kx^2) with each k = extent / 20 floored at 0.001; dir from the angles; side at the
// twist; up = dir x side; distance 5. Nothing when any of the 23 fields is not finite.
std::optional<taghuey3dinfo> Completed(const taghuey3dinfo& record);

// --- Motions, each about the camera's own axes -------------------------------------------------
// Pitch: turns dir towards up by `angle` about side, pivot the eye; side rebuilt as up x dir.
Pose TurnTowardsUp(const Pose& pose, double angle);
// Yaw: turns dir towards side by `angle` about up, pivot the eye; up rebuilt as dir x side.
Pose TurnTowardsSide(const Pose& pose, double angle);
// Translation: moves the eye by `length` (negative: backwards) along `axis`; the orientation stays.
Pose Move(const Pose& pose, const Vector& axis, double length);
// Roll: adds `angle` to the twist (not brought into range), about dir, pivot the eye; side and
// up rebuilt from dir and the new twist.
Pose TwistBy(const Pose& pose, double angle);
// Orbit: swings the eye about `centre`, first by ax about the up vector (towards +side for
// ax > 0), then by ay about the side vector that produced (towards +up for ay > 0); distance
// `radius` from the centre, looking at it. The old frame is rebuilt from the direction towards
// the centre and the old twist first; side and up turn with the eye.
Pose Orbit(const Pose& pose, const Vector& centre, double radius, double ax, double ay);
// The point `distance` behind `centre` along `dir`: centre - distance dir.
Vector EyeBehind(const Vector& centre, const Vector& dir, double distance);

// --- Steering commands -----------------------------------------------------------------------
// VR step `code` (0-11): turns towards up, side, away from up, side by kTurnAngle; moves `step`
// along up, side, against up, side, forward, back; twists by +-kTurnAngle. Nothing for other
// codes or a result that is not finite.
std::optional<Pose> VrSteer(const Pose& pose, double step, unsigned code);
// Preset view `view` (0-9) looking at `centre` from the current eye's distance, twist 0. Nothing
// for other views or a result that is not finite.
std::optional<Pose> CadSteer(const Pose& pose, const Vector& centre, unsigned view);
// A drag of (dx, dy) pixels over a window whose client rectangle reaches (right, bottom), as an
// orbit about the centre at the eye's distance D. Ball radius r = R D / 200 / 2 with R =
// sqrt(right^2 + bottom^2) (squares summed in 64-bit integers); each angle is asin(v / r) with
// v = delta D / 200 clamped to [-r, r], about asin(2 delta / R). Nothing when r is 0 or not finite
// (eye at the centre, a window of no size) or the result is not finite.
std::optional<Pose> Trackball(const Pose& pose, const Vector& centre, int dx, int dy,
                              std::int32_t right, std::int32_t bottom);

// --- Placement without steering --------------------------------------------------------------
// Target takes the source's frame, angles and distance setting, and its eye moves behind its own
// centre along the new dir: by ((m * 2.5) * 200 / w) * 2 (1000 m / w, rounded in those stages)
// with m the largest extent and w = min(right, bottom) of the window, or by the current
// eye-centre distance when `window` is null. Nothing when w <= 0 or a written field is not finite.
std::optional<taghuey3dinfo> Aligned(const taghuey3dinfo& target, const taghuey3dinfo& source,
                                     const RECT* window);
// The eye put on the line through the centre along dir at D / ((stored + 5) / 15) * ((setting +
// 5) / 15), D the eye-centre distance; the setting stored. Nothing while the stored setting is -5
// or when a written field is not finite.
std::optional<taghuey3dinfo> Distanced(const taghuey3dinfo& record, double setting);

}  // namespace kelocli::camera

#endif
