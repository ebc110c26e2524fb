// The lazy rebuild of everything the march derives from the parameters: tables, the noise-space
// transform, extinction and colour weights, host shaders, the modifier chain, lights and mesh.
#include <cmath>
#include <cstdint>

#include "brumo/class_ids.h"
#include "brumo/volume_modifier.h"
#include "modifiers/basic_volume_modifier.h"
#include "primitive/brumo_base.h"
#include "frame/host_scene.h"
#include "primitive/saturating_int.h"
#include "math/shaping.h"
#include "qv/fourcc.h"

namespace brumo {

namespace {

constexpr float kBiasCeiling = 0.99993896484375f;
constexpr float kTableStep = 0.00010001000191550702f;  // 1 / 9999 in single precision
constexpr float kDegrees = 0.017453292f;
constexpr int32_t kLargestGridResolution = 64;

// The seed a lattice is built from for a seed parameter: truncated, held in the int range (a
// drawn seed near 2^31 rounds up to it as a float), NaN as 0.
int32_t latticeSeed(float seedValue) {
    if (std::isnan(seedValue)) return 0;
    return saturatingInt(seedValue, INT32_MIN, INT32_MAX);
}

// k × S × R of the noise parameters: uniform scale, per-axis scale and rotation.
AffineTransform noiseSpaceTransform(const EffectParameters& p) {
    auto inverseScale = [](float s) { return std::fabs(s) <= kNegligible ? 0.0f : 100.0f / s; };
    const float sx = inverseScale(p.noiseScaleXYZ.x);
    const float sy = inverseScale(p.noiseScaleXYZ.y);
    const float sz = inverseScale(p.noiseScaleXYZ.z);

    const float a = p.noiseRotation.x * kDegrees;
    const float b = p.noiseRotation.y * kDegrees;
    const float c = p.noiseRotation.z * kDegrees;
    const float ca = std::cos(a), sa = std::sin(a);
    const float cb = std::cos(b), sb = std::sin(b);
    const float cc = std::cos(c), sc = std::sin(c);

    // Rz(a) Ry(b) Rx(c), row by row, each row scaled by its axis.
    AffineTransform t;
    t.m[0][0] = sx * (cb * ca);
    t.m[0][1] = sx * (sb * ca * sc - cc * sa);
    t.m[0][2] = sx * (sb * ca * cc + sc * sa);
    t.m[1][0] = sy * (cb * sa);
    t.m[1][1] = sy * (sc * sb * sa + ca * cc);
    t.m[1][2] = sy * (cc * sb * sa - sc * ca);
    t.m[2][0] = sz * -sb;
    t.m[2][1] = sz * (sc * cb);
    t.m[2][2] = sz * (cc * cb);

    const float k = std::fabs(p.noiseScale) > kNegligible ? 100.0f / p.noiseScale : 0.0f;
    scaleRows(t, k);
    t.translation = p.noiseOffset;
    return t;
}

}  // namespace

bool BrumoBase::latticeSeedStale() const { return lattice.seed != latticeSeed(parameters.seedValue); }

void BrumoBase::prepareRender() {
    EffectParameters& p = parameters;
    preparePending = 0;

    // Highest octave frequency; clamped first, since a huge detail would overflow the int.
    const float power = static_cast<float>(std::pow(2.0, static_cast<double>(p.detail)));
    lattice.maxFrequency = saturatingInt(2.0f * power, 0, INT32_MAX);

    noiseTransform = noiseSpaceTransform(p);
    noiseTransformInverse = noiseTransform;
    invertAffine(noiseTransformInverse);

    if (!(p.biasAmount >= kNegligible))
        p.biasAmount = kNegligible;
    else if (p.biasAmount > kBiasCeiling)
        p.biasAmount = kBiasCeiling;

    const int32_t entries = gainTable.count() < biasTable.count() ? gainTable.count() : biasTable.count();
    for (int32_t i = 0; i < entries; ++i) {
        const float t = static_cast<float>(i) * kTableStep;
        gainTable[i] = gain(p.gainAmount, t);
        biasTable[i] = bias(p.biasAmount, t);
    }

    extinction = p.absorptionDistance > kNegligible ? 1.0f / p.absorptionDistance : 0.0f;

    // Quadratic Lagrange weights of the colour source mix for the nodes 0, 1 and 1/2.
    const float g = p.colourSourceMix;
    colourWeightDensity = g * (2.0f * g - 3.0f) + 1.0f;
    colourWeightShape = (2.0f * g - 1.0f) * g;
    colourWeightMixed = g * (4.0f - 4.0f * g);

    densityScale = 2.0f * p.densityAmount;

    refreshShaders();
    prepareEffect();

    // The mesh is attached before the shadow grid is built, so that the grid is shadowed by the
    // shape the march will see. An unknown lighting code skips both, as it always has.
    const uint32_t mode = p.lightingMode;
    if (mode == kNoShadows || mode == kFixedLight || mode == kSceneLights)
        attachMesh();
    prepareLighting();
}

void BrumoBase::attachMesh() {
    EffectParameters& p = parameters;
    if (p.meshOff != 0) {
        meshShape.setMesh(nullptr);
        return;
    }
    QVCountedPtr<IQVScene> scene = currentScene();
    if (!scene) return;
    IQVSceneObject* found = nullptr;
    scene->findObjectByName(&found, &p.meshName.get());
    QVCountedPtr<IQVSceneObject> object(found);
    if (!object) return;
    QVCountedPtr<IQVMesh> mesh;
    object->QueryInterface(qv::IID_Mesh, mesh.slot());
    if (!mesh || mesh->meshKind() != qv::kTriangleMesh) return;
    meshShape.setMesh(mesh.get());
    meshShape.falloff = p.meshFalloff;
    meshShape.updateRange();
}

void BrumoBase::reseedLattice() {
    reseedPending = 0;
    lattice.seed = latticeSeed(parameters.seedValue);
    lattice.ready = false;
    lattice.buildLattice();
}

void BrumoBase::refreshModifiers() {
    modifiersPending = 0;
    for (IVolumeModifier* modifier : modifiers)
        if (modifier != nullptr) modifier->Release();
    modifiers.setCount(0);
    ownModifiers.setCount(0);

    const QVClassArray<IQVUnknown*>& components = parameters.dataComponents;
    for (int32_t i = 0; i < components.count(); ++i) {
        IQVUnknown* component = components[i];
        if (component == nullptr) continue;
        QVCountedPtr<IVolumeModifier> modifier;
        component->QueryInterface(IID_IVolumeModifier, modifier.slot());
        if (!modifier) continue;
        QVCountedPtr<IVolumeModifier> own;
        component->QueryInterface(IID_BasicVolumeModifier, own.slot());
        BasicVolumeModifier* batch = own ? static_cast<BasicVolumeModifier*>(own.get()) : nullptr;
        // Both lists grow together or not at all, so that they stay in step.
        if (!ownModifiers.append(batch)) continue;
        if (modifiers.append(modifier.get())) {
            modifier->AddRef();
        } else {
            ownModifiers.setCount(ownModifiers.count() - 1);
        }
    }
}

void BrumoBase::refreshShaders() {
    const EffectParameters& p = parameters;
    if (p.noiseType != 0 && p.colourFromGradient != 0) {
        densityShader.reset();
        densityShaderRef.reset();
        colourShader.reset();
        colourShaderRef.reset();
        return;
    }
    QVCountedPtr<IQVScene> scene = currentScene();

    // A name that no longer resolves drops the evaluation interface as well, so that the march
    // never keeps using a shader the scene let go of.
    auto resolve = [&scene](const TQVString& name, QVCountedPtr<IQVShaderObject>& reference,
                            QVCountedPtr<IQVShader>& shader) {
        if (scene) scene->findShader(reinterpret_cast<IQVShaderObject**>(reference.slot()), &name);
        else reference.reset();
        if (reference)
            reference->shaderInterface(reinterpret_cast<IQVShader**>(shader.slot()));
        else
            shader.reset();
    };

    if (p.noiseType == kNoiseFromShader && p.densityShaderName->byteLength > 0) {
        resolve(p.densityShaderName.get(), densityShaderRef, densityShader);
    } else {
        densityShader.reset();
        densityShaderRef.reset();
    }
    if (p.colourFromGradient == 0 && p.colourShaderName->byteLength > 0) {
        resolve(p.colourShaderName.get(), colourShaderRef, colourShader);
    } else {
        colourShader.reset();
        colourShaderRef.reset();
    }
}

void BrumoBase::prepareLighting() {
    const EffectParameters& p = parameters;
    const uint32_t mode = p.lightingMode;
    shadowGridActive = mode != kNoShadows ? 1 : 0;
    shadowGridResolution =
        static_cast<float>(saturatingInt(p.quality * 50.0f, 0, kLargestGridResolution));
    if (mode == kNoShadows) return;
    if (mode == kSceneLights) {
        rebuildLights();
    } else if (mode == kFixedLight) {
        setFixedLight();
    } else {
        shadowGridActive = 0;
        return;
    }
    // Unshadowed until the grid is complete: a cancelled build leaves it so.
    shadowGridActive = 0;
    buildShadowGrid();
    shadowGridActive = 1;
}

}  // namespace brumo
