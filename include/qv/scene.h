// The host's scene as the module sees it: the application object (reached through the shell
// service), the scene, its shaders, lights and objects, and the mesh interface of mesh objects.
// Positions count the three IQVUnknown operations. Only the operations the module calls are
// named; the placeholders keep the scene's size factor at its fixed position.
//
// Out slots are owned counted pointers: whatever they hold is released before they are filled,
// and they are left null when nothing is found.
#pragma once

#include "qv/scene_records.h"
#include "qv/unknown.h"

class TQVString;
struct IQVScene;
struct IQVShader;

namespace qv {

constexpr QVGuid IID_Mesh = qvGuid(0xDAF2F700, 0x3A02, 0x101C, 0x885F, 0x04021C007002ULL);

}  // namespace qv

// The host's application object: the shell service's 91st operation hands it out, not counted.
struct IQVApplication : IQVUnknown {
    virtual void QV_CALL slot4() = 0;
    virtual void QV_CALL currentScene(IQVScene** scene) = 0;  // 5
};

// A shader of the scene, found by name.
struct IQVShaderObject : IQVUnknown {
    virtual void QV_CALL shaderInterface(IQVShader** shader) = 0;  // 4
    virtual void QV_CALL shaderObjectName(TQVString* text) = 0;    // 5
};

// The evaluation interface of a shader. `flag` is cleared by the caller and may be set by the
// shader; `record` carries the sample point (see QVShadingRecord).
struct IQVShader : IQVUnknown {
    virtual QVResult QV_CALL evaluateValue(float* value, uint8_t* flag,
                                           QVShadingRecord* record) = 0;  // 4
    // Writes the colour; answers the shader's coverage of the point.
    virtual float QV_CALL evaluateColour(QVColourRecord* colour, uint8_t* flag,
                                         QVShadingRecord* record) = 0;  // 5
};

struct IQVLight : IQVUnknown {
    virtual void QV_CALL lightKind(int32_t* kind) = 0;  // 4
    // Direction from the point toward the light (unit length) and the distance to it.
    virtual void QV_CALL lightDirectionTo(const QVVector3& point, QVVector3* direction,
                                          float* distance) = 0;  // 5
    // Colour of the light arriving at the point from that direction, and its intensity.
    virtual void QV_CALL lightColourAt(const QVVector3& point, const QVVector3& direction,
                                       float distance, QVColourRecord* colour,
                                       float* intensity) = 0;  // 6
};

// Every object of the scene; mesh objects also answer qv::IID_Mesh with IQVMesh.
struct IQVSceneObject : IQVUnknown {
    virtual void QV_CALL objectName(TQVString* text) = 0;  // 4
};

struct IQVMesh : IQVUnknown {
    virtual int32_t QV_CALL meshKind() = 0;  // 4: qv::kTriangleMesh for a usable mesh
    // Widens *box to the mesh's bounds; space 2 is the object's own space, widen 1 keeps what
    // the box already holds.
    virtual void QV_CALL meshBounds(QVBox* box, int32_t space, int32_t widen) = 0;  // 5
    // True when the ray meets the surface within the query's distances; fills *query->hit.
    virtual bool QV_CALL castRay(QVCastQuery* query) = 0;  // 6
    // Facets and vertex normals, owned by the mesh; null when it has none.
    virtual const QVFacetData* QV_CALL meshData() = 0;  // 7
    virtual const QVObjectRecord* QV_CALL objectRecord() = 0;  // 8
    // The geometry behind the object as a counted reference, or null.
    virtual IQVUnknown* QV_CALL objectShape() = 0;  // 9
};

