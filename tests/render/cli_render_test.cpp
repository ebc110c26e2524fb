#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "tests/render/png_reading.h"
#include "tests/support/cli_run.h"
#include "tests/support/scratch_folder.h"

namespace {

using brumo::test::CliRun;

CliRun runBrumo(const std::string& arguments) { return brumo::test::runTool(BRUMO_CLI_PATH, arguments); }

class RenderFolder : public ::testing::Test {
protected:
    bool empty() const { return folder_.empty(); }
    std::string file(const std::string& name) const { return folder_.file(name); }

    brumo::test::ScratchFolder folder_;
};

}  // namespace

TEST_F(RenderFolder, DefaultSceneRendersAVisibleCloudToAPng) {
    const std::string output = file("cloud.png");
    const CliRun run = runBrumo("render -o " + output + " --width 64 --height 48");
    ASSERT_EQ(run.status, 0) << run.output;
    // One line saying what was written; no progress bar when the output is piped.
    EXPECT_NE(run.output.find(output), std::string::npos) << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;

    const brumo::test::DecodedPng png = brumo::test::readPng(output);
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.width, 64u);
    EXPECT_EQ(png.height, 48u);
    EXPECT_TRUE(png.sRGBTagged);
    ASSERT_EQ(png.rgba.size(), 64u * 48u * 4u);
    // The corner shows the opaque background; the centre looks at the cloud and is lighter.
    // Its alpha is what the cloud reports over the opaque background: the sum of its sample
    // weights plus the background's share, a little under one.
    const uint8_t* corner = png.pixel(0, 0);
    const uint8_t* centre = png.pixel(32, 24);
    EXPECT_EQ(corner[3], 255);
    EXPECT_GT(centre[3], 200);
    const int cornerLight = corner[0] + corner[1] + corner[2];
    const int centreLight = centre[0] + centre[1] + centre[2];
    EXPECT_GT(centreLight, cornerLight + 60) << "the cloud does not show over the background";
    // Nothing but the image is left in the folder.
    EXPECT_EQ(folder_.entries(), 1);

    // Rendering is deterministic: the same command writes the same bytes.
    const std::string again = file("again.png");
    ASSERT_EQ(runBrumo("render -o " + again + " --width 64 --height 48").status, 0);
    EXPECT_EQ(brumo::test::readPng(again).rgba, png.rgba);
}

TEST_F(RenderFolder, BadArgumentsExitTwoAndWriteNothing) {
    const std::string output = file("never.png");
    for (const std::string& arguments :
         {"render -o " + output + " --width 0", "render -o " + output + " --height 70000",
          "render -o " + output + " --width wide", "render -o " + output + " --colour red",
          "render -o " + file("no-such-folder/never.png")}) {
        const CliRun run = runBrumo(arguments);
        EXPECT_EQ(run.status, 2) << arguments << "\n" << run.output;
        EXPECT_EQ(run.output.rfind("brumo: ", 0), 0u) << arguments << "\n" << run.output;
        EXPECT_TRUE(empty()) << arguments;
    }
    const CliRun missingFolder = runBrumo("render -o " + file("no-such-folder/never.png"));
    EXPECT_NE(missingFolder.output.find("no-such-folder/never.png"), std::string::npos)
        << missingFolder.output;
}

TEST_F(RenderFolder, WhatCannotBeDoneFailsWithStatusOneAndWritesNothing) {
    const std::string output = file("never.png");
    const struct {
        std::string arguments;
        std::string mentions;
    } cases[] = {
        {"render -o " + output + " --module /no/such/libbrumo.so", "/no/such/libbrumo.so"},
        // The output path is a folder: the image is rendered but cannot be put there.
        {"render -o " + folder_.path().string() + " --width 8 --height 8", folder_.path().string()},
    };
    for (const auto& c : cases) {
        const CliRun run = runBrumo(c.arguments);
        EXPECT_EQ(run.status, 1) << c.arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(c.mentions), std::string::npos) << run.output;
        EXPECT_TRUE(empty()) << c.arguments;
    }

    // An image already at the output path stays as it was.
    {
        std::ofstream(output) << "earlier image";
    }
    EXPECT_EQ(runBrumo("render -o " + output + " --module /no/such/libbrumo.so").status, 1);
    std::ifstream kept(output);
    std::string text;
    std::getline(kept, text);
    EXPECT_EQ(text, "earlier image");
}
