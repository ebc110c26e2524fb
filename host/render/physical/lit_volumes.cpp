#include "host/render/physical/lit_volumes.h"

#include <algorithm>
#include <cmath>

#include "host/common/job_runner.h"

namespace brumo::host {

namespace {

float length(const QVVector3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

QVVector3 unit(const QVVector3& v) {
    const float l = length(v);
    return l > 0.0f ? QVVector3{v.x / l, v.y / l, v.z / l} : v;
}

std::vector<QVVector3> makeSkyDirections() {
    std::vector<QVVector3> directions;
    for (int a = 0; a < 3; ++a)
        for (float s : {-1.0f, 1.0f}) {
            QVVector3 d{0.0f, 0.0f, 0.0f};
            (a == 0 ? d.x : a == 1 ? d.y : d.z) = s;
            directions.push_back(d);
        }
    for (int corner = 0; corner < 8; ++corner)
        directions.push_back(unit({corner & 1 ? 1.0f : -1.0f, corner & 2 ? 1.0f : -1.0f,
                                   corner & 4 ? 1.0f : -1.0f}));
    return directions;
}

// Fills every voxel of every field through fill(volume, i, j, k, worldCentre, out), one z slice
// per item.
template <class Layouts, class Fill>
bool fillSlices(std::vector<LitVolume>& volumes, const Layouts& layouts, int threads,
                const std::function<bool()>& stop, const Fill& fill) {
    struct Slice {
        size_t volume;
        int z;
    };
    std::vector<Slice> slices;
    for (size_t v = 0; v < volumes.size(); ++v)
        if (!layouts[v].empty())
            for (int z = 0; z < layouts[v].counts[2]; ++z) slices.push_back({v, z});
    JobHooks hooks;
    hooks.cancelled = stop;
    return runJob(threads, int(slices.size()), [](int) {}, [&](int, int item, const std::atomic<bool>&) {
        const Slice& slice = slices[size_t(item)];
        const VoxelGrid& grid = layouts[slice.volume];
        for (int j = 0; j < grid.counts[1]; ++j)
            for (int i = 0; i < grid.counts[0]; ++i)
                fill(slice.volume, i, j, slice.z, grid.toWorld.apply(grid.localCentre(i, j, slice.z)));
    }, hooks);
}

}  // namespace

const std::vector<QVVector3>& skyDirections() {
    static const std::vector<QVVector3> directions = makeSkyDirections();
    return directions;
}

float opticalDepth(const std::vector<LitVolume>& volumes, const QVVector3& from,
                   const QVVector3& direction, float reach) {
    float depth = 0.0f;
    for (const LitVolume& volume : volumes) {
        if (volume.empty() || volume.extinction <= 0.0f) continue;
        const QVRay local{volume.worldToLocal.apply(from), volume.worldToLocal.applyLinear(direction)};
        const RaySpan span = clipToBox(local, volume.box);
        const float far = std::min(span.far, reach);
        if (!span.hit || !(far > span.near)) continue;
        const float step = float(volume.lightVoxelSize);
        const int steps = std::max(1, int(std::ceil((far - span.near) / step)));
        const float dt = (far - span.near) / float(steps);
        float sum = 0.0f;
        EmptySpace::Run run;
        for (int s = 0; s < steps; ++s) {
            const float t = span.near + (float(s) + 0.5f) * dt;
            if (!(t < run.until)) run = volume.emptySpace.runAt(volume.density, local.origin, local.direction, t);
            if (run.empty) {
                s = firstStepFrom(run.until, span.near, dt, s, steps) - 1;
                continue;
            }
            sum += volume.density.at({local.origin.x + local.direction.x * t,
                                      local.origin.y + local.direction.y * t,
                                      local.origin.z + local.direction.z * t});
        }
        depth += sum * dt * volume.extinction * length(local.direction);
    }
    return depth;
}

bool buildLitVolumes(const PhysicalSettings& physical, const std::vector<PhysicalEffect>& effects,
                     const std::vector<PhysicalLight>& lights, const Rgb& sky, int threads,
                     const std::function<bool()>& stop, std::vector<LitVolume>& volumes) {
    const int resolution = std::max(2, physical.gridResolution);
    const MultipleScattering& multiple = physical.multiple;
    const int octaves = multiple.enabled ? std::max(1, multiple.octaves) : 1;
    volumes.assign(effects.size(), LitVolume{});
    std::vector<VoxelGrid> lightLayouts(effects.size()), skyLayouts(effects.size());
    for (size_t e = 0; e < effects.size(); ++e) {
        const PhysicalEffect& effect = effects[e];
        LitVolume& volume = volumes[e];
        volume.localToWorld = AffineMap::fromTransform(effect.transform);
        volume.worldToLocal = volume.localToWorld.inverse();
        volume.medium = effect.medium;
        volume.extinction = effect.extinction;
        volume.box = primitiveBounds(effect.copies.at(0));
        const VoxelGrid layout = layoutGrid(volume.box, effect.transform, 0.0, resolution);
        volume.voxelSize = layout.voxelSize;
        volume.density = LatticeField(layout, LatticeField::Edge::zero);
        const bool withColour = effect.medium.emissionFromColour;
        if (withColour) volume.colour = LatticeField(layout, LatticeField::Edge::zero, 3);
        std::vector<IQVUnknown*> copies(effect.copies.begin(),
                                        effect.copies.begin() + std::max(1, std::min<int>(threads, int(effect.copies.size()))));
        BakeHooks hooks;
        hooks.cancelled = stop;
        try {
            sampleGrid(layout, copies, withColour,
                       [&](int32_t z, const float* densities, const QVColourRecord* colours) {
                           for (int j = 0; j < layout.counts[1]; ++j)
                               for (int i = 0; i < layout.counts[0]; ++i) {
                                   const size_t n = size_t(j) * size_t(layout.counts[0]) + size_t(i);
                                   *volume.density.voxel(i, j, z) = std::isfinite(densities[n]) ? densities[n] : 0.0f;
                                   if (colours == nullptr) continue;
                                   float* c = volume.colour.voxel(i, j, z);
                                   c[0] = colours[n].red;
                                   c[1] = colours[n].green;
                                   c[2] = colours[n].blue;
                               }
                       },
                       hooks);
        } catch (const BakeCancelled&) {
            return false;
        }
        volume.emptySpace = EmptySpace(volume.density);
        lightLayouts[e] = layoutGrid(volume.box, effect.transform, 0.0, std::max(2, resolution / 2));
        // The sky's shadows are soft: a quarter of the resolution, but no fewer than 32 voxels.
        skyLayouts[e] = layoutGrid(volume.box, effect.transform, 0.0,
                                   std::max(2, std::min(resolution / 2, std::max(32, resolution / 4))));
        volume.lightVoxelSize = lightLayouts[e].voxelSize;
        volume.lightDepth.assign(lights.size(), LatticeField(lightLayouts[e], LatticeField::Edge::clamp));
        volume.skyLight = LatticeField(skyLayouts[e], LatticeField::Edge::clamp,
                                       int(skyDirections().size()) * octaves);
    }

    const std::vector<LitVolume>& shadowing = volumes;
    if (!lights.empty() &&
        !fillSlices(volumes, lightLayouts, threads, stop,
                    [&](size_t v, int i, int j, int k, const QVVector3& centre) {
                        for (size_t l = 0; l < lights.size(); ++l) {
                            const PhysicalLight& light = lights[l];
                            QVVector3 toward{-light.vector.x, -light.vector.y, -light.vector.z};
                            float reach = 1.0e30f;
                            if (light.kind == PhysicalLight::Kind::point) {
                                toward = {light.vector.x - centre.x, light.vector.y - centre.y,
                                          light.vector.z - centre.z};
                                reach = length(toward);
                            }
                            *volumes[v].lightDepth[l].voxel(i, j, k) =
                                reach > 0.0f ? opticalDepth(shadowing, centre, unit(toward), reach) : 0.0f;
                        }
                    }))
        return false;

    const bool anySky = sky.r > 0.0f || sky.g > 0.0f || sky.b > 0.0f;
    if (!anySky) return true;
    const std::vector<QVVector3>& directions = skyDirections();
    return fillSlices(volumes, skyLayouts, threads, stop,
                      [&](size_t v, int i, int j, int k, const QVVector3& centre) {
                          float* seen = volumes[v].skyLight.voxel(i, j, k);
                          for (size_t d = 0; d < directions.size(); ++d) {
                              const float depth = opticalDepth(shadowing, centre, directions[d], 1.0e30f);
                              float scale = 1.0f;
                              for (int o = 0; o < octaves; ++o, scale *= multiple.attenuation)
                                  seen[d * size_t(octaves) + size_t(o)] = std::exp(-scale * depth);
                          }
                      });
}

}  // namespace brumo::host
