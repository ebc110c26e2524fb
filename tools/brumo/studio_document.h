// The scene the studio edits: live components made through the module, the property panel of
// the selected one (the reference host's panel with the module's editor parts in it), and the
// history of the scene file after every change, for undo and redo.
//
// Every change goes to the live components as a host makes it (panel events, block writes with
// parametersChanged, attaching through the component list), and then the scene is written as a
// scene file; that text is what undo returns to, what Save writes and what the preview renders.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/editor/panel.h"
#include "host/scene_file/scene_builder.h"
#include "host/scene_file/scene_description.h"

namespace brumo::cli {

// A request the document cannot carry out; the message says why (the server answers 400).
class StudioRequestError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class StudioDocument {
public:
    // `scene` is what the studio opened (its file anchors relative paths); components come from
    // `create`, editor parts (aggregated by panel controls) from `createPart`.
    StudioDocument(host::SceneDescription scene, host::CreateComponent create,
                   host::ModuleObjectFactory createPart);
    ~StudioDocument();

    // The scene tree, the selection, the panel's controls and the fields of the selected
    // component, and whether undo and redo can go anywhere.
    nlohmann::json state() const;
    // The scene file as it stands now.
    const nlohmann::json& sceneFile() const { return history_[current_].scene; }
    // The scene file the studio opened ("" for the default scene); it anchors relative paths.
    const std::string& file() const { return base_.file; }
    // What the studio saves holds no animation: an animated file must not be saved over.
    bool animated() const { return base_.hasFrames; }
    // Counts changes (undo and redo included), so a preview can tell which state it shows.
    int revision() const { return revision_; }

    // Every request is a JSON object; the "action" key says what to do. Throws
    // StudioRequestError for a request that makes no sense.
    void apply(const nlohmann::json& request);

private:
    struct Snapshot {
        nlohmann::json scene;
        int effect;
        int modifier;
    };

    void select(int effect, int modifier);
    void panelEvent(const nlohmann::json& request);
    void setField(const nlohmann::json& request);
    void addEffect(const std::string& type);
    void removeEffect(int index);
    void moveEffect(int from, int to);
    void addModifier(const std::string& type);
    void removeModifier(int index);
    void moveModifier(int from, int to);
    void step(int direction);

    host::BuiltComponent& selectedComponent();
    host::BuiltEffect& selectedEffect();
    host::ComponentList& panelList();
    void openPanel();
    void rebuild(const nlohmann::json& scene);
    nlohmann::json writeLive() const;
    // Writes the live scene down; a change that changed nothing leaves the history alone.
    void commit();

    host::SceneDescription base_;  // camera, lights, shaders, meshes: what the studio does not edit
    host::CreateComponent create_;
    host::ModuleObjectFactory createPart_;
    std::vector<host::BuiltEffect> effects_;
    int effect_ = -1;    // selected effect, -1 for none
    int modifier_ = -1;  // selected modifier of that effect, -1 for the effect itself
    std::unique_ptr<host::Panel> panel_;
    std::vector<std::string> warnings_;  // of the scene file opened
    std::vector<Snapshot> history_;
    size_t current_ = 0;
    int revision_ = 0;
};

}  // namespace brumo::cli
