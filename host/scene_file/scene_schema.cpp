#include "host/scene_file/scene_schema.h"

namespace brumo::host {

namespace {

const char* const kColour = "[r, g, b] or [r, g, b, a]";
const char* const kVector = "[x, y, z]";

std::vector<SettingTable> makeTables() {
    return {
        {"scene", "",
         {{"description", "string", "a note for people; not read", "", ""},
          {"image", "object", "size of the rendered image", "", ""},
          {"background", kColour, "colour behind the effects", "", "[0.02, 0.03, 0.06, 1]"},
          {"camera", "object", "the view", "", ""},
          {"frames", "[first, last]", "frame range of an animated scene", "frames", "[1, 1]"},
          {"lights", "list", "lights of the scene", "", "none"},
          {"shaders", "list", "host shaders effects can name", "", "the four built-in ones"},
          {"meshes", "list", "meshes effects can fill", "", "none"},
          {"effects", "list", "the effects to render", "", "none"},
          {"integrator", "\"march\" or \"physical\"", "the module's own lighting, or the host's physically based one", "", "\"march\""},
          {"physical", "object", "sky and multiple scattering of the physical integrator", "", ""}}},
        {"image", "image",
         {{"width", "whole number 1 to 65536", "image width", "pixels", "320"},
          {"height", "whole number 1 to 65536", "image height", "pixels", "240"},
          {"view", "\"filmic\" or \"standard\"", "how PNG output maps light to pixels: filmic rolls highlights off, standard clips at 1", "", "\"filmic\""},
          {"exposure", "number -64 to 64", "brightness of PNG output", "stops", "0"}}},
        {"camera", "camera",
         {{"type", "\"pinhole\" or \"orthographic\"", "projection", "", "\"pinhole\""},
          {"position", kVector, "where the camera stands", "scene units", "[0, -20, 0]"},
          {"lookAt", kVector, "the point in the middle of the image", "scene units", "[0, 0, 0]"},
          {"up", kVector, "the direction that is up in the image", "", "[0, 0, 1]"},
          {"fov", "number above 0 up to 179", "vertical field of view (pinhole); also \"fieldOfView\"", "degrees", "40"},
          {"width", "number above 0", "width of the view (orthographic)", "scene units", "12"}}},
        {"light", "lights[]",
         {{"type", "\"distant\" or \"point\"", "distant lights light and shadow the effects; point lights do not", "", "\"distant\""},
          {"direction", kVector, "direction a distant light travels in", "", "[0, 0, -1]"},
          {"position", kVector, "where a point light stands", "scene units", "[0, 0, 0]"},
          {"colour", kColour, "colour and strength of the light", "", "[1, 1, 1, 1]"}}},
        {"effect", "effects[]",
         {{"type", "\"clouds\", \"fire\", \"risingSmoke\" or \"smog\"", "the effect", "", ""},
          {"name", "string", "name in messages and baked grids", "", "the class name"},
          {"description", "string", "a note for people; not read", "", ""},
          {"translate", kVector, "position of the effect's centre", "scene units", "[0, 0, 0]"},
          {"rotate", kVector, "rotation about x, then y, then z", "degrees", "[0, 0, 0]"},
          {"scale", "number or [x, y, z]", "scale of the effect's cube, not zero", "", "1"},
          {"parameters", "object", "the module's parameters by name (see the class tables)", "", ""},
          {"modifiers", "list", "modifiers, by type or as {\"type\", \"parameters\"}, in order", "", "none"},
          {"mesh", "name or {\"object\", \"falloff\"}", "fill a mesh of \"meshes\" instead of the cube", "", "none"},
          {"lighting", "\"off\", \"fixed\", \"scene\" or {\"mode\", \"direction\"}", "sets lightingMode and lightDirection", "", ""},
          {"medium", "object", "albedo, phase and extinction under the physical integrator", "", ""}}},
        {"modifier", "effects[].modifiers[]",
         {{"type", "a modifier's name, such as \"twist\"", "the modifier", "", ""},
          {"name", "string", "a note for people; not read", "", ""},
          {"description", "string", "a note for people; not read", "", ""},
          {"parameters", "object", "the modifier's parameters by name", "", ""}}},
        {"constant shader", "shaders[] of type \"constant\"",
         {{"type", "\"constant\"", "one colour everywhere", "", ""},
          {"name", "string", "the name effects use", "", ""},
          {"colour", kColour, "the colour", "", "[0.5, 0.5, 0.5, 1]"},
          {"value", "number", "the value as a density source (negative: the colour's luminance)", "", "-1"}}},
        {"checker shader", "shaders[] of type \"checker\"",
         {{"type", "\"checker\"", "a 3-D checker", "", ""},
          {"name", "string", "the name effects use", "", ""},
          {"cellSize", "number above 0", "edge of one cell", "cube units", "0.5"},
          {"first", kColour, "colour of the first cells", "", "[0, 0, 0, 1]"},
          {"second", kColour, "colour of the second cells", "", "[1, 1, 1, 1]"}}},
        {"height gradient shader", "shaders[] of type \"heightGradient\"",
         {{"type", "\"heightGradient\"", "a colour ramp along z", "", ""},
          {"name", "string", "the name effects use", "", ""},
          {"low", "number below high", "height of the bottom colour", "cube units", "-1"},
          {"high", "number above low", "height of the top colour", "cube units", "1"},
          {"bottom", kColour, "colour at low", "", "[0, 0, 0.2, 1]"},
          {"top", kColour, "colour at high", "", "[1, 1, 1, 1]"}}},
        {"noise shader", "shaders[] of type \"noise\"",
         {{"type", "\"noise\"", "fractal noise between two colours", "", ""},
          {"name", "string", "the name effects use", "", ""},
          {"featureSize", "number above 0", "size of the noise's features", "cube units", "0.5"},
          {"octaves", "whole number 1 to 16", "layers of finer noise", "", "4"},
          {"seed", "whole number 0 to 4294967295", "seed of the pattern", "", "1"},
          {"low", kColour, "colour where the noise is lowest", "", "[0, 0, 0, 1]"},
          {"high", kColour, "colour where the noise is highest", "", "[1, 1, 1, 1]"}}},
        {"obj mesh", "meshes[] of type \"obj\"",
         {{"type", "\"obj\"", "a triangle mesh from a Wavefront OBJ file", "", ""},
          {"name", "string", "the name effects use", "", ""},
          {"path", "string", "the OBJ file, relative to the scene file", "", ""}}},
        {"sphere mesh", "meshes[] of type \"sphere\"",
         {{"type", "\"sphere\"", "a sphere", "", ""},
          {"name", "string", "the name effects use", "", ""},
          {"radius", "number above 0", "its radius", "scene units", "1"}}},
        {"box mesh", "meshes[] of type \"box\"",
         {{"type", "\"box\"", "a box", "", ""},
          {"name", "string", "the name effects use", "", ""},
          {"halfExtent", "number or [x, y, z], above 0", "half its edges", "scene units", "1"}}},
        {"torus mesh", "meshes[] of type \"torus\"",
         {{"type", "\"torus\"", "a ring about z", "", ""},
          {"name", "string", "the name effects use", "", ""},
          {"majorRadius", "number above 0", "radius of the ring", "scene units", "1"},
          {"minorRadius", "number above 0", "radius of the tube", "scene units", "0.4"}}},
    };
}

}  // namespace

const std::vector<SettingTable>& sceneSettingTables() {
    static const std::vector<SettingTable> tables = makeTables();
    return tables;
}

const SettingTable* findSettingTable(const std::string& name) {
    for (const SettingTable& table : sceneSettingTables())
        if (name == table.name) return &table;
    return nullptr;
}

std::vector<std::string> settingKeys(const std::string& tableName) {
    std::vector<std::string> keys;
    if (const SettingTable* table = findSettingTable(tableName))
        for (const SettingInfo& setting : table->settings) keys.push_back(setting.key);
    if (tableName == "camera") keys.push_back("fieldOfView");
    return keys;
}

}  // namespace brumo::host
