#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "host/render/renderer.h"
#include "tests/support/comparisons.h"
#include "tests/support/host_doubles.h"

#include <algorithm>
#include <chrono>
#include <thread>

using namespace brumo::host;

namespace {

template <class T>
T nothing() {
    return T{};
}
template <>
void nothing<void>() {}

// A stand-in volume: the cube [-half, half]³ that records every segment it is asked to integrate
// and answers a fixed premultiplied colour over whatever lies behind: out = paint + (1 - a) × in.
class RecordingVolume final : public HostObject<IVolumePrimitive, I3DExGeometricPrimitive> {
public:
    struct Segment {
        QVVector3 start;
        QVVector3 end;
        QVColourRecord incoming;
    };

    explicit RecordingVolume(float half) : half_(half) {}

    QVResult QV_CALL volumeSlot4(intptr_t, intptr_t, intptr_t) override {
        return qv::kNotImplemented;
    }
    QVResult QV_CALL integrateSegment(const QVVector3* start, const QVVector3* end,
                                      QVColourRecord* colour, void*, int32_t, int32_t) override {
        segments.push_back({*start, *end, *colour});
        if (log != nullptr) log->push_back(tag);
        if (slow) std::this_thread::sleep_for(std::chrono::microseconds(200));
        const float t = 1.0f - paint.alpha;
        *colour = {paint.red + t * colour->red, paint.green + t * colour->green,
                   paint.blue + t * colour->blue, paint.alpha + t * colour->alpha};
        return qv::kOk;
    }

    QVBox* QV_CALL queryBounds(QVBox* box) override {
        ++boundsQueries;
        *box = {{-half_, -half_, -half_}, {half_, half_, half_}};
        return box;
    }

#define UNUSED_SLOT(type, name, ...) \
    type QV_CALL name(__VA_ARGS__) override { return nothing<type>(); }
    UNUSED_SLOT(QVBox*, geometrySlot5, QVBox*)
    UNUSED_SLOT(int32_t, geometrySlot6, intptr_t)
    UNUSED_SLOT(QVResult, geometrySlot7, intptr_t, intptr_t, intptr_t)
    UNUSED_SLOT(QVResult, levelCount, int16_t*)
    UNUSED_SLOT(QVResult, levelSize, int16_t, float*)
    UNUSED_SLOT(QVResult, geometrySlot10, intptr_t, void**)
    UNUSED_SLOT(bool, geometrySlot11)
    UNUSED_SLOT(QVResult, geometrySlot12, void**)
    UNUSED_SLOT(void, geometrySlot13, void**)
    UNUSED_SLOT(void, geometrySlot14, intptr_t)
    UNUSED_SLOT(bool, geometrySlot15)
    UNUSED_SLOT(QVResult, geometrySlot16, intptr_t, intptr_t)
    UNUSED_SLOT(int32_t, geometrySlot17)
    UNUSED_SLOT(QVResult, geometrySlot18, intptr_t, intptr_t)
    UNUSED_SLOT(bool, geometrySlot19)
    UNUSED_SLOT(QVResult, geometrySlot20, intptr_t, intptr_t)
    UNUSED_SLOT(QVResult, geometrySlot21, intptr_t, intptr_t, intptr_t, intptr_t)
    UNUSED_SLOT(QVResult, geometrySlot22, intptr_t, intptr_t)
    UNUSED_SLOT(QVResult, geometrySlot23, intptr_t, intptr_t)
    UNUSED_SLOT(bool, geometrySlot24)
    UNUSED_SLOT(bool, geometrySlot25)
    UNUSED_SLOT(bool, geometrySlot26)
    UNUSED_SLOT(void, geometrySlot27, void**, intptr_t)
    UNUSED_SLOT(void, geometrySlot28, int32_t*, int32_t*, int32_t*)
    UNUSED_SLOT(void, geometrySlot29)
    UNUSED_SLOT(int32_t, geometrySlot30, intptr_t)
    UNUSED_SLOT(bool, geometrySlot31)
    UNUSED_SLOT(void, geometrySlot32, intptr_t)
    UNUSED_SLOT(bool, geometrySlot33)
    UNUSED_SLOT(bool, geometrySlot34)
    UNUSED_SLOT(void, geometrySlot35, intptr_t, intptr_t, intptr_t, intptr_t)
    UNUSED_SLOT(int32_t, geometrySlot36)
    UNUSED_SLOT(bool, geometrySlot37)
    UNUSED_SLOT(float, geometrySlot38)
    UNUSED_SLOT(void, geometrySlot39, intptr_t)
    UNUSED_SLOT(bool, geometrySlot40, intptr_t, intptr_t)
    UNUSED_SLOT(bool, geometrySlot41, intptr_t, intptr_t)
    UNUSED_SLOT(bool, geometrySlot42)
    UNUSED_SLOT(void, geometrySlot43)
    UNUSED_SLOT(int32_t, geometrySlot44)
    UNUSED_SLOT(void, geometrySlot45)
    UNUSED_SLOT(void, geometrySlot46)
    UNUSED_SLOT(void, geometrySlot47, intptr_t)
    UNUSED_SLOT(bool, geometrySlot48, intptr_t)
#undef UNUSED_SLOT

