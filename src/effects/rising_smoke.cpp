#include "effects/rising_smoke.h"

#include <cmath>

#include "brumo/resource_texts.h"
#include "effects/effect_fields.h"
#include "math/shaping.h"
#include "primitive/density_stages.h"
#include "primitive/shape_presets.h"

namespace brumo {

namespace {


inline bool usableScale(float s) { return std::isfinite(s) && std::fabs(s) > kNegligible; }

// Number of rungs that fit a period: trunc(period / spacing), none for a negative or undefined
// quotient, at most kMaxLadderVortices.
int32_t rungCount(float period, float spacing) {
    const float quotient = period / spacing;
    if (!(quotient >= 0.0f)) return 0;
    if (quotient >= static_cast<float>(kMaxLadderVortices)) return kMaxLadderVortices;
    return static_cast<int32_t>(quotient);
}

// One set of the ladder: `count` rungs of that radius, `spacing` apart within one period.
struct RungSet {
    int32_t count = 0;
    float radius = 0.0f;
    float period = 0.0f;
    float spacing = 0.0f;
};

// The set for the noise scale along its turning axis (a: the column's noise-space scale, H: the
// column's height); no rungs for an unusable scale.
RungSet rungSet(float a, float axisScale, float H) {
    RungSet set;
    if (!usableScale(axisScale)) return set;
    set.radius = a / axisScale;
    set.period = 2.0f * set.radius + H;
    set.spacing = 1.75f * set.radius;
    set.count = rungCount(set.period, set.spacing);
    return set;
}

// Places a set from the offset up, wrapped into its period, alternating between two kinds.
void placeRungs(Vortex* rungs, const RungSet& set, float offsetZ, int32_t evenKind, int32_t oddKind) {
    for (int32_t j = 0; j < set.count; ++j) {
        const float z = static_cast<float>(j) * set.spacing + offsetZ;
        Vortex& vortex = rungs[j];
        vortex.centre = {0.0f, 0.0f, z - set.period * std::trunc(z / set.period)};
        vortex.setKind((j & 1) == 0 ? evenKind : oddKind);
        vortex.setRadius(set.radius);
    }
}

}  // namespace

BRUMO_ASSERT_FOLLOWS_COMMON_BLOCK(RisingSmoke, RisingSmokeParameters, baseSpread)
BRUMO_ASSERT_FOLLOWS_COMMON_BLOCK(RisingSmoke, RisingSmokeParameters, edgeSoftness)

RisingSmoke::RisingSmoke() : baseSpread(0.2f), edgeSoftness(0.5f), columnHalfHeight(0.0f) {
    parameters.noiseType = kTurbulenceSum;
    applyShapePreset(kTopFadePreset, false, parameters.shapeFlags, parameters.shapeFalloffs);
    loadResourceText(parameters.densityShaderName.get(), kTextTurbulence);
}

void RisingSmoke::prepareEffect() {
    const EffectParameters& p = parameters;
    const bool columnUsable = usableScale(p.noiseScale) && usableScale(p.noiseScaleXYZ.z);
    const float a = 100.0f * (100.0f / p.noiseScale);
    const float b = a / p.noiseScaleXYZ.z;
    columnHalfHeight = columnUsable && std::isfinite(b) ? b : 0.0f;
    const float H = 2.0f * columnHalfHeight;

    // Rungs turning about x, then rungs turning about y; the ladder repeats every period, so
    // moving the offset by a period leaves it in place.
    const RungSet x = columnUsable ? rungSet(a, p.noiseScaleXYZ.x, H) : RungSet{};
    const RungSet y = columnUsable ? rungSet(a, p.noiseScaleXYZ.y, H) : RungSet{};

    // Every rung starts from the vortex defaults (lift 0.1, twist 60 degrees). When the list
    // cannot hold both sets the ladder stays empty.
    const Vortex fresh;
    QVClassArray<Vortex>& vortices = preparing().vortices;
    vortices.setCount(0);
    if (!vortices.setCount(x.count + y.count, &fresh)) return;
    const float offsetZ = p.noiseOffset.z;
    placeRungs(vortices.data(), x, offsetZ, 3, 0);
    placeRungs(vortices.data() + x.count, y, offsetZ, 1, 4);
}

bool RisingSmoke::beforeShape(const DensityField& field, const Vector3&, const Vector3& p, DensityLane& lane) {
    Vector3 s = field.toNoiseSpace(p);

    // Height along the column, 0 at the bottom and 1 at the top; below the bottom (a rotated
    // noise space can tilt the column out of the cube) there is no smoke, and no shape either.
    const float b = columnHalfHeight;
    const float d = (b + s.z) / (2.0f * b);
    const float k = baseSpread;
    const float spread = (1.0f - k) * d + k;
    if (!(d > 0.0f) || !std::isfinite(d) || !(spread > 0.0f)) return false;

    // Rise remap: vertical features stretched low down, compressed high up.
    s.z = (b + s.z) * d;
    // Finer horizontal features towards the narrow base.
    const float r = std::sqrt(1.0f / spread);
    s = s * r;
    field.applyVortices(s, 0.5f * p.z + 0.5f);

    // The shape sees the point with the remap and spread undone but the swirl kept.
    Vector3 u = s * (1.0f / r);
    u.z = u.z / d - b;
    lane.shapePoint = field.fromNoiseSpace(u);
    lane.noisePoint = s;
    return true;
}

bool RisingSmoke::afterShape(const DensityField& field, const Vector3&, const Vector3& p, float m, DensityLane& lane) {
    if (m < kNegligible) return false;

    // Funnel: the squared column radius grows from k at the base to 1 at the top.
    const float k = baseSpread;
    const float P = 0.5f * p.z + 0.5f;
    const float R2 = (1.0f - k) * (P * P) + k;
    const float rho2 = p.x * p.x + p.y * p.y;
    if (R2 < rho2) return false;
    const float S = R2 * (1.0f - edgeSoftness);
    if (rho2 > S) m = m * (1.0f - smoothStep(S, R2, rho2));

    lane.noisePoint = lane.noisePoint - field.parameters().noiseOffset;
    lane.mask = m;
    return true;
}

float RisingSmoke::afterNoise(const DensityLane& lane, float v) { return v * lane.mask; }

void RisingSmoke::runStages(const DensityField& field, int32_t count, const Vector3* points, float* densities,
                            float* shapes, ShadingPoint* shading) {
    runDensityStages(field, *this, count, points, densities, shapes, shading);
}

int32_t RisingSmoke::parameterBlockSize() { return static_cast<int32_t>(sizeof(RisingSmokeParameters)); }

void RisingSmoke::addEffectInputs(GridInputs& inputs) const {
    inputs.add(baseSpread);
    inputs.add(edgeSoftness);
}

}  // namespace brumo
