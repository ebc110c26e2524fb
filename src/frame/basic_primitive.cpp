#include "frame/basic_primitive.h"

#include <cmath>

#include "qv/exception.h"
#include "qv/strings.h"

TBasicPrimitive* TGeometricPrimitiveDefaults::primitive() { return static_cast<TBasicPrimitive*>(this); }

QVBox* TGeometricPrimitiveDefaults::queryBounds(QVBox*) { qv::raise(qv::kMissingOperation); }
QVBox* TGeometricPrimitiveDefaults::geometrySlot5(QVBox* box) { return queryBounds(box); }
int32_t TGeometricPrimitiveDefaults::geometrySlot6(intptr_t) { return 1; }
QVResult TGeometricPrimitiveDefaults::geometrySlot7(intptr_t, intptr_t, intptr_t) {
    return qv::kNotImplemented;
}

QVResult TGeometricPrimitiveDefaults::levelCount(int16_t* count) {
    float fine = 0.0f;
    float coarse = 0.0f;
    primitive()->samplingSizes(&fine, &coarse);
    int16_t n = 1;
    // Bounded, so that a fine size that cannot grow does not loop for ever.
    if (coarse > fine) {
        do {
            n += 1;
            fine *= 2.0f;
        } while (fine < coarse && n < INT16_MAX);
    }
    if (count != nullptr) *count = n;
    return qv::kOk;
}

QVResult TGeometricPrimitiveDefaults::levelSize(int16_t level, float* size) {
    float fine = 0.0f;
    float coarse = 0.0f;
    primitive()->samplingSizes(&fine, &coarse);
    const float result = level >= 2 ? fine * std::ldexp(1.0f, level - 1) : fine;
    if (size != nullptr) *size = result;
    return qv::kOk;
}

QVResult TGeometricPrimitiveDefaults::geometrySlot10(intptr_t, void** out) {
    qv::releaseSlot(out);
    return qv::kNotImplemented;
}
bool TGeometricPrimitiveDefaults::geometrySlot11() { return false; }
QVResult TGeometricPrimitiveDefaults::geometrySlot12(void** out) {
    qv::releaseSlot(out);
    return qv::kNotImplemented;
}
void TGeometricPrimitiveDefaults::geometrySlot13(void** out) { qv::releaseSlot(out); }
void TGeometricPrimitiveDefaults::geometrySlot14(intptr_t) {}
bool TGeometricPrimitiveDefaults::geometrySlot15() { return false; }
QVResult TGeometricPrimitiveDefaults::geometrySlot16(intptr_t, intptr_t) { return qv::kNotImplemented; }
int32_t TGeometricPrimitiveDefaults::geometrySlot17() { return 0; }
QVResult TGeometricPrimitiveDefaults::geometrySlot18(intptr_t, intptr_t) { return qv::kNotImplemented; }
bool TGeometricPrimitiveDefaults::geometrySlot19() { return false; }
QVResult TGeometricPrimitiveDefaults::geometrySlot20(intptr_t, intptr_t) { return qv::kNotImplemented; }
QVResult TGeometricPrimitiveDefaults::geometrySlot21(intptr_t, intptr_t, intptr_t, intptr_t) {
    return qv::kNotImplemented;
}
QVResult TGeometricPrimitiveDefaults::geometrySlot22(intptr_t, intptr_t) { return qv::kNotImplemented; }
QVResult TGeometricPrimitiveDefaults::geometrySlot23(intptr_t, intptr_t) { return qv::kNotImplemented; }
bool TGeometricPrimitiveDefaults::geometrySlot24() { return false; }
bool TGeometricPrimitiveDefaults::geometrySlot25() { return false; }
bool TGeometricPrimitiveDefaults::geometrySlot26() { return false; }
void TGeometricPrimitiveDefaults::geometrySlot27(void** out, intptr_t) { qv::releaseSlot(out); }
void TGeometricPrimitiveDefaults::geometrySlot28(int32_t* first, int32_t* second, int32_t* third) {
    if (first != nullptr) *first = 0;
    if (second != nullptr) *second = 0;
    if (third != nullptr) *third = 0;
}
void TGeometricPrimitiveDefaults::geometrySlot29() {}
int32_t TGeometricPrimitiveDefaults::geometrySlot30(intptr_t) { return 1; }
bool TGeometricPrimitiveDefaults::geometrySlot31() { return false; }
void TGeometricPrimitiveDefaults::geometrySlot32(intptr_t) {}
bool TGeometricPrimitiveDefaults::geometrySlot33() { return false; }
bool TGeometricPrimitiveDefaults::geometrySlot34() { return false; }
void TGeometricPrimitiveDefaults::geometrySlot35(intptr_t, intptr_t, intptr_t, intptr_t) {}
int32_t TGeometricPrimitiveDefaults::geometrySlot36() { return 0; }
bool TGeometricPrimitiveDefaults::geometrySlot37() { return false; }
float TGeometricPrimitiveDefaults::geometrySlot38() { return 1.0f; }
void TGeometricPrimitiveDefaults::geometrySlot39(intptr_t) {}
bool TGeometricPrimitiveDefaults::geometrySlot40(intptr_t, intptr_t) { return false; }
bool TGeometricPrimitiveDefaults::geometrySlot41(intptr_t, intptr_t) { return false; }
bool TGeometricPrimitiveDefaults::geometrySlot42() { return false; }
void TGeometricPrimitiveDefaults::geometrySlot43() {}
int32_t TGeometricPrimitiveDefaults::geometrySlot44() { return 0; }
void TGeometricPrimitiveDefaults::geometrySlot45() { qv::raise(0); }
void TGeometricPrimitiveDefaults::geometrySlot46() {}
void TGeometricPrimitiveDefaults::geometrySlot47(intptr_t) {}
bool TGeometricPrimitiveDefaults::geometrySlot48(intptr_t) { return false; }

void TBasicPrimitive::fillText(TQVString* text) {
    if (text != nullptr) text->assign(TQVString15());
}

float TBasicPrimitive::unitScale() { return 1.0f; }

namespace {

float largestOf(float a, float b, float c) {
    const float ab = a > b ? a : b;
    return ab > c ? ab : c;
}

float medianOf(float a, float b, float c) {
    const float low = a < b ? a : b;
    const float high = a < b ? b : a;
    const float upper = high < c ? high : c;
    return low > upper ? low : upper;
}

}  // namespace

void TBasicPrimitive::samplingSizes(float* fine, float* coarse) {
    const float s = unitScale();
    QVBox box{{1e20f, 1e20f, 1e20f}, {-1e20f, -1e20f, -1e20f}};
    geometricInterface()->queryBounds(&box);
    const float dx = box.max.x - box.min.x;
    const float dy = box.max.y - box.min.y;
    const float dz = box.max.z - box.min.z;

    const float coarseSize = largestOf(dx, dy, dz) / s * 0.25f;
    float fineSize = brumo::kMinimumFineSize;
    if (s > 0.0f) {
        fineSize = medianOf(dx, dy, dz) / (s * 256.0f);
        if (fineSize < brumo::kMinimumFineSize) fineSize = brumo::kMinimumFineSize;
    }
    if (fine != nullptr) *fine = fineSize;
    if (coarse != nullptr) *coarse = coarseSize;
}

QVResult TBasicPrimitive::queryInterfaceChain(const QVGuid& iid, void** out) {
    if (iid == qv::IID_I3DExGeometricPrimitive) return answerQuery(geometricInterface(), out);
    return TBasicDataExchanger::queryInterfaceChain(iid, out);
}
