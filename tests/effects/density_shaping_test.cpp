// The shared density blocks on a primitive made by the factory: shape mask, vortices, modifier
// pass and noise field.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <optional>

#include "effect_fixtures.h"
#include "tests/math/built_lattice.h"
#include "tests/support/curves.h"

namespace brumo::test {
namespace {

Vector3 asVector(const QVVector3& v) { return {v.x, v.y, v.z}; }

class ShapeMaskTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(effect);
        for (FalloffPair& pair : pairs) pair = {0.0f, 0.5f};
    }
    // The density mask as a host sees it: the shape value of a sample.
    float mask(uint32_t flags, Vector3 p) { return sampled(flags, p).shapeValue; }
    PointSample sampled(uint32_t flags, Vector3 p) {
        effect.block().shapeFlags = flags;
        for (int k = 0; k < 16; ++k) effect.block().shapeFalloffs[k] = pairs[k];
        return sampleAt(effect, p);
    }

    EffectRef effect{CLSID_Smog};
    FalloffPair pairs[16];
};

TEST_F(ShapeMaskTest, OutsideTheCubeByMoreThanTheThresholdIsEmptyWhateverTheFlags) {
    const uint32_t flagSets[] = {0u, 0x3u, 0x40u, 0x80u, 0xFC00u, 0xFFFFu};
    for (uint32_t flags : flagSets) {
        for (Vector3 p : {Vector3{1.00007f, 0.0f, 0.0f}, Vector3{0.0f, -1.00007f, 0.0f},
                          Vector3{0.0f, 0.0f, 1.00007f}, Vector3{0.0f, 0.0f, kNaN}}) {
            ASSERT_EQ(sampled(0, {0.0f, 0.0f, 0.0f}).shapeValue, 1.0f);  // no stale value after it
            const PointSample sample = sampled(flags, p);
            EXPECT_EQ(sample.shapeValue, 0.0f) << std::hex << flags << " at " << p.x << ", " << p.y << ", " << p.z;
            EXPECT_EQ(sample.density, 0.0f);
        }
    }
    // A face itself, and the sliver of 2^-14 beyond it, still belong to the cube.
    EXPECT_EQ(mask(0, {1.00006f, -1.0f, 1.0f}), 1.0f);
}

TEST_F(ShapeMaskTest, WithoutFlagsTheMaskIsOneInsideTheCube) {
    for (Vector3 p : {Vector3{0.0f, 0.0f, 0.0f}, Vector3{0.99f, -0.99f, 0.99f},
                      Vector3{-1.0f, 1.0f, -1.0f}, Vector3{0.3f, 0.2f, -0.7f}}) {
        EXPECT_EQ(mask(0, p), 1.0f);
    }
}

TEST_F(ShapeMaskTest, MeshShapingStartsFromTheMeshWeight) {
    // With mesh shaping on but no mesh found, every point lies outside the mesh.
    effect.block().meshOff = 0;
    EXPECT_EQ(mask(0, {0.0f, 0.0f, 0.0f}), 0.0f);
    effect.block().meshOff = 1;
    EXPECT_EQ(mask(0, {0.0f, 0.0f, 0.0f}), 1.0f);
}

TEST_F(ShapeMaskTest, UpperBallHasASoftEdgeNearTheUnitSphere) {
    pairs[0] = {0.0f, 0.3f};
    EXPECT_EQ(mask(0x1, {0.0f, 0.0f, 0.5f}), 1.0f);
    EXPECT_NEAR(mask(0x1, {0.0f, 0.0f, 0.85f}), softObjectAt(0.15 / 0.3), 1e-5f);
    const float nearEdge = mask(0x1, {0.0f, 0.0f, 0.999f});
    EXPECT_GE(nearEdge, 0.0f);
    EXPECT_LT(nearEdge, 1e-3f);
    EXPECT_EQ(mask(0x1, {0.0f, 0.0f, 1.0f}), 0.0f);
    EXPECT_EQ(mask(0x1, {0.6f, 0.0f, 0.8f}), 0.0f);
    // The lower half is left alone.
    EXPECT_EQ(mask(0x1, {0.0f, 0.0f, -0.95f}), 1.0f);
}

