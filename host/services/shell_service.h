// The shell service, through which the module reaches the application and its current scene,
// and the application object itself.
#pragma once

#include <mutex>

#include "host/common/host_object.h"
#include "host/scene/scene.h"
#include "qv/scene.h"
#include "qv/services.h"

namespace brumo::host {

class Application final : public HostObject<IQVApplication> {
public:
    void QV_CALL slot4() override {}
    // Fills the slot with a counted reference to the current scene, or null.
    void QV_CALL currentScene(IQVScene** scene) override;

    void setScene(Scene* scene);
    Ref<Scene> scene() const;

private:
    ~Application() override = default;
    mutable std::mutex mutex_;
    Ref<Scene> scene_;
};

class ShellService final : public HostObject<IQVShellService> {
public:
    explicit ShellService(Application* application);
    void QV_CALL slot4() override {} void QV_CALL slot5() override {}
    void QV_CALL slot6() override {} void QV_CALL slot7() override {}
    void QV_CALL slot8() override {} void QV_CALL slot9() override {}
    void QV_CALL slot10() override {} void QV_CALL slot11() override {}
    void QV_CALL slot12() override {} void QV_CALL slot13() override {}
    void QV_CALL slot14() override {} void QV_CALL slot15() override {}
    void QV_CALL slot16() override {} void QV_CALL slot17() override {}
    void QV_CALL slot18() override {} void QV_CALL slot19() override {}
    void QV_CALL slot20() override {} void QV_CALL slot21() override {}
    void QV_CALL slot22() override {} void QV_CALL slot23() override {}
    void QV_CALL slot24() override {} void QV_CALL slot25() override {}
    void QV_CALL slot26() override {} void QV_CALL slot27() override {}
    void QV_CALL slot28() override {} void QV_CALL slot29() override {}
    void QV_CALL slot30() override {} void QV_CALL slot31() override {}
    void QV_CALL slot32() override {} void QV_CALL slot33() override {}
    void QV_CALL slot34() override {} void QV_CALL slot35() override {}
    void QV_CALL slot36() override {} void QV_CALL slot37() override {}
    void QV_CALL slot38() override {} void QV_CALL slot39() override {}
    void QV_CALL slot40() override {} void QV_CALL slot41() override {}
    void QV_CALL slot42() override {} void QV_CALL slot43() override {}
    void QV_CALL slot44() override {} void QV_CALL slot45() override {}
    void QV_CALL slot46() override {} void QV_CALL slot47() override {}
    void QV_CALL slot48() override {} void QV_CALL slot49() override {}
    void QV_CALL slot50() override {} void QV_CALL slot51() override {}
    void QV_CALL slot52() override {} void QV_CALL slot53() override {}
    void QV_CALL slot54() override {} void QV_CALL slot55() override {}
    void QV_CALL slot56() override {} void QV_CALL slot57() override {}
    void QV_CALL slot58() override {} void QV_CALL slot59() override {}
    void QV_CALL slot60() override {} void QV_CALL slot61() override {}
    void QV_CALL slot62() override {} void QV_CALL slot63() override {}
    void QV_CALL slot64() override {} void QV_CALL slot65() override {}
    void QV_CALL slot66() override {} void QV_CALL slot67() override {}
    void QV_CALL slot68() override {} void QV_CALL slot69() override {}
    void QV_CALL slot70() override {} void QV_CALL slot71() override {}
    void QV_CALL slot72() override {} void QV_CALL slot73() override {}
    void QV_CALL slot74() override {} void QV_CALL slot75() override {}
    void QV_CALL slot76() override {} void QV_CALL slot77() override {}
    void QV_CALL slot78() override {} void QV_CALL slot79() override {}
    void QV_CALL slot80() override {} void QV_CALL slot81() override {}
    void QV_CALL slot82() override {} void QV_CALL slot83() override {}
    void QV_CALL slot84() override {} void QV_CALL slot85() override {}
    void QV_CALL slot86() override {} void QV_CALL slot87() override {}
    void QV_CALL slot88() override {} void QV_CALL slot89() override {}
    void QV_CALL slot90() override {}
    IQVApplication* QV_CALL application() override { return application_.get(); }

private:
    ~ShellService() override = default;
    Ref<Application> application_;
};

}  // namespace brumo::host
