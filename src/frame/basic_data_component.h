// TBasicDataComponent: a component that the host attaches to another object. Its primary
// interface (first in the object) is the data component interface, or an interface that extends
// it (the volume modifiers use IVolumeModifier); the data exchanger follows it, and its
// TBasicUnknown is what answers IQVUnknown.
#pragma once

#include <type_traits>

#include "frame/basic_data_exchanger.h"
#include "qv/data_component.h"

template <class Interface = I3DExDataComponent>
class TBasicDataComponent : public Interface, public TBasicDataExchanger {
    static_assert(std::is_base_of<I3DExDataComponent, Interface>::value,
                  "the primary interface extends the data component interface");

public:
    QVResult QV_CALL componentSlot4(intptr_t) override { return qv::kNotImplemented; }
    bool QV_CALL componentSlot5(intptr_t) override { return true; }
    void QV_CALL componentSlot6(intptr_t) override {}
    bool QV_CALL componentSlot7(intptr_t) override { return false; }
    bool QV_CALL componentSlot8(intptr_t) override { return false; }
    bool QV_CALL componentSlot9() override { return false; }

    // The data component interface, then the exchanger.
    QVResult queryInterfaceChain(const QVGuid& iid, void** out) {
        if (iid == qv::IID_I3DExDataComponent) return answerQuery(primaryInterface(), out);
        return TBasicDataExchanger::queryInterfaceChain(iid, out);
    }

    Interface* primaryInterface() { return this; }

protected:
    TBasicDataComponent() = default;
    ~TBasicDataComponent() = default;
};
