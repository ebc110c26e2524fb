#include "host/services/shell_service.h"

#include <utility>

#include "host/scene/hazard.h"
#include "host/scene/scene_view.h"

namespace brumo::host {

Application::~Application() {
    if (Scene* held = scene_.load(std::memory_order_relaxed)) held->Release();
}

void QV_CALL Application::currentScene(IQVScene** scene) {
    if (scene == nullptr) return;
    if (ThreadSceneViews* views = ThreadSceneViews::mine()) {
        // The view holds its scene, so an equal address is the current scene.
        Scene* current = scene_.load(std::memory_order_acquire);
        SceneView* view = views->view();
        if (current == nullptr) view = views->show(Ref<Scene>());
        else if (view == nullptr || view->scene() != current) view = views->show(this->scene());
        fillSlot<IQVScene>(scene, view);
        return;
    }
    Scene* found = nullptr;
    if (HazardSlot* slot = HazardSlot::mine()) {
        HazardScope scope(*slot);
        found = slot->protect(scene_);
        if (found != nullptr) found->AddRef();
    } else {
        std::lock_guard<std::mutex> guard(mutex_);
        found = scene_.load(std::memory_order_relaxed);
        if (found != nullptr) found->AddRef();
    }
    if (IQVScene* old = std::exchange(*scene, found)) old->Release();
}

void Application::setScene(Scene* scene) {
    if (scene != nullptr) scene->AddRef();
    std::lock_guard<std::mutex> guard(mutex_);
    Scene* old = scene_.exchange(scene, std::memory_order_seq_cst);
    HazardSlot::waitUntilUnused(old);
    if (old != nullptr) old->Release();
}

Ref<Scene> Application::scene() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return Ref<Scene>::share(scene_.load(std::memory_order_relaxed));
}

ShellService::ShellService(Application* application)
    : application_(Ref<Application>::share(application)) {}

}  // namespace brumo::host
