#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "brumo/class_ids.h"
#include "brumo/parameter_fields.h"
#include "commands.h"
#include "host/common/guid_text.h"
#include "host/common/text.h"
#include "host/loader/module_loader.h"
#include "host/scene_file/parameter_block.h"
#include "host/scene_file/scene_builder.h"
#include "host/scene_file/scene_description.h"
#include "host/scene_file/scene_file_error.h"
#include "host/scene_file/scene_schema.h"
#include "host/services/host_services.h"
#include "module_path.h"
#include "qv/memory.h"
#include "qv/result_codes.h"

namespace brumo::cli {

void addInfoCommand(CLI::App& app, InfoOptions& options) {
    CLI::App* info = app.add_subcommand(
        "info", "List the module's classes and every parameter: meaning, values, unit, default");
    info->add_option("class", options.className,
                     "One class (\"Fire\", \"twist\") or \"scene\" for the scene file's own settings");
    info->add_option("--module", options.module, "Module library to load");
    info->add_flag("--json", options.json, "Print the same as JSON");
    info->add_flag("--markdown", options.markdown, "Print the reference as Markdown (docs/parameters.md)");
}

namespace {

const char* kindText(ClassKind kind) {
    switch (kind) {
        case ClassKind::effect: return "effect";
        case ClassKind::modifier: return "modifier";
        case ClassKind::editorPart: return "editor part";
    }
    return "";
}

const char* typeText(FieldType type) {
    switch (type) {
        case FieldType::float32: return "float";
        case FieldType::int32: return "int32";
        case FieldType::fourCharCode: return "code";
        case FieldType::bitSet32: return "bits32";
        case FieldType::flag8: return "flag";
        case FieldType::vector3: return "vector3";
        case FieldType::string: return "string";
        case FieldType::colourGradient: return "gradient";
        case FieldType::falloffPairs16: return "pairs16";
        case FieldType::componentList: return "components";
    }
    return "";
}

// A default short enough for one line of the table.
std::string shortText(const nlohmann::json& value, FieldType type) {
    if (type == FieldType::colourGradient) return std::to_string(value.size()) + " keys";
    if (type == FieldType::componentList) return "(attached modifiers)";
    if (type == FieldType::falloffPairs16) {
        // The pairs differ by option bit; show the distinct ones.
        std::string text;
        for (size_t i = 0; i < value.size(); ++i)
            if (i == 0 || value[i] != value[i - 1])
                text += (text.empty() ? "" : " ") + std::to_string(i) + ":" + value[i].dump();
        return text;
    }
    return value.dump();
}

std::string numberText(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", v);
    return text;
}

// "above 0", "0.01 to 327.68", "at least 0".
std::string rangeText(const FieldInfo& field) {
    if (!field.ranged) return {};
    if (field.high >= 1e29) return std::string(field.openLow ? "above " : "from ") + numberText(field.low);
    return std::string(field.openLow ? "above " : "") + numberText(field.low) + " to " + numberText(field.high);
}

std::string choiceValue(const FieldInfo& field, const FieldChoice& choice) {
    if (field.type == FieldType::fourCharCode) return "\"" + host::fourCharCodeText(choice.value) + "\"";
    if (field.type == FieldType::bitSet32) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%X", choice.value);
        return text;
    }
    return std::to_string(choice.value);
}

nlohmann::json fieldSchema(const FieldInfo& field) {
    nlohmann::json schema{{"meaning", field.meaning}};
    if (field.unit[0] != '\0') schema["unit"] = field.unit;
    if (field.ranged) {
        schema["range"] = {{field.openLow ? "above" : "from", field.low}};
        if (field.high < 1e29) schema["range"]["to"] = field.high;
    }
    if (field.choiceCount > 0) {
        nlohmann::json choices = nlohmann::json::array();
        for (int32_t i = 0; i < field.choiceCount; ++i) {
            const FieldChoice& c = field.choices[i];
            nlohmann::json value = field.type == FieldType::fourCharCode
                                       ? nlohmann::json(host::fourCharCodeText(c.value))
                                       : nlohmann::json(c.value);
            choices.push_back({{"name", c.name}, {"value", value}, {"meaning", c.meaning}});
        }
        schema["choices"] = choices;
    }
    if (field.outside[0] != '\0') schema["otherwise"] = field.outside;
    return schema;
}

struct ClassInfo {
    const ClassListEntry* entry = nullptr;
    std::string state;
    const ParameterTable* table = nullptr;
    nlohmann::json defaults;  // by field name
};

ClassInfo describe(host::ModuleLoader& module, const ClassListEntry& entry) {
    ClassInfo info;
    info.entry = &entry;
    info.state = "yes";
    host::Ref<IQVUnknown> object;
    const QVResult created =
        module.createInstance(entry.classId, qv::IID_IQVUnknown, reinterpret_cast<void**>(object.slot()));
    if (created == qv::kClassNotAvailable) {
        info.state = "not yet";
        return info;
    }
    if (created != qv::kOk || !object) {
        info.state = "failed (" + host::resultCodeText(created) + ")";
        return info;
    }
    info.table = findParameterTable(entry.name);
    if (info.table == nullptr) return info;
    const void* block = nullptr;
    try {
        block = host::parameterBlockOf(object.get(), *info.table);
    } catch (const host::ComponentError& error) {
        info.state = error.what();
        info.table = nullptr;
        return info;
    }
    for (int32_t i = 0; i < info.table->fieldCount; ++i)
        info.defaults[info.table->fields[i].name] = host::readField(block, info.table->fields[i]);
    return info;
}

void printSettingTable(const host::SettingTable& table) {
    std::printf("\n%s%s%s\n", table.name, table.where[0] != '\0' ? " at " : "", table.where);
    for (const host::SettingInfo& setting : table.settings) {
        std::printf("  %-14s %-38s %s\n", setting.key, setting.kind, setting.meaning);
        if (setting.unit[0] != '\0' || setting.defaultText[0] != '\0')
            std::printf("  %-14s %-38s %s%s%s%s\n", "", "", setting.unit[0] != '\0' ? "unit: " : "",
                        setting.unit, setting.unit[0] != '\0' && setting.defaultText[0] != '\0' ? "; " : "",
                        setting.defaultText[0] != '\0' ? ("default " + std::string(setting.defaultText)).c_str() : "");
    }
}

void printFields(const ClassInfo& info) {
    std::printf("\n%s: block of %u bytes\n", info.entry->name, info.table->blockSize);
    std::printf("  %6s  %-10s  %-24s %s\n", "Offset", "Type", "Parameter", "Default");
    for (int32_t i = 0; i < info.table->fieldCount; ++i) {
        const FieldInfo& field = info.table->fields[i];
        std::printf("  %6u  %-10s  %-24s %s\n", field.offset, typeText(field.type), field.name,
                    shortText(info.defaults[field.name], field.type).c_str());
        std::string about = field.meaning;
        if (field.unit[0] != '\0') about += std::string(" [") + field.unit + "]";
        if (field.ranged) about += "; takes effect " + rangeText(field);
        if (field.outside[0] != '\0') about += std::string("; otherwise ") + field.outside;
        std::printf("  %6s  %-10s  %s\n", "", "", about.c_str());
        for (int32_t c = 0; c < field.choiceCount; ++c)
            std::printf("  %6s  %-10s    %-18s %-12s %s\n", "", "", field.choices[c].name,
                        choiceValue(field, field.choices[c]).c_str(), field.choices[c].meaning);
    }
}

void printText(const std::string& path, const std::vector<ClassInfo>& classes, bool everything) {
    if (everything) {
        std::printf("Module %s\n\n", path.c_str());
        std::printf("%-20s %-40s %-12s %s\n", "Class", "Class id", "Kind", "Created");
        for (const ClassInfo& info : classes)
            std::printf("%-20s %-40s %-12s %s\n", info.entry->name,
                        host::guidText(info.entry->classId).c_str(), kindText(info.entry->kind),
                        info.state.c_str());
    }
    for (const ClassInfo& info : classes)
        if (info.table != nullptr) printFields(info);
    if (everything) {
        std::printf("\nScene file settings (codes and bits above may also be written by name)\n");
        for (const host::SettingTable& table : host::sceneSettingTables()) printSettingTable(table);
    }
}

nlohmann::json settingsJson() {
    nlohmann::json tables = nlohmann::json::array();
    for (const host::SettingTable& table : host::sceneSettingTables()) {
        nlohmann::json settings = nlohmann::json::array();
        for (const host::SettingInfo& s : table.settings) {
            nlohmann::json entry{{"key", s.key}, {"kind", s.kind}, {"meaning", s.meaning}};
            if (s.unit[0] != '\0') entry["unit"] = s.unit;
            if (s.defaultText[0] != '\0') entry["default"] = s.defaultText;
            settings.push_back(entry);
        }
        tables.push_back({{"name", table.name}, {"at", table.where}, {"settings", settings}});
    }
    return tables;
}

void printJson(const std::string& path, const std::vector<ClassInfo>& classes) {
    nlohmann::json document{{"module", path}, {"classes", nlohmann::json::array()}};
    for (const ClassInfo& info : classes) {
        nlohmann::json entry{{"name", info.entry->name},
                             {"classId", host::guidText(info.entry->classId)},
                             {"kind", kindText(info.entry->kind)},
                             {"created", info.state == "yes"}};
        if (info.state != "yes") entry["problem"] = info.state;
        if (info.table != nullptr) {
            entry["blockSize"] = info.table->blockSize;
            nlohmann::json parameters = nlohmann::json::array();
            for (int32_t i = 0; i < info.table->fieldCount; ++i) {
                const FieldInfo& field = info.table->fields[i];
                nlohmann::json parameter{{"name", field.name},
                                         {"offset", field.offset},
                                         {"type", typeText(field.type)},
                                         {"default", info.defaults[field.name]}};
                parameter.update(fieldSchema(field));
                parameters.push_back(parameter);
            }
            entry["parameters"] = parameters;
        }
        document["classes"].push_back(entry);
    }
    document["sceneSettings"] = settingsJson();
    std::printf("%s\n", document.dump(2).c_str());
}

// The reference of docs/parameters.md: the same tables, for people reading the repository.
void printMarkdown(const std::vector<ClassInfo>& classes) {
    std::printf("# Parameters\n\n");
    std::printf("Generated by `brumo info --markdown` (build target `parameters_doc`); do not edit.\n");
    std::printf("In a scene file, effect and modifier parameters go under `\"parameters\"` by name.\n");
    std::printf("Codes, numbered choices and bits may be written by name (`\"lightingMode\": \"scene\"`,\n");
    std::printf("`\"shapeFlags\": [\"cylinderZ\"]`) or as the module stores them (`\"Opt2\"`, `64`).\n");
    std::printf("A value outside the range that takes effect gets a warning before rendering.\n");
    auto cell = [](std::string text) {
        std::string out;
        for (char c : text) out += c == '|' ? std::string("\\|") : std::string(1, c);
        return out;
    };
    for (const ClassInfo& info : classes) {
        if (info.table == nullptr) continue;
        std::printf("\n## %s (%s, %u bytes)\n\n", info.entry->name, kindText(info.entry->kind),
                    info.table->blockSize);
        std::printf("| Parameter | Type | Default | Meaning | Values |\n|---|---|---|---|---|\n");
        for (int32_t i = 0; i < info.table->fieldCount; ++i) {
            const FieldInfo& field = info.table->fields[i];
            std::string values;
            if (field.ranged) values = "takes effect " + rangeText(field);
            for (int32_t c = 0; c < field.choiceCount; ++c)
                values += std::string(values.empty() ? "" : "; ") + "`" + field.choices[c].name + "` (" +
                          choiceValue(field, field.choices[c]) + "): " + field.choices[c].meaning;
            if (field.outside[0] != '\0') values += std::string(values.empty() ? "" : "; ") + "otherwise " + field.outside;
            std::string meaning = field.meaning;
            if (field.unit[0] != '\0') meaning += std::string(" (") + field.unit + ")";
            std::printf("| `%s` | %s | `%s` | %s | %s |\n", field.name, typeText(field.type),
                        field.randomDefault ? "random"
                                            : cell(shortText(info.defaults[field.name], field.type)).c_str(),
                        cell(meaning).c_str(), cell(values).c_str());
        }
    }
    std::printf("\n## Scene file settings\n");
    for (const host::SettingTable& table : host::sceneSettingTables()) {
        std::printf("\n### %s%s%s\n\n", table.name, table.where[0] != '\0' ? " (`" : "",
                    table.where[0] != '\0' ? (std::string(table.where) + "`)").c_str() : "");
        std::printf("| Key | Value | Meaning | Unit | Default |\n|---|---|---|---|---|\n");
        for (const host::SettingInfo& s : table.settings)
            std::printf("| `%s` | %s | %s | %s | %s |\n", s.key, cell(s.kind).c_str(), cell(s.meaning).c_str(),
                        s.unit, cell(s.defaultText).c_str());
    }
}

// The class a user names: "Fire", "fire", "twist", "TwistModifier".
const ClassListEntry* namedClass(const std::string& name) {
    const ParameterTable* table = host::effectTable(name);
    if (table == nullptr) table = host::modifierTable(name);
    for (const ClassListEntry& entry : kClassList) {
        if (table != nullptr && std::string(entry.name) == table->className) return &entry;
        if (table == nullptr && name == entry.name) return &entry;
    }
    return nullptr;
}

}  // namespace

