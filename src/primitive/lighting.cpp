// Self-shadowing: the light list (one fixed light or the scene's distant lights), the march
// toward a light, and the shadow grid's inputs and slices.
#include <algorithm>
#include <cmath>
#include <typeinfo>

#include "brumo/resource_texts.h"
#include "frame/module_state.h"
#include "primitive/brumo_base.h"
#include "modifiers/basic_volume_modifier.h"
#include "frame/host_scene.h"
#include "primitive/saturating_int.h"
#include "primitive/segment_stepper.h"
#include "primitive/shadow_grid.h"
#include "qv/exception.h"
#include "qv/strings.h"

namespace brumo {

namespace {

constexpr int32_t kIdleMilliseconds = 15;
// Below an optical depth (times the extinction) of 16, 1 - e^-x rounds to less than 1 (e^-16 is
// about twice the spacing of floats below 1), so a light march cannot be fully shadowed there.
constexpr float kShadowedDepth = 16.0f;

// Travel direction and colour of a scene light, sampled at the origin.
void sampleLight(IQVLight* light, Vector3& direction, ColourRGBA& colour) {
    const QVVector3 origin{0.0f, 0.0f, 0.0f};
    QVVector3 toward{0.0f, 0.0f, 0.0f};
    float distance = 0.0f;
    light->lightDirectionTo(origin, &toward, &distance);
    direction = {-toward.x, -toward.y, -toward.z};
    QVColourRecord record{0.0f, 0.0f, 0.0f, 0.0f};
    float intensity = 0.0f;
    light->lightColourAt(origin, toward, distance, &record, &intensity);
    colour = {record.red, record.green, record.blue, record.alpha};
}

QVCountedPtr<IQVLight> lightAt(IQVScene* scene, int32_t index) {
    IQVLight* light = nullptr;
    scene->lightAt(&light, index);
    return QVCountedPtr<IQVLight>(light);
}

bool isDistantLight(IQVLight* light) {
    int32_t kind = 0;
    light->lightKind(&kind);
    return kind == qv::kDistantLight;
}

// NaN equals NaN here: a light holding one must not look changed on every call.
bool differs(float a, float b) { return a != b && !(std::isnan(a) && std::isnan(b)); }

bool differs(const Vector3& a, const Vector3& b) {
    return differs(a.x, b.x) || differs(a.y, b.y) || differs(a.z, b.z);
}

// A direction the march toward the light can follow: finite and not zero.
bool usableDirection(const Vector3& d) {
    if (!std::isfinite(d.x) || !std::isfinite(d.y) || !std::isfinite(d.z)) return false;
    return d.x != 0.0f || d.y != 0.0f || d.z != 0.0f;
}

// The progress bar of a grid build with the module's resource context around it; both are
// closed on every way out, cancellation included.
class GridProgress {
public:
    GridProgress() : utility_(utilityService()) {
        TQVHeapString caption;
        resources_.loadText(kTextComputingShadows, caption);
        if (utility_ != nullptr) utility_->progressStart(&caption, &handle_, 100.0);
    }
    ~GridProgress() {
        if (utility_ != nullptr && handle_ != nullptr) {
            utility_->progressEnd(handle_);
            handle_->Release();
        }
    }
    GridProgress(const GridProgress&) = delete;
    GridProgress& operator=(const GridProgress&) = delete;

