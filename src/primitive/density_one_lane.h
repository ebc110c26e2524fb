// The density kernels in one lane, inline wherever a single point takes them: the same code as
// the vector lanes of density_lanes.cpp, so a point gives the same bits either way.
#pragma once

#include <cstdint>

#include "brumo/parameter_codes.h"
#include "math/one_lane.h"
#include "primitive/density_lanes.h"
#include "primitive/prepared_volume.h"

namespace brumo {
namespace density_one_lane {

namespace hn = one_lane;
#include "math/lane_types-inl.h"
#include "math/shaping_kernels-inl.h"
#include "primitive/density_kernels-inl.h"

}  // namespace density_one_lane
}  // namespace brumo
