// The shader chooser on the noise modifier's panel, a chooser renamed by its init data, and every
// error the editor parts raise, each leaving nothing behind.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "brumo/parameter_blocks.h"
#include "editor_doubles.h"
#include "host/editor/layouts.h"
#include "host/scene/shaders.h"
#include "qv/exception.h"
#include "tests/support/raised.h"
#include "tests/support/test_host.h"

namespace brumo::test {
namespace {

using host::Panel;
using host::PartKind;

class Pickers : public EditorTest {
protected:
    void TearDown() override {
        delete panel;
        for (IQVUnknown* object : objects) object->Release();
        EditorTest::TearDown();
    }

    // A module object the test releases at its end; null when the module does not build it.
    IQVUnknown* create(const QVGuid& classId) {
        IQVUnknown* object = createModuleObject(classId);
        if (object != nullptr) objects.push_back(object);
        return object;
    }
    Panel& newPanel(IQVUnknown* edited, const char* className) {
        panel = new Panel(edited, host::fieldTableOf(className), moduleFactory());
        return *panel;
    }
    // Runs action and expects the editor-part error from source at line.
    static void expectEditorError(const std::function<void()>& action, const char* source, int32_t line) {
        const TQVException error = raisedBy(action);
        EXPECT_EQ(error.code, qv::kEditorPartError);
        ASSERT_NE(error.source(), nullptr);
        EXPECT_STREQ(error.source(), source);
        EXPECT_EQ(error.line, line);
    }