    // Lets the host breathe, advances the bar; true when the user asked to stop.
    bool advance(double amount) {
        if (IQVIdleService* idle = idleService()) idle->idleTick(kIdleMilliseconds);
        if (utility_ == nullptr) return false;
        utility_->progressAdvance(amount, handle_);
        return utility_->progressCancelled();
    }

private:
    // First in, last out: the context is current from before the bar opens until it closes.
    ModuleResourceScope resources_;
    IQVUtilityService* utility_;
    QVProgressHandle handle_ = nullptr;
};

}  // namespace

void BrumoBase::setFixedLight() {
    if (!lights.setCount(0)) qv::raise(qv::kOutOfMemory, "QVClassArray", 978);
    LightSample& light = lights.appendNew();
    light.enabled = 1;
    light.position = kZeroVector;
    light.direction = parameters.lightDirection;
    normalizeIfLonger(light.direction, 0.0f);
    light.colour = {1.0f, 1.0f, 1.0f, 0.0f};
}

void BrumoBase::rebuildLights() {
    sceneLightsPending = 0;
    lights.setCount(0);
    QVCountedPtr<IQVScene> scene = currentScene();
    if (!scene) return;
    const int32_t n = scene->lightCount();
    for (int32_t index = 0; index < n; ++index) {
        QVCountedPtr<IQVLight> light = lightAt(scene.get(), index);
        if (!light || !isDistantLight(light.get())) continue;
        LightSample& entry = lights.appendNew();
        entry.enabled = 1;
        sampleLight(light.get(), entry.direction, entry.colour);
    }
}

void BrumoBase::checkSceneLights() {
    if (parameters.lightingMode != kSceneLights) return;
    QVCountedPtr<IQVScene> scene = currentScene();
    if (!scene) return;
    const int32_t n = scene->lightCount();
    bool changed = sceneLightsPending != 0;
    int32_t j = 0;
    for (int32_t index = 0; index < n && !changed; ++index) {
        QVCountedPtr<IQVLight> light = lightAt(scene.get(), index);
        if (!light || !isDistantLight(light.get())) continue;
        if (j >= lights.count()) {
            changed = true;  // more distant lights than entries
            continue;
        }
        Vector3 direction;
        ColourRGBA colour;
        sampleLight(light.get(), direction, colour);
        const LightSample& entry = lights[j];
        // Any one channel counts: a white light turned red must not keep its old shadows.
        if (differs(direction, entry.direction) || differs(colour.red, entry.colour.red) ||
            differs(colour.green, entry.colour.green) || differs(colour.blue, entry.colour.blue))
            changed = true;
        j += 1;
    }
    if (!changed && j < lights.count()) changed = true;  // a light went away
    if (!changed) return;

    rebuildLights();
    try {
        buildShadowGrid();
    } catch (...) {
        // The grid is part new, part old; the next call starts it over.
        sceneLightsPending = 1;
        throw;
    }
}

bool BrumoBase::shadowGridInputs(GridInputs& inputs) {
    const EffectParameters& p = parameters;
    inputs.add(&typeid(*this));
    inputs.add(p.size);
    inputs.add(p.noiseScale);
    inputs.add(p.noiseScaleXYZ);
    inputs.add(p.noiseOffset);
    inputs.add(p.noiseRotation);
    inputs.add(p.stepJitter);
    inputs.add(p.quality);
    inputs.add(p.densityAmount);
    inputs.add(p.absorptionDistance);
    inputs.add(p.seedValue);
    inputs.add(p.detail);
    inputs.add(p.gainAmount);
    inputs.add(p.biasAmount);
    inputs.add(p.noiseType);
    inputs.add(p.meshOff);
    inputs.add(p.meshFalloff);
    inputs.add(p.lightingMode);
    inputs.add(p.lightDirection);
    inputs.add(p.shapeFlags);
    inputs.addBytes(p.shapeFalloffs, sizeof p.shapeFalloffs);
    addEffectInputs(inputs);
    inputs.add(lattice.seed);
    inputs.add(lattice.maxFrequency);
    inputs.add(lights.count());
    for (const LightSample& light : lights) {
        inputs.add(static_cast<uint32_t>(light.enabled));
        inputs.add(light.direction);
        inputs.add(light.colour.red);
        inputs.add(light.colour.green);
        inputs.add(light.colour.blue);
    }
    inputs.add(modifiers.count());
    bool shareable = true;
    for (BasicVolumeModifier* modifier : ownModifiers) {
        // A modifier of another module may hold anything.
        if (modifier == nullptr) {
            shareable = false;
            continue;
        }
        inputs.add(&typeid(*modifier));
        if (!modifier->addInputs(inputs)) shareable = false;
    }
    // A host shader or mesh is the host's: nothing here says when it changes.
    if (densityShader || p.meshOff == 0) shareable = false;
    return shareable;
}

void BrumoBase::addEffectInputs(GridInputs&) const {}

namespace {

// The slices of a grid, each point lit by this primitive's light marches.
class LightMarchSlices final : public ShadowSliceSource {
public:
    LightMarchSlices(BrumoBase& primitive, GridProgress& progress) : primitive_(primitive), progress_(progress) {}

