// Clouds as a host meets it: its block, the puffs its preparation places, their coverage, the
// three ways coverage and noise combine, and the puff seed.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "effect_fixtures.h"

namespace brumo::test {
namespace {

class CloudsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ref);
        block().common.lightingMode = qv::fourcc("Opt0");  // no shadow grid to build
    }
    CloudsParameters& block() { return hostBlock<CloudsParameters>(ref); }
    QVResult press(uint32_t id) {
        auto part = loosePart(id, host::PartKind::integer, 1);
        return ref->exchangerInterface()->handleEvent(5, part->unknown(), nullptr);
    }

    EffectRef ref{CLSID_Clouds};
};

// The puffs' coverage as the density shows it: "Opt2" at puffBlend 1 is the coverage alone,
// unclamped, and with no shape option the mask is 1 inside the cube. Where point + noiseOffset
// lies on the puff lattice the jitter vanishes.
class CloudsCoverageTest : public CloudsTest {
protected:
    void SetUp() override {
        CloudsTest::SetUp();
        block().common.shapeFlags = 0;
        block().combineMode = qv::fourcc("Opt2");
        block().puffBlend = 1.0f;
    }
    float coverage(const Vector3& p) { return sampleAt(ref, p).density; }
    // The coverage along a line through the cloud, to tell two puff layouts apart.
    static std::vector<float> profile(const EffectRef& cloud) {
        std::vector<float> values;
        for (float t = -0.95f; t < 1.0f; t += 0.05f)
            values.push_back(sampleAt(cloud, {t, 0.3f * t, -0.2f * t}).density);
        return values;
    }
    std::vector<float> profile() { return profile(ref); }

    DensityShader noise{ref, "clouds test constant", 0.6f};
};

TEST_F(CloudsTest, ANewCloudHasItsDefaultsInTheHostsBlock) {
    expectBlockSize(ref->exchangerInterface(), {"Clouds", CLSID_Clouds, sizeof(CloudsParameters), 516});
    const CloudsParameters& b = block();
    EXPECT_EQ(b.puffCount, 1);
    EXPECT_EQ(b.puffSeed, 131313);
    EXPECT_EQ(b.combineMode, qv::fourcc("Opt1"));
    EXPECT_EQ(b.puffSize, 0.7f);
    EXPECT_EQ(b.puffBlend, 0.5f);
    EXPECT_EQ(b.puffDensity, 1.0f);
    EXPECT_EQ(b.common.noiseType, 1);
    EXPECT_EQ(b.common.absorptionDistance, 1.5f);
    EXPECT_EQ(b.common.shapeFlags, 0x3u);
    EXPECT_EQ(b.common.shapeFalloffs[0].b, 0.3f);
    EXPECT_EQ(b.common.shapeFalloffs[1].b, 0.3f);
    EXPECT_EQ(text(b.common.densityShaderName), "Spectral noise");
    EXPECT_TRUE(isPreset(b.common.colourGradient, 1));
    EXPECT_EQ(EffectRef(CLSID_Clouds).block().lightingMode, qv::fourcc("Opt2"));
}

