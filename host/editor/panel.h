// The reference host's property panel: the controls of one edited component, the module's
// editor parts aggregated by some of them, and message delivery between the three.
//
// Controls may show a field of the edited component's parameter block (found by name in its
// field table): whatever writes such a control, the user or a module part, writes the field and
// tells the component (parametersChanged); after every event the component handled, the panel
// shows the block's values again.
//
// When the user changes a control, the panel first lets its module parts see the change
// (message 5, the control as source) and then sends it to the component (handleEvent kind 5).
// Preset popups rely on that order: the common part reads the chosen preset before the
// component sets the popup back to "no preset".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "brumo/parameter_fields.h"
#include "host/common/host_object.h"
#include "host/editor/component_list.h"
#include "host/editor/host_part.h"
#include "qv/data_exchanger.h"

namespace brumo::host {

// Builds a module object of classId aggregated by outer; answers the creation's result code and
// the object's IQVUnknown in *object.
using ModuleObjectFactory = std::function<QVResult(const QVGuid& classId, IQVUnknown* outer, IQVUnknown** object)>;

// An init-data item of the layout: its id and the value the part reads from it.
struct InitItem {
    uint32_t id;
    int32_t value;
};

class Panel final : public PartOwner {
public:
    // editedObject answers IExDataExchanger; fields (may be null) is its field table.
    Panel(IQVUnknown* editedObject, const ParameterTable* fields, ModuleObjectFactory factory);
    ~Panel();
    Panel(const Panel&) = delete;
    Panel& operator=(const Panel&) = delete;

    // Building, before open(). fieldName (may be null) binds the control to a block field.
    HostPart& addControl(uint32_t id, PartKind kind, const char* fieldName = nullptr);
    PopupPart& addPopup(uint32_t id, const char* fieldName = nullptr);
    ComponentList& addComponentList(uint32_t id = ComponentList::kDefaultId);
    // The control (already added) will aggregate a module part of that class.
    void addModulePart(uint32_t controlId, const QVGuid& classId, std::vector<InitItem> initData = {});

    // Builds the module parts, gives them their init data, attaches them, shows the block's
    // values and lets the parts set up dependent controls (message 104). Answers the first
    // creation failure; the parts built so far stay.
    QVResult open();
    // Every module part prepares its content (popups refill) before the panel shows.
    void prepare();
    // Detaches the module parts and lets every control go; the panel is empty afterwards.
    void close();
    bool isOpen() const { return open_; }

    // The user at work: each changes the control and sends the change round.
    void toggle(uint32_t id, bool on);
    void enterInteger(uint32_t id, int32_t value);
    void enterText(uint32_t id, const std::string& text);
    void choose(uint32_t id, int32_t index);
    void press(uint32_t id);
    // A message from the host to the module parts, without a source (104, 9, ...). True when a
    // part consumed it.
    bool post(int32_t message);

    HostPart* part(uint32_t id) { return findPartById(id); }
    // Every control, in the order the layout added them (for a host that draws the panel).
    const std::vector<Ref<HostPart>>& controls() const { return parts_; }
    PopupPart* popup(uint32_t id);
    IExDataExchanger* editedObject() const { return edited_.get(); }
    // The module part a control aggregates, counted; null when there is none.
    Ref<IMFExPart> modulePart(uint32_t controlId);

    // PartOwner.
    HostPart* findPartById(uint32_t id) override;
    void partValueWritten(HostPart& part) override;
    void deliverMessage(HostPart& responder, int32_t message, IQVUnknown* sender, void* data) override;
    void partMessage(HostPart& source, int32_t message) override;

private:
    struct ModulePartSpec {
        uint32_t controlId;
        QVGuid classId;
        std::vector<InitItem> initData;
        HostPart* control = nullptr;  // set while open
    };

    HostPart& adopt(Ref<HostPart> part, const char* fieldName);
    const FieldInfo* fieldOf(const HostPart& part) const;
    void writeField(HostPart& part);
    void showFields();
    bool sendToParts(int32_t message, IQVUnknown* source);
    void userChanged(HostPart& part);
    HostPart& require(uint32_t id);

    Ref<IExDataExchanger> edited_;
    const ParameterTable* fields_;
    ModuleObjectFactory factory_;
    std::vector<Ref<HostPart>> parts_;
    std::vector<ModulePartSpec> moduleParts_;
    bool open_ = false;
};

}  // namespace brumo::host