TEST_F(ShapeMaskTest, TheWindowIsTheSoftObjectCurveNotALinearRamp) {
    pairs[0] = {0.0f, 0.3f};
    // Halfway through the edge the soft object gives 7/36 where a linear ramp would give 1/2;
    // both are whole before the edge and empty at its end.
    EXPECT_NEAR(mask(0x1, {0.0f, 0.0f, 0.85f}), 7.0f / 36.0f, 1e-5f);
    EXPECT_EQ(mask(0x1, {0.0f, 0.0f, 0.69f}), 1.0f);
    EXPECT_EQ(mask(0x1, {0.0f, 0.0f, 1.0f}), 0.0f);
}

TEST_F(ShapeMaskTest, BallUpperHalfAndCylinderLowerHalf) {
    pairs[0] = {0.0f, 0.3f};
    pairs[6] = {0.0f, 0.3f};
    const uint32_t flags = 0x1 | 0x40;
    // r > 1 but inside the unit cylinder: empty above, soft cylinder edge below.
    EXPECT_EQ(mask(flags, {0.9f, 0.0f, 0.9f}), 0.0f);
    EXPECT_NEAR(mask(flags, {0.9f, 0.0f, -0.9f}), softObjectAt(0.2 / 0.3), 1e-5f);
    // Deep inside both.
    EXPECT_EQ(mask(flags, {0.1f, 0.1f, 0.5f}), 1.0f);
    EXPECT_EQ(mask(flags, {0.1f, 0.1f, -1.0f}), 1.0f);
    // Outside the cylinder below.
    EXPECT_EQ(mask(flags, {0.8f, 0.7f, -0.1f}), 0.0f);
    // The cylinder alone covers both halves.
    EXPECT_NEAR(mask(0x40, {0.9f, 0.0f, 0.9f}), softObjectAt(0.2 / 0.3), 1e-5f);
}

TEST_F(ShapeMaskTest, LowerBallAndHollowHalves) {
    pairs[1] = {0.0f, 0.3f};
    EXPECT_NEAR(mask(0x2, {0.0f, 0.0f, -0.85f}), 7.0f / 36.0f, 1e-5f);
    EXPECT_EQ(mask(0x2, {0.0f, 0.0f, 0.95f}), 1.0f);
    EXPECT_EQ(mask(0x2, {0.0f, 0.8f, -0.6f}), 0.0f);

    // Hollowed halves take the pair as (zero, full) radii: density gone inside 0.2, back at 0.6.
    pairs[2] = {0.6f, 0.2f};
    pairs[3] = {0.6f, 0.2f};
    EXPECT_EQ(mask(0x4, {0.0f, 0.1f, 0.05f}), 0.0f);
    EXPECT_NEAR(mask(0x4, {0.0f, 0.0f, 0.4f}), 29.0f / 36.0f, 1e-5f);
    EXPECT_EQ(mask(0x4, {0.0f, 0.0f, 0.7f}), 1.0f);
    EXPECT_EQ(mask(0x4, {0.0f, 0.0f, 1.0f}), 1.0f);  // beyond the ball nothing changes
    EXPECT_EQ(mask(0x4, {0.0f, 0.0f, -0.1f}), 1.0f);
    EXPECT_NEAR(mask(0x8, {0.0f, 0.0f, -0.4f}), 29.0f / 36.0f, 1e-5f);
    EXPECT_EQ(mask(0x8, {0.0f, 0.0f, 0.1f}), 1.0f);

    // A hollowed half takes precedence over the cylinder.
    pairs[6] = {0.0f, 0.3f};
    EXPECT_EQ(mask(0x4 | 0x40, {0.9f, 0.9f, 0.5f}), 1.0f);
    EXPECT_EQ(mask(0x4 | 0x40, {0.9f, 0.9f, -0.5f}), 0.0f);
}

