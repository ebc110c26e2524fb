#include "host/scene/lights.h"

#include <cmath>

namespace brumo::host {

namespace {

// v scaled to unit length, computed in double so that large components do not overflow; a zero
// or non-finite vector comes back as it was.
QVVector3 unitOrSelf(const QVVector3& v, double* length = nullptr) {
    const double x = v.x, y = v.y, z = v.z;
    const double l = std::sqrt(x * x + y * y + z * z);
    if (length != nullptr) *length = l;
    if (!(l > 0.0) || !std::isfinite(l)) return v;
    return {static_cast<float>(x / l), static_cast<float>(y / l), static_cast<float>(z / l)};
}

}  // namespace

// --- ColouredLight ---

void QV_CALL ColouredLight::lightColourAt(const QVVector3&, const QVVector3&, float,
                                          QVColourRecord* colour, float* intensity) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (colour != nullptr) *colour = colour_;
    if (intensity != nullptr) *intensity = 1.0f;
}

void ColouredLight::setColour(QVColourRecord colour) {
    std::lock_guard<std::mutex> guard(mutex_);
    colour_ = colour;
}

QVColourRecord ColouredLight::colour() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return colour_;
}

// --- DistantLight ---

DistantLight::DistantLight(QVVector3 travelDirection, QVColourRecord colour)
    : ColouredLight(colour), travel_(unitOrSelf(travelDirection)) {}

IQVLight* DistantLight::create(QVVector3 travelDirection, QVColourRecord colour) {
    return new DistantLight(travelDirection, colour);
}

void QV_CALL DistantLight::lightKind(int32_t* kind) {
    if (kind != nullptr) *kind = qv::kDistantLight;
}

void QV_CALL DistantLight::lightDirectionTo(const QVVector3&, QVVector3* direction, float* distance) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (direction != nullptr) *direction = {-travel_.x, -travel_.y, -travel_.z};
    if (distance != nullptr) *distance = kDistance;
}

void DistantLight::setTravelDirection(QVVector3 travelDirection) {
    const QVVector3 unit = unitOrSelf(travelDirection);
    std::lock_guard<std::mutex> guard(mutex_);
    travel_ = unit;
}

QVVector3 DistantLight::travelDirection() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return travel_;
}

// --- PointLight ---

PointLight::PointLight(QVVector3 position, QVColourRecord colour) : ColouredLight(colour), position_(position) {}

IQVLight* PointLight::create(QVVector3 position, QVColourRecord colour) {
    return new PointLight(position, colour);
}

void QV_CALL PointLight::lightKind(int32_t* kind) {
    if (kind != nullptr) *kind = qv::kPointLight;
}

void QV_CALL PointLight::lightDirectionTo(const QVVector3& point, QVVector3* direction, float* distance) {
    QVVector3 toward;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        toward = {position_.x - point.x, position_.y - point.y, position_.z - point.z};
    }
    double length = 0.0;
    const QVVector3 unit = unitOrSelf(toward, &length);
    if (direction != nullptr) *direction = length > 0.0 ? unit : QVVector3{0.0f, 0.0f, 0.0f};
    if (distance != nullptr) *distance = static_cast<float>(length);
}

void PointLight::setPosition(QVVector3 position) {
    std::lock_guard<std::mutex> guard(mutex_);
    position_ = position;
}

QVVector3 PointLight::position() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return position_;
}

}  // namespace brumo::host
