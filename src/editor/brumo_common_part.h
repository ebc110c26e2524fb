// BrumoCommonPart: the part of an effect's property panel that keeps dependent controls in step.
// Preset popups rewrite the two banks of sixteen shape check boxes, the shader popup writes the
// chosen shader's name and built-in index into two other controls, and the host's reports that
// the components attached to the primitive changed are passed on to the primitive. It holds no
// parameter of its own: everything it writes goes into other controls of the panel.
#pragma once

#include "frame/basic_part.h"
#include "frame/component.h"
#include "frame/panel_controls.h"
#include "qv/scene.h"

namespace brumo {

// Mask of the shape options a preset code stands for ("Opt1".."Opt5" or "Pre1".."Pre5");
// 0 for any other code.
uint32_t presetMask(int32_t code);

class BrumoCommonPart final : public TQVComponent<BrumoCommonPart, TBasicPart> {
public:
    BrumoCommonPart() = default;

    // Message 5 from "DePr", "CoPr" or "ShPo", message 104 (the banks from "Ramp" and "ColR"),
    // 5102 to 5104 (passed on to the primitive; consumed) and 9 (consumed).
    bool QV_CALL receiveMessage(int32_t message, IQVUnknown* source, void* extra) override;
    // Takes the current scene.
    void QV_CALL attachPart() override;
    // Lets go of the scene, then of the host part.
    void QV_CALL detachPart() override;

    // The class identifier, then the part and responder interfaces.
    QVResult queryInterfaceChain(const QVGuid& iid, void** out);

private:
    friend TQVUnknownImpl<BrumoCommonPart, TBasicPart>;
    ~BrumoCommonPart() = default;

    void setBank(const CheckBoxBank& bank, uint32_t mask);
    void chooseShader(IQVUnknown* source, IMFPart* popupPart);
    void forwardComponentChange(int32_t message, IQVUnknown* source);

    QVCountedPtr<IQVScene> scene;
};

}  // namespace brumo
