// The renderer: any number of volume effects, each placed in the world by its own transform,
// seen through a pinhole or orthographic camera.
//
// Each pixel's ray is split at every effect's box entry and exit (found in the effect's local
// space); the intervals between those points are integrated from far to near, each by every
// effect whose box covers it, so that overlapping effects composite in depth order. Within one
// interval, effects whose spans lie farther along the ray go first.
//
// The alpha of a pixel is its coverage, 1 minus the share of the background that shows
// through, so it lies in [0, 1] and an opaque background gives an opaque pixel. A volume's own
// alpha (the sum of its sample weights) is not used: each segment is integrated over
// kTransmittanceProbe as the incoming alpha, and what comes back over the probe is the
// segment's transmittance. The colour is the volume's own composite, premultiplied; where light
// is emitted faster than it is absorbed it may exceed the alpha.
//
// Tiles are rendered on a pool of threads. A primitive serialises its own calls, so each
// thread renders with a set of its own: copies of every effect in the same order. A pixel
// depends only on its ray, never on which thread or in which order its tile was drawn, so the
// image is the same at every thread count.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>
#include <functional>
#include <stdexcept>
#include <vector>

#include "host/common/host_error.h"
#include "host/common/host_object.h"
#include "host/image/image.h"
#include "host/render/camera.h"
#include "host/render/transform.h"
#include "qv/geometric_primitive.h"
#include "qv/scene_records.h"
#include "qv/volume_primitive.h"

namespace brumo::host {

class RenderError : public HostError {
public:
    using HostError::HostError;
};

// The render stopped because it was asked to (hooks.cancelled answered true).
class RenderCancelled : public JobCancelled {
public:
    RenderCancelled() : JobCancelled("rendering cancelled") {}
};

// The part of a ray inside a box, as distances along the ray (slab test). Empty when the ray
// misses the box, runs parallel outside a slab, or the box itself is empty; only distances
// from `from` on count. The direction need not be of unit length: distances are in multiples
// of it.
struct RaySpan {
    float near = 0.0f;
    float far = 0.0f;
    bool hit = false;
};
// Inline: every pixel asks, and a span handed back from a call went through the stack in
// pieces that the caller then read back whole, waiting for each store.
inline RaySpan clipToBox(const QVRay& ray, const QVBox& box, float from = 0.0f) {
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

// The incoming alpha every segment is integrated over (2^32): large enough that a volume's
// own alpha, a sum of weights of a few units at most, stays below float precision beside it.
constexpr float kTransmittanceProbe = 4294967296.0f;

// Straight RGBA to the premultiplied form the composite works in.
QVColourRecord premultiply(const QVColourRecord& straight);

// One effect as one render thread sees it: the primitive, where it stands, and its box.
class PlacedVolume {
public:
    // Takes references of its own. Throws RenderError when the object does not answer the
    // volume and geometric primitive interfaces or the transform cannot be inverted.
    // `marchStep` is the length of one march step in local units (0 when unknown); it only
    // feeds the sample estimate of the statistics.
    PlacedVolume(IQVUnknown* primitive, const Transform& transform, float marchStep = 0.0f);

    IVolumePrimitive* volume() const { return volume_.get(); }
    const AffineMap& worldToLocal() const { return worldToLocal_; }
    const QVBox& bounds() const { return bounds_; }
    float marchStep() const { return marchStep_; }

    // Asks the primitive for its box again.
    void refreshBounds();
    // Lets the primitive build its caches (noise lattice, shadow grid, mesh) before the first
    // pixel, with a segment of length zero, which changes no colour. Errors the module raises
    // (a cancelled shadow grid, for one) pass through.
    void prepare();

private:
    Ref<IVolumePrimitive> volume_;
    Ref<I3DExGeometricPrimitive> geometry_;
    AffineMap worldToLocal_;
    QVBox bounds_{{0.0f, 0.0f, 0.0f}, {-1.0f, -1.0f, -1.0f}};
    float marchStep_;
};

// The effects one thread renders with.
using VolumeSet = std::vector<PlacedVolume>;

struct RenderSettings {
    int width = 320;
    int height = 240;
    Camera camera;
    // Straight RGBA; premultiplied before it enters the composite.
    QVColourRecord background{0.0f, 0.0f, 0.0f, 1.0f};
    int tileSize = 16;
};

struct RenderStats {
    uint64_t rays = 0;      // pixels traced
    uint64_t segments = 0;  // integrateSegment calls
    // Density samples the marches take at most: each segment's length over its step, plus one
    // (the march may stop earlier at full opacity, which is not counted).
    uint64_t estimatedSamples = 0;
    double seconds = 0.0;
    int threads = 0;
};

// Called on the rendering thread (the caller's), never from a worker.
struct RenderHooks {
    // Every effect of every set is prepared; the tiles start now.
    std::function<void()> prepared;
    // Tiles finished so far, about ten times a second and once at the end.
    std::function<void(int done, int total)> tilesDone;
    // Polled while the tiles are drawn; true stops the render with RenderCancelled.
    std::function<bool()> cancelled;
};

// The composite (linear, premultiplied) of one pixel's ray through the set, over the
// background. Adds to stats when it is given.
QVColourRecord shadeRay(const QVRay& ray, VolumeSet& set, const QVColourRecord& background,
                        RenderStats* stats = nullptr);

// Renders with one thread per set; every set holds copies of the same effects in the same
// order. Prepares every set (in parallel), then draws the tiles. An error inside the module (a
// TQVException, such as a cancelled shadow grid) or in a worker passes through once every
// thread has stopped; no partial image is returned.
Image render(const RenderSettings& settings, std::vector<VolumeSet>& sets,
             const RenderHooks& hooks = {}, RenderStats* stats = nullptr);

}  // namespace brumo::host
