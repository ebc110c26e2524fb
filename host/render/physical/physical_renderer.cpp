#include "host/render/physical/physical_renderer.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>

#include "host/render/physical/empty_space.h"
#include "host/render/physical/lit_volumes.h"
#include "host/common/job_runner.h"

namespace brumo::host {

namespace {

constexpr float kPi = 3.14159265358979f;
// Below this transmittance nothing behind can show in an 8-bit or half-float image.
constexpr float kOpaque = 1.0e-5f;
constexpr int kCoarsestSpacing = 8;

float henyeyGreenstein(float cosine, float g) {
    const float denominator = 1.0f + g * g - 2.0f * g * cosine;
    return (1.0f - g * g) / (4.0f * kPi * denominator * std::sqrt(denominator));
}

struct Crossing {
    QVRay local;
    float near = 0.0f, far = 0.0f, stretch = 1.0f;  // stretch: local length per world length
    bool hit = false;
};

class RayIntegrator {
public:
    RayIntegrator(const PhysicalSettings& physical, const std::vector<LitVolume>& volumes,
                  const std::vector<PhysicalLight>& lights, const Rgb& sky)
        : physical_(physical), volumes_(volumes), lights_(lights), sky_(sky),
          octaves_(physical.multiple.enabled ? std::max(1, physical.multiple.octaves) : 1),
          hasSky_(sky.r > 0.0f || sky.g > 0.0f || sky.b > 0.0f),
          skyWeights_(volumes.size()), phases_(volumes.size()) {}

    // Premultiplied radiance of the ray and its transmittance.
    QVColourRecord integrate(const QVRay& ray, float& transmittance) {
        Rgb light;
        transmittance = 1.0f;
        crossings_.resize(volumes_.size());
        cuts_.clear();
        skyCorners_.fill({});
        for (size_t v = 0; v < volumes_.size(); ++v) {
            Crossing& c = crossings_[v];
            c.hit = false;
            if (volumes_[v].empty() || volumes_[v].extinction <= 0.0f) continue;
            c.local = {volumes_[v].worldToLocal.apply(ray.origin), volumes_[v].worldToLocal.applyLinear(ray.direction)};
            const RaySpan span = clipToBox(c.local, volumes_[v].box);
            if (!span.hit) continue;
            c.hit = true;
            c.near = span.near;
            c.far = span.far;
            const QVVector3& d = c.local.direction;
            c.stretch = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
            cuts_.push_back(span.near);
            cuts_.push_back(span.far);
            if (hasSky_) weighSky(volumes_[v].medium.anisotropy, ray.direction, skyWeights_[v]);
            phaseDistantLights(volumes_[v].medium.anisotropy, ray.direction, phases_[v]);
        }
        std::sort(cuts_.begin(), cuts_.end());
        cuts_.erase(std::unique(cuts_.begin(), cuts_.end()), cuts_.end());
        for (size_t k = 0; k + 1 < cuts_.size() && transmittance > kOpaque; ++k) {
            const float a = cuts_[k], b = cuts_[k + 1];
            double voxel = 0.0;
            covering_.clear();
            for (size_t v = 0; v < volumes_.size(); ++v) {
                const Crossing& c = crossings_[v];
                if (!c.hit || c.near > a || c.far < b) continue;
                covering_.push_back(v);
                voxel = voxel == 0.0 ? volumes_[v].voxelSize : std::min(voxel, volumes_[v].voxelSize);
            }
            if (covering_.empty()) continue;
            const float step = float(voxel) / std::max(0.01f, physical_.stepsPerVoxel);
            const int steps = std::max(1, int(std::ceil((b - a) / step)));
            const float dt = (b - a) / float(steps);
            EmptySpace::Run run;
            for (int s = 0; s < steps && transmittance > kOpaque; ++s) {
                const float t = a + (float(s) + 0.5f) * dt;
                if (!(t < run.until)) run = runAt(t);
                if (run.empty) {
                    s = firstStepFrom(run.until, a, dt, s, steps) - 1;
                    continue;
                }
                addStep(ray, t, dt, light, transmittance);
            }
        }
        return {light.r, light.g, light.b, 1.0f - transmittance};
    }

private:
    // The run of space the ray is in at t: empty in every volume there or not, and where any
    // of their blocks ends.
    EmptySpace::Run runAt(float t) const {
        EmptySpace::Run run{true, std::numeric_limits<float>::infinity()};
        for (size_t v : covering_) {
            const Crossing& c = crossings_[v];
            const EmptySpace::Run own =
                volumes_[v].emptySpace.runAt(volumes_[v].density, c.local.origin, c.local.direction, t);
            run.empty = run.empty && own.empty;
            run.until = std::min(run.until, own.until);
        }
        return run;
    }

