#include "host/render/renderer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <utility>

#include "host/common/job_runner.h"
#include "host/common/line_allocator.h"
#include "host/scene/scene_view.h"

namespace brumo::host {

QVColourRecord premultiply(const QVColourRecord& straight) {
    return {straight.red * straight.alpha, straight.green * straight.alpha,
            straight.blue * straight.alpha, straight.alpha};
}

PlacedVolume::PlacedVolume(IQVUnknown* primitive, const Transform& transform, float marchStep)
    : marchStep_(marchStep) {
    if (primitive == nullptr) throw RenderError("there is no primitive to render");
    if (primitive->QueryInterface(qv::IID_IVolumePrimitive,
                                  reinterpret_cast<void**>(volume_.slot())) != qv::kOk ||
        !volume_)
        throw RenderError("the primitive does not answer the volume primitive interface");
    if (primitive->QueryInterface(qv::IID_I3DExGeometricPrimitive,
                                  reinterpret_cast<void**>(geometry_.slot())) != qv::kOk ||
        !geometry_)
        throw RenderError("the primitive does not answer the geometric primitive interface");
    const AffineMap toWorld = AffineMap::fromTransform(transform);
    if (!toWorld.invertible())
        throw RenderError("the effect's scale must not be zero along any axis");
    worldToLocal_ = toWorld.inverse();
    refreshBounds();
}

void PlacedVolume::refreshBounds() {
    bounds_ = {{0.0f, 0.0f, 0.0f}, {-1.0f, -1.0f, -1.0f}};
    geometry_->queryBounds(&bounds_);
}

void PlacedVolume::prepare() {
    const QVVector3 centre{0.5f * (bounds_.min.x + bounds_.max.x),
                           0.5f * (bounds_.min.y + bounds_.max.y),
                           0.5f * (bounds_.min.z + bounds_.max.z)};
    QVColourRecord colour{0.0f, 0.0f, 0.0f, 0.0f};
    volume_->integrateSegment(&centre, &centre, &colour, nullptr, 0, 0);
}

namespace {

struct Span {
    QVRay local;  // the pixel's ray in the effect's space; distances are world distances
    float near;
    float far;
    bool hit;
};

// Per-thread scratch, reused from pixel to pixel; a cache line of its own, since every ray
// writes the lists' ends and the threads' scratch sits side by side. The lists' buffers own
// whole lines too: one that shared a line with data another thread reads (the shared shadow
// grid's header, in one run) would pass that line back and forth on every ray.
struct alignas(64) Scratch {
    std::vector<Span, LineAllocator<Span>> spans;
    std::vector<float, LineAllocator<float>> cuts;
    std::vector<int, LineAllocator<int>> covering;
};

QVVector3 along(const QVRay& ray, float t) {
    return {ray.origin.x + ray.direction.x * t, ray.origin.y + ray.direction.y * t,
            ray.origin.z + ray.direction.z * t};
}

float distance(const QVVector3& a, const QVVector3& b) {
    const float x = b.x - a.x, y = b.y - a.y, z = b.z - a.z;
    return std::sqrt(x * x + y * y + z * z);
}

QVColourRecord shade(const QVRay& ray, VolumeSet& set, const QVColourRecord& background,
                     Scratch& scratch, RenderStats* stats) {
    QVColourRecord colour = premultiply(background);
    // The light that reaches the eye from the background, as a share of it.
    float transmittance = 1.0f;
    if (stats != nullptr) ++stats->rays;
    const size_t n = set.size();
    scratch.spans.resize(n);
    scratch.cuts.clear();
    // The first effect's span, in registers: read back from the list, its two ends written one
    // by one would be loaded as one pair, which waits for the stores to drain.
    RaySpan first{};
    for (size_t i = 0; i < n; ++i) {
        const PlacedVolume& placed = set[i];
        Span& span = scratch.spans[i];
        span.local = {placed.worldToLocal().apply(ray.origin),
                      placed.worldToLocal().applyLinear(ray.direction)};
        const RaySpan clipped = clipToBox(span.local, placed.bounds());
        span.hit = clipped.hit;
        span.near = clipped.near;
        span.far = clipped.far;
        if (i == 0) first = clipped;
        if (clipped.hit) {
            scratch.cuts.push_back(clipped.near);
            scratch.cuts.push_back(clipped.far);
        }
    }
    if (scratch.cuts.empty()) return colour;

    // The interval (a, b) of the effect i, composited over what lies behind it.
    auto integrate = [&](size_t i, float a, float b) {
        const Span& span = scratch.spans[i];
        const QVVector3 start = along(span.local, a);
        const QVVector3 end = along(span.local, b);
        // The volume's composite is linear in what lies behind, so the probe comes back
        // scaled by the segment's transmittance; the volume's own alpha is lost beside it.
        QVColourRecord composite{colour.red, colour.green, colour.blue, kTransmittanceProbe};
        set[i].volume()->integrateSegment(&start, &end, &composite, nullptr, 0, 0);
        colour.red = composite.red;
        colour.green = composite.green;
        colour.blue = composite.blue;
        transmittance *= std::clamp(composite.alpha / kTransmittanceProbe, 0.0f, 1.0f);
        if (stats != nullptr) {
            ++stats->segments;
            const float step = set[i].marchStep();
            if (step > 0.0f) stats->estimatedSamples += uint64_t(distance(start, end) / step) + 1;
        }
    };

    if (n == 1) {
        // One effect, the common scene: its two cuts leave one interval, the span itself, unless
        // it is empty.
        if (first.near < first.far) integrate(0, first.near, first.far);
    } else {
        std::sort(scratch.cuts.begin(), scratch.cuts.end());
        scratch.cuts.erase(std::unique(scratch.cuts.begin(), scratch.cuts.end()), scratch.cuts.end());

        // From the farthest interval to the nearest, each composited over what lies behind it.
        for (size_t k = scratch.cuts.size() - 1; k-- > 0;) {
            const float a = scratch.cuts[k];
            const float b = scratch.cuts[k + 1];
            scratch.covering.clear();
            for (size_t i = 0; i < n; ++i) {
                const Span& span = scratch.spans[i];
                if (span.hit && span.near <= a && span.far >= b) scratch.covering.push_back(int(i));
            }
            // Overlapping effects: the one whose span reaches farther goes behind. The order must
            // not depend on the order of the scene file.
            std::sort(scratch.covering.begin(), scratch.covering.end(), [&](int l, int r) {
                const Span& sl = scratch.spans[size_t(l)];
                const Span& sr = scratch.spans[size_t(r)];
                const float cl = sl.near + sl.far, cr = sr.near + sr.far;
                if (cl != cr) return cl > cr;
                if (sl.far - sl.near != sr.far - sr.near) return sl.far - sl.near > sr.far - sr.near;
                return l < r;
            });
            for (int i : scratch.covering) integrate(size_t(i), a, b);
        }
    }
    colour.alpha = 1.0f - transmittance * (1.0f - background.alpha);
    return colour;
}

}  // namespace

QVColourRecord shadeRay(const QVRay& ray, VolumeSet& set, const QVColourRecord& background,
                        RenderStats* stats) {
    Scratch scratch;
    return shade(ray, set, background, scratch, stats);
}

Image render(const RenderSettings& settings, std::vector<VolumeSet>& sets,
             const RenderHooks& hooks, RenderStats* stats) {
    if (settings.width <= 0 || settings.height <= 0)
        throw RenderError("the image must be at least one pixel wide and high");
    if (sets.empty()) throw RenderError("there is no render thread");
    const std::string problem = cameraProblem(settings.camera);
    if (!problem.empty()) throw RenderError(problem);
    for (size_t s = 1; s < sets.size(); ++s)
        if (sets[s].size() != sets[0].size())
            throw RenderError("every render thread needs the same effects");

    const auto started = std::chrono::steady_clock::now();
    const CameraRays camera(settings.camera, settings.width, settings.height);
    const int tile = std::max(1, settings.tileSize);
    const int tilesAcross = (settings.width + tile - 1) / tile;
    const int tilesDown = (settings.height + tile - 1) / tile;
    // Every pixel is drawn by its tile.
    Image image(settings.width, settings.height, Image::Unset{});
    std::vector<Scratch> scratch(sets.size());
    std::vector<RenderStats> threadStats(sets.size());

    auto prepare = [&](int worker) {
        ThreadSceneViews::enable();
        for (PlacedVolume& placed : sets[size_t(worker)]) {
            placed.refreshBounds();
            placed.prepare();
        }
    };
    auto drawTile = [&](int worker, int t, const std::atomic<bool>&) {
        // Counted on the stack and added once per tile: counters of two threads side by side
        // in one cache line would be passed back and forth on every ray.
        RenderStats local;
        RenderStats* counts = stats != nullptr ? &local : nullptr;
        const int x0 = (t % tilesAcross) * tile;
        const int y0 = (t / tilesAcross) * tile;
        const int x1 = std::min(x0 + tile, settings.width);
        const int y1 = std::min(y0 + tile, settings.height);
        VolumeSet& set = sets[size_t(worker)];
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                image.at(x, y) = shade(camera.ray(x, y), set, settings.background,
                                       scratch[size_t(worker)], counts);
        RenderStats& total = threadStats[size_t(worker)];
        total.rays += local.rays;
        total.segments += local.segments;
        total.estimatedSamples += local.estimatedSamples;
    };
    JobHooks jobHooks;
    jobHooks.prepared = hooks.prepared;
    jobHooks.progress = hooks.tilesDone;
    jobHooks.cancelled = hooks.cancelled;
    if (!runJob(int(sets.size()), tilesAcross * tilesDown, prepare, drawTile, jobHooks))
        throw RenderCancelled();

    if (stats != nullptr) {
        *stats = {};
        for (const RenderStats& counts : threadStats) {
            stats->rays += counts.rays;
            stats->segments += counts.segments;
            stats->estimatedSamples += counts.estimatedSamples;
        }
        stats->threads = int(sets.size());
        stats->seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    }
    return image;
}

}  // namespace brumo::host
