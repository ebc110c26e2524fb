// Helpers of the effect tests: the effect's whole block as the host sees it, modifiers put
// straight into a primitive's list, and a host shader as the density source so that densities
// can be checked against exact numbers.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "brumo/class_ids.h"
#include "host/common/text.h"
#include "primitive/brumo_base.h"
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

// Puts modifiers into a primitive's list for the length of a test (each entry holds a
// reference) and empties the list again.
class ModifierList {
public:
    explicit ModifierList(BrumoBase* base) : base_(base) {}
    ~ModifierList() {
        for (IVolumeModifier* modifier : base_->modifiers) modifier->Release();
        base_->modifiers.clear();
    }
    void add(IVolumeModifier* modifier) {
        modifier->AddRef();
        ASSERT_TRUE(base_->modifiers.append(modifier));
    }

private:
    BrumoBase* base_;
};

// Makes a scene shader of the value given (0 to 1 is the noise field after gain and bias) an
// effect's density source, for as long as it lives. The effect still has to be prepared or
// to refresh its shaders.
class DensityShader : public SceneShader {
public:
    DensityShader(BrumoBase* effect, const std::string& name, float value = 0.0f) : SceneShader(name, value) {
        host::setText(&effect->block().densityShaderName.get(), name);
        effect->block().noiseType = 0;
    }
};

}  // namespace brumo::test
