#include "host/editor/component_list.h"

#include <algorithm>

#include "qv/memory.h"

namespace brumo::host {

Ref<ComponentList> ComponentList::create(IQVUnknown* editedObject, uint32_t id) {
    IExDataExchanger* exchanger = nullptr;
    if (editedObject != nullptr)
        editedObject->QueryInterface(qv::IID_IExDataExchanger, reinterpret_cast<void**>(&exchanger));
    return Ref<ComponentList>::adopt(new ComponentList(exchanger, id));
}

ComponentList::ComponentList(IExDataExchanger* editedObject, uint32_t id)
    : HostPart(id, PartKind::group),
      edited_(Ref<IExDataExchanger>::adopt(editedObject)),
      control_(HostPart::create(qv::fourcc("Ctrl"), PartKind::group)) {}

ComponentList::~ComponentList() = default;

void* ComponentList::findExtraInterface(const QVGuid& iid) {
    return iid == qv::IID_IMFComponentList ? static_cast<IMFComponentList*>(this) : nullptr;
}

void ComponentList::componentListSlot8(QVClassArray<IQVUnknown*>* components) { fill(components); }

void ComponentList::componentListSlot9(QVClassArray<IQVUnknown*>* components) { fill(components); }

void ComponentList::fill(QVClassArray<IQVUnknown*>* components) {
    if (components == nullptr) return;
    for (IQVUnknown* held : *components)
        if (held != nullptr) held->Release();
    components->clear();
    for (const Ref<IQVUnknown>& component : components_) {
        IQVUnknown* counted = component.addRefed();
        // Without memory for the entry the reference is not handed out.
        if (!components->append(counted)) counted->Release();
    }
}

bool ComponentList::attach(IQVUnknown* component, int32_t position) {
    if (component == nullptr) return false;
    for (const Ref<IQVUnknown>& held : components_)
        if (held.get() == component) return false;
    const size_t at = position < 0 || static_cast<size_t>(position) > components_.size()
                          ? components_.size()
                          : static_cast<size_t>(position);
    components_.insert(components_.begin() + static_cast<std::ptrdiff_t>(at), Ref<IQVUnknown>::share(component));
    notify(qv::kComponentAttached);
    return true;
}

bool ComponentList::detach(IQVUnknown* component) {
    auto found = std::find_if(components_.begin(), components_.end(),
                              [component](const Ref<IQVUnknown>& held) { return held.get() == component; });
    if (found == components_.end()) return false;
    // Keep the component alive until the object has let go of it too.
    Ref<IQVUnknown> leaving = *found;
    components_.erase(found);
    notify(qv::kComponentDetached);
    return true;
}

bool ComponentList::move(int32_t from, int32_t to) {
    const int32_t n = count();
    if (from < 0 || from >= n || to < 0 || to >= n) return false;
    Ref<IQVUnknown> moving = components_[static_cast<size_t>(from)];
    components_.erase(components_.begin() + from);
    components_.insert(components_.begin() + to, moving);
    notify(qv::kComponentMoved);
    return true;
}

void ComponentList::notify(int32_t message) {
    ++notifications_;
    if (owner() != nullptr) {
        owner()->partMessage(*this, message);
        return;
    }
    if (!edited_) return;
    // What the common editor part does inside a panel: the object owns the record it is given.
    auto* record = static_cast<ComponentChangeRecord*>(qv::allocateBlock(sizeof(ComponentChangeRecord)));
    if (record != nullptr) {
        record->kind = message;
        record->list = this;
        AddRef();
    }
    edited_->handleEvent(5, control_->unknown(), record);
}

}  // namespace brumo::host
