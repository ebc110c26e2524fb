// IExDataExchanger: how the host reaches a component's parameter block and sends it editor events.
//
// Positions in the comments count the three IQVUnknown operations. Operations whose purpose the
// host keeps to itself carry the interface's short prefix and their position (exchangerSlot6):
// a component implements several interfaces at once, and equal names in two of them would
// override each other.
#pragma once

#include "qv/unknown.h"

namespace qv {

constexpr QVGuid IID_IExDataExchanger = qvGuid(0xB295B680, 0x3A02, 0x101C, 0x885F, 0x04021C007002ULL);

}  // namespace qv

struct IExDataExchanger : IQVUnknown {
    virtual void QV_CALL exchangerSlot4(void** out, intptr_t value) = 0;                 // 4
    virtual bool QV_CALL exchangerSlot5(intptr_t value) = 0;                             // 5
    virtual QVResult QV_CALL exchangerSlot6(intptr_t first, intptr_t second) = 0;        // 6
    virtual QVResult QV_CALL exchangerSlot7(intptr_t first, intptr_t second) = 0;        // 7
    // Address of the component's parameter block; the host reads and writes it in place.
    virtual void* QV_CALL parameterBlock() = 0;                                          // 8
    // The host wrote new values into the block.
    virtual QVResult QV_CALL parametersChanged() = 0;                                    // 9
    virtual QVResult QV_CALL exchangerSlot10(intptr_t first, intptr_t second, intptr_t third) = 0;  // 10
    // An editor event: kind 5 is a changed control (source is the control), 5110 a component
    // list change. The handler owns data records that it is documented to own.
    virtual QVResult QV_CALL handleEvent(int32_t kind, IQVUnknown* source, void* data) = 0;  // 11
    virtual void QV_CALL exchangerSlot12(int32_t* out) = 0;                              // 12
    virtual int16_t QV_CALL exchangerSlot13() = 0;                                       // 13
    virtual int16_t QV_CALL exchangerSlot14() = 0;                                       // 14
    virtual QVResult QV_CALL exchangerSlot15() = 0;                                      // 15
    virtual QVResult QV_CALL exchangerSlot16() = 0;                                      // 16
    virtual QVResult QV_CALL exchangerSlot17(intptr_t value) = 0;                        // 17
    // Size of the parameter block in bytes.
    virtual int32_t QV_CALL parameterBlockSize() = 0;                                    // 18
};