    // The phase of each distant light's octaves for light scattered along the ray: the angle is
    // the same all along it.
    void phaseDistantLights(float g, const QVVector3& direction, std::vector<float>& phases) const {
        phases.assign(lights_.size() * size_t(octaves_), 0.0f);
        for (size_t l = 0; l < lights_.size(); ++l) {
            if (lights_[l].kind != PhysicalLight::Kind::distant) continue;
            const QVVector3& travel = lights_[l].vector;
            const float cosine = -(travel.x * direction.x + travel.y * direction.y + travel.z * direction.z);
            float octaveG = g;
            for (int o = 0; o < octaves_; ++o, octaveG *= physical_.multiple.eccentricity)
                phases[l * size_t(octaves_) + size_t(o)] = henyeyGreenstein(cosine, octaveG);
        }
    }

    // The sky seen from one voxel of the sky grid along the ray: its transmittances weighed for
    // the ray. Neighbouring steps read the same voxels, so the last few are kept.
    float skyCornerShare(const float* voxel, const std::vector<float>& weights) {
        SkyCorner& kept = skyCorners_[(uint64_t(reinterpret_cast<uintptr_t>(voxel) >> 4) * 0x9E3779B97F4A7C15ull) >> 58];
        if (kept.voxel != voxel) {
            float share = 0.0f;
            for (size_t c = 0; c < weights.size(); ++c) share += weights[c] * voxel[c];
            kept = {voxel, share};
        }
        return kept.share;
    }

    // The sky directions' weights for light scattered along the ray, per octave (each octave's
    // weights add up to its share, so an open sky gives its radiance exactly).
    void weighSky(float g, const QVVector3& direction, std::vector<float>& weights) const {
        const std::vector<QVVector3>& directions = skyDirections();
        weights.assign(directions.size() * size_t(octaves_), 0.0f);
        float share = 1.0f;
        for (int o = 0; o < octaves_; ++o) {
            float sum = 0.0f;
            for (size_t d = 0; d < directions.size(); ++d) {
                const QVVector3& u = directions[d];
                const float p = henyeyGreenstein(u.x * direction.x + u.y * direction.y + u.z * direction.z, g);
                weights[d * size_t(octaves_) + size_t(o)] = p;
                sum += p;
            }
            for (size_t d = 0; d < directions.size(); ++d) weights[d * size_t(octaves_) + size_t(o)] *= share / sum;
            share *= physical_.multiple.contribution;
            g *= physical_.multiple.eccentricity;
        }
    }

    void addStep(const QVRay& ray, float t, float dt, Rgb& light, float& transmittance) {
        float depth = 0.0f;
        Rgb source;  // depth-weighted
        for (size_t v : covering_) {
            const LitVolume& volume = volumes_[v];
            const Crossing& c = crossings_[v];
            const QVVector3 p{c.local.origin.x + c.local.direction.x * t, c.local.origin.y + c.local.direction.y * t,
                              c.local.origin.z + c.local.direction.z * t};
            const float d = volume.density.at(p);
            if (!(d > 0.0f)) continue;
            const float part = volume.extinction * d * c.stretch * dt;
            depth += part;
            const Rgb radiance = sourceRadiance(volume, v, ray, t, p);
            source.r += part * radiance.r;
            source.g += part * radiance.g;
            source.b += part * radiance.b;
        }
        if (!(depth > 0.0f)) return;
        // The step's own share of what it holds back: exact for a source constant over the step.
        const float kept = transmittance * (1.0f - std::exp(-depth)) / depth;
        light.r += kept * source.r;
        light.g += kept * source.g;
        light.b += kept * source.b;
        transmittance *= std::exp(-depth);
    }

