// The lazy rebuild of the prepared volume at the next render or sampler call: what the parameters
// alone give, then host shaders, the effect's own part, the modifier chain, mesh and lights.
#include <cmath>
#include <cstdint>

#include "brumo/class_ids.h"
#include "brumo/volume_modifier.h"
#include "modifiers/basic_volume_modifier.h"
#include "primitive/brumo_base.h"
#include "frame/host_scene.h"
#include "primitive/saturating_int.h"

namespace brumo {

namespace {

constexpr int32_t kLargestGridResolution = 64;

// The seed a lattice is built from for a seed parameter: truncated, held in the int range (a
// drawn seed near 2^31 rounds up to it as a float), NaN as 0.
int32_t latticeSeed(float seedValue) {
    if (std::isnan(seedValue)) return 0;
    return saturatingInt(seedValue, INT32_MIN, INT32_MAX);
}

}  // namespace

bool BrumoBase::latticeSeedStale() const { return prepared_.lattice.seed != latticeSeed(parameters.seedValue); }

void BrumoBase::prepareRender() {
    EffectParameters& p = parameters;
    preparePending = 0;

    prepared_.prepareFromParameters(p);
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
        prepared_.meshShape.setMesh(nullptr);
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
    prepared_.meshShape.setMesh(mesh.get());
    prepared_.meshShape.falloff = p.meshFalloff;
    prepared_.meshShape.updateRange();
}

void BrumoBase::reseedLattice() {
    reseedPending = 0;
    prepared_.lattice.seed = latticeSeed(parameters.seedValue);
    prepared_.lattice.ready = false;
    prepared_.lattice.buildLattice();
}

void BrumoBase::refreshModifiers() {
    modifiersPending = 0;
    for (IVolumeModifier* modifier : prepared_.modifiers)
        if (modifier != nullptr) modifier->Release();
    prepared_.modifiers.setCount(0);
    prepared_.ownModifiers.setCount(0);

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
        if (!prepared_.ownModifiers.append(batch)) continue;
        if (prepared_.modifiers.append(modifier.get())) {
            modifier->AddRef();
        } else {
            prepared_.ownModifiers.setCount(prepared_.ownModifiers.count() - 1);
        }
    }
}

void BrumoBase::refreshShaders() {
    const EffectParameters& p = parameters;
    if (p.noiseType != 0 && p.colourFromGradient != 0) {
        prepared_.densityShader.reset();
        prepared_.densityShaderRef.reset();
        prepared_.colourShader.reset();
        prepared_.colourShaderRef.reset();
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
        resolve(p.densityShaderName.get(), prepared_.densityShaderRef, prepared_.densityShader);
    } else {
        prepared_.densityShader.reset();
        prepared_.densityShaderRef.reset();
    }
    if (p.colourFromGradient == 0 && p.colourShaderName->byteLength > 0) {
        resolve(p.colourShaderName.get(), prepared_.colourShaderRef, prepared_.colourShader);
    } else {
        prepared_.colourShader.reset();
        prepared_.colourShaderRef.reset();
    }
}

void BrumoBase::prepareLighting() {
    const EffectParameters& p = parameters;
    const uint32_t mode = p.lightingMode;
    prepared_.shadowGridActive = mode != kNoShadows ? 1 : 0;
    prepared_.shadowGridResolution =
        static_cast<float>(saturatingInt(p.quality * 50.0f, 0, kLargestGridResolution));
    if (mode == kNoShadows) return;
    if (mode == kSceneLights) {
        rebuildLights();
    } else if (mode == kFixedLight) {
        setFixedLight();
    } else {
        prepared_.shadowGridActive = 0;
        return;
    }
    // Unshadowed until the grid is complete: a cancelled build leaves it so.
    prepared_.shadowGridActive = 0;
    buildShadowGrid();
    prepared_.shadowGridActive = 1;
}

}  // namespace brumo
