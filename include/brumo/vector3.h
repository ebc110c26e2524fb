// The single-precision vector of the module's records: points, directions, per-axis scales.
#pragma once

namespace brumo {

struct Vector3 {
    float x;
    float y;
    float z;

    float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
    float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
};

}  // namespace brumo
