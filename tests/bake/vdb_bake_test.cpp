// Baking to OpenVDB: the voxel layout over an effect's box, the grids read back with OpenVDB's
// own reader (densities at voxel centres, colours, sparseness, the world transform, metadata),
// empty effects, and `brumo bake` end to end with its errors.
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bake_fixtures.h"
#include "host/bake/vdb_file.h"
#include "host/bake/vdb_headers.h"
#include "host/bake/volume_bake.h"
#include "tests/support/cli_run.h"
#include "tests/support/scratch_folder.h"

namespace brumo::test {
namespace {

namespace fs = std::filesystem;

QVBox cube(float size) { return {{-size, -size, -size}, {size, size, size}}; }

host::Transform placed(QVVector3 translate, QVVector3 rotate, QVVector3 scale) {
    host::Transform transform;
    transform.translate = translate;
    transform.rotateDegrees = rotate;
    transform.scale = scale;
    return transform;
}

TEST(VoxelLayout, CubicVoxelsCoverTheBoxAlongTheEffectsAxes) {
    // Edges of 6.8, 4.8 and 4.4 world units; 128 voxels along the longest.
    const host::VoxelGrid grid = host::layoutGrid(cube(2.0f), placed({0, 0, 0}, {0, 0, 0}, {1.7f, 1.2f, 1.1f}), 0.0, 128);
    EXPECT_NEAR(grid.voxelSize, 6.8 / 128.0, 1e-7);
    EXPECT_EQ(grid.counts[0], 128);
    EXPECT_EQ(grid.counts[1], 91);  // 4.8 / 0.053125 = 90.35
    EXPECT_EQ(grid.counts[2], 83);  // 4.4 / 0.053125 = 82.8
    // Centred on the box, every centre inside it.
    for (int a = 0; a < 3; ++a) {
        const double last = grid.firstCentre[a] + (grid.counts[a] - 1) * grid.spacing[a];
        EXPECT_NEAR(grid.firstCentre[a], -last, 1e-6);
        EXPECT_GT(grid.firstCentre[a], -2.0);
        EXPECT_NEAR(grid.spacing[a] * (a == 0 ? 1.7 : a == 1 ? 1.2 : 1.1), grid.voxelSize, 1e-6);
    }

    // A voxel size dividing the edges gives exactly that many voxels; rotation keeps the counts.
    const host::VoxelGrid exact = host::layoutGrid(cube(1.0f), placed({3, 0, 1}, {0, 0, 90}, {2, 1, 1}), 0.25, 0);
    EXPECT_EQ(exact.counts[0], 16);
    EXPECT_EQ(exact.counts[1], 8);
    EXPECT_EQ(exact.counts[2], 8);
    EXPECT_DOUBLE_EQ(exact.firstCentre[0], -1.0 + 0.0625);
    EXPECT_DOUBLE_EQ(exact.firstCentre[1], -1.0 + 0.125);

    // An empty box is an empty grid; impossible sizes are refused.
    EXPECT_TRUE(host::layoutGrid(cube(0.0f), {}, 0.0, 128).empty());
    EXPECT_THROW(host::layoutGrid(cube(1.0f), {}, 0.0001, 0), host::BakeError);
    EXPECT_THROW(host::layoutGrid(cube(1.0f), {}, -1.0, 0), host::BakeError);
    EXPECT_THROW(host::layoutGrid(cube(1.0f), placed({0, 0, 0}, {0, 0, 0}, {0, 1, 1}), 0.1, 0), host::BakeError);
}

// What the baked file holds, read back with OpenVDB.
struct ReadBack {
    openvdb::GridPtrVecPtr grids;
    openvdb::FloatGrid::Ptr density(const std::string& name = "density") const {
        for (const openvdb::GridBase::Ptr& grid : *grids)
            if (grid->getName() == name) return openvdb::gridPtrCast<openvdb::FloatGrid>(grid);
        return nullptr;
    }
    openvdb::Vec3SGrid::Ptr colour(const std::string& name = "Cd") const {
        for (const openvdb::GridBase::Ptr& grid : *grids)
            if (grid->getName() == name) return openvdb::gridPtrCast<openvdb::Vec3SGrid>(grid);
        return nullptr;
    }
};

ReadBack readVdb(const std::string& path) {
    openvdb::initialize();
    openvdb::io::File file(path);
    file.open();
    ReadBack back{file.getGrids()};
    file.close();
    return back;
}

// Bakes the first effect of the scene with `threads` copies into path.
host::VoxelGrid bake(const host::BuiltEffect& effect, int threads, double voxelSize, int resolution,
                     const std::string& path, float threshold = 1e-4f) {
    std::vector<host::BuiltEffect> clones;
    for (int t = 1; t < threads; ++t) clones.push_back(host::cloneEffect(effect, createFromModule));
    std::vector<IQVUnknown*> copies{effect.effect.object.get()};
    for (const host::BuiltEffect& clone : clones) copies.push_back(clone.effect.object.get());
    const host::VoxelGrid grid = host::layoutGrid(host::primitiveBounds(copies[0]), effect.transform,
                                                  voxelSize, resolution);
    host::VdbVolumeFile file;
    const size_t index = file.addEffect(grid, {"density", "Cd", "puff", "Clouds", "", ""}, threshold);
    host::sampleGrid(grid, copies, true, [&](int32_t z, const float* d, const QVColourRecord* c) {
        file.addSlice(index, z, d, c);
    });
    file.write(path);
    return grid;
}

const char* kPlacedClouds = R"({"effects": [{"type": "clouds", "name": "puff",
    "translate": [3, 0, 1], "rotate": [0, 0, 90], "scale": [2, 1, 1],
    "parameters": {"size": 1, "puffCount": 6, "lightingMode": "Opt1"}}]})";