    std::vector<Segment> segments;
    std::vector<int>* log = nullptr;  // shared by several volumes: who was called, in order
    int tag = 0;
    bool slow = false;  // long enough per segment for a render to be stopped midway
    int boundsQueries = 0;
    QVColourRecord paint{0.3f, 0.2f, 0.1f, 0.5f};

protected:
    void* findInterface(const QVGuid& iid) override {
        if (iid == qv::IID_IVolumePrimitive) return static_cast<IVolumePrimitive*>(this);
        if (iid == qv::IID_I3DExGeometricPrimitive)
            return static_cast<I3DExGeometricPrimitive*>(this);
        return nullptr;
    }

private:
    float half_;
};

// An object that is no volume at all.
using brumo::test::PlainObject;

void expectPoint(const QVVector3& actual, float x, float y, float z) {
    EXPECT_NEAR(actual.x, x, 1e-5f);
    EXPECT_NEAR(actual.y, y, 1e-5f);
    EXPECT_NEAR(actual.z, z, 1e-5f);
}

using brumo::test::expectColour;

}  // namespace

TEST(RayClipping, SlabTestGivesTheSpanInsideTheBox) {
    const QVBox box{{-1.0f, -2.0f, -3.0f}, {1.0f, 2.0f, 3.0f}};
    // Straight down the z axis from z = 10: enters at 7, leaves at 13.
    RaySpan span = clipToBox({{0.5f, 1.5f, 10.0f}, {0.0f, 0.0f, -1.0f}}, box);
    ASSERT_TRUE(span.hit);
    EXPECT_FLOAT_EQ(span.near, 7.0f);
    EXPECT_FLOAT_EQ(span.far, 13.0f);
    // Parallel to a slab but outside it: a miss, however long the ray.
    EXPECT_FALSE(clipToBox({{1.5f, 0.0f, 10.0f}, {0.0f, 0.0f, -1.0f}}, box).hit);
    // Pointing away from the box.
    EXPECT_FALSE(clipToBox({{0.0f, 0.0f, 10.0f}, {0.0f, 0.0f, 1.0f}}, box).hit);
    // Starting inside: the span begins at the origin.
    span = clipToBox({{0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}}, box);
    ASSERT_TRUE(span.hit);
    EXPECT_FLOAT_EQ(span.near, 0.0f);
    EXPECT_FLOAT_EQ(span.far, 1.0f);
    // A diagonal ray through a corner region: the latest entry and the earliest exit win.
    const float d = 1.0f / std::sqrt(2.0f);
    span = clipToBox({{-3.0f, -3.0f, 0.0f}, {d, d, 0.0f}}, box);
    ASSERT_TRUE(span.hit);
    EXPECT_NEAR(span.near, 2.0f * std::sqrt(2.0f), 1e-5f);  // x enters last, at x = -1
    EXPECT_NEAR(span.far, 4.0f * std::sqrt(2.0f), 1e-5f);   // x leaves first, at x = 1
    // Passing beside the corner.
    EXPECT_FALSE(clipToBox({{-3.0f, 0.0f, 0.0f}, {d, d, 0.0f}}, {{-1, -1, -1}, {1, 1, 1}}).hit);
    // The empty box a primitive answers before it knows its size is hit by nothing.
    EXPECT_FALSE(clipToBox({{0, 0, 10}, {0, 0, -1}}, {{1e20f, 1e20f, 1e20f}, {-1e20f, -1e20f, -1e20f}}).hit);
}

