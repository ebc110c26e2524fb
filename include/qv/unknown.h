// IQVUnknown: the root of every host and module interface (COM's IUnknown layout).
#pragma once

#include "qv/guid.h"

struct IQVUnknown {
    // The out slot is an owned counted pointer: whatever it holds is released before it is
    // filled, also when the query fails.
    virtual QVResult QV_CALL QueryInterface(const QVGuid& iid, void** out) = 0;
    virtual int32_t QV_CALL AddRef() = 0;
    virtual int32_t QV_CALL Release() = 0;
};

namespace qv {

constexpr QVGuid IID_IQVUnknown = qvGuid(0x00000000, 0x0000, 0x0000, 0xC000, 0x000000000046ULL);

// Releases and clears an out slot that may hold an interface.
inline void releaseSlot(void** slot) {
    if (slot != nullptr && *slot != nullptr) {
        IQVUnknown* held = static_cast<IQVUnknown*>(*slot);
        *slot = nullptr;
        held->Release();
    }
}

}  // namespace qv
