// The one reference host of a Python process: the host's services, the module library loaded
// and initialised once (on first use), and the lock that lets one piece of module work run at
// a time, whichever Python thread asks.
#pragma once

#include <mutex>
#include <string>

#include "host/loader/module_loader.h"
#include "host/scene/scene.h"
#include "host/scene_file/scene_builder.h"
#include "host/services/host_services.h"

namespace brumo::python {

class HostProcess {
public:
    // Loads the module on the first call: $BRUMO_MODULE, else libbrumo.so in the lib folder
    // beside the package (build/lib for build/python/brumo). Throws ModuleLoadError.
    static HostProcess& get();

    host::HostServices& services() { return *services_; }
    host::ModuleLoader& module() { return *module_; }
    const host::CreateComponent& create() const { return create_; }
    std::mutex& lock() { return lock_; }
    // The scene the module sees until `restore` is called; the host's own empty scene otherwise.
    void useScene(host::Scene* scene);
    void restoreScene();

private:
    HostProcess();

    host::Ref<host::HostServices> services_;
    host::Ref<host::Scene> emptyScene_;
    host::ModuleLoader* module_ = nullptr;  // never closed: components may outlive everything
    host::CreateComponent create_;
    std::mutex lock_;
};

// Holds the host's lock with `scene` current, and the cancel flag clear, for one piece of work.
class ModuleWork {
public:
    explicit ModuleWork(host::Scene* scene);
    ~ModuleWork();
    ModuleWork(const ModuleWork&) = delete;
    ModuleWork& operator=(const ModuleWork&) = delete;

    HostProcess& host() { return host_; }

private:
    HostProcess& host_;
    std::lock_guard<std::mutex> guard_;
};

// The path of the module library get() loads.
std::string modulePath();

}  // namespace brumo::python
