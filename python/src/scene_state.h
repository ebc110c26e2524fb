// A scene as Python holds it: its description (the source of to_dict and of every frame's
// values), the host scene of its lights, shaders and meshes, and its effects created through
// the module once, with their modifiers attached. Parameter writes go through the scene-file
// reader, so they are checked and reported exactly as in a scene file, and then into the live
// block, after which the component is told of the change.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/scene_file/scene_builder.h"
#include "host/scene_file/scene_description.h"

namespace brumo::python {

// Which component of a scene: an effect, or one of its modifiers.
struct ComponentIndex {
    size_t effect = 0;
    int modifier = -1;  // -1: the effect itself
};

class SceneState {
public:
    // Builds the host scene and the effects at the scene's first frame. Throws SceneFileError
    // (an OBJ file that cannot be read) or ComponentError.
    static std::shared_ptr<SceneState> create(host::SceneDescription description);
    ~SceneState();

    const host::SceneDescription& description() const { return description_; }
    host::Scene* hostScene() const { return hostScene_.get(); }
    std::vector<host::BuiltEffect>& effects() { return effects_; }
    const host::BuiltComponent& component(const ComponentIndex& index) const;

    // The parameter's value in the live block, as a scene file writes it.
    nlohmann::json parameter(const ComponentIndex& index, const std::string& name) const;
    // Checks the value as a scene file's, keeps it in the description and writes it into the
    // live block. Throws SceneFileError with the key path.
    void setParameter(const ComponentIndex& index, const std::string& name, const nlohmann::json& value);
    // Brings the live blocks' animated values to `frame`. Under the host's lock.
    void moveToFrame(int frame);

private:
    explicit SceneState(host::SceneDescription description);

    host::SceneDescription description_;
    host::Ref<host::Scene> hostScene_;
    std::vector<host::BuiltEffect> effects_;
    double fraction_ = 0.0;  // where the blocks' animated values stand
};

}  // namespace brumo::python