// The puffs measured from outside, by the bare coverage: the noise offset -p reads the puff
// lattice at its origin, where the jitter vanishes. A puff's outline is where its share ends
// (its core radius plus border width); with puffSize 0 only the hard cores are left, with
// puffSize 1 only borders of the common width.
class PuffLayoutTest : public CloudsCoverageTest {
protected:
    float bare(const Vector3& p) {
        block().common.noiseOffset = kZeroVector - p;
        return coverage(p);
    }
    bool covered(const Vector3& p, bool core) {
        const float share = bare(p);
        return core ? share == 1.0f : share > 0.0f;
    }
    // Where from + t u stops being covered (or inside a core), t between inside and outside.
    float edge(const Vector3& from, const Vector3& u, float inside, float outside, bool core = false,
               float within = 1e-6f) {
        while (std::fabs(outside - inside) > within) {
            const float t = 0.5f * (inside + outside);
            (covered(from + u * t, core) ? inside : outside) = t;
        }
        return inside;
    }
    struct Ball {
        Vector3 centre;
        float radius;
    };
    // The ball through four points.
    static Ball through(const Vector3 (&p)[4]) {
        double a[3][4];  // 2 (p_i - p_0) . c = |p_i|² - |p_0|²
        for (int i = 0; i < 3; ++i) {
            const Vector3 d = p[i + 1] - p[0];
            a[i][0] = 2.0 * d.x;
            a[i][1] = 2.0 * d.y;
            a[i][2] = 2.0 * d.z;
            a[i][3] = static_cast<double>(dot(p[i + 1], p[i + 1])) - dot(p[0], p[0]);
        }
        auto det = [&a](int x, int y, int z) {
            return a[0][x] * (a[1][y] * a[2][z] - a[1][z] * a[2][y]) - a[0][y] * (a[1][x] * a[2][z] - a[1][z] * a[2][x]) +
                   a[0][z] * (a[1][x] * a[2][y] - a[1][y] * a[2][x]);
        };
        const double whole = det(0, 1, 2);
        const Vector3 c{static_cast<float>(det(3, 1, 2) / whole), static_cast<float>(det(0, 3, 2) / whole),
                        static_cast<float>(det(0, 1, 3) / whole)};
        return {c, length(p[0] - c)};
    }
    // The outline of the puff reaching furthest out towards a corner, edge or face of the cube
    // (into way), from where rays in the other direction first meet the cloud: five rays around
    // it, fewer apart until the fifth meets the ball of the other four.
    Ball outermostPuff(Vector3& way) {
        float furthest = 0.0f;
        for (int i = 0; i < 27; ++i) {
            Vector3 u{static_cast<float>(i % 3 - 1), static_cast<float>(i / 3 % 3 - 1), static_cast<float>(i / 9 - 1)};
            if (!normalizeIfLonger(u, 0.5f)) continue;
            const float r = edge(kZeroVector, u, 0.0f, 1.2f, false, 1e-3f);
            if (r > furthest) {
                furthest = r;
                way = u;
            }
        }
        const Vector3 side = std::fabs(way.x) < 0.9f ? Vector3{1.0f, 0.0f, 0.0f} : Vector3{0.0f, 1.0f, 0.0f};
        Vector3 e1 = side - way * dot(side, way);
        normalizeIfLonger(e1, 0.0f);
        const Vector3 e2{way.y * e1.z - way.z * e1.y, way.z * e1.x - way.x * e1.z, way.x * e1.y - way.y * e1.x};
        Ball ball{kZeroVector, 0.0f};
        for (float apart : {0.3f, 0.2f, 0.1f}) {
            const float d = apart * furthest;
            const Vector3 offsets[5] = {kZeroVector, e1 * d, e1 * -d, e2 * d, e2 * -d};
            Vector3 met[5];
            for (int n = 0; n < 5; ++n) {
                const Vector3 start = offsets[n] + way * (furthest + 0.05f);
                float t = 0.0f;
                while (!covered(start - way * (t + 0.02f), false)) t += 0.02f;
                met[n] = start - way * edge(start, way * -1.0f, t + 0.02f, t);
            }
            ball = through({met[0], met[1], met[2], met[3]});
            if (std::fabs(length(met[4] - ball.centre) - ball.radius) < 1e-4f) break;
        }
        return ball;
    }
};

