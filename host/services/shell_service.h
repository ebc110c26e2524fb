// The shell service, through which the module reaches the application and its current scene,
// and the application object itself.
#pragma once

#include <atomic>
#include <mutex>

#include "host/common/host_object.h"
#include "host/scene/scene.h"
#include "qv/scene.h"
#include "qv/services.h"

namespace brumo::host {

class Application final : public HostObject<IQVApplication> {
public:
    void QV_CALL slot4() override {}
    // Fills the slot with a counted reference to the current scene, or null.
    void QV_CALL currentScene(IQVScene** scene) override;

    void setScene(Scene* scene);
    Ref<Scene> scene() const;

private:
    ~Application() override;
    // Serialises the writers; render threads ask for the scene on every segment without it.
    mutable std::mutex mutex_;
    std::atomic<Scene*> scene_{nullptr};  // holds a reference
};

class ShellService final : public HostObject<IQVShellService> {
public:
    explicit ShellService(Application* application);
    BRUMO_HOST_NOOP_SLOT(4) BRUMO_HOST_NOOP_SLOT(5) BRUMO_HOST_NOOP_SLOT(6) BRUMO_HOST_NOOP_SLOT(7)
    BRUMO_HOST_NOOP_SLOT(8) BRUMO_HOST_NOOP_SLOT(9)
    BRUMO_HOST_NOOP_SLOTS_TENS(1)
    BRUMO_HOST_NOOP_SLOTS_TENS(2)
    BRUMO_HOST_NOOP_SLOTS_TENS(3)
    BRUMO_HOST_NOOP_SLOTS_TENS(4)
    BRUMO_HOST_NOOP_SLOTS_TENS(5)
    BRUMO_HOST_NOOP_SLOTS_TENS(6)
    BRUMO_HOST_NOOP_SLOTS_TENS(7)
    BRUMO_HOST_NOOP_SLOTS_TENS(8)
    BRUMO_HOST_NOOP_SLOT(90)
    IQVApplication* QV_CALL application() override { return application_.get(); }

private:
    ~ShellService() override = default;
    Ref<Application> application_;
};

}  // namespace brumo::host
