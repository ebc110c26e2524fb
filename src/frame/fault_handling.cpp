#include "frame/fault_handling.h"

namespace brumo {

// On this platform a hardware fault cannot be turned into an exception soundly: unwinding out of
// a signal handler skips the async-signal-safety rules and can leave a primitive's lock held, and
// a terminate handler must not return or throw. The module therefore leaves the thread's signal
// dispositions, the terminate handler and the C library's error reporting exactly as the host set
// them. Errors the module detects itself still arrive as TQVException.
void installFaultHandling() {}
void restoreFaultHandling() {}

}  // namespace brumo
