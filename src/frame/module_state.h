// Module-wide state: the live-object count, the clean-up flag and the five host services taken at
// initialisation. Everything else of the module reaches the services through the accessors
// below; a service the host did not grant is null.
#pragma once

#include "qv/counted_ptr.h"
#include "qv/services.h"

namespace brumo {

struct ModuleState {
    int32_t liveObjectCount = 0;  // components and class factories alive
    bool cleanedUp = false;       // set by a clean-up, cleared by the next initialisation
    QVCountedPtr<IQVMemoryService> memoryService;
    QVCountedPtr<IQVUtilityService> utilityService;
    QVCountedPtr<IQVResourceService> resourceService;
    QVCountedPtr<IQVShellService> shellService;
    QVCountedPtr<IQVIdleService> idleService;

    // Unloading without a clean-up lets go of the shell service only.
    ~ModuleState();
};

ModuleState& moduleState();

inline IQVMemoryService* memoryService() { return moduleState().memoryService.get(); }
inline IQVUtilityService* utilityService() { return moduleState().utilityService.get(); }
inline IQVResourceService* resourceService() { return moduleState().resourceService.get(); }
inline IQVShellService* shellService() { return moduleState().shellService.get(); }
inline IQVIdleService* idleService() { return moduleState().idleService.get(); }

inline int32_t liveObjectCount() { return moduleState().liveObjectCount; }

// Takes the services from hostServices (may be null), installs the fault handling on the
// calling thread and hands noise lattices the utility service.
void initialiseModule(IQVUnknown* hostServices);

// Releases the services and restores the fault handling; a second call before the next
// initialisation does nothing.
void cleanUpModule();

}  // namespace brumo
