// Class identifiers of the nineteen classes the module's factory builds, in the order the
// factory tests them, and the identity of the volume primitive base.
#pragma once

#include "qv/guid.h"

namespace brumo {

// Effect primitives.
constexpr QVGuid CLSID_Fire = qvGuid(0x32DCE054, 0xD47D, 0x4377, 0x9401, 0x0AEE67074984ULL);
constexpr QVGuid CLSID_Smog = qvGuid(0xC1654810, 0xDCFE, 0x4C51, 0xB9C3, 0x29449E0EC343ULL);
constexpr QVGuid CLSID_RisingSmoke = qvGuid(0x417E2FDD, 0xE4C8, 0x41A5, 0x8193, 0x9B34F051D925ULL);
constexpr QVGuid CLSID_Clouds = qvGuid(0x8BDE4389, 0x72CF, 0x4AAD, 0xB518, 0x1D9E4DD5BE5BULL);

// Volume modifiers.
constexpr QVGuid CLSID_TaperModifier = qvGuid(0xDCCEE0B2, 0x7979, 0x46AC, 0x92C4, 0xAA62AB65EF30ULL);
constexpr QVGuid CLSID_WaveModifier = qvGuid(0xF81D3E50, 0xC84E, 0x433A, 0xBA4D, 0xD25E09512483ULL);
constexpr QVGuid CLSID_BulgeModifier = qvGuid(0xB6EAEE03, 0x1F91, 0x4282, 0xB9D3, 0x0D2391AB62F7ULL);
constexpr QVGuid CLSID_PunchModifier = qvGuid(0x38074E35, 0x6617, 0x4E2F, 0x8C03, 0xB26089431F21ULL);
constexpr QVGuid CLSID_TwistModifier = qvGuid(0xDDB4D7E8, 0xDF6F, 0x4E04, 0x9DC5, 0x5AD01A425766ULL);
constexpr QVGuid CLSID_BendModifier = qvGuid(0xC38CFE2E, 0xE568, 0x45F7, 0x862A, 0xAC84F8F1F0F6ULL);
constexpr QVGuid CLSID_ShiftModifier = qvGuid(0xE230BBA0, 0x5EFF, 0x45D5, 0xBE0D, 0x0FE939A3F6D7ULL);
constexpr QVGuid CLSID_NoiseModifier = qvGuid(0xC2D382C7, 0xB771, 0x4099, 0xB9E9, 0x6018D4030F04ULL);
constexpr QVGuid CLSID_StretchModifier = qvGuid(0x8C9B9969, 0x0A6C, 0x46FD, 0x8C79, 0x80225C2FC81AULL);
constexpr QVGuid CLSID_ScaleModifier = qvGuid(0xB931D3EE, 0x7698, 0x45D0, 0x82DB, 0x0A8DF05EC9DFULL);

// Editor parts; each part also answers its class identifier as its own identity.
constexpr QVGuid CLSID_BrumoCommonPart = qvGuid(0x4C73FDE2, 0x6EAA, 0x4C14, 0x8A92, 0xF7A6FB29B85EULL);
constexpr QVGuid CLSID_ShaderPopupPart = qvGuid(0xAD82F212, 0x41D7, 0x47B2, 0x9C2D, 0x26663D84B51BULL);
constexpr QVGuid CLSID_ShaderChooserPart = qvGuid(0x00F9FD49, 0xEA08, 0x4BC1, 0x9AE4, 0x4EBBE7FCA672ULL);
constexpr QVGuid CLSID_MeshPopupPart = qvGuid(0x6A9BBC69, 0x90D3, 0x45D7, 0xAF6F, 0x25E30666D620ULL);
constexpr QVGuid CLSID_MeshChooserPart = qvGuid(0xD460747A, 0xCC3D, 0x41C2, 0x9305, 0xEBBA6681EF90ULL);

// The volume primitive base answers this with itself.
constexpr QVGuid IID_BrumoBase = qvGuid(0xBB7FC71C, 0x495E, 0x41DE, 0x9132, 0xEB0DB32B5F59ULL);
// The module's own modifiers answer this with their modifier interface, so that a primitive of
// the module can hand them whole runs of points.
constexpr QVGuid IID_BasicVolumeModifier = qvGuid(0x5E0B7A43, 0x2C1D, 0x4F86, 0xA9E2, 0x7D3C51B08F14ULL);

enum class ClassKind { effect, modifier, editorPart };

struct ClassListEntry {
    const char* name;
    QVGuid classId;
    ClassKind kind;
};

constexpr int kClassCount = 19;

// The classes in the factory's order.
constexpr ClassListEntry kClassList[kClassCount] = {
    {"Fire", CLSID_Fire, ClassKind::effect},
    {"Smog", CLSID_Smog, ClassKind::effect},
    {"RisingSmoke", CLSID_RisingSmoke, ClassKind::effect},
    {"Clouds", CLSID_Clouds, ClassKind::effect},
    {"TaperModifier", CLSID_TaperModifier, ClassKind::modifier},
    {"WaveModifier", CLSID_WaveModifier, ClassKind::modifier},
    {"BulgeModifier", CLSID_BulgeModifier, ClassKind::modifier},
    {"PunchModifier", CLSID_PunchModifier, ClassKind::modifier},
    {"TwistModifier", CLSID_TwistModifier, ClassKind::modifier},
    {"BendModifier", CLSID_BendModifier, ClassKind::modifier},
    {"ShiftModifier", CLSID_ShiftModifier, ClassKind::modifier},
    {"NoiseModifier", CLSID_NoiseModifier, ClassKind::modifier},
    {"StretchModifier", CLSID_StretchModifier, ClassKind::modifier},
    {"ScaleModifier", CLSID_ScaleModifier, ClassKind::modifier},
    {"BrumoCommonPart", CLSID_BrumoCommonPart, ClassKind::editorPart},
    {"ShaderPopupPart", CLSID_ShaderPopupPart, ClassKind::editorPart},
    {"ShaderChooserPart", CLSID_ShaderChooserPart, ClassKind::editorPart},
    {"MeshPopupPart", CLSID_MeshPopupPart, ClassKind::editorPart},
    {"MeshChooserPart", CLSID_MeshChooserPart, ClassKind::editorPart},
};

}  // namespace brumo
