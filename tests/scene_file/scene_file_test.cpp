#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "brumo/class_ids.h"
#include "host/scene_file/scene_builder.h"
#include "host/scene_file/scene_description.h"
#include "qv/data_exchanger.h"
#include "tests/support/module_objects.h"

using namespace brumo;
using namespace brumo::host;

namespace {

// The message of the error reading `text` gives, or "" when it reads.
std::string errorOf(const std::string& text) {
    try {
        readSceneText(text, "scenes/bad.json");
    } catch (const SceneFileError& error) {
        return error.what();
    }
    return "";
}

nlohmann::json fieldOf(const BuiltComponent& component, const char* name) {
    const FieldInfo* field = findField(*component.table, name);
    return readField(parameterBlockOf(component.object.get(), *component.table), *field);
}

}  // namespace

TEST(SceneFile, AThreeLineSceneTakesEveryDefault) {
    const SceneDescription scene = readSceneText(R"({
        "effects": [{"type": "fire"}]
    })", "fire.json");
    EXPECT_EQ(scene.width, 320);
    EXPECT_EQ(scene.height, 240);
    EXPECT_EQ(scene.camera.projection, Projection::pinhole);
    EXPECT_TRUE(cameraProblem(scene.camera).empty());
    EXPECT_FALSE(scene.hasFrames);
    ASSERT_EQ(scene.effects.size(), 1u);
    EXPECT_EQ(scene.effects[0].component.className, "Fire");
    EXPECT_TRUE(scene.effects[0].component.classId == CLSID_Fire);
    EXPECT_EQ(scene.effects[0].name, "Fire");
    EXPECT_TRUE(scene.effects[0].component.values.empty());
    EXPECT_FLOAT_EQ(scene.effects[0].transform.scale.x, 1.0f);
}

TEST(SceneFile, TypesAreFoundInEverySpellingAScenesMightUse) {
    for (const char* type : {"risingSmoke", "rising_smoke", "RisingSmoke", "rising-smoke"})
        EXPECT_STREQ(effectTable(type)->className, "RisingSmoke") << type;
    EXPECT_STREQ(effectTable("clouds")->className, "Clouds");
    for (const char* type : {"twist", "TwistModifier", "twistModifier", "Twist"})
        EXPECT_STREQ(modifierTable(type)->className, "TwistModifier") << type;
    EXPECT_STREQ(modifierTable("noise")->className, "NoiseModifier");
    EXPECT_EQ(effectTable("twist"), nullptr);
    EXPECT_EQ(modifierTable("fire"), nullptr);
}

