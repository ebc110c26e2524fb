#include "host/render/renderer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace brumo::host {

QVVector3 WorldTransform::toLocal(const QVVector3& world) const {
    const float inverse = 1.0f / scale;
    return {(world.x - translation.x) * inverse, (world.y - translation.y) * inverse,
            (world.z - translation.z) * inverse};
}

QVColourRecord premultiply(const QVColourRecord& straight) {
    return {straight.red * straight.alpha, straight.green * straight.alpha,
            straight.blue * straight.alpha, straight.alpha};
}

RaySpan clipToBox(const QVRay& ray, const QVBox& box, float from) {
    const float origin[3] = {ray.origin.x, ray.origin.y, ray.origin.z};
    const float direction[3] = {ray.direction.x, ray.direction.y, ray.direction.z};
    const float low[3] = {box.min.x, box.min.y, box.min.z};
    const float high[3] = {box.max.x, box.max.y, box.max.z};
    float near = from;
    float far = std::numeric_limits<float>::infinity();
    for (int axis = 0; axis < 3; ++axis) {
        if (!(low[axis] <= high[axis])) return {};
        if (direction[axis] == 0.0f) {
            // Parallel to this slab: inside it everywhere or nowhere.
            if (origin[axis] < low[axis] || origin[axis] > high[axis]) return {};
            continue;
        }
        const float inverse = 1.0f / direction[axis];
        float t0 = (low[axis] - origin[axis]) * inverse;
        float t1 = (high[axis] - origin[axis]) * inverse;
        if (t0 > t1) std::swap(t0, t1);
        near = std::max(near, t0);
        far = std::min(far, t1);
        if (near > far) return {};
    }
    return {near, far, far > near};
}

Renderer::Renderer(IQVUnknown* primitive, const WorldTransform& transform)
    : transform_(transform) {
    if (primitive == nullptr) throw RenderError("there is no primitive to render");
    if (primitive->QueryInterface(qv::IID_IVolumePrimitive,
                                  reinterpret_cast<void**>(volume_.slot())) != qv::kOk ||
        !volume_)
        throw RenderError("the primitive does not answer the volume primitive interface");
    if (primitive->QueryInterface(qv::IID_I3DExGeometricPrimitive,
                                  reinterpret_cast<void**>(geometry_.slot())) != qv::kOk ||
        !geometry_)
        throw RenderError("the primitive does not answer the geometric primitive interface");
    if (!(transform.scale > 0.0f) || !std::isfinite(transform.scale))
        throw RenderError("the primitive's scale must be a positive number");
}

QVRay Renderer::pixelRay(const RenderSettings& settings, int x, int y) {
    const OrthographicCamera& camera = settings.camera;
    const float pixelSize = camera.viewWidth / float(settings.width);
    const float u = (float(x) + 0.5f - 0.5f * float(settings.width)) * pixelSize;
    const float v = (0.5f * float(settings.height) - float(y) - 0.5f) * pixelSize;
    return {{camera.centreX + u, camera.centreY + v, camera.eyeZ}, {0.0f, 0.0f, -1.0f}};
}

QVRay Renderer::localRay(const QVRay& worldRay) const {
    // A uniform scale leaves directions alone; distances shrink by the scale.
    return {transform_.toLocal(worldRay.origin), worldRay.direction};
}

QVBox Renderer::bounds() const {
    QVBox box{{0.0f, 0.0f, 0.0f}, {-1.0f, -1.0f, -1.0f}};
    geometry_->queryBounds(&box);
    return box;
}

QVColourRecord Renderer::renderPixel(const RenderSettings& settings, const QVBox& bounds, int x,
                                     int y) const {
    QVColourRecord colour = premultiply(settings.background);
    const QVRay ray = localRay(pixelRay(settings, x, y));
    const RaySpan span = clipToBox(ray, bounds);
    if (!span.hit) return colour;
    // The segment runs from the eye's side to the far side: the march accumulates front to back.
    const QVVector3 start{ray.origin.x + ray.direction.x * span.near,
                          ray.origin.y + ray.direction.y * span.near,
                          ray.origin.z + ray.direction.z * span.near};
    const QVVector3 end{ray.origin.x + ray.direction.x * span.far,
                        ray.origin.y + ray.direction.y * span.far,
                        ray.origin.z + ray.direction.z * span.far};
    volume_->integrateSegment(&start, &end, &colour, nullptr, 0, 0);
    return colour;
}

Image Renderer::render(const RenderSettings& settings,
                       const std::function<bool(int row)>& rowDone) const {
    if (settings.width <= 0 || settings.height <= 0)
        throw RenderError("the image must be at least one pixel wide and high");
    if (!(settings.camera.viewWidth > 0.0f))
        throw RenderError("the camera's view width must be positive");
    Image image(settings.width, settings.height, premultiply(settings.background));
    const QVBox box = bounds();
    for (int y = 0; y < settings.height; ++y) {
        for (int x = 0; x < settings.width; ++x) image.at(x, y) = renderPixel(settings, box, x, y);
        if (rowDone && !rowDone(y)) break;
    }
    return image;
}

}  // namespace brumo::host
