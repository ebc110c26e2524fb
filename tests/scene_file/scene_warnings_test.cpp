// What a scene sets that the module clamps, ignores or draws as nothing, as warnings a program
// can read: the key path, the value, the consequence and the advice.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/scene_file/scene_description.h"
#include "host/scene_file/scene_warnings.h"

using namespace brumo::host;

namespace {

std::vector<SceneWarning> warningsOf(const std::string& text) {
    return sceneWarnings(readSceneText(text, "scene.json"));
}

}  // namespace

TEST(SceneWarnings, EverySettingThatIsNotUsedAsWrittenGetsOneWarning) {
    const struct {
        const char* scene;
        const char* path;
        const char* says;
    } cases[] = {
        {R"({"effects": [{"type": "smog", "parameters": {"densityShaderName": "Noise"}}]})",
         "effects[0].parameters.densityShaderName", "ignored"},
        {R"({"effects": [{"type": "smog", "parameters": {"noiseType": "shader", "densityShaderName": "Nosie"}}]})",
         "effects[0].parameters.densityShaderName", "did you mean \"Noise\"?"},
        {R"({"effects": [{"type": "smog", "parameters": {"colourShaderName": "Checker"}}]})",
         "effects[0].parameters.colourShaderName", "ignored"},
        {R"({"effects": [{"type": "smog", "parameters": {"lightingMode": "Opt9"}}]})",
         "effects[0].parameters.lightingMode", "as \"off\""},
        {R"({"effects": [{"type": "smog", "modifiers": [{"type": "twist", "parameters": {"axis": "QAXI"}}]}]})",
         "effects[0].modifiers[0].parameters.axis", "previous axis"},
        {R"({"lights": [{"type": "point"}], "effects": [{"type": "smog", "lighting": "scene"}]})",
         "effects[0].lighting", "point lights do not light"},
        {R"({"effects": [{"type": "clouds"}]})", "effects[0].type", "no distant light"},
        {R"({"effects": [{"type": "fire", "parameters": {"size": -4}}]})", "effects[0].parameters.size",
         "the effect is empty"},
        {R"({"effects": [{"type": "fire", "parameters": {"densityAmount": -5}}]})",
         "effects[0].parameters.densityAmount", "the effect is empty"},
        {R"({"effects": [{"type": "fire", "parameters": {"quality": 300}}]})", "effects[0].parameters.quality",
         "skip every sample of vapour thinner than 0.457"},
        {R"({"effects": [{"type": "fire", "parameters": {"noiseType": 7}}]})", "effects[0].parameters.noiseType",
         "empty"},
        {R"({"frames": [1, 9], "effects": [{"type": "fire", "parameters": {"densityAmount": {"from": 1, "to": -1}}}]})",
         "effects[0].parameters.densityAmount", "1 to -1"},
        {R"({"lights": [{}], "effects": [{"type": "clouds", "parameters": {"combineMode": "Opt7"}}]})",
         "effects[0].parameters.combineMode", "the cloud is empty"},
    };
    for (const auto& c : cases) {
        const std::vector<SceneWarning> warnings = warningsOf(c.scene);
        ASSERT_EQ(warnings.size(), 1u) << c.scene;
        EXPECT_EQ(warnings[0].path, c.path) << c.scene;
        EXPECT_NE(warnings[0].text().find(c.says), std::string::npos) << warnings[0].text();
        EXPECT_FALSE(warnings[0].value.empty() || warnings[0].advice.empty()) << warnings[0].text();
    }
}

TEST(SceneWarnings, SettingsThatTakeEffectGiveNone) {
    for (const char* scene : {
             R"({"effects": [{"type": "fire", "parameters": {"shapeFlags": ["cylinderZ"], "quality": 2}}]})",
             R"({"effects": [{"type": "fire", "parameters": {"quality": 300, "densityAmount": 30}}]})",
             R"({"shaders": [{"type": "noise", "name": "mine"}],
                 "effects": [{"type": "smog", "parameters": {"noiseType": "shader", "densityShaderName": "mine"}}]})",
             R"({"lights": [{"direction": [1, 0, -1]}], "effects": [{"type": "clouds", "lighting": "scene"}]})",
             R"({"effects": [{"type": "smog", "lighting": "fixed", "modifiers": [{"type": "twist", "parameters": {"axis": "x"}}]}]})",
         })
        EXPECT_TRUE(warningsOf(scene).empty()) << scene << "\n" << (warningsOf(scene).empty() ? "" : warningsOf(scene)[0].text());
}
