// Colours and colour gradients as they appear in parameter blocks and in the records exchanged
// with the host.
#pragma once

#include "qv/class_array.h"

namespace brumo {

// Red, green, blue, alpha.
struct ColourRGBA {
    float red;
    float green;
    float blue;
    float alpha;
};

struct ColourKey {
    ColourRGBA colour;
    float position;
};

// Keys in the order they were added; not necessarily sorted by position.
using ColourGradient = QVClassArray<ColourKey>;

}  // namespace brumo