namespace {

Ref<RecordingVolume> recorder(float half, QVColourRecord paint) {
    auto volume = Ref<RecordingVolume>::adopt(new RecordingVolume(half));
    volume->paint = paint;
    return volume;
}

IQVUnknown* unknownOf(const Ref<RecordingVolume>& volume) {
    return static_cast<IVolumePrimitive*>(volume.get());
}

// Looks down -z from z = 50 onto the xy plane, `width` world units across.
RenderSettings topView(int width, int height, float viewWidth) {
    RenderSettings settings;
    settings.width = width;
    settings.height = height;
    settings.camera.projection = Projection::orthographic;
    settings.camera.position = {0.0f, 0.0f, 50.0f};
    settings.camera.lookAt = {0.0f, 0.0f, 0.0f};
    settings.camera.up = {0.0f, 1.0f, 0.0f};
    settings.camera.viewWidth = viewWidth;
    return settings;
}

}  // namespace

TEST(Transform, ScalesThenRotatesXYZThenMovesAndInvertsExactlyEnough) {
    Transform transform;
    transform.translate = {1.0f, 2.0f, 3.0f};
    transform.rotateDegrees = {0.0f, 0.0f, 90.0f};
    transform.scale = {2.0f, 1.0f, 1.0f};
    const AffineMap toWorld = AffineMap::fromTransform(transform);
    // Local x is doubled, turned onto +y by the quarter turn about z, then moved.
    expectPoint(toWorld.apply({1.0f, 0.0f, 0.0f}), 1.0f, 4.0f, 3.0f);
    expectPoint(toWorld.apply({0.0f, 1.0f, 0.0f}), 0.0f, 2.0f, 3.0f);
    const AffineMap toLocal = toWorld.inverse();
    expectPoint(toLocal.apply({1.0f, 4.0f, 3.0f}), 1.0f, 0.0f, 0.0f);
    expectPoint(toLocal.apply(toWorld.apply({0.3f, -0.7f, 2.5f})), 0.3f, -0.7f, 2.5f);
    // Rotations apply about x first, then y: (0, 1, 0) → x 90° → (0, 0, 1) → y 90° → (1, 0, 0).
    transform = {};
    transform.rotateDegrees = {90.0f, 90.0f, 0.0f};
    expectPoint(AffineMap::fromTransform(transform).apply({0.0f, 1.0f, 0.0f}), 1.0f, 0.0f, 0.0f);
    transform.scale = {1.0f, 0.0f, 1.0f};
    EXPECT_FALSE(AffineMap::fromTransform(transform).invertible());
    EXPECT_THROW(PlacedVolume(unknownOf(recorder(1.0f, {})), transform), RenderError);
}

TEST(Camera, PinholeRaysFanOutFromTheEyeAndOrthographicRaysRunParallel) {
    Camera camera;  // pinhole at (0, -20, 0) looking at the origin, z up, 40° vertical
    const CameraRays pinhole(camera, 4, 2);
    const QVRay left = pinhole.ray(0, 0);
    const QVRay right = pinhole.ray(3, 1);
    expectPoint(left.origin, 0.0f, -20.0f, 0.0f);
    EXPECT_LT(left.direction.x, 0.0f);  // left of centre, above it
    EXPECT_GT(left.direction.z, 0.0f);
    EXPECT_GT(right.direction.x, 0.0f);
    EXPECT_LT(right.direction.z, 0.0f);
    EXPECT_NEAR(left.direction.x * left.direction.x + left.direction.y * left.direction.y +
                    left.direction.z * left.direction.z, 1.0f, 1e-6f);
    // The top edge of a one-pixel-high image lies half the field of view above the axis.
    const CameraRays single(camera, 1, 1);
    expectPoint(single.ray(0, 0).direction, 0.0f, 1.0f, 0.0f);

    camera.projection = Projection::orthographic;
    camera.viewWidth = 8.0f;
    const CameraRays ortho(camera, 4, 2);
    expectPoint(ortho.ray(0, 0).origin, -3.0f, -20.0f, 1.0f);  // two world units per pixel
    expectPoint(ortho.ray(0, 0).direction, 0.0f, 1.0f, 0.0f);
    expectPoint(ortho.ray(3, 1).direction, 0.0f, 1.0f, 0.0f);

    EXPECT_TRUE(cameraProblem(Camera{}).empty());
    Camera bad;
    bad.lookAt = bad.position;
    EXPECT_FALSE(cameraProblem(bad).empty());
    bad = Camera{};
    bad.up = {0.0f, 2.0f, 0.0f};  // along the view
    EXPECT_FALSE(cameraProblem(bad).empty());
    bad = Camera{};
    bad.fieldOfView = 180.0f;
    EXPECT_FALSE(cameraProblem(bad).empty());
}

