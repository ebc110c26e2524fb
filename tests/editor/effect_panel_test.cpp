// An effect's property panel driven as a user would: presets and check boxes, the flag words,
// the shader and mesh popups, and attaching a modifier, each followed through to the Smog
// primitive the panel edits.
#include <gtest/gtest.h>

#include <string>

#include "brumo/parameter_blocks.h"
#include "editor_doubles.h"
#include "host/editor/layouts.h"
#include "host/editor/panel.h"
#include "host/scene/shaders.h"
#include "qv/exception.h"
#include "qv/volume_primitive.h"
#include "tests/support/test_host.h"

namespace brumo::test {
namespace {

using host::Panel;

const char* const kDensityBoxes[16] = {"DPHU", "DPHD", "DNHU", "DNHD", "DPXC", "DPYC", "DPZC", "DNXC",
                                       "DNYC", "DNZC", "DXPo", "DYPo", "DZPo", "DXNe", "DYNe", "DZNe"};
const char* const kColourBoxes[16] = {"FPHU", "FPHD", "FNHU", "FNHD", "FPXC", "FPYC", "FPZC", "FNXC",
                                      "FNYC", "FNZC", "FXPo", "FYPo", "FZPo", "FXNe", "FYNe", "FZNe"};

class EffectPanel : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        smog = createModuleObject(CLSID_Smog);
        ASSERT_NE(smog, nullptr);
        panel = new Panel(smog, host::fieldTableOf("Smog"), moduleFactory());
        host::buildEffectPanel(*panel, "Smog");
    }
    void TearDown() override {
        delete panel;
        if (smog != nullptr) smog->Release();
        EditorTest::TearDown();
    }

    void openPanel() {
        ASSERT_EQ(panel->open(), qv::kOk);
        panel->prepare();
    }
    EffectParameters& block() {
        return static_cast<SmogParameters*>(panel->editedObject()->parameterBlock())->common;
    }
    // The bank's check boxes as a mask, bit i from box i.
    uint32_t bank(const char* const (&boxes)[16]) {
        uint32_t mask = 0;
        for (int i = 0; i < 16; ++i)
            if (panel->part(id(boxes[i]))->boolValue()) mask |= 1u << i;
        return mask;
    }
    // Chooses the popup item whose text is `text`.
    void chooseText(const char* popupId, const std::string& text) {
        host::PopupPart* popup = panel->popup(id(popupId));
        for (size_t i = 0; i < popup->items().size(); ++i) {
            if (!popup->items()[i].separator && popup->items()[i].text == text) {
                panel->choose(id(popupId), static_cast<int32_t>(i));
                return;
            }
        }
        FAIL() << "no item " << text << " in " << popupId;
    }

    IQVUnknown* smog = nullptr;
    Panel* panel = nullptr;
};

TEST_F(EffectPanel, DensityPresetsSetTheBankAndThePrimitiveFollowsThroughItsOwnEvents) {
    openPanel();
    // Opening shows the block: the default box preset on the density bank, nothing on colour.
    EXPECT_EQ(bank(kDensityBoxes), 0xFC00u);
    EXPECT_EQ(bank(kColourBoxes), 0u);

    chooseText("DePr", "Top and bottom fade");
    EXPECT_EQ(bank(kDensityBoxes), 0x0003u);
    EXPECT_EQ(block().shapeFlags, 0x0003u);
    EXPECT_FLOAT_EQ(block().shapeFalloffs[0].b, 0.3f);
    EXPECT_EQ(static_cast<uint32_t>(panel->part(id("DePr"))->intValue()), id("NoPt"));
    EXPECT_EQ(panel->part(id("Ramp"))->intValue(), 0x0003);

    // "Opt3": the six fade boxes on, the ten others off.
    chooseText("DePr", "Box");
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(panel->part(id(kDensityBoxes[i]))->boolValue(), i >= 10) << kDensityBoxes[i];
    EXPECT_EQ(block().shapeFlags, 0xFC00u);
    for (int k = 10; k < 16; ++k) EXPECT_FLOAT_EQ(block().shapeFalloffs[k].b, 0.1f);

    // A box the user ticks reaches the primitive through its own event.
    panel->toggle(id("DNZC"), true);
    EXPECT_EQ(block().shapeFlags, 0xFE00u);
    panel->toggle(id("DXPo"), false);
    EXPECT_EQ(block().shapeFlags, 0xFA00u);

    // The colour bank has its own preset popup.
    chooseText("CoPr", "Upward");
    EXPECT_EQ(bank(kColourBoxes), 0x0040u);
    EXPECT_EQ(block().colourShapeFlags, 0x0040u);
    EXPECT_EQ(bank(kDensityBoxes), 0xFA00u);
}

