// The host's editor objects that the module calls: a panel part (each control of a property
// panel is one), the responder that carries messages to the edited object, popups, and the list
// of data components attached to an object.
//
// Positions in the comments count the three IQVUnknown operations. The host fixes the positions
// marked "fixed"; the others are this SDK's choice. Operations whose purpose the host keeps to
// itself are named by prefix and position.
#pragma once

#include "qv/class_array.h"
#include "qv/fourcc.h"
#include "qv/unknown.h"

class TQVString;

namespace qv {

constexpr QVGuid IID_IMFPart = qvGuid(0xDE9FD1D0, 0xD892, 0x11D1, 0xA0D5, 0x00AA00D307EBULL);
constexpr QVGuid IID_IMFResponder = qvGuid(0x787A5705, 0xEB6F, 0x11D1, 0xAB25, 0x00600815AD45ULL);
constexpr QVGuid IID_IMFPopup = qvGuid(0x05EBC310, 0x6211, 0x11D2, 0x8398, 0x0060970BC521ULL);
constexpr QVGuid IID_IMFComponentList = qvGuid(0xDE9FD200, 0xD892, 0x11D1, 0xA1D5, 0x00AA00D307EBULL);

// Value types of getValue and setValue and what the value pointer points to.
constexpr uint32_t kValueInt32 = fourcc("in32");   // int32_t
constexpr uint32_t kValueBool = fourcc("bool");    // bool (one byte)
constexpr uint32_t kValueString = fourcc("str ");  // TQVString (any member of the family)

// The messages of the panel: the kind of an object's handleEvent and of a part's receiveMessage.
constexpr int32_t kControlChanged = 5;  // from the control whose value changed
constexpr int32_t kPanelRefresh = 9;
constexpr int32_t kPanelFilled = 104;  // the controls show the object's values; dependents follow
// The components attached to the object changed: from the component list to the panel's parts.
constexpr int32_t kComponentAttached = 5102;
constexpr int32_t kComponentDetached = 5103;
constexpr int32_t kComponentMoved = 5104;
// The same change that no part passed on: to the object, which refills its list from the source.
constexpr int32_t kComponentListChanged = 5110;

}  // namespace qv

struct IMFPart : IQVUnknown {
    virtual void QV_CALL hostPartSlot4() = 0;                                   // 4
    virtual void QV_CALL hostPartSlot5(intptr_t first, intptr_t second) = 0;    // 5 fixed
    // The panel part with that id, as a counted reference, or null.
    virtual IMFPart* QV_CALL findPart(uint32_t id) = 0;                         // 6
    // Switches the control on (1) or off (0).
    virtual void QV_CALL setPartActive(int32_t active) = 0;                     // 7
    // Redraws the control from its current value.
    virtual void QV_CALL refreshPart() = 0;                                     // 8
    virtual void QV_CALL hostPartSlot9() = 0;
    virtual void QV_CALL hostPartSlot10() = 0;
    virtual void QV_CALL hostPartSlot11() = 0;
    virtual void QV_CALL hostPartSlot12() = 0;
    virtual void QV_CALL hostPartSlot13() = 0;
    virtual void QV_CALL hostPartSlot14() = 0;
    virtual void QV_CALL hostPartSlot15() = 0;
    virtual void QV_CALL hostPartSlot16() = 0;
    virtual void QV_CALL hostPartSlot17() = 0;
    virtual void QV_CALL hostPartSlot18() = 0;
    virtual void QV_CALL hostPartSlot19() = 0;
    virtual void QV_CALL hostPartSlot20() = 0;
    virtual void QV_CALL hostPartSlot21() = 0;
    virtual void QV_CALL hostPartSlot22() = 0;
    virtual void QV_CALL hostPartSlot23() = 0;
    virtual void QV_CALL hostPartSlot24() = 0;
    virtual void QV_CALL hostPartSlot25() = 0;
    // The control's four-character id.
    virtual uint32_t QV_CALL partId() = 0;                                      // 26 fixed
    // Gives the control another id.
    virtual void QV_CALL setPartId(uint32_t id) = 0;                            // 27
    virtual void QV_CALL hostPartSlot28() = 0;
    virtual void QV_CALL hostPartSlot29() = 0;
    virtual void QV_CALL hostPartSlot30() = 0;
    virtual void QV_CALL hostPartSlot31() = 0;
    virtual void QV_CALL hostPartSlot32() = 0;
    virtual void QV_CALL hostPartSlot33() = 0;
    virtual void QV_CALL hostPartSlot34() = 0;
    virtual void QV_CALL hostPartSlot35() = 0;
    virtual void QV_CALL hostPartSlot36() = 0;
    virtual void QV_CALL hostPartSlot37() = 0;
    virtual void QV_CALL hostPartSlot38() = 0;
    virtual void QV_CALL hostPartSlot39() = 0;
    virtual void QV_CALL hostPartSlot40() = 0;
    virtual void QV_CALL hostPartSlot41() = 0;
    // Reads the control's value as the given type (qv::kValueInt32 ...) into *value. A control
    // that cannot give that type leaves *value unchanged and answers a failure code.
    virtual QVResult QV_CALL getValue(void* value, uint32_t type) = 0;          // 42 fixed
    // Writes the control's value; the last two arguments are 0.
    virtual QVResult QV_CALL setValue(const void* value, uint32_t type, int32_t reserved1,
                                      int32_t reserved2) = 0;                   // 43 fixed
    virtual void QV_CALL hostPartSlot44() = 0;
    virtual void QV_CALL hostPartSlot45() = 0;
    virtual void QV_CALL hostPartSlot46() = 0;
    virtual void QV_CALL hostPartSlot47() = 0;
    virtual void QV_CALL hostPartSlot48() = 0;
    virtual void QV_CALL hostPartSlot49() = 0;
    virtual void QV_CALL hostPartSlot50() = 0;
    virtual void QV_CALL hostPartSlot51() = 0;
    virtual void QV_CALL hostPartSlot52() = 0;
    virtual void QV_CALL hostPartSlot53(intptr_t first, intptr_t second) = 0;   // 53 fixed
    virtual void QV_CALL hostPartSlot54(intptr_t first, intptr_t second) = 0;   // 54 fixed
    virtual void QV_CALL hostPartSlot55(intptr_t value) = 0;                    // 55 fixed
};

