#include "host_session.h"

#include <cstdio>

#include "commands.h"
#include "host/scene_file/scene_builder.h"
#include "host/scene_file/scene_warnings.h"
#include "host/services/terminal_progress.h"
#include "module_path.h"
#include "qv/memory.h"

namespace brumo::cli {

void fail(const std::string& message) { std::fprintf(stderr, "brumo: %s\n", message.c_str()); }

bool reportSceneWarnings(const host::SceneDescription& scene, bool strict) {
    const std::vector<host::SceneWarning> warnings = host::sceneWarnings(scene);
    const std::string file = scene.file.empty() ? std::string("scene") : scene.file;
    for (const host::SceneWarning& warning : warnings)
        fail(std::string(strict ? "error" : "warning") + ": " + file + ": " + warning.text());
    if (strict && !warnings.empty()) {
        fail("--strict: " + std::to_string(warnings.size()) + " setting" +
             (warnings.size() == 1 ? " is" : "s are") + " not used as written; nothing was written");
        return false;
    }
    return true;
}

int runInHost(const std::string& moduleOption, bool quiet, const host::SceneDescription& scene,
              const HostWork& work) {
    const std::string path = modulePath(moduleOption);
    auto services = host::HostServices::create();
    qv::memoryServiceSlot() = &services->memory();
    int status = 0;
    CliProgress progress(stderr, quiet);
    struct ListenerScope {
        host::UtilityService& utility;
        ~ListenerScope() { utility.setProgressListener(nullptr); }
    } listening{services->utility()};
    services->utility().setProgressListener(&progress);
    try {
        host::populateHostScene(scene, services->scene());
        host::ModuleLoader module(path);
        module.initialise(services.get());
        host::cancelOnInterrupt(services->utility());
        status = work(module, *services, progress);
        module.cleanUp();
    } catch (const host::SceneFileError& error) {
        fail(error.what());
        status = kExitUsage;
    } catch (const host::ModuleLoadError& error) {
        fail(error.what());
        status = kExitFailure;
    }
    qv::memoryServiceSlot() = nullptr;
    return status;
}

}  // namespace brumo::cli
