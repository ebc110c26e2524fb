#include "frame/basic_unknown.h"

#include "frame/module_state.h"
#include "qv/exception.h"

TBasicUnknown::TBasicUnknown() : refCount(1), outer(nullptr) { brumo::moduleState().liveObjectCount += 1; }

TBasicUnknown::~TBasicUnknown() { brumo::moduleState().liveObjectCount -= 1; }

QVResult TBasicUnknown::queryInterfaceChain(const QVGuid& iid, void** out) {
    if (iid == qv::IID_IQVUnknown) return answerQuery(primaryUnknown(), out);
    if (outer != nullptr) return outer->QueryInterface(iid, out);
    qv::releaseSlot(out);
    return qv::kNoInterface;
}

int32_t TBasicUnknown::addReference() {
    if (outer != nullptr) return outer->AddRef();
    refCount += 1;
    return refCount;
}

int32_t TBasicUnknown::releaseReference(void (*destroy)(TBasicUnknown*)) {
    if (outer != nullptr) {
        // The outer answers -1 when it is gone and its inner object must go too.
        const int32_t remaining = outer->Release();
        if (remaining == -1) destroy(this);
        return remaining;
    }
    refCount -= 1;
    if (refCount == 0) {
        destroy(this);
        return 0;
    }
    if (refCount < 0) qv::raise(qv::kRefCountUnderflow);
    return refCount;
}
