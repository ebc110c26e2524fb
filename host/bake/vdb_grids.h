// The grids of a VDB file being baked, as the OpenVDB writer library (libbrumo_vdb.so) keeps
// them. The library is loaded only when a bake writes a VDB file: a program linked with OpenVDB
// resolves its tens of thousands of symbol relocations at every start, which costs more than
// rendering the default scene.
#pragma once

#include <cstdint>
#include <string>

#include "host/bake/vdb_file.h"

namespace brumo::host {

class VdbGrids {
public:
    virtual ~VdbGrids() = default;
    // indexToWorld as VoxelGrid gives it; nx and ny the voxels of a slice.
    virtual size_t addEffect(int32_t nx, int32_t ny, const double (&indexToWorld)[3][4],
                             const BakedGridNames& names, float threshold, const EmissionModel& model) = 0;
    virtual void addSlice(size_t effect, int32_t z, const float* densities, const QVColourRecord* colours) = 0;
    virtual uint64_t activeVoxels(size_t effect) const = 0;
    virtual bool dropConstantColour(size_t effect, QVColourRecord& colour) = 0;
    // Writes every grid to a new file at path; throws what OpenVDB throws.
    virtual void writeFile(const std::string& path) = 0;
};

// The library's one entry point: new, empty grids, OpenVDB initialised.
extern "C" {
using CreateVdbGrids = VdbGrids* (*)();
}
constexpr const char* kVdbWriterLibrary = "libbrumo_vdb.so";
constexpr const char* kCreateVdbGridsSymbol = "brumoCreateVdbGrids";

}  // namespace brumo::host
