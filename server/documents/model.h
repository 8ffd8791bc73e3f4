// 3D drawings: a Wavefront OBJ model (vertices, faces, lines) and the camera that views it.
//
// The camera follows the library's navigation convention: z is up; the view direction is
// (cos yaw cos pitch, sin yaw cos pitch, sin pitch); the side vector is the horizontal
// (0, 0, 1) x dir normalised and turned about dir by -twist; up = dir x side. Looking along dir
// with up pointing up, side points to the left.
#ifndef PIMBAX_SERVER_DOCUMENTS_MODEL_H
#define PIMBAX_SERVER_DOCUMENTS_MODEL_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "results.h"

namespace pimbax {

struct Vec3 {
    double x, y, z;
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(double k, Vec3 a) {
    return {k * a.x, k * a.y, k * a.z};
}
inline double Dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

struct Model {
    std::vector<Vec3> vertices;
    // Polygons and polylines as runs of vertex indices: run i is indices[starts[i]] up to
    // indices[starts[i + 1]] (the last run ends at the end).
    std::vector<std::uint32_t> faceIndices;
    std::vector<std::uint32_t> faceStarts;
    std::vector<std::uint16_t> faceGroups;  // the group ("g", "o", "usemtl") of each face
    // A colour (COLORREF: red in the low byte) for each face, or empty: faces take their group's.
    std::vector<std::uint32_t> faceColours;
    std::vector<std::uint32_t> lineIndices;
    std::vector<std::uint32_t> lineStarts;
    Vec3 low = {0, 0, 0};  // bounding box of the vertices in use
    Vec3 high = {0, 0, 0};

    std::size_t FaceCount() const { return faceStarts.size(); }
    std::size_t LineCount() const { return lineStarts.size(); }
};

// Reads OBJ text: "v x y z", "f" with 1-based or negative indices in any of the forms i, i/t,
// i//n, i/t/n, "l", and "g", "o", "usemtl" as group changes; other statements are skipped.
// Faces or lines that name a missing vertex, and faces of more than kMaxFaceVertices, are
// dropped. kBadFormat when nothing drawable remains or a vertex coordinate is not a number within
// +-1e12; kTooLarge past the model limits.
Result ParseObj(const char* text, std::size_t size, Model& model);

// Whether every index run names existing vertices and face colours, when given, match the faces;
// recomputes the bounding box. For models rebuilt from bytes and models made by the server.
bool CheckModel(Model& model);

struct PointOfView {
    double eyeX, eyeY, eyeZ;
    double yaw, pitch, twist;
};

struct CameraFrame {
    Vec3 dir, side, up;
};

CameraFrame FrameFromAngles(double yaw, double pitch, double twist);

// An eye that looks at the model's centre from above and to the front right, just far enough away
// for the model's bounding box to fit a view of `fieldOfView` radians (with a margin of 8%).
PointOfView InitialPointOfView(const Model& model, double fieldOfView);

}  // namespace pimbax

#endif
