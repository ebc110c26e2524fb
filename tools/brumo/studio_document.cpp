#include "studio_document.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "brumo/class_ids.h"
#include "host/common/text.h"
#include "host/editor/layouts.h"
#include "host/scene_file/parameter_block.h"
#include "host/scene_file/scene_warnings.h"
#include "host/scene_file/scene_writer.h"
#include "qv/exception.h"

namespace brumo::cli {

using nlohmann::json;

namespace {

const char* kindName(host::PartKind kind) {
    switch (kind) {
        case host::PartKind::group: return "group";
        case host::PartKind::button: return "button";
        case host::PartKind::checkBox: return "checkBox";
        case host::PartKind::integer: return "integer";
        case host::PartKind::text: return "text";
        case host::PartKind::popup: return "popup";
    }
    return "group";
}

const char* fieldKindName(FieldType type) {
    switch (type) {
        case FieldType::float32: return "float";
        case FieldType::int32: return "integer";
        case FieldType::fourCharCode: return "code";
        case FieldType::bitSet32: return "bits";
        case FieldType::flag8: return "flag";
        case FieldType::vector3: return "vector";
        case FieldType::string: return "text";
        case FieldType::colourGradient: return "gradient";
        case FieldType::falloffPairs16: return "pairs";
        case FieldType::componentList: return "components";
    }
    return "value";
}

json classNames(ClassKind kind) {
    json names = json::array();
    for (const ClassListEntry& entry : kClassList)
        if (entry.kind == kind) names.push_back(entry.name);
    return names;
}

const json& member(const json& request, const char* key) {
    if (!request.contains(key)) throw StudioRequestError(std::string("the request needs \"") + key + "\"");
    return request[key];
}

int integerMember(const json& request, const char* key) {
    const json& value = member(request, key);
    if (!value.is_number_integer()) throw StudioRequestError(std::string("\"") + key + "\" must be a whole number");
    return value.get<int>();
}

std::string textMember(const json& request, const char* key) {
    const json& value = member(request, key);
    if (!value.is_string()) throw StudioRequestError(std::string("\"") + key + "\" must be a string");
    return value.get<std::string>();
}

uint32_t controlId(const std::string& text) {
    uint32_t code = 0;
    if (!host::fourCharCodeFromText(text, code))
        throw StudioRequestError("a control id has four characters, such as \"SEED\"; found \"" + text + "\"");
    return code;
}

// A scene of one effect read as a scene file: the reader's checks and messages for a value the
// page sends.
host::SceneDescription readFragment(const json& effect) {
    try {
        return host::readScene(json{{"effects", json::array({effect})}}, "");
    } catch (const host::SceneFileError& error) {
        // "scene: effects[0].parameters.size: expected ..." names the value the page sent.
        std::string what = error.what();
        const size_t at = what.find("effects[0].");
        if (at != std::string::npos) what = what.substr(at + 11);
        throw StudioRequestError(what);
    }
}

}  // namespace

StudioDocument::StudioDocument(host::SceneDescription scene, host::CreateComponent create,
                               host::ModuleObjectFactory createPart)
    : base_(std::move(scene)), create_(std::move(create)), createPart_(std::move(createPart)) {
    for (const host::EffectDescription& effect : base_.effects)
        effects_.push_back(host::buildEffect(effect, 0.0, create_));
    if (!effects_.empty()) effect_ = 0;
    openPanel();
    history_.push_back({writeLive(), effect_, modifier_});
    // The warnings of the file as its author wrote it; what the studio writes names every
    // field, defaults included, which would warn of settings nobody made.
    for (const host::SceneWarning& warning : host::sceneWarnings(base_)) warnings_.push_back(warning.text());
    if (animated())
        warnings_.push_back("the scene is animated: the studio edits and saves its first frame, without the "
                            "animation, so it saves under another name and never over " +
                            std::filesystem::path(base_.file).filename().string());
}

StudioDocument::~StudioDocument() { panel_.reset(); }

host::BuiltEffect& StudioDocument::selectedEffect() {
    if (effect_ < 0) throw StudioRequestError("no effect is selected");
    return effects_[size_t(effect_)];
}

host::BuiltComponent& StudioDocument::selectedComponent() {
    host::BuiltEffect& effect = selectedEffect();
    return modifier_ < 0 ? effect.effect : effect.modifiers[size_t(modifier_)];
}

host::ComponentList& StudioDocument::panelList() {
    host::HostPart* part = panel_ ? panel_->part(host::ComponentList::kDefaultId) : nullptr;
    if (part == nullptr) throw StudioRequestError("select an effect to change its modifiers");
    return static_cast<host::ComponentList&>(*part);
}

void StudioDocument::openPanel() {
    panel_.reset();
    if (effect_ < 0) return;
    host::BuiltComponent& component = selectedComponent();
    panel_ = std::make_unique<host::Panel>(component.object.get(), component.table, createPart_);
    const std::string className = component.table->className;
    if (modifier_ < 0) {
        host::buildEffectPanel(*panel_, className.c_str());
        // The host's list of the effect's modifiers, as the panel shows it.
        for (const host::BuiltComponent& modifier : selectedEffect().modifiers)
            panelList().attach(modifier.object.get());
    } else if (className == "NoiseModifier") {
        host::buildNoiseModifierPanel(*panel_);
    }
    const QVResult opened = panel_->open();
    if (opened != qv::kOk) throw StudioRequestError("the module cannot build the panel's editor parts (" + host::resultCodeText(opened) + ")");
    panel_->prepare();
}

json StudioDocument::writeLive() const {
    host::SceneDescription scene = base_;
    scene.effects.clear();
    for (const host::BuiltEffect& live : effects_) {
        host::EffectDescription effect;
        effect.name = live.name;
        effect.transform = live.transform;
        auto describe = [](const host::BuiltComponent& component) {
            return host::describeBlock(*component.table, component.classId,
                                       host::parameterBlockOf(component.object.get(), *component.table));
        };
        effect.component = describe(live.effect);
        for (const host::BuiltComponent& modifier : live.modifiers) effect.modifiers.push_back(describe(modifier));
        scene.effects.push_back(std::move(effect));
    }
    scene.hasFrames = false;  // the studio edits the first frame; what it writes holds no animation
    return host::writeScene(scene, base_.file);
}

void StudioDocument::commit() {
    json now = writeLive();
    if (now == history_[current_].scene) return;
    history_.resize(current_ + 1);
    history_.push_back({std::move(now), effect_, modifier_});
    ++current_;
    ++revision_;
}

void StudioDocument::rebuild(const json& scene) {
    panel_.reset();
    effects_.clear();
    const host::SceneDescription description = host::readScene(scene, base_.file);
    for (const host::EffectDescription& effect : description.effects)
        effects_.push_back(host::buildEffect(effect, 0.0, create_));
}

void StudioDocument::select(int effect, int modifier) {
    if (effect < -1 || effect >= int(effects_.size()))
        throw StudioRequestError("there is no effect " + std::to_string(effect));
    if (modifier < -1 || (effect >= 0 && modifier >= int(effects_[size_t(effect)].modifiers.size())) ||
        (effect < 0 && modifier != -1))
        throw StudioRequestError("that effect has no modifier " + std::to_string(modifier));
    effect_ = effect;
    modifier_ = modifier;
    openPanel();
}

void StudioDocument::panelEvent(const json& request) {
    if (!panel_) throw StudioRequestError("nothing is selected");
    const std::string action = textMember(request, "action");
    const uint32_t id = controlId(textMember(request, "id"));
    host::HostPart* part = panel_->part(id);
    if (part == nullptr) throw StudioRequestError("the panel has no control \"" + host::fourccText(id) + "\"");
    auto expectKind = [&](host::PartKind kind) {
        if (part->kind() != kind)
            throw StudioRequestError("control \"" + host::fourccText(id) + "\" is a " + kindName(part->kind()) +
                                     ", not a " + kindName(kind));
    };
    try {
        if (action == "toggle") {
            expectKind(host::PartKind::checkBox);
            const json& value = member(request, "value");
            if (!value.is_boolean()) throw StudioRequestError("\"value\" of a check box is true or false");
            panel_->toggle(id, value.get<bool>());
        } else if (action == "enterInteger") {
            expectKind(host::PartKind::integer);
            panel_->enterInteger(id, integerMember(request, "value"));
        } else if (action == "enterText") {
            expectKind(host::PartKind::text);
            panel_->enterText(id, textMember(request, "value"));
        } else if (action == "choose") {
            expectKind(host::PartKind::popup);
            const int index = integerMember(request, "index");
            if (index < 0 || index >= panel_->popup(id)->countItems())
                throw StudioRequestError("popup \"" + host::fourccText(id) + "\" has no item " + std::to_string(index));
            panel_->choose(id, index);
        } else {
            expectKind(host::PartKind::button);
            panel_->press(id);
        }
    } catch (const TQVException& error) {
        panel_->prepare();
        throw StudioRequestError("the module's editor part failed (" + host::resultCodeText(error.code) + ")");
    }
    panel_->prepare();
}

void StudioDocument::setField(const json& request) {
    host::BuiltComponent& component = selectedComponent();
    const std::string name = textMember(request, "name");
    const json& value = member(request, "value");
    if (modifier_ < 0 && (name == "translate" || name == "rotate" || name == "scale")) {
        const host::SceneDescription fragment =
            readFragment({{"type", component.table->className}, {name, value}});
        selectedEffect().transform = fragment.effects[0].transform;
        return;
    }
    const FieldInfo* field = host::findField(*component.table, name);
    if (field == nullptr || field->type == FieldType::componentList)
        throw StudioRequestError("\"" + name + "\" is not a parameter of " + component.table->className);
    const json parameters = {{name, value}};
    const host::SceneDescription fragment =
        modifier_ < 0 ? readFragment({{"type", component.table->className}, {"parameters", parameters}})
                      : readFragment({{"type", "clouds"},
                                      {"modifiers", json::array({{{"type", component.table->className},
                                                                  {"parameters", parameters}}})}});
    const host::ComponentDescription& described =
        modifier_ < 0 ? fragment.effects[0].component : fragment.effects[0].modifiers[0];
    host::writeField(host::parameterBlockOf(component.object.get(), *component.table), described.values.at(0), 0.0);
    host::notifyParametersChanged(component.object.get());
    // The panel shows the block again, as after any write of the host's.
    openPanel();
}

void StudioDocument::addEffect(const std::string& type) {
    const host::SceneDescription fragment = readFragment({{"type", type}});
    effects_.push_back(host::buildEffect(fragment.effects[0], 0.0, create_));
    select(int(effects_.size()) - 1, -1);
}

void StudioDocument::removeEffect(int index) {
    if (index < 0 || index >= int(effects_.size())) throw StudioRequestError("there is no effect " + std::to_string(index));
    panel_.reset();
    effects_.erase(effects_.begin() + index);
    select(std::min(index, int(effects_.size()) - 1), -1);
}

void StudioDocument::moveEffect(int from, int to) {
    const int n = int(effects_.size());
    if (from < 0 || from >= n || to < 0 || to >= n) throw StudioRequestError("effects can move within 0 to " + std::to_string(n - 1));
    panel_.reset();
    host::BuiltEffect moving = std::move(effects_[size_t(from)]);
    effects_.erase(effects_.begin() + from);
    effects_.insert(effects_.begin() + to, std::move(moving));
    select(to, -1);
}

void StudioDocument::addModifier(const std::string& type) {
    const host::SceneDescription fragment = readFragment({{"type", "clouds"}, {"modifiers", json::array({type})}});
    const host::ComponentDescription& described = fragment.effects[0].modifiers[0];
    if (modifier_ >= 0) select(effect_, -1);  // modifiers are attached through the effect's panel
    host::BuiltComponent modifier;
    modifier.table = described.table;
    modifier.classId = described.classId;
    const QVResult created = create_(described.classId, reinterpret_cast<IQVUnknown**>(modifier.object.slot()));
    if (created != qv::kOk || !modifier.object)
        throw StudioRequestError("the module cannot create " + described.className + " (" + host::resultCodeText(created) + ")");
    host::BuiltEffect& effect = selectedEffect();
    effect.modifiers.push_back(modifier);
    panelList().attach(modifier.object.get());
}

void StudioDocument::removeModifier(int index) {
    if (modifier_ >= 0) select(effect_, -1);
    host::BuiltEffect& effect = selectedEffect();
    if (index < 0 || index >= int(effect.modifiers.size()))
        throw StudioRequestError("the effect has no modifier " + std::to_string(index));
    panelList().detach(effect.modifiers[size_t(index)].object.get());
    effect.modifiers.erase(effect.modifiers.begin() + index);
}

void StudioDocument::moveModifier(int from, int to) {
    if (modifier_ >= 0) select(effect_, -1);
    host::BuiltEffect& effect = selectedEffect();
    if (!panelList().move(from, to))
        throw StudioRequestError("modifiers can move within 0 to " + std::to_string(int(effect.modifiers.size()) - 1));
    host::BuiltComponent moving = effect.modifiers[size_t(from)];
    effect.modifiers.erase(effect.modifiers.begin() + from);
    effect.modifiers.insert(effect.modifiers.begin() + to, moving);
}

void StudioDocument::step(int direction) {
    if (direction < 0 && current_ == 0) throw StudioRequestError("there is nothing to undo");
    if (direction > 0 && current_ + 1 >= history_.size()) throw StudioRequestError("there is nothing to redo");
    // The selection of the change undone or redone, so the user sees what moved.
    const Snapshot& change = history_[direction < 0 ? current_ : current_ + 1];
    const int effect = change.effect, modifier = change.modifier;
    current_ = direction < 0 ? current_ - 1 : current_ + 1;
    rebuild(history_[current_].scene);
    ++revision_;
    effect_ = std::min(effect, int(effects_.size()) - 1);
    modifier_ = effect_ >= 0 && modifier < int(effects_[size_t(effect_)].modifiers.size()) ? modifier : -1;
    openPanel();
}

void StudioDocument::apply(const json& request) {
    if (!request.is_object()) throw StudioRequestError("a request is a JSON object with an \"action\"");
    const std::string action = textMember(request, "action");
    if (action == "undo" || action == "redo") {
        step(action == "undo" ? -1 : 1);
        return;
    }
    if (action == "select") {
        select(integerMember(request, "effect"), request.contains("modifier") ? integerMember(request, "modifier") : -1);
        return;
    }
    if (action == "setField") setField(request);
    else if (action == "addEffect") addEffect(textMember(request, "type"));
    else if (action == "removeEffect") removeEffect(integerMember(request, "index"));
    else if (action == "moveEffect") moveEffect(integerMember(request, "from"), integerMember(request, "to"));
    else if (action == "addModifier") addModifier(textMember(request, "type"));
    else if (action == "removeModifier") removeModifier(integerMember(request, "index"));
    else if (action == "moveModifier") moveModifier(integerMember(request, "from"), integerMember(request, "to"));
    else if (action == "toggle" || action == "enterInteger" || action == "enterText" || action == "choose" ||
             action == "press")
        panelEvent(request);
    else
        throw StudioRequestError("unknown action \"" + action + "\"");
    commit();
}

json StudioDocument::state() const {
    json effects = json::array();
    for (const host::BuiltEffect& effect : effects_) {
        json modifiers = json::array();
        for (const host::BuiltComponent& modifier : effect.modifiers) modifiers.push_back(modifier.table->className);
        const FieldInfo* list = host::findField(*effect.effect.table, "dataComponents");
        const void* block = host::parameterBlockOf(effect.effect.object.get(), *effect.effect.table);
        effects.push_back({{"name", effect.name},
                           {"type", effect.effect.table->className},
                           {"modifiers", modifiers},
                           // What the effect itself holds, refilled through its "Ctrl" events.
                           {"attached", host::readField(block, *list)}});
    }
    json out = {{"file", base_.file},
                {"revision", revision_},
                {"canUndo", current_ > 0},
                {"canRedo", current_ + 1 < history_.size()},
                {"effects", effects},
                {"warnings", warnings_},
                {"selection", {{"effect", effect_}, {"modifier", modifier_}}},
                {"effectTypes", classNames(ClassKind::effect)},
                {"modifierTypes", classNames(ClassKind::modifier)},
                {"panel", nullptr}};
    if (!panel_) return out;

    const host::BuiltEffect& effect = effects_[size_t(effect_)];
    const host::BuiltComponent& component = modifier_ < 0 ? effect.effect : effect.modifiers[size_t(modifier_)];
    json controls = json::array();
    std::vector<std::string> shown;
    for (const host::Ref<host::HostPart>& part : panel_->controls()) {
        if (part->partId() == host::ComponentList::kDefaultId) continue;  // drawn as the scene tree
        json control = {{"id", host::fourccText(part->partId())},
                        {"kind", kindName(part->kind())},
                        {"active", part->active()},
                        {"field", part->boundField() != nullptr ? json(part->boundField()) : json(nullptr)}};
        if (part->boundField() != nullptr) shown.push_back(part->boundField());
        switch (part->kind()) {
            case host::PartKind::checkBox: control["value"] = part->boolValue(); break;
            case host::PartKind::integer: control["value"] = part->intValue(); break;
            case host::PartKind::text: control["value"] = part->text(); break;
            case host::PartKind::popup: {
                const auto& popup = static_cast<const host::PopupPart&>(*part);
                json items = json::array();
                for (const host::PopupPart::Item& item : popup.items())
                    items.push_back({{"text", item.text}, {"separator", item.separator}});
                control["items"] = items;
                control["chosen"] = popup.chosen();
                break;
            }
            default: break;
        }
        controls.push_back(control);
    }
    json fields = json::array();
    const void* block = host::parameterBlockOf(component.object.get(), *component.table);
    if (modifier_ < 0)
        for (const char* name : {"translate", "rotate", "scale"}) {
            const QVVector3& v = name[0] == 't'   ? effect.transform.translate
                                 : name[0] == 'r' ? effect.transform.rotateDegrees
                                                  : effect.transform.scale;
            fields.push_back({{"name", name}, {"kind", "vector"}, {"value", {host::floatJson(v.x), host::floatJson(v.y), host::floatJson(v.z)}}, {"placement", true}});
        }
    for (int32_t i = 0; i < component.table->fieldCount; ++i) {
        const FieldInfo& field = component.table->fields[i];
        if (field.type == FieldType::componentList) continue;
        if (std::find(shown.begin(), shown.end(), field.name) != shown.end()) continue;
        json entry = {{"name", field.name}, {"kind", fieldKindName(field.type)}, {"value", host::readField(block, field)}};
        // The range that takes effect bounds the slider; an open end (the table's 1e30) is left
        // to the page.
        constexpr double kOpenEnd = 1e29;
        if (field.meaning[0] != '\0') entry["meaning"] = field.meaning;
        if (field.ranged && std::fabs(field.low) < kOpenEnd) entry["low"] = field.low;
        if (field.ranged && std::fabs(field.high) < kOpenEnd) entry["high"] = field.high;
        fields.push_back(entry);
    }
    out["panel"] = {{"component", component.table->className}, {"controls", controls}, {"fields", fields}};
    return out;
}

}  // namespace brumo::cli
