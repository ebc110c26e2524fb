// The five host services handed to the module at initialisation. Only the operations the module
// calls are named; the others are placeholders that keep the named ones at their positions
// (positions count the three IQVUnknown operations).
#pragma once

#include "qv/unknown.h"

class TQVString;
struct IQVApplication;

namespace qv {

constexpr QVGuid IID_MemoryService = qvGuid(0x031DD1DB, 0x024E, 0x11D2, 0x8F2E, 0x00609798E77DULL);
constexpr QVGuid IID_UtilityService = qvGuid(0x031DD1DA, 0x024E, 0x11D2, 0x8F2E, 0x00609798E77DULL);
constexpr QVGuid IID_ResourceService = qvGuid(0xD33D0B51, 0x3236, 0x11D2, 0x817F, 0x006008965392ULL);
constexpr QVGuid IID_ShellService = qvGuid(0x031DD1DC, 0x024E, 0x11D2, 0x8F2E, 0x00609798E77DULL);
constexpr QVGuid IID_IdleService = qvGuid(0x2C3140EC, 0x3EE0, 0x11D2, 0x848F, 0x0060970BC521ULL);

}  // namespace qv

struct IQVMemoryService : IQVUnknown {
    virtual void* QV_CALL allocateBlock(size_t size) = 0;               // 4
    virtual void QV_CALL slot5() = 0;                                   // 5
    virtual void* QV_CALL reallocateBlock(void* block, size_t size) = 0;  // 6
    virtual void QV_CALL freeBlock(void* block) = 0;                    // 7
    virtual void* QV_CALL allocateObject(size_t size) = 0;              // 8
    virtual void QV_CALL freeObject(void* object) = 0;                  // 9
};

// A progress bar, as a counted reference: the caller releases it after progressEnd.
using QVProgressHandle = IQVUnknown*;

struct IQVUtilityService : IQVUnknown {
    virtual void QV_CALL progressStart(const TQVString* caption, QVProgressHandle* handle,
                                       double total) = 0;        // 4
    virtual void QV_CALL slot5() = 0;                            // 5
    virtual void QV_CALL progressEnd(QVProgressHandle handle) = 0;  // 6
    virtual void QV_CALL slot7() = 0;                            // 7
    virtual void QV_CALL progressAdvance(double amount, QVProgressHandle handle) = 0;  // 8
    virtual void QV_CALL slot9() = 0;
    virtual void QV_CALL slot10() = 0;
    virtual void QV_CALL slot11() = 0;
    virtual int32_t QV_CALL nextRandom() = 0;              // 12
    virtual void QV_CALL setRandomSeed(int32_t seed) = 0;  // 13
    virtual void QV_CALL slot14() = 0;
    virtual void QV_CALL slot15() = 0;
    virtual void QV_CALL slot16() = 0;
    virtual void QV_CALL slot17() = 0;
    virtual void QV_CALL slot18() = 0;
    virtual void QV_CALL slot19() = 0;
    virtual void QV_CALL slot20() = 0;
    virtual void QV_CALL slot21() = 0;
    virtual void QV_CALL slot22() = 0;
    virtual void QV_CALL slot23() = 0;
    virtual void QV_CALL slot24() = 0;
    virtual void QV_CALL slot25() = 0;
    virtual void QV_CALL slot26() = 0;
    virtual void QV_CALL slot27() = 0;
    virtual void QV_CALL slot28() = 0;
    virtual void QV_CALL slot29() = 0;
    virtual void QV_CALL slot30() = 0;
    virtual void QV_CALL slot31() = 0;
    virtual void QV_CALL slot32() = 0;
    virtual void QV_CALL slot33() = 0;
    virtual void QV_CALL slot34() = 0;
    virtual void QV_CALL slot35() = 0;
    virtual void QV_CALL slot36() = 0;
    virtual void QV_CALL slot37() = 0;
    virtual void QV_CALL slot38() = 0;
    virtual void QV_CALL slot39() = 0;
    virtual void QV_CALL slot40() = 0;
    virtual void QV_CALL slot41() = 0;
    virtual void QV_CALL slot42() = 0;
    virtual void QV_CALL slot43() = 0;
    virtual bool QV_CALL progressCancelled() = 0;  // 44
};

// Saved resource context, handed back to popResourceContext.
using QVResourceContext = void*;

struct IQVResourceService : IQVUnknown {
    virtual void QV_CALL slot4() = 0;                                                // 4
    virtual void QV_CALL loadString(TQVString* text, int32_t list, int32_t number) = 0;  // 5
    virtual void QV_CALL slot6() = 0;
    virtual void QV_CALL slot7() = 0;
    virtual void QV_CALL pushResourceContext(uint32_t family, uint32_t identifier,
                                             QVResourceContext* saved) = 0;  // 8
    virtual void QV_CALL popResourceContext(QVResourceContext saved) = 0;   // 9
};

