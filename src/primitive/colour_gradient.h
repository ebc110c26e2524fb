// Colour gradients: colour keys at positions, evaluated by linear interpolation between the
// nearest keys on either side, and the module's table of thirteen preset gradients.
#pragma once

#include <cstdint>

#include "brumo/colour.h"

namespace brumo {

inline ColourRGBA operator+(const ColourRGBA& a, const ColourRGBA& b) {
    return {a.red + b.red, a.green + b.green, a.blue + b.blue, a.alpha + b.alpha};
}
inline ColourRGBA operator-(const ColourRGBA& a, const ColourRGBA& b) {
    return {a.red - b.red, a.green - b.green, a.blue - b.blue, a.alpha - b.alpha};
}
inline ColourRGBA operator*(const ColourRGBA& c, float s) {
    return {c.red * s, c.green * s, c.blue * s, c.alpha * s};
}
inline bool operator==(const ColourRGBA& a, const ColourRGBA& b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha;
}
inline bool operator!=(const ColourRGBA& a, const ColourRGBA& b) { return !(a == b); }

constexpr int32_t kPresetGradientCount = 13;

// Colour at x: clamped to the end keys outside the key range, linear between keys, and
// (0, 0, 0, 1) for a gradient without keys. Independent of the keys' storage order.
ColourRGBA evaluate(const ColourGradient& gradient, float x);

// Appends a key and answers its index, or -1 when a key already sits at that position (or the
// storage cannot grow).
int32_t addKey(ColourGradient& gradient, const ColourRGBA& colour, float position);

// Index of the key nearest to x among the keys within tolerance (and closer than 1), or -1.
int32_t findKey(const ColourGradient& gradient, float x, float tolerance);

// Builds the preset table unless it exists already. Every allocation goes through the memory
// service; when one fails the table stays absent.
void createPresetGradients();
void destroyPresetGradients();

// Preset `index`, or null when the table is absent or the index is outside it.
const ColourGradient* presetGradient(int32_t index);

// Copies preset `index` into the destination. Without the table (or for a bad index, or when
// the destination cannot grow) the destination is left as it was and the answer is false.
bool copyPreset(int32_t index, ColourGradient& destination);

}  // namespace brumo
