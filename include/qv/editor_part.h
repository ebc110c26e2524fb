// The interfaces of an editor part that the module places in a host property panel. The host
// aggregates each part with a host part of its own (the part's outer object).
//
// Positions in the comments count the three IQVUnknown operations; operations whose purpose the
// host keeps to itself are named by prefix and position (see data_exchanger.h).
#pragma once

#include "qv/unknown.h"

namespace qv {

constexpr QVGuid IID_IMFExPart = qvGuid(0xDE9FD1D1, 0xD892, 0x11D1, 0xA0D5, 0x00AA00D307EBULL);
constexpr QVGuid IID_IMFExResponder = qvGuid(0x787A5701, 0xEB6F, 0x11D1, 0xAB25, 0x00600815AD45ULL);

}  // namespace qv

struct IMFExResponder : IQVUnknown {
    // A panel message; true when the part consumed it.
    virtual bool QV_CALL receiveMessage(int32_t message, IQVUnknown* source, void* extra) = 0;  // 4
    virtual bool QV_CALL responderSlot5(intptr_t value) = 0;                         // 5
    virtual void QV_CALL responderSlot6() = 0;                                       // 6
    virtual bool QV_CALL responderSlot7(intptr_t value) = 0;                         // 7
    virtual void QV_CALL responderSlot8(intptr_t value) = 0;                         // 8
    virtual bool QV_CALL responderSlot9(intptr_t first, intptr_t second) = 0;        // 9
    virtual bool QV_CALL responderSlot10(void** out, intptr_t first, intptr_t second) = 0;  // 10
    virtual bool QV_CALL responderSlot11(void** out1, intptr_t second, void** out3, void** out4,
                                         intptr_t fifth, intptr_t sixth, intptr_t seventh) = 0;  // 11
    virtual void QV_CALL responderSlot12(intptr_t value) = 0;                        // 12
};

struct IMFExPart : IQVUnknown {
    virtual void QV_CALL partSlot4() = 0;                                            // 4
    virtual void QV_CALL partSlot5(intptr_t value) = 0;                              // 5
    virtual void QV_CALL partSlot6(intptr_t value) = 0;                              // 6
    virtual void QV_CALL partSlot7(intptr_t value) = 0;                              // 7
    virtual bool QV_CALL partSlot8(intptr_t first, intptr_t second) = 0;             // 8
    virtual void QV_CALL partSlot9(intptr_t first, intptr_t second) = 0;             // 9
    virtual void QV_CALL partSlot10(intptr_t first, intptr_t second) = 0;            // 10
    virtual void QV_CALL partSlot11(intptr_t value) = 0;                             // 11
    virtual void QV_CALL partSlot12(intptr_t first, intptr_t second) = 0;            // 12
    virtual void QV_CALL partSlot13(intptr_t first, intptr_t second) = 0;            // 13
    virtual void QV_CALL partSlot14(intptr_t value) = 0;                             // 14
    // Called before the panel shows the part; popups refill their lists here.
    virtual void QV_CALL prepareContent(int32_t* out, intptr_t first, intptr_t second) = 0;  // 15
    virtual bool QV_CALL partSlot16(intptr_t first, intptr_t second) = 0;            // 16
    virtual bool QV_CALL partSlot17(intptr_t first, intptr_t second) = 0;            // 17
    virtual void QV_CALL partSlot18(intptr_t first, intptr_t second) = 0;            // 18
    // The panel goes away: the part lets go of its host part and of what it holds of the scene.
    virtual void QV_CALL detachPart() = 0;                                           // 19
    virtual void QV_CALL partSlot20() = 0;                                           // 20
    virtual bool QV_CALL partSlot21(intptr_t first, intptr_t second, intptr_t third) = 0;  // 21
    virtual void QV_CALL partSlot22(intptr_t first, intptr_t second, intptr_t third, void** out,
                                    intptr_t fifth) = 0;                             // 22
    virtual bool QV_CALL partSlot23(intptr_t first, intptr_t second) = 0;            // 23
    virtual bool QV_CALL partSlot24(intptr_t first, intptr_t second) = 0;            // 24
    virtual bool QV_CALL partSlot25(intptr_t first, intptr_t second, intptr_t third) = 0;  // 25
    virtual void QV_CALL partSlot26(intptr_t value, int32_t* out) = 0;               // 26
    virtual bool QV_CALL partSlot27(intptr_t first, intptr_t second, intptr_t third) = 0;  // 27
    // One init-data item of the panel layout: itemId is its four-character id; source answers
    // the host part interface, and the item's value is read from it with getValue.
    virtual bool QV_CALL readInitData(uint32_t itemId, IQVUnknown* source) = 0;      // 28
    // The panel is built and the part is in place.
    virtual void QV_CALL attachPart() = 0;                                           // 29
    virtual int32_t QV_CALL partSlot30() = 0;                                        // 30
    virtual void QV_CALL partSlot31(intptr_t value) = 0;                             // 31
    virtual bool QV_CALL partSlot32() = 0;                                           // 32
    virtual int32_t QV_CALL partSlot33() = 0;                                        // 33
};
