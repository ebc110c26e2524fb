#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "commands.h"
#include "host/common/guid_text.h"
#include "host/loader/module_loader.h"
#include "host/services/host_services.h"
#include "module_path.h"
#include "qv/memory.h"
#include "qv/result_codes.h"

#include "brumo/class_ids.h"

namespace brumo::cli {

void addInfoCommand(CLI::App& app, InfoOptions& options) {
    CLI::App* info = app.add_subcommand("info", "Load the module and list its classes");
    info->add_option("--module", options.module, "Module library to load");
}

int runInfo(const InfoOptions& options) {
    const std::string path = modulePath(options.module);
    auto services = host::HostServices::create();
    qv::memoryServiceSlot() = &services->memory();
    int status = 0;
    try {
        host::ModuleLoader module(path);
        module.initialise(services.get());
        std::printf("Module %s\n\n", path.c_str());
        std::printf("%-20s %-40s %s\n", "Class", "Class id", "Created");
        for (const brumo::ClassListEntry& entry : brumo::kClassList) {
            void* object = nullptr;
            const QVResult created =
                module.createInstance(entry.classId, qv::IID_IQVUnknown, &object);
            qv::releaseSlot(&object);
            std::string state = "yes";
            if (created == qv::kClassNotAvailable) {
                state = "not yet";
            } else if (created != qv::kOk) {
                char code[32];
                std::snprintf(code, sizeof code, "failed (0x%08X)", static_cast<unsigned>(created));
                state = code;
            }
            std::printf("%-20s %-40s %s\n", entry.name, host::guidText(entry.classId).c_str(),
                        state.c_str());
        }
        module.cleanUp();
    } catch (const host::ModuleLoadError& error) {
        std::fprintf(stderr, "brumo: %s\n", error.what());
        status = kExitFailure;
    }
    qv::memoryServiceSlot() = nullptr;
    return status;
}

}  // namespace brumo::cli
