// TBasicPart: an editor part. It answers the part and responder interfaces with the defaults of
// every operation, and reaches the host part that aggregates it (its outer object) on demand.
//
// Primary operations, by position: 4 primarySlot4 (one value, 0), 5 primarySlot5 (three values,
// nothing).
#pragma once

#include "frame/basic_unknown.h"
#include "qv/counted_ptr.h"
#include "qv/editor_part.h"
#include "qv/host_editor.h"

class TBasicPart : public TBasicUnknown, public IMFExResponder, public IMFExPart {
public:
    virtual int32_t QV_CALL primarySlot4(intptr_t value);                                // primary 4
    virtual void QV_CALL primarySlot5(intptr_t first, intptr_t second, intptr_t third);  // primary 5

    // IMFExResponder defaults.
    bool QV_CALL receiveMessage(int32_t message, IQVUnknown* source, void* extra) override;
    bool QV_CALL responderSlot5(intptr_t value) override;
    void QV_CALL responderSlot6() override;
    bool QV_CALL responderSlot7(intptr_t value) override;
    void QV_CALL responderSlot8(intptr_t value) override;
    bool QV_CALL responderSlot9(intptr_t first, intptr_t second) override;
    bool QV_CALL responderSlot10(void** out, intptr_t first, intptr_t second) override;
    bool QV_CALL responderSlot11(void** out1, intptr_t second, void** out3, void** out4,
                                 intptr_t fifth, intptr_t sixth, intptr_t seventh) override;
    // Passed on to the host responder's 9th operation.
    void QV_CALL responderSlot12(intptr_t value) override;

    // IMFExPart defaults.
    void QV_CALL partSlot4() override;
    void QV_CALL partSlot5(intptr_t value) override;
    void QV_CALL partSlot6(intptr_t value) override;
    void QV_CALL partSlot7(intptr_t value) override;
    bool QV_CALL partSlot8(intptr_t first, intptr_t second) override;
    // 9 to 11 are passed on to the host part's 53rd to 55th operations.
    void QV_CALL partSlot9(intptr_t first, intptr_t second) override;
    void QV_CALL partSlot10(intptr_t first, intptr_t second) override;
    void QV_CALL partSlot11(intptr_t value) override;
    void QV_CALL partSlot12(intptr_t first, intptr_t second) override;
    void QV_CALL partSlot13(intptr_t first, intptr_t second) override;
    void QV_CALL partSlot14(intptr_t value) override;
    void QV_CALL prepareContent(int32_t* out, intptr_t first, intptr_t second) override;
    bool QV_CALL partSlot16(intptr_t first, intptr_t second) override;
    bool QV_CALL partSlot17(intptr_t first, intptr_t second) override;
    // Passed on to the host part's 5th operation.
    void QV_CALL partSlot18(intptr_t first, intptr_t second) override;
    // Releases the host part and does not fetch it again.
    void QV_CALL detachPart() override;
    void QV_CALL partSlot20() override;
    bool QV_CALL partSlot21(intptr_t first, intptr_t second, intptr_t third) override;
    void QV_CALL partSlot22(intptr_t first, intptr_t second, intptr_t third, void** out,
                            intptr_t fifth) override;
    bool QV_CALL partSlot23(intptr_t first, intptr_t second) override;
    bool QV_CALL partSlot24(intptr_t first, intptr_t second) override;
    bool QV_CALL partSlot25(intptr_t first, intptr_t second, intptr_t third) override;
    // Stores primarySlot4(value).
    void QV_CALL partSlot26(intptr_t value, int32_t* out) override;
    bool QV_CALL partSlot27(intptr_t first, intptr_t second, intptr_t third) override;
    bool QV_CALL readInitData(uint32_t itemId, IQVUnknown* source) override;
    void QV_CALL attachPart() override;
    int32_t QV_CALL partSlot30() override;
    void QV_CALL partSlot31(intptr_t value) override;
    bool QV_CALL partSlot32() override;
    int32_t QV_CALL partSlot33() override;

    // IMFExPart, IMFExResponder, then TBasicUnknown.
    QVResult queryInterfaceChain(const QVGuid& iid, void** out);

    IMFExPart* partInterface() { return this; }
    IMFExResponder* responderInterface() { return this; }

protected:
    TBasicPart();
    ~TBasicPart() = default;

    // The host part, fetched from the outer object on first use while that is allowed; null when
    // none can be had.
    IMFPart* hostPartInterface();

    QVCountedPtr<IMFPart> hostPart;
    int32_t hostPartAllowed;
};
