#include "host/editor/host_part.h"

#include "host/common/text.h"
#include "qv/result_codes.h"
#include "qv/strings.h"

namespace brumo::host {

namespace {

enum ForwardedSlot { kPart5, kPart53, kPart54, kPart55, kResponder9 };

// The value a popup item stands for: its code, or its position when it has none.
int32_t itemValue(const PopupPart::Item& item, size_t index) {
    return item.code != 0 ? static_cast<int32_t>(item.code) : static_cast<int32_t>(index);
}

}  // namespace

Ref<HostPart> HostPart::create(uint32_t id, PartKind kind) {
    return Ref<HostPart>::adopt(new HostPart(id, kind));
}

HostPart::HostPart(uint32_t id, PartKind kind) : id_(id), kind_(kind) {}

HostPart::~HostPart() = default;

QVResult HostPart::QueryInterface(const QVGuid& iid, void** out) {
    if (out == nullptr) return qv::kNoInterface;
    qv::releaseSlot(out);
    void* found = nullptr;
    if (iid == qv::IID_IQVUnknown || iid == qv::IID_IMFPart) {
        found = static_cast<IMFPart*>(this);
    } else if (iid == qv::IID_IMFResponder) {
        found = static_cast<IMFResponder*>(this);
    } else {
        found = findExtraInterface(iid);
    }
    if (found != nullptr) {
        AddRef();
        *out = found;
        return qv::kOk;
    }
    // The module part answers its own interfaces and hands everything else back to its outer
    // object, which is us: that second visit must not go round again.
    if (inner_ != nullptr && !askingInner_) {
        askingInner_ = true;
        const QVResult result = inner_->QueryInterface(iid, out);
        askingInner_ = false;
        return result;
    }
    return qv::kNoInterface;
}

int32_t HostPart::AddRef() { return references_.add(); }

int32_t HostPart::Release() {
    if (inner_ != nullptr && !ending_ && references_.load() == 1) {
        // The module part counts through us and is destroyed exactly when our Release answers
        // -1, so the last reference goes out through it.
        ending_ = true;
        IQVUnknown* inner = inner_;
        inner_ = nullptr;
        inner->Release();
        delete this;
        return 0;
    }
    const int32_t left = references_.drop();
    if (left == 0) {
        if (ending_) return -1;  // the module part's own release: it goes, we follow
        delete this;
    }
    return left;
}

void HostPart::hostPartSlot5(intptr_t, intptr_t) { ++forwarded_[kPart5]; }
void HostPart::hostPartSlot53(intptr_t, intptr_t) { ++forwarded_[kPart53]; }
void HostPart::hostPartSlot54(intptr_t, intptr_t) { ++forwarded_[kPart54]; }
void HostPart::hostPartSlot55(intptr_t) { ++forwarded_[kPart55]; }
void HostPart::hostResponderSlot9(intptr_t) { ++forwarded_[kResponder9]; }

int32_t HostPart::forwardedCalls(int slot) const {
    switch (slot) {
        case 5: return forwarded_[kPart5];
        case 53: return forwarded_[kPart53];
        case 54: return forwarded_[kPart54];
        case 55: return forwarded_[kPart55];
        case 9: return forwarded_[kResponder9];
        default: return 0;
    }
}

IMFPart* HostPart::findPart(uint32_t id) {
    HostPart* found = owner_ != nullptr ? owner_->findPartById(id) : nullptr;
    if (found == nullptr) return nullptr;
    found->AddRef();
    return found;
}

void HostPart::setPartActive(int32_t active) { active_ = active != 0; }

void HostPart::refreshPart() { ++refreshCount_; }

QVResult HostPart::getValue(void* value, uint32_t type) {
    if (value == nullptr) return qv::kNotImplemented;
    return readValue(value, type);
}

QVResult HostPart::setValue(const void* value, uint32_t type, int32_t, int32_t) {
    if (value == nullptr) return qv::kNotImplemented;
    const QVResult result = writeValue(value, type);
    if (result == qv::kOk && owner_ != nullptr) owner_->partValueWritten(*this);
    return result;
}

QVResult HostPart::readValue(void* value, uint32_t type) {
    const bool numeric = kind_ == PartKind::checkBox || kind_ == PartKind::integer;
    if (type == qv::kValueInt32 && numeric) {
        *static_cast<int32_t*>(value) = intValue_;
    } else if (type == qv::kValueBool && numeric) {
        *static_cast<bool*>(value) = intValue_ != 0;
    } else if (type == qv::kValueString && kind_ == PartKind::text) {
        setText(static_cast<TQVString*>(value), text_);
    } else {
        return qv::kNotImplemented;
    }
    return qv::kOk;
}

QVResult HostPart::writeValue(const void* value, uint32_t type) {
    const bool numeric = kind_ == PartKind::checkBox || kind_ == PartKind::integer;
    if (type == qv::kValueInt32 && numeric) {
        intValue_ = *static_cast<const int32_t*>(value);
        if (kind_ == PartKind::checkBox) intValue_ = intValue_ != 0 ? 1 : 0;
    } else if (type == qv::kValueBool && numeric) {
        intValue_ = *static_cast<const bool*>(value) ? 1 : 0;
    } else if (type == qv::kValueString && kind_ == PartKind::text) {
        text_ = textOf(static_cast<const TQVString*>(value));
    } else {
        return qv::kNotImplemented;
    }
    return qv::kOk;
}

void HostPart::sendMessage(int32_t message, IQVUnknown* sender, void* data) {
    if (owner_ != nullptr) {
        owner_->deliverMessage(*this, message, sender, data);
    } else {
        unrouted_.push_back({message, sender, data});
    }
}

Ref<IMFExPart> HostPart::modulePart() {
    if (inner_ == nullptr) return {};
    IMFExPart* part = nullptr;
    inner_->QueryInterface(qv::IID_IMFExPart, reinterpret_cast<void**>(&part));
    return Ref<IMFExPart>::adopt(part);
}

Ref<IMFExResponder> HostPart::moduleResponder() {
    if (inner_ == nullptr) return {};
    IMFExResponder* responder = nullptr;
    inner_->QueryInterface(qv::IID_IMFExResponder, reinterpret_cast<void**>(&responder));
    return Ref<IMFExResponder>::adopt(responder);
}

Ref<PopupPart> PopupPart::create(uint32_t id) { return Ref<PopupPart>::adopt(new PopupPart(id)); }

PopupPart::PopupPart(uint32_t id) : HostPart(id, PartKind::popup) { intValue_ = -1; }

void* PopupPart::findExtraInterface(const QVGuid& iid) {
    return iid == qv::IID_IMFPopup ? static_cast<IMFPopup*>(this) : nullptr;
}

void PopupPart::removeAllItems() {
    items_.clear();
    chosen_ = -1;
    ++clearCount_;
}

void PopupPart::appendItem(const TQVString* text) { items_.push_back({textOf(text), 0, false}); }

void PopupPart::appendSeparator() { items_.push_back({std::string(), 0, true}); }

void PopupPart::addItem(const std::string& text, uint32_t code) { items_.push_back({text, code, false}); }

void PopupPart::choose(int32_t index) {
    if (index < 0 || index >= countItems()) {
        chosen_ = -1;
        intValue_ = -1;
        return;
    }
    chosen_ = index;
    intValue_ = itemValue(items_[static_cast<size_t>(index)], static_cast<size_t>(index));
}

QVResult PopupPart::readValue(void* value, uint32_t type) {
    if (type == qv::kValueInt32) {
        *static_cast<int32_t*>(value) = intValue_;
        return qv::kOk;
    }
    // The text of the chosen item; a separator reports an empty text.
    if (type == qv::kValueString && chosen_ >= 0 && chosen_ < countItems()) {
        setText(static_cast<TQVString*>(value), items_[static_cast<size_t>(chosen_)].text);
        return qv::kOk;
    }
    return qv::kNotImplemented;
}

QVResult PopupPart::writeValue(const void* value, uint32_t type) {
    if (type != qv::kValueInt32) return qv::kNotImplemented;
    storeInt(*static_cast<const int32_t*>(value));
    return qv::kOk;
}

void PopupPart::valueStored() {
    // A value no item stands for ("NoPt") shows no choice.
    chosen_ = -1;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (!items_[i].separator && itemValue(items_[i], i) == intValue_) {
            chosen_ = static_cast<int32_t>(i);
            break;
        }
    }
}

}  // namespace brumo::host
