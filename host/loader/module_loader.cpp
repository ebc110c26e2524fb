#include "host/loader/module_loader.h"

#include <dlfcn.h>

#include <atomic>

#include "qv/class_factory.h"
#include "qv/exception.h"
#include "qv/result_codes.h"

namespace brumo::host {

namespace {

std::atomic<bool> closeSkipped{false};

}  // namespace

ModuleLoader::ModuleLoader(const std::string& path) : path_(path) {
    dlerror();
    library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) {
        const char* why = dlerror();
        throw ModuleLoadError("cannot load module " + path + ": " +
                              (why != nullptr ? why : "unknown error"));
    }
    try {
        init_ = reinterpret_cast<QVDllInitFunction>(resolve("QVDllInit"));
        cleanUp_ = reinterpret_cast<QVDllCleanUpFunction>(resolve("QVDllCleanUp"));
        getClassObject_ =
            reinterpret_cast<QVDllGetClassObjectFunction>(resolve("QVDllGetClassObject"));
        canUnloadNow_ = reinterpret_cast<QVDllCanUnloadNowFunction>(resolve("QVDllCanUnloadNow"));
        initTranslator_ = reinterpret_cast<QVDllInitExceptionTranslatorFunction>(
            resolve("QVDllInitExceptionTranslator"));
        cleanUpTranslator_ = reinterpret_cast<QVDllCleanUpExceptionTranslatorFunction>(
            resolve("QVDllCleanUpExceptionTranslator"));
    } catch (...) {
        dlclose(library_);
        library_ = nullptr;
        throw;
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

void* ModuleLoader::resolve(const char* name) {
    dlerror();
    void* symbol = dlsym(library_, name);
    if (symbol == nullptr)
        throw ModuleLoadError("module " + path_ + " does not export the entry point " + name);
    return symbol;
}

QVResult ModuleLoader::initialise(IQVUnknown* hostServices) {
    const QVResult result = init_(hostServices);
    initialised_ = true;
    return result;
}

QVResult ModuleLoader::cleanUp() {
    if (cleanedUp_) return qv::kOk;
    cleanedUp_ = true;
    initialised_ = false;
    return cleanUp_();
}

bool ModuleLoader::canUnloadNow() const { return canUnloadNow_() == 0; }

QVResult ModuleLoader::getClassObject(const QVGuid& classId, const QVGuid& iid, void** out) {
    try {
        return getClassObject_(classId, iid, out);
    } catch (const TQVException& error) {
        return error.code;
    }
}

QVResult ModuleLoader::createInstance(const QVGuid& classId, const QVGuid& iid, void** out,
                                      IQVUnknown* outer) {
    void* slot = nullptr;
    const QVResult found = getClassObject(classId, qv::IID_IClassFactory, &slot);
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
