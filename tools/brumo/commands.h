// The subcommands of the brumo tool. Each returns the process exit status.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace brumo::cli {

// Exit status for bad arguments or bad input files.
constexpr int kExitUsage = 2;
// Exit status when the work cannot be done (no module, no renderer).
constexpr int kExitFailure = 1;

struct InfoOptions {
    std::string module;
};

struct RenderOptions {
    std::string module;
    std::string scene;
    std::string output = "brumo.png";
    std::string exr;
    int width = 320;
    int height = 240;
    int threads = 0;  // 0: one per core
};

void addInfoCommand(CLI::App& app, InfoOptions& options);
void addRenderCommand(CLI::App& app, RenderOptions& options);
int runInfo(const InfoOptions& options);
int runRender(const RenderOptions& options);

}  // namespace brumo::cli