TEST_F(ShapeMaskTest, CylindersAlongXAndY) {
    pairs[4] = {0.0f, 0.3f};
    pairs[5] = {0.0f, 0.3f};
    EXPECT_EQ(mask(0x10, {0.99f, 0.3f, 0.4f}), 1.0f);
    EXPECT_NEAR(mask(0x10, {-0.99f, 0.51f, 0.68f}), 7.0f / 36.0f, 1e-5f);  // rho = 0.85
    EXPECT_EQ(mask(0x10, {0.0f, 0.6f, 0.8f}), 0.0f);
    EXPECT_EQ(mask(0x20, {0.3f, 0.99f, 0.4f}), 1.0f);
    EXPECT_NEAR(mask(0x20, {0.51f, -0.99f, 0.68f}), 7.0f / 36.0f, 1e-5f);
    EXPECT_EQ(mask(0x20, {0.8f, 0.0f, 0.6f}), 0.0f);
    // Both at once: the product of the two edges.
    EXPECT_NEAR(mask(0x30, {0.51f, 0.51f, 0.68f}), (7.0f / 36.0f) * (7.0f / 36.0f), 1e-5f);
}

TEST_F(ShapeMaskTest, HollowCoresRemoveDensityNearTheirAxis) {
    // The hollow preset's pair: nothing inside 0.5, full from 0.7 on.
    pairs[7] = {0.3f, 0.5f};
    pairs[8] = {0.3f, 0.5f};
    pairs[9] = {0.3f, 0.5f};
    EXPECT_EQ(mask(0x80, {0.9f, 0.2f, 0.2f}), 0.0f);
    EXPECT_NEAR(mask(0x80, {0.9f, 0.36f, 0.48f}), 29.0f / 36.0f, 1e-5f);  // rho = 0.6
    EXPECT_EQ(mask(0x80, {0.0f, 0.6f, 0.8f}), 1.0f);
    EXPECT_EQ(mask(0x80, {0.0f, 0.9f, 0.9f}), 1.0f);
    EXPECT_EQ(mask(0x100, {0.2f, 0.9f, 0.2f}), 0.0f);
    EXPECT_NEAR(mask(0x100, {0.36f, 0.9f, 0.48f}), 29.0f / 36.0f, 1e-5f);
    EXPECT_EQ(mask(0x100, {0.9f, 0.0f, 0.9f}), 1.0f);
    EXPECT_EQ(mask(0x200, {0.2f, 0.2f, 0.9f}), 0.0f);
    EXPECT_NEAR(mask(0x200, {0.36f, 0.48f, -0.9f}), 29.0f / 36.0f, 1e-5f);
    EXPECT_EQ(mask(0x200, {0.9f, 0.9f, 0.0f}), 1.0f);
}

