// The camera math of the 3D view. Each formula is written in the order of operations its contract
// gives: a reordered sum or product would change the last bit.
#include "camera.h"

#include <algorithm>
#include <cmath>

namespace kelocli::camera {

namespace {

Vector Negated(const Vector& v) {
    return {-v.x, -v.y, -v.z};
}

std::optional<Pose> IfFinite(const Pose& pose) {
    if (!IsFinite(pose)) return std::nullopt;
    return pose;
}

Vector EyeOf(const taghuey3dinfo& record) {
    return {record.eyeX, record.eyeY, record.eyeZ};
}

Vector CentreOf(const taghuey3dinfo& record) {
    return {record.centerX, record.centerY, record.centerZ};
}

Vector DirOf(const taghuey3dinfo& record) {
    return {record.dirX, record.dirY, record.dirZ};
}

void StoreEye(const Vector& eye, taghuey3dinfo* record) {
    record->eyeX = eye.x;
    record->eyeY = eye.y;
    record->eyeZ = eye.z;
}

// One extent's share of the VR step: a twentieth, at least 0.001.
double StepPart(double extent) {
    double part = extent / 20;
    if (part < 0.001) part = 0.001;
    return part;
}

// The horizontal unit vector perpendicular to d (the normalised (0, 0, 1) x d); +y when d has no
// horizontal part, as it has when d leans infinitesimally towards +x.
Vector LevelSide(const Vector& d, double n) {
    if (n == 0) return {0, 1, 0};
    return {-d.y / n, d.x / n, 0};
}

double HorizontalLength(const Vector& d) {
    return std::sqrt(d.y * d.y + d.x * d.x);
}

// A preset of CADSteer: the view direction, and the unit vector along which the eye looks at the
// centre from its place (eye = centre - D * towards). The views from above and below keep a
// slightly tilted direction, so that their side vector is defined, but sit exactly on the axis.
struct CadPreset {
    Vector direction;
    Vector towards;
};

const CadPreset& PresetOf(unsigned view) {
    static const double k = 1 / std::sqrt(3.0);
    static const CadPreset presets[10] = {
        {{-1, 0, 0}, {-1, 0, 0}},               // from +x
        {{1, 0, 0}, {1, 0, 0}},                 // from -x
        {{0, -1, 0}, {0, -1, 0}},               // from +y
        {{0, 1, 0}, {0, 1, 0}},                 // from -y
        {{1e-08, 0, -0.99999999}, {0, 0, -1}},  // from above
        {{1e-08, 0, 0.99999999}, {0, 0, 1}},    // from below
        {{-k, k, -k}, {-k, k, -k}},             // from corner +x -y +z
        {{-k, -k, -k}, {-k, -k, -k}},           // from corner +x +y +z
        {{-k, -k, k}, {-k, -k, k}},             // from corner +x +y -z
        {{-k, k, k}, {-k, k, k}},               // from corner +x -y -z
    };
    return presets[view];
}

constexpr unsigned kVrCodes = 12;
constexpr unsigned kCadViews = 10;

// A drag of `delta` pixels as an angle on a ball of radius r (r > 0): the offset delta * D / 200
// clamped to [-r, r], then asin of its share of r.
double DragAngle(int delta, double distance, double r) {
    double v = delta * distance / 200;
    if (v >= r) v = r;
    if (v <= -r) v = -r;
    return std::asin(v / r);
}

}  // namespace

Vector Cross(const Vector& a, const Vector& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double DistanceBetween(const Vector& a, const Vector& b) {
    const double x = a.x - b.x;
    const double y = a.y - b.y;
    const double z = a.z - b.z;
    return std::sqrt(x * x + y * y + z * z);
}

void Turn(Vector* p, Vector* q, double b) {
    const double c = std::cos(b);
    const double s = std::sin(b);
    const Vector oldP = *p;
    const Vector oldQ = *q;
    *p = {c * oldP.x + s * oldQ.x, c * oldP.y + s * oldQ.y, c * oldP.z + s * oldQ.z};
    *q = {c * oldQ.x - s * oldP.x, c * oldQ.y - s * oldP.y, c * oldQ.z - s * oldP.z};
}

Vector DirectionFromAngles(double yaw, double pitch) {
    return {std::cos(yaw) * std::cos(pitch), std::sin(yaw) * std::cos(pitch), std::sin(pitch)};
}

Vector VectorFromAngle(const Vector& d, double twist) {
    const Vector h = LevelSide(d, HorizontalLength(d));
    const Vector c = Cross(d, h);
    const double cosine = std::cos(-twist);
    const double sine = std::sin(-twist);
    return {sine * c.x + cosine * h.x, sine * c.y + cosine * h.y, sine * c.z + cosine * h.z};
}

Angles AnglesFromVector(const Vector& v) {
    Angles angles;
    angles.yaw = v.x == 0 && v.y == 0 ? 0.0 : std::atan2(v.y, v.x);
    const double r = std::sqrt(v.x * v.x + v.y * v.y);
    if (r == 0) {
        angles.pitch = v.z < 0 ? -kQuarterTurn : kQuarterTurn;
    } else {
        angles.pitch = std::atan(v.z / r);
    }
    return angles;
}

double TwistFromVectors(const Vector& d, const Vector& s) {
    const double n = HorizontalLength(d);
    const Vector h = LevelSide(d, n);
    double c = h.y * s.y + h.x * s.x;
    if (c >= 1) c = 1;
    if (c <= -1) c = -1;
    // Which way the side leans out of the level plane; for a vertical d, the way it would lean
    // if d tilted towards +x.
    const double rise = n == 0 ? -(s.x * d.z) : s.z;
    return rise >= 0 ? -std::acos(c) : std::acos(c);
}

Pose PoseOf(const taghuey3dinfo& record) {
    Pose pose;
    pose.eye = EyeOf(record);
    pose.dir = DirOf(record);
    pose.side = {record.sideX, record.sideY, record.sideZ};
    pose.up = {record.upX, record.upY, record.upZ};
    pose.yaw = record.yaw;
    pose.pitch = record.pitch;
    pose.twist = record.twist;
    return pose;
}

void StorePose(const Pose& pose, taghuey3dinfo* record) {
    StoreEye(pose.eye, record);
    record->dirX = pose.dir.x;
    record->dirY = pose.dir.y;
    record->dirZ = pose.dir.z;
    record->sideX = pose.side.x;
    record->sideY = pose.side.y;
    record->sideZ = pose.side.z;
    record->upX = pose.up.x;
    record->upY = pose.up.y;
    record->upZ = pose.up.z;
    record->yaw = pose.yaw;
    record->pitch = pose.pitch;
    record->twist = pose.twist;
}

bool IsFinite(const Vector& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool IsFinite(const Pose& pose) {
    return IsFinite(pose.eye) && IsFinite(pose.dir) && IsFinite(pose.side) && IsFinite(pose.up) &&
           std::isfinite(pose.yaw) && std::isfinite(pose.pitch) && std::isfinite(pose.twist);
}

bool IsFinite(const taghuey3dinfo& record) {
    const double* field = &record.eyeX;
    return std::all_of(field, field + sizeof record / sizeof *field,
                       [](double value) { return std::isfinite(value); });
}

std::optional<taghuey3dinfo> Completed(const taghuey3dinfo& record) {
    taghuey3dinfo next = record;
    const double kx = StepPart(next.extentX);
    const double ky = StepPart(next.extentY);
    const double kz = StepPart(next.extentZ);
    next.step = std::sqrt(kz * kz + ky * ky + kx * kx);
    Pose pose = PoseOf(next);
    pose.dir = DirectionFromAngles(pose.yaw, pose.pitch);
    pose.side = VectorFromAngle(pose.dir, pose.twist);
    pose.up = Cross(pose.dir, pose.side);
    StorePose(pose, &next);
    next.distance = 5.0;
    if (!IsFinite(next)) return std::nullopt;
    return next;
}

Pose TurnTowardsUp(const Pose& pose, double angle) {
    Pose next = pose;
    Turn(&next.dir, &next.up, angle);
    const Angles angles = AnglesFromVector(next.dir);
    next.yaw = angles.yaw;
    next.pitch = angles.pitch;
    next.side = Cross(next.up, next.dir);
    next.twist = TwistFromVectors(next.dir, next.side);
    return next;
}

Pose TurnTowardsSide(const Pose& pose, double angle) {
    Pose next = pose;
    Turn(&next.dir, &next.side, angle);
    const Angles angles = AnglesFromVector(next.dir);
    next.yaw = angles.yaw;
    next.pitch = angles.pitch;
    next.up = Cross(next.dir, next.side);
    next.twist = TwistFromVectors(next.dir, next.side);
    return next;
}

Pose Move(const Pose& pose, const Vector& axis, double length) {
    Pose next = pose;
    next.eye = {pose.eye.x + length * axis.x, pose.eye.y + length * axis.y,
                pose.eye.z + length * axis.z};
    return next;
}

Pose TwistBy(const Pose& pose, double angle) {
    Pose next = pose;
    next.twist = pose.twist + angle;
    next.side = VectorFromAngle(next.dir, next.twist);
    next.up = Cross(next.dir, next.side);
    return next;
}

Pose Orbit(const Pose& pose, const Vector& centre, double radius, double ax, double ay) {
    // The frame looking at the centre, with the old twist.
    const Angles aim =
        AnglesFromVector({centre.x - pose.eye.x, centre.y - pose.eye.y, centre.z - pose.eye.z});
    const Vector d0 = DirectionFromAngles(aim.yaw, aim.pitch);
    const Vector s0 = VectorFromAngle(d0, pose.twist);
    // Outward from the centre: o towards the eye, q = -side, up = o x q unchanged.
    Vector o = Negated(d0);
    Vector q = Negated(s0);
    Turn(&o, &q, -ax);
    Vector u = Cross(o, q);
    Turn(&o, &u, ay);
    q = Cross(u, o);

    Pose next = pose;
    next.eye = {centre.x + radius * o.x, centre.y + radius * o.y, centre.z + radius * o.z};
    next.dir = Negated(o);
    next.side = Negated(q);
    next.up = Cross(next.dir, next.side);
    const Angles angles = AnglesFromVector(next.dir);
    next.yaw = angles.yaw;
    next.pitch = angles.pitch;
    next.twist = TwistFromVectors(next.dir, next.side);
    return next;
}

Vector EyeBehind(const Vector& centre, const Vector& dir, double distance) {
    return {centre.x - distance * dir.x, centre.y - distance * dir.y, centre.z - distance * dir.z};
}

std::optional<Pose> VrSteer(const Pose& pose, double step, unsigned code) {
    if (code >= kVrCodes) return std::nullopt;
    switch (code) {
        case 0:
            return IfFinite(TurnTowardsUp(pose, kTurnAngle));
        case 1:
            return IfFinite(TurnTowardsSide(pose, kTurnAngle));
        case 2:
            return IfFinite(TurnTowardsUp(pose, -kTurnAngle));
        case 3:
            return IfFinite(TurnTowardsSide(pose, -kTurnAngle));
        case 4:
            return IfFinite(Move(pose, pose.up, step));
        case 5:
            return IfFinite(Move(pose, pose.side, step));
        case 6:
            return IfFinite(Move(pose, pose.up, -step));
        case 7:
            return IfFinite(Move(pose, pose.side, -step));
        case 8:
            return IfFinite(Move(pose, pose.dir, step));
        case 9:
            return IfFinite(Move(pose, pose.dir, -step));
        case 10:
            return IfFinite(TwistBy(pose, kTurnAngle));
        default:
            return IfFinite(TwistBy(pose, -kTurnAngle));
    }
}

std::optional<Pose> CadSteer(const Pose& pose, const Vector& centre, unsigned view) {
    const double distance = DistanceBetween(pose.eye, centre);
    if (view >= kCadViews) return std::nullopt;
    const CadPreset& preset = PresetOf(view);
    Pose next;
    next.eye = EyeBehind(centre, preset.towards, distance);
    next.dir = preset.direction;
    const Angles angles = AnglesFromVector(next.dir);
    next.yaw = angles.yaw;
    next.pitch = angles.pitch;
    next.twist = 0;
    next.side = VectorFromAngle(next.dir, 0);
    next.up = Cross(next.dir, next.side);
    return IfFinite(next);
}

std::optional<Pose> Trackball(const Pose& pose, const Vector& centre, int dx, int dy,
                              std::int32_t right, std::int32_t bottom) {
    const double distance = DistanceBetween(pose.eye, centre);
    // Squares of 32-bit coordinates fit 63 bits; their sum fits 64 bits unsigned.
    const std::int64_t r2 = static_cast<std::int64_t>(right) * right;
    const std::int64_t b2 = static_cast<std::int64_t>(bottom) * bottom;
    const double diagonal = std::sqrt(
        static_cast<double>(static_cast<std::uint64_t>(r2) + static_cast<std::uint64_t>(b2)));
    const double r = diagonal * distance / 200 / 2;
    if (!(r > 0) || !std::isfinite(r)) return std::nullopt;
    const double ax = DragAngle(dx, distance, r);
    const double ay = DragAngle(dy, distance, r);
    return IfFinite(Orbit(pose, centre, distance, ax, ay));
}

std::optional<taghuey3dinfo> Aligned(const taghuey3dinfo& target, const taghuey3dinfo& source,
                                     const RECT* window) {
    taghuey3dinfo next = target;
    Pose pose = PoseOf(source);
    pose.eye = EyeOf(target);
    next.distance = source.distance;

    double distance;
    if (window != nullptr) {
        const double m = std::max(std::max(target.extentX, target.extentY), target.extentZ);
        const double w = static_cast<double>(std::min(window->right, window->bottom));
        if (!(w > 0)) return std::nullopt;
        distance = ((m * 2.5) * 200 / w) * 2;
    } else {
        distance = DistanceBetween(EyeOf(target), CentreOf(target));
    }
    pose.eye = EyeBehind(CentreOf(target), pose.dir, distance);
    if (!IsFinite(pose) || !std::isfinite(next.distance)) return std::nullopt;
    StorePose(pose, &next);
    return next;
}

std::optional<taghuey3dinfo> Distanced(const taghuey3dinfo& record, double setting) {
    const double divisor = (record.distance + 5) / 15;
    if (divisor == 0) return std::nullopt;
    double distance = DistanceBetween(EyeOf(record), CentreOf(record));
    distance = distance / divisor;
    distance = distance * ((setting + 5) / 15);
    const Vector eye = EyeBehind(CentreOf(record), DirOf(record), distance);
    if (!IsFinite(eye) || !std::isfinite(setting)) return std::nullopt;
    taghuey3dinfo next = record;
    StoreEye(eye, &next);
    next.distance = setting;
    return next;
}

}  // namespace kelocli::camera
