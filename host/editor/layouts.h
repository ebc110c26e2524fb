// The panel layouts the reference host gives the module's components, as its resource files
// would: which controls a panel has, which block field each shows, and which module parts the
// controls aggregate.
#pragma once

#include "host/editor/panel.h"

namespace brumo::host {

// The panel of an effect ("Fire", "Smog", "RisingSmoke" or "Clouds"): the density and colour
// check-box banks with their preset popups, the flag words "Ramp" and "ColR", the shader popup
// "ShPo" with "ShaN", "CusI" and the option group "Opti", the mesh popup "MesP" with its chooser,
// "SEED", the component list, the common part in "Ctrl", and the effect's own controls.
void buildEffectPanel(Panel& panel, const char* effectClass);

// The noise modifier's panel: the shader popup "ShaP" (list type 1) with its chooser writing
// "ShNa" (shaderName) and "PaID" (builtInNoise), and "SEED".
void buildNoiseModifierPanel(Panel& panel);

// The field table of a class by name, for the Panel constructor.
const ParameterTable* fieldTableOf(const char* className);

}  // namespace brumo::host
