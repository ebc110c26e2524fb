#include "host/scene/scene.h"

#include <algorithm>

#include "host/common/text.h"

namespace brumo::host {

Scene::~Scene() = default;

void QV_CALL Scene::findShader(IQVShaderObject** shader, const TQVString* name) {
    const std::string wanted = textOf(name);
    std::lock_guard<std::mutex> guard(mutex_);
    IQVShaderObject* found = nullptr;
    for (const auto& entry : shaders_) {
        if (entry.name == wanted) {
            found = entry.object.get();
            break;
        }
    }
    fillSlot(shader, found);
}

int32_t QV_CALL Scene::shaderCount() {
    std::lock_guard<std::mutex> guard(mutex_);
    return static_cast<int32_t>(shaders_.size());
}

void QV_CALL Scene::shaderAt(IQVShaderObject** shader, int32_t index) {
    std::lock_guard<std::mutex> guard(mutex_);
    const bool inside = index >= 0 && static_cast<size_t>(index) < shaders_.size();
    fillSlot(shader, inside ? shaders_[static_cast<size_t>(index)].object.get() : nullptr);
}

int32_t QV_CALL Scene::lightCount() {
    std::lock_guard<std::mutex> guard(mutex_);
    return static_cast<int32_t>(lights_.size());
}

void QV_CALL Scene::lightAt(IQVLight** light, int32_t index) {
    std::lock_guard<std::mutex> guard(mutex_);
    const bool inside = index >= 0 && static_cast<size_t>(index) < lights_.size();
    fillSlot(light, inside ? lights_[static_cast<size_t>(index)].get() : nullptr);
}

int32_t QV_CALL Scene::objectCount() {
    std::lock_guard<std::mutex> guard(mutex_);
    return static_cast<int32_t>(objects_.size());
}

IQVSceneObject* QV_CALL Scene::objectAt(int32_t index) {
    std::lock_guard<std::mutex> guard(mutex_);
    const bool inside = index >= 0 && static_cast<size_t>(index) < objects_.size();
    return inside ? objects_[static_cast<size_t>(index)].object.get() : nullptr;
}

void QV_CALL Scene::findObjectByName(IQVSceneObject** object, const TQVString* name) {
    const std::string wanted = textOf(name);
    std::lock_guard<std::mutex> guard(mutex_);
    IQVSceneObject* found = nullptr;
    for (const auto& entry : objects_) {
        if (entry.name == wanted) {
            found = entry.object.get();
            break;
        }
    }
    fillSlot(object, found);
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
    lights_.push_back(Ref<IQVLight>::share(light));
}

void Scene::addObject(IQVSceneObject* object) {
    if (object == nullptr) return;
    Named<IQVSceneObject> entry{objectName(object), Ref<IQVSceneObject>::share(object)};
    std::lock_guard<std::mutex> guard(mutex_);
    objects_.push_back(std::move(entry));
}

namespace {

template <class Entries>
bool removeNamed(Entries& entries, const std::string& name) {
    auto found = std::find_if(entries.begin(), entries.end(),
                              [&](const auto& entry) { return entry.name == name; });
    if (found == entries.end()) return false;
    entries.erase(found);
    return true;
}

}  // namespace

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
    if (index >= 0 && static_cast<size_t>(index) < lights_.size())
        lights_.erase(lights_.begin() + index);
}

void Scene::clear() {
    std::lock_guard<std::mutex> guard(mutex_);
    shaders_.clear();
    lights_.clear();
    objects_.clear();
}

}  // namespace brumo::host
