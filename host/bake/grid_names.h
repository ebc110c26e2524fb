// The names of the grids baked into one OpenVDB file. A file of one effect holds "density" and
// "Cd", the names renderers look for; with several, each grid carries its effect's name as a
// suffix (letters, digits and '_'), numbered when two effects share one.
#pragma once

#include <string>
#include <vector>

#include "host/bake/vdb_file.h"

namespace brumo::host {

struct BakedEffectName {
    std::string name;       // as the scene names the effect
    std::string className;  // "Fire"
};

// One entry per effect, in order; no colour grid unless `colour`.
std::vector<BakedGridNames> bakedGridNames(const std::vector<BakedEffectName>& effects, bool colour);

}  // namespace brumo::host
