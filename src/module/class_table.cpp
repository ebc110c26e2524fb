#include "module/class_table.h"

#include "editor/brumo_common_part.h"
#include "editor/popup_parts.h"
#include "effects/clouds.h"
#include "effects/fire.h"
#include "effects/rising_smoke.h"
#include "effects/smog.h"
#include "modifiers/bend_modifier.h"
#include "modifiers/bulge_modifier.h"
#include "modifiers/noise_modifier.h"
#include "modifiers/punch_modifier.h"
#include "modifiers/scale_modifier.h"
#include "modifiers/shift_modifier.h"
#include "modifiers/stretch_modifier.h"
#include "modifiers/taper_modifier.h"
#include "modifiers/twist_modifier.h"
#include "modifiers/wave_modifier.h"

namespace brumo {

namespace {

const ClassTableRow kRows[kClassCount] = {
    {CLSID_Fire, &createInstanceOf<Fire>},
    {CLSID_Smog, &createInstanceOf<Smog>},
    {CLSID_RisingSmoke, &createInstanceOf<RisingSmoke>},
    {CLSID_Clouds, &createInstanceOf<Clouds>},
    {CLSID_TaperModifier, &createInstanceOf<TaperModifier>},
    {CLSID_WaveModifier, &createInstanceOf<WaveModifier>},
    {CLSID_BulgeModifier, &createInstanceOf<BulgeModifier>},
    {CLSID_PunchModifier, &createInstanceOf<PunchModifier>},
    {CLSID_TwistModifier, &createInstanceOf<TwistModifier>},
    {CLSID_BendModifier, &createInstanceOf<BendModifier>},
    {CLSID_ShiftModifier, &createInstanceOf<ShiftModifier>},
    {CLSID_NoiseModifier, &createInstanceOf<NoiseModifier>},
    {CLSID_StretchModifier, &createInstanceOf<StretchModifier>},
    {CLSID_ScaleModifier, &createInstanceOf<ScaleModifier>},
    {CLSID_BrumoCommonPart, &createInstanceOf<BrumoCommonPart>},
    {CLSID_ShaderPopupPart, &createInstanceOf<ShaderPopupPart>},
    {CLSID_ShaderChooserPart, &createInstanceOf<ShaderChooserPart>},
    {CLSID_MeshPopupPart, &createInstanceOf<MeshPopupPart>},
    {CLSID_MeshChooserPart, &createInstanceOf<MeshChooserPart>},
};

}  // namespace

const ClassTableRow* classTable() { return kRows; }

const ClassTableRow* findClass(const QVGuid& classId) {
    for (const ClassTableRow& row : kRows)
        if (row.classId == classId) return &row;
    return nullptr;
}

}  // namespace brumo
