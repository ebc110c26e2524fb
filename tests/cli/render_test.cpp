// brumo render end to end: scene files, their errors, threads, compositing order, image
// formats, animation and the examples. Images are tiny to keep the suite fast.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "host/image/exr_writer.h"
#include "host/image/png_writer.h"
#include "tests/render/png_reading.h"
#include "tests/support/cli_run.h"
#include "tests/support/scratch_folder.h"

namespace fs = std::filesystem;

namespace {

using brumo::test::CliRun;

CliRun runBrumo(const std::string& arguments) { return brumo::test::runTool(BRUMO_CLI_PATH, arguments); }

using brumo::test::example;

class RenderRun : public ::testing::Test {
protected:
    std::string file(const std::string& name) const { return folder_.file(name); }
    std::string write(const std::string& name, const std::string& text) const { return folder_.write(name, text); }
    // Renders and answers the pixels; fails the test when the render fails.
    std::vector<uint8_t> pixels(const std::string& arguments, const std::string& name) {
        const CliRun run = runBrumo("render " + arguments + " -q -o " + file(name));
        EXPECT_EQ(run.status, 0) << arguments << "\n" << run.output;
        const brumo::test::DecodedPng png = brumo::test::readPng(file(name));
        EXPECT_TRUE(png.ok) << arguments;
        return png.rgba;
    }

    brumo::test::ScratchFolder folder_;
};

// Two smogs whose boxes overlap along the view; `first` and `second` are their entries.
std::string overlappingScene(const std::string& first, const std::string& second) {
    return R"({"camera": {"position": [0, -20, 0], "lookAt": [0, 0, 0], "fov": 40},
               "effects": [)" + first + ", " + second + "]}";
}

}  // namespace

TEST_F(RenderRun, AThreeLineSceneRendersWithEveryDefault) {
    const std::string scene = write("fire.json", "{\n  \"effects\": [{\"type\": \"fire\"}]\n}\n");
    const CliRun run = runBrumo("render " + scene + " -o " + file("fire.png") + " --width 40 --height 30");
    ASSERT_EQ(run.status, 0) << run.output;
    const brumo::test::DecodedPng png = brumo::test::readPng(file("fire.png"));
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.width, 40u);
    // The fire shows in the middle, brighter than the corner.
    const uint8_t* centre = png.pixel(20, 16);
    const uint8_t* corner = png.pixel(0, 0);
    EXPECT_GT(centre[0] + centre[1], corner[0] + corner[1] + 100);
}

TEST_F(RenderRun, EveryKindOfSceneMistakeExitsTwoWithItsMessageAndWritesNothing) {
    write("meshes.json", R"({"meshes": [{"type": "obj", "name": "m", "path": "gone.obj"}]})");
    const struct {
        std::string scene;  // file name in the folder, or text to write as bad.json
        std::string says;
    } cases[] = {
        {R"({"effects": [{"type": "smog", "parameters": {"densityAmout": 2}}]})",
         "effects[0].parameters.densityAmout: unknown parameter of Smog (did you mean \"densityAmount\"?)"},
        {R"({"image": {"width": 0}})", "image.width: expected a whole number from 1 to 65536, found 0"},
        {R"({"effects": [{"type": "smoke"}]})", "effects[0].type: unknown effect type \"smoke\""},
        {R"({"effects": [{"type": "fire", "modifiers": ["bender"]}]})",
         "effects[0].modifiers[0]: unknown modifier type \"bender\" (did you mean \"bend\"?)"},
        {R"({"effects": [)", "not valid JSON"},
        {"@meshes.json", "meshes[0].path: no such file: "},
        {"@absent.json", "absent.json: no such file"},
    };
    for (const auto& c : cases) {
        const std::string scene = c.scene[0] == '@' ? file(c.scene.substr(1)) : write("bad.json", c.scene);
        const CliRun run = runBrumo("render " + scene + " -o " + file("never.png"));
        EXPECT_EQ(run.status, 2) << c.scene << "\n" << run.output;
        EXPECT_EQ(run.output.rfind("brumo: " + scene + ": ", 0), 0u) << run.output;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
        EXPECT_FALSE(fs::exists(file("never.png"))) << c.scene;
    }
    const CliRun unknownEffect = runBrumo("render --effect frie -o " + file("never.png"));
    EXPECT_EQ(unknownEffect.status, 2);
    EXPECT_NE(unknownEffect.output.find("did you mean \"fire\"?"), std::string::npos) << unknownEffect.output;
    const CliRun badFrames = runBrumo("render --frames 9-2 -o " + file("never.png"));
    EXPECT_EQ(badFrames.status, 2) << badFrames.output;
    EXPECT_FALSE(fs::exists(file("never.png")));
}

