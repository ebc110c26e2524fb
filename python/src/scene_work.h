// The work a Python scene asks of the module: a render, samples of one effect, a bake. Each runs
// under the host's lock with the scene current, on threads of its own, and is called without
// the GIL. Progress reaches the caller on the calling thread; answering false stops the work.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/bake/volume_bake.h"
#include "host/image/image.h"
#include "scene_state.h"

namespace brumo::python {

// done and total, in tiles or slices; false stops the work (host::RenderCancelled or
// host::BakeCancelled).
using ProgressFunction = std::function<bool(double done, double total)>;

// The module answered a failure code.
class ModuleFailure : public std::runtime_error {
public:
    ModuleFailure(const std::string& what, QVResult code) : std::runtime_error(what), code(code) {}
    QVResult code;
};

// 0 for width, height or threads: the scene's size, one thread per core.
struct RenderRequest {
    int width = 0;
    int height = 0;
    int frame = 0;
    int threads = 0;
};

host::Image renderScene(SceneState& scene, const RenderRequest& request, const ProgressFunction& progress);

// density (and shape value and colour when their arrays are given) at count points of the
// effect's local space, at the frame; arrays of count entries.
void sampleEffect(SceneState& scene, size_t effect, int frame, int64_t count, const QVVector3* points,
                  float* densities, float* shapeValues, QVColourRecord* colours);

struct BakeRequest {
    double voxelSize = 0.0;  // 0: from the resolution
    int resolution = 128;
    bool colour = false;
    std::string effect;  // only the effects of this name; empty: all
    int frame = 0;
    int threads = 0;
};

struct BakedEffect {
    std::string name;
    std::string type;  // the class name
    host::VoxelGrid grid;
    std::vector<float> densities;  // z slices, rows along y, x fastest
    std::vector<QVColourRecord> colours;
};

// Throws host::BakeError for a layout out of range, std::invalid_argument for an unknown effect.
std::vector<BakedEffect> bakeScene(SceneState& scene, const BakeRequest& request, const ProgressFunction& progress);

// Writes baked effects to an OpenVDB file with the names brumo bake gives its grids.
void writeVdb(const std::string& path, const std::vector<BakedEffect>& baked, bool colour, float threshold);

int threadsOrCores(int threads);

}  // namespace brumo::python
