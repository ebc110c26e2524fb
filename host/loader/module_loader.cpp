#include "host/loader/module_loader.h"

#include <dlfcn.h>

#include <atomic>

#include "qv/class_factory.h"
#include "qv/exception.h"
#include "qv/result_codes.h"

namespace brumo::host {

namespace {

std::atomic<bool> closeSkipped{false};

template <class Function>
bool find(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

}  // namespace

const char* ModuleEntryPoints::resolve(void* library) {
    dlerror();
    if (!find(library, "QVDllInit", init)) return "QVDllInit";
    if (!find(library, "QVDllCleanUp", cleanUp)) return "QVDllCleanUp";
    if (!find(library, "QVDllGetClassObject", getClassObject)) return "QVDllGetClassObject";
    if (!find(library, "QVDllCanUnloadNow", canUnloadNow)) return "QVDllCanUnloadNow";
    if (!find(library, "QVDllInitExceptionTranslator", initTranslator)) return "QVDllInitExceptionTranslator";
    if (!find(library, "QVDllCleanUpExceptionTranslator", cleanUpTranslator))
        return "QVDllCleanUpExceptionTranslator";
    return nullptr;
}

ModuleLoader::ModuleLoader(const std::string& path) : path_(path) {
    dlerror();
    library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) {
        const char* why = dlerror();
        throw ModuleLoadError("cannot load module " + path + ": " +
                              (why != nullptr ? why : "unknown error"));
    }
    if (const char* missing = entry_.resolve(library_)) {
        dlclose(library_);
        library_ = nullptr;
        throw ModuleLoadError("module " + path + " does not export the entry point " + missing);
    }
}

ModuleLoader::~ModuleLoader() {
    if (library_ == nullptr) return;
    if (initialised_) cleanUp();
    if (canUnloadNow()) {
        dlclose(library_);
        closeSkipped.store(false);
    } else {
        closeSkipped.store(true);
    }
}

bool ModuleLoader::lastCloseSkipped() { return closeSkipped.load(); }

QVResult ModuleLoader::initialise(IQVUnknown* hostServices) {
    const QVResult result = entry_.init(hostServices);
    initialised_ = true;
    cleanedUp_ = false;  // an initialisation after a clean-up starts a new life
    return result;
}

QVResult ModuleLoader::cleanUp() {
    if (cleanedUp_) return qv::kOk;
    cleanedUp_ = true;
    initialised_ = false;
    return entry_.cleanUp();
}

bool ModuleLoader::canUnloadNow() const { return entry_.canUnloadNow() == 0; }

QVResult ModuleLoader::getClassObject(const QVGuid& classId, const QVGuid& iid, void** out) {
    try {
        return entry_.getClassObject(classId, iid, out);
    } catch (const TQVException& error) {
        return error.code;
    }
}

QVResult ModuleLoader::createInstance(const QVGuid& classId, const QVGuid& iid, void** out,
                                      IQVUnknown* outer) {
    return createThroughClassObject(entry_.getClassObject, classId, iid, out, outer);
}

QVResult createThroughClassObject(QVDllGetClassObjectFunction getClassObject, const QVGuid& classId,
                                  const QVGuid& iid, void** out, IQVUnknown* outer) {
    void* slot = nullptr;
    QVResult found;
    try {
        found = getClassObject(classId, qv::IID_IClassFactory, &slot);
    } catch (const TQVException& error) {
        return error.code;
    }
    if (found != qv::kOk || slot == nullptr) return found != qv::kOk ? found : qv::kNoInterface;
    auto* factory = static_cast<IQVClassFactory*>(slot);
    QVResult created;
    try {
        created = factory->CreateInstance(outer, iid, out);
    } catch (const TQVException& error) {
        created = error.code;
    }
    factory->Release();
    return created;
}

}  // namespace brumo::host
