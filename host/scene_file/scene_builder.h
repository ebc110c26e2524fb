// Turns a scene description into what the renderer draws: the host scene's lights, shaders and
// meshes, and the effects created through the module with their parameters written into their
// blocks and their modifiers attached, exactly as a host does it. Each render thread needs its
// own copy of every effect; cloneEffect makes one.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "brumo/parameter_fields.h"
#include "host/common/host_object.h"
#include "host/editor/component_list.h"
#include "host/render/renderer.h"
#include "host/scene/scene.h"
#include "host/scene_file/scene_description.h"
#include "qv/guid.h"

namespace brumo::host {

// Creates a component of the class, answering its IQVUnknown with one reference for the
// caller (the module loader's createInstance, or the statically linked factory in tests).
using CreateComponent = std::function<QVResult(const QVGuid& classId, IQVUnknown** out)>;

// The module could not create or set up a component.
class ComponentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct BuiltComponent {
    const ParameterTable* table = nullptr;
    QVGuid classId{};
    Ref<IQVUnknown> object;
};

struct BuiltEffect {
    std::string name;
    Transform transform;
    BuiltComponent effect;
    std::vector<BuiltComponent> modifiers;  // in the order they are attached
    Ref<ComponentList> components;          // the host's list of attached modifiers

    // One march step in the effect's local units, from its size and quality.
    float marchStep() const;
    // A float parameter of the effect as its block holds it now (0 for no such float field).
    float parameter(const char* name) const;
};

// Adds the description's lights, shaders and meshes to the scene, after the built-in shaders.
// A mesh file that cannot be read throws SceneFileError naming the file and the key.
void populateHostScene(const SceneDescription& description, Scene& scene);

// Creates the effect with its parameters at `t` (0 at the first frame, 1 at the last), then
// each modifier with its parameters, attached in order.
BuiltEffect buildEffect(const EffectDescription& description, double t, const CreateComponent& create);

// A new instance of the same class whose block holds the same values, copied field by field,
// with copies of the same modifiers attached in the same order.
BuiltEffect cloneEffect(const BuiltEffect& effect, const CreateComponent& create);

// One list of the scene's effects per render thread: the first built at t, the others cloned
// from it.
std::vector<std::vector<BuiltEffect>> buildEffectCopies(const SceneDescription& scene, double t, int threads,
                                                        const CreateComponent& create);

// The effects as one render thread sees them.
VolumeSet placeEffects(const std::vector<BuiltEffect>& effects);

// The block of a component (through IExDataExchanger); throws ComponentError when the component
// has none or it is smaller than the field table says.
void* parameterBlockOf(IQVUnknown* component, const ParameterTable& table);
// Tells the component its block changed.
void notifyParametersChanged(IQVUnknown* component);

}  // namespace brumo::host
