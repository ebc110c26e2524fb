// The one reference host of a Python process: the host's services, the module library loaded
// and initialised once (on first use), and the lock that lets one piece of module work run at
// a time, whichever Python thread asks.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

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
    // The host when it was loaded, else null.
    static HostProcess* loaded();

    host::HostServices& services() { return *services_; }
    host::ModuleLoader& module() { return *module_; }
    const host::CreateComponent& create() const { return create_; }
    std::mutex& lock() { return lock_; }
    // The scene the module sees until `restore` is called; the host's own empty scene otherwise.
    void useScene(host::Scene* scene);
    void restoreScene();
    // Effects let go while this thread's work holds the lock (a scene freed by Python's garbage
    // collector inside a progress callback): released when that work ends.
    void keepUntilWorkEnds(std::vector<host::BuiltEffect> effects, host::Ref<host::Scene> scene);
    void releaseKept();

    // Scenes alive in the process; the module can be cleaned up only when there are none.
    void sceneCreated() { ++liveScenes_; }
    void sceneReleased() { --liveScenes_; }
    // QVDllCleanUp, after which the module gives back all it holds and cannot be used again in
    // this process. Throws std::logic_error while scenes are alive.
    void shutDown();
    bool isShutDown() const { return shutDown_; }

private:
    HostProcess();

    host::Ref<host::HostServices> services_;
    host::Ref<host::Scene> emptyScene_;
    host::ModuleLoader* module_ = nullptr;  // never closed: components may outlive everything
    host::CreateComponent create_;
    std::mutex lock_;
    std::vector<std::vector<host::BuiltEffect>> keptEffects_;
    std::vector<host::Ref<host::Scene>> keptScenes_;
    std::atomic<int> liveScenes_{0};
    bool shutDown_ = false;
};

// Holds the host's lock with `scene` current, and the cancel flag clear, for one piece of work.
class ModuleWork {
public:
    // Throws std::logic_error when this thread's work already holds the lock.
    explicit ModuleWork(host::Scene* scene);
    static bool workingHere();
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