TEST_F(PuffLayoutTest, PuffsShrinkAndSpreadAsTheirNumberGrows) {
    // One puff, at the origin: the same share at p and -p, and a hard core (puffSize 0) as far
    // out every way, of radius R0 = (1 - puffSize) share of it, below 1.
    for (Vector3 p : {Vector3{0.4f, 0.1f, -0.2f}, Vector3{0.05f, -0.5f, 0.3f}, Vector3{0.0f, 0.0f, 0.6f}}) {
        ASSERT_GT(bare(p), 0.0f);
        ASSERT_LT(bare(p), 1.0f);
        EXPECT_EQ(bare(p), bare(kZeroVector - p));
    }
    block().puffSize = 0.0f;
    const float R0 = edge(kZeroVector, {1.0f, 0.0f, 0.0f}, 0.0f, 1.0f, true);
    EXPECT_GT(R0, 0.0f);
    EXPECT_LT(R0, 1.0f);
    for (Vector3 u : {Vector3{-1.0f, 0.0f, 0.0f}, Vector3{0.0f, 1.0f, 0.0f}, Vector3{0.0f, -1.0f, 0.0f},
                      Vector3{0.0f, 0.0f, 1.0f}, Vector3{0.0f, 0.0f, -1.0f}})
        EXPECT_EQ(edge(kZeroVector, u, 0.0f, 1.0f, true), R0);
    // At the default 0.7 the core is 0.3 R0 and the border 0.7 wide.
    block().puffSize = 0.7f;
    EXPECT_NEAR(edge(kZeroVector, {1.0f, 0.0f, 0.0f}, 0.0f, 1.2f), 0.3f * R0 + 0.7f, 5e-4f);

    // More puffs, scaled by S = 1 - 1/4 for two, 1 - 1/4 - 1/9 for three: borders S wide
    // (puffSize 1), cores below S (puffSize 0), and at 0.7 a core below 0.3 S with a border
    // 0.7 S wide. Every centre lies within 1 - S of the origin.
    for (const auto& c : {std::pair<int32_t, float>{2, 0.75f}, {3, 1.0f - 0.25f - 1.0f / 9.0f}}) {
        SCOPED_TRACE(c.first);
        const float S = c.second;
        block().puffCount = c.first;
        block().puffSize = 1.0f;
        Vector3 way{0.0f, 0.0f, 0.0f};
        const Ball puff = outermostPuff(way);
        EXPECT_NEAR(puff.radius, S, 1e-3f);
        EXPECT_LE(length(puff.centre), 1.0f - S + 1e-3f);
        block().puffSize = 0.0f;
        const float core = edge(puff.centre, way, 0.0f, 1.0f, true);
        EXPECT_LT(core, S);
        block().puffSize = 0.7f;
        EXPECT_NEAR(edge(puff.centre, way, 0.0f, 1.5f), 0.3f * core + 0.7f * S, 1e-3f);
    }
    // Many puffs: S falls towards 2 - pi^2 / 6 but stays above it.
    block().puffCount = 200;
    block().puffSize = 1.0f;
    Vector3 way{0.0f, 0.0f, 0.0f};
    const float S = outermostPuff(way).radius;
    EXPECT_GT(S, 2.0f - 3.14159265f * 3.14159265f / 6.0f);
    EXPECT_LT(S, 0.365f);
}

TEST_F(CloudsCoverageTest, ACoreIsCoveredWhateverThePuffDensityOnlyTheBorderScales) {
    for (float density : {0.25f, 1.0f, 4.0f}) {
        block().puffDensity = density;
        EXPECT_EQ(coverage({0.0f, 0.0f, 0.0f}), 1.0f);
    }
    block().common.noiseOffset = {0.5f, 0.0f, 0.0f};
    block().puffDensity = 1.0f;
    const float border = coverage({0.5f, 0.0f, 0.0f});
    ASSERT_GT(border, 0.0f);
    ASSERT_LT(border, 1.0f);
    block().puffDensity = 3.0f;
    EXPECT_NEAR(coverage({0.5f, 0.0f, 0.0f}), 3.0f * border, 3e-5f);
    EXPECT_EQ(coverage({0.9f, 0.9f, 0.9f}), 0.0f);  // beyond the border
}

class CloudsCombineTest : public CloudsCoverageTest {
protected:
    void SetUp() override {
        CloudsCoverageTest::SetUp();
        // The noise alone ("Opt2" at blend 0), then the coverage of a point in the border.
        V = density(qv::fourcc("Opt2"), 0.0f, {0.3f, 0.2f, 0.1f});
        ASSERT_GT(V, 0.1f);
        ASSERT_LT(V, 0.9f);
        block().common.noiseOffset = {0.5f, 0.0f, 0.0f};
        c = density(qv::fourcc("Opt2"), 1.0f, border);
        ASSERT_GT(c, 0.05f);
        ASSERT_LT(c, 0.95f);
    }
    float density(uint32_t mode, float blend, const Vector3& p) {
        block().combineMode = mode;
        block().puffBlend = blend;
        return sampleAt(ref, p).density;
    }

    const Vector3 border{0.5f, 0.0f, 0.0f};
    float V = 0.0f;
    float c = 0.0f;
};