TEST_F(EffectPanel, SmogsOwnColourPopupLoadsAPresetAndShowsNoneAgain) {
    openPanel();
    const ColourGradient before = block().colourGradient;
    chooseText("SmoP", "Cloud");  // "Opt5": the clouds' colour ramp
    EXPECT_EQ(static_cast<uint32_t>(panel->part(id("SmoP"))->intValue()), id("NoPt"));
    EXPECT_EQ(panel->popup(id("SmoP"))->chosen(), -1);
    const ColourGradient& after = block().colourGradient;
    bool changed = after.count() != before.count();
    for (int32_t i = 0; !changed && i < after.count(); ++i)
        changed = after[i].colour.red != before[i].colour.red || after[i].position != before[i].position;
    EXPECT_TRUE(changed);
}

TEST_F(EffectPanel, PresetOutsideTheTableClearsTheBank) {
    openPanel();
    host::PopupPart* presets = panel->popup(id("DePr"));
    presets->storeInt(static_cast<int32_t>(id("Opt9")));
    panel->press(id("DePr"));
    EXPECT_EQ(bank(kDensityBoxes), 0u);
    EXPECT_EQ(block().shapeFlags, 0u);
}

TEST_F(EffectPanel, Message104SetsTheBanksFromTheFlagWords) {
    openPanel();
    panel->enterInteger(id("Ramp"), 5);
    EXPECT_EQ(block().shapeFlags, 5u);  // the flag word is the block's
    panel->enterInteger(id("ColR"), 0x8001);
    EXPECT_FALSE(panel->post(104));
    EXPECT_EQ(bank(kDensityBoxes), 0x0005u);
    EXPECT_TRUE(panel->part(id("DPHU"))->boolValue());
    EXPECT_TRUE(panel->part(id("DNHU"))->boolValue());
    EXPECT_EQ(bank(kColourBoxes), 0x8001u);
    // Message 9 is consumed, anything else is not.
    EXPECT_TRUE(panel->post(9));
    EXPECT_FALSE(panel->post(7));
}

TEST_F(EffectPanel, ShaderPopupWritesNameIndexAndOptions) {
    addShader("Grey");
    addShader("Marble");
    openPanel();
    host::PopupPart* popup = panel->popup(id("ShPo"));
    // Scene shaders, the separator, the four built-in patterns.
    ASSERT_EQ(popup->countItems(), 7);
    EXPECT_EQ(popup->items()[1].text, "Marble");
    EXPECT_TRUE(popup->items()[2].separator);
    EXPECT_EQ(popup->items()[3].text, "Spectral noise");
    EXPECT_EQ(popup->items()[6].text, "Fractal noise");

    panel->choose(id("ShPo"), 1);
    EXPECT_EQ(panel->part(id("ShaN"))->text(), "Marble");
    EXPECT_EQ(panel->part(id("CusI"))->intValue(), 0);
    EXPECT_FALSE(panel->part(id("Opti"))->active());
    EXPECT_STREQ(block().densityShaderName->text(), "Marble");
    EXPECT_EQ(block().noiseType, 0);
    // The popup keeps one empty item until it is prepared again.
    ASSERT_EQ(popup->countItems(), 1);
    EXPECT_EQ(popup->items()[0].text, "");
    EXPECT_EQ(panel->part(id("Ctrl"))->refreshCount(), 1);

    // One item: the choice is ignored.
    panel->choose(id("ShPo"), 0);
    EXPECT_EQ(panel->part(id("ShaN"))->text(), "Marble");
    EXPECT_EQ(panel->part(id("Ctrl"))->refreshCount(), 1);

    // The separator: no name, index 0, options on.
    panel->prepare();
    ASSERT_EQ(popup->countItems(), 7);
    panel->choose(id("ShPo"), 2);
    EXPECT_EQ(panel->part(id("ShaN"))->text(), "");
    EXPECT_EQ(panel->part(id("CusI"))->intValue(), 0);
    EXPECT_TRUE(panel->part(id("Opti"))->active());

    // Built-in pattern k stands k places after the separator; its index is the noise type.
    panel->prepare();
    panel->choose(id("ShPo"), 4);
    EXPECT_EQ(panel->part(id("ShaN"))->text(), "Turbulence");
    EXPECT_EQ(block().noiseType, 2);
    EXPECT_STREQ(block().densityShaderName->text(), "Turbulence");
    panel->prepare();
    panel->choose(id("ShPo"), 6);
    EXPECT_EQ(block().noiseType, 4);
    EXPECT_TRUE(panel->part(id("Opti"))->active());
}

TEST_F(EffectPanel, MeshPopupListsRenderableTriangleMeshesAndTheChooserMapsNoneToOne) {
    using Mesh = FakeMesh::Picker;
    const struct {
        const char* name;
        Mesh mesh;
    } objects[] = {
        {"Ball", Mesh{}},
        {"Camera", Mesh{false, 1, true, 1, true}},   // no mesh interface
        {"Curve", Mesh{true, 2, true, 1, true}},     // not a triangle mesh
        {"Hidden", Mesh{true, 1, true, 0, true}},    // nothing to render
        {"Stray", Mesh{true, 1, false, 1, true}},    // no record
        {"Empty", Mesh{true, 1, true, 1, false}},    // no geometry
        {"Crate", Mesh{}},
    };
    for (const auto& object : objects) host().scene().addObject(FakeMesh::create(object.name, object.mesh).get());
    openPanel();

    host::PopupPart* popup = panel->popup(id("MesP"));
    ASSERT_EQ(popup->countItems(), 4);
    EXPECT_EQ(popup->items()[0].text, "Ball");
    EXPECT_EQ(popup->items()[1].text, "Crate");
    EXPECT_TRUE(popup->items()[2].separator);
    EXPECT_EQ(popup->items()[3].text, "None");

    panel->choose(id("MesP"), 1);
    EXPECT_STREQ(block().meshName->text(), "Crate");
    EXPECT_EQ(block().meshOff, 0);
    EXPECT_EQ(popup->countItems(), 1);

    panel->prepare();
    panel->choose(id("MesP"), 3);
    EXPECT_STREQ(block().meshName->text(), "None");
    EXPECT_EQ(block().meshOff, 1);
}

