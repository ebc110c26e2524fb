// The subcommands of the brumo tool. Each returns the process exit status.
#pragma once

#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace brumo::cli {

// Exit status for bad arguments or bad input files.
constexpr int kExitUsage = 2;
// Exit status when the work cannot be done (no module, a failure inside it, no disk space).
constexpr int kExitFailure = 1;
// Exit status after Ctrl-C, as a shell reports a process ended by SIGINT.
constexpr int kExitInterrupted = 130;

struct InfoOptions {
    std::string module;
    bool json = false;
};

struct RenderOptions {
    std::string module;
    std::string scene;
    std::string effect;
    std::string output = "brumo.png";
    std::string exr;
    std::optional<double> exposure;  // stops; unset: the scene's
    std::string view;                // empty: the scene's
    int width = 0;   // 0: the scene's
    int height = 0;  // 0: the scene's
    int threads = 0;  // 0: one per core
    std::string frames;  // "first-last"
    int frame = -1;
    bool stats = false;
    bool quiet = false;
    std::string integrator;  // empty: the scene's
};

struct BakeOptions {
    std::string module;
    std::string scene;
    std::string effect;  // one effect of the scene, by name
    std::string output = "brumo.vdb";
    double voxelSize = 0.0;  // 0: from the resolution
    int resolution = 0;      // 0: 128 voxels along the longest edge
    double threshold = 1e-4;
    bool colour = false;
    bool emission = false;  // the emission and absorption grids
    std::string frames;     // "first-last": one numbered file per frame
    int frame = -1;   // -1: the scene's first frame
    int threads = 0;  // 0: one per core
    bool quiet = false;
};

struct StudioOptions {
    std::string module;
    std::string scene;
    int port = 8765;  // 0: any free port
    int threads = 0;  // 0: one per core
    bool quiet = false;
};

void addInfoCommand(CLI::App& app, InfoOptions& options);
void addRenderCommand(CLI::App& app, RenderOptions& options);
int runInfo(const InfoOptions& options);
int runRender(const RenderOptions& options);
void addBakeCommand(CLI::App& app, BakeOptions& options);
int runBake(const BakeOptions& options);
void addStudioCommand(CLI::App& app, StudioOptions& options);
int runStudio(const StudioOptions& options);

}  // namespace brumo::cli
