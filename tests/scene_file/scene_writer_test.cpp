#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/scene_file/scene_builder.h"
#include "host/scene_file/scene_description.h"
#include "host/scene_file/scene_warnings.h"
#include "host/scene_file/scene_writer.h"
#include "tests/support/module_objects.h"
#include "tests/support/scratch_folder.h"

using namespace brumo;
using namespace brumo::host;

namespace {

// Every field of the component's block, as a scene file would write it.
nlohmann::json blockOf(const BuiltComponent& component) {
    nlohmann::json fields;
    const void* block = parameterBlockOf(component.object.get(), *component.table);
    for (int32_t i = 0; i < component.table->fieldCount; ++i)
        fields[component.table->fields[i].name] = readField(block, component.table->fields[i]);
    return fields;
}

// A scene that uses every section, every kind of light, shader and mesh and every type of field.
const char* kEverything = R"({
    "image": {"width": 64, "height": 48, "view": "standard", "exposure": -1.5},
    "background": [0.1, 0.2, 0.3, 0.5],
    "camera": {"type": "orthographic", "position": [1, -15, 2], "lookAt": [0, 0, 1], "up": [0, 0, 1], "width": 9},
    "frames": [1, 11],
    "lights": [{"type": "distant", "direction": [1, 0.6, -0.8], "colour": [1, 0.97, 0.9]},
               {"type": "point", "position": [0, 0, 10]}],
    "shaders": [{"type": "constant", "name": "Flat", "colour": [0.2, 0.4, 0.6], "value": 0.3},
                {"type": "checker", "name": "Tiles", "cellSize": 0.25},
                {"type": "heightGradient", "name": "Ramp", "low": -2, "high": 3, "top": [1, 0, 0]},
                {"type": "noise", "name": "Grain", "featureSize": 0.7, "octaves": 5, "seed": 9}],
    "meshes": [{"type": "obj", "name": "blob", "path": "meshes/blob.obj"},
               {"type": "sphere", "name": "ball", "radius": 1.5},
               {"type": "box", "name": "crate", "halfExtent": [1, 2, 0.5]},
               {"type": "torus", "name": "ring", "majorRadius": 2, "minorRadius": 0.35}],
    "effects": [
        {"type": "clouds", "name": "sky", "translate": [0, 0, 3], "rotate": [0, 10, 45], "scale": [1, 1, 1.5],
         "lighting": {"mode": "fixed", "direction": [0, 1, 0]},
         "mesh": {"object": "blob", "falloff": 0.05},
         "parameters": {
             "densityAmount": {"from": 0.1, "to": 10},
             "puffCount": {"from": 2, "to": 4},
             "noiseOffset": {"from": [0, 0, 0], "to": [1, -2, 4]},
             "combineMode": "Opt2",
             "shapeFlags": 1025,
             "densityShaderName": "Grain",
             "colourGradient": [{"position": 0, "colour": [1, 0, 0]}, {"position": 1, "colour": [0, 0, 1, 0.5]}],
             "shapeFalloffs": [[0.1, 0.2], [0.3, 0.4]]},
         "modifiers": [{"type": "taper", "parameters": {"invert": true, "amount": 0.25}}, "twist"]},
        {"type": "rising_smoke", "scale": 2}
    ]
})";

}  // namespace

