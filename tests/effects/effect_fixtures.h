// Helpers of the effect tests: the effect's whole block as the host sees it, modifiers attached
// as the host attaches them, and a host shader as the density source so that densities
// can be checked against exact numbers.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "brumo/class_ids.h"
#include "host/common/text.h"
#include "tests/support/comparisons.h"
#include "tests/support/host_doubles.h"
#include "tests/support/module_objects.h"
#include "tests/support/test_host.h"

namespace brumo::test {

// The block the host reads and writes, through the exchanger's own answer.
template <class Block>
Block& hostBlock(const EffectRef& effect) {
    return *static_cast<Block*>(effect->exchangerInterface()->parameterBlock());
}

// Attaches modifiers to a primitive for the length of a test, as the host does: through its
// list of attached components and the editor's report that the list changed. Detaches them
// again at the end.
class ModifierList {
public:
    explicit ModifierList(const EffectRef& effect) : effect_(effect) {}
    ~ModifierList() {
        list_.attached.clear();
        report();
    }
    void add(IVolumeModifier* modifier) {
        list_.attached.push_back(modifier);
        report();
    }

private:
    // The primitive collects the list at its next call: one that samples nothing.
    void report() {
        ASSERT_EQ(reportComponentChange(effect_->exchangerInterface(), &list_), qv::kHandled);
        ASSERT_EQ(effect_->densitySamplerInterface()->sampleMany(0, nullptr, nullptr, nullptr, nullptr), qv::kOk);
    }

    const EffectRef& effect_;
    FakeComponentList list_;
};

// Makes a scene shader of the value given (0 to 1 is the noise field after gain and bias) an
// effect's density source, for as long as it lives. The effect still has to be prepared or
// to refresh its shaders.
class DensityShader : public SceneShader {
public:
    DensityShader(const EffectRef& effect, const std::string& name, float value = 0.0f) : SceneShader(name, value) {
        host::setText(&effect.block().densityShaderName.get(), name);
        effect.block().noiseType = 0;
    }
};

}  // namespace brumo::test
