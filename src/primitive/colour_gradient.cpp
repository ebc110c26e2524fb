#include "primitive/colour_gradient.h"

#include <cmath>
#include <new>

#include "primitive/march_one_lane.h"
#include "qv/memory.h"

namespace brumo {

ColourRGBA evaluate(const ColourGradient& gradient, float x) {
    using namespace march_one_lane;
    VF colour[4];
    coloursKernel({}, gradient, {x}, colour);
    return {colour[0].raw, colour[1].raw, colour[2].raw, colour[3].raw};
}

int32_t findKey(const ColourGradient& gradient, float x, float tolerance) {
    float best = 1.0f;
    int32_t result = -1;
    for (int32_t i = 0; i < gradient.count(); ++i) {
        const float distance = std::fabs(x - gradient[i].position);
        if (distance <= tolerance && distance < best) {
            result = i;
            best = distance;
        }
    }
    return result;
}

int32_t addKey(ColourGradient& gradient, const ColourRGBA& colour, float position) {
    if (findKey(gradient, position, 0.0f) >= 0) return -1;
    if (!gradient.append(ColourKey{colour, position})) return -1;
    return gradient.count() - 1;
}

namespace {

using PresetTable = QVClassArray<ColourGradient>;

PresetTable* presetGradients = nullptr;

// One preset key: position and 8-bit red, green, blue.
struct PresetKey {
    float position;
    int red;
    int green;
    int blue;
};

struct PresetRow {
    const PresetKey* keys;
    int32_t count;
};

constexpr PresetKey kPreset0[] = {{0.0f, 0, 0, 0}, {1.0f, 0, 0, 0}};
constexpr PresetKey kPreset1[] = {{0.0f, 255, 255, 255}, {1.0f, 255, 255, 255}};
constexpr PresetKey kPreset2[] = {{0.07f, 255, 168, 51}, {0.41f, 255, 218, 1}, {0.75f, 255, 255, 253}};
constexpr PresetKey kPreset3[] = {
    {0.0f, 255, 186, 76}, {0.16f, 255, 249, 76}, {0.4f, 255, 242, 166}, {0.75f, 255, 255, 253}};
constexpr PresetKey kPreset4[] = {{0.15f, 3, 3, 3},      {0.32f, 165, 148, 141}, {0.43f, 255, 88, 26},
                                  {0.67f, 255, 175, 24}, {0.8f, 255, 253, 24},   {0.92f, 255, 255, 248},
                                  {1.0f, 13, 22, 255}};
constexpr PresetKey kPreset5[] = {{0.0f, 213, 212, 210},
                                  {0.16f, 255, 158, 16},
                                  {0.38f, 238, 192, 123},
                                  {0.54f, 255, 254, 253},
                                  {1.0f, 97, 97, 180}};
constexpr PresetKey kPreset6[] = {{0.0f, 55, 52, 2},       {0.2f, 117, 117, 117}, {0.29f, 146, 103, 103},
                                  {0.46f, 254, 255, 255},  {0.61f, 255, 166, 50}, {0.75f, 250, 253, 151},
                                  {0.9f, 255, 255, 252}};
constexpr PresetKey kPreset7[] = {{0.0f, 117, 117, 117},  {0.07f, 146, 103, 103}, {0.23f, 254, 255, 255},
                                  {0.38f, 255, 166, 50},  {0.51f, 250, 254, 151}, {0.74f, 255, 255, 254},
                                  {1.0f, 229, 225, 255}};
// Preset 8's first key is given as floats; it is added separately below.
constexpr PresetKey kPreset8[] = {{1.0f, 255, 255, 255}};
constexpr PresetKey kPreset9[] = {{0.42f, 183, 255, 44}, {0.52f, 56, 56, 25}, {1.0f, 23, 23, 51}};
constexpr PresetKey kPreset10[] = {{0.0f, 0, 0, 0}, {0.5f, 157, 145, 124}, {1.0f, 206, 195, 176}};
constexpr PresetKey kPreset11[] = {{0.0f, 170, 180, 198}, {0.5f, 89, 107, 141}, {1.0f, 64, 82, 126}};
constexpr PresetKey kPreset12[] = {
    {0.0f, 253, 90, 89}, {0.34f, 255, 181, 97}, {0.7f, 255, 248, 169}, {1.0f, 255, 254, 241}};

template <int32_t N>
constexpr PresetRow row(const PresetKey (&keys)[N]) {
    return {keys, N};
}

constexpr PresetRow kPresetRows[kPresetGradientCount] = {
    row(kPreset0), row(kPreset1), row(kPreset2),  row(kPreset3),  row(kPreset4),
    row(kPreset5), row(kPreset6), row(kPreset7),  row(kPreset8),  row(kPreset9),
    row(kPreset10), row(kPreset11), row(kPreset12)};

float channel(int value) { return static_cast<float>(value) / 255.0f; }

bool fillPreset(int32_t index, ColourGradient& gradient) {
    if (index == 8 && addKey(gradient, ColourRGBA{0.5f, 0.4f, 0.4f, 0.0f}, 0.0f) < 0) return false;
    const PresetRow& presetRow = kPresetRows[index];
    for (int32_t i = 0; i < presetRow.count; ++i) {
        const PresetKey& key = presetRow.keys[i];
        const ColourRGBA colour{channel(key.red), channel(key.green), channel(key.blue), 0.0f};
        if (addKey(gradient, colour, key.position) < 0) return false;
    }
    return true;
}

}  // namespace

void createPresetGradients() {
    if (presetGradients != nullptr) return;
    void* memory = qv::allocateObject(sizeof(PresetTable));
    if (memory == nullptr) return;
    PresetTable* table = new (memory) PresetTable();
    bool built = table->setCount(kPresetGradientCount);
    for (int32_t i = 0; built && i < kPresetGradientCount; ++i) built = fillPreset(i, (*table)[i]);
    if (!built) {
        // A half-built table would hand out wrong colours; without one, gradients keep theirs.
        table->~PresetTable();
        qv::freeObject(memory);
        return;
    }
    presetGradients = table;
}

void destroyPresetGradients() {
    if (presetGradients == nullptr) return;
    presetGradients->~PresetTable();
    qv::freeObject(presetGradients);
    presetGradients = nullptr;
}

const ColourGradient* presetGradient(int32_t index) {
    if (presetGradients == nullptr || index < 0 || index >= presetGradients->count()) return nullptr;
    return &(*presetGradients)[index];
}

bool copyPreset(int32_t index, ColourGradient& destination) {
    const ColourGradient* preset = presetGradient(index);
    if (preset == nullptr) return false;
    return destination.assign(*preset);
}

}  // namespace brumo
