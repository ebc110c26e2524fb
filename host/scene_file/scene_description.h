// A scene file, read and checked: image size, background, camera, frame range, the host's
// lights, shaders and meshes, and the effects with their parameters, placement and modifiers.
// Nothing is created here; scene_builder.h turns a description into components.
//
// A scene file is JSON. Everything has a default, so {"effects": [{"type": "fire"}]} is a
// whole scene. Every key is checked: an unknown key, a value of the wrong kind or out of range
// throws SceneFileError naming the file, the key's JSON path and what was expected there.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "brumo/parameter_fields.h"
#include "host/image/view_transform.h"
#include "host/render/camera.h"
#include "host/render/transform.h"
#include "host/scene_file/parameter_block.h"
#include "host/scene_file/medium_description.h"
#include "host/scene_file/scene_file_error.h"
#include "qv/guid.h"
#include "qv/scene_records.h"

namespace brumo::host {

// An effect or a modifier: its class and the parameters the scene sets.
struct ComponentDescription {
    std::string className;  // as in the field table: "Fire", "TwistModifier"
    QVGuid classId{};
    const ParameterTable* table = nullptr;
    std::vector<FieldValue> values;
};

struct EffectDescription {
    ComponentDescription component;
    std::string name;
    std::string path;  // "effects[2]"
    Transform transform;
    std::vector<ComponentDescription> modifiers;
    Medium medium;  // for the physical integrator
};

struct LightDescription {
    enum class Kind { distant, point } kind = Kind::distant;
    QVVector3 vector{0.0f, 0.0f, -1.0f};  // travel direction (distant) or position (point)
    QVColourRecord colour{1.0f, 1.0f, 1.0f, 1.0f};
};

struct ShaderDescription {
    enum class Kind { constant, checker, heightGradient, noise } kind = Kind::constant;
    std::string name;
    QVColourRecord first{0.5f, 0.5f, 0.5f, 1.0f};   // colour, first, bottom, low
    QVColourRecord second{1.0f, 1.0f, 1.0f, 1.0f};  // second, top, high
    float value = -1.0f;  // constant: the value (negative: the colour's luminance)
    float size = 0.5f;    // checker cell, noise feature size
    float low = -1.0f;    // height gradient
    float high = 1.0f;
    int octaves = 4;
    uint32_t seed = 1;
};

struct MeshDescription {
    enum class Kind { obj, sphere, box, torus } kind = Kind::sphere;
    std::string name;
    std::string path;  // OBJ file, resolved against the scene file's folder
    std::string jsonPath;
    float radius = 1.0f;
    QVVector3 halfExtent{1.0f, 1.0f, 1.0f};
    float majorRadius = 1.0f;
    float minorRadius = 0.4f;
};

struct SceneDescription {
    std::string file;  // as named on the command line; empty for a built-in scene
    int width = 320;
    int height = 240;
    QVColourRecord background{0.02f, 0.03f, 0.06f, 1.0f};
    ViewTransform view;  // for 8-bit images: image.view and image.exposure
    Camera camera;
    bool hasFrames = false;
    int firstFrame = 1;
    int lastFrame = 1;
    std::vector<LightDescription> lights;
    std::vector<ShaderDescription> shaders;
    std::vector<MeshDescription> meshes;
    std::vector<EffectDescription> effects;
    IntegratorDescription integrator;

    // Where frame lies between the first and the last frame, in [0, 1].
    double frameFraction(int frame) const;
    bool animated() const;
};

// Reads and checks a scene. `file` names it in messages and anchors relative paths.
SceneDescription readScene(const nlohmann::json& document, const std::string& file);
// Parses the text first; JSON syntax errors name the line and column.
SceneDescription readSceneText(const std::string& text, const std::string& file);
// Reads the file; a missing or unreadable file is a SceneFileError too.
SceneDescription readSceneFile(const std::string& path);

// The class of an effect type as a scene names it ("smog", "risingSmoke", "rising_smoke",
// "RisingSmoke", ...), and of a modifier ("twist", "TwistModifier"); null when unknown.
const ParameterTable* effectTable(const std::string& type);
const ParameterTable* modifierTable(const std::string& type);

}  // namespace brumo::host