TEST_F(ShapeMaskTest, PlanarFadesTowardsEachFace) {
    struct Fade {
        uint32_t bit;
        int pair;
        Vector3 towards;  // the face the density fades towards
    };
    const Fade fades[] = {{0x400, 10, {1, 0, 0}},  {0x2000, 13, {-1, 0, 0}}, {0x800, 11, {0, 1, 0}},
                          {0x4000, 14, {0, -1, 0}}, {0x1000, 12, {0, 0, 1}},  {0x8000, 15, {0, 0, -1}}};
    // Each fade its own band width, so that a fade reading another's pair shows.
    const float widths[6] = {0.1f, 0.2f, 0.3f, 0.4f, 0.24f, 0.16f};
    for (int k = 10; k < 16; ++k) pairs[k] = {0.0f, widths[k - 10]};
    for (const Fade& fade : fades) {
        SCOPED_TRACE(fade.bit);
        // Halfway through the fade band, at the face, at the far face, in the middle.
        const Vector3 halfway = fade.towards * (1.0f - pairs[fade.pair].b);
        EXPECT_NEAR(mask(fade.bit, halfway), 7.0f / 36.0f, 1e-4f);
        EXPECT_EQ(mask(fade.bit, fade.towards * 1.0f), 0.0f);
        EXPECT_EQ(mask(fade.bit, fade.towards * -1.0f), 1.0f);
        EXPECT_EQ(mask(fade.bit, {0.0f, 0.0f, 0.0f}), 1.0f);
    }
    // The box preset multiplies the fades of a corner.
    for (int k = 10; k < 16; ++k) pairs[k] = {0.0f, 0.1f};
    EXPECT_NEAR(mask(0xFC00, {0.9f, -0.9f, 0.0f}), (7.0f / 36.0f) * (7.0f / 36.0f), 1e-4f);
}

// The vortex ladder a Rising smoke builds, read where it moves the point its noise is read at
// (the point a host density shader gets, plus the offset). Noise space is the cube itself
// (scales 100), so the column's half height and each rung's radius are 1 and the two rungs of
// a set sit 1.75 apart from the offset up; no spread (k = 1) and no shape. Before the swirl a
// point (x, y, z) of the cube lies at (x, y, 2h²) up the column, h = 0.5 z + 0.5 its height
// factor. A zero scale across the axis of one set leaves only the other set's rungs.
class VortexTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(smoke);
        RisingSmokeParameters& block = hostBlock<RisingSmokeParameters>(smoke);
        block.common.noiseScale = 100.0f;
        block.common.shapeFlags = 0;
        block.baseSpread = 1.0f;
        block.edgeSoftness = 0.0f;
        rungsAboutX();
    }
    // The rungs turning about x (none about y, whose noise coordinate is then 0), or about y.
    void rungsAboutX() { smoke.block().noiseScaleXYZ = {100.0f, 0.0f, 100.0f}; }
    void rungsAboutY() { smoke.block().noiseScaleXYZ = {0.0f, 100.0f, 100.0f}; }
    // The first rung of the set at height z of the column, the second at z + 1.75.
    void firstRungAt(float z) { smoke.block().noiseOffset = {0.0f, 0.0f, z}; }
    Vector3 swirled(const Vector3& p) {
        sampleAt(smoke, p);
        return asVector(field->record.point) + smoke.block().noiseOffset;
    }

    EffectRef smoke{CLSID_RisingSmoke};
    DensityShader field{smoke, "vortex test field", 0.5f};
};

// The turn of one rung about x of the ladder (radius 1, twist 60 degrees, lift 0.1) at height c
// of the column, at height factor h; the first rung of a set lifts the other way.
Vector3 turnedAboutX(const Vector3& q, double c, double h, bool first) {
    const double y = q.y;
    const double dz = q.z - c;
    const double d = y * y + dz * dz;
    if (d >= 1.0) return q;
    const double u = 1.0 - d;
    const double angle = u * u * 60.0 * h * 3.14159265358979 / 180.0;
    const double lift = (first ? -0.1 : 0.1) * angle;
    return {static_cast<float>(q.x + lift), static_cast<float>(y * std::cos(angle) - dz * std::sin(angle)),
            static_cast<float>(c + y * std::sin(angle) + dz * std::cos(angle))};
}

