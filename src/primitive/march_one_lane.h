// The march's shading kernels in one lane, inline wherever one sample takes them: the same code
// as the vector lanes of march_lanes.cpp, so a sample gives the same bits either way.
#pragma once

#include <cstdint>

#include "brumo/colour.h"
#include "math/one_lane.h"
#include "math/vector3.h"
#include "primitive/march_lanes.h"

namespace brumo {
namespace march_one_lane {

namespace hn = one_lane;
#include "math/lane_types-inl.h"

// One lane: the two neighbours are two plain reads.
BRUMO_KERNEL_INLINE void xNeighbours(DF, const float* values, VI at, VF& a, VF& b) {
    a = {values[at.raw]};
    b = {values[at.raw + 1]};
}

// One lane: a pointer to the key, and a branch, which the march's slowly changing positions
// predict well.
class PickedKey {
public:
    PickedKey(DF, const ColourKey& key) : key_(&key), at_{key.position} {}
    VF position() const { return at_; }
    VF channel(int c) const { return {(&key_->colour.red)[c]}; }
    void take(DF, MF mask, const ColourKey& key, VF p) {
        if (mask.raw) {
            key_ = &key;
            at_ = p;
        }
    }

private:
    const ColourKey* key_;
    VF at_;
};

#include "primitive/colour_gradient_kernels-inl.h"
#include "primitive/shadow_grid_kernels-inl.h"
#include "primitive/march_kernels-inl.h"

}  // namespace march_one_lane
}  // namespace brumo