TEST(VdbBake, GridsHoldTheSamplersValuesAtVoxelCentres) {
    ScratchFolder folder;
    host::BuiltEffect effect = buildFirstEffect(kPlacedClouds);
    const float threshold = 0.05f;
    const host::VoxelGrid grid = bake(effect, 3, 0.0, 10, folder.file("puff.vdb"), threshold);
    const ReadBack back = readVdb(folder.file("puff.vdb"));
    ASSERT_EQ(back.grids->size(), 2u);
    openvdb::FloatGrid::Ptr density = back.density();
    openvdb::Vec3SGrid::Ptr colour = back.colour();
    ASSERT_TRUE(density && colour);
    EXPECT_EQ(density->getGridClass(), openvdb::GRID_FOG_VOLUME);
    EXPECT_EQ(density->background(), 0.0f);
    EXPECT_EQ(density->metaValue<std::string>("brumo_effect"), "puff");
    EXPECT_EQ(colour->metaValue<std::string>("brumo_effect_type"), "Clouds");

    // Every voxel against the sampler of the effect itself (the bake used it and two clones).
    host::Ref<IDensitySampler> sampler = samplerOf(effect);
    int active = 0, inactive = 0;
    const openvdb::FloatGrid::ConstAccessor densities = density->getConstAccessor();
    const openvdb::Vec3SGrid::ConstAccessor colours = colour->getConstAccessor();
    for (int32_t k = 0; k < grid.counts[2]; ++k)
        for (int32_t j = 0; j < grid.counts[1]; ++j)
            for (int32_t i = 0; i < grid.counts[0]; ++i) {
                const QVVector3 at = grid.localCentre(i, j, k);
                float d = 0.0f;
                QVColourRecord c{};
                ASSERT_EQ(sampler->sampleAt(&at, &d, nullptr, &c), qv::kOk);
                const openvdb::Coord voxel(i, j, k);
                if (d >= threshold) {
                    ++active;
                    ASSERT_TRUE(densities.isValueOn(voxel)) << i << " " << j << " " << k;
                    EXPECT_EQ(densities.getValue(voxel), d);
                    EXPECT_EQ(colours.getValue(voxel), openvdb::Vec3s(c.red, c.green, c.blue));
                } else {
                    ++inactive;
                    EXPECT_FALSE(densities.isValueOn(voxel));
                    EXPECT_EQ(densities.getValue(voxel), 0.0f);
                }
            }
    EXPECT_GT(active, 0);
    EXPECT_GT(inactive, 0) << "a threshold of 0.05 should leave some voxels out";
    EXPECT_EQ(density->activeVoxelCount(), openvdb::Index64(active)) << "no voxel outside the grid";
}

