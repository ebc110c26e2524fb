#include "host/scene/scene.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "host/common/text.h"
#include "host/scene/hazard.h"

namespace brumo::host {

namespace {

// The first entry of that name; null when there is none.
template <class Entries>
auto findNamed(const Entries& entries, const std::string& name) -> decltype(entries.front().object.get()) {
    for (const auto& entry : entries)
        if (entry.name == name) return entry.object.get();
    return nullptr;
}

template <class Entries>
bool removeNamed(Entries& entries, const std::string& name) {
    auto found = std::find_if(entries.begin(), entries.end(),
                              [&](const auto& entry) { return entry.name == name; });
    if (found == entries.end()) return false;
    entries.erase(found);
    return true;
}

template <class Entries>
bool holds(const Entries& entries, int32_t index) {
    return index >= 0 && static_cast<size_t>(index) < entries.size();
}

}  // namespace

Scene::~Scene() { lights_.load(std::memory_order_relaxed)->Release(); }

template <class Change>
void Scene::changeLights(Change change) {
    auto changed = std::make_unique<LightList>();
    changed->lights = lights_.load(std::memory_order_relaxed)->lights;
    change(changed->lights);
    LightList* old = lights_.exchange(changed.release(), std::memory_order_seq_cst);
    HazardSlot::waitUntilUnused(old);
    // Render threads' views may still hold it.
    old->Release();
}

void QV_CALL Scene::findShader(IQVShaderObject** shader, const TQVString* name) {
    const std::string wanted = textOf(name);
    std::lock_guard<std::mutex> guard(mutex_);
    fillSlot(shader, findNamed(shaders_, wanted));
}

int32_t QV_CALL Scene::shaderCount() {
    std::lock_guard<std::mutex> guard(mutex_);
    return static_cast<int32_t>(shaders_.size());
}

void QV_CALL Scene::shaderAt(IQVShaderObject** shader, int32_t index) {
    std::lock_guard<std::mutex> guard(mutex_);
    fillSlot(shader, holds(shaders_, index) ? shaders_[static_cast<size_t>(index)].object.get() : nullptr);
}

Ref<Scene::LightList> Scene::shareLights() {
    return withList([](LightList& list) { return Ref<LightList>::share(&list); });
}

int32_t QV_CALL Scene::lightCount() {
    return withLights([](const Lights& lights) { return static_cast<int32_t>(lights.size()); });
}

void QV_CALL Scene::lightAt(IQVLight** light, int32_t index) {
    if (light == nullptr) return;
    IQVLight* found = withLights([&](const Lights& lights) {
        IQVLight* at = lightIn(lights, index);
        if (at != nullptr) at->AddRef();
        return at;
    });
    if (IQVLight* old = std::exchange(*light, found)) old->Release();
}

int32_t QV_CALL Scene::objectCount() {
    std::lock_guard<std::mutex> guard(mutex_);
    return static_cast<int32_t>(objects_.size());
}

IQVSceneObject* QV_CALL Scene::objectAt(int32_t index) {
    std::lock_guard<std::mutex> guard(mutex_);
    return holds(objects_, index) ? objects_[static_cast<size_t>(index)].object.get() : nullptr;
}

void QV_CALL Scene::findObjectByName(IQVSceneObject** object, const TQVString* name) {
    const std::string wanted = textOf(name);
    std::lock_guard<std::mutex> guard(mutex_);
    fillSlot(object, findNamed(objects_, wanted));
}

float QV_CALL Scene::sceneSizeFactor() {
    std::lock_guard<std::mutex> guard(mutex_);
    return sizeFactor_;
}

void Scene::setSizeFactor(float factor) {
    std::lock_guard<std::mutex> guard(mutex_);
    sizeFactor_ = factor;
}

void Scene::addShader(IQVShaderObject* shader) {
    if (shader == nullptr) return;
    Named<IQVShaderObject> entry{shaderName(shader), Ref<IQVShaderObject>::share(shader)};
    std::lock_guard<std::mutex> guard(mutex_);
    shaders_.push_back(std::move(entry));
}

void Scene::addLight(IQVLight* light) {
    if (light == nullptr) return;
    std::lock_guard<std::mutex> guard(mutex_);
    changeLights([&](Lights& lights) { lights.push_back(Ref<IQVLight>::share(light)); });
}

void Scene::addObject(IQVSceneObject* object) {
    if (object == nullptr) return;
    Named<IQVSceneObject> entry{objectName(object), Ref<IQVSceneObject>::share(object)};
    std::lock_guard<std::mutex> guard(mutex_);
    objects_.push_back(std::move(entry));
}

bool Scene::removeShader(const std::string& name) {
    std::lock_guard<std::mutex> guard(mutex_);
    return removeNamed(shaders_, name);
}

bool Scene::removeObject(const std::string& name) {
    std::lock_guard<std::mutex> guard(mutex_);
    return removeNamed(objects_, name);
}

void Scene::removeLight(int32_t index) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (lightIn(lights_.load(std::memory_order_relaxed)->lights, index) != nullptr)
        changeLights([&](Lights& lights) { lights.erase(lights.begin() + index); });
}

void Scene::clear() {
    std::lock_guard<std::mutex> guard(mutex_);
    shaders_.clear();
    changeLights([](Lights& lights) { lights.clear(); });
    objects_.clear();
}

}  // namespace brumo::host
