#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "host/render/renderer.h"

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
class PlainObject final : public HostObject<IQVUnknown> {};

void expectPoint(const QVVector3& actual, float x, float y, float z) {
    EXPECT_NEAR(actual.x, x, 1e-5f);
    EXPECT_NEAR(actual.y, y, 1e-5f);
    EXPECT_NEAR(actual.z, z, 1e-5f);
}

void expectColour(const QVColourRecord& actual, const QVColourRecord& expected) {
    EXPECT_FLOAT_EQ(actual.red, expected.red);
    EXPECT_FLOAT_EQ(actual.green, expected.green);
    EXPECT_FLOAT_EQ(actual.blue, expected.blue);
    EXPECT_FLOAT_EQ(actual.alpha, expected.alpha);
}

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

TEST(Renderer, PixelsMissingTheBoxKeepTheBackgroundAndHitsAreClippedToIt) {
    auto volume = Ref<RecordingVolume>::adopt(new RecordingVolume(1.0f));
    // World box: centre (10, 0, 0), half edge 2, so x in [8, 12], y in [-2, 2], z in [-2, 2].
    const Renderer renderer(static_cast<IVolumePrimitive*>(volume.get()),
                            WorldTransform{{10.0f, 0.0f, 0.0f}, 2.0f});
    RenderSettings settings;
    settings.width = 16;
    settings.height = 8;
    settings.camera = {10.0f, 0.0f, 50.0f, 8.0f};  // 0.5 world units per pixel, x from 6 to 14
    settings.background = {0.2f, 0.4f, 0.6f, 0.5f};

    const Image image = renderer.render(settings);
    ASSERT_EQ(image.width(), 16);
    ASSERT_EQ(image.height(), 8);
    EXPECT_EQ(volume->boundsQueries, 1);

    // The background enters premultiplied.
    const QVColourRecord background{0.1f, 0.2f, 0.3f, 0.5f};
    // Column 0 covers x in [6, 6.5]: outside the box, never integrated.
    expectColour(image.at(0, 3), background);
    expectColour(image.at(15, 3), background);
    // Columns 4 to 11 (x from 8 to 12) and every row (y from -2 to 2) hit it.
    const float t = 1.0f - volume->paint.alpha;
    expectColour(image.at(4, 0), {0.3f + t * 0.1f, 0.2f + t * 0.2f, 0.1f + t * 0.3f, 0.5f + t * 0.5f});
    int hits = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) hits += image.at(x, y).red != background.red;
    EXPECT_EQ(hits, 8 * 8);
    ASSERT_EQ(volume->segments.size(), 64u);

    // Pixel (5, 2) has its centre at world (8.75, 0.75): local (-0.625, 0.375). Its segment runs
    // through the whole cube from the eye's side (z = 1) to the far side (z = -1).
    const QVRay world = Renderer::pixelRay(settings, 5, 2);
    expectPoint(world.origin, 8.75f, 0.75f, 50.0f);
    const RecordingVolume::Segment& segment = volume->segments[size_t(2 * 8 + (5 - 4))];
    expectPoint(segment.start, -0.625f, 0.375f, 1.0f);
    expectPoint(segment.end, -0.625f, 0.375f, -1.0f);
    expectColour(segment.incoming, background);
}

TEST(Renderer, AnEyeInsideTheBoxSeesOnlyWhatLiesInFrontOfIt) {
    auto volume = Ref<RecordingVolume>::adopt(new RecordingVolume(4.0f));
    const Renderer renderer(static_cast<IVolumePrimitive*>(volume.get()), WorldTransform{});
    RenderSettings settings;
    settings.width = 1;
    settings.height = 1;
    settings.camera = {0.5f, -0.5f, 1.0f, 1.0f};
    renderer.render(settings);
    ASSERT_EQ(volume->segments.size(), 1u);
    expectPoint(volume->segments[0].start, 0.5f, -0.5f, 1.0f);
    expectPoint(volume->segments[0].end, 0.5f, -0.5f, -4.0f);
}

TEST(Renderer, RefusesWhatItCannotRenderAndStopsWhenAsked) {
    auto plain = Ref<PlainObject>::adopt(new PlainObject);
    EXPECT_THROW(Renderer(plain.get(), WorldTransform{}), RenderError);
    EXPECT_THROW(Renderer(nullptr, WorldTransform{}), RenderError);

    auto volume = Ref<RecordingVolume>::adopt(new RecordingVolume(1.0f));
    IQVUnknown* unknown = static_cast<IVolumePrimitive*>(volume.get());
    EXPECT_THROW(Renderer(unknown, WorldTransform{{0, 0, 0}, 0.0f}), RenderError);
    // The renderer holds its own references while it lives.
    {
        const Renderer renderer(unknown, WorldTransform{});
        EXPECT_EQ(volume->referenceCount(), 3);

        RenderSettings settings;
        settings.width = 4;
        settings.height = 4;
        settings.camera.viewWidth = 2.0f;
        int rows = 0;
        const Image image = renderer.render(settings, [&](int) { return ++rows < 2; });
        EXPECT_EQ(rows, 2);
        EXPECT_EQ(volume->segments.size(), 8u);  // two rows of four
        // Rows not rendered keep the background.
        expectColour(image.at(0, 3), settings.background);
        settings.width = 0;
        EXPECT_THROW(renderer.render(settings), RenderError);
    }
    EXPECT_EQ(volume->referenceCount(), 1);
}