TEST(SceneFile, EveryKindOfMistakeNamesTheFileTheKeyAndWhatWasExpected) {
    const struct {
        const char* scene;
        const char* says;
    } cases[] = {
        {R"({"efects": []})", "scenes/bad.json: efects: unknown key (did you mean \"effects\"?)"},
        {R"({"effects": [{"type": "fire", "parameters": {"densityAmout": 2}}]})",
         "effects[0].parameters.densityAmout: unknown parameter of Fire (did you mean \"densityAmount\"?)"},
        {R"({"effects": [{"type": "firee"}]})", "effects[0].type: unknown effect type \"firee\" (did you mean \"fire\"?)"},
        {R"({"effects": [{"type": "fire", "modifiers": [{"type": "twsit"}]}]})",
         "effects[0].modifiers[0].type: unknown modifier type \"twsit\" (did you mean \"twist\"?)"},
        {R"({"effects": [{"type": "smog", "parameters": {"size": "big"}}]})",
         "effects[0].parameters.size: expected a number, found a string"},
        {R"({"effects": [{"type": "clouds", "parameters": {"puffCount": 2.5}}]})",
         "effects[0].parameters.puffCount: expected a whole number, found 2.5"},
        {R"({"image": {"width": -5}})", "image.width: expected a whole number from 1 to 65536, found -5"},
        {R"({"camera": {"fov": 200}})", "camera.fov: expected a number above 0 up to 179, found 200"},
        {R"({"camera": {"position": [0, 0, 0]}})", "camera: the camera's position and the point it looks at"},
        {R"({"background": [1, 0]})", "background: expected a colour [r, g, b] or [r, g, b, a], found a list of 2"},
        {R"({"effects": [{"type": "clouds", "parameters": {"lightingMode": "Opt10"}}]})",
         "effects[0].parameters.lightingMode: expected a four-character code such as \"Opt1\", found \"Opt10\""},
        {R"({"effects": [{"type": "smog", "parameters": {"noiseOffset": [1, 2]}}]})",
         "effects[0].parameters.noiseOffset: expected a vector [x, y, z], found a list of 2"},
        {R"({"effects": [{"type": "smog", "parameters": {"dataComponents": []}}]})",
         "effects[0].parameters.dataComponents: attach modifiers under the effect's \"modifiers\" instead"},
        {R"({"effects": [{"type": "smog", "mesh": {"object": "tours"}}], "meshes": [{"type": "torus", "name": "torus"}]})",
         "effects[0].mesh.object: no mesh named \"tours\" under \"meshes\" (did you mean \"torus\"?)"},
        {R"({"meshes": [{"type": "obj", "name": "m", "path": "missing.obj"}]})",
         "meshes[0].path: no such file: scenes/missing.obj"},
        {R"({"effects": [{"type": "smog", "parameters": {"size": {"from": 1, "to": 2}}}]})",
         "effects[0].parameters.size: an animated value needs the scene's \"frames\": [first, last]"},
        {R"({"frames": [10, 2]})", "frames[1]: the last frame comes before the first"},
        {R"({"effects": [{"type": "smog", "scale": [1, 0, 1]}]})", "effects[0].scale: a scale must not be zero"},
        {R"({"lights": [{"type": "spot"}]})", "lights[0].type: unknown light type \"spot\" (expected one of \"distant\", \"point\")"},
        {R"({"effects": [{"type": "fire", "lighting": "sceen"}]})",
         "effects[0].lighting: unknown lighting mode \"sceen\" (did you mean \"scene\"?)"},
        {"{\n  \"effects\": [\n    {\"type\": \"fire\",}\n  ]\n}", "scenes/bad.json: not valid JSON: parse error at line 3, column"},
        {"{\"effects\": [{\"type\": \"fire\",\n \"translate\": [0, 1e999, 0]}]}",
         "effects[0].translate[1]: line 2: expected a number of at most about 1.8e308, found '1e999'"},
        {R"({"effects": [{"type": "fire", "parameters": {"noiseType": "rigded"}}]})",
         "effects[0].parameters.noiseType: unknown value \"rigded\" of noiseType (did you mean \"ridged\"?)"},
        {R"({"effects": [{"type": "fire", "parameters": {"shapeFlags": ["cylinder"]}}]})",
         "effects[0].parameters.shapeFlags[0]: unknown value \"cylinder\" of shapeFlags (did you mean"},
    };
    for (const auto& c : cases) {
        const std::string message = errorOf(c.scene);
        EXPECT_NE(message.find(c.says), std::string::npos) << c.scene << "\n  gave: " << message;
        EXPECT_EQ(message.rfind("scenes/bad.json: ", 0), 0u) << message;
    }
    try {
        readSceneFile("/no/such/scene.json");
        ADD_FAILURE() << "a missing file reads";
    } catch (const SceneFileError& error) {
        EXPECT_STREQ(error.what(), "/no/such/scene.json: no such file");
    }
}

TEST(SceneFile, CodesNumberedChoicesAndBitsMayBeWrittenByTheirNames) {
    const auto values = [](const std::string& parameters) {
        const SceneDescription scene =
            readSceneText(R"({"effects": [{"type": "clouds", "parameters": )" + parameters + "}]}", "");
        std::vector<std::string> held;
        for (const FieldValue& value : scene.effects[0].component.values)
            held.push_back(std::string(value.field->name) + "=" + value.text +
                           (value.from.empty() ? "" : std::to_string(value.from[0])));
        return held;
    };
    EXPECT_EQ(values(R"({"lightingMode": "fixed", "combineMode": "Multiply", "noiseType": "ridged",
                         "shapeFlags": ["upperBall", "lowerBall", 64]})"),
              values(R"({"lightingMode": "Opt1", "combineMode": "Opt3", "noiseType": 3, "shapeFlags": 67})"));
    EXPECT_EQ(values(R"({"shapeFlags": "cylinderZ"})"), values(R"({"shapeFlags": 64})"));
}

TEST(SceneFile, SuggestionsComeFromTheNearestValidNameOnly) {
    EXPECT_EQ(editDistance("densityAmout", "densityAmount"), 1);
    EXPECT_EQ(editDistance("FIRE", "fire"), 0);
    EXPECT_EQ(editDistance("", "abc"), 3);
    EXPECT_EQ(nearestName("noiseScal", {"noiseScale", "noiseType", "size"}), "noiseScale");
    // Nothing close enough: no guess.
    EXPECT_EQ(nearestName("xyzzy", {"noiseScale", "densityAmount"}), "");
}

