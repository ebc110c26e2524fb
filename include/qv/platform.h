// Calling convention, export macro and the basic integer types of the host SDK.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define QV_CALL __stdcall
#else
#define QV_CALL
#endif

#if defined(_WIN32)
#define QV_EXPORT __declspec(dllexport)
// A Windows DLL exports the six entry points only; exception types are matched by name there.
#define QV_EXPORT_TYPE
#else
#define QV_EXPORT __attribute__((visibility("default")))
// Shown so that a host's catch matches the module's throw.
#define QV_EXPORT_TYPE __attribute__((visibility("default")))
#endif

// Signed 32-bit result code of every host interface operation.
using QVResult = int32_t;
