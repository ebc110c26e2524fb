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

// --- LightValues ---

LightValues::LightValues(QVColourRecord colour, QVVector3 vector) {
    const float all[kCount] = {colour.red, colour.green, colour.blue, colour.alpha,
                               vector.x,   vector.y,     vector.z};
    for (int i = 0; i < kCount; ++i) values_[i].store(all[i], std::memory_order_relaxed);
}

template <class Read>
auto LightValues::consistent(Read read) const {
    for (;;) {
        const uint32_t before = version_.load(std::memory_order_acquire);
        const auto values = read();
        std::atomic_thread_fence(std::memory_order_acquire);
        if ((before & 1u) == 0 && version_.load(std::memory_order_relaxed) == before) return values;
    }
}

void LightValues::write(int first, int count, const float* in) {
    std::lock_guard<std::mutex> guard(writer_);
    const uint32_t version = version_.load(std::memory_order_relaxed);
    version_.store(version + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    for (int i = 0; i < count; ++i) values_[first + i].store(in[i], std::memory_order_relaxed);
    version_.store(version + 2, std::memory_order_release);
}

// Each value straight into its field: a record gathered through an array on the stack waited
// for the stores to reach the load, on every read.
void LightValues::readColour(QVColourRecord& out) const {
    consistent([&] {
        auto at = [this](int i) { return values_[kColour + i].load(std::memory_order_relaxed); };
        out.red = at(0);
        out.green = at(1);
        out.blue = at(2);
        out.alpha = at(3);
        return 0;
    });
}

QVColourRecord LightValues::colour() const {
    QVColourRecord colour;
    readColour(colour);
    return colour;
}

QVVector3 LightValues::vector() const {
    return consistent([this] {
        auto at = [this](int i) { return values_[kVector + i].load(std::memory_order_relaxed); };
        return QVVector3{at(0), at(1), at(2)};
    });
}

void LightValues::setColour(QVColourRecord colour) {
    const float c[4] = {colour.red, colour.green, colour.blue, colour.alpha};
    write(kColour, 4, c);
}

void LightValues::setVector(QVVector3 vector) {
    const float v[3] = {vector.x, vector.y, vector.z};
    write(kVector, 3, v);
}

// --- ColouredLight ---

void QV_CALL ColouredLight::lightColourAt(const QVVector3&, const QVVector3&, float,
                                          QVColourRecord* colour, float* intensity) {
    if (colour != nullptr) values_.readColour(*colour);
    if (intensity != nullptr) *intensity = 1.0f;
}

void ColouredLight::setColour(QVColourRecord colour) { values_.setColour(colour); }

QVColourRecord ColouredLight::colour() const { return values_.colour(); }

// --- DistantLight ---

DistantLight::DistantLight(QVVector3 travelDirection, QVColourRecord colour)
    : ColouredLight(colour, unitOrSelf(travelDirection)) {}

IQVLight* DistantLight::create(QVVector3 travelDirection, QVColourRecord colour) {
    return new DistantLight(travelDirection, colour);
}

void QV_CALL DistantLight::lightKind(int32_t* kind) {
    if (kind != nullptr) *kind = qv::kDistantLight;
}

void QV_CALL DistantLight::lightDirectionTo(const QVVector3&, QVVector3* direction, float* distance) {
    if (direction != nullptr) {
        const QVVector3 travel = values_.vector();
        *direction = {-travel.x, -travel.y, -travel.z};
    }
    if (distance != nullptr) *distance = kDistance;
}

void DistantLight::setTravelDirection(QVVector3 travelDirection) {
    values_.setVector(unitOrSelf(travelDirection));
}

QVVector3 DistantLight::travelDirection() const { return values_.vector(); }

// --- PointLight ---

PointLight::PointLight(QVVector3 position, QVColourRecord colour) : ColouredLight(colour, position) {}

IQVLight* PointLight::create(QVVector3 position, QVColourRecord colour) {
    return new PointLight(position, colour);
}

void QV_CALL PointLight::lightKind(int32_t* kind) {
    if (kind != nullptr) *kind = qv::kPointLight;
}

void QV_CALL PointLight::lightDirectionTo(const QVVector3& point, QVVector3* direction, float* distance) {
    const QVVector3 position = values_.vector();
    const QVVector3 toward{position.x - point.x, position.y - point.y, position.z - point.z};
    double length = 0.0;
    const QVVector3 unit = unitOrSelf(toward, &length);
    if (direction != nullptr) *direction = length > 0.0 ? unit : QVVector3{0.0f, 0.0f, 0.0f};
    if (distance != nullptr) *distance = static_cast<float>(length);
}

void PointLight::setPosition(QVVector3 position) { values_.setVector(position); }

QVVector3 PointLight::position() const { return values_.vector(); }

}  // namespace brumo::host
