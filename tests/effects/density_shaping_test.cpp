// The shared density blocks on a primitive made by the factory: shape mask, vortices, modifier
// pass and noise field.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <optional>

#include "effect_fixtures.h"
#include "math/shaping.h"
#include "tests/math/built_lattice.h"

namespace brumo::test {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

class ShapeMaskTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(effect);
        for (FalloffPair& pair : pairs) pair = {0.0f, 0.5f};
    }
    // The linear window, which no effect reads through the sampler.
    float linearMask(uint32_t flags, Vector3 p) { return effect->field().shapeMask(p, flags, pairs, false); }
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
    EXPECT_NEAR(mask(0x1, {0.0f, 0.0f, 0.85f}), softObject(0.15f, 0.3f), 1e-5f);
    const float nearEdge = mask(0x1, {0.0f, 0.0f, 0.999f});
    EXPECT_GE(nearEdge, 0.0f);
    EXPECT_LT(nearEdge, 1e-3f);
    EXPECT_EQ(mask(0x1, {0.0f, 0.0f, 1.0f}), 0.0f);
    EXPECT_EQ(mask(0x1, {0.6f, 0.0f, 0.8f}), 0.0f);
    // The lower half is left alone.
    EXPECT_EQ(mask(0x1, {0.0f, 0.0f, -0.95f}), 1.0f);
}

TEST_F(ShapeMaskTest, SoftAndLinearWindowsAgreeAtTheEndsAndDifferBetween) {
    pairs[0] = {0.0f, 0.3f};
    // Halfway through the edge: the linear ramp gives 1/2, the soft object 7/36.
    EXPECT_NEAR(linearMask(0x1, {0.0f, 0.0f, 0.85f}), 0.5f, 1e-5f);
    EXPECT_NEAR(mask(0x1, {0.0f, 0.0f, 0.85f}), 7.0f / 36.0f, 1e-5f);
    EXPECT_EQ(linearMask(0x1, {0.0f, 0.0f, 0.69f}), 1.0f);
    EXPECT_EQ(mask(0x1, {0.0f, 0.0f, 0.69f}), 1.0f);
    EXPECT_EQ(linearMask(0x1, {0.0f, 0.0f, 1.0f}), 0.0f);
    EXPECT_EQ(mask(0x1, {0.0f, 0.0f, 1.0f}), 0.0f);
}