TEST_F(CloudsCombineTest, EachModeMeetsItsAnchors) {
    const uint32_t opt1 = qv::fourcc("Opt1"), opt2 = qv::fourcc("Opt2"), opt3 = qv::fourcc("Opt3");
    // Opt3: noise alone, the product, the puffs alone.
    EXPECT_NEAR(density(opt3, 0.0f, border), V, 1e-6f);
    EXPECT_NEAR(density(opt3, 0.5f, border), V * c, 1e-6f);
    EXPECT_NEAR(density(opt3, 1.0f, border), c, 1e-6f);
    // Opt1: c ((1.5 - b) v + (b + 0.5) c), at most 1.
    EXPECT_NEAR(density(opt1, 0.5f, border), std::fmin(1.0f, c * (V + c)), 1e-6f);
    EXPECT_NEAR(density(opt1, 0.0f, border), std::fmin(1.0f, c * (1.5f * V + 0.5f * c)), 1e-6f);
    block().common.noiseOffset = {0.0f, 0.0f, 0.0f};
    EXPECT_EQ(density(opt1, 1.0f, {0.0f, 0.0f, 0.0f}), 1.0f);  // 0.5 v + 1.5 in the core
    // Opt2: (1 - b) v + b c, not clamped.
    block().common.noiseOffset = {0.5f, 0.0f, 0.0f};
    EXPECT_NEAR(density(opt2, 0.25f, border), 0.75f * V + 0.25f * c, 1e-6f);
    block().puffDensity = 4.0f;
    EXPECT_NEAR(density(opt2, 1.0f, border), 4.0f * c, 1e-5f);
    EXPECT_GT(density(opt2, 1.0f, border), 1.0f);
    EXPECT_EQ(density(qv::fourcc("Opt4"), 0.5f, border), 0.0f);
}

TEST_F(CloudsCombineTest, WithoutPuffsOnlyOpt2LeavesTheNoise) {
    for (float blend : {0.0f, 0.3f, 1.0f}) {
        block().puffCount = 0;
        EXPECT_EQ(density(qv::fourcc("Opt1"), blend, border), 0.0f);
        EXPECT_EQ(density(qv::fourcc("Opt3"), blend, border), 0.0f);
        EXPECT_NEAR(density(qv::fourcc("Opt2"), blend, border), (1.0f - blend) * V, 1e-6f);
    }
}

TEST_F(CloudsCoverageTest, SpSeDrawsASeedThatTheNextPreparationUses) {
    block().puffCount = 3;
    const std::vector<float> before = profile();
    host().utility().setRandomSeed(2024);
    const int32_t drawn = host().utility().nextRandom();
    host().utility().setRandomSeed(2024);
    EXPECT_EQ(press(qv::fourcc("SpSe")), 0);
    EXPECT_EQ(block().puffSeed, drawn);
    const std::vector<float> after = profile();
    EXPECT_NE(after, before);

    // The same seed places the same puffs in a cloud that never saw the event.
    EffectRef other(CLSID_Clouds);
    DensityShader twinNoise{other, "clouds twin constant", 0.6f};
    CloudsParameters& twin = hostBlock<CloudsParameters>(other);
    twin.common.lightingMode = block().common.lightingMode;
    twin.common.shapeFlags = 0;
    twin.combineMode = block().combineMode;
    twin.puffBlend = block().puffBlend;
    twin.puffCount = 3;
    twin.puffSeed = drawn;
    EXPECT_EQ(profile(other), after);

    // Other controls still reach the common handling.
    EXPECT_EQ(press(qv::fourcc("DNZC")), 1);
    EXPECT_EQ(block().common.shapeFlags, 0x200u);
}

TEST_F(CloudsCoverageTest, ASeedWrittenIntoTheBlockTakesEffectAtTheNextPreparation) {
    block().puffCount = 3;
    const std::vector<float> before = profile();
    block().puffSeed = 99;  // typed in, or restored with a scene
    const std::vector<float> reseeded = profile();
    EXPECT_NE(reseeded, before);
    block().puffSeed = 131313;
    EXPECT_EQ(profile(), before);
}

