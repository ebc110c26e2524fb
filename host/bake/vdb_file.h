// OpenVDB output of baked effects: per effect a float grid of density, a fog volume with
// background 0 whose voxels below the threshold stay inactive, and optionally on the same voxels
// a vec3 grid of colour and the emission (vec3) and absorption (float) grids of the effect's
// own light model. Readers list the grids of a file by name, so every other grid has a name
// that sorts after "density": a tool that shows the first grid shows a density. The grids carry the index-to-world map of their layout (the
// effect's placement included), so tools put them where the effect stood.
//
// OpenVDB stays behind this header, in a library of its own loaded by the first VdbVolumeFile
// (vdb_grids.h): a program that only renders never loads it.
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
    std::string colour;      // "sample_colour", "sample_colour_NAME"; empty for no colour grid
    std::string effectName;  // written as the grids' brumo_effect metadata
    std::string effectType;  // the class name, as brumo_effect_type
    std::string emission;    // "emission", "emission_NAME"; empty for none
    std::string absorption;  // "extinction", "extinction_NAME"; written with the emission
};

// How a sampled density becomes light and its loss along a ray, per world unit: a renderer
// that integrates emission × transmittance, with transmittance exp(-∫ absorption), gives the
// look of the effect's own march.
struct EmissionModel {
    float depthPerDensity = 0.0f;  // optical depth per world unit of density 1
    float extinction = 1.0f;       // absorbed share of the optical depth (1 / absorptionDistance)
};

class VdbGrids;

class VdbVolumeFile {
public:
    // Throws VolumeWriteError when the OpenVDB writer library cannot be loaded.
    VdbVolumeFile();
    ~VdbVolumeFile();
    VdbVolumeFile(const VdbVolumeFile&) = delete;
    VdbVolumeFile& operator=(const VdbVolumeFile&) = delete;

    // Starts the grids of one effect laid out as `grid`; returns its number for addSlice.
    // Densities below threshold (and NaN) are left inactive. The emission grid holds
    // depthPerDensity × density × colour, the absorption grid extinction × depthPerDensity ×
    // density, both per world unit.
    size_t addEffect(const VoxelGrid& grid, const BakedGridNames& names, float threshold,
                     const EmissionModel& model = {});
    // One slice as sampleGrid gives it; colours are needed for the colour and emission grids.
    // Not safe from several threads at once.
    void addSlice(size_t effect, int32_t z, const float* densities, const QVColourRecord* colours);
    uint64_t activeVoxels(size_t effect) const;
    // Leaves the effect's colour grid out of the file when every active voxel has the same
    // colour; answers whether it did, and that colour.
    bool dropConstantColour(size_t effect, QVColourRecord& colour);

    // Writes every grid to path through a temporary file beside it that is renamed into place.
    // Throws VolumeWriteError naming the path; the target is then untouched.
    void write(const std::string& path);

private:
    std::unique_ptr<VdbGrids> grids_;
};

}  // namespace brumo::host
