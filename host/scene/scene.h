// The reference host's scene: shaders, lights and objects, found by name and by index, and the
// size factor that effects scale their default size by.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "host/common/host_object.h"
#include "qv/scene.h"

namespace brumo::host {

class Scene final : public HostObject<IQVScene> {
public:
    void QV_CALL findShader(IQVShaderObject** shader, const TQVString* name) override;
    int32_t QV_CALL shaderCount() override;
    void QV_CALL shaderAt(IQVShaderObject** shader, int32_t index) override;
    int32_t QV_CALL lightCount() override;
    void QV_CALL lightAt(IQVLight** light, int32_t index) override;
    int32_t QV_CALL objectCount() override;
    IQVSceneObject* QV_CALL objectAt(int32_t index) override;
    void QV_CALL findObjectByName(IQVSceneObject** object, const TQVString* name) override;
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
    void QV_CALL slot90() override {} void QV_CALL slot91() override {}
    void QV_CALL slot92() override {} void QV_CALL slot93() override {}
    void QV_CALL slot94() override {} void QV_CALL slot95() override {}
    void QV_CALL slot96() override {} void QV_CALL slot97() override {}
    void QV_CALL slot98() override {} void QV_CALL slot99() override {}
    void QV_CALL slot100() override {} void QV_CALL slot101() override {}
    void QV_CALL slot102() override {} void QV_CALL slot103() override {}
    void QV_CALL slot104() override {} void QV_CALL slot105() override {}
    void QV_CALL slot106() override {} void QV_CALL slot107() override {}
    void QV_CALL slot108() override {} void QV_CALL slot109() override {}
    void QV_CALL slot110() override {} void QV_CALL slot111() override {}
    void QV_CALL slot112() override {} void QV_CALL slot113() override {}
    void QV_CALL slot114() override {} void QV_CALL slot115() override {}
    void QV_CALL slot116() override {}
    float QV_CALL sceneSizeFactor() override;

    void setSizeFactor(float factor);

    // The scene takes a reference of its own. Shaders and objects are found by the name they
    // report when added; to rename one, remove it and add it again.
    void addShader(IQVShaderObject* shader);
    void addLight(IQVLight* light);
    void addObject(IQVSceneObject* object);
    bool removeShader(const std::string& name);
    bool removeObject(const std::string& name);
    void removeLight(int32_t index);
    void clear();

private:
    ~Scene() override;

    template <class T>
    struct Named {
        std::string name;
        Ref<T> object;
    };

    // Render threads look shaders up on every segment while the editor may change the scene.
    mutable std::mutex mutex_;
    float sizeFactor_ = 1.0f;
    std::vector<Named<IQVShaderObject>> shaders_;
    std::vector<Ref<IQVLight>> lights_;
    std::vector<Named<IQVSceneObject>> objects_;
};

}  // namespace brumo::host
