// Several render threads at once, as a host renders a frame: some share one primitive, others
// render other primitives, and between frames the host changes parameters, attaches modifiers
// and reseeds while no thread renders. Built with ThreadSanitizer in CI (`make test`), where any
// unsynchronised access between the threads is a failure; in every build each thread's colours
// must be those the same segments give on one thread.
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "brumo/class_ids.h"
#include "brumo/parameter_blocks.h"
#include "host/editor/component_list.h"
#include "host/editor/host_part.h"
#include "host/scene/lights.h"
#include "host/scene/shaders.h"
#include "qv/class_factory.h"
#include "qv/data_exchanger.h"
#include "qv/entry_points.h"
#include "qv/fourcc.h"
#include "qv/volume_primitive.h"
#include "tests/support/module_objects.h"
#include "tests/support/test_host.h"

namespace brumo::test {
namespace {

constexpr int kThreads = 4;
constexpr int kFrames = 4;
constexpr int kSegments = 24;
constexpr QVColourRecord kBackground{0.1f, 0.1f, 0.2f, 1.0f};

// A host's render threads: each frame they all start together, and the host goes on only when
// every one has finished.
class RenderPool {
public:
    explicit RenderPool(int threads) {
        for (int i = 0; i < threads; ++i) workers_.emplace_back([this, i] { work(i); });
    }
    ~RenderPool() {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (std::thread& worker : workers_) worker.join();
    }
    // Runs job(thread index) on every thread and waits for all of them.
    void frame(const std::function<void(int)>& job) {
        std::unique_lock<std::mutex> lock(mutex_);
        job_ = job;
        busy_ = static_cast<int>(workers_.size());
        ++generation_;
        wake_.notify_all();
        done_.wait(lock, [this] { return busy_ == 0; });
    }

private:
    void work(int index) {
        uint64_t seen = 0;
        for (;;) {
            std::function<void(int)> job;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
                if (stopping_) return;
                seen = generation_;
                job = job_;
            }
            job(index);
            std::lock_guard<std::mutex> guard(mutex_);
            if (--busy_ == 0) done_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::function<void(int)> job_;
    uint64_t generation_ = 0;
    int busy_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

// Segment k of a frame: chords through the cube at different heights and angles.
void segment(int k, QVVector3& start, QVVector3& end) {
    const float t = static_cast<float>(k) / kSegments;
    start = {-5.0f, 3.0f * t - 1.5f, 2.0f * t - 1.0f};
    end = {5.0f, 1.0f - 2.0f * t, 0.5f - t};
}

std::vector<QVColourRecord> renderAll(IVolumePrimitive* volume) {
    std::vector<QVColourRecord> colours(kSegments);
    for (int k = 0; k < kSegments; ++k) {
        QVVector3 start, end;
        segment(k, start, end);
        colours[k] = kBackground;
        volume->integrateSegment(&start, &end, &colours[k], nullptr, 0, 0);
    }
    return colours;
}

bool same(const QVColourRecord& a, const QVColourRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(ConcurrentRendering, ThreadsSharingAndNotSharingPrimitivesSeeWhatOneThreadSees) {
    host::Scene& scene = host().scene();
    host::addBuiltInShaders(scene);
    IQVLight* light = host::DistantLight::create({0.2f, -0.3f, -0.9f}, {1.0f, 1.0f, 1.0f, 1.0f});
    scene.addLight(light);
    light->Release();

    // A shadowed smog with scene lights and a host colour shader, and clouds with a modifier.
    IQVUnknown* smog = createModuleObject(CLSID_Smog);
    IQVUnknown* clouds = createModuleObject(CLSID_Clouds);
    IQVUnknown* twist = createModuleObject(CLSID_TwistModifier);
    ASSERT_TRUE(smog != nullptr && clouds != nullptr && twist != nullptr);
    host::Ref<IExDataExchanger> smogBlock = query<IExDataExchanger>(smog, qv::IID_IExDataExchanger);
    host::Ref<IExDataExchanger> cloudsBlock = query<IExDataExchanger>(clouds, qv::IID_IExDataExchanger);
    host::Ref<IVolumePrimitive> smogVolume = query<IVolumePrimitive>(smog, qv::IID_IVolumePrimitive);
    host::Ref<IVolumePrimitive> cloudsVolume = query<IVolumePrimitive>(clouds, qv::IID_IVolumePrimitive);
    auto& smogParameters = *static_cast<SmogParameters*>(smogBlock->parameterBlock());
    auto& cloudsParameters = *static_cast<CloudsParameters*>(cloudsBlock->parameterBlock());
    smogParameters.common.lightingMode = qv::fourcc("Opt2");
    smogParameters.common.colourFromGradient = 0;
    smogParameters.common.colourShaderName.get().setText(host::shader_names::kChecker);
    cloudsParameters.puffCount = 12;
    host::Ref<host::ComponentList> cloudsModifiers = host::ComponentList::create(clouds);

    RenderPool pool(kThreads);
    for (int frame = 0; frame < kFrames; ++frame) {
        // The host's edits, while no thread renders.
        smogParameters.common.quality = 0.15f + 0.05f * static_cast<float>(frame);
        smogBlock->parametersChanged();
        if (frame == 1) cloudsModifiers->attach(twist);
        if (frame == 2) {
            host::Ref<host::HostPart> seed = host::HostPart::create(qv::fourcc("SEED"), host::PartKind::button);
            cloudsBlock->handleEvent(5, seed->unknown(), nullptr);
        }
        cloudsParameters.puffBlend = 0.25f * static_cast<float>(frame);
        cloudsBlock->parametersChanged();

        // Threads 0 to 2 share the smog; thread 3 renders the clouds, and the smog too.
        std::vector<std::vector<QVColourRecord>> smogSeen(kThreads), cloudsSeen(kThreads);
        pool.frame([&](int thread) {
            if (thread < 3) {
                smogSeen[thread] = renderAll(smogVolume.get());
            } else {
                cloudsSeen[thread] = renderAll(cloudsVolume.get());
                smogSeen[thread] = renderAll(smogVolume.get());
            }
        });

        // The same segments again on this thread alone: every thread must have seen these.
        const std::vector<QVColourRecord> smogAlone = renderAll(smogVolume.get());
        const std::vector<QVColourRecord> cloudsAlone = renderAll(cloudsVolume.get());
        bool anyVapour = false;
        for (int k = 0; k < kSegments; ++k) {
            for (int thread = 0; thread < kThreads; ++thread)
                EXPECT_TRUE(same(smogSeen[thread][k], smogAlone[k])) << "frame " << frame << " thread " << thread;
            EXPECT_TRUE(same(cloudsSeen[3][k], cloudsAlone[k])) << "frame " << frame;
            anyVapour = anyVapour || !same(smogAlone[k], kBackground) || !same(cloudsAlone[k], kBackground);
        }
        EXPECT_TRUE(anyVapour) << "frame " << frame << " rendered nothing";
    }

    cloudsModifiers.reset();
    twist->Release();
    smogBlock.reset();
    cloudsBlock.reset();
    smogVolume.reset();
    cloudsVolume.reset();
    smog->Release();
    clouds->Release();
    scene.clear();
}

}  // namespace
}  // namespace brumo::test