    // Radiance leaving a point toward the camera per unit of extinction: scattered light over
    // albedo plus emission.
    Rgb sourceRadiance(const LitVolume& volume, size_t v, const QVRay& ray, float t, const QVVector3& local) {
        const Medium& m = volume.medium;
        const QVVector3 world{ray.origin.x + ray.direction.x * t, ray.origin.y + ray.direction.y * t,
                              ray.origin.z + ray.direction.z * t};
        Rgb in;
        const MultipleScattering& multiple = physical_.multiple;
        for (size_t l = 0; l < lights_.size(); ++l) {
            const PhysicalLight& light = lights_[l];
            QVVector3 travel = light.vector;
            float falloff = 1.0f;
            if (light.kind == PhysicalLight::Kind::point) {
                travel = {world.x - light.vector.x, world.y - light.vector.y, world.z - light.vector.z};
                const float squared = std::max(travel.x * travel.x + travel.y * travel.y + travel.z * travel.z,
                                               float(0.25 * volume.voxelSize * volume.voxelSize));
                falloff = 1.0f / squared;
                const float r = std::sqrt(squared);
                travel = {travel.x / r, travel.y / r, travel.z / r};
            }
            // Toward the camera is against the ray.
            const float cosine = -(travel.x * ray.direction.x + travel.y * ray.direction.y + travel.z * ray.direction.z);
            const float depth = volume.lightDepth[l].at(local);
            const float* phases = phases_[v].data() + l * size_t(octaves_);
            const bool distant = light.kind == PhysicalLight::Kind::distant;
            float weight = 1.0f, scale = 1.0f, g = m.anisotropy, sum = 0.0f;
            for (int o = 0; o < octaves_; ++o) {
                sum += weight * (distant ? phases[o] : henyeyGreenstein(cosine, g)) * std::exp(-scale * depth);
                weight *= multiple.contribution;
                scale *= multiple.attenuation;
                g *= multiple.eccentricity;
            }
            sum *= falloff;
            in.r += sum * light.colour.r;
            in.g += sum * light.colour.g;
            in.b += sum * light.colour.b;
        }
        float skyShare = 0.0f;
        if (hasSky_) {
            const std::vector<float>& weights = skyWeights_[v];
            volume.skyLight.forCorners(local, [&](const float* voxel, float w) {
                skyShare += w * skyCornerShare(voxel, weights);
            });
        }
        Rgb out{m.albedo.r * (in.r + skyShare * sky_.r), m.albedo.g * (in.g + skyShare * sky_.g),
                m.albedo.b * (in.b + skyShare * sky_.b)};
        if (m.emissionFromColour) {
            float c[3];
            volume.colour.at(local, c);
            out.r += m.emissionStrength * c[0];
            out.g += m.emissionStrength * c[1];
            out.b += m.emissionStrength * c[2];
        } else {
            out.r += m.emissionStrength * m.emission.r;
            out.g += m.emissionStrength * m.emission.g;
            out.b += m.emissionStrength * m.emission.b;
        }
        return out;
    }

