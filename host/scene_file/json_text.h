// Scene text to JSON. Whatever the text holds, the only failure is a SceneFileError naming the
// file, the JSON path of the value being read and the line.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace brumo::host {

nlohmann::json parseJsonText(const std::string& text, const std::string& file);

}  // namespace brumo::host
