// Self-shadowing: the light list (one fixed light or the scene's distant lights), the scene-light
// check, and the shadow grid's inputs and build.
#include <cmath>
#include <typeinfo>

#include "brumo/resource_texts.h"
#include "frame/module_state.h"
#include "primitive/brumo_base.h"
#include "modifiers/basic_volume_modifier.h"
#include "frame/host_scene.h"
#include "primitive/saturating_int.h"
#include "primitive/light_marches.h"
#include "primitive/shadow_grid.h"
#include "qv/exception.h"
#include "qv/strings.h"

namespace brumo {

namespace {

constexpr int32_t kIdleMilliseconds = 15;

// What a scene light answers at the origin: the direction toward it and its colour, left in the
// records the host wrote. The per-call check compares them field by field; copying a record the
// host has just written field by field as one block would wait for those stores.
struct LightReading {
    QVVector3 toward{0.0f, 0.0f, 0.0f};
    QVColourRecord colour{0.0f, 0.0f, 0.0f, 0.0f};
};

LightReading readLight(IQVLight* light) {
    const QVVector3 origin{0.0f, 0.0f, 0.0f};
    LightReading reading;
    float distance = 0.0f;
    light->lightDirectionTo(origin, &reading.toward, &distance);
    float intensity = 0.0f;
    light->lightColourAt(origin, reading.toward, distance, &reading.colour, &intensity);
    return reading;
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

// The light's travel direction against a stored one.
bool differs(const QVVector3& toward, const Vector3& travel) {
    return differs(-toward.x, travel.x) || differs(-toward.y, travel.y) || differs(-toward.z, travel.z);
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
    if (!prepared_.lights.setCount(0)) qv::raise(qv::kOutOfMemory, "QVClassArray", 978);
    LightSample& light = prepared_.lights.appendNew();
    light.enabled = 1;
    light.position = kZeroVector;
    light.direction = parameters.lightDirection;
    normalizeIfLonger(light.direction, 0.0f);
    light.colour = {1.0f, 1.0f, 1.0f, 0.0f};
}

void BrumoBase::rebuildLights() {
    sceneLightsPending = 0;
    prepared_.lights.setCount(0);
    QVCountedPtr<IQVScene> scene = currentScene();
    if (!scene) return;
    const int32_t n = scene->lightCount();
    for (int32_t index = 0; index < n; ++index) {
        QVCountedPtr<IQVLight> light = lightAt(scene.get(), index);
        if (!light || !isDistantLight(light.get())) continue;
        LightSample& entry = prepared_.lights.appendNew();
        entry.enabled = 1;
        const LightReading reading = readLight(light.get());
        entry.direction = {-reading.toward.x, -reading.toward.y, -reading.toward.z};
        const QVColourRecord& c = reading.colour;
        entry.colour = {c.red, c.green, c.blue, c.alpha};
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
        if (j >= prepared_.lights.count()) {
            changed = true;  // more distant lights than entries
            continue;
        }
        const LightReading reading = readLight(light.get());
        const QVColourRecord& colour = reading.colour;
        const LightSample& entry = prepared_.lights[j];
        // Any one channel counts: a white light turned red must not keep its old shadows.
        if (differs(reading.toward, entry.direction) || differs(colour.red, entry.colour.red) ||
            differs(colour.green, entry.colour.green) || differs(colour.blue, entry.colour.blue))
            changed = true;
        j += 1;
    }
    if (!changed && j < prepared_.lights.count()) changed = true;  // a light went away
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
    inputs.add(prepared_.lattice.seed);
    inputs.add(prepared_.lattice.maxFrequency);
    inputs.add(prepared_.lights.count());
    for (const LightSample& light : prepared_.lights) {
        inputs.add(static_cast<uint32_t>(light.enabled));
        inputs.add(light.direction);
        inputs.add(light.colour.red);
        inputs.add(light.colour.green);
        inputs.add(light.colour.blue);
    }
    inputs.add(prepared_.modifiers.count());
    bool shareable = true;
    for (BasicVolumeModifier* modifier : prepared_.ownModifiers) {
        // A modifier of another module may hold anything.
        if (modifier == nullptr) {
            shareable = false;
            continue;
        }
        inputs.add(&typeid(*modifier));
        if (!modifier->addInputs(inputs)) shareable = false;
    }
    // A host shader or mesh is the host's: nothing here says when it changes.
    if (prepared_.densityShader || p.meshOff == 0) shareable = false;
    return shareable;
}

void BrumoBase::addEffectInputs(GridInputs&) const {}

namespace {

// A grid's slices with the build's progress bar.
class GridSlices final : public LightMarchSlices {
public:
    GridSlices(BrumoBase& primitive, GridProgress& progress) : LightMarchSlices(primitive), progress_(progress) {}
    bool advance(double amount) override { return progress_.advance(amount); }

private:
    GridProgress& progress_;
};

}  // namespace

void BrumoBase::buildShadowGrid() {
    const int32_t r = saturatingInt(prepared_.shadowGridResolution, 0, INT32_MAX);
    GridInputs inputs;
    const bool shared = shadowGridInputs(inputs);
    // The old grid goes first, so that a rebuild of unchanged inputs builds anew.
    prepared_.shadowGrid.reset();
    prepared_.shadowGrid.reset(ShadowGrid::acquire(r, inputs, shared));
    if (prepared_.shadowGrid.get()->complete()) return;
    try {
        GridProgress progress;
        GridSlices slices(*this, progress);
        prepared_.shadowGrid.get()->build(slices);
    } catch (...) {
        prepared_.shadowGrid.reset();
        throw;
    }
}

float BrumoBase::shadowGridLookup(const Vector3& point) const { return prepared_.shadowGrid.lookup(point); }

}  // namespace brumo
