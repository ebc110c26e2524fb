// The nine geometric deformers as a host meets them: made by class id, edited through their
// blocks, and the numbers they give for their defaults, their edge cases and degenerate ranges.
#include <gtest/gtest.h>

#include <cmath>

#include "brumo/parameter_blocks.h"
#include "math/shaping.h"
#include "modifier_doubles.h"
#include "qv/data_component.h"
#include "qv/fourcc.h"

namespace brumo::test {
namespace {

constexpr float kFar = 16384.0f;
constexpr float kRoot2 = 1.4142135f;

void expectPoint(const Vector3& actual, const Vector3& expected, float tolerance = 0.0f) {
    if (tolerance == 0.0f) {
        EXPECT_FLOAT_EQ(actual.x, expected.x);
        EXPECT_FLOAT_EQ(actual.y, expected.y);
        EXPECT_FLOAT_EQ(actual.z, expected.z);
    } else {
        EXPECT_NEAR(actual.x, expected.x, tolerance);
        EXPECT_NEAR(actual.y, expected.y, tolerance);
        EXPECT_NEAR(actual.z, expected.z, tolerance);
    }
}

TEST(ModifierFactoryTest, EveryModifierComesFromTheFactoryAndAnswersItsBlockSize) {
    const BlockSize modifiers[] = {
        {"Taper", CLSID_TaperModifier, sizeof(TaperParameters), 20},
        {"Wave", CLSID_WaveModifier, sizeof(WaveParameters), 28},
        {"Bulge", CLSID_BulgeModifier, sizeof(BulgeParameters), 20},
        {"Punch", CLSID_PunchModifier, sizeof(PunchParameters), 16},
        {"Twist", CLSID_TwistModifier, sizeof(TwistParameters), 16},
        {"Bend", CLSID_BendModifier, sizeof(BendParameters), 20},
        {"Shift", CLSID_ShiftModifier, sizeof(ShiftParameters), 20},
        {"Noise", CLSID_NoiseModifier, sizeof(NoiseModifierParameters), 80},
        {"Stretch", CLSID_StretchModifier, sizeof(StretchParameters), 20},
        {"Scale", CLSID_ScaleModifier, sizeof(ScaleParameters), 12},
    };
    for (const auto& m : modifiers) {
        SCOPED_TRACE(m.name);
        ModifierRef modifier(m.classId);
        ASSERT_TRUE(modifier);
        expectBlockSize(modifier.exchanger(), m);
        EXPECT_NE(modifier.exchanger()->parameterBlock(), nullptr);

        // The data component interface is the modifier interface itself, first in the object.
        void* component = nullptr;
        EXPECT_EQ(modifier.get()->QueryInterface(qv::IID_I3DExDataComponent, &component), qv::kOk);
        EXPECT_EQ(component, static_cast<void*>(modifier.get()));
        if (component != nullptr) static_cast<IQVUnknown*>(component)->Release();

        void* other = modifier.get();  // an out slot that holds a reference gives it up
        modifier.get()->AddRef();
        EXPECT_EQ(modifier.get()->QueryInterface(IID_BrumoBase, &other), qv::kNoInterface);
        EXPECT_EQ(other, nullptr);
    }
}

TEST(TaperModifierTest, DefaultsHalveTheCrossSectionAtTheBottomOnly) {
    ModifierRef taper(CLSID_TaperModifier);
    ASSERT_TRUE(taper);
    const TaperParameters& p = taper.block<TaperParameters>();
    EXPECT_EQ(p.amount, 0.5f);
    EXPECT_EQ(p.start, 0.0f);
    EXPECT_EQ(p.end, 1.0f);
    EXPECT_EQ(p.axis, qv::fourcc("ZAXI"));
    EXPECT_EQ(p.invert, 0);
    EXPECT_EQ(p.affectFirst, 1);
    EXPECT_EQ(p.affectSecond, 1);

    expectPoint(taper.deform({0.2f, 0.3f, -1.0f}), {0.4f, 0.6f, -1.0f});
    expectPoint(taper.deform({0.2f, 0.3f, 1.0f}), {0.2f, 0.3f, 1.0f});
    expectPoint(taper.deform({0.3f, -0.6f, 0.0f}), {0.3f / 0.75f, -0.6f / 0.75f, 0.0f});
}

TEST(TaperModifierTest, FullAmountSendsTheNarrowEndFarAndTheFlagsChooseTheAxes) {
    ModifierRef taper(CLSID_TaperModifier);
    ASSERT_TRUE(taper);
    TaperParameters& p = taper.block<TaperParameters>();
    p.amount = 1.0f;
    taper.changed();
    expectPoint(taper.deform({0.2f, 0.3f, -1.0f}), {kFar, kFar, -1.0f});
    expectPoint(taper.deform({0.0f, 0.0f, -1.5f}), {kFar, kFar, -1.5f});
    expectPoint(taper.deform({0.2f, 0.3f, 1.0f}), {0.2f, 0.3f, 1.0f});

    p.affectSecond = 0;
    p.invert = 1;  // the narrow end is now at the top
    taper.changed();
    expectPoint(taper.deform({0.2f, 0.3f, 1.0f}), {kFar, 0.3f, 1.0f});
    expectPoint(taper.deform({0.2f, 0.3f, -1.0f}), {0.2f, 0.3f, -1.0f});
}

TEST(WaveModifierTest, DefaultsRunOneSinePeriodWithItsOriginAtTheCentre) {
    ModifierRef wave(CLSID_WaveModifier);
    ASSERT_TRUE(wave);
    const WaveParameters& p = wave.block<WaveParameters>();
    EXPECT_EQ(p.amplitude, 0.5f);
    EXPECT_EQ(p.cycles, 1.0f);
    EXPECT_EQ(p.phase, 0.0f);
    EXPECT_EQ(p.waveMode, qv::fourcc("Opt4"));

    const struct {
        float u, f;
    } samples[] = {{0.0f, 0.75f}, {1.0f, 0.75f}, {-1.0f, 0.75f}, {0.5f, 1.0f}, {-0.5f, 0.5f},
                   {1.5f, 0.75f}, {-2.5f, 0.75f}};  // held at lo and hi outside
    for (const auto& s : samples) {
        SCOPED_TRACE(s.u);
        expectPoint(wave.deform({0.3f, -0.6f, s.u}), {0.3f / s.f, -0.6f / s.f, s.u}, 1e-6f);
    }
}

TEST(WaveModifierTest, OtherModesDivideTheMainCoordinateAndUnknownModesLeaveThePoint) {
    ModifierRef wave(CLSID_WaveModifier);
    ASSERT_TRUE(wave);
    WaveParameters& p = wave.block<WaveParameters>();

    // "Opt1" follows the second cross axis (y for the z axis).
    p.waveMode = qv::fourcc("Opt1");
    wave.changed();
    expectPoint(wave.deform({0.9f, 0.5f, 0.4f}), {0.9f, 0.5f, 0.4f}, 1e-6f);
    expectPoint(wave.deform({0.9f, -0.5f, 0.4f}), {0.9f, -0.5f, 0.8f}, 1e-6f);

    // "Opt3" follows the distance from the axis, with start and end taken as they are: two
    // periods over 0..1.
    p.waveMode = qv::fourcc("Opt3");
    wave.changed();
    expectPoint(wave.deform({0.25f, 0.0f, 0.4f}), {0.25f, 0.0f, 0.4f}, 1e-6f);
    expectPoint(wave.deform({0.0f, 0.75f, 0.4f}), {0.0f, 0.75f, 0.8f}, 1e-6f);

    p.waveMode = qv::fourcc("Opt9");
    wave.changed();
    for (const Vector3& in : {Vector3{0.3f, -0.6f, -0.5f}, Vector3{1.5f, 0.0f, 0.25f}})
        expectPoint(wave.deform(in), in);
}

TEST(BulgeModifierTest, DefaultsKeepTheMiddleAndHalveTheEnds) {
    ModifierRef bulge(CLSID_BulgeModifier);
    ASSERT_TRUE(bulge);
    BulgeParameters& p = bulge.block<BulgeParameters>();
    EXPECT_EQ(p.amount, 0.5f);
    EXPECT_EQ(p.affectFirst, 1);
    EXPECT_EQ(p.affectSecond, 1);
    expectPoint(bulge.deform({0.2f, 0.3f, 1.0f}), {0.4f, 0.6f, 1.0f});
    expectPoint(bulge.deform({0.2f, 0.3f, -1.0f}), {0.4f, 0.6f, -1.0f});
    expectPoint(bulge.deform({0.2f, 0.3f, 0.0f}), {0.2f, 0.3f, 0.0f});
    // Past the ends the parabola keeps falling until the far coordinate takes over.
    expectPoint(bulge.deform({0.2f, 0.3f, 3.0f}), {kFar, kFar, 3.0f});

    // A negative amount pinches the middle and keeps the ends.
    p.amount = -0.5f;
    bulge.changed();
    expectPoint(bulge.deform({0.2f, 0.3f, 0.0f}), {0.4f, 0.6f, 0.0f});
    expectPoint(bulge.deform({0.2f, 0.3f, 1.0f}), {0.2f, 0.3f, 1.0f});

    p.amount = 0.0f;
    bulge.changed();
    for (float u : {-2.0f, -1.0f, -0.3f, 0.0f, 0.7f, 1.0f, 2.0f})
        expectPoint(bulge.deform({0.2f, -0.3f, u}), {0.2f, -0.3f, u});
}

TEST(PunchModifierTest, DentsOnlyThePositiveHalfAroundTheAxis) {
    ModifierRef punch(CLSID_PunchModifier);
    ASSERT_TRUE(punch);
    PunchParameters& p = punch.block<PunchParameters>();
    EXPECT_EQ(p.amount, 0.5f);
    EXPECT_EQ(p.radius, 0.5f);
    EXPECT_EQ(p.invert, 0);

    for (const Vector3& in : {Vector3{0.0f, 0.0f, 0.0f}, Vector3{0.3f, -0.2f, 0.0f},
                              Vector3{0.0f, 0.0f, -0.5f}, Vector3{0.4f, 0.1f, -1.0f}})
        expectPoint(punch.deform(in), in);

    expectPoint(punch.deform({0.0f, 0.0f, 0.5f}), {0.0f, 0.0f, 1.0f});          // 1 - amount
    expectPoint(punch.deform({0.5f, 0.0f, 0.6f}), {0.5f, 0.0f, 0.6f / 0.75f});  // one radius out
    EXPECT_NEAR(punch.deform({40.0f, 0.0f, 0.6f}).z, 0.6f, 1e-4f);              // fades to 1

    p.invert = 1;
    punch.changed();
    expectPoint(punch.deform({0.0f, 0.0f, 0.5f}), {0.0f, 0.0f, 0.5f});
    expectPoint(punch.deform({0.0f, 0.0f, -0.5f}), {0.0f, 0.0f, -1.0f});
}

TEST(TwistModifierTest, TurnsTheTopByTheAngleAndScalesEverywhere) {
    ModifierRef twist(CLSID_TwistModifier);
    ASSERT_TRUE(twist);
    TwistParameters& p = twist.block<TwistParameters>();
    EXPECT_EQ(p.angle, 3.1415927f);

    expectPoint(twist.deform({0.3f, 0.2f, -1.0f}), {0.3f * kRoot2, 0.2f * kRoot2, -1.0f});
    expectPoint(twist.deform({0.3f, 0.2f, 1.0f}), {-0.3f * kRoot2, -0.2f * kRoot2, 1.0f}, 1e-6f);
    expectPoint(twist.deform({0.3f, 0.2f, 0.0f}), {-0.2f * kRoot2, 0.3f * kRoot2, 0.0f}, 1e-6f);

    // Outside start..end the fraction is held at 0 and 1.
    p.start = 0.25f;
    p.end = 0.75f;
    twist.changed();
    expectPoint(twist.deform({0.3f, 0.2f, -0.8f}), {0.3f * kRoot2, 0.2f * kRoot2, -0.8f});
    expectPoint(twist.deform({0.3f, 0.2f, 0.9f}), {-0.3f * kRoot2, -0.2f * kRoot2, 0.9f}, 1e-6f);
    expectPoint(twist.deform({0.3f, 0.2f, 3.0f}), {-0.3f * kRoot2, -0.2f * kRoot2, 3.0f}, 1e-6f);
}

TEST(ShiftModifierTest, SlidesAndShrinksTheCrossSection) {
    ModifierRef shift(CLSID_ShiftModifier);
    ASSERT_TRUE(shift);
    ShiftParameters& p = shift.block<ShiftParameters>();
    EXPECT_EQ(p.shiftFirst, 1.0f);
    EXPECT_EQ(p.shiftSecond, 1.0f);

    expectPoint(shift.deform({0.3f, -0.2f, -1.0f}), {(0.3f - 0.5f) * 2.0f, (-0.2f - 0.5f) * 2.0f, -1.0f});
    expectPoint(shift.deform({0.3f, -0.2f, 1.0f}), {(0.3f + 0.5f) * 2.0f, (-0.2f + 0.5f) * 2.0f, 1.0f});
    expectPoint(shift.deform({0.3f, -0.2f, 0.0f}), {0.6f, -0.4f, 0.0f});

    p.start = 0.25f;
    p.end = 0.75f;
    p.shiftSecond = 0.0f;
    shift.changed();
    expectPoint(shift.deform({0.3f, -0.2f, -0.9f}), {(0.3f - 0.5f) * 2.0f, -0.2f, -0.9f});
    expectPoint(shift.deform({0.3f, -0.2f, 2.0f}), {(0.3f + 0.5f) * 2.0f, -0.2f, 2.0f});
}

TEST(StretchModifierTest, AmountZeroIsTheIdentityAndTheEndsStayPut) {
    ModifierRef stretch(CLSID_StretchModifier);
    ASSERT_TRUE(stretch);
    StretchParameters& p = stretch.block<StretchParameters>();
    EXPECT_EQ(p.amount, 0.5f);
    EXPECT_EQ(p.curve, 0.0f);

    EXPECT_FLOAT_EQ(stretch.deform({0.1f, 0.2f, -1.0f}).z, -1.0f);
    EXPECT_FLOAT_EQ(stretch.deform({0.1f, 0.2f, 1.0f}).z, 1.0f);
    const Vector3 middle = stretch.deform({0.1f, 0.2f, 0.0f});
    EXPECT_EQ(middle.x, 0.1f);
    EXPECT_EQ(middle.y, 0.2f);
    EXPECT_GT(std::fabs(middle.z), 1e-3f);  // the material between is moved

    p.amount = 0.0f;
    stretch.changed();
    for (float u : {-3.0f, -1.0f, -0.3f, 0.0f, 0.45f, 1.0f, 2.5f})
        expectPoint(stretch.deform({0.1f, 0.2f, u}), {0.1f, 0.2f, u}, 1e-6f);
}

TEST(StretchModifierTest, TheFractionIsNotClampedOnlyItsSmoothedTerm) {
    ModifierRef stretch(CLSID_StretchModifier);
    ASSERT_TRUE(stretch);
    const float m = std::exp(0.5f) - 1.0f;  // default amount; h0 = 0, h1 = 1 + m
    // Above end: t = 2, the smoothed term is 1.
    EXPECT_FLOAT_EQ(stretch.deform({0.0f, 0.0f, 3.0f}).z, (2.0f + m) / (1.0f + m) * 2.0f - 1.0f);
    // Below start: t = -1, the smoothed term is 0.
    EXPECT_FLOAT_EQ(stretch.deform({0.0f, 0.0f, -3.0f}).z, -1.0f / (1.0f + m) * 2.0f - 1.0f);
}

TEST(StretchModifierTest, ARangeStartingBelowTheBoxMovesItsEnds) {
    ModifierRef stretch(CLSID_StretchModifier);
    ASSERT_TRUE(stretch);
    StretchParameters& p = stretch.block<StretchParameters>();
    p.start = -1.0f;
    p.end = 1.0f;
    p.curve = 0.5f;  // b = 0.5: bias is the identity
    stretch.changed();
    const float m = std::exp(0.5f) - 1.0f;
    const float h0 = 0.5f * m;  // H(0) = smoothStep(-1, 1, 0) m
    EXPECT_FLOAT_EQ(stretch.deform({0.0f, 0.0f, -1.0f}).z, h0 * 2.0f - 1.0f);
    EXPECT_FLOAT_EQ(stretch.deform({0.0f, 0.0f, 1.0f}).z, (1.0f + h0) * 2.0f - 1.0f);
}

TEST(StretchModifierTest, ARangeOfNoWidthStepsAtItsEdge) {
    EXPECT_EQ(smoothStep(0.5f, 0.5f, 0.5f), 1.0f);
    EXPECT_EQ(smoothStep(0.5f, 0.5f, 0.4f), 0.0f);

    ModifierRef stretch(CLSID_StretchModifier);
    ASSERT_TRUE(stretch);
    StretchParameters& p = stretch.block<StretchParameters>();
    p.start = 0.5f;
    p.end = 0.5f;
    stretch.changed();
    const float m = std::exp(0.5f) - 1.0f;
    // u = 0 is t = 0.5, on the edge: the full term.
    EXPECT_FLOAT_EQ(stretch.deform({0.0f, 0.0f, 0.0f}).z, (0.5f + m) / (1.0f + m) * 2.0f - 1.0f);
    const float t = -0.2f * 0.5f + 0.5f;
    EXPECT_FLOAT_EQ(stretch.deform({0.0f, 0.0f, -0.2f}).z, t / (1.0f + m) * 2.0f - 1.0f);
}

TEST(ScaleAndBendModifierTest, ScaleDividesEachAxisAndBendLeavesThePoint) {
    ModifierRef scale(CLSID_ScaleModifier);
    ASSERT_TRUE(scale);
    ScaleParameters& s = scale.block<ScaleParameters>();
    EXPECT_EQ(s.scaleX, 1.0f);
    EXPECT_EQ(s.scaleY, 1.0f);
    EXPECT_EQ(s.scaleZ, 1.0f);
    expectPoint(scale.deform({0.3f, -0.7f, 1.9f}), {0.3f, -0.7f, 1.9f});
    s.scaleX = 2.0f;
    s.scaleY = 4.0f;
    s.scaleZ = -0.5f;
    scale.changed();
    expectPoint(scale.deform({0.3f, -0.7f, 1.9f}), {0.15f, -0.175f, -3.8f});

    ModifierRef bend(CLSID_BendModifier);
    ASSERT_TRUE(bend);
    BendParameters& b = bend.block<BendParameters>();
    EXPECT_EQ(b.angle, 3.1415927f);
    EXPECT_EQ(b.bendSecond, 0.0f);
    EXPECT_EQ(b.start, 0.0f);
    EXPECT_EQ(b.end, 1.0f);
    EXPECT_EQ(b.axis, qv::fourcc("ZAXI"));
    expectPoint(bend.deform({0.3f, -0.7f, 1.9f}), {0.3f, -0.7f, 1.9f});
    b.angle = 1.0f;
    b.bendSecond = 2.0f;
    b.axis = qv::fourcc("XAXI");
    bend.changed();
    expectPoint(bend.deform({0.3f, -0.7f, 1.9f}), {0.3f, -0.7f, 1.9f});
}

TEST(ModifierParametersTest, ChangedParametersApplyToTheNextPoint) {
    ModifierRef taper(CLSID_TaperModifier);
    ModifierRef wave(CLSID_WaveModifier);
    ModifierRef twist(CLSID_TwistModifier);
    ModifierRef stretch(CLSID_StretchModifier);
    ASSERT_TRUE(taper && wave && twist && stretch);
    const Vector3 in{0.3f, 0.2f, 0.0f};
    taper.deform(in);
    wave.deform(in);
    twist.deform(in);
    stretch.deform(in);

    taper.block<TaperParameters>().start = 0.5f;  // lo = 0: the factor at u = 0 drops to 0.5
    taper.changed();
    expectPoint(taper.deform(in), {0.6f, 0.4f, 0.0f});

    wave.block<WaveParameters>().cycles = 0.5f;  // k = π / 2: at u = 1 the factor is 1, not 0.75
    wave.changed();
    expectPoint(wave.deform({0.3f, 0.2f, 1.0f}), {0.3f, 0.2f, 1.0f}, 1e-6f);

    twist.block<TwistParameters>().start = 0.5f;  // u = 0 is now the start: no turn
    twist.changed();
    expectPoint(twist.deform(in), {0.3f * kRoot2, 0.2f * kRoot2, 0.0f});

    stretch.block<StretchParameters>().amount = 0.0f;
    stretch.changed();
    expectPoint(stretch.deform({0.3f, 0.2f, 0.4f}), {0.3f, 0.2f, 0.4f}, 1e-6f);
}

TEST(ModifierParametersTest, AnUnknownAxisCodeKeepsTheAxisItHad) {
    ModifierRef taper(CLSID_TaperModifier);
    ASSERT_TRUE(taper);
    TaperParameters& p = taper.block<TaperParameters>();
    p.affectSecond = 0;  // only the first cross axis changes, which tells the axis apart

    // Never a known code: the axis of "ZAXI" (main z, first cross x).
    p.axis = qv::fourcc("QAXI");
    taper.changed();
    expectPoint(taper.deform({0.3f, 0.4f, -1.0f}), {0.6f, 0.4f, -1.0f});

    p.axis = qv::fourcc("XAXI");  // main x, first cross y
    taper.changed();
    expectPoint(taper.deform({-1.0f, 0.3f, 0.4f}), {-1.0f, 0.6f, 0.4f});
    p.axis = 0;
    taper.changed();
    expectPoint(taper.deform({-1.0f, 0.3f, 0.4f}), {-1.0f, 0.6f, 0.4f});

    p.axis = qv::fourcc("YAXI");  // main y, first cross z
    taper.changed();
    expectPoint(taper.deform({0.4f, -1.0f, 0.3f}), {0.4f, -1.0f, 0.6f});
    p.axis = qv::fourcc("yaxi");
    taper.changed();
    expectPoint(taper.deform({0.4f, -1.0f, 0.3f}), {0.4f, -1.0f, 0.6f});
}

// Parameters that would divide by zero still give finite coordinates everywhere.
class DegenerateParametersTest : public ::testing::Test {
protected:
    template <class Check>
    void forEachPoint(const ModifierRef& modifier, Check check) {
        for (float x = -1.5f; x <= 1.5f; x += 0.5f)
            for (float y = -1.5f; y <= 1.5f; y += 0.5f)
                for (float z = -1.5f; z <= 1.5f; z += 0.25f) {
                    const Vector3 in{x, y, z};
                    const Vector3 out = modifier.deform(in);
                    ASSERT_TRUE(finite(out)) << x << ", " << y << ", " << z;
                    check(in, out);
                }
    }
};

TEST_F(DegenerateParametersTest, PunchWithRadiusZeroDentsNothingOrAllByItsAmount) {
    ModifierRef punch(CLSID_PunchModifier);
    ASSERT_TRUE(punch);
    PunchParameters& p = punch.block<PunchParameters>();
    p.radius = 0.0f;
    punch.changed();
    forEachPoint(punch, [](const Vector3& in, const Vector3& out) { expectPoint(out, in); });
    p.amount = -0.5f;
    punch.changed();
    forEachPoint(punch, [](const Vector3& in, const Vector3& out) {
        expectPoint(out, {in.x, in.y, in.z > 0.0f ? in.z / 0.5f : in.z});
    });
}

TEST_F(DegenerateParametersTest, StartEqualToEndIsAStepAtStart) {
    ModifierRef twist(CLSID_TwistModifier);
    ModifierRef shift(CLSID_ShiftModifier);
    ModifierRef bend(CLSID_BendModifier);
    ASSERT_TRUE(twist && shift && bend);
    twist.block<TwistParameters>().start = twist.block<TwistParameters>().end = 0.5f;
    shift.block<ShiftParameters>().start = shift.block<ShiftParameters>().end = 0.5f;
    bend.block<BendParameters>().start = bend.block<BendParameters>().end = 0.5f;
    twist.changed();
    shift.changed();
    bend.changed();

    forEachPoint(twist, [](const Vector3& in, const Vector3& out) {
        const float sign = in.z >= 0.0f ? -1.0f : 1.0f;  // turned by π from the middle up
        expectPoint(out, {sign * in.x * kRoot2, sign * in.y * kRoot2, in.z}, 1e-5f);
    });
    forEachPoint(shift, [](const Vector3& in, const Vector3& out) {
        const float d = in.z >= 0.0f ? 0.5f : -0.5f;
        expectPoint(out, {(in.x + d) * 2.0f, (in.y + d) * 2.0f, in.z});
    });
    forEachPoint(bend, [](const Vector3& in, const Vector3& out) { expectPoint(out, in); });
}

TEST_F(DegenerateParametersTest, BulgeAndWaveOfNoWidthScaleByTheirEndFactor) {
    ModifierRef bulge(CLSID_BulgeModifier);
    ModifierRef wave(CLSID_WaveModifier);
    ASSERT_TRUE(bulge && wave);
    bulge.block<BulgeParameters>().start = bulge.block<BulgeParameters>().end = 0.3f;
    bulge.changed();
    forEachPoint(bulge, [](const Vector3& in, const Vector3& out) {
        expectPoint(out, {in.x / 0.5f, in.y / 0.5f, in.z});  // 1 - amount everywhere
    });

    // lo = hi: the clamp holds the wave at its phase, sin(0) = 0, f = 0.75.
    WaveParameters& w = wave.block<WaveParameters>();
    w.start = w.end = 0.5f;
    wave.changed();
    forEachPoint(wave, [](const Vector3& in, const Vector3& out) {
        expectPoint(out, {in.x / 0.75f, in.y / 0.75f, in.z});
    });
    w.waveMode = qv::fourcc("Opt3");
    wave.changed();
    forEachPoint(wave, [](const Vector3& in, const Vector3& out) {
        expectPoint(out, {in.x, in.y, in.z / 0.75f});
    });
}

TEST_F(DegenerateParametersTest, AZeroScaleAndAFlatStretchSendTheAxisFar) {
    ModifierRef scale(CLSID_ScaleModifier);
    ModifierRef stretch(CLSID_StretchModifier);
    ASSERT_TRUE(scale && stretch);
    scale.block<ScaleParameters>().scaleY = 0.0f;
    scale.changed();
    forEachPoint(scale, [](const Vector3& in, const Vector3& out) {
        expectPoint(out, {in.x, kFar, in.z});
    });

    // e^-200 is 0 in single precision: m = -1 and H(1) = H(0).
    stretch.block<StretchParameters>().amount = -200.0f;
    stretch.changed();
    forEachPoint(stretch, [](const Vector3& in, const Vector3& out) {
        expectPoint(out, {in.x, in.y, kFar});
    });
}

}  // namespace
}  // namespace brumo::test