    const PhysicalSettings& physical_;
    const std::vector<LitVolume>& volumes_;
    const std::vector<PhysicalLight>& lights_;
    Rgb sky_;
    int octaves_;
    bool hasSky_;
    std::vector<std::vector<float>> skyWeights_;  // per volume, for the current ray
    std::vector<std::vector<float>> phases_;      // per volume, light and octave, for the current ray
    struct SkyCorner {
        const float* voxel = nullptr;
        float share = 0.0f;
    };
    std::array<SkyCorner, 64> skyCorners_;
    std::vector<Crossing> crossings_;
    std::vector<float> cuts_;
    std::vector<size_t> covering_;
};

}  // namespace

float marchExtinction(float size, float densityAmount, float absorptionDistance) {
    // The march's smallest absorption distance that still absorbs.
    constexpr float kNegligible = 0.00006103515625f;
    if (!(size > 0.0f) || !(absorptionDistance > kNegligible)) return 0.0f;
    return 2.0f * densityAmount / (absorptionDistance * size);
}

Image renderPhysical(const RenderSettings& settings, const PhysicalSettings& physical,
                     const std::vector<PhysicalEffect>& effects,
                     const std::vector<PhysicalLight>& lights, int threads,
                     const PhysicalHooks& hooks, RenderStats* stats) {
    if (settings.width <= 0 || settings.height <= 0)
        throw RenderError("the image must be at least one pixel wide and high");
    if (threads <= 0) throw RenderError("there is no render thread");
    const std::string problem = cameraProblem(settings.camera);
    if (!problem.empty()) throw RenderError(problem);
    for (const PhysicalEffect& effect : effects)
        if (effect.copies.empty() || effect.copies.size() < size_t(threads))
            throw RenderError("every effect needs one copy per render thread");
    const auto started = std::chrono::steady_clock::now();

    const Rgb sky = physical.skyFromBackground
                        ? Rgb{settings.background.red, settings.background.green, settings.background.blue}
                        : physical.sky;
    std::vector<LitVolume> volumes;
    if (!buildLitVolumes(physical, effects, lights, sky, threads, hooks.cancelled, volumes))
        throw RenderCancelled();
    if (hooks.prepared) hooks.prepared();

    const CameraRays camera(settings.camera, settings.width, settings.height);
    const QVColourRecord background = premultiply(settings.background);
    Image image(settings.width, settings.height, background);
    int rowsBefore = 0, rowsTotal = 0;
    for (int spacing = kCoarsestSpacing; spacing >= 1; spacing /= 2)
        rowsTotal += (settings.height + spacing - 1) / spacing;
    for (int spacing = kCoarsestSpacing; spacing >= 1; spacing /= 2) {
        const int rows = (settings.height + spacing - 1) / spacing;
        // A pixel of a coarser pass lies on every spacing of the finer ones: it is not drawn again.
        const int coarser = spacing * 2;
        const bool first = spacing == kCoarsestSpacing;
        JobHooks job;
        job.cancelled = hooks.cancelled;
        job.progress = [&](int done, int) {
            if (hooks.rowsDone) hooks.rowsDone(rowsBefore + done, rowsTotal);
        };
        const bool finished = runJob(threads, rows, [](int) {}, [&](int, int row, const std::atomic<bool>&) {
            RayIntegrator integrator(physical, volumes, lights, sky);
            const int y = row * spacing;
            for (int x = 0; x < settings.width; x += spacing) {
                if (!first && x % coarser == 0 && y % coarser == 0) continue;
                float transmittance = 1.0f;
                QVColourRecord c = integrator.integrate(camera.ray(x, y), transmittance);
                c = {c.red + transmittance * background.red, c.green + transmittance * background.green,
                     c.blue + transmittance * background.blue, c.alpha + transmittance * background.alpha};
                const int x1 = std::min(x + spacing, settings.width), y1 = std::min(y + spacing, settings.height);
                for (int yy = y; yy < y1; ++yy)
                    for (int xx = x; xx < x1; ++xx) image.at(xx, yy) = c;
            }
        }, job);
        if (!finished) throw RenderCancelled();
        rowsBefore += rows;
        if (hooks.passDone) hooks.passDone(image, spacing);
    }
    if (stats != nullptr) {
        *stats = {};
        stats->rays = uint64_t(settings.width) * uint64_t(settings.height);
        stats->threads = threads;
        stats->seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    }
    return image;
}

}  // namespace brumo::host
