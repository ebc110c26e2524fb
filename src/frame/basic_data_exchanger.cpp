#include "frame/basic_data_exchanger.h"

#include "qv/exception.h"

void TExDataExchangerDefaults::exchangerSlot4(void** out, intptr_t) { qv::releaseSlot(out); }
bool TExDataExchangerDefaults::exchangerSlot5(intptr_t) { return true; }
QVResult TExDataExchangerDefaults::exchangerSlot6(intptr_t, intptr_t) { return qv::kNotImplemented; }
QVResult TExDataExchangerDefaults::exchangerSlot7(intptr_t, intptr_t) { return qv::kNotImplemented; }
void* TExDataExchangerDefaults::parameterBlock() { return nullptr; }
QVResult TExDataExchangerDefaults::parametersChanged() { return qv::kOk; }
QVResult TExDataExchangerDefaults::exchangerSlot10(intptr_t, intptr_t, intptr_t) {
    return qv::kNotImplemented;
}
QVResult TExDataExchangerDefaults::handleEvent(int32_t, IQVUnknown*, void*) { return qv::kNotImplemented; }
void TExDataExchangerDefaults::exchangerSlot12(int32_t* out) {
    if (out != nullptr) *out = 0;
}
int16_t TExDataExchangerDefaults::exchangerSlot13() { return 0; }
int16_t TExDataExchangerDefaults::exchangerSlot14() { return 0; }
QVResult TExDataExchangerDefaults::exchangerSlot15() { return qv::kNotImplemented; }
QVResult TExDataExchangerDefaults::exchangerSlot16() { return qv::kExchangeDefault; }
QVResult TExDataExchangerDefaults::exchangerSlot17(intptr_t) { return qv::kExchangeDefault; }
int32_t TExDataExchangerDefaults::parameterBlockSize() { qv::raise(qv::kMissingOperation); }

QVResult TBasicDataExchanger::queryInterfaceChain(const QVGuid& iid, void** out) {
    if (iid == qv::IID_IExDataExchanger) return answerQuery(exchangerInterface(), out);
    return TBasicUnknown::queryInterfaceChain(iid, out);
}
