#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "host/image/png_writer.h"
#include "tests/render/png_reading.h"
#include "tests/support/scratch_folder.h"

using namespace brumo::host;
namespace fs = std::filesystem;

using brumo::test::ScratchFolder;

namespace {
const ViewTransform kStandard{ViewTransform::Curve::standard};
}

TEST(PngEncoding, LinearLightGoesThroughTheSrgbCurve) {
    EXPECT_EQ(encodeSrgb(0.0f), 0);
    EXPECT_EQ(encodeSrgb(1.0f), 255);
    EXPECT_EQ(encodeSrgb(0.5f), 188);   // 1.055 × 0.5^(1/2.4) - 0.055 = 0.7354
    EXPECT_EQ(encodeSrgb(0.18f), 118);  // mid grey
    EXPECT_EQ(encodeSrgb(0.05f), 63);
    // The linear toe below 0.0031308: 12.92 × c.
    EXPECT_EQ(encodeSrgb(0.001f), 3);
    EXPECT_EQ(encodeSrgb(0.002f), 7);
    // Out of range and NaN are clamped.
    EXPECT_EQ(encodeSrgb(-0.5f), 0);
    EXPECT_EQ(encodeSrgb(7.0f), 255);
    EXPECT_EQ(encodeSrgb(std::nanf("")), 0);
}

// The encoder answers from a table of thresholds; the closed curve is the oracle, on floats
// spread through (0, 1] by their bit patterns (every float there agrees; a full sweep is slow).
TEST(PngEncoding, TheThresholdTableAgreesWithTheCurve) {
    const auto curve = [](float linear) {
        const double c = linear;
        const double encoded = c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055;
        return static_cast<int>(std::lround(encoded * 255.0));
    };
    int differing = 0;
    for (uint32_t bits = 1; bits <= 0x3f800000u; bits += 1021) {
        float f;
        std::memcpy(&f, &bits, sizeof f);
        differing += encodeSrgb(f) != curve(f);
    }
    EXPECT_EQ(differing, 0);
}

TEST(PngEncoding, PremultipliedPixelsBecomeStraightAlpha) {
    uint8_t out[4];
    const auto encodePixel = [](const QVColourRecord& pixel, uint8_t* bytes) {
        brumo::host::encodePixel(pixel, bytes, kStandard);
    };
    // Half-covered (0.5, 0.25, 0) red-orange: premultiplied (0.25, 0.125, 0, 0.5).
    encodePixel({0.25f, 0.125f, 0.0f, 0.5f}, out);
    EXPECT_EQ(out[0], 188);
    EXPECT_EQ(out[1], 137);
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(out[3], 128);
    // Nothing there: transparent black, whatever stray colour the composite held.
    encodePixel({0.3f, 0.3f, 0.3f, 0.0f}, out);
    EXPECT_EQ(out[0] | out[1] | out[2] | out[3], 0);
    // Weights summing past one: the colour is their average, the alpha saturates.
    encodePixel({0.6f, 0.6f, 0.6f, 1.2f}, out);
    EXPECT_EQ(out[0], 188);
    EXPECT_EQ(out[3], 255);
}

TEST(ViewTransform, FilmicRollsHighlightsOffWithoutClippingAndStandardClipsAtOne) {
    const ViewTransform filmic;
    EXPECT_EQ(filmic.apply(0.0f), 0.0f);
    EXPECT_EQ(filmic.apply(-1.0f), 0.0f);
    EXPECT_EQ(filmic.apply(std::nanf("")), 0.0f);
    EXPECT_NEAR(filmic.apply(0.18f), 0.267f, 0.002f);  // mid grey is lifted a little
    // Monotone, below 8-bit white up to the stated level, and white from there on.
    float previous = 0.0f;
    for (float x = 0.001f; x < kFilmicWhiteBelow; x *= 1.01f) {
        const float y = filmic.apply(x);
        EXPECT_GT(y, previous) << x;
        EXPECT_LT(encodeSrgb(y), 255) << x;
        previous = y;
    }
    EXPECT_EQ(encodeSrgb(filmic.apply(8.0f)), 255);
    EXPECT_EQ(filmic.apply(1e30f), 1.0f);
    EXPECT_EQ(filmic.apply(std::numeric_limits<float>::infinity()), 1.0f);

    EXPECT_EQ(kStandard.apply(0.5f), 0.5f);
    EXPECT_EQ(kStandard.apply(1.5f), 1.0f);
    // An exposure of +1 doubles the light first; -2 quarters it.
    ViewTransform brighter = kStandard;
    brighter.exposure = 1.0f;
    EXPECT_EQ(brighter.apply(0.25f), 0.5f);
    ViewTransform darker;
    darker.exposure = -2.0f;
    EXPECT_EQ(darker.apply(2.0f), filmic.apply(0.5f));
}

