// Runs a scope with the named vector target ("scalar" for runs in one lane, "point" for one point
// at a time), then goes back to the target that was in use before.
#pragma once

#include <string>

#include "math/vector_lanes.h"

namespace brumo::test {

class VectorTargetScope {
public:
    explicit VectorTargetScope(const char* name) : previous_(vectorTargetName()), selected(selectVectorTarget(name)) {}
    ~VectorTargetScope() { selectVectorTarget(previous_.c_str()); }
    VectorTargetScope(const VectorTargetScope&) = delete;
    VectorTargetScope& operator=(const VectorTargetScope&) = delete;

private:
    const std::string previous_;

public:
    const bool selected;
};

}  // namespace brumo::test
