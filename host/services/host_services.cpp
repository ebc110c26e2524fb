#include "host/services/host_services.h"

namespace brumo::host {

HostServices::HostServices()
    : memory_(Ref<MemoryService>::adopt(new MemoryService)),
      utility_(Ref<UtilityService>::adopt(new UtilityService)),
      resources_(Ref<ResourceService>::adopt(new ResourceService)),
      application_(Ref<Application>::adopt(new Application)),
      shell_(Ref<ShellService>::adopt(new ShellService(application_.get()))),
      idle_(Ref<IdleService>::adopt(new IdleService)) {
    auto scene = Ref<Scene>::adopt(new Scene);
    application_->setScene(scene.get());
}

HostServices::~HostServices() = default;

Ref<HostServices> HostServices::create() { return Ref<HostServices>::adopt(new HostServices); }

QVResult QV_CALL HostServices::QueryInterface(const QVGuid& iid, void** out) {
    if (out == nullptr) return qv::kNoInterface;
    qv::releaseSlot(out);
    IQVUnknown* service = nullptr;
    if (iid == qv::IID_IQVUnknown) {
        service = this;
    } else if (iid == qv::IID_MemoryService) {
        service = memory_.get();
    } else if (iid == qv::IID_UtilityService) {
        service = utility_.get();
    } else if (iid == qv::IID_ResourceService) {
        service = resources_.get();
    } else if (iid == qv::IID_ShellService) {
        service = shell_.get();
    } else if (iid == qv::IID_IdleService) {
        service = idle_.get();
    }
    if (service == nullptr) return qv::kNoInterface;
    service->AddRef();
    *out = service;
    return qv::kOk;
}

}  // namespace brumo::host
