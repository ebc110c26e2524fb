// The subcommands of the brumo tool. Each returns the process exit status.
#pragma once

#include <optional>
#include <string>

namespace CLI {
class App;
class Validator;
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
    std::string className;  // one class, or every class when empty
    bool json = false;
    bool markdown = false;
};

struct NewOptions {
    std::string type;
    std::string output;  // empty: standard output
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
    bool strict = false;   // warnings about the scene are errors
    bool preview = false;  // half width and height, a quarter of the quality
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
    bool lit = false;       // colours after the shadow grid's darkening
    std::string frames;     // "first-last": one numbered file per frame
    int frame = -1;   // -1: the scene's first frame
    int threads = 0;  // 0: one per core
    bool quiet = false;
    bool strict = false;
};

// Validators whose messages say what was expected: "expected a whole number from 1 to 65536,
// found abc".
CLI::Validator wholeNumberIn(long low, long high);
CLI::Validator numberAtLeast(double low, bool lowOutside);

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
void addNewCommand(CLI::App& app, NewOptions& options);
int runNew(const NewOptions& options);
void addStudioCommand(CLI::App& app, StudioOptions& options);
int runStudio(const StudioOptions& options);

}  // namespace brumo::cli
