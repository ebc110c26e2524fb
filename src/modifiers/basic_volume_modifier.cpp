#include "modifiers/basic_volume_modifier.h"

#include <cstring>

#include "brumo/class_ids.h"
#include "frame/grid_inputs.h"
#include "qv/exception.h"

namespace brumo {

BasicVolumeModifier::BasicVolumeModifier(void* block, int32_t blockSize)
    : needsUpdate(true),
      mainAxis(2),
      firstCrossAxis(0),
      secondCrossAxis(1),
      block_(block),
      blockSize_(blockSize) {
    // The concrete class sets every field; its padding stays zero, so that equal values give
    // equal bytes.
    std::memset(block, 0, static_cast<size_t>(blockSize));
}

void BasicVolumeModifier::deformPoint(const Vector3&, Vector3&) { qv::raise(qv::kMissingOperation); }

void* BasicVolumeModifier::parameterBlock() { return block_; }

QVResult BasicVolumeModifier::parametersChanged() {
    needsUpdate = true;
    return qv::kOk;
}

int32_t BasicVolumeModifier::parameterBlockSize() { return blockSize_; }

void BasicVolumeModifier::deformPoints(int32_t count, const Vector3* in, Vector3* out) {
    for (int32_t i = 0; i < count; ++i) {
        out[i] = in[i];
        deformPoint(in[i], out[i]);
    }
}

bool BasicVolumeModifier::addInputs(GridInputs& inputs) const {
    inputs.addBytes(block_, blockSize_);
    inputs.add(static_cast<uint32_t>(needsUpdate));
    inputs.add(mainAxis);
    inputs.add(firstCrossAxis);
    inputs.add(secondCrossAxis);
    return true;
}

QVResult BasicVolumeModifier::queryInterfaceChain(const QVGuid& iid, void** out) {
    if (iid == IID_IVolumeModifier || iid == IID_BasicVolumeModifier)
        return answerQuery(modifierInterface(), out);
    return TBasicDataComponent<IVolumeModifier>::queryInterfaceChain(iid, out);
}

void BasicVolumeModifier::updateAxis(uint32_t code) {
    if (code == kAxisX) {
        mainAxis = 0;
        firstCrossAxis = 1;
        secondCrossAxis = 2;
    } else if (code == kAxisY) {
        mainAxis = 1;
        firstCrossAxis = 2;
        secondCrossAxis = 0;
    } else if (code == kAxisZ) {
        mainAxis = 2;
        firstCrossAxis = 0;
        secondCrossAxis = 1;
    }
}

}  // namespace brumo
