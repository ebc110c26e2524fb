#include "scene_state.h"

#include <pybind11/pybind11.h>

#include <optional>
#include <stdexcept>

#include "host/scene_file/parameter_block.h"
#include "host/scene_file/scene_writer.h"
#include "host_process.h"

namespace brumo::python {

using nlohmann::json;

namespace {

const host::ComponentDescription& describedComponent(const host::SceneDescription& scene,
                                                     const ComponentIndex& index) {
    const host::EffectDescription& effect = scene.effects.at(index.effect);
    return index.modifier < 0 ? effect.component : effect.modifiers.at(size_t(index.modifier));
}

// Every numeric value of the component that changes over the frames, at t.
bool writeAnimated(const host::ComponentDescription& description, const host::BuiltComponent& built, double t) {
    bool any = false;
    for (const host::FieldValue& value : description.values) {
        if (!value.animated()) continue;
        host::writeField(host::parameterBlockOf(built.object.get(), *built.table), value, t);
        any = true;
    }
    return any;
}

}  // namespace

SceneState::SceneState(host::SceneDescription description)
    : description_(std::move(description)), hostScene_(host::Ref<host::Scene>::adopt(new host::Scene)) {}

SceneState::~SceneState() {
    HostProcess::get().sceneReleased();
    if (ModuleWork::workingHere()) {
        HostProcess::get().keepUntilWorkEnds(std::move(effects_), hostScene_);
        return;
    }
    // The components go back to the module under its lock, as everything else does; a render
    // in another thread may need the GIL to report progress before it lets the lock go.
    std::optional<pybind11::gil_scoped_release> release;
    if (PyGILState_Check() != 0) release.emplace();
    ModuleWork work(hostScene_.get());
    effects_.clear();
}

std::shared_ptr<SceneState> SceneState::create(host::SceneDescription description) {
    // The host first: the scene's strings come from its memory service.
    HostProcess::get();
    std::shared_ptr<SceneState> state(new SceneState(std::move(description)));
    HostProcess::get().sceneCreated();
    host::populateHostScene(state->description_, *state->hostScene_);
    ModuleWork work(state->hostScene_.get());
    state->fraction_ = state->description_.frameFraction(state->description_.firstFrame);
    for (const host::EffectDescription& effect : state->description_.effects)
        state->effects_.push_back(host::buildEffect(effect, state->fraction_, work.host().create()));
    return state;
}

const host::BuiltComponent& SceneState::component(const ComponentIndex& index) const {
    const host::BuiltEffect& effect = effects_.at(index.effect);
    return index.modifier < 0 ? effect.effect : effect.modifiers.at(size_t(index.modifier));
}

json SceneState::parameter(const ComponentIndex& index, const std::string& name) const {
    const host::BuiltComponent& built = component(index);
    const FieldInfo* field = host::findField(*built.table, name);
    if (field == nullptr)
        throw std::out_of_range("unknown parameter of " + std::string(built.table->className) + ": \"" +
                                name + "\"" + host::suggestion(name, host::fieldNames(*built.table)));
    ModuleWork work(hostScene_.get());
    return host::readField(host::parameterBlockOf(built.object.get(), *built.table), *field);
}

void SceneState::setParameter(const ComponentIndex& index, const std::string& name, const json& value) {
    ModuleWork work(hostScene_.get());
    json document = host::writeScene(description_);
    json& entry = index.modifier < 0 ? document["effects"][index.effect]
                                     : document["effects"][index.effect]["modifiers"][size_t(index.modifier)];
    entry["parameters"][name] = value;
    host::SceneDescription changed = host::readScene(document, description_.file);

    const host::ComponentDescription& described = describedComponent(changed, index);
    const host::BuiltComponent& built = component(index);
    const FieldInfo* field = host::findField(*built.table, name);
    for (const host::FieldValue& held : described.values)
        if (held.field == field) host::writeField(host::parameterBlockOf(built.object.get(), *built.table), held, fraction_);
    host::notifyParametersChanged(built.object.get());
    if (index.modifier >= 0) host::notifyParametersChanged(effects_.at(index.effect).effect.object.get());
    // The description keeps its own file and its resolved paths; only the values change.
    for (size_t e = 0; e < description_.effects.size(); ++e) {
        description_.effects[e].component.values = changed.effects[e].component.values;
        for (size_t m = 0; m < description_.effects[e].modifiers.size(); ++m)
            description_.effects[e].modifiers[m].values = changed.effects[e].modifiers[m].values;
    }
}

void SceneState::moveToFrame(int frame) {
    const double t = description_.frameFraction(frame);
    if (t == fraction_) return;
    for (size_t e = 0; e < effects_.size(); ++e) {
        const host::EffectDescription& described = description_.effects[e];
        host::BuiltEffect& built = effects_[e];
        bool changed = false;
        for (size_t m = 0; m < built.modifiers.size(); ++m)
            if (writeAnimated(described.modifiers[m], built.modifiers[m], t)) {
                host::notifyParametersChanged(built.modifiers[m].object.get());
                changed = true;
            }
        if (writeAnimated(described.component, built.effect, t) || changed)
            host::notifyParametersChanged(built.effect.object.get());
    }
    fraction_ = t;
}

}  // namespace brumo::python
