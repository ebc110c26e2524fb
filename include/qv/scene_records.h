// Plain records exchanged with the host's scene objects: points, colours, boxes, the shading
// record handed to shaders and mesh casts, and the mesh cast and facet records.
#pragma once

#include <cstddef>

#include "qv/platform.h"

struct QVVector3 {
    float x;
    float y;
    float z;
};

// Red, green, blue, alpha: the colour record of shaders, lights and ray segments.
struct QVColourRecord {
    float red;
    float green;
    float blue;
    float alpha;
};

struct QVBox {
    QVVector3 min;
    QVVector3 max;
};

// Sixty 32-bit words describing one point being shaded. The host fills it with its defaults
// (qv::resetShadingRecord); whoever evaluates a shader writes the sample point into `point`
// (words 0 to 2) and `position` (words 6 to 8). A mesh cast uses the same record for its results:
// `point` is the hit point, `normal` the surface normal, `hitDistance` the distance along the
// ray, `facetIndex` the facet hit and `barycentric` the hit's weights on that facet's corners.
struct QVShadingRecord {
    QVVector3 point;            // words 0-2: sample point in world space; hit point of a cast
    QVVector3 normal;           // words 3-5: shading normal; hit normal of a cast
    QVVector3 position;         // words 6-8: sample point in the shaded object's own space
    QVVector3 geometricNormal;  // words 9-11
    float u;                    // word 12: surface coordinates
    float v;                    // word 13
    QVVector3 dPdu;             // words 14-16: surface tangents in world space
    QVVector3 dPdv;             // words 17-19
    QVVector3 localDPdu;        // words 20-22: the same in object space
    QVVector3 localDPdv;        // words 23-25
    float uvMatrix[4];          // words 26-29: 2x2 transform of (u, v), row by row
    QVVector3 frames[6];        // words 30-47: three (x axis, y axis) frames
    int32_t mode;               // word 48: 0 for shading; -3 for a mesh cast
    uint8_t flags;              // word 49: first byte; the other three are padding
    uint8_t flagPadding[3];
    uint32_t channelMask;       // word 50: channels the caller wants (all: 0xFFFFF)
    float barycentric[3];       // words 51-53
    float coverage;             // word 54
    float hitDistance;          // word 55
    int32_t facetIndex;         // word 56
    float weight;               // word 57
    uint32_t reserved[2];       // words 58-59
};
static_assert(sizeof(QVShadingRecord) == 60 * 4, "the shading record is sixty 32-bit words");
static_assert(offsetof(QVShadingRecord, position) == 6 * 4, "position starts at word 6");
static_assert(offsetof(QVShadingRecord, mode) == 48 * 4, "mode is word 48");
static_assert(offsetof(QVShadingRecord, channelMask) == 50 * 4, "channel mask is word 50");
static_assert(offsetof(QVShadingRecord, coverage) == 54 * 4, "coverage is word 54");
static_assert(offsetof(QVShadingRecord, weight) == 57 * 4, "weight is word 57");

using QVHitRecord = QVShadingRecord;

// A ray in mesh space; the direction has unit length. The fields after it stay zero.
struct QVMeshRay {
    QVVector3 origin;
    QVVector3 direction;
    QVVector3 reserved[2];
    int32_t reservedFlags;
};

// One ray cast against a mesh: hits between minimumDistance and maximumDistance count; the
// nearest one is written into *hit.
struct QVCastQuery {
    float minimumDistance;
    float maximumDistance;
    const QVMeshRay* ray;
    QVHitRecord* hit;
    int32_t reserved[3];       // -1 each
    int32_t reservedFlags[2];  // 0 each
};

// Triangles of a mesh (three vertex indices each) with per-vertex positions and normals.
struct QVFacetData {
    int32_t facetCount;
    const int32_t* facets;
    int32_t vertexCount;
    const QVVector3* vertices;
    const QVVector3* vertexNormals;
};

// What the host knows about a scene object; `renderable` (the third word) is nonzero for objects
// with geometry to render.
struct QVObjectRecord {
    int32_t objectKind;
    int32_t layer;
    int32_t renderable;
};

namespace qv {

// Light kinds answered by lightKind; the module uses distant lights only.
constexpr int32_t kDistantLight = 1;
constexpr int32_t kPointLight = 2;
constexpr int32_t kSpotLight = 3;

// A mesh that can be cast against and shapes volumes answers this from meshKind.
constexpr int32_t kTriangleMesh = 1;

constexpr int32_t kShadingModeSurface = 0;
constexpr int32_t kShadingModeMeshCast = -3;
constexpr uint32_t kAllChannels = 0xFFFFF;

// The host's default shading record.
inline void resetShadingRecord(QVShadingRecord& record) {
    record = QVShadingRecord{};
    record.normal = {0.0f, 0.0f, 1.0f};
    record.geometricNormal = {0.0f, 0.0f, 1.0f};
    record.dPdu = {1.0f, 0.0f, 0.0f};
    record.dPdv = {0.0f, 1.0f, 0.0f};
    record.localDPdu = {1.0f, 0.0f, 0.0f};
    record.localDPdv = {0.0f, 1.0f, 0.0f};
    record.uvMatrix[0] = 1.0f;
    record.uvMatrix[3] = 1.0f;
    for (int i = 0; i < 6; i += 2) {
        record.frames[i] = {1.0f, 0.0f, 0.0f};
        record.frames[i + 1] = {0.0f, 1.0f, 0.0f};
    }
    record.mode = kShadingModeSurface;
    record.channelMask = kAllChannels;
    record.coverage = 1.0f;
    record.weight = 1.0f;
}

}  // namespace qv
