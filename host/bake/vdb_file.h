// OpenVDB output of baked effects: per effect a float grid of density, a fog volume with
// background 0 whose voxels below the threshold stay inactive, and optionally a vec3 grid of
// colour on the same voxels. The grids carry the index-to-world map of their layout (the
// effect's placement included), so tools put them where the effect stood.
//
// OpenVDB stays behind this header, so that only vdb_file.cpp compiles its templates.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "host/bake/volume_bake.h"

namespace brumo::host {

class VolumeWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct BakedGridNames {
    std::string density;     // "density", or "density_NAME" beside other effects
    std::string colour;      // "Cd", "Cd_NAME"; empty for no colour grid
    std::string effectName;  // written as the grids' brumo_effect metadata
    std::string effectType;  // the class name, as brumo_effect_type
};

class VdbVolumeFile {
public:
    VdbVolumeFile();
    ~VdbVolumeFile();
    VdbVolumeFile(const VdbVolumeFile&) = delete;
    VdbVolumeFile& operator=(const VdbVolumeFile&) = delete;

    // Starts the grids of one effect laid out as `grid`; returns its number for addSlice.
    // Densities below threshold (and NaN) are left inactive.
    size_t addEffect(const VoxelGrid& grid, const BakedGridNames& names, float threshold);
    // One slice as sampleGrid gives it. Not safe from several threads at once.
    void addSlice(size_t effect, int32_t z, const float* densities, const QVColourRecord* colours);
    uint64_t activeVoxels(size_t effect) const;

    // Writes every grid to path through a temporary file beside it that is renamed into place.
    // Throws VolumeWriteError naming the path; the target is then untouched.
    void write(const std::string& path);

private:
    struct Grids;
    std::unique_ptr<Grids> grids_;
};

}  // namespace brumo::host
