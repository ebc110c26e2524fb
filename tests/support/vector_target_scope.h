// Runs a scope with the named vector target ("scalar" for the one-point path), then goes back to
// the automatic choice.
#pragma once

#include "math/vector_lanes.h"

namespace brumo::test {

class VectorTargetScope {
public:
    explicit VectorTargetScope(const char* name) : selected(selectVectorTarget(name)) {}
    ~VectorTargetScope() { selectVectorTarget("auto"); }
    VectorTargetScope(const VectorTargetScope&) = delete;
    VectorTargetScope& operator=(const VectorTargetScope&) = delete;

    const bool selected;
};

}  // namespace brumo::test
