// The host's current scene as the primitive reaches it: shell service, application, scene.
#pragma once

#include "frame/module_state.h"
#include "qv/counted_ptr.h"
#include "qv/scene.h"

namespace brumo {

// The current scene as an owned reference; null without a shell, an application or a scene.
inline QVCountedPtr<IQVScene> currentScene() {
    QVCountedPtr<IQVScene> scene;
    IQVShellService* shell = shellService();
    if (shell == nullptr) return scene;
    IQVApplication* application = shell->application();
    if (application == nullptr) return scene;
    IQVScene* found = nullptr;
    application->currentScene(&found);
    scene.adopt(found);
    return scene;
}

}  // namespace brumo
