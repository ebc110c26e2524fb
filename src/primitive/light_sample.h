// One light as the shadow grid sees it.
#pragma once

#include <cstdint>

#include "brumo/colour.h"
#include "math/vector3.h"

namespace brumo {

struct LightSample {
    uint8_t enabled;
    Vector3 position;   // unused; (0, 0, 0) for the fixed light
    Vector3 direction;  // the direction the light travels, into the scene
    ColourRGBA colour;  // only red, green and blue are used
};

}  // namespace brumo