TEST(VdbBake, TheWorldTransformPutsTheGridOnTheEffectsBox) {
    ScratchFolder folder;
    host::BuiltEffect effect = buildFirstEffect(kPlacedClouds);
    // Edges of 4, 2 and 2 world units: 0.25 divides them, so the grid's outer faces are the box's.
    bake(effect, 1, 0.25, 0, folder.file("placed.vdb"));
    openvdb::FloatGrid::Ptr density = readVdb(folder.file("placed.vdb")).density();
    ASSERT_TRUE(density);
    const openvdb::math::Transform& transform = density->transform();
    const openvdb::Vec3d size = transform.voxelSize();
    EXPECT_NEAR(size.x(), 0.25, 1e-6);
    EXPECT_NEAR(size.y(), 0.25, 1e-6);
    EXPECT_NEAR(size.z(), 0.25, 1e-6);
    // The local corner (-1, -1, -1) is scaled to (-2, -1, -1), turned a quarter about z to
    // (1, -2, -1) and moved by (3, 0, 1); (1, 1, 1) goes to (2, 2, 2) the same way.
    const openvdb::Vec3d low = transform.indexToWorld(openvdb::Vec3d(-0.5, -0.5, -0.5));
    const openvdb::Vec3d high = transform.indexToWorld(openvdb::Vec3d(15.5, 7.5, 7.5));
    EXPECT_NEAR(low.x(), 4.0, 1e-5);
    EXPECT_NEAR(low.y(), -2.0, 1e-5);
    EXPECT_NEAR(low.z(), 0.0, 1e-5);
    EXPECT_NEAR(high.x(), 2.0, 1e-5);
    EXPECT_NEAR(high.y(), 2.0, 1e-5);
    EXPECT_NEAR(high.z(), 2.0, 1e-5);
    // Going along the grid's x runs along the world's y, the effect's turned x axis.
    const openvdb::Vec3d step = transform.indexToWorld(openvdb::Vec3d(1, 0, 0)) -
                                transform.indexToWorld(openvdb::Vec3d(0, 0, 0));
    EXPECT_NEAR(step.x(), 0.0, 1e-6);
    EXPECT_NEAR(step.y(), 0.25, 1e-6);
    EXPECT_NEAR(step.z(), 0.0, 1e-6);
}

TEST(VdbBake, AnEmptyEffectBakesToAnEmptyGrid) {
    ScratchFolder folder;
    host::BuiltEffect effect =
        buildFirstEffect(R"({"effects": [{"type": "smog", "parameters": {"size": 0}}]})");
    const host::VoxelGrid grid = bake(effect, 2, 0.0, 16, folder.file("empty.vdb"));
    EXPECT_TRUE(grid.empty());
    openvdb::FloatGrid::Ptr density = readVdb(folder.file("empty.vdb")).density();
    ASSERT_TRUE(density);
    EXPECT_EQ(density->activeVoxelCount(), 0u);
    EXPECT_EQ(density->getGridClass(), openvdb::GRID_FOG_VOLUME);
}

// --- brumo bake ---

CliRun runBake(const std::string& arguments) { return runTool(BRUMO_CLI_PATH, "bake " + arguments); }

TEST(BakeCommand, BakesTheCloudExampleToAFileOpenVdbReads) {
    ScratchFolder folder;
    const std::string out = folder.file("clouds.vdb");
    const CliRun run = runBake(example("clouds.json") + " -o " + out + " --resolution 24 --colour --threads 2");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Wrote " + out), std::string::npos) << run.output;
    const ReadBack back = readVdb(out);
    openvdb::FloatGrid::Ptr density = back.density();
    ASSERT_TRUE(density);
    // The clouds are white throughout: the colour grid would add nothing but bytes.
    EXPECT_FALSE(back.colour());
    EXPECT_NE(run.output.find("sample_colour: left out, the colour is (1, 1, 1) everywhere"), std::string::npos)
        << run.output;
    EXPECT_GT(density->activeVoxelCount(), 0u);
    EXPECT_EQ(density->metaValue<std::string>("brumo_effect"), "cumulus");
    // 24 voxels along the longest edge (a cube of size 4 scaled by 1.7 along x: 13.6 units).
    EXPECT_NEAR(density->transform().voxelSize().x(), 13.6 / 24.0, 1e-5);
    const openvdb::CoordBBox box = density->evalActiveVoxelBoundingBox();
    EXPECT_GE(box.min().x(), 0);
    EXPECT_LE(box.max().x(), 23);
}

