// The settings of a scene file that are the host's rather than the module's: the image, the
// camera, lights, shaders, meshes and the keys of an effect entry. The reader accepts exactly
// these keys; `brumo info` and docs/parameters.md list them with the field tables.
#pragma once

#include <string>
#include <vector>

namespace brumo::host {

struct SettingInfo {
    const char* key;
    const char* kind;  // "number", "[x, y, z]", "[r, g, b(, a)]", "string", ...
    const char* meaning;
    const char* unit;
    const char* defaultText;
};

struct SettingTable {
    const char* name;  // "camera", "shader of type \"checker\""
    const char* where;  // JSON path of the object: "camera", "shaders[]"
    std::vector<SettingInfo> settings;
};

// Every table, in the order of a scene file.
const std::vector<SettingTable>& sceneSettingTables();
// The table by name, or null.
const SettingTable* findSettingTable(const std::string& name);
// Its keys, for checking an object of the scene.
std::vector<std::string> settingKeys(const std::string& tableName);

}  // namespace brumo::host
