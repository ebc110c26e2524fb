// The one reference host of a Python process: the host's services, the module library loaded
// once, and the lock that lets one piece of module work run at a time, whichever Python thread
// asks. The module is initialised while scenes are alive: the first scene's work initialises
// it, and the work that lets the last scene go cleans it up, so that its memory service is back
// to zero whenever no scene is left.
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
    // Loads the module library on the first call: $BRUMO_MODULE, else libbrumo.so in the lib
    // folder beside the package (build/lib for build/python/brumo). Throws ModuleLoadError.
    static HostProcess& get();

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

    // Scenes alive in the process.
    void sceneCreated() { ++liveScenes_; }
    void sceneReleased() { --liveScenes_; }
    // Under the lock: QVDllInit when the module is not initialised; QVDllCleanUp when no scene
    // is left.
    void initialiseModule();
    void cleanUpWhenUnused();

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
