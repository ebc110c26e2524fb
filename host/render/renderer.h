// The first renderer: one volume primitive placed in the world by a translation and a uniform
// scale, seen by an orthographic camera looking along -z. Each pixel's ray is taken into the
// primitive's local space, clipped to the box the primitive reports, and the clipped segment is
// integrated by the primitive over the background colour.
#pragma once

#include <functional>
#include <stdexcept>

#include "host/common/host_object.h"
#include "host/image/image.h"
#include "qv/geometric_primitive.h"
#include "qv/scene_records.h"
#include "qv/volume_primitive.h"

namespace brumo::host {

class RenderError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where the primitive stands in the world: world = local × scale + translation.
struct WorldTransform {
    QVVector3 translation{0.0f, 0.0f, 0.0f};
    float scale = 1.0f;

    QVVector3 toLocal(const QVVector3& world) const;
};

// Looks along -z from the plane z = eyeZ. The image is viewWidth world units wide, centred on
// (centreX, centreY); its height follows from the image's aspect ratio (square pixels).
struct OrthographicCamera {
    float centreX = 0.0f;
    float centreY = 0.0f;
    float eyeZ = 100.0f;
    float viewWidth = 10.0f;
};

struct RenderSettings {
    int width = 320;
    int height = 240;
    OrthographicCamera camera;
    // Straight RGBA; premultiplied before it enters the composite.
    QVColourRecord background{0.0f, 0.0f, 0.0f, 1.0f};
};

// The part of a ray inside a box, as distances along the ray (slab test). Empty when the ray
// misses the box, runs parallel outside a slab, or the box itself is empty; only distances
// from `from` on count.
struct RaySpan {
    float near = 0.0f;
    float far = 0.0f;
    bool hit = false;
};
RaySpan clipToBox(const QVRay& ray, const QVBox& box, float from = 0.0f);

class Renderer {
public:
    // Takes a reference to the primitive. Throws RenderError when it does not answer the volume
    // and geometric primitive interfaces.
    Renderer(IQVUnknown* primitive, const WorldTransform& transform);

    // The ray through the centre of pixel (x, y) (row 0 at the top), in world space.
    static QVRay pixelRay(const RenderSettings& settings, int x, int y);
    // The same ray in the primitive's local space (direction still of unit length).
    QVRay localRay(const QVRay& worldRay) const;

    // The primitive's box as it answers now.
    QVBox bounds() const;

    // The composite (linear, premultiplied) of one pixel over the background.
    QVColourRecord renderPixel(const RenderSettings& settings, const QVBox& bounds, int x,
                               int y) const;

    // Renders every pixel, row by row. `rowDone` (optional) hears each finished row and may
    // answer false to stop; the rows not rendered then keep the background. Errors the module
    // raises (a TQVException) pass through.
    Image render(const RenderSettings& settings,
                 const std::function<bool(int row)>& rowDone = {}) const;

private:
    Ref<IVolumePrimitive> volume_;
    Ref<I3DExGeometricPrimitive> geometry_;
    WorldTransform transform_;
};

// Straight RGBA to the premultiplied form the composite works in.
QVColourRecord premultiply(const QVColourRecord& straight);

}  // namespace brumo::host