TEST_F(RenderRun, TheImageIsTheSameAtEveryThreadCountAndOnEveryRun) {
    // Self-shadowing clouds (each thread builds its own grid) and a modifier on a copy.
    for (const std::string& scene : {example("shadowed_and_unlit.json"), example("twisted_smoke.json")}) {
        const std::string size = " --width 48 --height 36";
        const auto one = pixels(scene + size + " --threads 1", "one.png");
        const auto two = pixels(scene + size + " --threads 2", "two.png");
        const auto again = pixels(scene + size + " --threads 2", "again.png");
        ASSERT_FALSE(one.empty());
        EXPECT_EQ(one, two) << scene;
        EXPECT_EQ(two, again) << scene;
    }
}

TEST_F(RenderRun, OverlappingEffectsCompositeByDepthWhateverTheirOrderInTheFile) {
    const std::string near = R"({"type": "smog", "translate": [1, -2, 0], "parameters": {"colourGradient": [{"position": 0, "colour": [1, 0, 0]}]}})";
    const std::string far = R"({"type": "smog", "translate": [-1, 2, 0], "parameters": {"colourGradient": [{"position": 0, "colour": [0, 0, 1]}]}})";
    const std::string size = " --width 40 --height 30";
    const auto nearFirst = pixels(write("a.json", overlappingScene(near, far)) + size, "a.png");
    const auto farFirst = pixels(write("b.json", overlappingScene(far, near)) + size, "b.png");
    EXPECT_EQ(nearFirst, farFirst);
    // Where both boxes lie on the ray, the near red smog covers the far blue one.
    const brumo::test::DecodedPng png = brumo::test::readPng(file("a.png"));
    const uint8_t* middle = png.pixel(20, 15);
    EXPECT_GT(middle[0], middle[2]);
}

TEST_F(RenderRun, PngAndExrHoldTheSamePictureAndTheExtensionChoosesTheFormat) {
    const CliRun run = runBrumo("render --effect smog --width 24 --height 18 -o " + file("smog.png") +
                             " --exr " + file("smog.exr"));
    ASSERT_EQ(run.status, 0) << run.output;
    const brumo::test::DecodedPng png = brumo::test::readPng(file("smog.png"));
    const brumo::host::Image exr = brumo::host::readExr(file("smog.exr"));
    ASSERT_EQ(exr.width(), 24);
    ASSERT_EQ(exr.height(), 18);
    // The EXR keeps the linear premultiplied floats; encoded they give the PNG's bytes exactly.
    int covered = 0;
    for (uint32_t y = 0; y < 18; ++y)
        for (uint32_t x = 0; x < 24; ++x) {
            uint8_t encoded[4];
            brumo::host::encodePixel(exr.at(int(x), int(y)), encoded);
            const uint8_t* written = png.pixel(x, y);
            for (int c = 0; c < 4; ++c) ASSERT_EQ(encoded[c], written[c]) << x << "," << y;
            covered += exr.at(int(x), int(y)).alpha > 0.0f;
        }
    EXPECT_EQ(covered, 24 * 18);  // the opaque background counts everywhere
    EXPECT_LT(exr.at(0, 0).red, 0.05f);  // linear: the dark background stays dark

    ASSERT_EQ(runBrumo("render --effect smog --width 8 --height 6 -o " + file("only.exr")).status, 0);
    std::ifstream in(file("only.exr"), std::ios::binary);
    char magic[4] = {};
    in.read(magic, 4);
    EXPECT_EQ(std::string(magic, 4), std::string("\x76\x2f\x31\x01", 4));  // OpenEXR, not PNG
    EXPECT_EQ(brumo::host::readExr(file("only.exr")).width(), 8);
}

