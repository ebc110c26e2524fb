#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "tests/support/cli_run.h"

namespace {

using brumo::test::CliRun;

CliRun runBrumo(const std::string& arguments) { return brumo::test::runTool(BRUMO_CLI_PATH, arguments); }

int lineCount(const std::string& text) {
    int lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}

}  // namespace

TEST(BrumoCli, BadArgumentsGiveOneMessageAndStatusTwo) {
    for (const char* arguments : {"", "frobnicate", "render --width 0", "render --height -3",
                                  "render --threads many", "render /no/such/scene.json",
                                  "info --unknown-flag"}) {
        const CliRun run = runBrumo(arguments);
        EXPECT_EQ(run.status, 2) << arguments << "\n" << run.output;
        EXPECT_EQ(run.output.rfind("brumo: ", 0), 0u) << arguments << "\n" << run.output;
        EXPECT_LE(lineCount(run.output), 2) << arguments << "\n" << run.output;
    }
    const CliRun missingScene = runBrumo("render /no/such/scene.json");
    EXPECT_NE(missingScene.output.find("/no/such/scene.json"), std::string::npos);
}

TEST(BrumoCli, InfoListsTheNineteenClassesAndEveryParameterWithItsDefault) {
    const CliRun run = runBrumo(std::string("info --module ") + BRUMO_MODULE_PATH);
    ASSERT_EQ(run.status, 0) << run.output;
    for (const char* expected : {"Fire", "{32DCE054-D47D-4377-9401-0AEE67074984}", "Smog",
                                 "RisingSmoke", "Clouds", "TaperModifier", "ScaleModifier",
                                 "BrumoCommonPart", "MeshChooserPart",
                                 "{D460747A-CC3D-41C2-9305-EBBA6681EF90}"})
        EXPECT_NE(run.output.find(expected), std::string::npos) << expected << "\n" << run.output;
    // One parameter section per class with a block: four effects and ten modifiers.
    int sections = 0;
    for (size_t at = run.output.find(": block of "); at != std::string::npos;
         at = run.output.find(": block of ", at + 1))
        ++sections;
    EXPECT_EQ(sections, 14) << run.output;
    // Defaults come from a fresh instance: Smog's seed and lighting mode, Fire's own field.
    EXPECT_NE(run.output.find("seedValue                777"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("lightingMode             \"Opt0\""), std::string::npos);
    EXPECT_NE(run.output.find("flameStretch"), std::string::npos);
}

TEST(BrumoCli, InfoAsJsonGivesTheSameTableToPrograms) {
    const CliRun run = runBrumo(std::string("info --json --module ") + BRUMO_MODULE_PATH);
    ASSERT_EQ(run.status, 0) << run.output;
    const nlohmann::json info = nlohmann::json::parse(run.output);
    ASSERT_EQ(info["classes"].size(), 19u);
    const nlohmann::json& fire = info["classes"][0];
    EXPECT_EQ(fire["name"], "Fire");
    EXPECT_EQ(fire["classId"], "{32DCE054-D47D-4377-9401-0AEE67074984}");
    EXPECT_EQ(fire["kind"], "effect");
    EXPECT_EQ(fire["created"], true);
    const nlohmann::json& size = fire["parameters"][0];
    EXPECT_EQ(size["name"], "size");
    EXPECT_EQ(size["offset"], 0);
    EXPECT_EQ(size["type"], "float");
    EXPECT_EQ(size["default"], 4.0);
    const nlohmann::json& last = fire["parameters"].back();
    EXPECT_EQ(last["name"], "flameStretch");
    EXPECT_LE(last["offset"].get<int>() + 4, fire["blockSize"].get<int>());  // past the common block
    // Editor parts have no parameter block.
    EXPECT_FALSE(info["classes"][18].contains("parameters"));
    EXPECT_EQ(info["classes"][18]["kind"], "editor part");
}

TEST(BrumoCli, ModuleIsFoundNextToTheToolOrWhereTheEnvironmentSays) {
    // The default is ../lib/libbrumo.so relative to the executable, which is where the build
    // puts it.
    EXPECT_EQ(runBrumo("info").status, 0);
    const CliRun missing = runBrumo("info --module /no/such/libbrumo.so");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find("/no/such/libbrumo.so"), std::string::npos) << missing.output;
    setenv("BRUMO_MODULE", "/elsewhere/libbrumo.so", 1);
    const CliRun redirected = runBrumo("info");
    unsetenv("BRUMO_MODULE");
    EXPECT_EQ(redirected.status, 1);
    EXPECT_NE(redirected.output.find("/elsewhere/libbrumo.so"), std::string::npos)
        << redirected.output;
}
