#include "render/viewer_camera.h"

#include "modeldata/scalar_math.h"

#include <algorithm>
#include <cmath>

namespace quorvane {
namespace {

double DistanceToEye(const CCamera& camera) {
    const Vec3 v = camera.eye - camera.target;
    const double x = v.x;
    const double y = v.y;
    const double z = v.z;
    return std::sqrt(x * x + y * y + z * z);
}

Vec3 UnitTowardsEye(const CCamera& camera) {
    const Vec3 toEye = camera.eye - camera.target;
    const double length = DistanceToEye(camera);
    if (length == 0.0) {
        return {};
    }
    return toEye * static_cast<float>(1.0 / length);
}

} // namespace

void ResetViewerCamera(CCamera& camera, ViewerOrbit& orbit) {
    camera.aspect = 1.0f;
    camera.fovDegrees = 45.0f;
    camera.angleDegrees = -90.0f;
    camera.light = {1, -1, -1};
    camera.lightIntensity = 1.0f;
    camera.lightTarget = {0, 0, 0};
    camera.target = {0, 0, 0};
    camera.eye = {0, 50, 50};
    orbit = ViewerOrbit{};
}

void SetViewerLight(CCamera& camera) {
    camera.light = {100, -100, -100};
    camera.lightIntensity = 0.7f;
    camera.lightTarget = {0, 0, 0};
}

void PlaceEyeAtDistance(CCamera& camera, double distance) {
    const Vec3 direction = UnitTowardsEye(camera);
    camera.eye = camera.target + direction * static_cast<float>(std::pow(distance, 1.2));
}

void FitViewerCamera(CCamera& camera, ViewerOrbit& orbit, const Vec3& centre, float radius) {
    camera.target = centre;
    orbit.distance = std::max(2.0 * static_cast<double>(radius), 0.1);
    PlaceEyeAtDistance(camera, orbit.distance);
    orbit.elevationDegrees = ViewerOrbit::kElevationDegrees;
}

void PlaceEyeOnOrbit(CCamera& camera, const ViewerOrbit& orbit) {
    const double r = DistanceToEye(camera);
    const float a = DegreesToRadiansFiveDigits(camera.angleDegrees);
    const float e = DegreesToRadiansFiveDigits(orbit.elevationDegrees);
    const Vec3 d = Normalize(Vec3{std::cos(a), std::sin(a), std::sin(e)});
    camera.eye = camera.target + d * static_cast<float>(r);
}

void OrbitViewerCamera(CCamera& camera, const ViewerOrbit& orbit) {
    camera.angleDegrees += 1.0f;
    if (camera.angleDegrees > 180.0f) {
        camera.angleDegrees -= 360.0f;
    }
    PlaceEyeOnOrbit(camera, orbit);
}

void ZoomViewerCamera(CCamera& camera, ViewerOrbit& orbit, int wheelDelta) {
    orbit.distance -= static_cast<double>(wheelDelta) * orbit.distance * 0.0005;
    orbit.distance = std::max(orbit.distance, ViewerOrbit::kMinimumDistance);
    PlaceEyeAtDistance(camera, orbit.distance);
}

} // namespace quorvane