TEST_F(RenderRun, AFrameOfAnAnimatedSceneIsTheSceneWithTheInterpolatedValueWrittenIn) {
    const std::string animated = write("animated.json", R"({
        "frames": [1, 11],
        "effects": [{"type": "smog", "parameters": {"densityAmount": {"from": 0.5, "to": 2.5},
                                                    "noiseOffset": {"from": [0, 0, 0], "to": [1, 0, 2]}}}]})");
    const std::string fixed = write("fixed.json", R"({
        "effects": [{"type": "smog", "parameters": {"densityAmount": 1.5, "noiseOffset": [0.5, 0, 1]}}]})");
    const std::string size = " --width 32 --height 24";
    const auto frame6 = pixels(animated + size + " --frame 6", "frame6.png");
    EXPECT_EQ(frame6, pixels(fixed + size, "fixed.png"));
    EXPECT_NE(frame6, pixels(animated + size + " --frame 1", "frame1.png"));

    const CliRun run = runBrumo("render " + animated + size + " --frames 2-4 -o " + file("smog.png"));
    ASSERT_EQ(run.status, 0) << run.output;
    for (const char* name : {"smog_0002.png", "smog_0003.png", "smog_0004.png"})
        EXPECT_TRUE(fs::exists(file(name))) << name << "\n" << run.output;
    EXPECT_FALSE(fs::exists(file("smog.png")));
}

TEST_F(RenderRun, EveryExampleRendersAndTheBuiltInScenesAreTheExamples) {
    int rendered = 0;
    for (const auto& entry : fs::directory_iterator(std::string(BRUMO_SOURCE_DIR) + "/examples")) {
        if (entry.path().extension() != ".json") continue;
        const CliRun run = runBrumo("render " + entry.path().string() + " --width 32 --height 24 -q -o " +
                                 file("example.png"));
        EXPECT_EQ(run.status, 0) << entry.path() << "\n" << run.output;
        EXPECT_TRUE(run.output.empty()) << run.output;  // quiet
        ++rendered;
    }
    EXPECT_GE(rendered, 12);
    const std::string size = " --width 32 --height 24";
    EXPECT_EQ(pixels(size, "default.png"), pixels(example("default.json") + size, "default-file.png"));
    const struct {
        const char* effect;
        const char* file;
    } effects[] = {{"clouds", "clouds.json"}, {"fire", "fire.json"}, {"risingSmoke", "rising_smoke.json"},
                   {"smog", "smog.json"}};
    for (const auto& e : effects)
        EXPECT_EQ(pixels(std::string("--effect ") + e.effect + size, "built-in.png"),
                  pixels(example(e.file) + size, "from-file.png"))
            << e.effect;
}

TEST_F(RenderRun, StatsCountTheRaysAndTheWork) {
    const CliRun run = runBrumo("render --effect fire --width 20 --height 10 --stats -o " + file("fire.png"));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("200 rays, "), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(" density samples (estimated), "), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(" samples/s"), std::string::npos) << run.output;
}

TEST_F(RenderRun, CtrlCStopsTheRenderWithStatus130AndNoImage) {
    // A fine shadow grid takes seconds to build on every thread, long enough to interrupt.
    const std::string scene = write("slow.json", R"({
        "lights": [{"type": "distant", "direction": [1, 0, -1]}],
        "effects": [{"type": "clouds", "parameters": {"quality": 4, "densityAmount": 4}}]})");
    const std::string output = file("never.png");
    const CliRun run = brumo::test::interruptTool(
        BRUMO_CLI_PATH, {"render", scene, "--width", "64", "--height", "48", "-o", output}, file("log.txt"));
    EXPECT_EQ(run.status, 130);
    EXPECT_FALSE(fs::exists(output));
    const std::string& message = run.output;
    EXPECT_NE(message.find("cancelled"), std::string::npos) << message;
    EXPECT_NE(message.find("no image was written"), std::string::npos) << message;
}

