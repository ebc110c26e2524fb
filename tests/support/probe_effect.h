// A test effect on the volume primitive: its density is a function the test sets (0 by
// default), and it records every sample point. Suites that test the primitive's own machinery
// (preparation, the march, lights, the modifier chain) drive it instead of a real effect.
#pragma once

#include <functional>
#include <vector>

#include "frame/component.h"
#include "primitive/brumo_base.h"

namespace brumo::test {

// Its density reads no noise and its shape value is 0; it sees the point as the march hands it
// over, before the modifiers, and as the modifiers moved it.
class ProbeEffect final : public TQVComponent<ProbeEffect, BrumoBase> {
public:
    bool beforeShape(const DensityField&, const Vector3& point, const Vector3& movedPoint,
                     DensityLane& lane) override {
        if (recording) {
            samples.push_back(point);
            moved.push_back(movedPoint);
        }
        ++sampleCount;
        lane.density = density ? density(point) : 0.0f;
        return false;
    }
    int32_t QV_CALL parameterBlockSize() override { return static_cast<int32_t>(sizeof(EffectParameters)); }
    void QV_CALL prepareEffect() override { ++effectPreparations; }

    // A constant density everywhere.
    void setDensity(float value) {
        density = [value](const Vector3&) { return value; };
    }
    // Marches a segment given in local space; answers the resulting colour record.
    QVColourRecord march(const Vector3& from, const Vector3& to, QVColourRecord colour) {
        const QVVector3 start{from.x, from.y, from.z};
        const QVVector3 end{to.x, to.y, to.z};
        volumeInterface()->integrateSegment(&start, &end, &colour, nullptr, 0, 0);
        return colour;
    }

    std::function<float(const Vector3&)> density;
    bool recording = true;
    std::vector<Vector3> samples;
    std::vector<Vector3> moved;  // in step with samples
    long sampleCount = 0;
    int effectPreparations = 0;
};

// An effect that supplies no density of its own.
class BareEffect final : public TQVComponent<BareEffect, BrumoBase> {
public:
    int32_t QV_CALL parameterBlockSize() override { return static_cast<int32_t>(sizeof(EffectParameters)); }
};

// Owns one reference to a test effect for the length of a test.
template <class Effect>
class Held {
public:
    Held() : effect_(new Effect()) {}
    ~Held() { effect_->primaryUnknown()->Release(); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    Effect* operator->() const { return effect_; }
    Effect& operator*() const { return *effect_; }
    Effect* get() const { return effect_; }

private:
    Effect* effect_;
};

using Probe = Held<ProbeEffect>;

}  // namespace brumo::test
