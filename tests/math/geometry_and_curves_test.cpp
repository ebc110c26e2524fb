// Vectors, transforms, boxes and the shaping curves.
#include <gtest/gtest.h>

#include <cmath>

#include "math/affine_transform.h"
#include "math/bounding_box.h"
#include "math/shaping.h"
#include "math/vector3.h"

namespace brumo {
namespace {

void expectNear(const Vector3& a, const Vector3& b, float tolerance) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

TEST(Vector3, Normalisation) {
    Vector3 zero = kZeroVector;
    EXPECT_FALSE(normalizeIfLonger(zero, 0.0f));
    EXPECT_EQ(zero, kZeroVector);

    Vector3 v{3.0f, 0.0f, 4.0f};
    EXPECT_FALSE(normalizeIfLonger(v, 5.0f));  // not longer than the limit: unchanged
    EXPECT_EQ(v, (Vector3{3.0f, 0.0f, 4.0f}));
    EXPECT_TRUE(normalizeIfLonger(v, 0.0f));
    expectNear(v, {0.6f, 0.0f, 0.8f}, 1e-7f);

    Vector3 out{9.0f, 9.0f, 9.0f};
    EXPECT_EQ(normalizeCopy({0.0f, -2.0f, 0.0f}, out), 2.0f);
    EXPECT_EQ(out, (Vector3{0.0f, -1.0f, 0.0f}));
    EXPECT_EQ(normalizeCopy(kZeroVector, out), 0.0f);
    EXPECT_EQ(out, kZeroVector);

    EXPECT_EQ(scale(0.5, Vector3{2.0f, 4.0f, -6.0f}), (Vector3{1.0f, 2.0f, -3.0f}));
    EXPECT_EQ(subtract(kUnitDiagonal, Vector3{1.0f, 2.0f, 3.0f}), (Vector3{0.0f, -1.0f, -2.0f}));
}

AffineTransform sampleTransform() {
    AffineTransform t = AffineTransform::identity();
    setColumn(t, 0, {2.0f, 0.5f, -1.0f});
    setColumn(t, 1, {0.25f, 3.0f, 0.0f});
    setColumn(t, 2, {1.0f, -0.75f, 1.5f});
    t.translation = {10.0f, -4.0f, 0.5f};
    return t;
}

TEST(AffineTransform, ApplyComposeAndInvert) {
    const AffineTransform t = sampleTransform();
    EXPECT_EQ(t.m[1][0], 0.5f);  // column 0, row 1
    const Vector3 p{1.0f, 2.0f, 3.0f};
    EXPECT_EQ(applyLinear(t, p), (Vector3{2.0f + 0.5f + 3.0f, 0.5f + 6.0f - 2.25f, -1.0f + 0.0f + 4.5f}));
    EXPECT_EQ(applyAffine(t, p), applyLinear(t, p) + t.translation);

    AffineTransform u = AffineTransform::identity();
    setColumn(u, 1, {0.0f, 0.0f, 1.0f});
    setColumn(u, 2, {0.0f, -1.0f, 0.0f});
    u.translation = {1.0f, 1.0f, 1.0f};
    const AffineTransform tu = multiply(t, u);
    expectNear(applyLinear(tu, p), applyLinear(t, applyLinear(u, p)), 1e-5f);
    expectNear(applyAffine(tu, p), applyAffine(t, applyAffine(u, p)), 1e-5f);

    AffineTransform inverse = t;
    ASSERT_TRUE(invertAffine(inverse));
    for (const Vector3& q : {p, Vector3{-7.0f, 0.1f, 2.5f}}) {
        expectNear(applyAffine(inverse, applyAffine(t, q)), q, 1e-5f);
        expectNear(applyLinear(multiply(inverse, t), q), q, 1e-5f);
    }

    AffineTransform scaled = t;
    scaleRows(scaled, 2.0f);
    EXPECT_EQ(applyLinear(scaled, p), applyLinear(t, p) * 2.0f);
    EXPECT_EQ(scaled.translation, t.translation);
}

TEST(AffineTransform, SingularMatrixInvertsToIdentity) {
    AffineTransform t = sampleTransform();
    setColumn(t, 2, {4.0f, 1.0f, -2.0f});  // column 2 = 2 x column 0: determinant 0
    const Vector3 translation = t.translation;
    EXPECT_FALSE(invert(t));
    const AffineTransform identity = AffineTransform::identity();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(t.m[r][c], identity.m[r][c]);
    EXPECT_EQ(t.translation, translation);

    AffineTransform zero = sampleTransform();
    scaleRows(zero, 0.0f);
    EXPECT_FALSE(invertAffine(zero));
    EXPECT_EQ(applyAffine(zero, {1.0f, 2.0f, 3.0f}), (Vector3{1.0f - 10.0f, 2.0f + 4.0f, 3.0f - 0.5f}));
}

TEST(BoundingBox, EmptyWidenCentre) {
    BoundingBox box = BoundingBox::empty();
    EXPECT_TRUE(box.isEmpty());
    EXPECT_EQ(box.min.x, 1e30f);
    EXPECT_EQ(box.max.z, -1e30f);
    box.widen({1.0f, -2.0f, 3.0f});
    box.widen({-1.0f, 4.0f, 3.0f});
    EXPECT_FALSE(box.isEmpty());
    EXPECT_EQ(box.centre(), (Vector3{0.0f, 1.0f, 3.0f}));
    EXPECT_EQ(box.extent(), (Vector3{2.0f, 6.0f, 0.0f}));
    EXPECT_TRUE(box.contains({0.5f, 0.0f, 3.0f}));
    EXPECT_FALSE(box.contains({0.5f, 0.0f, 3.5f}));
    BoundingBox other = BoundingBox::empty();
    other.merge(box);
    other.merge(BoundingBox::empty());
    EXPECT_EQ(other.min, box.min);
    EXPECT_EQ(other.max, box.max);
}

TEST(ShapingCurves, FalloffWindows) {
    for (float r : {0.1f, 0.3f, 1.0f, 7.5f}) {
        EXPECT_EQ(softObject(0.0f, r), 1.0f);
        EXPECT_NEAR(softObject(r, r), 0.0f, 1e-6f);
        // Monotone between the ends.
        EXPECT_GT(softObject(0.25f * r, r), softObject(0.75f * r, r));
    }
    EXPECT_NEAR(softObject(0.15f, 0.3f), 1.0f - 22.0f / 18.0f + 17.0f / 36.0f - 4.0f / 72.0f, 1e-6f);
    EXPECT_EQ(softStep(0.7f, 1.0f, 0.85f), softObject(0.85f - 0.7f, 1.0f - 0.7f));
    EXPECT_NEAR(softStep(0.7f, 1.0f, 0.85f), softObject(0.15f, 0.3f), 1e-6f);

    // full is tested before zero: with full >= zero there is no ramp and no division by zero.
    EXPECT_EQ(linearStep(0.5f, 0.5f, 0.5f), 0.0f);
    EXPECT_EQ(linearStep(0.5f, 0.5f, 0.49f), 1.0f);
    EXPECT_EQ(softStep(0.5f, 0.5f, 0.5f), 0.0f);
    EXPECT_EQ(softStep(0.5f, 0.5f, 0.49f), 1.0f);
    EXPECT_EQ(linearStep(0.8f, 0.2f, 0.5f), 1.0f);
    EXPECT_EQ(linearStep(0.8f, 0.2f, 0.9f), 0.0f);
    EXPECT_EQ(linearStep(0.0f, 1.0f, 0.25f), 0.75f);
    EXPECT_EQ(linearStep(0.0f, 1.0f, 1.0f), 0.0f);

    EXPECT_EQ(smoothStep(0.0f, 1.0f, -0.1f), 0.0f);
    EXPECT_EQ(smoothStep(0.0f, 1.0f, 0.5f), 0.5f);
    EXPECT_EQ(smoothStep(0.0f, 1.0f, 1.0f), 1.0f);
    EXPECT_EQ(smoothStep(2.0f, 4.0f, 2.5f), 0.15625f);
}

TEST(ShapingCurves, BiasAndGain) {
    for (int i = 0; i <= 64; ++i) {
        const float t = static_cast<float>(i) / 64.0f;
        EXPECT_EQ(gain(0.5f, t), t) << t;
        EXPECT_EQ(bias(0.5f, t), t) << t;
    }
    for (float b : {0.1f, 0.3f, 0.8f, 0.95f}) {
        EXPECT_NEAR(bias(b, 0.5f), b, 1e-6f);
        EXPECT_NEAR(gain(b, 0.5f), 0.5f, 1e-6f);
        EXPECT_EQ(bias(b, 0.0f), 0.0f);
        EXPECT_EQ(bias(b, 1.0f), 1.0f);
        // Gain is symmetric about the middle.
        EXPECT_NEAR(gain(b, 0.2f) + gain(b, 0.8f), 1.0f, 1e-6f);
    }
    EXPECT_LT(gain(0.8f, 0.25f), 0.25f);  // steeper in the middle
    EXPECT_GT(gain(0.2f, 0.25f), 0.25f);
    EXPECT_NEAR(bias(0.25f, 0.25f), 0.0625f, 1e-6f);  // exponent 2
}

}  // namespace
}  // namespace brumo
