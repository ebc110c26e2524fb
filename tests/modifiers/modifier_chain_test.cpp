// The chain as a primitive runs it: the modifiers the host attaches to a primitive through its
// component list, collected in the list's order at the next integration and applied to every
// density sample.
#include <gtest/gtest.h>

#include <vector>

#include "brumo/parameter_blocks.h"
#include "host/editor/component_list.h"
#include "modifier_doubles.h"
#include "tests/support/probe_effect.h"

namespace brumo::test {
namespace {

// A density sample: the point and what the chain made of it.
struct Sample {
    Vector3 point;
    Vector3 deformed;
};

class ModifierChainTest : public ::testing::Test {
protected:
    void SetUp() override { components = host::ComponentList::create(probe->primaryUnknown()); }
    void TearDown() override { components.reset(); }

    // Marches through the cube at x = 1, y = 2 (of size 4) and answers the samples taken.
    const std::vector<Sample>& march() {
        probe->samples.clear();
        probe->moved.clear();
        probe->march({1.0f, 2.0f, -4.0f}, {1.0f, 2.0f, 4.0f}, {0.0f, 0.0f, 0.0f, 0.0f});
        samples.clear();
        for (size_t i = 0; i < probe->samples.size(); ++i) samples.push_back({probe->samples[i], probe->moved[i]});
        EXPECT_GT(samples.size(), 10u);
        return samples;
    }

    Probe probe;
    host::Ref<host::ComponentList> components;
    std::vector<Sample> samples;
};

TEST_F(ModifierChainTest, WithoutModifiersTheDensityIsSampledAtThePoint) {
    for (const auto& s : march()) {
        EXPECT_EQ(s.deformed, s.point);
        EXPECT_FLOAT_EQ(s.point.x, 0.25f);
        EXPECT_FLOAT_EQ(s.point.y, 0.5f);
    }
}

TEST_F(ModifierChainTest, ModifiersApplyInTheListsOrderAndOtherComponentsAreSkipped) {
    ModifierRef shift(CLSID_ShiftModifier);
    ModifierRef scale(CLSID_ScaleModifier);
    ASSERT_TRUE(shift && scale);
    ScaleParameters& s = scale.block<ScaleParameters>();
    s.scaleX = 0.5f;
    s.scaleY = 4.0f;
    s.scaleZ = 2.0f;
    host::Ref<PlainObject> other = host::Ref<PlainObject>::adopt(new PlainObject);

    // Scale first, then Shift; a component that is no modifier sits between them.
    ASSERT_TRUE(components->attach(scale.get()));
    ASSERT_TRUE(components->attach(other.get()));
    ASSERT_TRUE(components->attach(shift.get()));
    for (const auto& sample : march()) EXPECT_EQ(sample.deformed, shift.deform(scale.deform(sample.point)));

    // Moved to the front, Shift runs first, and that gives other points.
    ASSERT_TRUE(components->move(2, 0));
    bool differs = false;
    for (const auto& sample : march()) {
        const Vector3 expected = scale.deform(shift.deform(sample.point));
        EXPECT_EQ(sample.deformed, expected);
        differs = differs || expected != shift.deform(scale.deform(sample.point));
    }
    EXPECT_TRUE(differs);

    ASSERT_TRUE(components->detach(shift.get()));
    for (const auto& sample : march()) EXPECT_EQ(sample.deformed, scale.deform(sample.point));
}

TEST_F(ModifierChainTest, ThePrimitivesNoticeReachesItsModifiers) {
    ModifierRef twist(CLSID_TwistModifier);
    ASSERT_TRUE(twist);
    ASSERT_TRUE(components->attach(twist.get()));
    march();

    // The host edits the modifier and reports the change to the primitive only.
    TwistParameters& p = twist.block<TwistParameters>();
    p.start = 2.0f;  // below start everywhere: no turn, only the 1/√2 drawing
    p.end = 3.0f;
    EXPECT_EQ(probe->exchangerInterface()->parametersChanged(), qv::kOk);
    for (const auto& sample : march()) {
        EXPECT_FLOAT_EQ(sample.deformed.x, sample.point.x * 1.4142135f);
        EXPECT_FLOAT_EQ(sample.deformed.y, sample.point.y * 1.4142135f);
        EXPECT_EQ(sample.deformed.z, sample.point.z);
    }
}

}  // namespace
}  // namespace brumo::test