    std::vector<IQVUnknown*> objects;
    Panel* panel = nullptr;
};

TEST_F(Pickers, NoiseModifierPanelPicksBuiltInNoiseOrASceneShader) {
    addShader("Grey");
    IQVUnknown* noise = create(CLSID_NoiseModifier);
    ASSERT_NE(noise, nullptr);
    Panel& p = newPanel(noise, "NoiseModifier");
    host::buildNoiseModifierPanel(p);
    ASSERT_EQ(p.open(), qv::kOk);
    p.prepare();
    auto& block = *static_cast<NoiseModifierParameters*>(p.editedObject()->parameterBlock());
    const std::string defaultName = block.shaderName->text();

    // List type 1: the scene's shaders, the separator and the one "none" entry.
    host::PopupPart* popup = p.popup(id("ShaP"));
    ASSERT_EQ(popup->countItems(), 3);
    EXPECT_EQ(popup->items()[0].text, "Grey");
    EXPECT_TRUE(popup->items()[1].separator);
    EXPECT_EQ(popup->items()[2].text, "None");

    p.choose(id("ShaP"), 0);
    EXPECT_EQ(block.builtInNoise, 0);
    EXPECT_STREQ(block.shaderName->text(), "Grey");
    EXPECT_EQ(popup->countItems(), 1);

    // The fixed entry selects the built-in noise, under the modifier's default name.
    p.prepare();
    p.choose(id("ShaP"), 2);
    EXPECT_EQ(block.builtInNoise, 1);
    EXPECT_EQ(std::string(block.shaderName->text()), defaultName);
    EXPECT_EQ(p.part(id("ShNa"))->text(), "None");

    // The seed button reaches the modifier.
    const int32_t seed = block.seed;
    p.press(id("SEED"));
    EXPECT_NE(block.seed, seed);
}

TEST_F(Pickers, ChooserRenamedByItsInitDataWritesToTheNewId) {
    addShader("Grey");
    IQVUnknown* smog = create(CLSID_Smog);
    ASSERT_NE(smog, nullptr);
    Panel& p = newPanel(smog, "Smog");
    p.addPopup(id("ShaP"));
    p.addControl(id("PaID"), PartKind::integer, "noiseType");
    p.addControl(id("ShNa"), PartKind::text, "densityShaderName");
    p.addControl(id("ShCh"), PartKind::group);
    p.addModulePart(id("ShaP"), CLSID_ShaderPopupPart, {{id("Type"), 0}});
    p.addModulePart(id("ShCh"), CLSID_ShaderChooserPart, {{id("PaID"), static_cast<int32_t>(id("Kind"))}});
    ASSERT_EQ(p.open(), qv::kOk);
    EXPECT_EQ(p.part(id("PaID")), nullptr);
    ASSERT_NE(p.part(id("Kind")), nullptr);
    EXPECT_NE(p.part(id("ShNa")), nullptr);  // not renamed: its default id stays

    p.prepare();
    p.choose(id("ShaP"), 3);  // "Turbulence", the second built-in entry
    EXPECT_EQ(p.part(id("Kind"))->intValue(), 2);
    auto& block = static_cast<SmogParameters*>(p.editedObject()->parameterBlock())->common;
    EXPECT_EQ(block.noiseType, 2);
    EXPECT_STREQ(block.densityShaderName->text(), "Turbulence");

    // The separator: index 0 and the popup's empty text.
    p.prepare();
    p.choose(id("ShaP"), 1);
    EXPECT_EQ(block.noiseType, 0);
    EXPECT_STREQ(block.densityShaderName->text(), "");
}

TEST_F(Pickers, PanelLifecycleReachesEveryPartInTheHostsOrder) {
    // A popup part without a "Type" item lists the four patterns; detaching forgets the type.
    IQVUnknown* smog = create(CLSID_Smog);
    Panel& p = newPanel(smog, "Smog");
    p.addPopup(id("ShPo"));
    p.addModulePart(id("ShPo"), CLSID_ShaderPopupPart);
    p.addPopup(id("Two "));
    p.addModulePart(id("Two "), CLSID_ShaderPopupPart, {{id("Type"), 1}, {id("Else"), 7}});
    ASSERT_EQ(p.open(), qv::kOk);
    p.prepare();
    EXPECT_EQ(p.popup(id("ShPo"))->countItems(), 5);
    EXPECT_EQ(p.popup(id("Two "))->countItems(), 2);
    // Until prepared again a popup keeps what it has; each preparation refills it afresh.
    p.prepare();
    EXPECT_EQ(p.popup(id("ShPo"))->countItems(), 5);
    EXPECT_EQ(p.popup(id("ShPo"))->clearCount(), 2);

    // After detaching there is no scene: prepareContent leaves the popup alone.
    host::Ref<IMFExPart> part = p.modulePart(id("Two "));
    part->detachPart();
    int32_t out = -1;
    part->prepareContent(&out, 0, 0);
    EXPECT_EQ(out, 0);
    EXPECT_EQ(p.popup(id("Two "))->clearCount(), 2);
}

TEST_F(Pickers, CommonPartRaisesWhenTheShaderControlIsNoPopup) {
    IQVUnknown* smog = create(CLSID_Smog);
    Panel& p = newPanel(smog, "Smog");
    p.addControl(id("ShPo"), PartKind::integer);
    p.addControl(id("Ctrl"), PartKind::group);
    p.addModulePart(id("Ctrl"), CLSID_BrumoCommonPart);
    ASSERT_EQ(p.open(), qv::kOk);
    expectEditorError([&] { p.press(id("ShPo")); }, "BrumoCommonPart", 273);
}

TEST_F(Pickers, PopupFillRaisesWithoutItsPanelPartOrPopup) {
    addShader("Grey");
    // A popup part whose host part sits in no panel cannot find itself.
    {
        host::Ref<host::HostPart> loose = host::HostPart::create(id("ShPo"), PartKind::popup);
        IQVUnknown* inner = createModuleObject(CLSID_ShaderPopupPart, loose->unknown());
        ASSERT_NE(inner, nullptr);
        loose->aggregate(inner);
        host::Ref<IMFExPart> part = loose->modulePart();
        part->attachPart();
        int32_t out = -1;
        expectEditorError([&] { part->prepareContent(&out, 0, 0); }, "PopupParts", 114);
        part->detachPart();
    }
    // A popup part placed on a control that is no popup.
    IQVUnknown* smog = create(CLSID_Smog);
    Panel& p = newPanel(smog, "Smog");
    p.addControl(id("ShPo"), PartKind::group);
    p.addModulePart(id("ShPo"), CLSID_ShaderPopupPart);
    ASSERT_EQ(p.open(), qv::kOk);
    expectEditorError([&] { p.prepare(); }, "PopupParts", 118);
}

TEST_F(Pickers, ChoosersRaiseWhenTheSourceIsNoPopup) {
    IQVUnknown* smog = create(CLSID_Smog);
    Panel& p = newPanel(smog, "Smog");
    p.addControl(id("ShaP"), PartKind::integer);
    p.addControl(id("MesP"), PartKind::integer);
    p.addControl(id("ShNa"), PartKind::text);
    p.addControl(id("PaID"), PartKind::integer);
    p.addControl(id("ShCh"), PartKind::group);
    p.addControl(id("MeCh"), PartKind::group);
    p.addModulePart(id("ShCh"), CLSID_ShaderChooserPart);
    p.addModulePart(id("MeCh"), CLSID_MeshChooserPart);
    ASSERT_EQ(p.open(), qv::kOk);

    // The shader chooser writes the pick first and then cannot reset the popup.
    p.part(id("ShaP"))->storeInt(3);
    expectEditorError([&] { p.press(id("ShaP")); }, "PopupParts", 402);
    EXPECT_EQ(p.part(id("PaID"))->intValue(), 3);

    expectEditorError([&] { p.press(id("MesP")); }, "PopupParts", 613);
    // Detached, the mesh chooser has no host part: only the reset is tried.
    p.modulePart(id("MeCh"))->detachPart();
    expectEditorError([&] { p.press(id("MesP")); }, "PopupParts", 632);
}

TEST_F(Pickers, PartsAnswerTheirClassIdentities) {
    // The mesh chooser answers the shader chooser's identity, as the host expects.
    const struct {
        QVGuid classId;
        QVGuid identity;
    } parts[] = {{CLSID_BrumoCommonPart, CLSID_BrumoCommonPart},
                 {CLSID_ShaderPopupPart, CLSID_ShaderPopupPart},
                 {CLSID_ShaderChooserPart, CLSID_ShaderChooserPart},
                 {CLSID_MeshPopupPart, CLSID_MeshPopupPart},
                 {CLSID_MeshChooserPart, CLSID_ShaderChooserPart}};
    for (const auto& entry : parts) {
        IQVUnknown* part = create(entry.classId);
        ASSERT_NE(part, nullptr);
        void* identity = nullptr;
        EXPECT_EQ(part->QueryInterface(entry.identity, &identity), qv::kOk);
        EXPECT_EQ(identity, static_cast<void*>(part));
        if (identity != nullptr) part->Release();
    }
    void* none = nullptr;
    EXPECT_EQ(objects.back()->QueryInterface(CLSID_MeshChooserPart, &none), qv::kNoInterface);
    EXPECT_EQ(none, nullptr);
}

}  // namespace
}  // namespace brumo::test