struct IQVScene : IQVUnknown {
    virtual void QV_CALL findShader(IQVShaderObject** shader, const TQVString* name) = 0;  // 4
    virtual int32_t QV_CALL shaderCount() = 0;                                             // 5
    virtual void QV_CALL shaderAt(IQVShaderObject** shader, int32_t index) = 0;            // 6
    virtual int32_t QV_CALL lightCount() = 0;                                              // 7
    virtual void QV_CALL lightAt(IQVLight** light, int32_t index) = 0;                     // 8
    virtual int32_t QV_CALL objectCount() = 0;                                             // 9
    // Borrowed: valid while the object stays in the scene.
    virtual IQVSceneObject* QV_CALL objectAt(int32_t index) = 0;  // 10
    virtual void QV_CALL findObjectByName(IQVSceneObject** object,
                                          const TQVString* name) = 0;  // 11
    virtual void QV_CALL slot12() = 0;
    virtual void QV_CALL slot13() = 0;
    virtual void QV_CALL slot14() = 0;
    virtual void QV_CALL slot15() = 0;
    virtual void QV_CALL slot16() = 0;
    virtual void QV_CALL slot17() = 0;
    virtual void QV_CALL slot18() = 0;
    virtual void QV_CALL slot19() = 0;
    virtual void QV_CALL slot20() = 0;
    virtual void QV_CALL slot21() = 0;
    virtual void QV_CALL slot22() = 0;
    virtual void QV_CALL slot23() = 0;
    virtual void QV_CALL slot24() = 0;
    virtual void QV_CALL slot25() = 0;
    virtual void QV_CALL slot26() = 0;
    virtual void QV_CALL slot27() = 0;
    virtual void QV_CALL slot28() = 0;
    virtual void QV_CALL slot29() = 0;
    virtual void QV_CALL slot30() = 0;
    virtual void QV_CALL slot31() = 0;
    virtual void QV_CALL slot32() = 0;
    virtual void QV_CALL slot33() = 0;
    virtual void QV_CALL slot34() = 0;
    virtual void QV_CALL slot35() = 0;
    virtual void QV_CALL slot36() = 0;
    virtual void QV_CALL slot37() = 0;
    virtual void QV_CALL slot38() = 0;
    virtual void QV_CALL slot39() = 0;
    virtual void QV_CALL slot40() = 0;
    virtual void QV_CALL slot41() = 0;
    virtual void QV_CALL slot42() = 0;
    virtual void QV_CALL slot43() = 0;
    virtual void QV_CALL slot44() = 0;
    virtual void QV_CALL slot45() = 0;
    virtual void QV_CALL slot46() = 0;
    virtual void QV_CALL slot47() = 0;
    virtual void QV_CALL slot48() = 0;
    virtual void QV_CALL slot49() = 0;
    virtual void QV_CALL slot50() = 0;
    virtual void QV_CALL slot51() = 0;
    virtual void QV_CALL slot52() = 0;
    virtual void QV_CALL slot53() = 0;
    virtual void QV_CALL slot54() = 0;
    virtual void QV_CALL slot55() = 0;
    virtual void QV_CALL slot56() = 0;
    virtual void QV_CALL slot57() = 0;
    virtual void QV_CALL slot58() = 0;
    virtual void QV_CALL slot59() = 0;
    virtual void QV_CALL slot60() = 0;
    virtual void QV_CALL slot61() = 0;
    virtual void QV_CALL slot62() = 0;
    virtual void QV_CALL slot63() = 0;
    virtual void QV_CALL slot64() = 0;
    virtual void QV_CALL slot65() = 0;
    virtual void QV_CALL slot66() = 0;
    virtual void QV_CALL slot67() = 0;
    virtual void QV_CALL slot68() = 0;
    virtual void QV_CALL slot69() = 0;
    virtual void QV_CALL slot70() = 0;
    virtual void QV_CALL slot71() = 0;
    virtual void QV_CALL slot72() = 0;
    virtual void QV_CALL slot73() = 0;
    virtual void QV_CALL slot74() = 0;
    virtual void QV_CALL slot75() = 0;
    virtual void QV_CALL slot76() = 0;
    virtual void QV_CALL slot77() = 0;
    virtual void QV_CALL slot78() = 0;
    virtual void QV_CALL slot79() = 0;
    virtual void QV_CALL slot80() = 0;
    virtual void QV_CALL slot81() = 0;
    virtual void QV_CALL slot82() = 0;
    virtual void QV_CALL slot83() = 0;
    virtual void QV_CALL slot84() = 0;
    virtual void QV_CALL slot85() = 0;
    virtual void QV_CALL slot86() = 0;
    virtual void QV_CALL slot87() = 0;
    virtual void QV_CALL slot88() = 0;
    virtual void QV_CALL slot89() = 0;
    virtual void QV_CALL slot90() = 0;
    virtual void QV_CALL slot91() = 0;
    virtual void QV_CALL slot92() = 0;
    virtual void QV_CALL slot93() = 0;
    virtual void QV_CALL slot94() = 0;
    virtual void QV_CALL slot95() = 0;
    virtual void QV_CALL slot96() = 0;
    virtual void QV_CALL slot97() = 0;
    virtual void QV_CALL slot98() = 0;
    virtual void QV_CALL slot99() = 0;
    virtual void QV_CALL slot100() = 0;
    virtual void QV_CALL slot101() = 0;
    virtual void QV_CALL slot102() = 0;
    virtual void QV_CALL slot103() = 0;
    virtual void QV_CALL slot104() = 0;
    virtual void QV_CALL slot105() = 0;
    virtual void QV_CALL slot106() = 0;
    virtual void QV_CALL slot107() = 0;
    virtual void QV_CALL slot108() = 0;
    virtual void QV_CALL slot109() = 0;
    virtual void QV_CALL slot110() = 0;
    virtual void QV_CALL slot111() = 0;
    virtual void QV_CALL slot112() = 0;
    virtual void QV_CALL slot113() = 0;
    virtual void QV_CALL slot114() = 0;
    virtual void QV_CALL slot115() = 0;
    virtual void QV_CALL slot116() = 0;
    // Size of the scene relative to the default; effects scale their default size by it.
    virtual float QV_CALL sceneSizeFactor() = 0;  // 117
};