    void fillSlice(int32_t k, int32_t r, float* values) override {
        const float s = 1.0f / static_cast<float>(r - 1);
        for (int32_t j = 0; j < r; ++j)
            for (int32_t i = 0; i < r; ++i) {
                const Vector3 p{static_cast<float>(2 * i) * s - 1.0f, static_cast<float>(2 * j) * s - 1.0f,
                                static_cast<float>(2 * k) * s - 1.0f};
                values[i + r * j] = primitive_.lightAtPoint(p);
            }
    }
    bool advance(double amount) override { return progress_.advance(amount); }

private:
    BrumoBase& primitive_;
    GridProgress& progress_;
};

}  // namespace

void BrumoBase::buildShadowGrid() {
    const int32_t r = saturatingInt(shadowGridResolution, 0, INT32_MAX);
    GridInputs inputs;
    const bool shared = shadowGridInputs(inputs);
    // The old grid goes first, so that a rebuild of unchanged inputs builds anew.
    shadowGrid.reset();
    shadowGrid.reset(ShadowGrid::acquire(r, inputs, shared));
    if (shadowGrid.get()->complete()) return;
    try {
        GridProgress progress;
        LightMarchSlices slices(*this, progress);
        shadowGrid.get()->build(slices);
    } catch (...) {
        shadowGrid.reset();
        throw;
    }
}

float BrumoBase::lightAtPoint(const Vector3& point) {
    float sum = 0.0f;
    for (int32_t i = 0; i < lights.count(); ++i) sum += lightTransmittance(point, lights[i]);
    return sum;
}

float BrumoBase::lightTransmittance(const Vector3& point, const LightSample& light) {
    if (light.enabled == 0) return 0.0f;
    const Vector3& d = light.direction;
    // Without a usable direction there is no face toward the light: such a light is skipped.
    if (!usableDirection(d)) return 0.0f;

    // Where the way toward the light leaves the cube: the first face, in the order x, y, z, that
    // faces the light and is met within its square (the z face without that test).
    Vector3 exit = point;
    for (int axis = 0; axis < 3; ++axis) {
        if (d[axis] == 0.0f) continue;
        const float face = d[axis] >= 0.0f ? -1.0f : 1.0f;
        const float t = (point[axis] - face) / d[axis];
        if (!(t >= 0.0f)) continue;
        const Vector3 hit = point - d * t;
        const int u = (axis + 1) % 3;
        const int w = (axis + 2) % 3;
        if (axis != 2 && !(hit[u] >= -1.0f && hit[u] <= 1.0f && hit[w] >= -1.0f && hit[w] <= 1.0f))
            continue;
        exit = hit;
        break;
    }

    const Vector3 span = exit - point;
    const float length = brumo::length(span);
    const Vector3 u = length != 0.0f ? Vector3{span.x / length, span.y / length, span.z / length} : span;
    SegmentStepper samples(point, u, length, stepLength(), -1.0f, kMaxLightMarchSamples, kNegligible);
    // A mesh-shaped effect counts crossings along the ray being marched; this march has its own.
    if (parameters.meshOff == 0 && !samples.empty()) castMeshRay(point, u);
    float depth = 0.0f;

    const bool batched = batchedSampling();
    Vector3 points[kDensityBatch];
    float lengths[kDensityBatch];
    bool fullSteps[kDensityBatch];
    float densities[kDensityBatch];
    float shapes[kDensityBatch];
    for (int32_t n; (n = samples.next(batched ? kDensityBatch : 1, points, lengths, fullSteps)) > 0;) {
        if (batched)
            field_.sampleDensities(n, points, densities, shapes);
        else
            densities[0] = densityAt(points[0]).density;
        for (int32_t k = 0; k < n; ++k) {
            if (!fullSteps[k]) {
                depth = depth + densities[k] * (2.0f * densityScale * (lengths[k] * 0.5f));
                continue;
            }
            const float x = densities[k] * (densityScale * lengths[k]);
            if (x > kNegligible) {
                depth = depth + x;
                if (-extinction * depth < -kShadowedDepth && 1.0f - std::exp(-extinction * depth) >= 1.0f)
                    return 0.0f;  // fully shadowed from this light
            }
        }
    }
    // The opacity after the last sample that counted (none leaves depth 0 and opacity 0).
    const float c = 1.0f - std::exp(-extinction * depth);
    const ColourRGBA& colour = light.colour;
    return (1.0f - c) * (0.1f * colour.red + 0.6f * colour.green + 0.3f * colour.blue);
}

float BrumoBase::shadowGridLookup(const Vector3& point) const { return shadowGrid.lookup(point); }

}  // namespace brumo
