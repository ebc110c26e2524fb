// brumo as a new user meets it: no input crashes it, settings that do nothing are pointed out,
// codes have names, new scenes start from a template, and files are what their names say.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "tests/render/png_reading.h"
#include "tests/support/cli_run.h"
#include "tests/support/scratch_folder.h"

namespace fs = std::filesystem;

namespace {

using brumo::test::CliRun;

CliRun runBrumo(const std::string& arguments) { return brumo::test::runTool(BRUMO_CLI_PATH, arguments); }

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int countOf(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

class FirstUse : public ::testing::Test {
protected:
    std::string file(const std::string& name) const { return folder_.file(name); }
    std::string write(const std::string& name, const std::string& text) const { return folder_.write(name, text); }

    brumo::test::ScratchFolder folder_;
};

}  // namespace

TEST_F(FirstUse, ANumberTooLargeForADoubleIsAMessageWhereverItStands) {
    for (const char* scene : {R"({"effects": [{"type": "fire", "parameters": {"size": 1e999}}]})",
                              R"({"effects": [{"type": "fire", "translate": [0, 1e999, 0]}]})",
                              R"({"image": {"width": 1e999}, "effects": [{"type": "fire"}]})"}) {
        const std::string path = write("huge.json", scene);
        for (const std::string command : {"render", "bake"}) {
            const CliRun run = runBrumo(command + " " + path + " -o " + file(command == "render" ? "x.png" : "x.vdb"));
            EXPECT_EQ(run.status, 2) << command << " " << scene << "\n" << run.output;
            EXPECT_EQ(run.output.rfind("brumo: " + path + ": ", 0), 0u) << run.output;
            EXPECT_NE(run.output.find("expected a number of at most about 1.8e308, found '1e999'"), std::string::npos)
                << run.output;
        }
    }
}

TEST_F(FirstUse, WarningsComeBeforeTheRenderAndStrictMakesThemErrors) {
    const std::string scene = write("quiet.json", R"({"image": {"width": 8, "height": 8},
        "effects": [{"type": "smog", "parameters": {"densityShaderName": "Checker", "size": -4}}]})");
    const CliRun run = runBrumo("render -q " + scene + " -o " + file("a.png"));
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(countOf(run.output, "brumo: warning: " + scene + ": effects[0].parameters."), 2) << run.output;
    EXPECT_TRUE(fs::exists(file("a.png")));

    const CliRun strict = runBrumo("render -q --strict " + scene + " -o " + file("b.png"));
    EXPECT_EQ(strict.status, 2) << strict.output;
    EXPECT_EQ(countOf(strict.output, "brumo: error: "), 2) << strict.output;
    EXPECT_FALSE(fs::exists(file("b.png")));
    const CliRun strictBake = runBrumo("bake -q --strict " + scene + " -o " + file("b.vdb"));
    EXPECT_EQ(strictBake.status, 2) << strictBake.output;
    EXPECT_FALSE(fs::exists(file("b.vdb")));
}

TEST_F(FirstUse, NamesForCodesAndBitsRenderExactlyAsTheCodes) {
    const auto scene = [&](const std::string& name, const std::string& parameters) {
        return write(name, R"({"image": {"width": 24, "height": 24}, "camera": {"position": [0, -14, 0]},
            "effects": [{"type": "fire", "parameters": )" + parameters + "}]}");
    };
    const std::string named = scene("named.json", R"({"shapeFlags": ["cylinderZ"], "noiseType": "turbulence", "lightingMode": "fixed"})");
    const std::string coded = scene("coded.json", R"({"shapeFlags": 64, "noiseType": 2, "lightingMode": "Opt1"})");
    ASSERT_EQ(runBrumo("render -q " + named + " -o " + file("named.png")).status, 0);
    ASSERT_EQ(runBrumo("render -q " + coded + " -o " + file("coded.png")).status, 0);
    EXPECT_EQ(contents(file("named.png")), contents(file("coded.png")));
}

TEST_F(FirstUse, InfoGivesEveryParameterAMeaningAndNamesItsChoices) {
    const CliRun json = runBrumo("info --json");
    ASSERT_EQ(json.status, 0) << json.output;
    const nlohmann::json info = nlohmann::json::parse(json.output);
    int parameters = 0;
    for (const auto& entry : info["classes"])
        for (const auto& parameter : entry.value("parameters", nlohmann::json::array())) {
            EXPECT_FALSE(parameter["meaning"].get<std::string>().empty()) << entry["name"] << "." << parameter["name"];
            ++parameters;
        }
    EXPECT_GT(parameters, 150);
    EXPECT_FALSE(info["sceneSettings"].empty());

    const CliRun fire = runBrumo("info fire");
    ASSERT_EQ(fire.status, 0) << fire.output;
    EXPECT_NE(fire.output.find("cylinderZ"), std::string::npos) << fire.output;
    EXPECT_NE(fire.output.find("0x40"), std::string::npos);
    EXPECT_EQ(fire.output.find("TaperModifier"), std::string::npos) << "one class only";
    EXPECT_NE(runBrumo("info twist").output.find("\"ZAXI\""), std::string::npos);
    EXPECT_NE(runBrumo("info scene").output.find("majorRadius"), std::string::npos);
    const CliRun unknown = runBrumo("info frie");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.output.find("did you mean \"Fire\"?"), std::string::npos) << unknown.output;
}