TEST(PngWriter, WritesAnSrgbTaggedRgbaImageThatReadsBack) {
    ScratchFolder folder("roundtrip");
    Image image(3, 2, {0.0f, 0.0f, 0.0f, 0.0f});
    image.at(0, 0) = {1.0f, 1.0f, 1.0f, 1.0f};
    image.at(2, 0) = {0.25f, 0.125f, 0.0f, 0.5f};
    image.at(1, 1) = {0.0f, 0.0f, 0.18f, 1.0f};
    const std::string path = (folder.path() / "out.png").string();
    writePng(path, image, kStandard);

    const brumo::test::DecodedPng png = brumo::test::readPng(path);
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.width, 3u);
    EXPECT_EQ(png.height, 2u);
    EXPECT_EQ(png.bitDepth, 8);
    EXPECT_EQ(png.colourType, PNG_COLOR_TYPE_RGB_ALPHA);
    EXPECT_TRUE(png.sRGBTagged);
    ASSERT_EQ(png.rgba.size(), 3u * 2u * 4u);
    const uint8_t white[4] = {255, 255, 255, 255};
    const uint8_t orange[4] = {188, 137, 0, 128};
    const uint8_t blue[4] = {0, 0, 118, 255};
    const uint8_t clear[4] = {0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(png.pixel(0, 0), white, 4));
    EXPECT_EQ(0, std::memcmp(png.pixel(2, 0), orange, 4));
    EXPECT_EQ(0, std::memcmp(png.pixel(1, 1), blue, 4));  // second row: rows run top down
    EXPECT_EQ(0, std::memcmp(png.pixel(1, 0), clear, 4));
    // Only the image is left in the folder: the temporary file was renamed.
    EXPECT_EQ(folder.entries(), 1);

    // Writing again replaces the image.
    writePng(path, Image(5, 1, {1.0f, 0.0f, 0.0f, 1.0f}), kStandard);
    const brumo::test::DecodedPng again = brumo::test::readPng(path);
    ASSERT_TRUE(again.ok);
    EXPECT_EQ(again.width, 5u);
    EXPECT_EQ(again.pixel(4, 0)[0], 255);
    EXPECT_EQ(folder.entries(), 1);
}

TEST(PngWriter, FailuresNameThePathAndLeaveNothingBehind) {
    ScratchFolder folder("failures");
    const Image image(4, 4, {0.5f, 0.5f, 0.5f, 1.0f});

    // A folder that does not exist: no temporary file can be made.
    const std::string missing = (folder.path() / "no-such-folder" / "out.png").string();
    try {
        writePng(missing, image);
        ADD_FAILURE() << "writing into a missing folder succeeded";
    } catch (const ImageWriteError& error) {
        EXPECT_NE(std::string(error.what()).find(missing), std::string::npos) << error.what();
    }
    EXPECT_FALSE(fs::exists(missing));

    // The target is a folder: the image is encoded, the rename fails, and the temporary file
    // must be removed again.
    const fs::path occupied = folder.path() / "taken.png";
    fs::create_directory(occupied);
    try {
        writePng(occupied.string(), image);
        ADD_FAILURE() << "writing over a folder succeeded";
    } catch (const ImageWriteError& error) {
        EXPECT_NE(std::string(error.what()).find(occupied.string()), std::string::npos)
            << error.what();
    }
    EXPECT_TRUE(fs::is_directory(occupied));
    EXPECT_EQ(folder.entries(), 1) << "a temporary file was left behind";

    // An empty image is refused before any file is made, and an existing image stays as it was.
    const fs::path kept = folder.path() / "kept.png";
    writePng(kept.string(), image);
    const auto size = fs::file_size(kept);
    EXPECT_THROW(writePng(kept.string(), Image()), ImageWriteError);
    EXPECT_EQ(fs::file_size(kept), size);
    EXPECT_EQ(folder.entries(), 2);
}
