// What a scene asks for that the module will clamp, ignore or draw as nothing. Reading a scene
// (scene_description.h) rejects what cannot be rendered at all; these are the settings that
// render, but not as the user most likely meant.
#pragma once

#include <string>
#include <vector>

#include "host/scene_file/scene_description.h"

namespace brumo::host {

struct SceneWarning {
    std::string path;         // JSON path of the setting, "effects[0].parameters.size"
    std::string value;        // the value as written, in JSON
    std::string consequence;  // what the module will do with it
    std::string advice;       // what to write instead

    // "effects[0].parameters.size: -4: the effect is empty; write a size above 0".
    std::string text() const;
};

// Every warning of the scene, effect by effect, each effect's before its modifiers'.
std::vector<SceneWarning> sceneWarnings(const SceneDescription& scene);

}  // namespace brumo::host
