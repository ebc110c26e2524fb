#include "host_process.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

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

namespace {

std::mutex instanceLock;
HostProcess* instance = nullptr;

}  // namespace

HostProcess& HostProcess::get() {
    std::lock_guard<std::mutex> guard(instanceLock);
    if (instance == nullptr) instance = new HostProcess();
    return *instance;
}

HostProcess::HostProcess() : services_(host::HostServices::create()) {
    qv::memoryServiceSlot() = &services_->memory();
    emptyScene_ = services_->application().scene();
    module_ = new host::ModuleLoader(modulePath());
    create_ = [this](const QVGuid& classId, IQVUnknown** out) {
        return module_->createInstance(classId, qv::IID_IQVUnknown, reinterpret_cast<void**>(out));
    };
}

void HostProcess::initialiseModule() {
    if (!module_->initialised()) module_->initialise(services_.get());
}

void HostProcess::cleanUpWhenUnused() {
    if (liveScenes_ == 0 && keptEffects_.empty() && module_->initialised()) module_->cleanUp();
}

void HostProcess::useScene(host::Scene* scene) { services_->setScene(scene != nullptr ? scene : emptyScene_.get()); }

void HostProcess::restoreScene() { services_->setScene(emptyScene_.get()); }

void HostProcess::keepUntilWorkEnds(std::vector<host::BuiltEffect> effects, host::Ref<host::Scene> scene) {
    keptEffects_.push_back(std::move(effects));
    keptScenes_.push_back(std::move(scene));
}

void HostProcess::releaseKept() {
    keptEffects_.clear();
    keptScenes_.clear();
}

namespace {

// Set while this thread does module work: a progress callback that calls back into the
// package would wait for a lock its own thread holds.
thread_local bool working = false;

HostProcess& hostForWork() {
    if (working) throw std::logic_error("brumo cannot be used from a progress callback of its own work");
    return HostProcess::get();
}

}  // namespace

ModuleWork::ModuleWork(host::Scene* scene) : host_(hostForWork()), guard_(host_.lock()) {
    working = true;
    host_.initialiseModule();
    host_.services().utility().clearCancel();
    host_.useScene(scene);
}

ModuleWork::~ModuleWork() {
    host_.releaseKept();
    host_.cleanUpWhenUnused();
    host_.restoreScene();
    host_.services().utility().clearCancel();
    working = false;
}

bool ModuleWork::workingHere() { return working; }

}  // namespace brumo::python
