#include "host/editor/panel.h"

#include <cstring>
#include <stdexcept>

#include "qv/host_editor.h"
#include "qv/strings.h"

namespace brumo::host {

namespace {

bool sameName(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

}  // namespace

Panel::Panel(IQVUnknown* editedObject, const ParameterTable* fields, ModuleObjectFactory factory)
    : fields_(fields), factory_(std::move(factory)) {
    IExDataExchanger* exchanger = nullptr;
    if (editedObject != nullptr)
        editedObject->QueryInterface(qv::IID_IExDataExchanger, reinterpret_cast<void**>(&exchanger));
    edited_ = Ref<IExDataExchanger>::adopt(exchanger);
}

Panel::~Panel() { close(); }

HostPart& Panel::adopt(Ref<HostPart> part, const char* fieldName) {
    if (fieldName != nullptr && fields_ != nullptr) {
        for (int32_t i = 0; i < fields_->fieldCount; ++i)
            if (sameName(fields_->fields[i].name, fieldName)) part->bindField(fields_->fields[i].name);
        if (part->boundField() == nullptr)
            throw std::invalid_argument(std::string("no field ") + fieldName + " in " + fields_->className);
    }
    part->setOwner(this);
    parts_.push_back(part);
    return *part;
}

HostPart& Panel::addControl(uint32_t id, PartKind kind, const char* fieldName) {
    return adopt(HostPart::create(id, kind), fieldName);
}

PopupPart& Panel::addPopup(uint32_t id, const char* fieldName) {
    Ref<PopupPart> popup = PopupPart::create(id);
    adopt(Ref<HostPart>::share(popup.get()), fieldName);
    return *popup;
}

ComponentList& Panel::addComponentList(uint32_t id) {
    Ref<ComponentList> list = ComponentList::create(edited_.get(), id);
    adopt(Ref<HostPart>::share(list.get()), nullptr);
    return *list;
}

void Panel::addModulePart(uint32_t controlId, const QVGuid& classId, std::vector<InitItem> initData) {
    moduleParts_.push_back({controlId, classId, std::move(initData), nullptr});
}

QVResult Panel::open() {
    if (open_) return qv::kOk;
    open_ = true;
    // Each part is built with its control as the outer object, then reads its init data.
    for (ModulePartSpec& planned : moduleParts_) {
        HostPart& control = require(planned.controlId);
        IQVUnknown* inner = nullptr;
        const QVResult created = factory_ ? factory_(planned.classId, control.unknown(), &inner) : qv::kClassNotAvailable;
        if (created != qv::kOk || inner == nullptr) return created != qv::kOk ? created : qv::kClassNotAvailable;
        control.aggregate(inner);
        planned.control = &control;
        Ref<IMFExPart> part = control.modulePart();
        if (!part) continue;
        for (const InitItem& item : planned.initData) {
            Ref<HostPart> source = HostPart::create(item.id, PartKind::integer);
            source->storeInt(item.value);
            part->readInitData(item.id, source->unknown());
        }
    }
    for (ModulePartSpec& planned : moduleParts_) {
        Ref<IMFExPart> part = planned.control != nullptr ? planned.control->modulePart() : Ref<IMFExPart>();
        if (part) part->attachPart();
    }
    showFields();
    post(qv::kPanelFilled);
    return qv::kOk;
}

void Panel::prepare() {
    for (ModulePartSpec& planned : moduleParts_) {
        if (planned.control == nullptr) continue;
        int32_t result = -1;
        if (Ref<IMFExPart> part = planned.control->modulePart()) part->prepareContent(&result, 0, 0);
    }
}

void Panel::close() {
    for (ModulePartSpec& planned : moduleParts_) {
        if (planned.control == nullptr) continue;
        if (Ref<IMFExPart> part = planned.control->modulePart()) part->detachPart();
        planned.control = nullptr;
    }
    // Controls that aggregate a module part end it with their last reference.
    for (Ref<HostPart>& part : parts_) part->setOwner(nullptr);
    parts_.clear();
    moduleParts_.clear();
    open_ = false;
}

HostPart* Panel::findPartById(uint32_t id) {
    for (Ref<HostPart>& part : parts_)
        if (part->partId() == id) return part.get();
    return nullptr;
}

HostPart& Panel::require(uint32_t id) {
    HostPart* found = findPartById(id);
    if (found == nullptr) throw std::invalid_argument("the panel has no control " + fourccText(id));
    return *found;
}

PopupPart* Panel::popup(uint32_t id) {
    HostPart* found = findPartById(id);
    return found != nullptr && found->kind() == PartKind::popup ? static_cast<PopupPart*>(found) : nullptr;
}

Ref<IMFExPart> Panel::modulePart(uint32_t controlId) {
    HostPart* control = findPartById(controlId);
    return control != nullptr ? control->modulePart() : Ref<IMFExPart>();
}

const FieldInfo* Panel::fieldOf(const HostPart& part) const {
    if (part.boundField() == nullptr || fields_ == nullptr) return nullptr;
    for (int32_t i = 0; i < fields_->fieldCount; ++i)
        if (fields_->fields[i].name == part.boundField()) return &fields_->fields[i];
    return nullptr;
}

void Panel::writeField(HostPart& part) {
    const FieldInfo* field = fieldOf(part);
    if (field == nullptr || !edited_) return;
    auto* block = static_cast<unsigned char*>(edited_->parameterBlock());
    if (block == nullptr) return;
    unsigned char* at = block + field->offset;
    switch (field->type) {
        case FieldType::int32:
        case FieldType::fourCharCode:
        case FieldType::bitSet32: {
            const int32_t value = part.intValue();
            std::memcpy(at, &value, sizeof value);
            break;
        }
        case FieldType::flag8:
            *at = part.intValue() != 0 ? 1 : 0;
            break;
        case FieldType::float32: {
            const float value = static_cast<float>(part.intValue());
            std::memcpy(at, &value, sizeof value);
            break;
        }
        case FieldType::string:
            reinterpret_cast<TQVString*>(at)->setText(part.text().data(), static_cast<int32_t>(part.text().size()));
            break;
        default:
            return;  // lists, gradients and vectors have no single control
    }
    edited_->parametersChanged();
}

void Panel::showFields() {
    if (!edited_) return;
    auto* block = static_cast<const unsigned char*>(edited_->parameterBlock());
    if (block == nullptr) return;
    for (Ref<HostPart>& part : parts_) {
        const FieldInfo* field = fieldOf(*part);
        if (field == nullptr) continue;
        const unsigned char* at = block + field->offset;
        switch (field->type) {
            case FieldType::int32:
            case FieldType::fourCharCode:
            case FieldType::bitSet32: {
                int32_t value = 0;
                std::memcpy(&value, at, sizeof value);
                part->storeInt(value);
                break;
            }
            case FieldType::flag8:
                part->storeInt(*at != 0 ? 1 : 0);
                break;
            case FieldType::float32: {
                float value = 0.0f;
                std::memcpy(&value, at, sizeof value);
                part->storeInt(static_cast<int32_t>(value));
                break;
            }
            case FieldType::string: {
                const auto* text = reinterpret_cast<const TQVString*>(at);
                part->storeText(std::string(text->text(), static_cast<size_t>(text->byteLength)));
                break;
            }
            default:
                break;
        }
    }
}

void Panel::partValueWritten(HostPart& part) { writeField(part); }

void Panel::deliverMessage(HostPart&, int32_t message, IQVUnknown* sender, void* data) {
    if (!edited_) return;
    edited_->handleEvent(message, sender, data);
    showFields();
}

void Panel::partMessage(HostPart& source, int32_t message) {
    if (sendToParts(message, source.unknown())) return;
    // No part passed the change on: the component refreshes its list from the source itself.
    if (edited_ && source.unknown() != nullptr) {
        IMFComponentList* list = nullptr;
        if (source.QueryInterface(qv::IID_IMFComponentList, reinterpret_cast<void**>(&list)) == qv::kOk) {
            list->Release();
            edited_->handleEvent(qv::kComponentListChanged, source.unknown(), nullptr);
        }
    }
}

bool Panel::post(int32_t message) { return sendToParts(message, nullptr); }

bool Panel::sendToParts(int32_t message, IQVUnknown* source) {
    for (ModulePartSpec& planned : moduleParts_) {
        if (planned.control == nullptr) continue;
        Ref<IMFExResponder> responder = planned.control->moduleResponder();
        if (responder && responder->receiveMessage(message, source, nullptr)) return true;
    }
    return false;
}

void Panel::userChanged(HostPart& part) {
    Ref<HostPart> keep = Ref<HostPart>::share(&part);
    writeField(part);
    sendToParts(qv::kControlChanged, part.unknown());
    if (edited_) {
        edited_->handleEvent(qv::kControlChanged, part.unknown(), nullptr);
        showFields();
    }
}

void Panel::toggle(uint32_t id, bool on) {
    HostPart& part = require(id);
    part.storeBool(on);
    userChanged(part);
}

void Panel::enterInteger(uint32_t id, int32_t value) {
    HostPart& part = require(id);
    part.storeInt(value);
    userChanged(part);
}

void Panel::enterText(uint32_t id, const std::string& text) {
    HostPart& part = require(id);
    part.storeText(text);
    userChanged(part);
}

void Panel::choose(uint32_t id, int32_t index) {
    PopupPart* popupPart = popup(id);
    if (popupPart == nullptr) throw std::invalid_argument("the panel has no popup " + fourccText(id));
    popupPart->choose(index);
    userChanged(*popupPart);
}

void Panel::press(uint32_t id) { userChanged(require(id)); }

}  // namespace brumo::host
