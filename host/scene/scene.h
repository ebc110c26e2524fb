// The reference host's scene: shaders, lights and objects, found by name and by index, and the
// size factor that effects scale their default size by.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "host/common/host_object.h"
#include "host/scene/hazard.h"
#include "qv/scene.h"

namespace brumo::host {

// The scene interface with its placeholder operations filled in, shared by the scene and the
// views render threads read it through.
class SceneInterface : public HostObject<IQVScene> {
public:
    BRUMO_HOST_NOOP_SLOT(12) BRUMO_HOST_NOOP_SLOT(13) BRUMO_HOST_NOOP_SLOT(14) BRUMO_HOST_NOOP_SLOT(15)
    BRUMO_HOST_NOOP_SLOT(16) BRUMO_HOST_NOOP_SLOT(17) BRUMO_HOST_NOOP_SLOT(18) BRUMO_HOST_NOOP_SLOT(19)
    BRUMO_HOST_NOOP_SLOTS_TENS(2)
    BRUMO_HOST_NOOP_SLOTS_TENS(3)
    BRUMO_HOST_NOOP_SLOTS_TENS(4)
    BRUMO_HOST_NOOP_SLOTS_TENS(5)
    BRUMO_HOST_NOOP_SLOTS_TENS(6)
    BRUMO_HOST_NOOP_SLOTS_TENS(7)
    BRUMO_HOST_NOOP_SLOTS_TENS(8)
    BRUMO_HOST_NOOP_SLOTS_TENS(9)
    BRUMO_HOST_NOOP_SLOTS_TENS(10)
    BRUMO_HOST_NOOP_SLOT(110) BRUMO_HOST_NOOP_SLOT(111) BRUMO_HOST_NOOP_SLOT(112) BRUMO_HOST_NOOP_SLOT(113)
    BRUMO_HOST_NOOP_SLOT(114) BRUMO_HOST_NOOP_SLOT(115) BRUMO_HOST_NOOP_SLOT(116)

protected:
    ~SceneInterface() override = default;
};

class Scene final : public SceneInterface {
public:
    void QV_CALL findShader(IQVShaderObject** shader, const TQVString* name) override;
    int32_t QV_CALL shaderCount() override;
    void QV_CALL shaderAt(IQVShaderObject** shader, int32_t index) override;
    int32_t QV_CALL lightCount() override;
    void QV_CALL lightAt(IQVLight** light, int32_t index) override;
    int32_t QV_CALL objectCount() override;
    IQVSceneObject* QV_CALL objectAt(int32_t index) override;
    void QV_CALL findObjectByName(IQVSceneObject** object, const TQVString* name) override;
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

    using Lights = std::vector<Ref<IQVLight>>;
    // One published state of the light list: never changed after it is published, and freed
    // with its last holder, so that a reader holding one may compare its address with the
    // scene's current one.
    class LightList {
    public:
        Lights lights;

        int32_t AddRef() { return references_.add(); }
        int32_t Release() {
            const int32_t left = references_.drop();
            if (left == 0) delete this;
            return left;
        }

    private:
        ReferenceCount references_;
    };

    // The light at index, or null when the list has none there.
    static IQVLight* lightIn(const Lights& lights, int32_t index) {
        return index >= 0 && static_cast<size_t>(index) < lights.size() ? lights[static_cast<size_t>(index)].get()
                                                                        : nullptr;
    }
    // Calls fn with the current light list, kept alive for the call; no reference is counted.
    template <class Fn>
    auto withLights(Fn fn) {
        return withList([&](LightList& list) { return fn(list.lights); });
    }
    // The current light list, held. To be asked when the list changed: its reference count is
    // shared by every holder.
    Ref<LightList> shareLights();
    // The current light list's address, only to compare with a list the caller holds.
    const LightList* currentLights() const { return lights_.load(std::memory_order_acquire); }

private:
    ~Scene() override;

    template <class T>
    struct Named {
        std::string name;
        Ref<T> object;
    };

    template <class Fn>
    auto withList(Fn fn) {
        HazardSlot* slot = HazardSlot::mine();
        if (slot == nullptr) {
            std::lock_guard<std::mutex> guard(mutex_);
            return fn(*lights_.load(std::memory_order_relaxed));
        }
        HazardScope scope(*slot);
        return fn(*slot->protect(lights_));
    }
    // Publishes a changed copy of the light list; the caller holds the mutex.
    template <class Change>
    void changeLights(Change change);

    // Render threads look shaders up on every segment while the editor may change the scene.
    mutable std::mutex mutex_;
    float sizeFactor_ = 1.0f;
    std::vector<Named<IQVShaderObject>> shaders_;
    // Render threads read the lights on every segment: an unchanging list, replaced as a whole
    // and read without the mutex.
    std::atomic<LightList*> lights_{new LightList};
    std::vector<Named<IQVSceneObject>> objects_;
};

}  // namespace brumo::host
