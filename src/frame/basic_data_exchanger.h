// TBasicDataExchanger: a TBasicUnknown with the IExDataExchanger interface and its defaults.
//
// The defaults live in TExDataExchangerDefaults, a base of their own, so that they do not take
// slots in the primary operation table: there the deleting destructor must be the 4th operation.
#pragma once

#include "frame/basic_unknown.h"
#include "qv/data_exchanger.h"

// What a component answers for every data-exchange operation it does not implement.
class TExDataExchangerDefaults : public IExDataExchanger {
public:
    void QV_CALL exchangerSlot4(void** out, intptr_t value) override;
    bool QV_CALL exchangerSlot5(intptr_t value) override;
    QVResult QV_CALL exchangerSlot6(intptr_t first, intptr_t second) override;
    QVResult QV_CALL exchangerSlot7(intptr_t first, intptr_t second) override;
    void* QV_CALL parameterBlock() override;
    QVResult QV_CALL parametersChanged() override;
    QVResult QV_CALL exchangerSlot10(intptr_t first, intptr_t second, intptr_t third) override;
    QVResult QV_CALL handleEvent(int32_t kind, IQVUnknown* source, void* data) override;
    void QV_CALL exchangerSlot12(int32_t* out) override;
    int16_t QV_CALL exchangerSlot13() override;
    int16_t QV_CALL exchangerSlot14() override;
    QVResult QV_CALL exchangerSlot15() override;
    QVResult QV_CALL exchangerSlot16() override;
    QVResult QV_CALL exchangerSlot17(intptr_t value) override;
    // Every concrete component states its own size.
    int32_t QV_CALL parameterBlockSize() override;

protected:
    TExDataExchangerDefaults() = default;
    ~TExDataExchangerDefaults() = default;
};

class TBasicDataExchanger : public TBasicUnknown, public TExDataExchangerDefaults {
public:
    // Destroys the object; bit 0 of flags also frees it through the memory service. Written by
    // TQVComponent for the most derived class.
    virtual void QV_CALL deleteThis(unsigned flags) = 0;  // primary 4

    // IExDataExchanger, then TBasicUnknown.
    QVResult queryInterfaceChain(const QVGuid& iid, void** out);

    IExDataExchanger* exchangerInterface() { return this; }

protected:
    TBasicDataExchanger() = default;
    ~TBasicDataExchanger() = default;
};
