// The list of data components (modifiers) attached to one edited object, as the host keeps it.
// It is also a panel control: inside a panel its changes go to the panel's module parts as
// messages 5102 (attached), 5103 (detached) and 5104 (moved), and the common editor part passes
// them on to the object. Outside a panel the list tells the object itself, the same way: a
// "Ctrl" record through the object's handleEvent.
#pragma once

#include <cstdint>
#include <vector>

#include "host/editor/host_part.h"
#include "qv/data_exchanger.h"
#include "qv/fourcc.h"

namespace brumo::host {

using ComponentChangeRecord = QVComponentChangeRecord;

class ComponentList final : public HostPart, public IMFComponentList {
public:
    static constexpr uint32_t kDefaultId = qv::fourcc("Mods");

    // The list of editedObject's components (the list keeps a reference to the object).
    static Ref<ComponentList> create(IQVUnknown* editedObject, uint32_t id = kDefaultId);

    QVResult QV_CALL QueryInterface(const QVGuid& iid, void** out) override {
        return HostPart::QueryInterface(iid, out);
    }
    int32_t QV_CALL AddRef() override { return HostPart::AddRef(); }
    int32_t QV_CALL Release() override { return HostPart::Release(); }

    // IMFComponentList: both fills replace the list's content with counted references to the
    // attached components, in order, releasing what it held.
    void QV_CALL componentListSlot4() override {}
    void QV_CALL componentListSlot5() override {}
    void QV_CALL componentListSlot6() override {}
    void QV_CALL componentListSlot7() override {}
    void QV_CALL componentListSlot8(QVClassArray<IQVUnknown*>* components) override;
    void QV_CALL componentListSlot9(QVClassArray<IQVUnknown*>* components) override;

    // Attaches a component at position (at the end for -1 or past the end), with a reference
    // of the list's own. False when it is null or already attached.
    bool attach(IQVUnknown* component, int32_t position = -1);
    // False when the component is not attached.
    bool detach(IQVUnknown* component);
    // Moves the component at `from` to position `to`; false when either is out of range.
    bool move(int32_t from, int32_t to);

    int32_t count() const { return static_cast<int32_t>(components_.size()); }
    IQVUnknown* at(int32_t index) const { return components_[static_cast<size_t>(index)].get(); }
    IExDataExchanger* editedObject() const { return edited_.get(); }

    // The "Ctrl" part the list names as the sender when it tells the object itself.
    HostPart& controlPart() const { return *control_; }
    // Changes reported, inside or outside a panel.
    int32_t notifications() const { return notifications_; }

private:
    ComponentList(IExDataExchanger* editedObject, uint32_t id);
    ~ComponentList() override;

    void* findExtraInterface(const QVGuid& iid) override;
    void fill(QVClassArray<IQVUnknown*>* components);
    void notify(int32_t message);

    Ref<IExDataExchanger> edited_;
    Ref<HostPart> control_;
    std::vector<Ref<IQVUnknown>> components_;
    int32_t notifications_ = 0;
};

}  // namespace brumo::host