TEST_F(VortexTest, KindTableAndDerivedRadius) {
    // On a rung's axis only the coordinate along it moves: x for the rungs about x, y for those
    // about y. The first rung about x and the second about y lift towards minus. z = 0.5 lies at
    // 1.125 up the column.
    const Vector3 p{0.25f, 0.4f, 0.5f};
    struct Rung {
        bool aboutX;
        float first;  // where the first rung goes, so that this one is at 1.125
        float lift;   // the sign of its lift
    };
    for (const Rung& rung : {Rung{true, 1.125f, -1.0f}, Rung{true, 1.125f - 1.75f, 1.0f},
                             Rung{false, 1.125f, 1.0f}, Rung{false, 1.125f - 1.75f, -1.0f}}) {
        SCOPED_TRACE(rung.first);
        if (rung.aboutX) rungsAboutX(); else rungsAboutY();
        firstRungAt(rung.first);
        const Vector3 q = swirled(p);
        const Vector3 before = rung.aboutX ? Vector3{0.25f, 0.0f, 1.125f} : Vector3{0.0f, 0.4f, 1.125f};
        const int along = rung.aboutX ? 0 : 1;
        EXPECT_GT((q[along] - before[along]) * rung.lift, 0.01f);
        for (int other : {1 - along, 2}) EXPECT_EQ(q[other], before[other]) << other;
    }
    // A rung reaches as far as its radius a / s, 2 for the x scale 50 (one rung a set): a point
    // at 0.5 up the column moves within 2 of it and not at 2.
    rungsAboutX();
    smoke.block().noiseScaleXYZ.x = 50.0f;
    firstRungAt(-1.5f);
    EXPECT_EQ(swirled({0.1f, 0.2f, 0.0f}), (Vector3{0.2f, 0.0f, 0.5f}));
    EXPECT_NE(swirled({0.1f, 0.2f, -0.01f}).y, 0.0f);
}

TEST_F(VortexTest, PointsAtTheRadiusOrBeyondAreUntouched) {
    // The second rung at -0.5, 1 below the point of z = 0 (0.5 up the column), the first 1.75
    // further down.
    firstRungAt(-2.25f);
    EXPECT_EQ(swirled({0.3f, 0.2f, 0.0f}), (Vector3{0.3f, 0.0f, 0.5f}));
    EXPECT_EQ(swirled({-0.6f, 0.7f, 0.5f}), (Vector3{-0.6f, 0.0f, 1.125f}));
    // Just inside the radius it moves.
    const Vector3 inside = swirled({0.3f, 0.2f, -0.01f});
    EXPECT_NE(inside.x, 0.3f);
    EXPECT_NE(inside.y, 0.0f);
}

TEST_F(VortexTest, OnTheAxisTheLiftIsLiftTimesTheFullAngle) {
    // h = 0.75: 45 degrees at the axis of the second rung, at 1.125 up the column.
    firstRungAt(1.125f - 1.75f);
    const Vector3 q = swirled({0.25f, -0.5f, 0.5f});
    EXPECT_NEAR(q.x, 0.25f + 0.1f * 0.78539816f, 1e-6f);
    EXPECT_EQ(q.y, 0.0f);
    EXPECT_EQ(q.z, 1.125f);
}

TEST_F(VortexTest, TheAngleFallsOffWithTheSquareOfTheDistance) {
    // The second rung at 0.375, 0.125 below the point of z = 0 (h = 0.5, at 0.5 up the column):
    // u = 1 - 0.125², an angle of u² × 60 × 0.5 degrees turning (y, z) about the rung's axis.
    firstRungAt(0.375f - 1.75f);
    const double u = 1.0 - 0.125 * 0.125;
    const double angle = u * u * 60.0 * 0.5 * 3.14159265358979 / 180.0;
    const Vector3 q = swirled({0.7f, 0.1f, 0.0f});
    EXPECT_NEAR(q.x, 0.7 + 0.1 * angle, 1e-6);
    EXPECT_NEAR(q.y, -0.125 * std::sin(angle), 1e-6);
    EXPECT_NEAR(q.z, 0.375 + 0.125 * std::cos(angle), 1e-6);
}

