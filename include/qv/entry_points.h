// The six functions a module exports, and their pointer types for hosts that resolve them at run
// time. Every other use of the module goes through interfaces.
#pragma once

#include "qv/unknown.h"

extern "C" {

// Takes the host's services (may be null); always 0.
QV_EXPORT QVResult QV_CALL QVDllInit(IQVUnknown* hostServices);
// Ends the use of the services; a second call does nothing. Always 0.
QV_EXPORT QVResult QV_CALL QVDllCleanUp();
// Hands out a class factory for classId; the class is looked up only when an instance is made.
QV_EXPORT QVResult QV_CALL QVDllGetClassObject(const QVGuid& classId, const QVGuid& iid, void** out);
// 1 while any component or factory of the module is alive, otherwise 0.
QV_EXPORT QVResult QV_CALL QVDllCanUnloadNow();
// Install and remove the module's fault handling on the calling thread; always 0.
QV_EXPORT QVResult QV_CALL QVDllInitExceptionTranslator();
QV_EXPORT QVResult QV_CALL QVDllCleanUpExceptionTranslator();

}  // extern "C"

using QVDllInitFunction = QVResult(QV_CALL*)(IQVUnknown*);
using QVDllCleanUpFunction = QVResult(QV_CALL*)();
using QVDllGetClassObjectFunction = QVResult(QV_CALL*)(const QVGuid&, const QVGuid&, void**);
using QVDllCanUnloadNowFunction = QVResult(QV_CALL*)();
using QVDllInitExceptionTranslatorFunction = QVResult(QV_CALL*)();
using QVDllCleanUpExceptionTranslatorFunction = QVResult(QV_CALL*)();
