// Exact comparisons of the module's values the suites check against: colour records, colour
// gradients key by key, and the text of a parameter block's strings; and the gradients and
// values the suites set.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <limits>
#include <string>

#include "brumo/parameter_blocks.h"
#include "host/common/text.h"
#include "primitive/colour_gradient.h"
#include "qv/scene_records.h"

namespace brumo::test {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

inline bool sameColour(const QVColourRecord& a, const QVColourRecord& b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha;
}

// Each channel within four units in the last place.
inline void expectColour(const QVColourRecord& actual, const QVColourRecord& expected) {
    EXPECT_FLOAT_EQ(actual.red, expected.red);
    EXPECT_FLOAT_EQ(actual.green, expected.green);
    EXPECT_FLOAT_EQ(actual.blue, expected.blue);
    EXPECT_FLOAT_EQ(actual.alpha, expected.alpha);
}

inline bool sameGradient(const ColourGradient& a, const ColourGradient& b) {
    if (a.count() != b.count()) return false;
    for (int32_t i = 0; i < a.count(); ++i)
        if (a[i].colour != b[i].colour || a[i].position != b[i].position) return false;
    return true;
}

// The gradient holds exactly the keys of that preset.
inline bool isPreset(const ColourGradient& gradient, int32_t preset) {
    return presetGradient(preset) != nullptr && sameGradient(gradient, *presetGradient(preset));
}

// Replaces a gradient's keys with these, in this order.
inline void setKeys(ColourGradient& gradient, std::initializer_list<ColourKey> keys) {
    gradient.setCount(0);
    for (const ColourKey& key : keys) addKey(gradient, key.colour, key.position);
}
inline void useSingleColour(ColourGradient& gradient, const ColourRGBA& colour) { setKeys(gradient, {{colour, 0.0f}}); }

inline std::string text(const EmbeddedString& s) { return host::textOf(&s.get()); }

}  // namespace brumo::test
