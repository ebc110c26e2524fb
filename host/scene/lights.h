// Scene lights of the reference host. A distant light shines from infinitely far away along one
// direction of travel (kind 1, the kind volume effects shadow themselves from); a point light
// shines from a position in every direction (kind 2).
//
// Lights may be changed while render threads read them, so each guards its values.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "host/common/host_object.h"
#include "qv/scene.h"
#include "qv/scene_records.h"

namespace brumo::host {

// A light's colour and its one vector (direction of travel or position). Every render thread
// reads them on every segment, the editor changes them now and then: readers take no lock, which
// would pass its cache line from core to core on each read, but read again when a change came in
// between (the version is odd while a change is written and has moved on after it).
class LightValues {
public:
    LightValues(QVColourRecord colour, QVVector3 vector);

    QVColourRecord colour() const;
    // The colour written field by field, straight where the caller wants it: a record returned
    // in two registers and copied on waits for its own stores to reach the copy.
    void readColour(QVColourRecord& out) const;
    QVVector3 vector() const;
    void setColour(QVColourRecord colour);
    void setVector(QVVector3 vector);

private:
    static constexpr int kColour = 0;
    static constexpr int kVector = 4;
    static constexpr int kCount = 7;

    // What read() gives, from one whole setting.
    template <class Read>
    auto consistent(Read read) const;
    void write(int first, int count, const float* in);

    std::mutex writer_;
    // Apart from the reference count, which every reader's AddRef writes.
    alignas(64) std::atomic<uint32_t> version_{0};
    std::atomic<float> values_[kCount];
};

// What both kinds share: one colour, given undimmed at intensity 1 at every point, and the
// light's values.
class ColouredLight : public HostObject<IQVLight> {
public:
    void QV_CALL lightColourAt(const QVVector3& point, const QVVector3& direction, float distance,
                               QVColourRecord* colour, float* intensity) override;

    void setColour(QVColourRecord colour);
    QVColourRecord colour() const;

protected:
    ColouredLight(QVColourRecord colour, QVVector3 vector) : values_(colour, vector) {}
    ~ColouredLight() override = default;

    LightValues values_;
};

class DistantLight final : public ColouredLight {
public:
    // A new light travelling along travelDirection (normalised; a zero or non-finite direction
    // is kept as given). The caller owns the one reference and releases it after adding the
    // light to the scene.
    static IQVLight* create(QVVector3 travelDirection, QVColourRecord colour);

    void QV_CALL lightKind(int32_t* kind) override;
    // The unit direction toward the light (minus the travel direction) at any point, and a
    // distance standing for "infinitely far".
    void QV_CALL lightDirectionTo(const QVVector3& point, QVVector3* direction,
                                  float* distance) override;

    void setTravelDirection(QVVector3 travelDirection);
    QVVector3 travelDirection() const;

    static constexpr float kDistance = 1.0e30f;

private:
    DistantLight(QVVector3 travelDirection, QVColourRecord colour);
    ~DistantLight() override = default;
};

class PointLight final : public ColouredLight {
public:
    // A new light at position (scene space). The caller owns the one reference.
    static IQVLight* create(QVVector3 position, QVColourRecord colour);

    void QV_CALL lightKind(int32_t* kind) override;
    // The unit direction from the point toward the light and the distance between them; the
    // zero vector and distance 0 at the light's own position.
    void QV_CALL lightDirectionTo(const QVVector3& point, QVVector3* direction,
                                  float* distance) override;

    void setPosition(QVVector3 position);
    QVVector3 position() const;

private:
    PointLight(QVVector3 position, QVColourRecord colour);
    ~PointLight() override = default;
};

}  // namespace brumo::host
