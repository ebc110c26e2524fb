// Where the samples of one march fall, in order, with their step lengths: the jittered first
// sample (the march along a ray only), the full steps (after which the march may stop early), the
// remainder. The march along a ray and the march toward a light both take their samples from it.
#pragma once

#include <cstdint>

#include "math/vector3.h"
#include "primitive/saturating_int.h"

namespace brumo {

class SegmentStepper {
public:
    // first: the length of the jittered first step, or a negative value for none. v: the step
    // length; a march that would need more than maxFullSteps full steps takes longer ones, so
    // that the work per march stays bounded. negligible: a remainder not above it takes no sample.
    SegmentStepper(const Vector3& start, const Vector3& direction, float length, float v, float first,
                   int32_t maxFullSteps, float negligible)
        : direction_(direction), point_(start), v_(v), first_(first) {
        float remaining = length;
        float stepsLeft = length / v;
        if (first >= 0.0f) {
            firstPoint_ = point_ + direction * (first * 0.5f);
            point_ = firstPoint_ + direction * (first * 0.5f);
            remaining = length - first;
            stepsLeft = remaining / v;
        }
        if (stepsLeft > static_cast<float>(maxFullSteps)) {
            v_ = remaining / static_cast<float>(maxFullSteps);
            stepsLeft = remaining / v_;
        }
        stepVector_ = direction * v_;
        point_ += stepVector_ * 0.5f;
        count_ = saturatingInt(stepsLeft, 0, maxFullSteps);
        const float fraction = stepsLeft - static_cast<float>(count_);
        remainder_ = fraction > negligible ? fraction : 0.0f;
    }

    // True when the march takes no sample at all.
    bool empty() const { return first_ < 0.0f && count_ == 0 && remainder_ == 0.0f; }

    // What a march does with a full step: take its sample, leave it out (its density is known to
    // add nothing), or end there (no later sample, the remainder included, would add anything).
    enum class Use { take, skip, end };

    // The next samples, at most max of them; 0 when the march is done. stops[k] is true for the
    // full steps, after which a march may end early.
    // Out of line, so that the march's point stays in registers here: across the density calls
    // of the march that takes it, no vector register survives.
    int32_t next(int32_t max, Vector3* points, float* lengths, bool* stops);

    // As above, with use(point) saying what becomes of each full step.
    template <class UseOf>
    int32_t next(int32_t max, Vector3* points, float* lengths, bool* stops, UseOf use) {
        int32_t n = 0;
        if (n < max && first_ >= 0.0f) {
            add(n, points, lengths, stops, firstPoint_, first_, false);
            first_ = -1.0f;
        }
        // The point and step in locals: the stores into the arrays could otherwise alias them,
        // and every step would wait for its own store.
        Vector3 point = point_;
        int32_t step = step_;
        const Vector3 stepVector = stepVector_;
        const float v = v_;
        for (; n < max && step <= count_; ++step) {
            const Use u = use(point);
            if (u == Use::end) {
                step = count_ + 1;
                remainderTaken_ = true;
                break;
            }
            if (u == Use::take) add(n, points, lengths, stops, point, v, true);
            point += step < count_ ? stepVector : stepVector * 0.5f;
        }
        point_ = point;
        step_ = step;
        if (n < max && step_ > count_ && !remainderTaken_) {
            remainderTaken_ = true;
            if (remainder_ > 0.0f) {
                point_ += direction_ * (remainder_ * (v_ * 0.5f));
                add(n, points, lengths, stops, point_, remainder_ * v_, false);
            }
        }
        return n;
    }

private:
    static void add(int32_t& n, Vector3* points, float* lengths, bool* stops, const Vector3& p, float length,
                    bool stop) {
        points[n] = p;
        lengths[n] = length;
        stops[n] = stop;
        n += 1;
    }

    Vector3 direction_;
    Vector3 point_;
    Vector3 firstPoint_;
    Vector3 stepVector_;
    float v_;
    float first_;
    int32_t count_ = 0;
    int32_t step_ = 1;
    float remainder_ = 0.0f;
    bool remainderTaken_ = false;
};

}  // namespace brumo
