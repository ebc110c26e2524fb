// The physical integrator, through scene text and the renderer's entry point, against the
// path-traced references in tests/data/physical (made by make_references.py there).
#include <gtest/gtest.h>

#include <ImfArray.h>
#include <ImfRgbaFile.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/render/physical/empty_space.h"
#include "host/render/physical/physical_renderer.h"
#include "host/scene_file/physical_scene.h"
#include "host/scene_file/scene_builder.h"
#include "host/scene_file/scene_description.h"
#include "host/scene_file/scene_writer.h"
#include "tests/bake/bake_fixtures.h"

namespace brumo::test {
namespace {

using nlohmann::json;

struct Rendered {
    host::Image image;
    std::vector<host::Image> passes;
};

Rendered renderText(const std::string& text, int threads) {
    const host::SceneDescription scene = host::readSceneText(text, "test.json");
    const auto copies = host::buildEffectCopies(scene, 0.0, threads, createFromModule);
    host::RenderSettings settings;
    settings.width = scene.width;
    settings.height = scene.height;
    settings.camera = scene.camera;
    settings.background = scene.background;
    Rendered rendered;
    host::PhysicalHooks hooks;
    hooks.passDone = [&](const host::Image& image, int) { rendered.passes.push_back(image); };
    rendered.image = host::renderPhysical(settings, scene.integrator.settings, host::physicalEffects(scene, copies),
                                          host::physicalLights(scene), threads, hooks);
    return rendered;
}

json referenceScene(const std::string& name) {
    std::ifstream in(std::string(BRUMO_SOURCE_DIR) + "/tests/data/physical/" + name + ".json");
    return json::parse(in);
}

host::Image readExr(const std::string& path) {
    Imf::RgbaInputFile file(path.c_str());
    const Imath::Box2i window = file.dataWindow();
    const int width = window.max.x - window.min.x + 1, height = window.max.y - window.min.y + 1;
    Imf::Array2D<Imf::Rgba> pixels(height, width);
    file.setFrameBuffer(&pixels[0][0] - window.min.x - window.min.y * width, 1, size_t(width));
    file.readPixels(window.min.y, window.max.y);
    host::Image image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.at(x, y) = {float(pixels[y][x].r), float(pixels[y][x].g), float(pixels[y][x].b), float(pixels[y][x].a)};
    return image;
}

// Mean absolute difference per channel (red, green, blue), colours clipped to full scale first.
std::vector<double> meanError(const host::Image& a, const host::Image& b) {
    std::vector<double> sum(3, 0.0);
    auto clip = [](float v) { return std::fmin(std::fmax(double(v), 0.0), 1.0); };
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QVColourRecord p = a.at(x, y), q = b.at(x, y);
            sum[0] += std::fabs(clip(p.red) - clip(q.red));
            sum[1] += std::fabs(clip(p.green) - clip(q.green));
            sum[2] += std::fabs(clip(p.blue) - clip(q.blue));
        }
    for (double& s : sum) s /= double(a.width()) * double(a.height());
    return sum;
}

void expectCloseToReference(const std::string& name, bool multiple, double limit) {
    json scene = referenceScene(name);
    scene["physical"]["multipleScattering"] = multiple;
    const host::Image image = renderText(scene.dump(), 2).image;
    const std::string reference = std::string(BRUMO_SOURCE_DIR) + "/tests/data/physical/" + name +
                                  (multiple ? "" : "_single") + ".exr";
    const host::Image cycles = readExr(reference);
    ASSERT_EQ(cycles.width(), image.width());
    ASSERT_EQ(cycles.height(), image.height());
    const std::vector<double> error = meanError(image, cycles);
    std::printf("%s, %s scattering: mean absolute error %.4f %.4f %.4f\n", name.c_str(),
                multiple ? "multiple" : "single", error[0], error[1], error[2]);
    for (int c = 0; c < 3; ++c) EXPECT_LE(error[size_t(c)], limit) << name << " channel " << c;
}

TEST(PhysicalReference, SingleScatteringMatchesThePathTracerWithoutBounces) {
    for (const char* name : {"cloud", "smoke", "fire"}) expectCloseToReference(name, false, 0.01);
}

TEST(PhysicalReference, MultipleScatteringMatchesThePathTracer) {
    for (const char* name : {"cloud", "smoke", "fire"}) expectCloseToReference(name, true, 0.03);
}

TEST(PhysicalRender, SameBytesAtEveryThreadCountAndCoarsePassesFirst) {
    json scene = referenceScene("fire");
    scene["image"] = {{"width", 48}, {"height", 36}};
    const Rendered one = renderText(scene.dump(), 1);
    const Rendered two = renderText(scene.dump(), 2);
    ASSERT_EQ(one.passes.size(), 4u);
    for (int y = 0; y < 36; ++y)
        for (int x = 0; x < 48; ++x) {
            const QVColourRecord a = one.image.at(x, y), b = two.image.at(x, y);
            ASSERT_EQ(0, std::memcmp(&a, &b, sizeof a)) << x << ", " << y;
            // The first pass drew every 8th pixel and repeated it over its block.
            const QVColourRecord coarse = one.passes.front().at(x, y);
            const QVColourRecord drawn = one.image.at(x - x % 8, y - y % 8);
            ASSERT_EQ(0, std::memcmp(&coarse, &drawn, sizeof coarse)) << x << ", " << y;
        }
}

TEST(PhysicalRender, AThickGlowingMediumShowsItsEmissionNotBlack) {
    // No light, no sky: what a step shows is its emission, however thick the medium.
    for (double density : {1.0, 400.0}) {
        const json scene = {
            {"image", {{"width", 9}, {"height", 9}}},
            {"background", {0, 0, 0, 0}},
            {"camera", {{"position", {0, -20, 0}}, {"lookAt", {0, 0, 0}}, {"fov", 2}}},
            {"integrator", "physical"},
            {"physical", {{"grid", 32}}},
            {"effects",
             {{{"type", "smog"},
               {"parameters", {{"densityAmount", density}}},
               {"medium", {{"albedo", 0}, {"emission", {0.2, 0.5, 0.8}}}}}}}};
        const QVColourRecord centre = renderText(scene.dump(), 1).image.at(4, 4);
        if (density > 1.0) {
            EXPECT_NEAR(centre.alpha, 1.0f, 1e-4f);
            EXPECT_NEAR(centre.red, 0.2f, 2e-3f);
            EXPECT_NEAR(centre.green, 0.5f, 2e-3f);
            EXPECT_NEAR(centre.blue, 0.8f, 2e-3f);
        } else {
            // Thin: the premultiplied colour is the emission times the opacity.
            EXPECT_GT(centre.alpha, 0.05f);
            EXPECT_LT(centre.alpha, 0.999f);
            EXPECT_NEAR(centre.blue, 0.8f * centre.alpha, 2e-3f);
        }
    }
}

TEST(PhysicalEmptySpace, AnEmptyRunHoldsNoDensityUpToItsEnd) {
    // A few lone voxels, some on block faces and the field's edges; rays in every direction.
    const QVBox box{{-1.0f, -1.0f, -1.0f}, {1.0f, 1.0f, 1.0f}};
    const host::VoxelGrid grid = host::layoutGrid(box, {}, 0.0, 23);
    host::LatticeField field(grid, host::LatticeField::Edge::zero);
    for (const auto& [i, j, k] : std::vector<std::array<int, 3>>{{0, 0, 0}, {3, 4, 8}, {12, 11, 4}, {22, 7, 15}, {8, 22, 3}})
        *field.voxel(i, j, k) = 0.5f;
    const host::EmptySpace empty(field);
    uint32_t state = 1;
    auto next = [&] { return float((state = state * 1664525u + 1013904223u) >> 8) / 16777216.0f * 2.0f - 1.0f; };
    int emptyRuns = 0;
    for (int r = 0; r < 400; ++r) {
        const QVVector3 origin{next(), next(), next()}, direction{next(), next(), next()};
        for (float t = 0.0f; t < 3.0f;) {
            const host::EmptySpace::Run run = empty.runAt(field, origin, direction, t);
            if (!run.empty) {
                t += 0.01f;
                continue;
            }
            ++emptyRuns;
            ASSERT_GT(run.until, t);
            const float end = std::fmin(run.until, 3.0f);
            for (float u = t; u < end; u += 0.002f)
                ASSERT_EQ(field.at({origin.x + direction.x * u, origin.y + direction.y * u, origin.z + direction.z * u}), 0.0f)
                    << "ray " << r << " at " << u << " in a run from " << t << " to " << run.until;
            t = end + 0.001f;
        }
    }
    EXPECT_GT(emptyRuns, 1000);
}

TEST(PhysicalSceneKeys, ASavedSceneRendersTheSame) {
    json scene = referenceScene("fire");
    scene["image"] = {{"width", 24}, {"height", 18}};
    scene["physical"]["sky"] = {0.1, 0.2, 0.4};
    scene["physical"]["multipleScattering"] = {{"octaves", 3}, {"attenuation", 0.3}};
    scene["effects"][1]["medium"]["emission"] = {0.5, 0, 0};
    const std::string saved = host::writeScene(host::readSceneText(scene.dump(), "fire.json"), "fire.json").dump();
    const host::Image original = renderText(scene.dump(), 1).image;
    const host::Image reread = renderText(saved, 1).image;
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 24; ++x) {
            const QVColourRecord a = original.at(x, y), b = reread.at(x, y);
            ASSERT_EQ(0, std::memcmp(&a, &b, sizeof a)) << x << ", " << y;
        }
}

TEST(PhysicalSceneKeys, BadValuesNameTheirKey) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {R"({"integrator": "path"})", "integrator"},
        {R"({"physical": {"grid": 2.5}})", "physical.grid"},
        {R"({"physical": {"multipleScattering": {"octaves": 40}}})", "physical.multipleScattering.octaves"},
        {R"({"physical": {"skye": [1, 1, 1]}})", "physical.skye"},
        {R"({"effects": [{"type": "clouds", "medium": {"g": 1}}]})", "effects[0].medium.g"},
        {R"({"effects": [{"type": "fire", "medium": {"albedo": [1, 2, 0]}}]})", "effects[0].medium.albedo[1]"},
        {R"({"effects": [{"type": "fire", "medium": {"emission": "glow"}}]})", "effects[0].medium.emission"},
    };
    for (const auto& [text, path] : cases) {
        try {
            host::readSceneText(text, "bad.json");
            ADD_FAILURE() << text << " was accepted";
        } catch (const host::SceneFileError& error) {
            EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
        }
    }
}

}  // namespace
}  // namespace brumo::test
