#include "modifiers/bend_modifier.h"

namespace brumo {

// bendSecond defaults to 0: the point operation reads neither angle, and 0 is the neutral value
// of a second bend, so a block the host stores or copies holds a defined number instead of
// whatever the memory held.
BendModifier::BendModifier()
    : TQVComponent<BendModifier, BasicVolumeModifier>(&parameters, sizeof(BendParameters)),
      parameters{3.1415927f, 0.0f, 0.0f, 1.0f, kAxisZ},
      factor(0.0f) {}

void BendModifier::updateCache() {
    updateAxis(parameters.axis);
    range.set(parameters.start, parameters.end);
    factor = 2.0f;
    needsUpdate = false;
}

void BendModifier::deformPoint(const Vector3& in, Vector3& out) {
    if (needsUpdate) updateCache();
    out = in;
}

}  // namespace brumo
