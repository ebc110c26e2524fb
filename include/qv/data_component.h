// I3DExDataComponent: a component the host attaches to another object (the volume modifiers are
// attached to primitives). Positions in the comments count the three IQVUnknown operations.
#pragma once

#include "qv/unknown.h"

namespace qv {

constexpr QVGuid IID_I3DExDataComponent = qvGuid(0x817684A9, 0x8B35, 0x11D0, 0xA54A, 0x00AA00A36375ULL);

}  // namespace qv

struct I3DExDataComponent : IQVUnknown {
    virtual QVResult QV_CALL componentSlot4(intptr_t value) = 0;  // 4
    virtual bool QV_CALL componentSlot5(intptr_t value) = 0;      // 5
    virtual void QV_CALL componentSlot6(intptr_t value) = 0;      // 6
    virtual bool QV_CALL componentSlot7(intptr_t value) = 0;      // 7
    virtual bool QV_CALL componentSlot8(intptr_t value) = 0;      // 8
    virtual bool QV_CALL componentSlot9() = 0;                    // 9
};
