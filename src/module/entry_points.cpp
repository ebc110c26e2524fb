// The six functions the module exports; nothing else leaves the library.
#include "frame/fault_handling.h"
#include "frame/module_state.h"
#include "module/class_factory.h"
#include "primitive/colour_gradient.h"
#include "qv/entry_points.h"

extern "C" {

QV_EXPORT QVResult QV_CALL QVDllInit(IQVUnknown* hostServices) {
    brumo::initialiseModule(hostServices);
    brumo::createPresetGradients();
    return 0;
}

QV_EXPORT QVResult QV_CALL QVDllCleanUp() {
    // The gradients go back through the memory service, so they go before it is released.
    if (!brumo::moduleState().cleanedUp) brumo::destroyPresetGradients();
    brumo::cleanUpModule();
    return 0;
}

QV_EXPORT QVResult QV_CALL QVDllGetClassObject(const QVGuid& classId, const QVGuid& iid, void** out) {
    return brumo::getClassObject(classId, iid, out);
}

QV_EXPORT QVResult QV_CALL QVDllCanUnloadNow() { return brumo::liveObjectCount() > 0 ? 1 : 0; }

QV_EXPORT QVResult QV_CALL QVDllInitExceptionTranslator() {
    brumo::installFaultHandling();
    return 0;
}

QV_EXPORT QVResult QV_CALL QVDllCleanUpExceptionTranslator() {
    brumo::restoreFaultHandling();
    return 0;
}

}  // extern "C"
