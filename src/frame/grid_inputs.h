// What a cached result is computed from, as plain words: the key by which copies of a primitive
// find the shadow grid they can share, and to which every modifier adds what it depends on.
#pragma once

#include <cstdint>

#include "math/vector3.h"
#include "qv/class_array.h"

namespace brumo {

// Everything a grid is computed from, as plain words: two grids with equal inputs hold equal
// values. Floats go in by their bits, so NaN equals NaN and 0 differs from -0.
class GridInputs {
public:
    void add(uint32_t word);
    void add(int32_t value) { add(static_cast<uint32_t>(value)); }
    void add(float value);
    void add(const Vector3& v);
    // The identity of an object's dynamic type or any other address.
    void add(const void* address);
    // Raw bytes, padded with zeros to whole words.
    void addBytes(const void* bytes, int32_t count);
    bool operator==(const GridInputs& other) const;
    // Raises when out of memory.
    void copyFrom(const GridInputs& other);

private:
    QVClassArray<uint32_t> words_;
};

}  // namespace brumo
