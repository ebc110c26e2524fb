// Loads a Brumo module library at run time, as a real host would: dlopen, the six entry points,
// initialisation with a services object, creation of components by class id, clean-up.
#pragma once

#include <stdexcept>
#include <string>

#include "qv/entry_points.h"
#include "qv/guid.h"
#include "qv/unknown.h"

namespace brumo::host {

class ModuleLoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The six entry points of a module library.
struct ModuleEntryPoints {
    QVDllInitFunction init = nullptr;
    QVDllCleanUpFunction cleanUp = nullptr;
    QVDllGetClassObjectFunction getClassObject = nullptr;
    QVDllCanUnloadNowFunction canUnloadNow = nullptr;
    QVDllInitExceptionTranslatorFunction initTranslator = nullptr;
    QVDllCleanUpExceptionTranslatorFunction cleanUpTranslator = nullptr;

    // Looks every entry point up in a library opened with dlopen; answers the name of the first
    // one it does not export, or null when it exports all six.
    const char* resolve(void* library);
};

// getClassObject (a module's QVDllGetClassObject, loaded or linked in) followed by
// CreateInstance on the factory. Returns the result code of the step that failed, or 0 with *out
// holding a counted reference. A TQVException raised by the module is answered with its code.
QVResult createThroughClassObject(QVDllGetClassObjectFunction getClassObject, const QVGuid& classId,
                                  const QVGuid& iid, void** out, IQVUnknown* outer = nullptr);

class ModuleLoader {
public:
    // Opens the library and resolves every entry point; throws ModuleLoadError naming the path
    // and what went wrong (the library cannot be opened, or a symbol is missing).
    explicit ModuleLoader(const std::string& path);
    // Cleans up if initialised. The library is closed only when the module reports that it can
    // be unloaded: closing it under live components would leave them without code.
    ~ModuleLoader();
    ModuleLoader(const ModuleLoader&) = delete;
    ModuleLoader& operator=(const ModuleLoader&) = delete;

    const std::string& path() const { return path_; }
    bool initialised() const { return initialised_; }

    // QVDllInit with the host's services object (may be null); again after cleanUp, a new life.
    QVResult initialise(IQVUnknown* hostServices);
    // QVDllCleanUp, once per initialisation.
    QVResult cleanUp();
    bool canUnloadNow() const;

    // createThroughClassObject with the library's QVDllGetClassObject.
    QVResult createInstance(const QVGuid& classId, const QVGuid& iid, void** out,
                            IQVUnknown* outer = nullptr);
    QVResult getClassObject(const QVGuid& classId, const QVGuid& iid, void** out);

    QVResult initExceptionTranslator() const { return entry_.initTranslator(); }
    QVResult cleanUpExceptionTranslator() const { return entry_.cleanUpTranslator(); }

    // Whether the library was really closed when the loader went away (for diagnostics).
    static bool lastCloseSkipped();

private:
    std::string path_;
    void* library_ = nullptr;
    bool initialised_ = false;
    bool cleanedUp_ = false;
    ModuleEntryPoints entry_;
};

}  // namespace brumo::host
