// Bounded work per call: hostile parameter values make the module do more, but never without
// limit. The density samples are counted through a host density shader that every sample asks.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "brumo/class_ids.h"
#include "brumo/parameter_blocks.h"
#include "host/common/host_object.h"
#include "host/common/text.h"
#include "host/scene/scene.h"
#include "host/services/utility_service.h"
#include "qv/data_exchanger.h"
#include "qv/exception.h"
#include "qv/fourcc.h"
#include "qv/volume_primitive.h"
#include "tests/support/module_objects.h"
#include "tests/support/test_host.h"

namespace brumo::test {
namespace {

// The most samples one integrateSegment call takes, and one march toward a light.
constexpr int64_t kSegmentSampleBound = 65536;
constexpr int64_t kLightMarchSampleBound = 256;

// A density shader of value 0 (so nothing ever turns opaque and ends a march early) that counts
// how often it is asked.
class CountingShader final : public host::HostObject<IQVShaderObject, IQVShader> {
public:
    void QV_CALL shaderInterface(IQVShader** shader) override { host::fillSlot<IQVShader>(shader, this); }
    void QV_CALL shaderObjectName(TQVString* text) override { host::setText(text, "Counter"); }
    QVResult QV_CALL evaluateValue(float* result, uint8_t*, QVShadingRecord*) override {
        ++evaluations;
        *result = 0.0f;
        return qv::kOk;
    }
    float QV_CALL evaluateColour(QVColourRecord* colour, uint8_t*, QVShadingRecord*) override {
        *colour = {1.0f, 1.0f, 1.0f, 1.0f};
        return 1.0f;
    }
    std::atomic<int64_t> evaluations{0};
};

// The user cancels as soon as the first slice of a grid is done.
class CancelAtFirstSlice final : public host::ProgressListener {
public:
    void progressStarted(uint64_t, const std::string&, double) override {}
    void progressAdvanced(uint64_t, double, double) override { host().utility().requestCancel(); }
    void progressEnded(uint64_t) override {}
};

class WorkBounds : public ::testing::Test {
protected:
    void SetUp() override {
        shader = host::Ref<CountingShader>::adopt(new CountingShader);
        host().scene().addShader(shader.get());
        smog = createModuleObject(CLSID_Smog);
        ASSERT_NE(smog, nullptr);
        exchanger = query<IExDataExchanger>(smog, qv::IID_IExDataExchanger);
        volume = query<IVolumePrimitive>(smog, qv::IID_IVolumePrimitive);
        // No shape options: every point of the cube asks the shader.
        EffectParameters& p = block();
        p.shapeFlags = 0;
        p.noiseType = 0;
        host::setText(&p.densityShaderName.get(), "Counter");
    }
    void TearDown() override {
        host().utility().setProgressListener(nullptr);
        host().utility().clearCancel();
        exchanger.reset();
        volume.reset();
        if (smog != nullptr) smog->Release();
        host().scene().clear();
    }
    EffectParameters& block() { return *static_cast<EffectParameters*>(exchanger->parameterBlock()); }

    // A chord through the cube (size 4) along z; answers whether the module raised cancellation.
    bool render() {
        const QVVector3 start{0.5f, -0.25f, -4.0f};
        const QVVector3 end{0.5f, -0.25f, 4.0f};
        QVColourRecord colour{0.0f, 0.0f, 0.0f, 1.0f};
        try {
            volume->integrateSegment(&start, &end, &colour, nullptr, 0, 0);
        } catch (const TQVException& e) {
            EXPECT_EQ(e.code, qv::kCancelled);
            return true;
        }
        return false;
    }

    // The fixed light straight above, at that quality; the user cancels after the grid's first
    // slice. Answers whether the module raised cancellation.
    bool renderFirstSliceLitFromAbove(float quality) {
        block().quality = quality;
        block().lightingMode = qv::fourcc("Opt1");
        block().lightDirection = {0.0f, 0.0f, -1.0f};
        exchanger->parametersChanged();
        host().utility().setProgressListener(&cancel);
        return render();
    }

    host::Ref<CountingShader> shader;
    CancelAtFirstSlice cancel;
    IQVUnknown* smog = nullptr;
    host::Ref<IExDataExchanger> exchanger;
    host::Ref<IVolumePrimitive> volume;
};

// The finest step, 2^-14 of the normalised cube, crosses the cube in 32768 samples: a chord stays
// within the segment bound and takes exactly that many.
TEST_F(WorkBounds, TheFinestStepCrossesTheCubeWithinTheSegmentBound) {
    block().quality = 1e30f;
    block().stepJitter = 0.0f;
    exchanger->parametersChanged();
    EXPECT_FALSE(render());
    EXPECT_EQ(shader->evaluations.load(), 32768);

    // A segment a hundred cubes long takes no more samples than the bound.
    shader->evaluations = 0;
    const QVVector3 start{0.5f, -0.25f, -400.0f};
    const QVVector3 end{0.5f, -0.25f, 400.0f};
    QVColourRecord colour{0.0f, 0.0f, 0.0f, 1.0f};
    volume->integrateSegment(&start, &end, &colour, nullptr, 0, 0);
    EXPECT_GT(shader->evaluations.load(), 0);
    EXPECT_LE(shader->evaluations.load(), kSegmentSampleBound);
}

// With a hostile quality the grid has its largest resolution, 64 points a side, and each march
// toward the light would take 32768 samples from the far face; it takes 256, with longer steps.
// The first slice (z = -1, the light straight above) is 64 × 64 marches of length 2.
TEST_F(WorkBounds, AMarchTowardTheLightTakesAtMostTheLightMarchBound) {
    EXPECT_TRUE(renderFirstSliceLitFromAbove(1e30f));
    EXPECT_GE(shader->evaluations.load(), int64_t{64} * 64 * kLightMarchSampleBound);
    EXPECT_LE(shader->evaluations.load(), int64_t{64} * 64 * (kLightMarchSampleBound + 1));
}

// At an everyday quality the bound changes nothing: quality 1 marches 2 / 0.02 = 100 samples
// from the far face (grid of 50 points a side).
TEST_F(WorkBounds, EverydayQualitiesMarchAsBefore) {
    EXPECT_TRUE(renderFirstSliceLitFromAbove(1.0f));
    EXPECT_EQ(shader->evaluations.load(), int64_t{50} * 50 * 100);
}

}  // namespace
}  // namespace brumo::test
