#include "host/scene_file/scene_warnings.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "host/scene/shaders.h"
#include "host/services/resource_service.h"

namespace brumo::host {

namespace {

std::string number(double v) {
    std::ostringstream text;
    text.precision(9);
    text << v;
    return text.str();
}

// The value as the scene wrote it.
std::string written(const FieldValue& value) {
    if (!value.text.empty() || value.field->type == FieldType::string ||
        value.field->type == FieldType::fourCharCode)
        return "\"" + value.text + "\"";
    if (value.from.size() == 1 && !value.animated()) return number(value.from[0]);
    std::string text;
    for (const std::vector<double>* list : {&value.from, &value.to}) {
        if (list->empty()) continue;
        std::string one;
        for (double v : *list) one += (one.empty() ? "" : ", ") + number(v);
        text += (text.empty() ? "" : " to ") + (list->size() > 1 ? "[" + one + "]" : one);
    }
    return text;
}

const FieldValue* valueOf(const ComponentDescription& component, const char* name) {
    for (const FieldValue& value : component.values)
        if (std::string(value.field->name) == name) return &value;
    return nullptr;
}

// The numbers a value takes across the frames: its first and, when animated, its last.
std::vector<double> extremes(const FieldValue& value) {
    std::vector<double> all = value.from;
    all.insert(all.end(), value.to.begin(), value.to.end());
    return all;
}

std::string choiceList(const FieldInfo& field) {
    std::string list;
    for (int32_t i = 0; i < field.choiceCount; ++i)
        list += std::string(list.empty() ? "" : ", ") + "\"" + field.choices[i].name + "\"";
    return list;
}

std::string rangeText(const FieldInfo& field) {
    if (field.high >= 1e29) return std::string(field.openLow ? "above " : "of at least ") + number(field.low);
    return std::string(field.openLow ? "above " : "from ") + number(field.low) + " to " + number(field.high);
}

class Collector {
public:
    explicit Collector(const SceneDescription& scene) {
        for (const char* name : {shader_names::kConstant, shader_names::kChecker,
                                 shader_names::kHeightGradient, shader_names::kNoise})
            shaders_.push_back(name);
        for (const ShaderDescription& shader : scene.shaders) shaders_.push_back(shader.name);
        for (const LightDescription& light : scene.lights) {
            if (light.kind == LightDescription::Kind::distant) ++distantLights_;
            if (light.kind == LightDescription::Kind::point) ++pointLights_;
        }
    }

    void add(const std::string& path, const std::string& value, const std::string& consequence,
             const std::string& advice) {
        warnings_.push_back({path, value, consequence, advice});
    }

    void component(const ComponentDescription& component, const std::string& path) {
        for (const FieldValue& value : component.values) field(value);
        shaderChoice(component, "densityShaderName", "noiseType",
                     "the density comes from the built-in noise",
                     "write \"noiseType\": \"shader\" to use the shader, or leave the name out");
        shaderChoice(component, "colourShaderName", "colourFromGradient",
                     "the colour comes from colourGradient",
                     "write \"colourFromGradient\": 0 to use the shader, or leave the name out");
        shaderChoice(component, "shaderName", "builtInNoise",
                     "the modifier displaces with its built-in noise",
                     "write \"builtInNoise\": 0 to use the shader, or leave the name out");
        lighting(component, path);
        thinSamples(component);
    }

    std::vector<SceneWarning> take() { return std::move(warnings_); }

private:
    // A value outside where it takes effect, or a code without a name.
    void field(const FieldValue& value) {
        const FieldInfo& field = *value.field;
        if (field.type == FieldType::fourCharCode && field.choiceCount > 0) {
            for (int32_t i = 0; i < field.choiceCount; ++i)
                if (value.text == fourCharCodeText(field.choices[i].value)) return;
            add(value.path, written(value), field.outside, "write one of " + choiceList(field));
            return;
        }
        if (field.type == FieldType::bitSet32 && field.choiceCount > 0) {
            if (!value.from.empty() && uint32_t(value.from[0]) > 0xFFFFu)
                add(value.path, written(value), field.outside, "use bits 0 to 15, or their names");
            return;
        }
        if (field.type == FieldType::int32 && field.choiceCount > 0) {
            for (double v : extremes(value)) {
                bool named = false;
                for (int32_t i = 0; i < field.choiceCount; ++i) named |= double(field.choices[i].value) == v;
                if (!named) {
                    add(value.path, written(value), field.outside, "write one of " + choiceList(field));
                    return;
                }
            }
            return;
        }
        if (!field.ranged || field.type == FieldType::vector3) return;
        for (double v : extremes(value))
            if (!field.inRange(float(v))) {
                add(value.path, written(value), field.outside,
                    std::string("write a ") + field.name + " " + rangeText(field));
                return;
            }
    }

