// TBasicUnknown: reference counting and interface queries, with aggregation by an outer object.
//
// A component class states what it answers in a non-virtual queryInterfaceChain that tests its
// own identifiers and then calls its base's; the most derived class is completed by
// TQVComponent (frame/component.h), which writes QueryInterface, AddRef, Release and the
// deleting destructor once for every interface the class carries.
//
// No class of the chain may declare a virtual destructor or helper virtuals ahead of the fixed
// slots: the host reaches the primary operations by position.
#pragma once

#include "frame/qv_object.h"
#include "qv/result_codes.h"
#include "qv/unknown.h"

class TBasicUnknown : public IQVUnknown, public TQVObject {
public:
    TBasicUnknown(const TBasicUnknown&) = delete;
    TBasicUnknown& operator=(const TBasicUnknown&) = delete;

    // IQVUnknown, then the outer object; otherwise the slot is cleared and 0x80014002 returned.
    QVResult queryInterfaceChain(const QVGuid& iid, void** out);

    // The aggregating object: it receives AddRef, Release and the queries this object cannot
    // answer. Set by the class factory; not counted.
    void setOuter(IQVUnknown* outerObject) { outer = outerObject; }
    IQVUnknown* outerObject() const { return outer; }

    // The reference-counting IQVUnknown of the object (its primary interface).
    IQVUnknown* primaryUnknown() { return this; }

protected:
    TBasicUnknown();
    ~TBasicUnknown();

    // Stores iface in the out slot with a reference of its own, releasing what the slot held.
    template <class Interface>
    static QVResult answerQuery(Interface* iface, void** out) {
        iface->AddRef();
        IQVUnknown* held = static_cast<IQVUnknown*>(*out);
        *out = static_cast<void*>(iface);
        if (held != nullptr) held->Release();
        return qv::kOk;
    }

    int32_t addReference();
    // destroy is called when the count reaches 0, or when the outer's Release answers -1.
    int32_t releaseReference(void (*destroy)(TBasicUnknown*));

    int32_t refCount;
    IQVUnknown* outer;
};
