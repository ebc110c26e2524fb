// A noise lattice built from a seed through the test host's random service.
#pragma once

#include "math/noise_lattice.h"
#include "support/test_host.h"

namespace brumo::test {

inline IQVUtilityService* randomService() { return &host().utility(); }

inline NoiseLattice builtLattice(int32_t seed) {
    NoiseLattice lattice;
    lattice.create(randomService());
    lattice.seed = seed;
    lattice.buildLattice(randomService());
    return lattice;
}

}  // namespace brumo::test
