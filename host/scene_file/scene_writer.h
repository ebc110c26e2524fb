// A scene description back to the JSON of a scene file: what readScene reads from the result
// is the same scene, so a saved scene renders as the one it was saved from. Every value is
// written out, defaults included; parameters are written by field name (mesh shaping and
// lighting as the fields they set), animated ones as {"from", "to"}.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "host/scene_file/scene_description.h"

namespace brumo::host {

// The scene as JSON. OBJ paths are written relative to the folder of `file` when it is given
// (where the JSON will be saved), otherwise as absolute paths.
nlohmann::json writeScene(const SceneDescription& scene, const std::string& file = "");

// A component described by what its block holds now: every field but the list of attached
// components, and but empty colour gradients and unprintable codes, which a scene file cannot
// hold. With it a host writes down components it has edited.
ComponentDescription describeBlock(const ParameterTable& table, const QVGuid& classId, const void* block);

// Writes the scene to path, indented, through a temporary file renamed into place. Throws
// SceneFileError naming the path when it cannot be written; the target is then untouched.
void saveSceneFile(const SceneDescription& scene, const std::string& path);

}  // namespace brumo::host