// A run of points, culled to the puffs near it, is covered as each point alone: small puffs with
// rough outlines, clouds that fill whole vectors of puffs and one past, and points through the
// cloud, beyond the cube and not numbers.
TEST_F(CloudsTest, ARunOfPointsIsCoveredAsEachPointAlone) {
    block().common.shapeFlags = 0;
    block().common.noiseOffset = {0.37f, -1.2f, 2.9f};
    block().combineMode = qv::fourcc("Opt2");
    block().puffBlend = 1.0f;  // the coverage alone
    block().puffSize = 0.35f;
    const float size = block().common.size;
    std::vector<QVVector3> points;
    // Long lines through the cloud, then short ones (as close as a march's samples), whose runs
    // leave out most puffs.
    for (int line = 0; line < 24; ++line) {
        const float a = 0.7f * static_cast<float>(line);
        const Vector3 direction{std::cos(a), std::sin(a), 0.4f * std::sin(3.0f * a)};
        const float from = line < 12 ? -1.5f : -0.9f + 0.07f * static_cast<float>(line);
        const float span = line < 12 ? 3.0f : 0.3f;
        for (int k = 0; k < 64; ++k) {
            const float t = from + span * static_cast<float>(k) / 63.0f;
            points.push_back({t * direction.x * size, t * direction.y * size, (t * direction.z + 0.1f) * size});
        }
    }
    points[70].x = std::nanf("");
    for (int32_t count : {16, 64, 65}) {
        block().puffCount = count;
        ref->exchangerInterface()->parametersChanged();
        std::vector<float> densities(points.size());
        ASSERT_EQ(ref->densitySamplerInterface()->sampleMany(static_cast<int32_t>(points.size()), points.data(),
                                                            densities.data(), nullptr, nullptr),
                  qv::kOk);
        int partial = 0;
        for (size_t i = 0; i < points.size(); ++i) {
            float alone = 0.0f;
            ASSERT_EQ(ref->densitySamplerInterface()->sampleAt(&points[i], &alone, nullptr, nullptr), qv::kOk);
            EXPECT_EQ(std::memcmp(&alone, &densities[i], sizeof alone), 0)
                << count << " puffs, point " << i << ": " << alone << " alone, " << densities[i] << " in the run";
            partial += alone > 0.0f && alone < 1.0f ? 1 : 0;
        }
        EXPECT_GT(partial, 50) << count << " puffs";
    }
}

// A run answers for every point, those the ball shape empties included: whatever the caller's
// arrays held before, each density and shape value is the one the point gives alone.
TEST_F(CloudsTest, ARunAnswersForEveryPointInsideTheBallAndOutside) {
    block().puffCount = 16;
    const float size = block().common.size;
    std::vector<QVVector3> points;
    for (int k = 0; k < 150; ++k) {
        const float t = -1.6f + 3.2f * static_cast<float>(k) / 149.0f;
        points.push_back({0.8f * t * size, (0.3f * t + 0.05f) * size, -0.4f * t * size});
    }
    const int32_t n = static_cast<int32_t>(points.size());
    std::vector<float> densities(points.size(), std::nanf("")), shapes(points.size(), std::nanf(""));
    ASSERT_EQ(ref->densitySamplerInterface()->sampleMany(n, points.data(), densities.data(), shapes.data(), nullptr),
              qv::kOk);
    int outside = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        float density = 0.0f, shape = 0.0f;
        ASSERT_EQ(ref->densitySamplerInterface()->sampleAt(&points[i], &density, &shape, nullptr), qv::kOk);
        EXPECT_EQ(std::memcmp(&density, &densities[i], sizeof density), 0) << "point " << i << ": " << densities[i];
        EXPECT_EQ(std::memcmp(&shape, &shapes[i], sizeof shape), 0) << "point " << i << ": " << shapes[i];
        outside += shape == 0.0f ? 1 : 0;
    }
    EXPECT_GT(outside, 40);
}

