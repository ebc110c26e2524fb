#include "editor/editor_support.h"

#include "frame/module_state.h"

namespace brumo {

bool takeCurrentScene(QVCountedPtr<IQVScene>& scene) {
    IQVShellService* shell = shellService();
    IQVApplication* application = shell != nullptr ? shell->application() : nullptr;
    if (application == nullptr) return false;
    application->currentScene(reinterpret_cast<IQVScene**>(scene.slot()));
    return true;
}

QVCountedPtr<IMFPart> findPanelPart(IMFPart* hostPart, uint32_t id) {
    if (hostPart == nullptr) return QVCountedPtr<IMFPart>();
    return QVCountedPtr<IMFPart>(hostPart->findPart(id));
}

int32_t readInt(IMFPart* part, int32_t fallback) {
    int32_t value = fallback;
    if (part != nullptr) part->getValue(&value, qv::kValueInt32);
    return value;
}

}  // namespace brumo