TEST_F(ShapeMaskTest, BallUpperHalfAndCylinderLowerHalf) {
    pairs[0] = {0.0f, 0.3f};
    pairs[6] = {0.0f, 0.3f};
    const uint32_t flags = 0x1 | 0x40;
    // r > 1 but inside the unit cylinder: empty above, soft cylinder edge below.
    EXPECT_EQ(mask(flags, {0.9f, 0.0f, 0.9f}), 0.0f);
    EXPECT_NEAR(mask(flags, {0.9f, 0.0f, -0.9f}), softObject(0.2f, 0.3f), 1e-5f);
    // Deep inside both.
    EXPECT_EQ(mask(flags, {0.1f, 0.1f, 0.5f}), 1.0f);
    EXPECT_EQ(mask(flags, {0.1f, 0.1f, -1.0f}), 1.0f);
    // Outside the cylinder below.
    EXPECT_EQ(mask(flags, {0.8f, 0.7f, -0.1f}), 0.0f);
    // The cylinder alone covers both halves.
    EXPECT_NEAR(mask(0x40, {0.9f, 0.0f, 0.9f}), softObject(0.2f, 0.3f), 1e-5f);
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

TEST(VortexTest, KindTableAndDerivedRadius) {
    const int32_t expected[6][4] = {{1, 2, 0, 0}, {2, 0, 1, 0}, {0, 1, 2, 0},
                                    {2, 1, 0, 1}, {0, 2, 1, 1}, {1, 0, 2, 1}};
    for (int32_t kind = 5; kind >= 0; --kind) {
        Vortex vortex;
        vortex.setKind(kind);
        EXPECT_EQ(vortex.kind, kind);
        EXPECT_EQ(vortex.axisI, expected[kind][0]) << kind;
        EXPECT_EQ(vortex.axisJ, expected[kind][1]) << kind;
        EXPECT_EQ(vortex.axisK, expected[kind][2]) << kind;
        EXPECT_EQ(vortex.reverse, expected[kind][3]) << kind;
    }
    Vortex vortex;
    vortex.setRadius(2.0f);
    EXPECT_EQ(vortex.radius, 2.0f);
    EXPECT_EQ(vortex.radiusSquared, 4.0f);
    EXPECT_EQ(vortex.inverseRadiusSquared, 0.25f);
}

TEST(VortexTest, PointsAtTheRadiusOrBeyondAreUntouched) {
    Vortex vortex;
    vortex.setKind(2);  // about z through the origin
    vortex.setRadius(0.5f);
    for (Vector3 p : {Vector3{0.5f, 0.0f, 0.3f}, Vector3{0.0f, -0.6f, 0.0f},
                      Vector3{0.4f, 0.4f, -0.2f}, Vector3{3.0f, 2.0f, 1.0f}}) {
        Vector3 q = p;
        DensityField::applyVortex(vortex, q, 1.0f);
        EXPECT_EQ(q, p);
    }
    // Just inside the radius it moves.
    Vector3 q{0.49f, 0.0f, 0.3f};
    DensityField::applyVortex(vortex, q, 1.0f);
    EXPECT_NE(q, (Vector3{0.49f, 0.0f, 0.3f}));
}

TEST(VortexTest, OnTheAxisTheLiftIsLiftTimesTheFullAngle) {
    Vortex vortex;
    vortex.setKind(2);
    vortex.centre = {0.25f, -0.5f, 0.0f};
    vortex.twist = 60.0f;
    vortex.lift = 0.1f;
    // h = 0.75: 45 degrees at the axis.
    Vector3 q{0.25f, -0.5f, 0.2f};
    DensityField::applyVortex(vortex, q, 0.75f);
    EXPECT_EQ(q.x, 0.25f);
    EXPECT_EQ(q.y, -0.5f);
    EXPECT_NEAR(q.z, 0.2f + 0.1f * 0.78539816f, 1e-6f);

    vortex.setKind(5);  // same axis, lifting the other way
    q = {0.25f, -0.5f, 0.2f};
    DensityField::applyVortex(vortex, q, 0.75f);
    EXPECT_NEAR(q.z, 0.2f - 0.1f * 0.78539816f, 1e-6f);
}

TEST(VortexTest, TheAngleFallsOffWithTheSquareOfTheDistance) {
    Vortex vortex;
    vortex.setKind(0);  // about x: y and z rotate
    vortex.setRadius(0.5f);
    vortex.twist = 90.0f;
    vortex.lift = 0.0f;
    // Distance 0.1 from the axis: u = (0.25 - 0.01) × 4 = 0.96, angle 0.96² × 90 × h degrees.
    const float h = 0.5f;
    const double angle = 0.96 * 0.96 * 90.0 * h * 3.14159265358979 / 180.0;
    Vector3 q{0.7f, 0.1f, 0.0f};
    DensityField::applyVortex(vortex, q, h);
    EXPECT_EQ(q.x, 0.7f);
    EXPECT_NEAR(q.y, 0.1 * std::cos(angle), 1e-6);
    EXPECT_NEAR(q.z, 0.1 * std::sin(angle), 1e-6);
    // No turn at height factor 0.
    q = {0.7f, 0.1f, 0.0f};
    DensityField::applyVortex(vortex, q, 0.0f);
    EXPECT_EQ(q, (Vector3{0.7f, 0.1f, 0.0f}));
}

TEST(VortexTest, ReversedKindsTurnTheSameWayAndLiftTheOtherWay) {
    const Vector3 start{0.15f, -0.2f, 0.1f};
    for (int32_t kind = 0; kind < 3; ++kind) {
        SCOPED_TRACE(kind);
        Vortex plain;
        plain.setKind(kind);
        Vortex reversed;
        reversed.setKind(kind + 3);
        Vector3 a = start;
        Vector3 b = start;
        DensityField::applyVortex(plain, a, 0.8f);
        DensityField::applyVortex(reversed, b, 0.8f);
        const int k = plain.axisK;
        EXPECT_NEAR(a[plain.axisI], b[plain.axisI], 1e-6f);
        EXPECT_NEAR(a[plain.axisJ], b[plain.axisJ], 1e-6f);
        EXPECT_NE(a[plain.axisI], start[plain.axisI]);
        EXPECT_GT(a[k] - start[k], 0.0f);
        EXPECT_NEAR(a[k] - start[k], start[k] - b[k], 1e-6f);
    }
}

TEST(VortexTest, TheListIsAppliedFromLastToFirst) {
    EffectRef effect(CLSID_Smog);
    ASSERT_TRUE(effect);
    Vortex first;
    first.setKind(2);
    first.twist = 80.0f;
    Vortex second;
    second.setKind(0);
    second.centre = {0.0f, 0.1f, 0.0f};
    second.twist = -50.0f;
    second.lift = 0.3f;
    // No host call fills this effect's vortex list: the test writes the prepared list itself.
    QVClassArray<Vortex>& vortices = const_cast<PreparedVolume&>(effect->prepared()).vortices;
    ASSERT_TRUE(vortices.append(first));
    ASSERT_TRUE(vortices.append(second));

    const Vector3 start{0.1f, 0.05f, -0.1f};
    Vector3 expected = start;
    DensityField::applyVortex(second, expected, 0.6f);
    DensityField::applyVortex(first, expected, 0.6f);
    Vector3 otherOrder = start;
    DensityField::applyVortex(first, otherOrder, 0.6f);
    DensityField::applyVortex(second, otherOrder, 0.6f);
    ASSERT_NE(expected, otherOrder);

    Vector3 q = start;
    effect->field().applyVortices(q, 0.6f);
    EXPECT_EQ(q, expected);
    vortices.clear();
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
        density_.emplace(effect.get(), "effects test shader", value);
        shader = density_->get();
    }
    float density(const Vector3& p) { return sampleAt(effect, p).density; }
    static float clamped(float v) { return !(v > 0.0f) ? 0.0f : (v > 1.0f ? 1.0f : v); }

    EffectRef effect{CLSID_Smog};
    std::optional<DensityShader> density_;
    ValueShader* shader = nullptr;
};

Vector3 asVector(const QVVector3& v) { return {v.x, v.y, v.z}; }

TEST_F(NoiseFieldTest, ModifiersDeformInListOrderFromACopyOfThePoint) {
    useShader(0.5f);
    sampleAt(effect, {0.1f, 0.2f, 0.3f});
    EXPECT_EQ(asVector(shader->record.point), (Vector3{0.1f, 0.2f, 0.3f}));

    // The first shifts x only (y and z come from the copy), the second halves everything. The
    // shader is handed the point the modifiers made.
    auto shift = FunctionModifier::create([](const Vector3& in, Vector3& out) { out.x = in.x + 0.5f; });
    auto half = FunctionModifier::create([](const Vector3& in, Vector3& out) { out = in * 0.5f; });
    {
        ModifierList list(effect.get());
        list.add(shift.get());
        list.add(half.get());
        sampleAt(effect, {0.1f, 0.2f, 0.3f}, false);
        EXPECT_EQ(asVector(shader->record.point), (Vector3{(0.1f + 0.5f) * 0.5f, 0.2f * 0.5f, 0.3f * 0.5f}));
    }
    {
        ModifierList list(effect.get());
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
