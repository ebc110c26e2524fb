// The names of the grids baked into one OpenVDB file. A file of one effect holds "density", the
// name renderers look for, and "sample_colour", "emission", "extinction": readers list a file's
// grids by name and show the first, so every other name sorts after "density". With several
// effects, each grid carries its effect's name as a suffix (letters, digits and '_'), numbered
// when two effects share one.
#pragma once

#include <string>
#include <vector>

#include "host/bake/vdb_file.h"

namespace brumo::host {

struct BakedEffectName {
    std::string name;       // as the scene names the effect
    std::string className;  // "Fire"
};

// One entry per effect, in order; no colour grid unless `colour`, no emission and extinction
// grids unless `emission`.
std::vector<BakedGridNames> bakedGridNames(const std::vector<BakedEffectName>& effects, bool colour,
                                           bool emission = false);

}  // namespace brumo::host
