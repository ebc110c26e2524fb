// Shared test support: every test binary runs against one reference host whose services were
// handed to QVDllInit before the first test.
#pragma once

#include "host/services/host_services.h"

namespace brumo::test {

// The host the module was initialised with.
host::HostServices& host();

}  // namespace brumo::test
