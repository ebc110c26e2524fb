// A render thread's own view of the current scene and of its lights.
//
// The module asks for the current scene and its lights on every segment and releases them
// again. Counting references on the scene and light objects every render thread shares would
// pass their cache lines from core to core on each call; a thread that reads through views of
// its own counts only on objects no other thread touches. The view holds the light list it last
// saw and, while the scene still publishes that list, answers from it without announcing its
// read to the writers; the thread counts its own references to its views without locked
// instructions. Every answer still comes from the shared scene and lights, so a change made
// while the threads render shows at the next call.
#pragma once

#include <cstdint>
#include <vector>

#include "host/common/host_object.h"
#include "host/common/owner_counted.h"
#include "host/scene/scene.h"
#include "qv/scene.h"

namespace brumo::host {

// Answers what the light it stands for answers; holds a reference to it.
class LightView final : public OwnerCounted<HostObject<IQVLight>> {
public:
    explicit LightView(IQVLight* light) : light_(Ref<IQVLight>::share(light)) {}

    void QV_CALL lightKind(int32_t* kind) override { light_->lightKind(kind); }
    void QV_CALL lightDirectionTo(const QVVector3& point, QVVector3* direction,
                                  float* distance) override {
        light_->lightDirectionTo(point, direction, distance);
    }
    void QV_CALL lightColourAt(const QVVector3& point, const QVVector3& direction, float distance,
                               QVColourRecord* colour, float* intensity) override {
        light_->lightColourAt(point, direction, distance, colour, intensity);
    }

    IQVLight* light() const { return light_.get(); }

private:
    ~LightView() override = default;
    Ref<IQVLight> light_;
};

// Answers what the scene answers; its lights come as views kept from call to call while the
// scene holds the same light at that index. Only the thread that made the view keeps the list
// and light views, and only while the view is its current one; another thread it reaches, or a
// view the thread has replaced, gets the scene's own answers.
class SceneView final : public OwnerCounted<SceneInterface> {
public:
    explicit SceneView(Ref<Scene> scene) : scene_(std::move(scene)) {}

    void QV_CALL findShader(IQVShaderObject** shader, const TQVString* name) override {
        scene_->findShader(shader, name);
    }
    int32_t QV_CALL shaderCount() override { return scene_->shaderCount(); }
    void QV_CALL shaderAt(IQVShaderObject** shader, int32_t index) override {
        scene_->shaderAt(shader, index);
    }
    int32_t QV_CALL lightCount() override;
    void QV_CALL lightAt(IQVLight** light, int32_t index) override;
    int32_t QV_CALL objectCount() override { return scene_->objectCount(); }
    IQVSceneObject* QV_CALL objectAt(int32_t index) override { return scene_->objectAt(index); }
    void QV_CALL findObjectByName(IQVSceneObject** object, const TQVString* name) override {
        scene_->findObjectByName(object, name);
    }
    float QV_CALL sceneSizeFactor() override { return scene_->sceneSizeFactor(); }

    Scene* scene() const { return scene_.get(); }

private:
    ~SceneView() override = default;
    void onRetire() override;

    // The scene's current light list; the keeper's only.
    const Scene::Lights& seenLights();

    Ref<Scene> scene_;
    // Only the keeper touches these: the list last seen, and views of its lights by index.
    Ref<Scene::LightList> seen_;
    std::vector<Kept<LightView>> lights_;
};

// A thread's view of the current scene, kept from call to call. Off until the thread calls
// enable(); the views are released when the thread ends. Threads that never enable them read
// the shared objects.
class ThreadSceneViews {
public:
    static void enable();
    // The calling thread's views; null unless it enabled them.
    static ThreadSceneViews* mine();

    SceneView* view() const { return view_.get(); }
    // Replaces the view by one of `scene` (none when it is null) and returns it.
    SceneView* show(Ref<Scene> scene);

private:
    Kept<SceneView> view_;
};

}  // namespace brumo::host
