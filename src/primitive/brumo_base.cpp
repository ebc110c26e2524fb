#include "primitive/brumo_base.h"

#include "brumo/class_ids.h"
#include "brumo/volume_modifier.h"
#include "brumo/resource_texts.h"
#include "frame/host_scene.h"
#include "frame/module_state.h"
#include "frame/panel_controls.h"
#include "primitive/colour_gradient.h"
#include "primitive/shape_presets.h"
#include "qv/exception.h"
#include "qv/host_editor.h"
#include "qv/memory.h"

namespace brumo {

namespace {

constexpr int32_t kTableSize = 10000;

// Bit of the check box `id` in `bank`, or -1.
int checkBoxBit(const CheckBoxBank& bank, uint32_t id) {
    for (int bit = 0; bit < 16; ++bit)
        if (bank[bit] == id) return bit;
    return -1;
}

// Flips one bit of a flag word from a check box's value.
void applyCheckBox(IMFPart* part, int bit, uint32_t& flags) {
    bool checked = false;
    part->getValue(&checked, qv::kValueBool);
    const uint32_t mask = 1u << bit;
    if (checked)
        flags |= mask;
    else
        flags &= ~mask;
}

// Applies the preset the popup names and sets the popup back to "no selection".
void applyPresetPopup(IMFPart* part, bool colourBank, uint32_t& flags, FalloffPair (&falloffs)[16]) {
    int32_t code = -1;
    part->getValue(&code, qv::kValueInt32);
    applyShapePreset(static_cast<uint32_t>(code), colourBank, flags, falloffs);
    const int32_t none = static_cast<int32_t>(kNoPreset);
    part->setValue(&none, qv::kValueInt32, 0, 0);
}

}  // namespace

BrumoBase::BrumoBase()
    : preparePending(1),
      reseedPending(1),
      modifiersPending(1),
      lastShadingPoint(kZeroVector),
      field_(*this, lattice, parameters, *this),
      lock(nullptr) {
    // The density path indexes the tables without a bound check: a primitive without them
    // cannot exist.
    if (!gainTable.setCount(kTableSize) || !biasTable.setCount(kTableSize))
        qv::raise(qv::kOutOfMemory, "QVClassArray", 978);
    lattice.create();

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
    for (IVolumeModifier* modifier : modifiers)
        if (modifier != nullptr) modifier->Release();
    modifiers.clear();
}

int32_t BrumoBase::primitiveSlot8(intptr_t) { return 0; }

void BrumoBase::prepareEffect() {}

void* BrumoBase::parameterBlock() { return &parameters; }

QVResult BrumoBase::parametersChanged() {
    preparePending = 1;
    for (int32_t i = 0; i < modifiers.count(); ++i) {
        IVolumeModifier* modifier = modifiers[i];
        if (modifier == nullptr) continue;
        QVCountedPtr<IExDataExchanger> exchanger;
        modifier->QueryInterface(qv::IID_IExDataExchanger, exchanger.slot());
        if (exchanger) exchanger->parametersChanged();
    }
    return qv::kOk;
}

QVResult BrumoBase::handleEvent(int32_t kind, IQVUnknown* source, void* data) {
    EffectParameters& p = parameters;
    if (kind == qv::kControlChanged && source != nullptr) {
        QVCountedPtr<IMFPart> part;
        source->QueryInterface(qv::IID_IMFPart, part.slot());
        if (part) {
            const uint32_t id = part->partId();
            int bit = -1;
            if ((bit = checkBoxBit(kDensityCheckBoxes, id)) >= 0) {
                applyCheckBox(part.get(), bit, p.shapeFlags);
            } else if ((bit = checkBoxBit(kColourCheckBoxes, id)) >= 0) {
                applyCheckBox(part.get(), bit, p.colourShapeFlags);
            } else if (id == kDensityPresetPopup) {
                applyPresetPopup(part.get(), false, p.shapeFlags, p.shapeFalloffs);
            } else if (id == kColourPresetPopup) {
                applyPresetPopup(part.get(), true, p.colourShapeFlags, p.colourShapeFalloffs);
            } else if (id == kSeedButton) {
                if (IQVUtilityService* utility = utilityService())
                    p.seedValue = static_cast<float>(utility->nextRandom());
                reseedPending = 1;
            } else if (id == kComponentsControl) {
                // The record is ours whatever it says: release its reference and free it.
                auto* record = static_cast<QVComponentChangeRecord*>(data);
                if (record != nullptr) {
                    IMFComponentList* list = record->list;
                    record->list = nullptr;
                    if (list != nullptr && record->kind >= qv::kComponentAttached &&
                        record->kind <= qv::kComponentMoved) {
                        list->componentListSlot9(&p.dataComponents);
                        modifiersPending = 1;
                    }
                    if (list != nullptr) list->Release();
                    qv::freeBlock(record);
                    return qv::kHandled;
                }
            }
        }
    } else if (kind == qv::kComponentListChanged && source != nullptr) {
        QVCountedPtr<IMFComponentList> list;
        source->QueryInterface(qv::IID_IMFComponentList, list.slot());
        if (list) list->componentListSlot8(&p.dataComponents);
    }
    TBasicDataExchanger::handleEvent(kind, source, data);
    return qv::kHandled;
}

QVBox* BrumoBase::queryBounds(QVBox* box) {
    prepareCubeBounds(parameters.size);
    if (box != nullptr) {
        box->min = {cubeBounds.min.x, cubeBounds.min.y, cubeBounds.min.z};
        box->max = {cubeBounds.max.x, cubeBounds.max.y, cubeBounds.max.z};
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