TEST_F(VortexTest, ReversedKindsTurnTheSameWayAndLiftTheOtherWay) {
    // The two rungs of a set, each in turn 0.105 below the point of z = 0.1 (0.605 up the column).
    const Vector3 p{0.15f, -0.2f, 0.1f};
    for (bool aboutX : {true, false}) {
        SCOPED_TRACE(aboutX);
        if (aboutX) rungsAboutX(); else rungsAboutY();
        firstRungAt(0.5f);
        const Vector3 a = swirled(p);
        firstRungAt(0.5f - 1.75f);
        const Vector3 b = swirled(p);
        const int k = aboutX ? 0 : 1;  // the lifted coordinate
        const float before = p[k];
        for (int turned : {1 - k, 2}) EXPECT_NEAR(a[turned], b[turned], 1e-6f) << turned;
        EXPECT_GT(std::fabs(a.z - 0.605f), 1e-3f);
        EXPECT_GT(std::fabs(a[k] - before), 1e-3f);
        EXPECT_NEAR(a[k] - before, before - b[k], 1e-6f);
    }
}

TEST_F(VortexTest, TheListIsAppliedFromLastToFirst) {
    // Both rungs reach the point of z = 0.5 (h = 0.75, at 1.125 up the column): the first at
    // 0.25, the second at 2. The second turns it first.
    firstRungAt(0.25f);
    const Vector3 start{0.3f, 0.0f, 1.125f};
    const Vector3 expected = turnedAboutX(turnedAboutX(start, 2.0, 0.75, false), 0.25, 0.75, true);
    const Vector3 otherOrder = turnedAboutX(turnedAboutX(start, 0.25, 0.75, true), 2.0, 0.75, false);
    ASSERT_GT(std::fabs(expected.z - otherOrder.z), 1e-3f);
    const Vector3 q = swirled({0.3f, 0.2f, 0.5f});
    EXPECT_NEAR(q.x, expected.x, 1e-6f);
    EXPECT_NEAR(q.y, expected.y, 1e-6f);
    EXPECT_NEAR(q.z, expected.z, 1e-6f);
}

TEST_F(VortexTest, TheSwirlTurnsWithTheHeightOfThePointTheModifiersMade) {
    // A modifier lowers every point by 0.8: z = 0.6 becomes -0.2, at 0.32 up the column, and
    // h = 0.4, not the received point's 0.8.
    auto lower = FunctionModifier::create([](const Vector3& in, Vector3& out) { out.z = in.z - 0.8f; });
    ModifierList list(smoke);
    list.add(lower.get());
    firstRungAt(0.32f - 1.75f);
    const Vector3 q = swirled({0.2f, 0.1f, 0.6f});
    EXPECT_NEAR(q.x, 0.2f + 0.1f * 0.4f * 60.0f * 0.017453292f, 1e-6f);
    EXPECT_NEAR(q.z, 0.32f, 1e-6f);
}

// A Smog whose noise is read at the sample point itself (scale 100, no offset, no turn) over
// the whole cube, with the real tables of gain and bias 0.5, which keep a value within 2^-12.
class NoiseFieldTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(effect);
        EffectParameters& p = effect.block();
        p.shapeFlags = 0;
        p.noiseScale = 100.0f;
    }
    // Makes a scene shader the density source.
    void useShader(float value) {
        density_.emplace(effect, "effects test shader", value);
        shader = density_->get();
    }
    float density(const Vector3& p) { return sampleAt(effect, p).density; }
    static float clamped(float v) { return !(v > 0.0f) ? 0.0f : (v > 1.0f ? 1.0f : v); }

    EffectRef effect{CLSID_Smog};
    std::optional<DensityShader> density_;
    ValueShader* shader = nullptr;
};

