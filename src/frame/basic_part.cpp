#include "frame/basic_part.h"

TBasicPart::TBasicPart() : hostPartAllowed(1) {}

IMFPart* TBasicPart::hostPartInterface() {
    // The part does not answer the host part identifier itself: the query reaches the outer.
    if (!hostPart && hostPartAllowed != 0) primaryUnknown()->QueryInterface(qv::IID_IMFPart, hostPart.slot());
    return hostPart.get();
}

int32_t TBasicPart::primarySlot4(intptr_t) { return 0; }
void TBasicPart::primarySlot5(intptr_t, intptr_t, intptr_t) {}

bool TBasicPart::receiveMessage(int32_t, IQVUnknown*, void*) { return false; }
bool TBasicPart::responderSlot5(intptr_t) { return false; }
void TBasicPart::responderSlot6() {}
bool TBasicPart::responderSlot7(intptr_t) { return false; }
void TBasicPart::responderSlot8(intptr_t) {}
bool TBasicPart::responderSlot9(intptr_t, intptr_t) { return false; }
bool TBasicPart::responderSlot10(void** out, intptr_t, intptr_t) {
    qv::releaseSlot(out);
    return false;
}
bool TBasicPart::responderSlot11(void** out1, intptr_t, void** out3, void** out4, intptr_t, intptr_t,
                                 intptr_t) {
    qv::releaseSlot(out1);
    qv::releaseSlot(out3);
    qv::releaseSlot(out4);
    return false;
}
void TBasicPart::responderSlot12(intptr_t value) {
    // Asked afresh every time, and let go again at once.
    QVCountedPtr<IMFResponder> responder;
    primaryUnknown()->QueryInterface(qv::IID_IMFResponder, responder.slot());
    if (responder) responder->hostResponderSlot9(value);
}

void TBasicPart::partSlot4() {}
void TBasicPart::partSlot5(intptr_t) {}
void TBasicPart::partSlot6(intptr_t) {}
void TBasicPart::partSlot7(intptr_t) {}
bool TBasicPart::partSlot8(intptr_t, intptr_t) { return false; }
void TBasicPart::partSlot9(intptr_t first, intptr_t second) {
    if (IMFPart* part = hostPartInterface()) part->hostPartSlot53(first, second);
}
void TBasicPart::partSlot10(intptr_t first, intptr_t second) {
    if (IMFPart* part = hostPartInterface()) part->hostPartSlot54(first, second);
}
void TBasicPart::partSlot11(intptr_t value) {
    if (IMFPart* part = hostPartInterface()) part->hostPartSlot55(value);
}
void TBasicPart::partSlot12(intptr_t, intptr_t) {}
void TBasicPart::partSlot13(intptr_t, intptr_t) {}
void TBasicPart::partSlot14(intptr_t) {}
void TBasicPart::prepareContent(int32_t* out, intptr_t, intptr_t) {
    if (out != nullptr) *out = 0;
}
bool TBasicPart::partSlot16(intptr_t, intptr_t) { return false; }
bool TBasicPart::partSlot17(intptr_t, intptr_t) { return false; }
void TBasicPart::partSlot18(intptr_t first, intptr_t second) {
    // Asked afresh every time, not kept in hostPart.
    QVCountedPtr<IMFPart> part;
    primaryUnknown()->QueryInterface(qv::IID_IMFPart, part.slot());
    if (part) part->hostPartSlot5(first, second);
}
void TBasicPart::detachPart() {
    hostPart.reset();
    hostPartAllowed = 0;
}
void TBasicPart::partSlot20() {}
bool TBasicPart::partSlot21(intptr_t, intptr_t, intptr_t) { return false; }
void TBasicPart::partSlot22(intptr_t, intptr_t, intptr_t, void** out, intptr_t) { qv::releaseSlot(out); }
bool TBasicPart::partSlot23(intptr_t, intptr_t) { return false; }
bool TBasicPart::partSlot24(intptr_t, intptr_t) { return false; }
bool TBasicPart::partSlot25(intptr_t, intptr_t, intptr_t) { return false; }
void TBasicPart::partSlot26(intptr_t value, int32_t* out) {
    const int32_t result = primarySlot4(value);
    if (out != nullptr) *out = result;
}
bool TBasicPart::partSlot27(intptr_t, intptr_t, intptr_t) { return false; }
bool TBasicPart::readInitData(uint32_t, IQVUnknown*) { return false; }
void TBasicPart::attachPart() {}
int32_t TBasicPart::partSlot30() { return 0; }
void TBasicPart::partSlot31(intptr_t) {}
bool TBasicPart::partSlot32() { return false; }
int32_t TBasicPart::partSlot33() { return -1; }

QVResult TBasicPart::queryInterfaceChain(const QVGuid& iid, void** out) {
    if (iid == qv::IID_IMFExPart) return answerQuery(partInterface(), out);
    if (iid == qv::IID_IMFExResponder) return answerQuery(responderInterface(), out);
    return TBasicUnknown::queryInterfaceChain(iid, out);
}
