#include "host/scene/scene_view.h"

#include <utility>

namespace brumo::host {

const Scene::Lights& SceneView::seenLights() {
    // The held list cannot be freed, so an equal address is the same, unchanged list.
    if (seen_.get() != scene_->currentLights()) {
        seen_ = scene_->shareLights();
        const Scene::Lights& lights = seen_->lights;
        lights_.resize(lights.size());
        for (size_t i = 0; i < lights.size(); ++i)
            if (lights_[i] && lights_[i]->light() != lights[i].get()) lights_[i].reset();
    }
    return seen_->lights;
}

void SceneView::onRetire() {
    lights_.clear();
    seen_.reset();
}

int32_t QV_CALL SceneView::lightCount() {
    if (!keptHere()) return scene_->lightCount();
    return static_cast<int32_t>(seenLights().size());
}

void QV_CALL SceneView::lightAt(IQVLight** light, int32_t index) {
    if (light == nullptr) return;
    if (!keptHere()) {
        scene_->lightAt(light, index);
        return;
    }
    IQVLight* shared = Scene::lightIn(seenLights(), index);
    IQVLight* found = nullptr;
    if (shared != nullptr) {
        Kept<LightView>& kept = lights_[static_cast<size_t>(index)];
        if (!kept) kept = Kept<LightView>(new LightView(shared));
        found = kept.get();
    }
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
    view_ = scene ? Kept<SceneView>(new SceneView(std::move(scene))) : Kept<SceneView>();
    return view_.get();
}

}  // namespace brumo::host