TEST(BakeCommand, SeveralEffectsGetTheirNamesAsSuffixes) {
    ScratchFolder folder;
    const std::string out = folder.file("campfire.vdb");
    const CliRun run = runBake(example("campfire.json") + " -o " + out + " --resolution 8 -q");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "") << "quiet";
    const ReadBack back = readVdb(out);
    std::vector<std::string> names;
    for (const openvdb::GridBase::Ptr& grid : *back.grids) names.push_back(grid->getName());
    ASSERT_EQ(names.size(), 2u);
    for (const std::string& name : names) {
        EXPECT_EQ(name.rfind("density_", 0), 0u) << name;
        EXPECT_EQ(name.substr(8), back.density(name)->metaValue<std::string>("brumo_effect"));
    }
    // One of them alone is plain "density".
    const CliRun one = runBake(example("campfire.json") + " -o " + out + " --resolution 8 -q --effect " +
                               names[0].substr(8));
    ASSERT_EQ(one.status, 0) << one.output;
    const ReadBack single = readVdb(out);
    ASSERT_EQ(single.grids->size(), 1u);
    EXPECT_TRUE(single.density("density"));
}

TEST(BakeCommand, BadInputExitsWithTwoAndWritesNothing) {
    ScratchFolder folder;
    const std::string out = folder.file("kept.vdb");
    { std::ofstream(out) << "what was there"; }
    auto expectRefused = [&](const std::string& arguments, const std::string& message) {
        const CliRun run = runBake(arguments + " -o " + out);
        EXPECT_EQ(run.status, 2) << arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(message), std::string::npos) << arguments << "\n" << run.output;
        std::ifstream kept(out);
        std::string text;
        std::getline(kept, text);
        EXPECT_EQ(text, "what was there") << arguments;
    };
    expectRefused(example("clouds.json") + " --effect cumulu", "did you mean \"cumulus\"");
    expectRefused(example("clouds.json") + " --voxel-size 0.0001", "at most 4096");
    expectRefused(example("clouds.json") + " --voxel-size 0.1 --resolution 10", "not both");
    expectRefused(folder.file("missing.json"), "missing.json");
    expectRefused(example("clouds.json") + " --resolution 0", "resolution");
    EXPECT_EQ(runBake("").status, 2) << "the scene is required";
    // Nothing left behind beside the kept file.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(out).parent_path())) files += entry.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST(BakeCommand, WithoutTheOpenVdbWriterABakeSaysWhatIsMissingAndRendersStillRun) {
    // The program as it would stand beside the module library alone.
    ScratchFolder folder;
    const fs::path built = fs::path(BRUMO_CLI_PATH).parent_path().parent_path();
    fs::create_directories(folder.path() / "bin");
    fs::create_directories(folder.path() / "lib");
    fs::copy_file(BRUMO_CLI_PATH, folder.path() / "bin" / "brumo");
    fs::create_symlink(built / "lib" / "libbrumo.so", folder.path() / "lib" / "libbrumo.so");
    const std::string tool = (folder.path() / "bin" / "brumo").string();
    const std::string out = folder.file("clouds.vdb");
    const CliRun bake = runTool(tool.c_str(), "bake " + example("clouds.json") + " --resolution 8 -o " + out);
    EXPECT_EQ(bake.status, 1) << bake.output;
    EXPECT_NE(bake.output.find("libbrumo_vdb.so"), std::string::npos) << bake.output;
    EXPECT_FALSE(fs::exists(out));
    const CliRun render = runTool(tool.c_str(), "render " + example("clouds.json") + " --width 8 --height 6 -o " +
                                                    folder.file("clouds.png"));
    EXPECT_EQ(render.status, 0) << render.output;
    EXPECT_TRUE(fs::exists(folder.file("clouds.png")));
}

TEST(BakeCommand, CtrlCStopsTheBakeAndWritesNothing) {
    ScratchFolder folder;
    const std::string out = folder.file("long.vdb");
    const std::string log = folder.file("log.txt");
    const std::string scene = example("clouds.json");
    // Hundreds of millions of voxels: far longer than the test waits.
    const CliRun run = brumo::test::interruptTool(BRUMO_CLI_PATH, {"bake", scene, "--resolution", "1024", "-o", out}, log);
    EXPECT_EQ(run.status, 130);
    const std::string& text = run.output;
    EXPECT_NE(text.find("nothing was written"), std::string::npos) << text;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(out).parent_path())) files += entry.is_regular_file();
    EXPECT_EQ(files, 1) << "only the log: no file and no temporary one";
}