int runInfo(const InfoOptions& options) {
    const bool sceneOnly = options.className == "scene";
    const ClassListEntry* only = nullptr;
    if (!options.className.empty() && !sceneOnly) {
        only = namedClass(options.className);
        if (only == nullptr) {
            std::vector<std::string> names{"scene"};
            for (const ClassListEntry& entry : kClassList) names.push_back(entry.name);
            std::fprintf(stderr, "brumo: info: unknown class \"%s\"%s\n", options.className.c_str(),
                         host::suggestion(options.className, names).c_str());
            return kExitUsage;
        }
    }
    if (sceneOnly && !options.json) {
        for (const host::SettingTable& table : host::sceneSettingTables()) printSettingTable(table);
        return 0;
    }
    const std::string path = modulePath(options.module);
    auto services = host::HostServices::create();
    qv::memoryServiceSlot() = &services->memory();
    int status = 0;
    try {
        host::ModuleLoader module(path);
        module.initialise(services.get());
        std::vector<ClassInfo> classes;
        for (const ClassListEntry& entry : kClassList)
            if (!sceneOnly && (only == nullptr || only == &entry)) classes.push_back(describe(module, entry));
        if (options.markdown)
            printMarkdown(classes);
        else if (options.json)
            printJson(path, classes);
        else
            printText(path, classes, only == nullptr);
        classes.clear();
        module.cleanUp();
    } catch (const host::ModuleLoadError& error) {
        std::fprintf(stderr, "brumo: %s\n", error.what());
        status = kExitFailure;
    }
    qv::memoryServiceSlot() = nullptr;
    return status;
}

}  // namespace brumo::cli
