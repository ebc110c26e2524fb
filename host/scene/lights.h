// Scene lights of the reference host. A distant light shines from infinitely far away along one
// direction of travel (kind 1, the kind volume effects shadow themselves from); a point light
// shines from a position in every direction (kind 2).
//
// Lights may be changed while render threads read them, so each guards its values.
#pragma once

#include <mutex>

#include "host/common/host_object.h"
#include "qv/scene.h"
#include "qv/scene_records.h"

namespace brumo::host {

// What both kinds share: one colour, given undimmed at intensity 1 at every point, and the guard
// of the light's values.
class ColouredLight : public HostObject<IQVLight> {
public:
    void QV_CALL lightColourAt(const QVVector3& point, const QVVector3& direction, float distance,
                               QVColourRecord* colour, float* intensity) override;

    void setColour(QVColourRecord colour);
    QVColourRecord colour() const;

protected:
    explicit ColouredLight(QVColourRecord colour) : colour_(colour) {}
    ~ColouredLight() override = default;

    mutable std::mutex mutex_;

private:
    QVColourRecord colour_;
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

    QVVector3 travel_;
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

    QVVector3 position_;
};

}  // namespace brumo::host