TEST(SceneFile, ParametersOfEveryTypeAreWrittenAtTheirOffsetAndAnimatedLinearly) {
    const SceneDescription scene = readSceneText(R"({
        "frames": [1, 11],
        "effects": [{
            "type": "clouds",
            "lighting": {"mode": "fixed", "direction": [0, 1, 0]},
            "parameters": {
                "densityAmount": {"from": 0, "to": 10},
                "puffCount": {"from": 2, "to": 4},
                "noiseOffset": {"from": [0, 0, 0], "to": [1, -2, 4]},
                "combineMode": "Opt2",
                "shapeFlags": 1025,
                "densityShaderName": "Noise",
                "colourGradient": [{"position": 0, "colour": [1, 0, 0]}, {"position": 1, "colour": [0, 0, 1, 0.5]}],
                "shapeFalloffs": [[0.1, 0.2], [0.3, 0.4]]
            },
            "modifiers": [{"type": "taper", "parameters": {"invert": true, "amount": 0.25}}, "twist"]
        }]
    })", "");
    EXPECT_TRUE(scene.animated());
    EXPECT_DOUBLE_EQ(scene.frameFraction(6), 0.5);
    EXPECT_DOUBLE_EQ(scene.frameFraction(0), 0.0);   // before the first frame
    EXPECT_DOUBLE_EQ(scene.frameFraction(20), 1.0);  // after the last

    BuiltEffect effect = buildEffect(scene.effects[0], scene.frameFraction(6), test::createFromModule);
    const BuiltComponent& clouds = effect.effect;
    EXPECT_EQ(fieldOf(clouds, "densityAmount"), 5.0);
    EXPECT_EQ(fieldOf(clouds, "puffCount"), 3);
    EXPECT_EQ(fieldOf(clouds, "noiseOffset"), nlohmann::json({0.5, -1.0, 2.0}));
    EXPECT_EQ(fieldOf(clouds, "combineMode"), "Opt2");
    EXPECT_EQ(fieldOf(clouds, "lightingMode"), "Opt1");
    EXPECT_EQ(fieldOf(clouds, "lightDirection"), nlohmann::json({0.0, 1.0, 0.0}));
    EXPECT_EQ(fieldOf(clouds, "shapeFlags"), 1025);
    EXPECT_EQ(fieldOf(clouds, "densityShaderName"), "Noise");
    EXPECT_EQ(fieldOf(clouds, "colourGradient"),
              nlohmann::json::parse(R"([{"position": 0, "colour": [1, 0, 0, 1]},
                                        {"position": 1, "colour": [0, 0, 1, 0.5]}])"));
    const nlohmann::json pairs = fieldOf(clouds, "shapeFalloffs");
    EXPECT_EQ(pairs[0], nlohmann::json({0.1, 0.2}));
    EXPECT_EQ(pairs[1], nlohmann::json({0.3, 0.4}));
    ASSERT_EQ(effect.modifiers.size(), 2u);
    EXPECT_EQ(fieldOf(effect.modifiers[0], "invert"), true);
    EXPECT_EQ(fieldOf(effect.modifiers[0], "amount"), 0.25);
    EXPECT_STREQ(effect.modifiers[1].table->className, "TwistModifier");
    // The host's component list told the effect about both, in order.
    ASSERT_EQ(effect.components->count(), 2);
    EXPECT_EQ(effect.components->at(0), effect.modifiers[0].object.get());
    EXPECT_EQ(fieldOf(clouds, "dataComponents"), 2);

    // A clone is a new instance whose block reads the same, field by field, with copies of the
    // modifiers attached in the same order.
    const BuiltEffect copy = cloneEffect(effect, test::createFromModule);
    EXPECT_NE(copy.effect.object.get(), clouds.object.get());
    for (int32_t i = 0; i < clouds.table->fieldCount; ++i) {
        const char* name = clouds.table->fields[i].name;
        EXPECT_EQ(fieldOf(copy.effect, name), fieldOf(clouds, name)) << name;
    }
    ASSERT_EQ(copy.modifiers.size(), 2u);
    for (size_t m = 0; m < 2; ++m) {
        EXPECT_NE(copy.modifiers[m].object.get(), effect.modifiers[m].object.get());
        EXPECT_TRUE(copy.modifiers[m].classId == effect.modifiers[m].classId);
        for (int32_t i = 0; i < copy.modifiers[m].table->fieldCount; ++i) {
            const char* name = copy.modifiers[m].table->fields[i].name;
            EXPECT_EQ(fieldOf(copy.modifiers[m], name), fieldOf(effect.modifiers[m], name)) << name;
        }
    }
    EXPECT_EQ(copy.components->at(1), copy.modifiers[1].object.get());
    // Changing the original's string later does not reach the copy: the text was copied.
    parameterBlockOf(clouds.object.get(), *clouds.table);
    FieldValue renamed;
    renamed.field = findField(*clouds.table, "densityShaderName");
    renamed.text = "Checker";
    writeField(parameterBlockOf(clouds.object.get(), *clouds.table), renamed, 0.0);
    EXPECT_EQ(fieldOf(copy.effect, "densityShaderName"), "Noise");
}

TEST(SceneFile, TheMarchStepForTheStatisticsFollowsSizeAndQuality) {
    const SceneDescription scene = readSceneText(
        R"({"effects": [{"type": "smog", "parameters": {"size": 3, "quality": 0.5}}]})", "");
    const BuiltEffect effect = buildEffect(scene.effects[0], 0.0, test::createFromModule);
    // 50 steps across the cube's edge of 6 units.
    EXPECT_FLOAT_EQ(effect.marchStep(), 6.0f / 50.0f);
}