TEST(SceneWriter, ASavedSceneReadsBackAsTheSameSceneWithTheSameBlocks) {
    const test::ScratchFolder folder;
    std::filesystem::create_directories(folder.path() / "scenes" / "meshes");
    std::filesystem::copy_file(std::string(BRUMO_SOURCE_DIR) + "/examples/meshes/blob.obj",
                               folder.file("scenes/meshes/blob.obj"));
    const SceneDescription original = readSceneFile(folder.write("scenes/everything.json", kEverything));

    // Saved elsewhere, the OBJ file is still found from the new file's folder.
    std::filesystem::create_directories(folder.path() / "saved" / "deeper");
    const std::string saved = folder.file("saved/deeper/everything.json");
    saveSceneFile(original, saved);
    const SceneDescription reread = readSceneFile(saved);
    EXPECT_EQ(writeScene(reread, saved), writeScene(original, saved));
    EXPECT_EQ(reread.view.curve, ViewTransform::Curve::standard);
    EXPECT_EQ(reread.view.exposure, -1.5f);
    ASSERT_EQ(reread.meshes.size(), 4u);
    EXPECT_TRUE(std::filesystem::equivalent(reread.meshes[0].path, original.meshes[0].path));

    // What the module gets is the same, at a frame between the first and the last.
    ASSERT_EQ(reread.effects.size(), original.effects.size());
    for (size_t e = 0; e < original.effects.size(); ++e) {
        const BuiltEffect before = buildEffect(original.effects[e], 0.3, test::createFromModule);
        const BuiltEffect after = buildEffect(reread.effects[e], 0.3, test::createFromModule);
        EXPECT_EQ(blockOf(after.effect), blockOf(before.effect)) << e;
        ASSERT_EQ(after.modifiers.size(), before.modifiers.size());
        for (size_t m = 0; m < before.modifiers.size(); ++m)
            EXPECT_EQ(blockOf(after.modifiers[m]), blockOf(before.modifiers[m])) << e << " " << m;
    }

    // Without a file to be relative to, the OBJ path is absolute, and the JSON reads as it is.
    const SceneDescription fromJson = readScene(writeScene(original), "");
    EXPECT_TRUE(std::filesystem::path(fromJson.meshes[0].path).is_absolute());
    EXPECT_EQ(writeScene(fromJson, saved), writeScene(original, saved));

    // A folder that is not there: an error naming the file, and nothing written.
    EXPECT_THROW(saveSceneFile(original, folder.file("missing/scene.json")), SceneFileError);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "missing"));
}

TEST(SceneWriter, LiveBlocksDescribedAndWrittenBuildTheSameBlocks) {
    // Read as if it stood beside the examples, whose folder holds the mesh it names.
    const SceneDescription scene = readSceneText(kEverything, std::string(BRUMO_SOURCE_DIR) + "/examples/x.json");
    for (const EffectDescription& description : scene.effects) {
        BuiltEffect live = buildEffect(description, 0.0, test::createFromModule);
        // An edit no scene file made: a float that is no short decimal.
        void* block = parameterBlockOf(live.effect.object.get(), *live.effect.table);
        const FieldInfo* density = findField(*live.effect.table, "densityAmount");
        *reinterpret_cast<float*>(static_cast<char*>(block) + density->offset) = 0.1f / 3.0f;

        SceneDescription described;
        EffectDescription effect;
        effect.component = describeBlock(*live.effect.table, live.effect.classId, block);
        for (const BuiltComponent& modifier : live.modifiers)
            effect.modifiers.push_back(describeBlock(*modifier.table, modifier.classId,
                                                     parameterBlockOf(modifier.object.get(), *modifier.table)));
        described.effects.push_back(effect);
        const SceneDescription reread = readScene(writeScene(described), "");

        const BuiltEffect rebuilt = buildEffect(reread.effects[0], 0.0, test::createFromModule);
        EXPECT_EQ(blockOf(rebuilt.effect), blockOf(live.effect)) << description.name;
        ASSERT_EQ(rebuilt.modifiers.size(), live.modifiers.size());
        for (size_t m = 0; m < live.modifiers.size(); ++m)
            EXPECT_EQ(blockOf(rebuilt.modifiers[m]), blockOf(live.modifiers[m])) << description.name << " " << m;
    }
}

// What the studio saves names every field of its live blocks, defaults included; none of those
// defaults may read back as a setting that is ignored.
TEST(SceneWriter, UntouchedComponentsSavedFieldByFieldWarnOfNothing) {
    const SceneDescription scene = readSceneText(R"({
        "lights": [{"type": "distant", "direction": [1, 0, -1]}],
        "effects": [{"type": "clouds", "modifiers": ["noise", "twist"]}, {"type": "fire"},
                    {"type": "rising_smoke"}, {"type": "smog"}]})", "");
    SceneDescription described;
    described.lights = scene.lights;
    for (const EffectDescription& description : scene.effects) {
        const BuiltEffect live = buildEffect(description, 0.0, test::createFromModule);
        EffectDescription effect;
        effect.component = describeBlock(*live.effect.table, live.effect.classId,
                                         parameterBlockOf(live.effect.object.get(), *live.effect.table));
        for (const BuiltComponent& modifier : live.modifiers)
            effect.modifiers.push_back(describeBlock(*modifier.table, modifier.classId,
                                                     parameterBlockOf(modifier.object.get(), *modifier.table)));
        described.effects.push_back(effect);
    }
    for (const SceneWarning& warning : sceneWarnings(readScene(writeScene(described), "")))
        ADD_FAILURE() << warning.path << ": " << warning.value << ": " << warning.consequence;
}