TEST_F(NoiseFieldTest, ModifiersDeformInListOrderFromACopyOfThePoint) {
    useShader(0.5f);
    sampleAt(effect, {0.1f, 0.2f, 0.3f});
    EXPECT_EQ(asVector(shader->record.point), (Vector3{0.1f, 0.2f, 0.3f}));

    // The first shifts x only (y and z come from the copy), the second halves everything. The
    // shader is handed the point the modifiers made.
    auto shift = FunctionModifier::create([](const Vector3& in, Vector3& out) { out.x = in.x + 0.5f; });
    auto half = FunctionModifier::create([](const Vector3& in, Vector3& out) { out = in * 0.5f; });
    {
        ModifierList list(effect);
        list.add(shift.get());
        list.add(half.get());
        sampleAt(effect, {0.1f, 0.2f, 0.3f}, false);
        EXPECT_EQ(asVector(shader->record.point), (Vector3{(0.1f + 0.5f) * 0.5f, 0.2f * 0.5f, 0.3f * 0.5f}));
    }
    {
        ModifierList list(effect);
        list.add(half.get());
        list.add(shift.get());
        sampleAt(effect, {0.1f, 0.2f, 0.3f}, false);
        EXPECT_EQ(asVector(shader->record.point), (Vector3{0.1f * 0.5f + 0.5f, 0.2f * 0.5f, 0.3f * 0.5f}));
    }
    EXPECT_EQ(shift->calls, 2);
    EXPECT_EQ(half->calls, 2);
    EXPECT_EQ(shift->referenceCount(), 1);
}

TEST_F(NoiseFieldTest, NoShaderAndUnknownTypesReadTheFirstEntries) {
    // A negative gain puts 1 at the start of the tables: type 0 without a shader reads it.
    EffectParameters& p = effect.block();
    p.gainAmount = -1.0f;
    p.noiseType = 0;
    EXPECT_EQ(density({0.3f, 0.4f, 0.5f}), 1.0f);
    for (int32_t type : {-1, 5, 99}) {
        p.noiseType = type;
        EXPECT_EQ(density({0.3f, 0.4f, 0.5f}), 1.0f) << type;
    }
    p.gainAmount = 0.5f;
    EXPECT_EQ(density({0.3f, 0.4f, 0.5f}), 0.0f);
}

TEST_F(NoiseFieldTest, EachOctaveSumWithItsScaleAndOffsetThenTheTables) {
    // The lattice of the default seed, as the module builds it, with the octave limit of the
    // default detail 2.
    NoiseLattice lattice = builtLattice(777);
    lattice.maxFrequency = 8;
    const Vector3 points[] = {{0.03f, 0.17f, -0.22f}, {0.9f, -0.35f, 0.0125f}, {-0.6f, 0.45f, 0.79f},
                              {0.25f, 0.25f, 0.25f}};
    const float shaping = 1.0f / 4096.0f;
    for (const Vector3& n : points) {
        effect.block().noiseType = 1;
        EXPECT_NEAR(density(n), clamped(lattice.fractalSumSpectral(n, 0.5f, 0.002f) * 1.5f), shaping);
        effect.block().noiseType = 2;
        EXPECT_NEAR(density(n), clamped(lattice.turbulenceScaled(n, 0.5f, 0.002f) * 1.5f), shaping);
        effect.block().noiseType = 3;
        EXPECT_NEAR(density(n), clamped(lattice.ridgedSum(n, 0.002f)), shaping);
        effect.block().noiseType = 4;
        const float fractal = lattice.fractalSumScaled(n, 0.5f, 0.002f) * 0.6f + 0.5f;
        EXPECT_NEAR(density(n), clamped(fractal), shaping);
        // The fractal sum sits around 0.5, well inside the tables.
        EXPECT_GT(density(n), 0.0f);
    }
}

