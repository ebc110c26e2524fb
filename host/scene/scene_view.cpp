#include "host/scene/scene_view.h"

#include <utility>

namespace brumo::host {

void QV_CALL SceneView::lightAt(IQVLight** light, int32_t index) {
    if (light == nullptr) return;
    if (std::this_thread::get_id() != owner_) {
        scene_->lightAt(light, index);
        return;
    }
    IQVLight* found = scene_->withLights([&](const Scene::Lights& lights) -> IQVLight* {
        IQVLight* shared = Scene::lightIn(lights, index);
        if (shared == nullptr) return nullptr;
        const auto at = static_cast<size_t>(index);
        if (at >= lights_.size()) lights_.resize(at + 1);
        Ref<LightView>& kept = lights_[at];
        // The kept view holds its light, so an equal address is the same light.
        if (!kept || kept->light() != shared) kept = Ref<LightView>::adopt(new LightView(shared));
        return kept.get();
    });
    fillSlot(light, found);
}

namespace {

struct ThreadViews {
    bool on = false;
    ThreadSceneViews views;
};

thread_local ThreadViews threadViews;

}  // namespace

void ThreadSceneViews::enable() { threadViews.on = true; }

ThreadSceneViews* ThreadSceneViews::mine() { return threadViews.on ? &threadViews.views : nullptr; }

SceneView* ThreadSceneViews::show(Ref<Scene> scene) {
    view_ = scene ? Ref<SceneView>::adopt(new SceneView(std::move(scene))) : Ref<SceneView>();
    return view_.get();
}

}  // namespace brumo::host
