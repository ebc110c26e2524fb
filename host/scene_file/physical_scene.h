// A scene's effects and lights as the physical integrator takes them.
#pragma once

#include <vector>

#include "host/render/physical/physical_renderer.h"
#include "host/scene_file/scene_builder.h"

namespace brumo::host {

// copies[t][e]: thread t's copy of effect e, all threads holding the scene's effects in order.
std::vector<PhysicalEffect> physicalEffects(const SceneDescription& scene,
                                            const std::vector<std::vector<BuiltEffect>>& copies);

std::vector<PhysicalLight> physicalLights(const SceneDescription& scene);

}  // namespace brumo::host
