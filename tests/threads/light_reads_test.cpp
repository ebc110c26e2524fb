// Render threads read a light's colour and direction without a lock while the editor changes
// them: every read must give one whole setting, never channels of two. Built with
// ThreadSanitizer in CI as well.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "host/scene/lights.h"

namespace brumo::test {
namespace {

constexpr int kReads = 2000000;

bool sameColour(const QVColourRecord& a, const QVColourRecord& b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha;
}

bool sameVector(const QVVector3& a, const QVVector3& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// One thread flips the light between two settings while another reads it (one each, so that on
// two cores they run side by side); returns the reads that matched neither setting.
template <class Flip, class Check>
int mixedReads(Flip flip, Check check) {
    std::atomic<bool> done{false};
    std::atomic<int> mixed{0};
    std::thread writer([&] {
        for (bool first = false; !done.load(std::memory_order_relaxed); first = !first) flip(first);
    });
    std::thread reader([&] {
        int wrong = 0;
        for (int i = 0; i < kReads; ++i) wrong += check() ? 0 : 1;
        mixed = wrong;
    });
    reader.join();
    done = true;
    writer.join();
    return mixed.load();
}

TEST(ConcurrentRendering, LightReadsGiveOneWholeSettingWhileTheLightChanges) {
    const QVColourRecord warm{1.0f, 0.5f, 0.25f, 1.0f}, cold{0.0f, 0.25f, 2.0f, 0.5f};
    const QVVector3 down{0.0f, 0.0f, -1.0f}, across{0.6f, 0.8f, 0.0f};
    const QVVector3 anyPoint{0.0f, 0.0f, 0.0f};

    IQVLight* distant = host::DistantLight::create(down, warm);
    auto* sun = static_cast<host::DistantLight*>(distant);
    EXPECT_EQ(mixedReads(
                  [&](bool first) {
                      sun->setColour(first ? warm : cold);
                      sun->setTravelDirection(first ? down : across);
                  },
                  [&] {
                      QVColourRecord c{};
                      float intensity = 0.0f;
                      sun->lightColourAt(anyPoint, anyPoint, 0.0f, &c, &intensity);
                      QVVector3 toward{};
                      float distance = 0.0f;
                      sun->lightDirectionTo(anyPoint, &toward, &distance);
                      const QVVector3 travel{-toward.x, -toward.y, -toward.z};
                      return (sameColour(c, warm) || sameColour(c, cold)) &&
                             (sameVector(travel, down) || sameVector(travel, across)) &&
                             intensity == 1.0f && distance == host::DistantLight::kDistance;
                  }),
              0);
    EXPECT_EQ(distant->Release(), 0);

    const QVVector3 here{1.0f, 2.0f, 3.0f}, there{-4.0f, 0.5f, 8.0f};
    IQVLight* point = host::PointLight::create(here, warm);
    auto* lamp = static_cast<host::PointLight*>(point);
    EXPECT_EQ(mixedReads([&](bool first) { lamp->setPosition(first ? here : there); },
                         [&] {
                             const QVVector3 p = lamp->position();
                             return sameVector(p, here) || sameVector(p, there);
                         }),
              0);
    EXPECT_EQ(point->Release(), 0);
}

}  // namespace
}  // namespace brumo::test