struct IQVShellService : IQVUnknown {
    virtual void QV_CALL slot4() = 0;
    virtual void QV_CALL slot5() = 0;
    virtual void QV_CALL slot6() = 0;
    virtual void QV_CALL slot7() = 0;
    virtual void QV_CALL slot8() = 0;
    virtual void QV_CALL slot9() = 0;
    virtual void QV_CALL slot10() = 0;
    virtual void QV_CALL slot11() = 0;
    virtual void QV_CALL slot12() = 0;
    virtual void QV_CALL slot13() = 0;
    virtual void QV_CALL slot14() = 0;
    virtual void QV_CALL slot15() = 0;
    virtual void QV_CALL slot16() = 0;
    virtual void QV_CALL slot17() = 0;
    virtual void QV_CALL slot18() = 0;
    virtual void QV_CALL slot19() = 0;
    virtual void QV_CALL slot20() = 0;
    virtual void QV_CALL slot21() = 0;
    virtual void QV_CALL slot22() = 0;
    virtual void QV_CALL slot23() = 0;
    virtual void QV_CALL slot24() = 0;
    virtual void QV_CALL slot25() = 0;
    virtual void QV_CALL slot26() = 0;
    virtual void QV_CALL slot27() = 0;
    virtual void QV_CALL slot28() = 0;
    virtual void QV_CALL slot29() = 0;
    virtual void QV_CALL slot30() = 0;
    virtual void QV_CALL slot31() = 0;
    virtual void QV_CALL slot32() = 0;
    virtual void QV_CALL slot33() = 0;
    virtual void QV_CALL slot34() = 0;
    virtual void QV_CALL slot35() = 0;
    virtual void QV_CALL slot36() = 0;
    virtual void QV_CALL slot37() = 0;
    virtual void QV_CALL slot38() = 0;
    virtual void QV_CALL slot39() = 0;
    virtual void QV_CALL slot40() = 0;
    virtual void QV_CALL slot41() = 0;
    virtual void QV_CALL slot42() = 0;
    virtual void QV_CALL slot43() = 0;
    virtual void QV_CALL slot44() = 0;
    virtual void QV_CALL slot45() = 0;
    virtual void QV_CALL slot46() = 0;
    virtual void QV_CALL slot47() = 0;
    virtual void QV_CALL slot48() = 0;
    virtual void QV_CALL slot49() = 0;
    virtual void QV_CALL slot50() = 0;
    virtual void QV_CALL slot51() = 0;
    virtual void QV_CALL slot52() = 0;
    virtual void QV_CALL slot53() = 0;
    virtual void QV_CALL slot54() = 0;
    virtual void QV_CALL slot55() = 0;
    virtual void QV_CALL slot56() = 0;
    virtual void QV_CALL slot57() = 0;
    virtual void QV_CALL slot58() = 0;
    virtual void QV_CALL slot59() = 0;
    virtual void QV_CALL slot60() = 0;
    virtual void QV_CALL slot61() = 0;
    virtual void QV_CALL slot62() = 0;
    virtual void QV_CALL slot63() = 0;
    virtual void QV_CALL slot64() = 0;
    virtual void QV_CALL slot65() = 0;
    virtual void QV_CALL slot66() = 0;
    virtual void QV_CALL slot67() = 0;
    virtual void QV_CALL slot68() = 0;
    virtual void QV_CALL slot69() = 0;
    virtual void QV_CALL slot70() = 0;
    virtual void QV_CALL slot71() = 0;
    virtual void QV_CALL slot72() = 0;
    virtual void QV_CALL slot73() = 0;
    virtual void QV_CALL slot74() = 0;
    virtual void QV_CALL slot75() = 0;
    virtual void QV_CALL slot76() = 0;
    virtual void QV_CALL slot77() = 0;
    virtual void QV_CALL slot78() = 0;
    virtual void QV_CALL slot79() = 0;
    virtual void QV_CALL slot80() = 0;
    virtual void QV_CALL slot81() = 0;
    virtual void QV_CALL slot82() = 0;
    virtual void QV_CALL slot83() = 0;
    virtual void QV_CALL slot84() = 0;
    virtual void QV_CALL slot85() = 0;
    virtual void QV_CALL slot86() = 0;
    virtual void QV_CALL slot87() = 0;
    virtual void QV_CALL slot88() = 0;
    virtual void QV_CALL slot89() = 0;
    virtual void QV_CALL slot90() = 0;
    // The host's application object, not counted; null when there is none.
    virtual IQVApplication* QV_CALL application() = 0;  // 91
};

struct IQVIdleService : IQVUnknown {
    virtual void QV_CALL slot4() = 0;
    virtual void QV_CALL slot5() = 0;
    virtual void QV_CALL idleTick(int32_t milliseconds) = 0;  // 6
};