TEST_F(NoiseFieldTest, TheDensityShaderGetsThePointAndAFreshResult) {
    useShader(0.5f);
    effect.block().noiseScale = 10.0f;  // the noise point is ten times the sample point
    EXPECT_NEAR(density({0.15f, -0.2f, 0.025f}), 0.5f, 1.0f / 4096.0f);
    EXPECT_EQ(shader->evaluations, 1);
    EXPECT_EQ(shader->valueOnEntry, 0.0f);
    EXPECT_EQ(shader->flagOnEntry, 0);
    EXPECT_FLOAT_EQ(shader->record.point.x, 1.5f);
    EXPECT_FLOAT_EQ(shader->record.point.y, -2.0f);
    EXPECT_FLOAT_EQ(shader->record.point.z, 0.25f);
    EXPECT_EQ(asVector(shader->record.position), asVector(shader->record.point));
}

TEST_F(NoiseFieldTest, ValuesAreClampedAndNotANumberReadsTheFirstEntries) {
    useShader(0.0f);
    auto densityOf = [this](float value) {
        shader->value = value;
        return density({0.1f, 0.2f, 0.3f});
    };
    const float full = densityOf(1.0f);
    EXPECT_NEAR(full, 1.0f, 1.0f / 4096.0f);
    for (float above : {1.7f, std::numeric_limits<float>::infinity()}) EXPECT_EQ(densityOf(above), full) << above;
    for (float below : {0.0f, -0.3f, kNaN}) EXPECT_EQ(densityOf(below), 0.0f) << below;
    EXPECT_NEAR(densityOf(0.25f), 0.25f, 1.0f / 4096.0f);
}

TEST_F(NoiseFieldTest, AColourShaderAlsoReceivesTheNoisePoint) {
    SceneShader colour("effects test colour");
    host::setText(&effect.block().colourShaderName.get(), colour->name);
    effect.block().colourFromGradient = 0;
    effect->exchangerInterface()->parametersChanged();
    const QVVector3 point{0.75f * 4.0f, -0.5f * 4.0f, 0.4f * 4.0f};  // local space of size 4
    QVColourRecord sampled{};
    EXPECT_EQ(effect->densitySamplerInterface()->sampleAt(&point, nullptr, nullptr, &sampled), qv::kOk);
    EXPECT_EQ(colour->colourEvaluations, 1);
    EXPECT_FLOAT_EQ(colour->colourRecord.point.x, 0.75f);
    EXPECT_FLOAT_EQ(colour->colourRecord.position.z, 0.4f);
    EXPECT_EQ(colour->evaluations, 0);  // the fractal sum stays the density source
}

TEST_F(NoiseFieldTest, AColourShaderOfASampleThatReadsNoPointGetsThePointReadLast) {
    SceneShader colour("effects test colour");
    host::setText(&effect.block().colourShaderName.get(), colour->name);
    effect.block().colourFromGradient = 0;
    effect.block().shapeFlags = kUpperBall | kLowerBall;
    effect->exchangerInterface()->parametersChanged();
    IDensitySampler* sampler = effect->densitySamplerInterface();
    const QVVector3 inside{0.25f * 4.0f, -0.5f * 4.0f, 0.125f * 4.0f};  // local space of size 4
    QVColourRecord sampled{};
    ASSERT_EQ(sampler->sampleAt(&inside, nullptr, nullptr, &sampled), qv::kOk);
    EXPECT_FLOAT_EQ(colour->colourRecord.point.x, 0.25f);
    // A corner lies outside the ball: the sample stops before the noise, in a later call too.
    const QVVector3 corner{0.9f * 4.0f, 0.9f * 4.0f, 0.9f * 4.0f};
    float density = -1.0f;
    ASSERT_EQ(sampler->sampleAt(&corner, &density, nullptr, &sampled), qv::kOk);
    EXPECT_EQ(density, 0.0f);
    EXPECT_EQ(colour->colourEvaluations, 2);
    EXPECT_FLOAT_EQ(colour->colourRecord.point.x, 0.25f);
    EXPECT_FLOAT_EQ(colour->colourRecord.point.y, -0.5f);
    EXPECT_FLOAT_EQ(colour->colourRecord.position.z, 0.125f);
}

}  // namespace
}  // namespace brumo::test
