#include "frame/module_state.h"

#include "frame/fault_handling.h"
#include "math/noise_lattice.h"
#include "qv/memory.h"

namespace brumo {

namespace {

ModuleState state;  // constant-initialised: usable before any constructor of the library runs

}  // namespace

ModuleState::~ModuleState() {
    memoryService.detach();
    utilityService.detach();
    resourceService.detach();
    idleService.detach();
    shellService.reset();
}

ModuleState& moduleState() { return state; }

void initialiseModule(IQVUnknown* hostServices) {
    // An init after a clean-up starts a new life: without this the next clean-up would keep
    // the services and the presets taken here.
    state.cleanedUp = false;
    if (hostServices != nullptr) {
        hostServices->QueryInterface(qv::IID_MemoryService, state.memoryService.slot());
        hostServices->QueryInterface(qv::IID_UtilityService, state.utilityService.slot());
        hostServices->QueryInterface(qv::IID_ResourceService, state.resourceService.slot());
        hostServices->QueryInterface(qv::IID_ShellService, state.shellService.slot());
        hostServices->QueryInterface(qv::IID_IdleService, state.idleService.slot());
    }
    // From here on every SDK allocation of the module goes to the host.
    qv::memoryServiceSlot() = state.memoryService.get();
    installFaultHandling();
    setLatticeRandomSource(&utilityService);
}

void cleanUpModule() {
    if (state.cleanedUp) return;
    state.utilityService.reset();
    state.resourceService.reset();
    state.shellService.reset();
    state.idleService.reset();
    state.memoryService.reset();
    qv::memoryServiceSlot() = nullptr;
    restoreFaultHandling();
    state.cleanedUp = true;
}

}  // namespace brumo
