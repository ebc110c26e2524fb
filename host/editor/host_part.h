// The reference host's panel controls. Every control of a property panel is a host part: it has
// a four-character id, a value readable and writable as "in32", "bool" or "str ", an active
// state, and a responder through which messages reach the edited object. A host part may
// aggregate a module's editor part (it is then that part's outer object).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "host/common/host_object.h"
#include "qv/editor_part.h"
#include "qv/host_editor.h"

namespace brumo::host {

class HostPart;

// The four characters of a code, for messages.
inline std::string fourccText(uint32_t code) {
    std::string text(4, ' ');
    for (int i = 0; i < 4; ++i) text[static_cast<size_t>(i)] = static_cast<char>((code >> (24 - 8 * i)) & 0xFF);
    return text;
}

// What a part needs of the panel it sits in. A part outside any panel finds nothing, and its
// messages go nowhere.
class PartOwner {
public:
    // The first part of the panel with that id, not counted; null when there is none.
    virtual HostPart* findPartById(uint32_t id) = 0;
    // Module code wrote a value into the part (the panel carries it into the edited object).
    virtual void partValueWritten(HostPart& part) = 0;
    // A module part asked the responder to deliver a message to the edited object.
    virtual void deliverMessage(HostPart& responder, int32_t message, IQVUnknown* sender, void* data) = 0;
    // A control reports something to the panel's module parts (the component list's changes).
    virtual void partMessage(HostPart& source, int32_t message) = 0;

protected:
    ~PartOwner() = default;
};

enum class PartKind {
    group,     // no value: labels, frames, option groups
    button,    // no value: pressing it is the message
    checkBox,  // "bool" (also readable as "in32" 0 or 1)
    integer,   // "in32" (also readable as "bool")
    text,      // "str "
    popup,     // "in32" (the chosen item's code, or its index), "str " (its text)
};

class HostPart : public IMFPart, public IMFResponder {
public:
    // A new part with one reference, held by the caller.
    static Ref<HostPart> create(uint32_t id, PartKind kind);

    // IQVUnknown. Queries the part cannot answer go to the aggregated module part, if any.
    QVResult QV_CALL QueryInterface(const QVGuid& iid, void** out) override;
    int32_t QV_CALL AddRef() override;
    // The last release also ends the aggregated module part: it is released through itself, and
    // answered -1 when that release comes back here.
    int32_t QV_CALL Release() override;

    // IMFPart.
    void QV_CALL hostPartSlot4() override {}
    void QV_CALL hostPartSlot5(intptr_t first, intptr_t second) override;
    IMFPart* QV_CALL findPart(uint32_t id) override;
    void QV_CALL setPartActive(int32_t active) override;
    void QV_CALL refreshPart() override;
    void QV_CALL hostPartSlot9() override {}
    void QV_CALL hostPartSlot10() override {}
    void QV_CALL hostPartSlot11() override {}
    void QV_CALL hostPartSlot12() override {}
    void QV_CALL hostPartSlot13() override {}
    void QV_CALL hostPartSlot14() override {}
    void QV_CALL hostPartSlot15() override {}
    void QV_CALL hostPartSlot16() override {}
    void QV_CALL hostPartSlot17() override {}
    void QV_CALL hostPartSlot18() override {}
    void QV_CALL hostPartSlot19() override {}
    void QV_CALL hostPartSlot20() override {}
    void QV_CALL hostPartSlot21() override {}
    void QV_CALL hostPartSlot22() override {}
    void QV_CALL hostPartSlot23() override {}
    void QV_CALL hostPartSlot24() override {}
    void QV_CALL hostPartSlot25() override {}
    uint32_t QV_CALL partId() override { return id_; }
    void QV_CALL setPartId(uint32_t id) override { id_ = id; }
    void QV_CALL hostPartSlot28() override {}
    void QV_CALL hostPartSlot29() override {}
    void QV_CALL hostPartSlot30() override {}
    void QV_CALL hostPartSlot31() override {}
    void QV_CALL hostPartSlot32() override {}
    void QV_CALL hostPartSlot33() override {}
    void QV_CALL hostPartSlot34() override {}
    void QV_CALL hostPartSlot35() override {}
    void QV_CALL hostPartSlot36() override {}
    void QV_CALL hostPartSlot37() override {}
    void QV_CALL hostPartSlot38() override {}
    void QV_CALL hostPartSlot39() override {}
    void QV_CALL hostPartSlot40() override {}
    void QV_CALL hostPartSlot41() override {}
    QVResult QV_CALL getValue(void* value, uint32_t type) override;
    QVResult QV_CALL setValue(const void* value, uint32_t type, int32_t reserved1,
                              int32_t reserved2) override;
    void QV_CALL hostPartSlot44() override {}
    void QV_CALL hostPartSlot45() override {}
    void QV_CALL hostPartSlot46() override {}
    void QV_CALL hostPartSlot47() override {}
    void QV_CALL hostPartSlot48() override {}
    void QV_CALL hostPartSlot49() override {}
    void QV_CALL hostPartSlot50() override {}
    void QV_CALL hostPartSlot51() override {}
    void QV_CALL hostPartSlot52() override {}
    void QV_CALL hostPartSlot53(intptr_t first, intptr_t second) override;
    void QV_CALL hostPartSlot54(intptr_t first, intptr_t second) override;
    void QV_CALL hostPartSlot55(intptr_t value) override;

