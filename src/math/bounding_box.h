// Axis-aligned box; the empty box is inside out so that widening it by any point is exact.
#pragma once

#include "math/vector3.h"

namespace brumo {

struct BoundingBox {
    Vector3 min;
    Vector3 max;

    static constexpr BoundingBox empty() {
        return {{1e30f, 1e30f, 1e30f}, {-1e30f, -1e30f, -1e30f}};
    }

    bool isEmpty() const { return min.x > max.x || min.y > max.y || min.z > max.z; }
    Vector3 centre() const { return (min + max) * 0.5f; }
    Vector3 extent() const { return max - min; }

    void widen(const Vector3& p) {
        if (p.x < min.x) min.x = p.x;
        if (p.y < min.y) min.y = p.y;
        if (p.z < min.z) min.z = p.z;
        if (p.x > max.x) max.x = p.x;
        if (p.y > max.y) max.y = p.y;
        if (p.z > max.z) max.z = p.z;
    }
    void merge(const BoundingBox& other) {
        if (other.isEmpty()) return;
        widen(other.min);
        widen(other.max);
    }
    bool contains(const Vector3& p) const {
        return p.x >= min.x && p.x <= max.x && p.y >= min.y && p.y <= max.y && p.z >= min.z &&
               p.z <= max.z;
    }
};

}  // namespace brumo
