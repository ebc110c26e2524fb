#include "host/editor/layouts.h"

#include <cstring>

#include "brumo/class_ids.h"

namespace brumo::host {

namespace {

struct ControlSpec {
    const char* id;
    PartKind kind;
    const char* field;  // null: shows no block field
};

struct ItemSpec {
    const char* label;
    const char* code;
};

struct PopupSpec {
    const char* id;
    const ItemSpec* items;
    int count;
    const char* initialCode;  // the value shown before any choice
};

struct ModulePartSpec {
    const char* control;
    QVGuid classId;
    int32_t listType;  // init item "Type"; -1 for none
};

uint32_t code(const char* text) {
    const char buffer[5] = {text[0], text[1], text[2], text[3], '\0'};
    return qv::fourcc(buffer);
}

// Density bank first, then the colour bank, each in bit order.
constexpr const char* kCheckBoxes[] = {
    "DPHU", "DPHD", "DNHU", "DNHD", "DPXC", "DPYC", "DPZC", "DNXC",
    "DNYC", "DNZC", "DXPo", "DYPo", "DZPo", "DXNe", "DYNe", "DZNe",
    "FPHU", "FPHD", "FNHU", "FNHD", "FPXC", "FPYC", "FPZC", "FNXC",
    "FNYC", "FNZC", "FXPo", "FYPo", "FZPo", "FXNe", "FYNe", "FZNe",
};

constexpr ItemSpec kDensityPresets[] = {
    {"Top and bottom fade", "Opt1"}, {"Upward fade", "Opt2"}, {"Box", "Opt3"},
    {"Downward cone", "Opt4"}, {"Vertical fade", "Opt5"},
};
constexpr ItemSpec kColourPresets[] = {
    {"Top and bottom", "Pre1"}, {"Upward", "Pre2"}, {"Box", "Pre3"},
    {"Downward cone", "Pre4"}, {"Vertical", "Pre5"},
};
constexpr ItemSpec kSmogColours[] = {
    {"Grey haze", "Opt0"}, {"Brown smog", "Opt1"}, {"Dusk", "Opt2"},
    {"Steel", "Opt3"}, {"Sunset", "Opt4"}, {"Cloud", "Opt5"},
};
constexpr ItemSpec kFireColours[] = {
    {"Flame", "Opt0"}, {"Hot flame", "Opt1"}, {"Embers", "Opt2"},
    {"Blue flame", "Opt3"}, {"Green flame", "Opt4"}, {"Smoky flame", "Opt5"},
};
constexpr ItemSpec kLightingModes[] = {
    {"No shadows", "Opt0"}, {"One light", "Opt1"}, {"Scene lights", "Opt2"},
};

constexpr ControlSpec kEffectControls[] = {
    {"Ramp", PartKind::integer, "shapeFlags"},
    {"ColR", PartKind::integer, "colourShapeFlags"},
    {"ShaN", PartKind::text, "densityShaderName"},
    {"CusI", PartKind::integer, "noiseType"},
    {"Opti", PartKind::group, nullptr},
    {"MeNa", PartKind::text, "meshName"},
    {"MeID", PartKind::integer, "meshOff"},
    {"MeCh", PartKind::group, nullptr},
    {"CoFG", PartKind::checkBox, "colourFromGradient"},
    {"CoSN", PartKind::text, "colourShaderName"},
    {"SEED", PartKind::button, nullptr},
    {"Ctrl", PartKind::group, nullptr},
};

constexpr PopupSpec kEffectPopups[] = {
    {"DePr", kDensityPresets, 5, "NoPt"},
    {"CoPr", kColourPresets, 5, "NoPt"},
    {"ShPo", nullptr, 0, nullptr},
    {"MesP", nullptr, 0, nullptr},
};

constexpr ModulePartSpec kEffectParts[] = {
    {"Ctrl", CLSID_BrumoCommonPart, -1},
    {"ShPo", CLSID_ShaderPopupPart, 0},
    {"MesP", CLSID_MeshPopupPart, -1},
    {"MeCh", CLSID_MeshChooserPart, -1},
};

constexpr ControlSpec kNoiseModifierControls[] = {
    {"ShNa", PartKind::text, "shaderName"},
    {"PaID", PartKind::integer, "builtInNoise"},
    {"ShCh", PartKind::group, nullptr},
    {"SEED", PartKind::button, nullptr},
};

constexpr ModulePartSpec kNoiseModifierParts[] = {
    {"ShaP", CLSID_ShaderPopupPart, 1},
    {"ShCh", CLSID_ShaderChooserPart, -1},
};

void addPopup(Panel& panel, const PopupSpec& layout, const char* field = nullptr) {
    PopupPart& popup = panel.addPopup(code(layout.id), field);
    for (int i = 0; i < layout.count; ++i) popup.addItem(layout.items[i].label, code(layout.items[i].code));
    if (layout.initialCode != nullptr) popup.storeInt(static_cast<int32_t>(code(layout.initialCode)));
}

template <size_t N>
void addControls(Panel& panel, const ControlSpec (&controls)[N]) {
    for (const ControlSpec& control : controls) panel.addControl(code(control.id), control.kind, control.field);
}

template <size_t N>
void addModuleParts(Panel& panel, const ModulePartSpec (&parts)[N]) {
    for (const ModulePartSpec& part : parts) {
        std::vector<InitItem> init;
        if (part.listType >= 0) init.push_back({qv::fourcc("Type"), part.listType});
        panel.addModulePart(code(part.control), part.classId, init);
    }
}

}  // namespace

const ParameterTable* fieldTableOf(const char* className) { return findParameterTable(className); }

void buildEffectPanel(Panel& panel, const char* effectClass) {
    for (const char* id : kCheckBoxes) panel.addControl(code(id), PartKind::checkBox);
    for (const PopupSpec& popup : kEffectPopups) addPopup(panel, popup);
    addPopup(panel, {"LiMo", kLightingModes, 3, nullptr}, "lightingMode");
    addControls(panel, kEffectControls);
    panel.addComponentList();

    // What each effect adds of its own.
    if (std::strcmp(effectClass, "Smog") == 0) addPopup(panel, {"SmoP", kSmogColours, 6, "NoPt"});
    if (std::strcmp(effectClass, "Fire") == 0) addPopup(panel, {"FirP", kFireColours, 6, "NoPt"});
    if (std::strcmp(effectClass, "Clouds") == 0) panel.addControl(qv::fourcc("SpSe"), PartKind::button);

    addModuleParts(panel, kEffectParts);
}

void buildNoiseModifierPanel(Panel& panel) {
    addPopup(panel, {"ShaP", nullptr, 0, nullptr});
    addControls(panel, kNoiseModifierControls);
    addModuleParts(panel, kNoiseModifierParts);
}

}  // namespace brumo::host
