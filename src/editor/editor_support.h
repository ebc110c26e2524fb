// Small helpers the editor parts share: the current scene, and reading or writing panel
// controls by id through the part's host part.
#pragma once

#include <cstdint>

#include "qv/counted_ptr.h"
#include "qv/host_editor.h"
#include "qv/scene.h"

class TQVString;

namespace brumo {

// Stores the host's current scene in scene (replacing what it held). When the shell gives no
// scene provider nothing changes and the answer is false.
bool takeCurrentScene(QVCountedPtr<IQVScene>& scene);

// The panel part with that id, counted; null without a host part or such a part.
QVCountedPtr<IMFPart> findPanelPart(IMFPart* hostPart, uint32_t id);

// A control's "in32" value; fallback when the control gives none.
int32_t readInt(IMFPart* part, int32_t fallback);

}  // namespace brumo
