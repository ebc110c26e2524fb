// The module's fault handling on a thread (see docs/faults.md for what a host gets on a fault).
#pragma once

namespace brumo {

void installFaultHandling();
void restoreFaultHandling();

}  // namespace brumo