TEST(Renderer, PixelsMissingTheBoxKeepTheBackgroundAndHitsAreIntegratedInLocalSpace) {
    auto volume = recorder(1.0f, {0.3f, 0.2f, 0.1f, 0.5f});
    // World box: centre (10, 0, 0), scaled by 2: x in [8, 12], y and z in [-2, 2].
    Transform transform;
    transform.translate = {10.0f, 0.0f, 0.0f};
    transform.scale = {2.0f, 2.0f, 2.0f};
    std::vector<VolumeSet> sets(1);
    sets[0].emplace_back(unknownOf(volume), transform);
    RenderSettings settings = topView(16, 8, 8.0f);  // 0.5 units per pixel, x from -4 to 4
    settings.camera.position = {10.0f, 0.0f, 50.0f};
    settings.camera.lookAt = {10.0f, 0.0f, 0.0f};
    settings.background = {0.2f, 0.4f, 0.6f, 0.5f};

    const Image image = render(settings, sets);
    ASSERT_EQ(image.width(), 16);
    const QVColourRecord background{0.1f, 0.2f, 0.3f, 0.5f};  // premultiplied
    expectColour(image.at(0, 3), background);
    expectColour(image.at(15, 3), background);
    const float t = 0.5f;
    expectColour(image.at(4, 0), {0.3f + t * 0.1f, 0.2f + t * 0.2f, 0.1f + t * 0.3f, 0.5f + t * 0.5f});
    int hits = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) hits += image.at(x, y).red != background.red;
    EXPECT_EQ(hits, 8 * 8);
    ASSERT_EQ(volume->segments.size(), 64u + 1u);  // and the preparing segment of length zero
    // Pixel (5, 2) looks down through world (8.75, 0.75): local (-0.625, 0.375), from the top
    // face (z = 1) to the bottom.
    bool found = false;
    for (const auto& segment : volume->segments)
        if (std::fabs(segment.start.x + 0.625f) < 1e-5f && std::fabs(segment.start.y - 0.375f) < 1e-5f) {
            expectPoint(segment.end, -0.625f, 0.375f, -1.0f);
            EXPECT_NEAR(segment.start.z, 1.0f, 1e-5f);
            found = true;
        }
    EXPECT_TRUE(found);
}

TEST(Renderer, OverlappingVolumesAreSplitAtEveryBoxFaceAndCompositedFarToNear) {
    // Along the view (down -z from z = 50): A covers z in [-1, 3], B covers z in [-3, 1].
    // Intervals from far to near: [-3, -1] B alone, [-1, 1] both, [1, 3] A alone.
    std::vector<int> log;
    auto a = recorder(2.0f, {0.5f, 0.0f, 0.0f, 0.5f});
    auto b = recorder(2.0f, {0.0f, 0.0f, 0.5f, 0.5f});
    a->log = b->log = &log;
    a->tag = 1;
    b->tag = 2;
    Transform placeA, placeB;
    placeA.translate = {0.0f, 0.0f, 1.0f};
    placeB.translate = {0.0f, 0.0f, -1.0f};
    std::vector<VolumeSet> sets(1);
    sets[0].emplace_back(unknownOf(a), placeA);
    sets[0].emplace_back(unknownOf(b), placeB);
    RenderSettings settings = topView(1, 1, 1.0f);
    const Image image = render(settings, sets);
    a->segments.erase(a->segments.begin());  // the preparing segments
    b->segments.erase(b->segments.begin());
    log.erase(log.begin(), log.begin() + 2);
    // B alone, then the shared interval with B (whose span lies farther) behind A, then A.
    EXPECT_EQ(log, (std::vector<int>{2, 2, 1, 1}));
    ASSERT_EQ(b->segments.size(), 2u);
    ASSERT_EQ(a->segments.size(), 2u);
    expectPoint(b->segments[0].start, 0.0f, 0.0f, 0.0f);  // world z -1 in B's space
    expectPoint(b->segments[0].end, 0.0f, 0.0f, -2.0f);
    expectPoint(b->segments[1].start, 0.0f, 0.0f, 2.0f);
    expectPoint(b->segments[1].end, 0.0f, 0.0f, 0.0f);
    expectPoint(a->segments[0].start, 0.0f, 0.0f, 0.0f);
    expectPoint(a->segments[0].end, 0.0f, 0.0f, -2.0f);
    expectPoint(a->segments[1].start, 0.0f, 0.0f, 2.0f);
    expectPoint(a->segments[1].end, 0.0f, 0.0f, 0.0f);
    // Each interval was composited over the result of the one behind it (out = paint + in / 2).
    // The incoming alpha is the probe that measures each segment's transmittance.
    const float probe = kTransmittanceProbe;
    expectColour(b->segments[0].incoming, {0.0f, 0.0f, 0.0f, probe});
    expectColour(b->segments[1].incoming, {0.0f, 0.0f, 0.5f, probe});
    expectColour(a->segments[0].incoming, {0.0f, 0.0f, 0.75f, probe});
    expectColour(a->segments[1].incoming, {0.5f, 0.0f, 0.375f, probe});
    const QVColourRecord result = image.at(0, 0);

    // Listing the volumes the other way round changes nothing.
    std::vector<int> swappedLog;
    auto a2 = recorder(2.0f, a->paint);
    auto b2 = recorder(2.0f, b->paint);
    a2->log = b2->log = &swappedLog;
    a2->tag = 1;
    b2->tag = 2;
    std::vector<VolumeSet> swapped(1);
    swapped[0].emplace_back(unknownOf(b2), placeB);
    swapped[0].emplace_back(unknownOf(a2), placeA);
    expectColour(render(settings, swapped).at(0, 0), result);
    swappedLog.erase(swappedLog.begin(), swappedLog.begin() + 2);
    EXPECT_EQ(swappedLog, log);
}