TEST_F(EffectPanel, MeshChooserWithOnlyTheNoneEntry) {
    openPanel();
    host::PopupPart* popup = panel->popup(id("MesP"));
    ASSERT_EQ(popup->countItems(), 2);  // the separator, then "None"
    panel->choose(id("MesP"), 1);
    EXPECT_EQ(panel->part(id("MeID"))->intValue(), 1);
    EXPECT_EQ(panel->part(id("MeNa"))->text(), "None");
    panel->prepare();
    panel->choose(id("MesP"), 0);
    EXPECT_EQ(panel->part(id("MeID"))->intValue(), 0);
    EXPECT_EQ(panel->part(id("MeNa"))->text(), "");
}

TEST_F(EffectPanel, ShaderPopupWithoutSceneShadersShowsSeparatorThenPatterns) {
    openPanel();
    host::PopupPart* popup = panel->popup(id("ShPo"));
    ASSERT_EQ(popup->countItems(), 5);
    EXPECT_TRUE(popup->items()[0].separator);
    const char* names[] = {"Spectral noise", "Turbulence", "Ridged noise", "Fractal noise"};
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(popup->items()[static_cast<size_t>(k)].text, names[k - 1]);
    panel->choose(id("ShPo"), 1);
    EXPECT_EQ(panel->part(id("ShaN"))->text(), "Spectral noise");
    EXPECT_EQ(block().noiseType, 1);
}

// Opacity gathered along the primitive's z axis through its centre.
float centreAlpha(IQVUnknown* primitive) {
    IVolumePrimitive* volume = nullptr;
    primitive->QueryInterface(qv::IID_IVolumePrimitive, reinterpret_cast<void**>(&volume));
    const QVVector3 start{0.0f, 0.0f, -10.0f}, end{0.0f, 0.0f, 10.0f};
    QVColourRecord colour{0.0f, 0.0f, 0.0f, 0.0f};
    volume->integrateSegment(&start, &end, &colour, nullptr, 0, 0);
    volume->Release();
    return colour.alpha;
}

TEST_F(EffectPanel, AttachedModifierReachesThePrimitivesChainAtTheNextRender) {
    openPanel();
    const float plain = centreAlpha(smog);
    ASSERT_GT(plain, 0.0f);

    // Moving every point out of the cube leaves nothing to see.
    auto away = shiftingModifier(100.0f);
    auto* list = static_cast<host::ComponentList*>(panel->part(host::ComponentList::kDefaultId));
    EXPECT_TRUE(list->attach(static_cast<IVolumeModifier*>(away.get())));
    ASSERT_EQ(block().dataComponents.count(), 1);
    EXPECT_EQ(away->calls, 0);  // nothing is sampled before the render
    EXPECT_EQ(centreAlpha(smog), 0.0f);
    EXPECT_GT(away->calls, 0);

    // A second modifier in front undoes the first: order counts.
    auto back = shiftingModifier(-100.0f);
    list->attach(static_cast<IVolumeModifier*>(back.get()), 0);
    EXPECT_FLOAT_EQ(centreAlpha(smog), plain);

    EXPECT_TRUE(list->detach(static_cast<IVolumeModifier*>(away.get())));
    EXPECT_TRUE(list->detach(static_cast<IVolumeModifier*>(back.get())));
    EXPECT_EQ(block().dataComponents.count(), 0);
    EXPECT_FLOAT_EQ(centreAlpha(smog), plain);
    EXPECT_EQ(away->referenceCount(), 1);  // only ours is left
}

TEST_F(EffectPanel, ComponentChangeWithoutMemoryForTheRecordStillGoesOut) {
    openPanel();
    auto modifier = shiftingModifier(100.0f);
    auto* list = static_cast<host::ComponentList*>(panel->part(host::ComponentList::kDefaultId));
    host().memory().failNthAllocation(1);  // the record
    list->attach(static_cast<IVolumeModifier*>(modifier.get()));
    host().memory().clearFaults();
    // The primitive got the change without a record, so its list stays as it was.
    EXPECT_EQ(block().dataComponents.count(), 0);
    EXPECT_EQ(modifier->referenceCount(), 2);  // ours and the host list's
    list->detach(static_cast<IVolumeModifier*>(modifier.get()));
}

}  // namespace
}  // namespace brumo::test
