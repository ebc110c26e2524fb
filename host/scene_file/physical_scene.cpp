#include "host/scene_file/physical_scene.h"

#include <cmath>

namespace brumo::host {

std::vector<PhysicalEffect> physicalEffects(const SceneDescription& scene,
                                            const std::vector<std::vector<BuiltEffect>>& copies) {
    std::vector<PhysicalEffect> effects(scene.effects.size());
    for (size_t e = 0; e < effects.size(); ++e) {
        PhysicalEffect& effect = effects[e];
        effect.medium = scene.effects[e].medium;
        for (const std::vector<BuiltEffect>& set : copies) effect.copies.push_back(set.at(e).effect.object.get());
        const BuiltEffect& built = copies.at(0).at(e);
        effect.transform = built.transform;
        effect.extinction = effect.medium.extinctionScale *
                           marchExtinction(built.parameter("size"), built.parameter("densityAmount"),
                                           built.parameter("absorptionDistance"));
    }
    return effects;
}

std::vector<PhysicalLight> physicalLights(const SceneDescription& scene) {
    std::vector<PhysicalLight> lights;
    for (const LightDescription& description : scene.lights) {
        PhysicalLight light;
        light.colour = {description.colour.red, description.colour.green, description.colour.blue};
        light.vector = description.vector;
        if (description.kind == LightDescription::Kind::point) {
            light.kind = PhysicalLight::Kind::point;
        } else {
            const QVVector3& v = description.vector;
            const float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
            light.vector = {v.x / l, v.y / l, v.z / l};
        }
        lights.push_back(light);
    }
    return lights;
}

}  // namespace brumo::host
