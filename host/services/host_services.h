// HostServices: the services object a host hands to QVDllInit. It answers the five service
// identifiers with counted references and owns the services, the application and its scene.
#pragma once

#include "host/common/host_object.h"
#include "host/scene/scene.h"
#include "host/services/idle_service.h"
#include "host/services/memory_service.h"
#include "host/services/resource_service.h"
#include "host/services/shell_service.h"
#include "host/services/utility_service.h"

namespace brumo::host {

class HostServices final : public HostObject<IQVUnknown> {
public:
    // A fresh host with an empty scene of size factor 1.
    static Ref<HostServices> create();

    QVResult QV_CALL QueryInterface(const QVGuid& iid, void** out) override;

    MemoryService& memory() const { return *memory_; }
    UtilityService& utility() const { return *utility_; }
    ResourceService& resources() const { return *resources_; }
    ShellService& shell() const { return *shell_; }
    IdleService& idle() const { return *idle_; }
    Application& application() const { return *application_; }
    // The current scene; there is one unless the host set none.
    Scene& scene() const { return *application_->scene(); }
    void setScene(Scene* scene) { application_->setScene(scene); }

private:
    HostServices();
    ~HostServices() override;

    Ref<MemoryService> memory_;
    Ref<UtilityService> utility_;
    Ref<ResourceService> resources_;
    Ref<Application> application_;
    Ref<ShellService> shell_;
    Ref<IdleService> idle_;
};

}  // namespace brumo::host