struct IMFResponder : IQVUnknown {
    virtual void QV_CALL hostResponderSlot4() = 0;
    virtual void QV_CALL hostResponderSlot5() = 0;
    virtual void QV_CALL hostResponderSlot6() = 0;
    virtual void QV_CALL hostResponderSlot7() = 0;
    virtual void QV_CALL hostResponderSlot8() = 0;
    virtual void QV_CALL hostResponderSlot9(intptr_t value) = 0;  // 9 fixed
    virtual void QV_CALL hostResponderSlot10() = 0;
    // Delivers a message to the edited object; the receiver owns data when the message's
    // documentation says so.
    virtual void QV_CALL sendMessage(int32_t message, IQVUnknown* sender, void* data) = 0;  // 11 fixed
};

struct IMFPopup : IQVUnknown {
    // Items, separators included.
    virtual int32_t QV_CALL countItems() = 0;                  // 4
    virtual void QV_CALL removeAllItems() = 0;                 // 5
    virtual void QV_CALL appendItem(const TQVString* text) = 0;  // 6
    virtual void QV_CALL appendSeparator() = 0;                // 7
};

// Both fill operations replace the list's content with counted references to the components
// attached to the edited object (releasing what the list held); the list's owner releases them.
struct IMFComponentList : IQVUnknown {
    virtual void QV_CALL componentListSlot4() = 0;
    virtual void QV_CALL componentListSlot5() = 0;
    virtual void QV_CALL componentListSlot6() = 0;
    virtual void QV_CALL componentListSlot7() = 0;
    virtual void QV_CALL componentListSlot8(QVClassArray<IQVUnknown*>* components) = 0;  // 8 fixed
    virtual void QV_CALL componentListSlot9(QVClassArray<IQVUnknown*>* components) = 0;  // 9 fixed
};

// The record that comes with a "Ctrl" event from the components control: the components
// attached to the object changed. The sender allocates it as a block of the memory service
// (qv::allocateBlock) and gives up both the block and the list reference; the receiving object
// releases the reference and frees the block, whatever the kind.
struct QVComponentChangeRecord {
    int32_t kind;            // kComponentAttached, kComponentDetached or kComponentMoved ask for a refill
    IMFComponentList* list;  // counted reference; may be null
};