TEST_F(RenderRun, EveryExampleGivesAnOpaqueImageWithAlphaInRangeAndNoWhitePlateau) {
    for (const auto& entry : fs::directory_iterator(std::string(BRUMO_SOURCE_DIR) + "/examples")) {
        if (entry.path().extension() != ".json") continue;
        const CliRun run = runBrumo("render " + entry.path().string() + " --width 32 --height 24 -q -o " +
                                    file("example.png") + " --exr " + file("example.exr"));
        ASSERT_EQ(run.status, 0) << entry.path() << "\n" << run.output;
        // Every example stands before an opaque background: every pixel is opaque, however
        // much the module's weights add up to.
        const brumo::host::Image exr = brumo::host::readExr(file("example.exr"));
        int off = 0;
        for (int y = 0; y < exr.height(); ++y)
            for (int x = 0; x < exr.width(); ++x) off += exr.at(x, y).alpha != 1.0f;
        EXPECT_EQ(off, 0) << entry.path();
        const brumo::test::DecodedPng png = brumo::test::readPng(file("example.png"));
        int white = 0;
        for (uint32_t y = 0; y < png.height; ++y)
            for (uint32_t x = 0; x < png.width; ++x) {
                const uint8_t* p = png.pixel(x, y);
                white += p[0] == 255 && p[1] == 255 && p[2] == 255;
            }
        EXPECT_EQ(white, 0) << entry.path();
    }
}

TEST_F(RenderRun, OverATransparentBackgroundCoverageGrowsWithDensityAndReachesOne) {
    // absorptionDistance 0.4: the module's own weights sum to well past 1 here.
    auto coverage = [&](const std::string& density, const std::string& name) {
        const std::string scene = write(name + ".json", R"({"background": [0, 0, 0, 0],
            "camera": {"position": [0, -40, 0], "lookAt": [0, 0, 0], "fov": 30},
            "effects": [{"type": "smog", "parameters": {"densityAmount": )" + density +
                                                            R"(, "absorptionDistance": 0.4}}]})");
        const CliRun run = runBrumo("render " + scene + " --width 24 --height 18 -q -o " + file(name + ".exr"));
        EXPECT_EQ(run.status, 0) << run.output;
        return brumo::host::readExr(file(name + ".exr"));
    };
    const brumo::host::Image thin = coverage("0.3", "thin");
    const brumo::host::Image dense = coverage("30", "dense");
    int grown = 0, full = 0;
    for (int y = 0; y < thin.height(); ++y)
        for (int x = 0; x < thin.width(); ++x) {
            const float a = thin.at(x, y).alpha, b = dense.at(x, y).alpha;
            ASSERT_GE(a, 0.0f);
            ASSERT_LE(b, 1.0f);
            EXPECT_GE(b, a) << x << "," << y;
            grown += b > a + 0.1f;
            full += b == 1.0f;  // the march stopped early: wholly covered
        }
    EXPECT_GT(grown, 24 * 18 / 16);
    EXPECT_GT(full, 0);
    EXPECT_EQ(thin.at(0, 0).alpha, 0.0f);  // the corner misses the box: nothing covers it
    EXPECT_GT(thin.at(12, 9).alpha, 0.05f);
    EXPECT_LT(thin.at(12, 9).alpha, 1.0f);
}

TEST_F(RenderRun, ViewAndExposureComeFromTheSceneOrTheCommandLine) {
    const std::string plain = write("plain.json", R"({"image": {"width": 24, "height": 18},
        "effects": [{"type": "fire"}]})");
    const std::string keys = write("keys.json", R"({"image": {"width": 24, "height": 18,
        "view": "standard", "exposure": 1}, "effects": [{"type": "fire"}]})");
    const auto filmic = pixels(plain, "filmic.png");
    const auto standard = pixels(plain + " --view standard", "standard.png");
    EXPECT_NE(filmic, standard);
    const auto fromScene = pixels(keys, "scene.png");
    EXPECT_EQ(fromScene, pixels(plain + " --view standard --exposure 1", "options.png"));
    // The command line wins over the scene.
    EXPECT_EQ(pixels(keys + " --view filmic --exposure 0", "back.png"), filmic);
    // One stop up brightens every pixel the fire covers, and never darkens one.
    int brighter = 0;
    for (size_t i = 0; i < standard.size(); i += 4) {
        EXPECT_GE(fromScene[i], standard[i]);
        brighter += fromScene[i] > standard[i];
    }
    EXPECT_GT(brighter, 24 * 18 / 2);

    const CliRun bad = runBrumo("render --view flimic -o " + file("bad.png"));
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.output.find("--view: expected filmic or standard, found \"flimic\" (did you mean \"filmic\"?)"),
              std::string::npos)
        << bad.output;
    EXPECT_FALSE(fs::exists(file("bad.png")));
}
