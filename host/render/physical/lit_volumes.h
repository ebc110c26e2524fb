// The per-frame state of the physical integrator: every effect's density (and colour) on its
// voxel grid, and the optical depths from each voxel of a coarser grid toward every light and
// across the sky.
#pragma once

#include <functional>
#include <vector>

#include "host/bake/volume_bake.h"
#include "host/render/physical/empty_space.h"
#include "host/render/physical/lattice_field.h"
#include "host/render/physical/physical_renderer.h"

namespace brumo::host {

struct LitVolume {
    AffineMap worldToLocal;
    AffineMap localToWorld;
    QVBox box{{0.0f, 0.0f, 0.0f}, {-1.0f, -1.0f, -1.0f}};
    Medium medium;
    float extinction = 0.0f;  // per local unit, density 1
    double voxelSize = 1.0;   // world edge of a density voxel
    double lightVoxelSize = 1.0;
    LatticeField density;
    EmptySpace emptySpace;  // of the density
    LatticeField colour;  // only when the emission comes from the effect's colour
    std::vector<LatticeField> lightDepth;  // one per light, on the light grid
    // Transmittance toward each sky direction, for each octave (direction-major).
    LatticeField skyLight;
    bool empty() const { return density.count(0) == 0; }
};

// The directions the sky is seen along: the six axes and the eight diagonals.
const std::vector<QVVector3>& skyDirections();

// Optical depth from a world point along a unit direction, up to distance `reach`, through every
// volume, stepping each at its light voxel size.
float opticalDepth(const std::vector<LitVolume>& volumes, const QVVector3& from,
                   const QVVector3& direction, float reach);

// Samples every effect and builds its light and sky grids. `stop` is polled on the caller's
// thread; answers false when it asked to stop.
bool buildLitVolumes(const PhysicalSettings& physical, const std::vector<PhysicalEffect>& effects,
                     const std::vector<PhysicalLight>& lights, const Rgb& sky, int threads,
                     const std::function<bool()>& stop, std::vector<LitVolume>& volumes);

}  // namespace brumo::host