TEST(Renderer, EveryThreadRendersWithItsOwnSetAndTheImageIsTheSame) {
    RenderSettings settings = topView(37, 23, 4.0f);  // tiles that do not divide the image
    settings.tileSize = 8;
    settings.background = {0.1f, 0.2f, 0.3f, 1.0f};
    Transform turned;
    turned.rotateDegrees = {10.0f, 20.0f, 30.0f};
    auto renderWith = [&](int threads, std::vector<Ref<RecordingVolume>>& volumes) {
        std::vector<VolumeSet> sets(static_cast<size_t>(threads));
        for (auto& set : sets) {
            volumes.push_back(recorder(1.0f, {0.2f, 0.1f, 0.0f, 0.25f}));
            set.emplace_back(unknownOf(volumes.back()), turned);
        }
        return render(settings, sets);
    };
    std::vector<Ref<RecordingVolume>> one, three;
    const Image single = renderWith(1, one);
    const Image several = renderWith(3, three);
    size_t segments = 0;
    for (const auto& volume : three) segments += volume->segments.size() - 1;
    EXPECT_EQ(segments, one[0]->segments.size() - 1);  // every pixel once, wherever it went
    for (int y = 0; y < single.height(); ++y)
        for (int x = 0; x < single.width(); ++x) expectColour(several.at(x, y), single.at(x, y));
}

TEST(Renderer, RefusesWhatItCannotRenderAndStopsWhenAsked) {
    auto plain = Ref<PlainObject>::adopt(new PlainObject);
    EXPECT_THROW(PlacedVolume(plain.get(), Transform{}), RenderError);
    EXPECT_THROW(PlacedVolume(nullptr, Transform{}), RenderError);

    auto volume = recorder(1.0f, {});
    volume->slow = true;
    {
        std::vector<VolumeSet> sets(1);
        sets[0].emplace_back(unknownOf(volume), Transform{});
        EXPECT_EQ(volume->referenceCount(), 3);  // the set holds its own references

        RenderSettings settings = topView(64, 64, 2.0f);
        settings.tileSize = 1;
        RenderHooks hooks;
        int polls = 0;
        hooks.cancelled = [&] { return ++polls >= 1; };
        EXPECT_THROW(render(settings, sets, hooks), RenderCancelled);
        EXPECT_LT(volume->segments.size(), 64u * 64u);
        settings.width = 0;
        EXPECT_THROW(render(settings, sets), RenderError);
        settings.width = 4;
        settings.camera.up = {0.0f, 0.0f, 1.0f};  // along the view
        EXPECT_THROW(render(settings, sets), RenderError);
    }
    EXPECT_EQ(volume->referenceCount(), 1);
}