    // IMFResponder.
    void QV_CALL hostResponderSlot4() override {}
    void QV_CALL hostResponderSlot5() override {}
    void QV_CALL hostResponderSlot6() override {}
    void QV_CALL hostResponderSlot7() override {}
    void QV_CALL hostResponderSlot8() override {}
    void QV_CALL hostResponderSlot9(intptr_t value) override;
    void QV_CALL hostResponderSlot10() override {}
    void QV_CALL sendMessage(int32_t message, IQVUnknown* sender, void* data) override;

    // Host side.
    // The part's identity, as an outer object and as the source of messages.
    IQVUnknown* unknown() { return static_cast<IMFPart*>(this); }
    uint32_t id() const { return id_; }
    PartKind kind() const { return kind_; }
    bool active() const { return active_; }
    int32_t refreshCount() const { return refreshCount_; }
    int32_t referenceCount() const { return references_.load(); }

    // The value as the host sees it; setting it here does not tell the panel.
    int32_t intValue() const { return intValue_; }
    bool boolValue() const { return intValue_ != 0; }
    const std::string& text() const { return text_; }
    void storeInt(int32_t value) {
        intValue_ = value;
        valueStored();
    }
    void storeBool(bool value) { storeInt(value ? 1 : 0); }
    void storeText(const std::string& value) { text_ = value; }

    // Field of the edited object's parameter block this control shows, or null.
    const char* boundField() const { return boundField_; }
    void bindField(const char* fieldName) { boundField_ = fieldName; }

    // The panel the part sits in (not counted); null takes it out.
    void setOwner(PartOwner* owner) { owner_ = owner; }
    PartOwner* owner() const { return owner_; }

    // Calls of the slots whose purpose the host keeps to itself: slot 5, 53, 54, 55 of the part,
    // 9 of the responder.
    int32_t forwardedCalls(int slot) const;

    // Messages the responder was asked to send while the part sat in no panel.
    struct SentMessage {
        int32_t message;
        IQVUnknown* sender;
        void* data;
    };
    const std::vector<SentMessage>& unroutedMessages() const { return unrouted_; }

    // Aggregation: inner is the module part built with this part as its outer object (the
    // IQVUnknown it answered). The part neither counts nor releases it except at its own end.
    void aggregate(IQVUnknown* inner) { inner_ = inner; }
    IQVUnknown* aggregatedPart() const { return inner_; }
    // The module part's interfaces, as counted references; null without one.
    Ref<IMFExPart> modulePart();
    Ref<IMFExResponder> moduleResponder();

protected:
    HostPart(uint32_t id, PartKind kind);
    virtual ~HostPart();
    // Interfaces a kind of part adds (popups, component lists).
    virtual void* findExtraInterface(const QVGuid&) { return nullptr; }

    // Popups read and write their value through these.
    virtual QVResult readValue(void* value, uint32_t type);
    virtual QVResult writeValue(const void* value, uint32_t type);
    virtual void valueStored() {}

    int32_t intValue_ = 0;

private:
    uint32_t id_;
    PartKind kind_;
    bool active_ = true;
    int32_t refreshCount_ = 0;
    std::string text_;
    const char* boundField_ = nullptr;
    PartOwner* owner_ = nullptr;
    int32_t forwarded_[5] = {0, 0, 0, 0, 0};
    std::vector<SentMessage> unrouted_;

    ReferenceCount references_;
    IQVUnknown* inner_ = nullptr;
    bool askingInner_ = false;  // the inner passes what it cannot answer back to us
    bool ending_ = false;       // the last reference is being released through the inner
};

// A popup control: items and separators (a separator counts as an item), one chosen item.
class PopupPart final : public HostPart, public IMFPopup {
public:
    static Ref<PopupPart> create(uint32_t id);

    // IQVUnknown: the one of HostPart.
    QVResult QV_CALL QueryInterface(const QVGuid& iid, void** out) override {
        return HostPart::QueryInterface(iid, out);
    }
    int32_t QV_CALL AddRef() override { return HostPart::AddRef(); }
    int32_t QV_CALL Release() override { return HostPart::Release(); }

    // IMFPopup.
    int32_t QV_CALL countItems() override { return static_cast<int32_t>(items_.size()); }
    void QV_CALL removeAllItems() override;
    void QV_CALL appendItem(const TQVString* text) override;
    void QV_CALL appendSeparator() override;

    struct Item {
        std::string text;
        uint32_t code = 0;  // the value the item stands for; 0 means its index
        bool separator = false;
    };
    // Host side: layouts give preset popups items with codes.
    void addItem(const std::string& text, uint32_t code = 0);
    const std::vector<Item>& items() const { return items_; }
    // The chosen item, or -1.
    int32_t chosen() const { return chosen_; }
    // Chooses an item as the user would (the panel then sends the message); -1 chooses none.
    void choose(int32_t index);
    // Number of times the list was emptied (each refill starts with one).
    int32_t clearCount() const { return clearCount_; }

protected:
    void* findExtraInterface(const QVGuid& iid) override;
    QVResult readValue(void* value, uint32_t type) override;
    QVResult writeValue(const void* value, uint32_t type) override;
    void valueStored() override;

private:
    explicit PopupPart(uint32_t id);
    ~PopupPart() override = default;

    std::vector<Item> items_;
    int32_t chosen_ = -1;
    int32_t clearCount_ = 0;
};

}  // namespace brumo::host
