#include "host/scene_file/scene_writer.h"

#include <cctype>
#include <filesystem>
#include <fstream>

#include "host/common/file_replacement.h"

namespace brumo::host {

using nlohmann::json;

namespace {

json vectorJson(const QVVector3& v) { return json::array({floatJson(v.x), floatJson(v.y), floatJson(v.z)}); }

json colourJson(const QVColourRecord& c) {
    return json::array({floatJson(c.red), floatJson(c.green), floatJson(c.blue), floatJson(c.alpha)});
}

// One end of a numeric value (the value itself when it is not animated).
json numericJson(const FieldInfo& field, const std::vector<double>& v) {
    switch (field.type) {
        case FieldType::int32: return int64_t(v[0]);
        case FieldType::bitSet32: return uint64_t(v[0]);
        case FieldType::flag8: return v[0] >= 0.5;
        case FieldType::vector3: return vectorJson({float(v[0]), float(v[1]), float(v[2])});
        default: return floatJson(float(v[0]));
    }
}

json valueJson(const FieldValue& value) {
    const FieldInfo& field = *value.field;
    switch (field.type) {
        case FieldType::fourCharCode:
        case FieldType::string: return value.text;
        case FieldType::colourGradient: {
            json keys = json::array();
            for (const ColourKey& key : value.gradient)
                keys.push_back({{"position", floatJson(key.position)},
                                {"colour", colourJson({key.colour.red, key.colour.green,
                                                       key.colour.blue, key.colour.alpha})}});
            return keys;
        }
        case FieldType::falloffPairs16: {
            json pairs = json::array();
            for (const FalloffPair& pair : value.pairs) pairs.push_back({floatJson(pair.a), floatJson(pair.b)});
            return pairs;
        }
        case FieldType::componentList: return nullptr;  // never in a description
        default:
            if (value.animated()) return {{"from", numericJson(field, value.from)}, {"to", numericJson(field, value.to)}};
            return numericJson(field, value.from);
    }
}

json parametersJson(const ComponentDescription& component) {
    json parameters = json::object();
    for (const FieldValue& value : component.values) parameters[value.field->name] = valueJson(value);
    return parameters;
}

// "RisingSmoke" → "risingSmoke", "TwistModifier" → "twist".
std::string typeName(std::string className, bool modifier) {
    const std::string suffix = "Modifier";
    if (modifier && className.size() > suffix.size() &&
        className.compare(className.size() - suffix.size(), suffix.size(), suffix) == 0)
        className.resize(className.size() - suffix.size());
    if (!className.empty()) className[0] = char(std::tolower(static_cast<unsigned char>(className[0])));
    return className;
}

json effectJson(const EffectDescription& effect) {
    json out = {{"type", typeName(effect.component.className, false)},
                {"name", effect.name},
                {"translate", vectorJson(effect.transform.translate)},
                {"rotate", vectorJson(effect.transform.rotateDegrees)},
                {"scale", vectorJson(effect.transform.scale)},
                {"parameters", parametersJson(effect.component)}};
    json modifiers = json::array();
    for (const ComponentDescription& modifier : effect.modifiers)
        modifiers.push_back({{"type", typeName(modifier.className, true)}, {"parameters", parametersJson(modifier)}});
    out["modifiers"] = modifiers;
    out["medium"] = mediumJson(effect.medium);
    return out;
}

json cameraJson(const Camera& camera) {
    return {{"type", camera.projection == Projection::orthographic ? "orthographic" : "pinhole"},
            {"position", vectorJson(camera.position)},
            {"lookAt", vectorJson(camera.lookAt)},
            {"up", vectorJson(camera.up)},
            {"fov", floatJson(camera.fieldOfView)},
            {"width", floatJson(camera.viewWidth)}};
}

json lightJson(const LightDescription& light) {
    const bool distant = light.kind == LightDescription::Kind::distant;
    return {{"type", distant ? "distant" : "point"},
            {distant ? "direction" : "position", vectorJson(light.vector)},
            {"colour", colourJson(light.colour)}};
}

json shaderJson(const ShaderDescription& shader) {
    json out = {{"name", shader.name}};
    switch (shader.kind) {
        case ShaderDescription::Kind::constant:
            out.update({{"type", "constant"}, {"colour", colourJson(shader.first)}, {"value", floatJson(shader.value)}});
            break;
        case ShaderDescription::Kind::checker:
            out.update({{"type", "checker"}, {"cellSize", floatJson(shader.size)},
                        {"first", colourJson(shader.first)}, {"second", colourJson(shader.second)}});
            break;
        case ShaderDescription::Kind::heightGradient:
            out.update({{"type", "heightGradient"}, {"low", floatJson(shader.low)}, {"high", floatJson(shader.high)},
                        {"bottom", colourJson(shader.first)}, {"top", colourJson(shader.second)}});
            break;
        case ShaderDescription::Kind::noise:
            out.update({{"type", "noise"}, {"featureSize", floatJson(shader.size)}, {"octaves", shader.octaves},
                        {"seed", shader.seed}, {"low", colourJson(shader.first)}, {"high", colourJson(shader.second)}});
            break;
    }
    return out;
}

// The OBJ path as the saved file will find it: relative to its folder, or absolute.
std::string meshPath(const std::string& path, const std::string& file) {
    namespace fs = std::filesystem;
    const fs::path absolute = fs::absolute(path).lexically_normal();
    if (file.empty()) return absolute.string();
    const fs::path relative = absolute.lexically_relative(fs::absolute(file).parent_path().lexically_normal());
    return relative.empty() ? absolute.string() : relative.string();
}

json meshJson(const MeshDescription& mesh, const std::string& file) {
    json out = {{"name", mesh.name}};
    switch (mesh.kind) {
        case MeshDescription::Kind::obj: out.update({{"type", "obj"}, {"path", meshPath(mesh.path, file)}}); break;
        case MeshDescription::Kind::sphere: out.update({{"type", "sphere"}, {"radius", floatJson(mesh.radius)}}); break;
        case MeshDescription::Kind::box: out.update({{"type", "box"}, {"halfExtent", vectorJson(mesh.halfExtent)}}); break;
        case MeshDescription::Kind::torus:
            out.update({{"type", "torus"}, {"majorRadius", floatJson(mesh.majorRadius)},
                        {"minorRadius", floatJson(mesh.minorRadius)}});
            break;
    }
    return out;
}

template <class T, class Write>
json listJson(const std::vector<T>& items, Write write) {
    json list = json::array();
    for (const T& item : items) list.push_back(write(item));
    return list;
}

}  // namespace

json writeScene(const SceneDescription& scene, const std::string& file) {
    json out = {{"image", {{"width", scene.width}, {"height", scene.height}}},
                {"background", colourJson(scene.background)},
                {"camera", cameraJson(scene.camera)}};
    if (scene.view.curve != ViewTransform::Curve::filmic) out["image"]["view"] = "standard";
    if (scene.view.exposure != 0.0f) out["image"]["exposure"] = floatJson(scene.view.exposure);
    if (scene.hasFrames) out["frames"] = {scene.firstFrame, scene.lastFrame};
    out["lights"] = listJson(scene.lights, lightJson);
    out["shaders"] = listJson(scene.shaders, shaderJson);
    out["meshes"] = listJson(scene.meshes, [&](const MeshDescription& mesh) { return meshJson(mesh, file); });
    out["effects"] = listJson(scene.effects, effectJson);
    writeIntegrator(scene.integrator, out);
    return out;
}

ComponentDescription describeBlock(const ParameterTable& table, const QVGuid& classId, const void* block) {
    ComponentDescription component;
    component.className = table.className;
    component.classId = classId;
    component.table = &table;
    for (int32_t i = 0; i < table.fieldCount; ++i) {
        const FieldInfo& field = table.fields[i];
        if (field.type == FieldType::componentList) continue;
        FieldValue value = blockValue(block, field);
        if (field.type == FieldType::colourGradient && value.gradient.empty()) continue;
        if (field.type == FieldType::fourCharCode && value.text.empty()) continue;
        component.values.push_back(std::move(value));
    }
    return component;
}

void saveSceneFile(const SceneDescription& scene, const std::string& path) {
    const std::string text = writeScene(scene, path).dump(2) + "\n";
    const std::string problem = replaceFile(path, [&](const std::string& temporary) {
        std::ofstream out(temporary, std::ios::binary);
        out << text;
        out.close();
        if (!out) throw std::runtime_error("the file could not be written in full");
    });
    if (!problem.empty()) throw SceneFileError(path, "", "cannot be written: " + problem);
}

}  // namespace brumo::host
