// Helpers of the bake tests: effects built from scene text through the statically linked module,
// as the CLI builds them, and their interfaces.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "brumo/density_sampler.h"
#include "host/common/host_object.h"
#include "host/scene_file/scene_builder.h"
#include "host/scene_file/scene_description.h"
#include "qv/class_factory.h"
#include "qv/entry_points.h"
#include "qv/volume_primitive.h"
#include "tests/support/module_objects.h"
#include "tests/support/test_host.h"

namespace brumo::test {

// The first effect of a scene given as JSON text.
inline host::BuiltEffect buildFirstEffect(const std::string& sceneText) {
    const host::SceneDescription scene = host::readSceneText(sceneText, "test.json");
    return host::buildEffect(scene.effects.at(0), 0.0, createFromModule);
}

template <class Interface>
host::Ref<Interface> interfaceOf(const host::BuiltEffect& effect, const QVGuid& iid) {
    host::Ref<Interface> answer;
    effect.effect.object->QueryInterface(iid, reinterpret_cast<void**>(answer.slot()));
    return answer;
}

inline host::Ref<IDensitySampler> samplerOf(const host::BuiltEffect& effect) {
    return interfaceOf<IDensitySampler>(effect, IID_IDensitySampler);
}

}  // namespace brumo::test
