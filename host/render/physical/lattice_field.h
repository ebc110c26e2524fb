// Values on the voxel centres of a grid laid out over an effect's box (see layoutGrid), read
// back anywhere in the effect's local space by trilinear interpolation.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

#include "host/bake/volume_bake.h"

namespace brumo::host {

class LatticeField {
public:
    // Outside the voxel centres the field either fades to zero over one voxel, as a sparse
    // volume does beyond its last active voxel (densities), or keeps the value of the nearest
    // face (depths toward a light, which do not drop to zero at the box).
    enum class Edge { zero, clamp };

    LatticeField() = default;
    LatticeField(const VoxelGrid& grid, Edge edge, int channels = 1) : edge_(edge), channels_(channels) {
        for (int a = 0; a < 3; ++a) {
            n_[a] = grid.counts[a];
            first_[a] = float(grid.firstCentre[a]);
            inverseSpacing_[a] = float(1.0 / grid.spacing[a]);
        }
        values_.assign(size_t(n_[0]) * size_t(n_[1]) * size_t(n_[2]) * size_t(channels_), 0.0f);
    }

    int count(int axis) const { return n_[axis]; }
    float* voxel(int i, int j, int k) { return values_.data() + index(i, j, k); }
    const float* voxel(int i, int j, int k) const { return values_.data() + index(i, j, k); }

    int channels() const { return channels_; }

    // All channels at the point, into out[0 .. channels).
    void at(const QVVector3& local, float* out) const {
        for (int c = 0; c < channels_; ++c) out[c] = 0.0f;
        forCorners(local, [&](const float* v, float w) {
            for (int c = 0; c < channels_; ++c) out[c] += w * v[c];
        });
    }

    // Calls visit(channels of a voxel, weight) for each voxel the interpolation at the point
    // reads with a weight other than zero, always in the same order.
    template <class Visit>
    void forCorners(const QVVector3& local, const Visit& visit) const {
        if (values_.empty()) return;
        float u[3] = {gridCoordinate(0, local.x), gridCoordinate(1, local.y), gridCoordinate(2, local.z)};
        int lo[3];
        float f[3];
        for (int a = 0; a < 3; ++a) {
            if (!(u[a] > -1.0f && u[a] < float(n_[a]))) {
                if (edge_ == Edge::zero) return;
                u[a] = u[a] > 0.0f ? float(n_[a] - 1) : 0.0f;
            } else if (edge_ == Edge::clamp) {
                const float last = float(n_[a] - 1);
                u[a] = u[a] < 0.0f ? 0.0f : u[a] > last ? last : u[a];
            }
            const float fl = std::floor(u[a]);
            lo[a] = int(fl);
            f[a] = u[a] - fl;
        }
        for (int corner = 0; corner < 8; ++corner) {
            const int i = lo[0] + (corner & 1), j = lo[1] + ((corner >> 1) & 1), k = lo[2] + (corner >> 2);
            const float w = ((corner & 1) ? f[0] : 1.0f - f[0]) * (((corner >> 1) & 1) ? f[1] : 1.0f - f[1]) *
                            ((corner >> 2) ? f[2] : 1.0f - f[2]);
            if (w == 0.0f || i < 0 || j < 0 || k < 0 || i >= n_[0] || j >= n_[1] || k >= n_[2]) continue;
            visit(voxel(i, j, k), w);
        }
    }

    // A local coordinate along an axis in voxel units: 0 at the first centre, 1 at the next.
    float gridCoordinate(int axis, float local) const { return (local - first_[axis]) * inverseSpacing_[axis]; }
    // Voxel units per local unit along an axis.
    float voxelsPerUnit(int axis) const { return inverseSpacing_[axis]; }

    // The value of a field of one channel.
    float at(const QVVector3& local) const {
        float out = 0.0f;
        if (channels_ == 1) at(local, &out);
        return out;
    }

private:
    size_t index(int i, int j, int k) const {
        return ((size_t(k) * size_t(n_[1]) + size_t(j)) * size_t(n_[0]) + size_t(i)) * size_t(channels_);
    }

    Edge edge_ = Edge::zero;
    int channels_ = 1;
    int n_[3] = {0, 0, 0};
    float first_[3] = {0.0f, 0.0f, 0.0f};
    float inverseSpacing_[3] = {1.0f, 1.0f, 1.0f};
    std::vector<float> values_;
};

}  // namespace brumo::host