    // A shader named where the switch beside it says the shader is not used, or a shader the
    // scene does not have.
    void shaderChoice(const ComponentDescription& component, const char* nameField,
                      const char* switchField, const std::string& ignored,
                      const std::string& advice) {
        const FieldInfo* nameInfo = findField(*component.table, nameField);
        if (nameInfo == nullptr) return;
        const FieldValue* name = valueOf(component, nameField);
        const FieldValue* choice = valueOf(component, switchField);
        // A switch of 0 picks the shader; every class defaults to its built-in source.
        const bool shaderUsed = choice != nullptr && !choice->from.empty() && choice->from[0] == 0.0;
        if (name != nullptr && !shaderUsed) {
            // The module itself writes a built-in pattern's name, or "None", there: nothing a
            // user chose is ignored.
            for (int32_t text : {3, 4, 5, 6, 8})
                if (name->text == ResourceService::defaultModuleStrings().at(text)) return;
            add(name->path, written(*name), "ignored: " + ignored, advice);
            return;
        }
        if (!shaderUsed) return;
        const std::string wanted = name != nullptr ? name->text : std::string();
        if (std::find(shaders_.begin(), shaders_.end(), wanted) != shaders_.end()) return;
        const std::string path = name != nullptr ? name->path : choice->path;
        add(path, name != nullptr ? written(*name) : written(*choice),
            wanted.empty() ? std::string("no shader is named: the shader's part is empty")
                           : "no shader of that name: the shader's part is empty" +
                                 suggestion(wanted, shaders_),
            std::string("name one of the scene's shaders in ") + nameField);
    }

    // A sample counts only when its optical depth (2 x densityAmount x step x density) is above
    // 2^-14, so very short steps drop thin vapour altogether: the effect shrinks to its dense
    // core. Worth a word once vapour of more than a fiftieth of full density is dropped.
    void thinSamples(const ComponentDescription& component) {
        const FieldValue* quality = valueOf(component, "quality");
        if (quality == nullptr) return;
        const FieldValue* amount = valueOf(component, "densityAmount");
        double densityAmount = 1.0;  // every class's default
        if (amount != nullptr && !amount->from.empty()) densityAmount = amount->from[0];
        if (!(densityAmount > 0.0)) return;  // warned about on its own
        constexpr double kDropped = 0.02;
        for (double q : extremes(*quality)) {
            const double step = std::max(2.0 / (std::min(q, 327.68) * 100.0), kFieldNegligible);
            const double thinnest = kFieldNegligible / (2.0 * densityAmount * step);
            if (q < 0.01 || thinnest <= kDropped) continue;
            const double largest = kDropped * 2.0 * densityAmount * 2.0 / (100.0 * kFieldNegligible);
            add(quality->path, written(*quality),
                "steps this short skip every sample of vapour thinner than " + number(thinnest) +
                    " of full density: the effect is drawn smaller, only where it is dense",
                "write a quality of at most " + number(std::floor(largest)) +
                    " (or raise densityAmount with it)");
            return;
        }
    }

    // Scene lighting without a light the module can use.
    void lighting(const ComponentDescription& component, const std::string& path) {
        if (findField(*component.table, "lightingMode") == nullptr) return;
        const FieldValue* mode = valueOf(component, "lightingMode");
        // Clouds light themselves from the scene unless told otherwise.
        const bool scene = mode != nullptr ? mode->text == "Opt2" : component.className == "Clouds";
        if (!scene || distantLights_ > 0) return;
        const std::string where = mode != nullptr ? mode->path : path + ".type";
        const std::string points =
            pointLights_ > 0 ? " (point lights do not light the effects)" : std::string();
        add(where, mode != nullptr ? written(*mode) : "\"" + component.className + "\"",
            "scene lighting with no distant light" + points + ": the vapour is unlit and dark",
            "add a light of \"type\": \"distant\" under \"lights\", or write \"lighting\": \"fixed\"");
    }

    std::vector<std::string> shaders_;
    int distantLights_ = 0;
    int pointLights_ = 0;
    std::vector<SceneWarning> warnings_;
};

}  // namespace

std::string SceneWarning::text() const {
    return path + ": " + value + ": " + consequence + "; " + advice;
}

std::vector<SceneWarning> sceneWarnings(const SceneDescription& scene) {
    Collector collector(scene);
    for (const EffectDescription& effect : scene.effects) {
        collector.component(effect.component, effect.path);
        for (size_t i = 0; i < effect.modifiers.size(); ++i)
            collector.component(effect.modifiers[i], effect.path + ".modifiers[" + std::to_string(i) + "]");
    }
    return collector.take();
}

}  // namespace brumo::host
