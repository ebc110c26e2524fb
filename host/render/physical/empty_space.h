// Where a density field is zero throughout blocks of voxels, so that a march steps over them
// without reading the field. Only steps that would have read exactly zero are skipped, so a
// march gives the same numbers with or without it.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "host/render/physical/lattice_field.h"

namespace brumo::host {

class EmptySpace {
public:
    EmptySpace() = default;
    explicit EmptySpace(const LatticeField& field);

    // The block of the field the ray origin + t × direction (the field's local space) is in at
    // t: whether it is empty, and where the ray leaves it (infinity when the ray then leaves the
    // field). `field` is the one this was made from.
    struct Run {
        bool empty = false;
        float until = -std::numeric_limits<float>::infinity();
    };
    Run runAt(const LatticeField& field, const QVVector3& origin, const QVVector3& direction, float t) const {
        const float p[3] = {origin.x + direction.x * t, origin.y + direction.y * t, origin.z + direction.z * t};
        const float d[3] = {direction.x, direction.y, direction.z};
        float u[3];
        int b[3];
        for (int a = 0; a < 3; ++a) {
            u[a] = field.gridCoordinate(a, p[a]);
            // Off the field (only by rounding, where a march keeps to its box): look again next step.
            if (!(u[a] > -1.0f && u[a] < float(n_[a]))) return {false, t};
            b[a] = std::min(std::max(int(std::floor(u[a])), 0), n_[a] - 1) / kBlock;
        }
        Run run{occupied_[(size_t(b[2]) * size_t(blocks_[1]) + size_t(b[1])) * size_t(blocks_[0]) + size_t(b[0])] == 0,
                std::numeric_limits<float>::infinity()};
        for (int a = 0; a < 3; ++a) {
            // The outermost blocks reach on past the field, where it is zero.
            const float rate = d[a] * field.voxelsPerUnit(a);
            if (rate > 0.0f && b[a] < blocks_[a] - 1)
                run.until = std::min(run.until, t + (float((b[a] + 1) * kBlock) - u[a]) / rate);
            else if (rate < 0.0f && b[a] > 0)
                run.until = std::min(run.until, t + (float(b[a] * kBlock) - u[a]) / rate);
        }
        return run;
    }

private:
    // Voxels per block edge: small enough to follow a cloud's outline, large enough that a ray
    // crosses few of them.
    static constexpr int kBlock = 4;

    int n_[3] = {0, 0, 0};
    int blocks_[3] = {0, 0, 0};
    std::vector<uint8_t> occupied_;
};

// The first step of a march of midpoints start + (s + 1/2) × dt, after step s and at most
// `steps`, that may lie at or beyond `until`: the steps between lie in an empty run. A
// hundredth of a step is kept back against rounding.
inline int firstStepFrom(float until, float start, float dt, int s, int steps) {
    const float ahead = (until - start) / dt - 0.51f;
    if (!(ahead < float(steps))) return steps;
    return std::max(s + 1, int(std::ceil(ahead)));
}

}  // namespace brumo::host
