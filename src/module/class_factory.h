// ModuleClassFactory: the class factory the module hands out for one class identifier.
#pragma once

#include "frame/component.h"
#include "module/class_table.h"
#include "qv/class_factory.h"

namespace brumo {

class ModuleClassFactory final
    : public TQVComponent<ModuleClassFactory, TBasicUnknown, IQVClassFactory> {
public:
    explicit ModuleClassFactory(const QVGuid& classId);

    // 0x8001FFFF, out untouched, when the class is not in the table or its memory cannot be had.
    QVResult QV_CALL CreateInstance(IQVUnknown* outer, const QVGuid& iid, void** out) override;
    QVResult QV_CALL LockServer(int32_t lock) override;

    // The class factory interface, then TBasicUnknown.
    QVResult queryInterfaceChain(const QVGuid& iid, void** out);

    IQVClassFactory* factoryInterface() { return this; }
    const QVGuid& classId() const { return classId_; }

private:
    QVGuid classId_;
};

// Builds an object with create, aggregated by outer, and queries it for iid into out. A failed
// query destroys the object again.
QVResult createComponent(CreateFunction create, IQVUnknown* outer, const QVGuid& iid, void** out);

// Makes a factory for classId and queries it for iid; raises 0x80010002 when the factory's
// memory cannot be had.
QVResult getClassObject(const QVGuid& classId, const QVGuid& iid, void** out);

}  // namespace brumo
