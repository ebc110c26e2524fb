// The marches toward the lights from rows of points, stepped together so that the density
// samples come in full runs; they fill the shadow grid's slices.
#include <algorithm>
#include <cmath>
#include <optional>

#include "primitive/brumo_base.h"
#include "primitive/density_stages.h"
#include "primitive/light_marches.h"
#include "primitive/march_state.h"
#include "primitive/sample_sum.h"
#include "primitive/segment_stepper.h"

namespace brumo {

namespace {

// Below an optical depth (times the extinction) of 16, 1 - e^-x rounds to less than 1 (e^-16 is
// about twice the spacing of floats below 1), so a light march cannot be fully shadowed there.
constexpr float kShadowedDepth = 16.0f;

// A direction the march toward the light can follow: finite and not zero.
bool usableDirection(const Vector3& d) {
    if (!std::isfinite(d.x) || !std::isfinite(d.y) || !std::isfinite(d.z)) return false;
    return d.x != 0.0f || d.y != 0.0f || d.z != 0.0f;
}

// The most marches one LightMarches takes: a row of the largest grid.
constexpr int32_t kMostMarches = 64;
// How many samples of one march a run takes before the next march's turn: a run then holds four
// neighbouring marches about as far along, so that a few samples in a row lie close together.
constexpr int32_t kTurnSamples = 16;

// Beyond this squared distance from the centre, a march heading away from it cannot come back
// within the unit ball, even with the rounding of the steps it adds up.
constexpr float kWellOutside = 1.01f;

// The marches toward one light from several points, stepped together: each march's samples stay
// in its own order, and a run of density samples fills up with the next marches' samples when one
// march has few left. With a mesh (whose crossings are counted along one march's ray) or one point
// at a time, the marches run one after another.
class LightMarches {
public:
    LightMarches(BrumoBase& primitive, MarchState& march, const LightSample& light)
        : primitive_(primitive),
          march_(march),
          light_(light),
          batched_(primitive.batchedSampling()),
          mesh_(primitive.parameters.meshOff == 0),
          // Ending a march early leaves out its remainder: only a finite density scale times
          // density 0 adds exactly nothing there.
          skipBeyondBall_(emptyBeyondUnitBall(primitive.field(), primitive) &&
                          std::isfinite(primitive.prepared().densityScale)),
          scale_(primitive.prepared().densityScale),
          extinction_(primitive.prepared().extinction) {}

    // Adds the light reaching each of count points (at most kMostMarches) to sums.
    void addTo(int32_t count, const Vector3* points, float* sums) {
        if (light_.enabled == 0 || !usableDirection(light_.direction)) {
            // Such a light reaches nothing.
            for (int32_t i = 0; i < count; ++i) sums[i] += 0.0f;
            return;
        }
        const float v = march_.stepLength();
        live_ = 0;
        for (int32_t i = 0; i < count; ++i) {
            March& march = marches_[i];
            march.start = points[i];
            startMarch(march, v);
            march.depth = 0.0f;
            march.shadowed = false;
            march.exhausted = false;
            march.started = false;
            ring_[live_++] = i;
        }
        turn_ = 0;
        while (live_ > 0) runSamples();
        for (int32_t i = 0; i < count; ++i) sums[i] += transmittance(marches_[i]);
    }

private:
    struct March {
        Vector3 start;
        Vector3 direction;
        std::optional<SegmentStepper> steps;
        float depth;
        bool shadowed;
        bool exhausted;
        bool started;
    };

    // The march from the point to where the way toward the light leaves the cube: the first face,
    // in the order x, y, z, that faces the light and is met within its square (the z face without
    // that test).
    void startMarch(March& march, float v) const {
        const Vector3& point = march.start;
        const Vector3& d = light_.direction;
        Vector3 exit = point;
        for (int axis = 0; axis < 3; ++axis) {
            if (d[axis] == 0.0f) continue;
            const float face = d[axis] >= 0.0f ? -1.0f : 1.0f;
            const float t = (point[axis] - face) / d[axis];
            if (!(t >= 0.0f)) continue;
            const Vector3 hit = point - d * t;
            const int u = (axis + 1) % 3;
            const int w = (axis + 2) % 3;
            if (axis != 2 && !(hit[u] >= -1.0f && hit[u] <= 1.0f && hit[w] >= -1.0f && hit[w] <= 1.0f))
                continue;
            exit = hit;
            break;
        }
        const Vector3 span = exit - point;
        const float length = brumo::length(span);
        march.direction = length != 0.0f ? Vector3{span.x / length, span.y / length, span.z / length} : span;
        march.steps.emplace(point, march.direction, length, v, -1.0f, kMaxLightMarchSamples, kNegligible);
    }

    // Up to want of the march's next samples into the run at n.
    int32_t take(int32_t index, int32_t want, int32_t n) {
        March& march = marches_[index];
        if (!march.started) {
            march.started = true;
            // A mesh-shaped effect counts crossings along the ray being marched.
            if (mesh_ && !march.steps->empty()) march_.castMeshRay(march.start, march.direction);
        }
        int32_t got;
        if (skipBeyondBall_) {
            // Full steps beyond the unit ball add nothing; the march ends once it is well outside
            // and heading away, where no later sample, the remainder included, can be inside.
            const Vector3 u = march.direction;
            got = march.steps->next(want, points_ + n, lengths_ + n, fullSteps_ + n, [u](const Vector3& p) {
                if (!beyondUnitBall(p)) return SegmentStepper::Use::take;
                const bool away = p.x * p.x + p.y * p.y + p.z * p.z > kWellOutside &&
                                  p.x * u.x + p.y * u.y + p.z * u.z >= 0.0f;
                return away ? SegmentStepper::Use::end : SegmentStepper::Use::skip;
            });
        } else {
            got = march.steps->next(want, points_ + n, lengths_ + n, fullSteps_ + n);
        }
        if (got < want) march.exhausted = true;
        if (got > 0) blocks_[blockCount_++] = {index, n, n + got};
        return got;
    }

