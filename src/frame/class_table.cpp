#include "frame/class_table.h"

#include "effects/smog.h"

namespace brumo {

namespace {

const ClassTableRow kRows[kClassCount] = {
    {CLSID_Fire, nullptr},
    {CLSID_Smog, &createInstanceOf<Smog>},
    {CLSID_RisingSmoke, nullptr},
    {CLSID_Clouds, nullptr},
    {CLSID_TaperModifier, nullptr},
    {CLSID_WaveModifier, nullptr},
    {CLSID_BulgeModifier, nullptr},
    {CLSID_PunchModifier, nullptr},
    {CLSID_TwistModifier, nullptr},
    {CLSID_BendModifier, nullptr},
    {CLSID_ShiftModifier, nullptr},
    {CLSID_NoiseModifier, nullptr},
    {CLSID_StretchModifier, nullptr},
    {CLSID_ScaleModifier, nullptr},
    {CLSID_BrumoCommonPart, nullptr},
    {CLSID_ShaderPopupPart, nullptr},
    {CLSID_ShaderChooserPart, nullptr},
    {CLSID_MeshPopupPart, nullptr},
    {CLSID_MeshChooserPart, nullptr},
};

}  // namespace

const ClassTableRow* classTable() { return kRows; }

const ClassTableRow* findClass(const QVGuid& classId) {
    for (const ClassTableRow& row : kRows)
        if (row.classId == classId) return &row;
    return nullptr;
}

}  // namespace brumo
