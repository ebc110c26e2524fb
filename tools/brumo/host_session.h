// What every command that runs the module shares: the reference host's services and scene, the
// module loaded and initialised, Ctrl-C as a cancel request, progress bars on the terminal, and
// the errors of setting all that up turned into one message and an exit status.
#pragma once

#include <functional>
#include <string>

#include "cli_progress.h"
#include "host/loader/module_loader.h"
#include "host/scene_file/scene_description.h"
#include "host/services/host_services.h"

namespace brumo::cli {

// Prints "brumo: message" on standard error.
void fail(const std::string& message);

// Prints one "brumo: warning: ..." line per setting the module will clamp, ignore or draw as
// nothing. Answers false when strict and there was any: the caller stops with kExitUsage.
bool reportSceneWarnings(const host::SceneDescription& scene, bool strict);

using HostWork = std::function<int(host::ModuleLoader& module, host::HostServices& services,
                                   CliProgress& progress)>;

// Runs work with the module from moduleOption (see modulePath) in a host holding the scene, and
// cleans the module up after it; work reports its own failures and answers the exit status.
int runInHost(const std::string& moduleOption, bool quiet, const host::SceneDescription& scene,
              const HostWork& work);

}  // namespace brumo::cli
