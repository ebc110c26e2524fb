// Result codes of the host interfaces and of raised TQVExceptions.
#pragma once

#include "qv/platform.h"

namespace qv {

constexpr QVResult kOk = 0;
constexpr QVResult kHandled = 1;
constexpr QVResult kNotImplemented = static_cast<QVResult>(0x80014001u);
constexpr QVResult kNoInterface = static_cast<QVResult>(0x80014002u);
constexpr QVResult kClassNotAvailable = static_cast<QVResult>(0x8001FFFFu);
constexpr QVResult kOutOfMemory = static_cast<QVResult>(0x80010002u);
constexpr QVResult kMissingOperation = static_cast<QVResult>(0x80010003u);
constexpr QVResult kFault = static_cast<QVResult>(0x80010004u);
constexpr QVResult kEditorPartError = static_cast<QVResult>(0x80010005u);
constexpr QVResult kExchangeDefault = static_cast<QVResult>(0x80010006u);
constexpr QVResult kCancelled = static_cast<QVResult>(0x80010080u);
constexpr QVResult kRefCountUnderflow = -2;

}  // namespace qv
