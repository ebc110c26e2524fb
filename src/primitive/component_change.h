// The record that comes with a "Ctrl" event: the common editor part passes on the host's report
// that the components attached to a primitive changed (messages 5102 to 5104).
//
// The sender allocates it as a block through the memory service (qv::allocateBlock) and gives up
// both the block and the list reference; the receiving primitive releases the reference and frees
// the block (qv::freeBlock), whatever the kind.
#pragma once

#include <cstdint>

#include "qv/host_editor.h"

namespace brumo {

struct ComponentChangeRecord {
    int32_t kind;            // the host's message: 5102, 5103 or 5104 ask for a refill
    IMFComponentList* list;  // counted reference; may be null
};

}  // namespace brumo
