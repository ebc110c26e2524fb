// The camera: a pinhole with a vertical field of view, or an orthographic view of a given width,
// both placed by position, a point looked at and an up direction. Rows run from the top.
#pragma once

#include <string>

#include "qv/volume_primitive.h"

namespace brumo::host {

enum class Projection { pinhole, orthographic };

struct Camera {
    Projection projection = Projection::pinhole;
    QVVector3 position{0.0f, -20.0f, 0.0f};
    QVVector3 lookAt{0.0f, 0.0f, 0.0f};
    QVVector3 up{0.0f, 0.0f, 1.0f};
    float fieldOfView = 40.0f;  // degrees, vertical (pinhole)
    float viewWidth = 12.0f;    // world units across the image (orthographic)
};

// Why the camera cannot be used (position on the point looked at, up along the view, a field of
// view outside (0, 180), a view width that is not positive), or empty.
std::string cameraProblem(const Camera& camera);

// The camera's frame and the per-pixel steps, set up once per image.
class CameraRays {
public:
    CameraRays(const Camera& camera, int width, int height);
    // The ray through the centre of pixel (x, y), direction of unit length, in world space.
    QVRay ray(int x, int y) const;

private:
    Camera camera_;
    QVVector3 forward_{}, right_{}, up_{};
    float pixelSize_ = 0.0f;  // at distance 1 for a pinhole, world units for orthographic
    float halfWidth_ = 0.0f;
    float halfHeight_ = 0.0f;
};

}  // namespace brumo::host
