// Helpers of the Clouds, Fire and RisingSmoke tests: the effect's whole block as the host sees
// it, gradient comparison, and a constant noise field from a host shader so that densities can
// be checked against exact numbers.
#pragma once

#include <string>

#include "effects_doubles.h"
#include "primitive/colour_gradient.h"
#include "tests/support/test_host.h"

namespace brumo::test {

// The block the host reads and writes, through the exchanger's own answer.
template <class Block>
Block& hostBlock(const EffectRef& effect) {
    return *static_cast<Block*>(effect->exchangerInterface()->parameterBlock());
}

inline bool sameGradient(const ColourGradient& a, const ColourGradient& b) {
    if (a.count() != b.count()) return false;
    for (int32_t i = 0; i < a.count(); ++i)
        if (a[i].colour != b[i].colour || a[i].position != b[i].position) return false;
    return true;
}

inline bool isPreset(const ColourGradient& gradient, int32_t preset) {
    return presetGradient(preset) != nullptr && sameGradient(gradient, *presetGradient(preset));
}

inline std::string text(const EmbeddedString& s) { return host::textOf(&s.get()); }

// Makes an effect's noise field the constant `value` (after gain and bias) through a host
// density shader, for as long as it lives. The effect still has to be prepared.
class ConstantNoise {
public:
    ConstantNoise(BrumoBase* effect, float value, const std::string& name)
        : shader_(host::Ref<ValueShader>::adopt(new ValueShader(name))) {
        shader_->value = value;
        host().scene().addShader(shader_.get());
        host::setText(&effect->block().densityShaderName.get(), name);
        effect->block().noiseType = 0;
    }
    ~ConstantNoise() { host().scene().removeShader(shader_->name); }
    ConstantNoise(const ConstantNoise&) = delete;
    ConstantNoise& operator=(const ConstantNoise&) = delete;

private:
    host::Ref<ValueShader> shader_;
};

}  // namespace brumo::test
