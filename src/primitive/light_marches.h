// The slices of a shadow grid, each row of points lit by a primitive's light marches together.
#pragma once

#include <cstdint>

#include "primitive/shadow_grid.h"

namespace brumo {

class BrumoBase;

// Fills slices; the progress bar is the grid build's (advance).
class LightMarchSlices : public ShadowSliceSource {
public:
    explicit LightMarchSlices(BrumoBase& primitive) : primitive_(primitive) {}
    void fillSlice(int32_t k, int32_t r, float* values) final;

protected:
    ~LightMarchSlices() = default;

private:
    BrumoBase& primitive_;
};

}  // namespace brumo
