// I3DExGeometricPrimitive: where a primitive is and how finely the host should sample it.
//
// Positions in the comments count the three IQVUnknown operations; operations whose purpose the
// host keeps to itself are named by prefix and position (see data_exchanger.h).
#pragma once

#include "qv/scene_records.h"
#include "qv/unknown.h"

namespace qv {

constexpr QVGuid IID_I3DExGeometricPrimitive =
    qvGuid(0xAB40E1C0, 0x3A02, 0x101C, 0x885F, 0x04021C007002ULL);

}  // namespace qv

struct I3DExGeometricPrimitive : IQVUnknown {
    // Fills the caller's box with the primitive's bounds and returns it.
    virtual QVBox* QV_CALL queryBounds(QVBox* box) = 0;          // 4
    virtual QVBox* QV_CALL geometrySlot5(QVBox* box) = 0;        // 5
    virtual int32_t QV_CALL geometrySlot6(intptr_t value) = 0;                   // 6
    virtual QVResult QV_CALL geometrySlot7(intptr_t first, intptr_t second, intptr_t third) = 0;  // 7
    // Number of sampling levels between the fine and the coarse sampling size.
    virtual QVResult QV_CALL levelCount(int16_t* count) = 0;                     // 8
    // Sampling size of a level: the fine size doubled for every level above the first.
    virtual QVResult QV_CALL levelSize(int16_t level, float* size) = 0;          // 9
    virtual QVResult QV_CALL geometrySlot10(intptr_t value, void** out) = 0;     // 10
    virtual bool QV_CALL geometrySlot11() = 0;                                   // 11
    virtual QVResult QV_CALL geometrySlot12(void** out) = 0;                     // 12
    virtual void QV_CALL geometrySlot13(void** out) = 0;                         // 13
    virtual void QV_CALL geometrySlot14(intptr_t value) = 0;                     // 14
    virtual bool QV_CALL geometrySlot15() = 0;                                   // 15
    virtual QVResult QV_CALL geometrySlot16(intptr_t first, intptr_t second) = 0;  // 16
    virtual int32_t QV_CALL geometrySlot17() = 0;                                // 17
    virtual QVResult QV_CALL geometrySlot18(intptr_t first, intptr_t second) = 0;  // 18
    virtual bool QV_CALL geometrySlot19() = 0;                                   // 19
    virtual QVResult QV_CALL geometrySlot20(intptr_t first, intptr_t second) = 0;  // 20
    virtual QVResult QV_CALL geometrySlot21(intptr_t first, intptr_t second, intptr_t third,
                                            intptr_t fourth) = 0;                // 21
    virtual QVResult QV_CALL geometrySlot22(intptr_t first, intptr_t second) = 0;  // 22
    virtual QVResult QV_CALL geometrySlot23(intptr_t first, intptr_t second) = 0;  // 23
    virtual bool QV_CALL geometrySlot24() = 0;                                   // 24
    virtual bool QV_CALL geometrySlot25() = 0;                                   // 25
    virtual bool QV_CALL geometrySlot26() = 0;                                   // 26
    virtual void QV_CALL geometrySlot27(void** out, intptr_t value) = 0;         // 27
    virtual void QV_CALL geometrySlot28(int32_t* first, int32_t* second, int32_t* third) = 0;  // 28
    virtual void QV_CALL geometrySlot29() = 0;                                   // 29
    virtual int32_t QV_CALL geometrySlot30(intptr_t value) = 0;                  // 30
    virtual bool QV_CALL geometrySlot31() = 0;                                   // 31
    virtual void QV_CALL geometrySlot32(intptr_t value) = 0;                     // 32
    virtual bool QV_CALL geometrySlot33() = 0;                                   // 33
    virtual bool QV_CALL geometrySlot34() = 0;                                   // 34
    virtual void QV_CALL geometrySlot35(intptr_t first, intptr_t second, intptr_t third,
                                        intptr_t fourth) = 0;                    // 35
    virtual int32_t QV_CALL geometrySlot36() = 0;                                // 36
    virtual bool QV_CALL geometrySlot37() = 0;                                   // 37
    virtual float QV_CALL geometrySlot38() = 0;                                  // 38
    virtual void QV_CALL geometrySlot39(intptr_t value) = 0;                     // 39
    virtual bool QV_CALL geometrySlot40(intptr_t first, intptr_t second) = 0;    // 40
    virtual bool QV_CALL geometrySlot41(intptr_t first, intptr_t second) = 0;    // 41
    virtual bool QV_CALL geometrySlot42() = 0;                                   // 42
    virtual void QV_CALL geometrySlot43() = 0;                                   // 43
    virtual int32_t QV_CALL geometrySlot44() = 0;                                // 44
    virtual void QV_CALL geometrySlot45() = 0;                                   // 45
    virtual void QV_CALL geometrySlot46() = 0;                                   // 46
    virtual void QV_CALL geometrySlot47(intptr_t value) = 0;                     // 47
    virtual bool QV_CALL geometrySlot48(intptr_t value) = 0;                     // 48
};
