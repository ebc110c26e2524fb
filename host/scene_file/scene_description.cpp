#include "host/scene_file/scene_description.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "brumo/class_ids.h"
#include "host/scene_file/json_text.h"
#include "host/scene_file/scene_schema.h"

namespace brumo::host {

using nlohmann::json;

namespace {

// Lower case without '_' and '-': "rising_smoke", "risingSmoke" and "RisingSmoke" meet.
std::string folded(const std::string& name) {
    std::string out;
    for (char c : name)
        if (c != '_' && c != '-' && c != ' ') out += char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

const QVGuid* classIdOf(const std::string& className) {
    for (const ClassListEntry& entry : kClassList)
        if (className == entry.name) return &entry.classId;
    return nullptr;
}

std::vector<std::string> tableNames(ClassKind kind, bool shortNames) {
    std::vector<std::string> names;
    for (const ClassListEntry& entry : kClassList) {
        if (entry.kind != kind) continue;
        std::string name = entry.name;
        if (shortNames && kind == ClassKind::modifier) name = name.substr(0, name.size() - 8);
        if (shortNames) name[0] = char(std::tolower(static_cast<unsigned char>(name[0])));
        names.push_back(name);
    }
    return names;
}

const char* kindName(const json& value) {
    switch (value.type()) {
        case json::value_t::null: return "null";
        case json::value_t::boolean: return "true or false";
        case json::value_t::string: return "a string";
        case json::value_t::array: return "a list";
        case json::value_t::object: return "an object";
        case json::value_t::binary:
        case json::value_t::discarded: return "something else";
        default: return "a number";
    }
}

class Reader {
public:
    explicit Reader(std::string file) : file_(std::move(file)) {}

    const std::string& file() const { return file_; }

    [[noreturn]] void fail(const std::string& path, const std::string& what) const {
        throw SceneFileError(file_, path, what);
    }
    [[noreturn]] void expected(const std::string& path, const std::string& what,
                               const json& found) const {
        fail(path, "expected " + what + ", found " + kindName(found));
    }

    void object(const json& value, const std::string& path,
                std::initializer_list<const char*> keys) const {
        object(value, path, std::vector<std::string>(keys.begin(), keys.end()));
    }
    // The keys of one of the scene's setting tables.
    void object(const json& value, const std::string& path, const char* table) const {
        object(value, path, settingKeys(table));
    }
    void object(const json& value, const std::string& path, const std::vector<std::string>& valid) const {
        if (!value.is_object()) expected(path, "an object", value);
        for (const auto& item : value.items()) {
            if (std::find(valid.begin(), valid.end(), item.key()) != valid.end()) continue;
            fail(join(path, item.key()), "unknown key" + suggestion(item.key(), valid));
        }
    }

    double number(const json& value, const std::string& path) const {
        if (!value.is_number()) expected(path, "a number", value);
        const double v = value.get<double>();
        if (!std::isfinite(v) || std::fabs(v) > double(std::numeric_limits<float>::max()))
            fail(path, "the number is out of range");
        return v;
    }

    double numberIn(const json& value, const std::string& path, double low, double high,
                    bool openLow = false) const {
        const double v = number(value, path);
        if (v < low || v > high || (openLow && v == low)) {
            std::ostringstream range;
            range << "expected a number " << (openLow ? "above " : "from ") << low
                  << (openLow ? " up to " : " to ") << high << ", found " << v;
            fail(path, range.str());
        }
        return v;
    }

    int64_t integer(const json& value, const std::string& path, int64_t low, int64_t high) const {
        if (!value.is_number()) expected(path, "a whole number", value);
        const double v = value.get<double>();
        if (std::floor(v) != v) fail(path, "expected a whole number, found " + value.dump());
        if (v < double(low) || v > double(high))
            fail(path, "expected a whole number from " + std::to_string(low) + " to " +
                           std::to_string(high) + ", found " + value.dump());
        return int64_t(v);
    }

    std::string text(const json& value, const std::string& path) const {
        if (!value.is_string()) expected(path, "a string", value);
        return value.get<std::string>();
    }

    QVVector3 vector(const json& value, const std::string& path) const {
        if (!value.is_array() || value.size() != 3)
            fail(path, std::string("expected a vector [x, y, z], found ") +
                           (value.is_array() ? "a list of " + std::to_string(value.size())
                                             : kindName(value)));
        return {float(number(value[0], path + "[0]")), float(number(value[1], path + "[1]")),
                float(number(value[2], path + "[2]"))};
    }

    // [r, g, b] or [r, g, b, a]; alpha 1 when left out.
    QVColourRecord colour(const json& value, const std::string& path) const {
        if (!value.is_array() || (value.size() != 3 && value.size() != 4))
            fail(path, std::string("expected a colour [r, g, b] or [r, g, b, a], found ") +
                           (value.is_array() ? "a list of " + std::to_string(value.size())
                                             : kindName(value)));
        float c[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        for (size_t i = 0; i < value.size(); ++i)
            c[i] = float(number(value[i], path + "[" + std::to_string(i) + "]"));
        return {c[0], c[1], c[2], c[3]};
    }

    static std::string join(const std::string& path, const std::string& key) {
        return path.empty() ? key : path + "." + key;
    }
    static std::string index(const std::string& path, size_t i) {
        return path + "[" + std::to_string(i) + "]";
    }

private:
    std::string file_;
};

// ---- Parameters ----

// A number, or {"from": a, "to": b} across the scene's frames.
void readNumeric(const Reader& reader, const json& value, const std::string& path,
                 FieldValue& out, bool vector, bool whole, double low, double high) {
    auto one = [&](const json& v, const std::string& p) -> std::vector<double> {
        if (vector) {
            const QVVector3 q = reader.vector(v, p);
            return {q.x, q.y, q.z};
        }
        if (whole) return {double(reader.integer(v, p, int64_t(low), int64_t(high)))};
        return {reader.number(v, p)};
    };
    if (value.is_object()) {
        reader.object(value, path, {"from", "to"});
        if (!value.contains("from")) reader.fail(path, "an animated value needs \"from\" and \"to\"");
        if (!value.contains("to")) reader.fail(path, "an animated value needs \"from\" and \"to\"");
        out.from = one(value["from"], Reader::join(path, "from"));
        out.to = one(value["to"], Reader::join(path, "to"));
        return;
    }
    out.from = one(value, path);
}

// The choice of the field named `name` ("scene", "cylinderZ"), compared as folded names.
const FieldChoice* findChoice(const FieldInfo& field, const std::string& name) {
    for (int32_t i = 0; i < field.choiceCount; ++i)
        if (folded(field.choices[i].name) == folded(name)) return &field.choices[i];
    return nullptr;
}

std::vector<std::string> choiceNames(const FieldInfo& field) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < field.choiceCount; ++i) names.push_back(field.choices[i].name);
    return names;
}

uint32_t choiceByName(const Reader& reader, const FieldInfo& field, const std::string& name,
                      const std::string& path) {
    if (const FieldChoice* choice = findChoice(field, name)) return choice->value;
    const std::string what = field.type == FieldType::fourCharCode
                                 ? std::string("expected ") + fieldTypeName(field.type) + ", found \"" + name + "\""
                                 : "unknown value \"" + name + "\" of " + field.name;
    reader.fail(path, what + suggestion(name, choiceNames(field)));
}

// A number, a bit's name, or a list of names and numbers whose bits are joined.
uint32_t readBits(const Reader& reader, const FieldInfo& field, const json& value,
                  const std::string& path) {
    if (value.is_number()) return uint32_t(reader.integer(value, path, 0, UINT32_MAX));
    if (value.is_string()) return choiceByName(reader, field, value.get<std::string>(), path);
    if (!value.is_array())
        reader.expected(path, "a bit set: a number, a name or a list of names", value);
    uint32_t bits = 0;
    for (size_t i = 0; i < value.size(); ++i) {
        const std::string itemPath = Reader::index(path, i);
        if (value[i].is_array()) reader.expected(itemPath, "a bit's name or number", value[i]);
        bits |= readBits(reader, field, value[i], itemPath);
    }
    return bits;
}

FieldValue readFieldValue(const Reader& reader, const FieldInfo& field, const json& value,
                          const std::string& path) {
    FieldValue out;
    out.field = &field;
    out.path = path;
    switch (field.type) {
        case FieldType::float32:
            readNumeric(reader, value, path, out, false, false, 0, 0);
            break;
        case FieldType::int32:
            if (value.is_string() && field.choiceCount > 0)
                out.from = {double(choiceByName(reader, field, value.get<std::string>(), path))};
            else
                readNumeric(reader, value, path, out, false, true, INT32_MIN, INT32_MAX);
            break;
        case FieldType::bitSet32:
            out.from = {double(readBits(reader, field, value, path))};
            break;
        case FieldType::flag8:
            if (value.is_boolean())
                out.from = {value.get<bool>() ? 1.0 : 0.0};
            else if (value.is_number())
                out.from = {double(reader.integer(value, path, 0, 1))};
            else
                reader.expected(path, fieldTypeName(field.type), value);
            break;
        case FieldType::vector3:
            readNumeric(reader, value, path, out, true, false, 0, 0);
            break;
        case FieldType::fourCharCode: {
            uint32_t code = 0;
            if (!value.is_string()) reader.expected(path, fieldTypeName(field.type), value);
            out.text = value.get<std::string>();
            if (fourCharCodeFromText(out.text, code) && findChoice(field, out.text) == nullptr) break;
            out.text = fourCharCodeText(choiceByName(reader, field, out.text, path));
            break;
        }
        case FieldType::string:
            out.text = reader.text(value, path);
            break;
        case FieldType::colourGradient: {
            if (!value.is_array() || value.empty())
                reader.fail(path, std::string("expected ") + fieldTypeName(field.type) +
                                      " with at least one key");
            for (size_t i = 0; i < value.size(); ++i) {
                const std::string keyPath = Reader::index(path, i);
                reader.object(value[i], keyPath, {"position", "colour"});
                if (!value[i].contains("position") || !value[i].contains("colour"))
                    reader.fail(keyPath, "a colour key needs \"position\" and \"colour\"");
                const QVColourRecord c = reader.colour(value[i]["colour"], Reader::join(keyPath, "colour"));
                ColourKey key{};
                key.position = float(reader.number(value[i]["position"], Reader::join(keyPath, "position")));
                key.colour = {c.red, c.green, c.blue, c.alpha};
                out.gradient.push_back(key);
            }
            break;
        }
        case FieldType::falloffPairs16: {
            if (!value.is_array() || value.size() > 16)
                reader.fail(path, std::string("expected ") + fieldTypeName(field.type));
            for (size_t i = 0; i < value.size(); ++i) {
                const std::string pairPath = Reader::index(path, i);
                if (!value[i].is_array() || value[i].size() != 2)
                    reader.fail(pairPath, "expected a pair [a, b]");
                out.pairs.push_back({float(reader.number(value[i][0], pairPath + "[0]")),
                                     float(reader.number(value[i][1], pairPath + "[1]"))});
            }
            break;
        }
        case FieldType::componentList:
            reader.fail(path, "attach modifiers under the effect's \"modifiers\" instead");
    }
    return out;
}

// Sets (or replaces) the value of one field.
void setValue(ComponentDescription& component, FieldValue value) {
    for (FieldValue& held : component.values)
        if (held.field == value.field) {
            held = std::move(value);
            return;
        }
    component.values.push_back(std::move(value));
}

void readParameters(const Reader& reader, const json& value, const std::string& path,
                    ComponentDescription& component) {
    if (!value.is_object()) reader.expected(path, "an object of parameters by name", value);
    for (const auto& item : value.items()) {
        const std::string fieldPath = Reader::join(path, item.key());
        const FieldInfo* field = findField(*component.table, item.key());
        if (field == nullptr)
            reader.fail(fieldPath, "unknown parameter of " + component.className +
                                       suggestion(item.key(), fieldNames(*component.table)));
        setValue(component, readFieldValue(reader, *field, item.value(), fieldPath));
    }
}

ComponentDescription describeComponent(const ParameterTable& table) {
    ComponentDescription component;
    component.className = table.className;
    component.table = &table;
    component.classId = *classIdOf(table.className);
    return component;
}

// A value the scene sets through a key of its own ("mesh", "lighting") rather than by name.
FieldValue namedValue(const ParameterTable& table, const char* name, const std::string& path) {
    FieldValue value;
    value.field = findField(table, name);
    value.path = path;
    return value;
}

ComponentDescription readModifier(const Reader& reader, const json& value, const std::string& path) {
    if (value.is_string()) {
        const ParameterTable* table = modifierTable(value.get<std::string>());
        if (table == nullptr)
            reader.fail(path, "unknown modifier type \"" + value.get<std::string>() + "\"" +
                                  suggestion(value.get<std::string>(),
                                             tableNames(ClassKind::modifier, true)));
        return describeComponent(*table);
    }
    reader.object(value, path, "modifier");
    if (!value.contains("type")) reader.fail(path, "a modifier needs a \"type\", such as \"twist\"");
    const std::string type = reader.text(value["type"], Reader::join(path, "type"));
    const ParameterTable* table = modifierTable(type);
    if (table == nullptr)
        reader.fail(Reader::join(path, "type"),
                    "unknown modifier type \"" + type + "\"" +
                        suggestion(type, tableNames(ClassKind::modifier, true)));
    ComponentDescription component = describeComponent(*table);
    if (value.contains("parameters"))
        readParameters(reader, value["parameters"], Reader::join(path, "parameters"), component);
    return component;
}

void readLighting(const Reader& reader, const json& value, const std::string& path,
                  ComponentDescription& component) {
    json settings = value;
    if (value.is_string()) settings = json{{"mode", value}};
    reader.object(settings, path, {"mode", "direction"});
    if (settings.contains("mode")) {
        const std::string modePath = value.is_string() ? path : Reader::join(path, "mode");
        const std::string mode = reader.text(settings["mode"], modePath);
        const std::vector<std::string> modes = {"off", "fixed", "scene"};
        std::string code;
        const std::string f = folded(mode);
        if (f == "off" || f == "none" || mode == "Opt0") code = "Opt0";
        else if (f == "fixed" || mode == "Opt1") code = "Opt1";
        else if (f == "scene" || f == "scenelights" || mode == "Opt2") code = "Opt2";
        else
            reader.fail(modePath, "unknown lighting mode \"" + mode + "\"" + suggestion(mode, modes));
        FieldValue v = namedValue(*component.table, "lightingMode", modePath);
        v.text = code;
        setValue(component, v);
    }
    if (settings.contains("direction")) {
        const std::string directionPath = Reader::join(path, "direction");
        FieldValue v = namedValue(*component.table, "lightDirection", directionPath);
        readNumeric(reader, settings["direction"], directionPath, v, true, false, 0, 0);
        setValue(component, v);
    }
}

void readMeshShaping(const Reader& reader, const json& value, const std::string& path,
                     const std::vector<MeshDescription>& meshes, ComponentDescription& component) {
    json settings = value;
    if (value.is_string()) settings = json{{"object", value}};
    reader.object(settings, path, {"object", "falloff"});
    if (!settings.contains("object"))
        reader.fail(path, "mesh shaping needs the \"object\" whose inside holds the vapour");
    const std::string objectPath = value.is_string() ? path : Reader::join(path, "object");
    const std::string object = reader.text(settings["object"], objectPath);
    std::vector<std::string> names;
    for (const MeshDescription& mesh : meshes) names.push_back(mesh.name);
    if (std::find(names.begin(), names.end(), object) == names.end())
        reader.fail(objectPath, "no mesh named \"" + object + "\" under \"meshes\"" +
                                    suggestion(object, names));
    FieldValue off = namedValue(*component.table, "meshOff", path);
    off.from = {0.0};
    setValue(component, off);
    FieldValue name = namedValue(*component.table, "meshName", objectPath);
    name.text = object;
    setValue(component, name);
    if (settings.contains("falloff")) {
        const std::string falloffPath = Reader::join(path, "falloff");
        FieldValue falloff = namedValue(*component.table, "meshFalloff", falloffPath);
        readNumeric(reader, settings["falloff"], falloffPath, falloff, false, false, 0, 0);
        setValue(component, falloff);
    }
}

QVVector3 readScale(const Reader& reader, const json& value, const std::string& path) {
    QVVector3 scale{1.0f, 1.0f, 1.0f};
    if (value.is_number()) {
        const float s = float(reader.number(value, path));
        scale = {s, s, s};
    } else {
        scale = reader.vector(value, path);
    }
    if (scale.x == 0.0f || scale.y == 0.0f || scale.z == 0.0f)
        reader.fail(path, "a scale must not be zero");
    return scale;
}

EffectDescription readEffect(const Reader& reader, const json& value, const std::string& path,
                             const std::vector<MeshDescription>& meshes) {
    reader.object(value, path, "effect");
    if (!value.contains("type"))
        reader.fail(path, "an effect needs a \"type\": \"clouds\", \"fire\", \"risingSmoke\" or \"smog\"");
    const std::string typePath = Reader::join(path, "type");
    const std::string type = reader.text(value["type"], typePath);
    const ParameterTable* table = effectTable(type);
    if (table == nullptr)
        reader.fail(typePath, "unknown effect type \"" + type + "\"" +
                                  suggestion(type, tableNames(ClassKind::effect, true)));
    EffectDescription effect;
    effect.path = path;
    effect.component = describeComponent(*table);
    effect.medium = readMedium(value, path, table->className, reader.file());
    effect.name = value.contains("name") ? reader.text(value["name"], Reader::join(path, "name"))
                                         : std::string(table->className);
    if (value.contains("translate"))
        effect.transform.translate = reader.vector(value["translate"], Reader::join(path, "translate"));
    if (value.contains("rotate"))
        effect.transform.rotateDegrees = reader.vector(value["rotate"], Reader::join(path, "rotate"));
    if (value.contains("scale"))
        effect.transform.scale = readScale(reader, value["scale"], Reader::join(path, "scale"));
    // The convenience keys first, so that "parameters" can still override what they set.
    if (value.contains("mesh"))
        readMeshShaping(reader, value["mesh"], Reader::join(path, "mesh"), meshes, effect.component);
    if (value.contains("lighting"))
        readLighting(reader, value["lighting"], Reader::join(path, "lighting"), effect.component);
    if (value.contains("parameters"))
        readParameters(reader, value["parameters"], Reader::join(path, "parameters"), effect.component);
    if (value.contains("modifiers")) {
        const std::string modifiersPath = Reader::join(path, "modifiers");
        const json& list = value["modifiers"];
        if (!list.is_array()) reader.expected(modifiersPath, "a list of modifiers", list);
        for (size_t i = 0; i < list.size(); ++i)
            effect.modifiers.push_back(readModifier(reader, list[i], Reader::index(modifiersPath, i)));
    }
    return effect;
}

// ---- Scene-level entries ----

void readCamera(const Reader& reader, const json& value, Camera& camera) {
    const std::string path = "camera";
    reader.object(value, path, "camera");
    if (value.contains("type")) {
        const std::string type = reader.text(value["type"], "camera.type");
        const std::string f = folded(type);
        if (f == "pinhole")
            camera.projection = Projection::pinhole;
        else if (f == "orthographic" || f == "ortho")
            camera.projection = Projection::orthographic;
        else
            reader.fail("camera.type", "unknown camera type \"" + type + "\"" +
                                           suggestion(type, {"pinhole", "orthographic"}));
    }
    if (value.contains("position")) camera.position = reader.vector(value["position"], "camera.position");
    if (value.contains("lookAt")) camera.lookAt = reader.vector(value["lookAt"], "camera.lookAt");
    if (value.contains("up")) camera.up = reader.vector(value["up"], "camera.up");
    for (const char* key : {"fov", "fieldOfView"})
        if (value.contains(key))
            camera.fieldOfView = float(reader.numberIn(value[key], Reader::join(path, key), 0.0, 179.0, true));
    if (value.contains("width"))
        camera.viewWidth = float(reader.numberIn(value["width"], "camera.width", 0.0, 1e30, true));
    const std::string problem = cameraProblem(camera);
    if (!problem.empty()) reader.fail(path, problem);
}

LightDescription readLight(const Reader& reader, const json& value, const std::string& path) {
    reader.object(value, path, "light");
    LightDescription light;
    const std::string type =
        value.contains("type") ? reader.text(value["type"], Reader::join(path, "type")) : "distant";
    const std::string f = folded(type);
    if (f == "distant" || f == "directional") {
        light.kind = LightDescription::Kind::distant;
        if (value.contains("position"))
            reader.fail(Reader::join(path, "position"), "a distant light has a \"direction\", not a position");
        if (value.contains("direction")) {
            light.vector = reader.vector(value["direction"], Reader::join(path, "direction"));
            if (light.vector.x == 0.0f && light.vector.y == 0.0f && light.vector.z == 0.0f)
                reader.fail(Reader::join(path, "direction"), "a direction must not be zero");
        }
    } else if (f == "point") {
        light.kind = LightDescription::Kind::point;
        light.vector = {0.0f, 0.0f, 0.0f};
        if (value.contains("direction"))
            reader.fail(Reader::join(path, "direction"), "a point light has a \"position\", not a direction");
        if (value.contains("position"))
            light.vector = reader.vector(value["position"], Reader::join(path, "position"));
    } else {
        reader.fail(Reader::join(path, "type"),
                    "unknown light type \"" + type + "\"" + suggestion(type, {"distant", "point"}));
    }
    if (value.contains("colour")) light.colour = reader.colour(value["colour"], Reader::join(path, "colour"));
    return light;
}

ShaderDescription readShader(const Reader& reader, const json& value, const std::string& path) {
    if (!value.is_object()) reader.expected(path, "an object", value);
    if (!value.contains("type"))
        reader.fail(path, "a shader needs a \"type\": \"constant\", \"checker\", \"heightGradient\" or \"noise\"");
    const std::string type = reader.text(value["type"], Reader::join(path, "type"));
    const std::string f = folded(type);
    ShaderDescription shader;
    auto colourOf = [&](const char* key, QVColourRecord& into) {
        if (value.contains(key)) into = reader.colour(value[key], Reader::join(path, key));
    };
    if (f == "constant" || f == "constantcolour") {
        reader.object(value, path, "constant shader");
        shader.kind = ShaderDescription::Kind::constant;
        colourOf("colour", shader.first);
        if (value.contains("value")) shader.value = float(reader.number(value["value"], Reader::join(path, "value")));
    } else if (f == "checker") {
        reader.object(value, path, "checker shader");
        shader.kind = ShaderDescription::Kind::checker;
        shader.first = {0.0f, 0.0f, 0.0f, 1.0f};
        if (value.contains("cellSize"))
            shader.size = float(reader.numberIn(value["cellSize"], Reader::join(path, "cellSize"), 0.0, 1e30, true));
        colourOf("first", shader.first);
        colourOf("second", shader.second);
    } else if (f == "heightgradient") {
        reader.object(value, path, "height gradient shader");
        shader.kind = ShaderDescription::Kind::heightGradient;
        shader.first = {0.0f, 0.0f, 0.2f, 1.0f};
        if (value.contains("low")) shader.low = float(reader.number(value["low"], Reader::join(path, "low")));
        if (value.contains("high")) shader.high = float(reader.number(value["high"], Reader::join(path, "high")));
        if (!(shader.low < shader.high)) reader.fail(Reader::join(path, "high"), "\"high\" must lie above \"low\"");
        colourOf("bottom", shader.first);
        colourOf("top", shader.second);
    } else if (f == "noise") {
        reader.object(value, path, "noise shader");
        shader.kind = ShaderDescription::Kind::noise;
        shader.first = {0.0f, 0.0f, 0.0f, 1.0f};
        if (value.contains("featureSize"))
            shader.size = float(reader.numberIn(value["featureSize"], Reader::join(path, "featureSize"), 0.0, 1e30, true));
        if (value.contains("octaves"))
            shader.octaves = int(reader.integer(value["octaves"], Reader::join(path, "octaves"), 1, 16));
        if (value.contains("seed"))
            shader.seed = uint32_t(reader.integer(value["seed"], Reader::join(path, "seed"), 0, UINT32_MAX));
        colourOf("low", shader.first);
        colourOf("high", shader.second);
    } else {
        reader.fail(Reader::join(path, "type"),
                    "unknown shader type \"" + type + "\"" +
                        suggestion(type, {"constant", "checker", "heightGradient", "noise"}));
    }
    if (!value.contains("name")) reader.fail(path, "a shader needs a \"name\" that effects can use");
    shader.name = reader.text(value["name"], Reader::join(path, "name"));
    return shader;
}

MeshDescription readMesh(const Reader& reader, const json& value, const std::string& path) {
    if (!value.is_object()) reader.expected(path, "an object", value);
    if (!value.contains("type"))
        reader.fail(path, "a mesh needs a \"type\": \"obj\", \"sphere\", \"box\" or \"torus\"");
    const std::string type = reader.text(value["type"], Reader::join(path, "type"));
    const std::string f = folded(type);
    MeshDescription mesh;
    mesh.jsonPath = path;
    auto positive = [&](const char* key, float& into) {
        if (value.contains(key))
            into = float(reader.numberIn(value[key], Reader::join(path, key), 0.0, 1e30, true));
    };
    if (f == "obj") {
        reader.object(value, path, "obj mesh");
        mesh.kind = MeshDescription::Kind::obj;
        if (!value.contains("path")) reader.fail(path, "an OBJ mesh needs the \"path\" of its file");
        mesh.path = reader.text(value["path"], Reader::join(path, "path"));
        const std::filesystem::path file(mesh.path);
        if (file.is_relative() && !reader.file().empty())
            mesh.path = (std::filesystem::path(reader.file()).parent_path() / file).lexically_normal().string();
        std::error_code error;
        if (!std::filesystem::is_regular_file(mesh.path, error))
            reader.fail(Reader::join(path, "path"), "no such file: " + mesh.path);
    } else if (f == "sphere") {
        reader.object(value, path, "sphere mesh");
        mesh.kind = MeshDescription::Kind::sphere;
        positive("radius", mesh.radius);
    } else if (f == "box") {
        reader.object(value, path, "box mesh");
        mesh.kind = MeshDescription::Kind::box;
        if (value.contains("halfExtent")) {
            const std::string extentPath = Reader::join(path, "halfExtent");
            if (value["halfExtent"].is_number()) {
                const float h = float(reader.numberIn(value["halfExtent"], extentPath, 0.0, 1e30, true));
                mesh.halfExtent = {h, h, h};
            } else {
                mesh.halfExtent = reader.vector(value["halfExtent"], extentPath);
                if (!(mesh.halfExtent.x > 0.0f && mesh.halfExtent.y > 0.0f && mesh.halfExtent.z > 0.0f))
                    reader.fail(extentPath, "every half extent must be positive");
            }
        }
    } else if (f == "torus") {
        reader.object(value, path, "torus mesh");
        mesh.kind = MeshDescription::Kind::torus;
        positive("majorRadius", mesh.majorRadius);
        positive("minorRadius", mesh.minorRadius);
    } else {
        reader.fail(Reader::join(path, "type"), "unknown mesh type \"" + type + "\"" +
                                                    suggestion(type, {"obj", "sphere", "box", "torus"}));
    }
    if (!value.contains("name")) reader.fail(path, "a mesh needs a \"name\" that effects can use");
    mesh.name = reader.text(value["name"], Reader::join(path, "name"));
    return mesh;
}

template <class T, class ReadOne>
std::vector<T> readList(const Reader& reader, const json& document, const char* key, ReadOne readOne) {
    std::vector<T> items;
    if (!document.contains(key)) return items;
    const json& list = document[key];
    if (!list.is_array()) reader.expected(key, "a list", list);
    for (size_t i = 0; i < list.size(); ++i) items.push_back(readOne(list[i], Reader::index(key, i)));
    return items;
}

// Animated values need a frame range; ints and vectors get it the same way.
void checkAnimation(const Reader& reader, const SceneDescription& scene) {
    if (scene.hasFrames) return;
    for (const EffectDescription& effect : scene.effects) {
        auto check = [&](const ComponentDescription& component) {
            for (const FieldValue& value : component.values)
                if (value.animated())
                    reader.fail(value.path, "an animated value needs the scene's \"frames\": [first, last]");
        };
        check(effect.component);
        for (const ComponentDescription& modifier : effect.modifiers) check(modifier);
    }
}

}  // namespace

const ParameterTable* effectTable(const std::string& type) {
    const std::string f = folded(type);
    for (const ClassListEntry& entry : kClassList)
        if (entry.kind == ClassKind::effect && folded(entry.name) == f)
            return findParameterTable(entry.name);
    return nullptr;
}

const ParameterTable* modifierTable(const std::string& type) {
    std::string f = folded(type);
    if (f.size() > 8 && f.compare(f.size() - 8, 8, "modifier") == 0) f.resize(f.size() - 8);
    for (const ClassListEntry& entry : kClassList) {
        if (entry.kind != ClassKind::modifier) continue;
        std::string name = folded(entry.name);
        name.resize(name.size() - 8);
        if (name == f) return findParameterTable(entry.name);
    }
    return nullptr;
}

double SceneDescription::frameFraction(int frame) const {
    if (!hasFrames || lastFrame <= firstFrame) return frame > firstFrame ? 1.0 : 0.0;
    const double t = double(frame - firstFrame) / double(lastFrame - firstFrame);
    return std::clamp(t, 0.0, 1.0);
}

bool SceneDescription::animated() const {
    for (const EffectDescription& effect : effects) {
        for (const FieldValue& value : effect.component.values)
            if (value.animated()) return true;
        for (const ComponentDescription& modifier : effect.modifiers)
            for (const FieldValue& value : modifier.values)
                if (value.animated()) return true;
    }
    return false;
}

SceneDescription readScene(const json& document, const std::string& file) {
    const Reader reader(file);
    reader.object(document, "", "scene");
    SceneDescription scene;
    scene.file = file;
    scene.integrator = readIntegrator(document, file);
    if (document.contains("image")) {
        const json& image = document["image"];
        reader.object(image, "image", "image");
        if (image.contains("view") &&
            !viewCurveNamed(reader.text(image["view"], "image.view"), scene.view.curve))
            reader.fail("image.view", "expected \"filmic\" or \"standard\", found " + image["view"].dump());
        if (image.contains("exposure"))
            scene.view.exposure = float(reader.numberIn(image["exposure"], "image.exposure", -64.0, 64.0));
        if (image.contains("width")) scene.width = int(reader.integer(image["width"], "image.width", 1, 65536));
        if (image.contains("height")) scene.height = int(reader.integer(image["height"], "image.height", 1, 65536));
    }
    if (document.contains("background")) scene.background = reader.colour(document["background"], "background");
    if (document.contains("camera")) readCamera(reader, document["camera"], scene.camera);
    if (document.contains("frames")) {
        const json& frames = document["frames"];
        if (!frames.is_array() || frames.size() != 2)
            reader.fail("frames", "expected the frame range [first, last]");
        scene.firstFrame = int(reader.integer(frames[0], "frames[0]", 0, 999999));
        scene.lastFrame = int(reader.integer(frames[1], "frames[1]", 0, 999999));
        if (scene.lastFrame < scene.firstFrame)
            reader.fail("frames[1]", "the last frame comes before the first");
        scene.hasFrames = true;
    }
    scene.lights = readList<LightDescription>(reader, document, "lights", [&](const json& v, const std::string& p) {
        return readLight(reader, v, p);
    });
    scene.shaders = readList<ShaderDescription>(reader, document, "shaders", [&](const json& v, const std::string& p) {
        return readShader(reader, v, p);
    });
    scene.meshes = readList<MeshDescription>(reader, document, "meshes", [&](const json& v, const std::string& p) {
        return readMesh(reader, v, p);
    });
    for (size_t i = 0; i < scene.meshes.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (scene.meshes[i].name == scene.meshes[j].name)
                reader.fail(Reader::join(scene.meshes[i].jsonPath, "name"),
                            "a mesh named \"" + scene.meshes[i].name + "\" is already there");
    scene.effects = readList<EffectDescription>(reader, document, "effects", [&](const json& v, const std::string& p) {
        return readEffect(reader, v, p, scene.meshes);
    });
    checkAnimation(reader, scene);
    return scene;
}

SceneDescription readSceneText(const std::string& text, const std::string& file) {
    return readScene(parseJsonText(text, file), file);
}

SceneDescription readSceneFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) throw SceneFileError(path, "", "no such file");
    if (std::filesystem::is_directory(path, error)) throw SceneFileError(path, "", "is a folder, not a scene file");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw SceneFileError(path, "", "cannot be read");
    std::ostringstream text;
    text << in.rdbuf();
    return readSceneText(text.str(), path);
}

}  // namespace brumo::host
