#include "host/render/camera.h"

#include <cmath>

namespace brumo::host {

namespace {

QVVector3 subtract(const QVVector3& a, const QVVector3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
QVVector3 cross(const QVVector3& a, const QVVector3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float length(const QVVector3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
QVVector3 normalised(const QVVector3& v) {
    const float l = length(v);
    return {v.x / l, v.y / l, v.z / l};
}

}  // namespace

std::string cameraProblem(const Camera& camera) {
    const QVVector3 view = subtract(camera.lookAt, camera.position);
    if (!(length(view) > 0.0f) || !std::isfinite(length(view)))
        return "the camera's position and the point it looks at must be different finite points";
    if (!(length(cross(normalised(view), camera.up)) > 1e-6f))
        return "the camera's up direction must not be zero or parallel to its view";
    if (camera.projection == Projection::pinhole &&
        !(camera.fieldOfView > 0.0f && camera.fieldOfView < 180.0f))
        return "the field of view must lie between 0 and 180 degrees";
    if (camera.projection == Projection::orthographic &&
        !(camera.viewWidth > 0.0f && std::isfinite(camera.viewWidth)))
        return "the orthographic view width must be a positive number";
    return {};
}

CameraRays::CameraRays(const Camera& camera, int width, int height) : camera_(camera) {
    forward_ = normalised(subtract(camera.lookAt, camera.position));
    right_ = normalised(cross(forward_, camera.up));
    up_ = cross(right_, forward_);
    const float w = float(width > 0 ? width : 1);
    const float h = float(height > 0 ? height : 1);
    if (camera.projection == Projection::pinhole) {
        const double halfAngle = double(camera.fieldOfView) * 3.14159265358979323846 / 360.0;
        pixelSize_ = float(2.0 * std::tan(halfAngle)) / h;
    } else {
        pixelSize_ = camera.viewWidth / w;
    }
    halfWidth_ = 0.5f * w;
    halfHeight_ = 0.5f * h;
}

QVRay CameraRays::ray(int x, int y) const {
    const float u = (float(x) + 0.5f - halfWidth_) * pixelSize_;
    const float v = (halfHeight_ - float(y) - 0.5f) * pixelSize_;
    if (camera_.projection == Projection::orthographic) {
        const QVVector3 origin{camera_.position.x + right_.x * u + up_.x * v,
                               camera_.position.y + right_.y * u + up_.y * v,
                               camera_.position.z + right_.z * u + up_.z * v};
        return {origin, forward_};
    }
    const QVVector3 direction{forward_.x + right_.x * u + up_.x * v,
                              forward_.y + right_.y * u + up_.y * v,
                              forward_.z + right_.z * u + up_.z * v};
    return {camera_.position, normalised(direction)};
}

}  // namespace brumo::host
