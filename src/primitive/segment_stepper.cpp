#include "primitive/segment_stepper.h"

namespace brumo {

int32_t SegmentStepper::next(int32_t max, Vector3* points, float* lengths, bool* stops) {
    return next(max, points, lengths, stops, [](const Vector3&) { return Use::take; });
}

}  // namespace brumo
