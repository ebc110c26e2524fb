// The fields an effect adds to the common block are exchanged with the host right behind it, so
// each must sit as far behind the primitive's `parameters` as the effect's parameter block puts
// it. Effects are not standard-layout (offsetof warns) but have no virtual bases, so the offsets
// are fixed.
#pragma once

#include <cstddef>

#define BRUMO_ASSERT_FOLLOWS_COMMON_BLOCK(Effect, Block, field)                                       \
    _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Winvalid-offsetof\"")         \
    static_assert(offsetof(Effect, field) - offsetof(Effect, parameters) == offsetof(Block, field), \
                  #field " follows the common block");                                              \
    _Pragma("GCC diagnostic pop")
