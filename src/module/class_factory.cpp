#include "module/class_factory.h"

#include "qv/counted_ptr.h"

namespace brumo {

ModuleClassFactory::ModuleClassFactory(const QVGuid& classId) : classId_(classId) {}

QVResult ModuleClassFactory::CreateInstance(IQVUnknown* outer, const QVGuid& iid, void** out) {
    const ClassTableRow* row = findClass(classId_);
    return createComponent(row != nullptr ? row->create : nullptr, outer, iid, out);
}

QVResult ModuleClassFactory::LockServer(int32_t) { return qv::kOk; }

QVResult ModuleClassFactory::queryInterfaceChain(const QVGuid& iid, void** out) {
    if (iid == qv::IID_IClassFactory) return answerQuery(factoryInterface(), out);
    return TBasicUnknown::queryInterfaceChain(iid, out);
}

QVResult createComponent(CreateFunction create, IQVUnknown* outer, const QVGuid& iid, void** out) {
    if (create == nullptr) return qv::kClassNotAvailable;
    TBasicUnknown* object = create();
    if (object == nullptr) return qv::kClassNotAvailable;
    object->setOuter(outer);
    IQVUnknown* unknown = object->primaryUnknown();
    const QVResult result = unknown->QueryInterface(iid, out);
    // Without the outer the creation reference is the last one and the release destroys it;
    // with it the release balances the reference the successful query passed to the outer.
    if (result != qv::kOk) object->setOuter(nullptr);
    unknown->Release();
    return result;
}

QVResult getClassObject(const QVGuid& classId, const QVGuid& iid, void** out) {
    ModuleClassFactory* factory = qv::requireCreated(new ModuleClassFactory(classId));
    const QVResult result = factory->QueryInterface(iid, out);
    factory->Release();
    return result;
}

}  // namespace brumo
