// Huey's 3D navigation: the host's camera record, filled from the server and steered.
//
// The math lives in camera.cpp; these members guard the host's pointers, send the new point of
// view and write the record. A steering call that yields a result sends "SETPOV" once and then
// stores the result whatever the server answered; one that yields none touches nothing. A Huey
// without a Louie (built on a null Dewey) still keeps the record up to date and sends nothing.
#include "huey.h"

#include "camera.h"
#include "louie.h"

namespace camera = kelocli::camera;

namespace {

camera::Vector CentreOf(const taghuey3dinfo& record) {
    return {record.centerX, record.centerY, record.centerZ};
}

// Sends the new point of view (povFlag's low 16 bits) and stores the pose, whatever the answer.
void SendAndStore(Huey* view, const camera::Pose& pose, int povFlag, taghuey3dinfo* info) {
    view->SetPointOfView(pose.eye.x, pose.eye.y, pose.eye.z, pose.yaw, pose.pitch, pose.twist,
                         static_cast<short>(povFlag));
    camera::StorePose(pose, info);
}

}  // namespace

void Huey::Init3DInfo(taghuey3dinfo* info) {
    if (info == nullptr) return;
    // The queries write into a copy, so that a server answer that is not finite cannot reach the
    // record; fields a failed query leaves alone keep the record's contents.
    taghuey3dinfo fetched = *info;
    if (louie != nullptr) {
        louie->GetPointOfView(&fetched.eyeX, &fetched.eyeY, &fetched.eyeZ, &fetched.yaw,
                              &fetched.pitch, &fetched.twist);
        louie->Get3DInfo(&fetched.centerX, &fetched.centerY, &fetched.centerZ, &fetched.extentX,
                         &fetched.extentY, &fetched.extentZ);
    }
    if (const auto completed = camera::Completed(fetched)) *info = *completed;
}

void Huey::Align(taghuey3dinfo* target, taghuey3dinfo* source, RECT* window) {
    if (target == nullptr || source == nullptr) return;
    if (const auto aligned = camera::Aligned(*target, *source, window)) *target = *aligned;
}

void Huey::Distance(taghuey3dinfo* info, double setting) {
    if (info == nullptr) return;
    if (const auto placed = camera::Distanced(*info, setting)) *info = *placed;
}

void Huey::VRSteer(taghuey3dinfo* info, int code, int povFlag) {
    if (info == nullptr) return;
    const auto pose =
        camera::VrSteer(camera::PoseOf(*info), info->step, static_cast<unsigned>(code));
    if (pose) SendAndStore(this, *pose, povFlag, info);
}

void Huey::CADSteer(taghuey3dinfo* info, int view, int povFlag, RECT* /*window*/) {
    if (info == nullptr) return;
    const auto pose =
        camera::CadSteer(camera::PoseOf(*info), CentreOf(*info), static_cast<unsigned>(view));
    if (pose) SendAndStore(this, *pose, povFlag, info);
}

void Huey::Trackball(taghuey3dinfo* info, int dx, int dy, int povFlag, RECT* window) {
    if (info == nullptr || window == nullptr) return;
    const auto pose = camera::Trackball(camera::PoseOf(*info), CentreOf(*info), dx, dy,
                                        window->right, window->bottom);
    if (pose) SendAndStore(this, *pose, povFlag, info);
}

void Huey::GetVectorFromAngle(double* x, double* y, double* z, double dirX, double dirY,
                              double dirZ, double twist) {
    const camera::Vector v = camera::VectorFromAngle({dirX, dirY, dirZ}, twist);
    if (x != nullptr) *x = v.x;
    if (y != nullptr) *y = v.y;
    if (z != nullptr) *z = v.z;
}

void Huey::GetAnglesFromVector(double* yaw, double* pitch, double x, double y, double z) {
    const camera::Angles angles = camera::AnglesFromVector({x, y, z});
    if (yaw != nullptr) *yaw = angles.yaw;
    if (pitch != nullptr) *pitch = angles.pitch;
}

void Huey::GetTwistFromVectors(double* twist, double dirX, double dirY, double dirZ, double sideX,
                               double sideY, double sideZ) {
    if (twist != nullptr)
        *twist = camera::TwistFromVectors({dirX, dirY, dirZ}, {sideX, sideY, sideZ});
}
