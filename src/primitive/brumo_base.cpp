#include "primitive/brumo_base.h"

#include "brumo/class_ids.h"
#include "brumo/volume_modifier.h"
#include "brumo/resource_texts.h"
#include "frame/host_scene.h"
#include "frame/module_state.h"
#include "primitive/colour_gradient.h"
#include "primitive/shape_presets.h"
#include "qv/exception.h"
#include "qv/host_editor.h"

namespace brumo {

namespace {

constexpr int32_t kTableSize = 10000;

}  // namespace

BrumoBase::BrumoBase()
    : preparePending(1),
      reseedPending(1),
      modifiersPending(1),
      field_(prepared_, prepared_.lattice, parameters, *this),
      lock(nullptr) {
    // The density path indexes the tables without a bound check: a primitive without them
    // cannot exist.
    if (!prepared_.shapingTable.setCount(kTableSize) || !prepared_.biasTable.setCount(kTableSize))
        qv::raise(qv::kOutOfMemory, "QVClassArray", 978);
    prepared_.lattice.create();

    EffectParameters& p = parameters;
    p.size = 4.0f;
    p.noiseScale = 40.0f;
    p.noiseScaleXYZ = {100.0f, 100.0f, 100.0f};
    p.noiseOffset = {0.0f, 0.0f, 0.0f};
    p.noiseRotation = {0.0f, 0.0f, 0.0f};
    p.stepJitter = 1.0f;
    p.quality = 0.2f;
    p.densityAmount = 1.0f;
    p.absorptionDistance = 1.0f;
    p.seedValue = 777.0f;
    p.detail = 2.0f;
    p.gainAmount = 0.5f;
    p.biasAmount = 0.5f;
    loadResourceText(p.densityShaderName.get(), kTextSpectralNoise);
    p.noiseType = kSpectralSum;
    loadResourceText(p.meshName.get(), kTextNone);
    p.meshOff = 1;
    p.meshFalloff = 0.1f;
    p.lightingMode = kNoShadows;
    p.shadowStrength = 1.0f;
    p.shadowDensityInfluence = 0.0f;
    copyPreset(0, p.shadowGradient);
    p.lightDirection = {0.0f, 0.0f, -1.0f};
    copyPreset(8, p.colourGradient);
    p.colourShapeFlags = 0;
    p.colourSourceMix = 0.0f;
    setFalloffPairs(p.colourShapeFalloffs, 0, 15, {0.0f, 0.5f});
    loadResourceText(p.colourShaderName.get(), kTextNone);
    p.colourFromGradient = 1;
    setFalloffPairs(p.shapeFalloffs, 0, 15, {0.0f, 0.5f});
    applyShapePreset(kBoxPreset, false, p.shapeFlags, p.shapeFalloffs);

    if (QVCountedPtr<IQVScene> scene = currentScene()) {
        const float factor = scene->sceneSizeFactor();
        if (factor > 0.0f) p.size = 4.0f * factor;
    }

    lock = new CriticalSection();
}

BrumoBase::~BrumoBase() {
    delete lock;
    lock = nullptr;
    // Both lists hold a reference per entry. Everything else goes with its member, in reverse
    // order of construction.
    for (IQVUnknown* component : parameters.dataComponents)
        if (component != nullptr) component->Release();
    parameters.dataComponents.clear();
    for (IVolumeModifier* modifier : prepared_.modifiers)
        if (modifier != nullptr) modifier->Release();
    prepared_.modifiers.clear();
}

int32_t BrumoBase::primitiveSlot8(intptr_t) { return 0; }

void BrumoBase::prepareEffect() {}

void* BrumoBase::parameterBlock() { return &parameters; }

QVResult BrumoBase::parametersChanged() {
    preparePending = 1;
    for (int32_t i = 0; i < prepared_.modifiers.count(); ++i) {
        IVolumeModifier* modifier = prepared_.modifiers[i];
        if (modifier == nullptr) continue;
        QVCountedPtr<IExDataExchanger> exchanger;
        modifier->QueryInterface(qv::IID_IExDataExchanger, exchanger.slot());
        if (exchanger) exchanger->parametersChanged();
    }
    return qv::kOk;
}

QVBox* BrumoBase::queryBounds(QVBox* box) {
    prepared_.prepareCubeBounds(parameters.size);
    if (box != nullptr) {
        box->min = {prepared_.cubeBounds.min.x, prepared_.cubeBounds.min.y, prepared_.cubeBounds.min.z};
        box->max = {prepared_.cubeBounds.max.x, prepared_.cubeBounds.max.y, prepared_.cubeBounds.max.z};
    }
    return box;
}

bool BrumoBase::geometrySlot24() { return true; }
bool BrumoBase::geometrySlot25() { return true; }

QVResult BrumoBase::volumeSlot4(intptr_t, intptr_t, intptr_t) { return qv::kNotImplemented; }

void BrumoBase::newVolumeSlot4() {}
void BrumoBase::newVolumeSlot5() {}
bool BrumoBase::newVolumeSlot7() { return false; }

QVResult BrumoBase::queryInterfaceChain(const QVGuid& iid, void** out) {
    if (iid == qv::IID_I3DExNewVolumePrimitive) return answerQuery(newVolumeInterface(), out);
    if (iid == qv::IID_IVolumePrimitive) return answerQuery(volumeInterface(), out);
    if (iid == IID_IDensitySampler) return answerQuery(densitySamplerInterface(), out);
    if (iid == IID_BrumoBase) return answerQuery(primaryUnknown(), out);
    return TBasicPrimitive::queryInterfaceChain(iid, out);
}

}  // namespace brumo
