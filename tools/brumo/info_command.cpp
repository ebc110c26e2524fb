#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "brumo/class_ids.h"
#include "brumo/parameter_fields.h"
#include "commands.h"
#include "host/common/guid_text.h"
#include "host/loader/module_loader.h"
#include "host/scene_file/parameter_block.h"
#include "host/scene_file/scene_builder.h"
#include "host/services/host_services.h"
#include "module_path.h"
#include "qv/memory.h"
#include "qv/result_codes.h"

namespace brumo::cli {

void addInfoCommand(CLI::App& app, InfoOptions& options) {
    CLI::App* info = app.add_subcommand(
        "info", "List the module's classes and every parameter with its offset, type and default");
    info->add_option("--module", options.module, "Module library to load");
    info->add_flag("--json", options.json, "Print the same as JSON");
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
        char code[32];
        std::snprintf(code, sizeof code, "failed (0x%08X)", static_cast<unsigned>(created));
        info.state = code;
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

void printText(const std::string& path, const std::vector<ClassInfo>& classes) {
    std::printf("Module %s\n\n", path.c_str());
    std::printf("%-20s %-40s %-12s %s\n", "Class", "Class id", "Kind", "Created");
    for (const ClassInfo& info : classes)
        std::printf("%-20s %-40s %-12s %s\n", info.entry->name,
                    host::guidText(info.entry->classId).c_str(), kindText(info.entry->kind),
                    info.state.c_str());
    for (const ClassInfo& info : classes) {
        if (info.table == nullptr) continue;
        std::printf("\n%s: block of %u bytes\n", info.entry->name, info.table->blockSize);
        std::printf("  %6s  %-10s  %-24s %s\n", "Offset", "Type", "Parameter", "Default");
        for (int32_t i = 0; i < info.table->fieldCount; ++i) {
            const FieldInfo& field = info.table->fields[i];
            std::printf("  %6u  %-10s  %-24s %s\n", field.offset, typeText(field.type), field.name,
                        shortText(info.defaults[field.name], field.type).c_str());
        }
    }
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
                parameters.push_back({{"name", field.name},
                                      {"offset", field.offset},
                                      {"type", typeText(field.type)},
                                      {"default", info.defaults[field.name]}});
            }
            entry["parameters"] = parameters;
        }
        document["classes"].push_back(entry);
    }
    std::printf("%s\n", document.dump(2).c_str());
}

}  // namespace

int runInfo(const InfoOptions& options) {
    const std::string path = modulePath(options.module);
    auto services = host::HostServices::create();
    qv::memoryServiceSlot() = &services->memory();
    int status = 0;
    try {
        host::ModuleLoader module(path);
        module.initialise(services.get());
        std::vector<ClassInfo> classes;
        for (const ClassListEntry& entry : kClassList) classes.push_back(describe(module, entry));
        if (options.json)
            printJson(path, classes);
        else
            printText(path, classes);
        module.cleanUp();
    } catch (const host::ModuleLoadError& error) {
        std::fprintf(stderr, "brumo: %s\n", error.what());
        status = kExitFailure;
    }
    qv::memoryServiceSlot() = nullptr;
    return status;
}

}  // namespace brumo::cli