    // One run: the live marches in turn hand over their next samples until the run is full.
    void runSamples() {
        const int32_t capacity = batched_ ? kDensityBatch : 1;
        // Marches of a mesh-shaped effect, and one point at a time, go one after another.
        const bool together = batched_ && !mesh_;
        int32_t n = 0;
        blockCount_ = 0;
        while (n < capacity && live_ > 0) {
            if (turn_ >= live_) turn_ = 0;
            const int32_t index = ring_[turn_];
            n += take(index, together ? std::min(kTurnSamples, capacity - n) : capacity - n, n);
            if (marches_[index].exhausted) {
                leaveRing(turn_);
                if (!together && n > 0) break;
            } else if (together) {
                turn_ += 1;
            }
        }
        if (n == 0) return;
        if (batched_)
            primitive_.field().sampleDensitiesWhereDense(n, points_, densities_, shapes_);
        else
            densities_[0] = primitive_.densityAt(points_[0]).density;
        for (int32_t b = 0; b < blockCount_; ++b) {
            const Block& block = blocks_[b];
            March& march = marches_[block.march];
            if (march.shadowed) continue;
            if (addDepths(march.depth, block.begin, block.end)) stop(block.march);
        }
    }

    // Adds the optical depths of the run's samples [begin, end) of one march to depth; true when
    // the march is then fully shadowed from the light, and the rest of the run is left out. Only
    // a full step that counts (optical depth above 2^-14) can shadow it.
    bool addDepths(float& depth, int32_t begin, int32_t end) const {
        float sum = depth;
        for (int32_t k = begin; k < end; ++k) {
            const float density = densities_[k];
            const float length = lengths_[k];
            if (!fullSteps_[k]) {
                sum = sum + density * (2.0f * scale_ * (length * 0.5f));
                continue;
            }
            const float x = density * (scale_ * length);
            if (!(x > kNegligible)) continue;
            sum = sum + x;
            if (-extinction_ * sum < -kShadowedDepth && opacityOf(extinction_, sum) >= 1.0f) return true;
        }
        depth = sum;
        return false;
    }

    // A fully shadowed march takes no more samples.
    void stop(int32_t index) {
        marches_[index].shadowed = true;
        for (int32_t q = 0; q < live_; ++q) {
            if (ring_[q] != index) continue;
            leaveRing(q);
            break;
        }
    }

    // Takes the march at ring position q out of the turns; the turn stays with the march it was at.
    void leaveRing(int32_t q) {
        for (int32_t p = q + 1; p < live_; ++p) ring_[p - 1] = ring_[p];
        live_ -= 1;
        if (turn_ > q) turn_ -= 1;
    }

    float transmittance(const March& march) const {
        if (march.shadowed) return 0.0f;
        // The opacity after the last sample that counted (none leaves depth 0 and opacity 0).
        const float c = opacityOf(extinction_, march.depth);
        const ColourRGBA& colour = light_.colour;
        return (1.0f - c) * (0.1f * colour.red + 0.6f * colour.green + 0.3f * colour.blue);
    }

    BrumoBase& primitive_;
    MarchState& march_;
    const LightSample& light_;
    const bool batched_;
    const bool mesh_;
    const bool skipBeyondBall_;
    // The prepared volume's, read once per light.
    const float scale_;
    const float extinction_;
    March marches_[kMostMarches];
    // The marches still taking samples, in turn order, and whose turn is next.
    int32_t ring_[kMostMarches];
    int32_t live_ = 0;
    int32_t turn_ = 0;
    Vector3 points_[kDensityBatch];
    float lengths_[kDensityBatch];
    bool fullSteps_[kDensityBatch];
    // The run's samples by march: [begin, end) of the run came from march.
    struct Block {
        int32_t march;
        int32_t begin;
        int32_t end;
    };
    Block blocks_[kDensityBatch];
    int32_t blockCount_ = 0;
    float densities_[kDensityBatch];
    float shapes_[kDensityBatch];
};

}  // namespace

void LightMarchSlices::fillSlice(int32_t k, int32_t r, float* values) {
    const float s = 1.0f / static_cast<float>(r - 1);
    Vector3 row[kMostMarches];
    for (int32_t j = 0; j < r; ++j)
        for (int32_t first = 0; first < r; first += kMostMarches) {
            const int32_t n = std::min(kMostMarches, r - first);
            for (int32_t q = 0; q < n; ++q) {
                const int32_t i = first + q;
                row[q] = {static_cast<float>(2 * i) * s - 1.0f, static_cast<float>(2 * j) * s - 1.0f,
                          static_cast<float>(2 * k) * s - 1.0f};
            }
            primitive_.lightAtPoints(n, row, values + first + r * j);
        }
}

void BrumoBase::lightAtPoints(int32_t count, const Vector3* points, float* sums) {
    for (int32_t i = 0; i < count; ++i) sums[i] = 0.0f;
    MarchState march(prepared_, parameters, field_);
    for (const LightSample& light : prepared_.lights) LightMarches(*this, march, light).addTo(count, points, sums);
}

}  // namespace brumo
