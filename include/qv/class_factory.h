// The class factory interface (COM's IClassFactory layout and identifier).
#pragma once

#include "qv/unknown.h"

namespace qv {

constexpr QVGuid IID_IClassFactory = qvGuid(0x00000001, 0x0000, 0x0000, 0xC000, 0x000000000046ULL);

}  // namespace qv

struct IQVClassFactory : IQVUnknown {
    // Builds a component of the factory's class, aggregated by outer when it is not null.
    virtual QVResult QV_CALL CreateInstance(IQVUnknown* outer, const QVGuid& iid, void** out) = 0;  // 4
    // Accepted and ignored: it does not keep the module loaded.
    virtual QVResult QV_CALL LockServer(int32_t lock) = 0;  // 5
};
