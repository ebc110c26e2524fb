#include "host/services/shell_service.h"

namespace brumo::host {

void QV_CALL Application::currentScene(IQVScene** scene) {
    std::lock_guard<std::mutex> guard(mutex_);
    fillSlot<IQVScene>(scene, scene_.get());
}

void Application::setScene(Scene* scene) {
    std::lock_guard<std::mutex> guard(mutex_);
    scene_ = Ref<Scene>::share(scene);
}

Ref<Scene> Application::scene() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return scene_;
}

ShellService::ShellService(Application* application)
    : application_(Ref<Application>::share(application)) {}

}  // namespace brumo::host
