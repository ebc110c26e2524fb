// TBasicPrimitive: a data exchanger that is also a geometric primitive, with the defaults of
// every geometric operation and the sampling sizes derived from its bounds.
//
// Primary operations, by position: 4 deleteThis, 5 fillText, 6 unitScale, 7 samplingSizes. A
// class derived from it that adds primary operations of its own declares them before any
// override: an override of another interface's operation also takes a primary slot, in
// declaration order.
#pragma once

#include "frame/basic_data_exchanger.h"
#include "qv/geometric_primitive.h"

class TBasicPrimitive;
class TQVString;

// What a primitive answers for every geometric operation it does not implement.
class TGeometricPrimitiveDefaults : public I3DExGeometricPrimitive {
public:
    // No default: raises 0x80010003.
    QVBox* QV_CALL queryBounds(QVBox* box) override;
    // Passes the call on to queryBounds.
    QVBox* QV_CALL geometrySlot5(QVBox* box) override;
    int32_t QV_CALL geometrySlot6(intptr_t value) override;
    QVResult QV_CALL geometrySlot7(intptr_t first, intptr_t second, intptr_t third) override;
    // n = 1, then doubled fine sizes until they reach the coarse size.
    QVResult QV_CALL levelCount(int16_t* count) override;
    // fine × 2^(level - 1) for level >= 2, fine below.
    QVResult QV_CALL levelSize(int16_t level, float* size) override;
    QVResult QV_CALL geometrySlot10(intptr_t value, void** out) override;
    bool QV_CALL geometrySlot11() override;
    QVResult QV_CALL geometrySlot12(void** out) override;
    void QV_CALL geometrySlot13(void** out) override;
    void QV_CALL geometrySlot14(intptr_t value) override;
    bool QV_CALL geometrySlot15() override;
    QVResult QV_CALL geometrySlot16(intptr_t first, intptr_t second) override;
    int32_t QV_CALL geometrySlot17() override;
    QVResult QV_CALL geometrySlot18(intptr_t first, intptr_t second) override;
    bool QV_CALL geometrySlot19() override;
    QVResult QV_CALL geometrySlot20(intptr_t first, intptr_t second) override;
    QVResult QV_CALL geometrySlot21(intptr_t first, intptr_t second, intptr_t third,
                                    intptr_t fourth) override;
    QVResult QV_CALL geometrySlot22(intptr_t first, intptr_t second) override;
    QVResult QV_CALL geometrySlot23(intptr_t first, intptr_t second) override;
    bool QV_CALL geometrySlot24() override;
    bool QV_CALL geometrySlot25() override;
    bool QV_CALL geometrySlot26() override;
    void QV_CALL geometrySlot27(void** out, intptr_t value) override;
    void QV_CALL geometrySlot28(int32_t* first, int32_t* second, int32_t* third) override;
    void QV_CALL geometrySlot29() override;
    int32_t QV_CALL geometrySlot30(intptr_t value) override;
    bool QV_CALL geometrySlot31() override;
    void QV_CALL geometrySlot32(intptr_t value) override;
    bool QV_CALL geometrySlot33() override;
    bool QV_CALL geometrySlot34() override;
    void QV_CALL geometrySlot35(intptr_t first, intptr_t second, intptr_t third,
                                intptr_t fourth) override;
    int32_t QV_CALL geometrySlot36() override;
    bool QV_CALL geometrySlot37() override;
    float QV_CALL geometrySlot38() override;
    void QV_CALL geometrySlot39(intptr_t value) override;
    bool QV_CALL geometrySlot40(intptr_t first, intptr_t second) override;
    bool QV_CALL geometrySlot41(intptr_t first, intptr_t second) override;
    bool QV_CALL geometrySlot42() override;
    void QV_CALL geometrySlot43() override;
    int32_t QV_CALL geometrySlot44() override;
    // Raises a TQVException with code 0.
    void QV_CALL geometrySlot45() override;
    void QV_CALL geometrySlot46() override;
    void QV_CALL geometrySlot47(intptr_t value) override;
    bool QV_CALL geometrySlot48(intptr_t value) override;

private:
    friend class TBasicPrimitive;
    TGeometricPrimitiveDefaults() = default;
    ~TGeometricPrimitiveDefaults() = default;
    TBasicPrimitive* primitive();
};

class TBasicPrimitive : public TBasicDataExchanger, public TGeometricPrimitiveDefaults {
public:
    // Assigns the empty text.
    virtual void QV_CALL fillText(TQVString* text);  // primary 5
    // Scene units per primitive unit; 1.0.
    virtual float QV_CALL unitScale();  // primary 6
    // From the bounds: coarse = largest edge / scale × 0.25; fine = median edge / (scale × 256),
    // at least 0.0002441 (and exactly that when the scale is not positive).
    virtual void QV_CALL samplingSizes(float* fine, float* coarse);  // primary 7

    // I3DExGeometricPrimitive, then TBasicDataExchanger.
    QVResult queryInterfaceChain(const QVGuid& iid, void** out);

    I3DExGeometricPrimitive* geometricInterface() { return this; }

protected:
    TBasicPrimitive() = default;
    ~TBasicPrimitive() = default;
};

namespace brumo {

// Smallest fine sampling size.
constexpr float kMinimumFineSize = 0.0002441f;

}  // namespace brumo
