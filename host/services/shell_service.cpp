#include "host/services/shell_service.h"

#include <utility>

#include "host/scene/hazard.h"

namespace brumo::host {

Application::~Application() {
    if (Scene* held = scene_.load(std::memory_order_relaxed)) held->Release();
}

void QV_CALL Application::currentScene(IQVScene** scene) {
    if (scene == nullptr) return;
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