TEST_F(FirstUse, NewWritesASceneOfEachEffectThatRendersSomethingWithoutAWarning) {
    for (const std::string type : {"fire", "clouds", "risingSmoke", "smog"}) {
        const std::string scene = file(type + ".json");
        ASSERT_EQ(runBrumo("new " + type + " -o " + scene).status, 0) << type;
        const CliRun run = runBrumo("render --strict -q --width 40 --height 40 " + scene + " -o " + file(type + ".png"));
        ASSERT_EQ(run.status, 0) << type << "\n" << run.output;
        const brumo::test::DecodedPng png = brumo::test::readPng(file(type + ".png"));
        int covered = 0;
        for (size_t i = 3; i < png.rgba.size(); i += 4) covered += png.rgba[i] > 128;
        EXPECT_GT(covered, 40) << type << ": the effect covers too little of the image";
    }
    const CliRun toScreen = runBrumo("new smoke");
    EXPECT_EQ(toScreen.status, 2) << "smoke is no effect type";
    EXPECT_NE(runBrumo("new fire").output.find("\"cylinderZ\""), std::string::npos);
}

TEST_F(FirstUse, PreviewRendersAQuarterOfThePixels) {
    const std::string scene = write("p.json", R"({"image": {"width": 40, "height": 20}, "effects": [{"type": "smog"}]})");
    ASSERT_EQ(runBrumo("render -q --preview " + scene + " -o " + file("p.png")).status, 0);
    const brumo::test::DecodedPng png = brumo::test::readPng(file("p.png"));
    EXPECT_EQ(png.width, 20u);
    EXPECT_EQ(png.height, 10u);
}

TEST_F(FirstUse, TheCommandLineSaysWhatWasMeant) {
    const CliRun version = runBrumo("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output.rfind("brumo ", 0), 0u) << version.output;
    const struct {
        const char* arguments;
        const char* says;
    } cases[] = {
        {"rendr", "unknown command \"rendr\" (did you mean \"render\"?)"},
        {"render --widht 5", "render: unknown option --widht (did you mean \"--width\"?)"},
        {"render --width abc", "expected a whole number from 1 to 65536, found \"abc\""},
        {"bake x.json --threshold -1", "expected a number of at least 0, found \"-1\""},
        {"bake x.json --voxel-size 0", "expected a number above 0, found \"0\""},
    };
    for (const auto& c : cases) {
        const CliRun run = runBrumo(c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << c.arguments << "\n" << run.output;
        EXPECT_LT(run.output.size(), 300u) << run.output;
    }
}

TEST_F(FirstUse, TheFormatFollowsTheExtensionAndAReadOnlyFileIsLeftAlone) {
    const std::string scene = write("s.json", R"({"image": {"width": 4, "height": 4}, "effects": [{"type": "smog"}]})");
    const CliRun jpeg = runBrumo("render -q " + scene + " -o " + file("x.jpg"));
    EXPECT_EQ(jpeg.status, 2);
    EXPECT_NE(jpeg.output.find(".png, .exr"), std::string::npos) << jpeg.output;
    const CliRun png = runBrumo("bake -q " + scene + " -o " + file("x.png"));
    EXPECT_EQ(png.status, 2);
    EXPECT_NE(png.output.find(".vdb"), std::string::npos) << png.output;
    EXPECT_EQ(folder_.entries(), 1);

    const std::string kept = write("kept.png", "not an image");
    chmod(kept.c_str(), 0444);
    const CliRun readOnly = runBrumo("render -q " + scene + " -o " + kept);
    EXPECT_EQ(readOnly.status, 2);
    EXPECT_NE(readOnly.output.find("read-only"), std::string::npos) << readOnly.output;
    EXPECT_EQ(contents(kept), "not an image");
}

TEST_F(FirstUse, FrameNumbersAreAsWideAsTheLastFrame) {
    const std::string scene = write("s.json", R"({"image": {"width": 2, "height": 2}, "effects": [{"type": "smog"}]})");
    ASSERT_EQ(runBrumo("render -q " + scene + " --frames 9999-10000 -o " + file("o.png")).status, 0);
    EXPECT_TRUE(fs::exists(file("o_09999.png")));
    EXPECT_TRUE(fs::exists(file("o_10000.png")));
    ASSERT_EQ(runBrumo("render -q " + scene + " --frames 7-8 -o " + file("short.png")).status, 0);
    EXPECT_TRUE(fs::exists(file("short_0007.png")));
}

TEST_F(FirstUse, AnObjMistakeNamesItsLine) {
    const auto render = [&](const std::string& obj) {
        write("m.obj", obj);
        const std::string scene = write("m.json", R"({"image": {"width": 2, "height": 2},
            "meshes": [{"type": "obj", "name": "m", "path": "m.obj"}], "effects": [{"type": "smog", "mesh": "m"}]})");
        return runBrumo("render -q " + scene + " -o " + file("m.png"));
    };
    const CliRun badFace = render("v 0 0 0\nv 1 0 0\n\nf 1 2 3\n");
    EXPECT_NE(badFace.status, 0);
    EXPECT_NE(badFace.output.find("line 4: a face refers to vertex 3 but the file has 2 vertices"), std::string::npos)
        << badFace.output;
    const CliRun notFinite = render("v 0 0 0\nv nan nan nan\nv 0 1 0\nf 1 2 3\n");
    EXPECT_NE(notFinite.status, 0);
    EXPECT_NE(notFinite.output.find("line 2: vertex 2"), std::string::npos) << notFinite.output;
    EXPECT_FALSE(fs::exists(file("m.png")));
}
