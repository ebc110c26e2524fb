#include "host_process.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

#include "qv/memory.h"

namespace brumo::python {

std::string modulePath() {
    if (const char* path = std::getenv("BRUMO_MODULE"); path != nullptr && *path != '\0') return path;
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&modulePath), &info) != 0 && info.dli_fname != nullptr) {
        const std::filesystem::path package = std::filesystem::path(info.dli_fname).parent_path();
        return (package.parent_path().parent_path() / "lib" / "libbrumo.so").lexically_normal().string();
    }
    return "libbrumo.so";
}

HostProcess& HostProcess::get() {
    static HostProcess* process = new HostProcess();
    return *process;
}

HostProcess::HostProcess() : services_(host::HostServices::create()) {
    qv::memoryServiceSlot() = &services_->memory();
    emptyScene_ = services_->application().scene();
    module_ = new host::ModuleLoader(modulePath());
    module_->initialise(services_.get());
    create_ = [this](const QVGuid& classId, IQVUnknown** out) {
        return module_->createInstance(classId, qv::IID_IQVUnknown, reinterpret_cast<void**>(out));
    };
}

void HostProcess::useScene(host::Scene* scene) { services_->setScene(scene != nullptr ? scene : emptyScene_.get()); }

void HostProcess::restoreScene() { services_->setScene(emptyScene_.get()); }

ModuleWork::ModuleWork(host::Scene* scene) : host_(HostProcess::get()), guard_(host_.lock()) {
    host_.services().utility().clearCancel();
    host_.useScene(scene);
}

ModuleWork::~ModuleWork() {
    host_.restoreScene();
    host_.services().utility().clearCancel();
}

}  // namespace brumo::python