TEST(BakeCommand, ASequenceWritesOneNumberedFilePerFrameWithTheDensitiesListedFirst) {
    ScratchFolder folder;
    const std::string out = folder.file("fire.vdb");
    const CliRun run = runBake(example("campfire.json") + " -o " + out +
                               " --resolution 8 -q --colour --emission --frames 9-11");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_FALSE(fs::exists(out));
    for (const char* name : {"fire_0009.vdb", "fire_0010.vdb", "fire_0011.vdb"}) {
        ASSERT_TRUE(fs::exists(folder.file(name))) << name;
        const ReadBack back = readVdb(folder.file(name));
        ASSERT_GE(back.grids->size(), 4u);
        EXPECT_EQ((*back.grids)[0]->getName().rfind("density_", 0), 0u) << name;
        EXPECT_EQ((*back.grids)[1]->getName().rfind("density_", 0), 0u) << name;
    }
    EXPECT_EQ(runBake(example("campfire.json") + " -o " + out + " --frames 3-1").status, 2);
    EXPECT_EQ(runBake(example("campfire.json") + " -o " + out + " --frames 1-2 --frame 1").status, 2);
}

TEST(BakeCommand, EmissionAndAbsorptionAreTheMarchsOwnPerWorldUnit) {
    // A fire of size 2 scaled by 2: one normalised unit is 4 world units. densityAmount 3 adds
    // 6 of optical depth per normalised unit of density 1, so 1.5 per world unit;
    // absorptionDistance 0.5 absorbs twice that.
    ScratchFolder folder;
    const std::string scene = folder.file("fire.json");
    std::ofstream(scene) << R"({"effects": [{"type": "fire", "scale": 2,
        "parameters": {"size": 2, "densityAmount": 3, "absorptionDistance": 0.5}}]})";
    const std::string out = folder.file("fire.vdb");
    const CliRun run = runBake(scene + " -o " + out + " --resolution 12 -q --colour --emission");
    ASSERT_EQ(run.status, 0) << run.output;
    const ReadBack back = readVdb(out);
    const openvdb::FloatGrid::Ptr density = back.density();
    const openvdb::Vec3SGrid::Ptr colour = back.colour("sample_colour");
    const openvdb::Vec3SGrid::Ptr emission = back.colour("emission");
    const openvdb::FloatGrid::Ptr absorption = back.density("extinction");
    ASSERT_TRUE(density && colour && emission && absorption);
    EXPECT_EQ(emission->metaValue<std::string>("brumo_units"), "per world unit");
    EXPECT_EQ(absorption->metaValue<std::string>("brumo_units"), "per world unit");
    EXPECT_FLOAT_EQ(absorption->metaValue<float>("brumo_absorption_per_density"), 3.0f);
    int checked = 0;
    for (auto voxel = density->cbeginValueOn(); voxel; ++voxel) {
        const openvdb::Coord at = voxel.getCoord();
        const float d = *voxel;
        const openvdb::Vec3s c = colour->tree().getValue(at);
        const openvdb::Vec3s e = emission->tree().getValue(at);
        for (int k = 0; k < 3; ++k) ASSERT_NEAR(e[k], 1.5f * d * c[k], 1e-5f * (1.0f + d));
        ASSERT_NEAR(absorption->tree().getValue(at), 3.0f * d, 1e-5f * (1.0f + d));
        ++checked;
    }
    EXPECT_GT(checked, 50);
}

TEST(BakeCommand, LitColoursCarryTheShadowsTheRenderShows) {
    // The default cloud is white and lit from one side through its shadow grid: lit, its far
    // side takes the shadow gradient's blue-grey, its near side stays white.
    ScratchFolder folder;
    const std::string out = folder.file("lit.vdb");
    const CliRun run = runBake(example("default.json") + " -o " + out + " --resolution 16 -q --colour --lit");
    ASSERT_EQ(run.status, 0) << run.output;
    const openvdb::Vec3SGrid::Ptr colour = readVdb(out).colour("sample_colour");
    ASSERT_TRUE(colour) << "a lit colour is not constant";
    float darkest = 1.0f, brightest = 0.0f;
    for (auto voxel = colour->cbeginValueOn(); voxel; ++voxel) {
        const openvdb::Vec3s c = *voxel;
        EXPECT_LE(c[0], c[2] + 1e-5f) << "shadows are bluish, never reddish";
        darkest = std::min(darkest, c[0]);
        brightest = std::max(brightest, c[0]);
    }
    EXPECT_LT(darkest, 0.6f);
    EXPECT_GT(brightest, 0.9f);
}

}  // namespace
}  // namespace brumo::test