// A march reads the mask only where the puffs cover a sample, unless a falloff lies too far out
// to keep every window finite. A far falloff of an option that is off changes no mask, so the
// segments must gather the same either way, colours (which read the shape value) included.
TEST_F(CloudsTest, SegmentsGatherTheSameWhetherTheMaskOrThePuffsComeFirst) {
    const float size = block().common.size;
    block().common.quality = 1.0f;
    // The colour index is the shape value, along a ramp from black to white.
    block().common.colourFromGradient = 1;
    block().common.colourSourceMix = 1.0f;
    setKeys(block().common.colourGradient, {{{0.0f, 0.0f, 0.0f, 1.0f}, 0.0f}, {{1.0f, 1.0f, 1.0f, 1.0f}, 1.0f}});
    int gathered = 0;
    for (uint32_t mode : {qv::fourcc("Opt1"), qv::fourcc("Opt3")})
        for (int32_t puffs : {5, 16, 40}) {
            block().combineMode = mode;
            block().puffCount = puffs;
            // A dense border lifts even a mask below negligible over the weight's floor.
            block().puffDensity = puffs == 16 ? 3000.0f : 1.0f;
            // The ball with a hollow x core and soft fades towards +z and -y; pair 9 (the z core) is off.
            block().common.shapeFlags = kUpperBall | kLowerBall | kHollowCoreX | kFadePositiveZ | kFadeNegativeY;
            // The 16-puff ball ends at radius 0.5, among the puffs, where its soft mask is tiny.
            block().common.shapeFalloffs[0] = block().common.shapeFalloffs[1] =
                puffs == 16 ? FalloffPair{0.5f, 0.9f} : FalloffPair{0.0f, 0.3f};
            block().common.shapeFalloffs[7] = {0.7f, 0.9f};
            block().common.shapeFalloffs[12] = {0.0f, 0.4f};
            block().common.shapeFalloffs[14] = {0.1f, 0.6f};
            std::vector<QVColourRecord> first[2];
            for (int far = 0; far < 2; ++far) {
                block().common.shapeFalloffs[9] = far != 0 ? FalloffPair{1e30f, 0.0f} : FalloffPair{0.0f, 0.5f};
                ref->exchangerInterface()->parametersChanged();
                for (int line = 0; line < 40; ++line) {
                    const float a = 0.9f * static_cast<float>(line);
                    const QVVector3 from{-1.2f * size, (0.6f * std::sin(a)) * size, (0.5f * std::cos(1.3f * a)) * size};
                    const QVVector3 to{1.2f * size, (-0.5f * std::cos(a)) * size, (0.4f * std::sin(0.7f * a)) * size};
                    QVColourRecord c{0.1f, 0.2f, 0.3f, 0.4f};
                    ref->volumeInterface()->integrateSegment(&from, &to, &c, nullptr, 0, 0);
                    first[far].push_back(c);
                    gathered += far == 0 && c.alpha != 0.4f ? 1 : 0;
                }
            }
            for (size_t k = 0; k < first[0].size(); ++k)
                EXPECT_EQ(std::memcmp(&first[0][k], &first[1][k], sizeof(QVColourRecord)), 0)
                    << puffs << " puffs, mode " << mode << ", segment " << k;
        }
    EXPECT_GT(gathered, 100);
}

TEST_F(CloudsCoverageTest, CountsThatCannotBeHonouredDegradeToFewerOrNoPuffs) {
    block().puffCount = -3;
    EXPECT_EQ(coverage({0.0f, 0.0f, 0.0f}), 0.0f);

    block().puffCount = INT_MAX;
    for (float t : {-0.5f, 0.0f, 0.4f}) {
        const float covered = coverage({t, t, t});
        EXPECT_TRUE(covered >= 0.0f && covered <= 1.0f) << covered;
    }

    // Storage refused to a new cloud: no puffs rather than a partial list, until the next
    // preparation.
    EffectRef fresh(CLSID_Clouds);
    DensityShader freshNoise{fresh, "clouds fresh constant", 0.6f};
    CloudsParameters& b = hostBlock<CloudsParameters>(fresh);
    b.common.lightingMode = qv::fourcc("Opt0");
    b.common.shapeFlags = 0;
    b.combineMode = qv::fourcc("Opt2");
    b.puffBlend = 1.0f;
    b.puffCount = 40;
    host().memory().failNthAllocation(1);
    EXPECT_EQ(sampleAt(fresh, {0.0f, 0.0f, 0.0f}).density, 0.0f);
    host().memory().clearFaults();
    EXPECT_EQ(sampleAt(fresh, {0.0f, 0.0f, 0.0f}, false).density, 0.0f);
    EXPECT_EQ(sampleAt(fresh, {0.0f, 0.0f, 0.0f}).density, 1.0f);
}

}  // namespace
}  // namespace brumo::test
