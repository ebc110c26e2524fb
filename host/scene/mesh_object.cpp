#include "host/scene/mesh_object.h"

#include <embree3/rtcore.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

#include "host/common/text.h"

namespace brumo::host {

namespace {

QVVector3 operator-(const QVVector3& a, const QVVector3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

QVVector3 cross(const QVVector3& a, const QVVector3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

QVVector3 unit(const QVVector3& v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(length > 0.0f)) return {0.0f, 0.0f, 0.0f};
    return {v.x / length, v.y / length, v.z / length};
}

bool finite(const QVVector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

const char* deviceErrorText(RTCError error) {
    switch (error) {
        case RTC_ERROR_NONE: return "no error";
        case RTC_ERROR_INVALID_ARGUMENT: return "invalid argument";
        case RTC_ERROR_INVALID_OPERATION: return "invalid operation";
        case RTC_ERROR_OUT_OF_MEMORY: return "out of memory";
        case RTC_ERROR_UNSUPPORTED_CPU: return "unsupported processor";
        case RTC_ERROR_CANCELLED: return "cancelled";
        default: return "unknown error";
    }
}

// One ray-tracing device for the whole process, created on first use. Scenes keep the device
// alive on their own, so meshes that outlive this holder stay valid.
class RayDevice {
public:
    static RTCDevice get() {
        static RayDevice instance;
        if (instance.device_ == nullptr)
            throw std::runtime_error(std::string("the ray-tracing device could not be created: ") +
                                     deviceErrorText(instance.error_));
        return instance.device_;
    }
    ~RayDevice() {
        if (device_ != nullptr) rtcReleaseDevice(device_);
    }

private:
    RayDevice() : device_(rtcNewDevice(nullptr)) {
        if (device_ == nullptr) error_ = rtcGetDeviceError(nullptr);
    }
    RTCDevice device_;
    RTCError error_ = RTC_ERROR_NONE;
};

// Index list of one facet, checked against the vertex count by the constructor.
struct Corners {
    int32_t a, b, c;
};

}  // namespace

MeshObject::MeshObject(std::string name, std::vector<QVVector3> vertices, std::vector<int32_t> facets,
                       std::vector<QVVector3> normals)
    : name_(std::move(name)), vertices_(std::move(vertices)), normals_(std::move(normals)), facets_(std::move(facets)) {
    if (facets_.empty() || facets_.size() % 3 != 0)
        throw std::runtime_error("mesh '" + name_ + "' needs at least one triangle (three vertex indices each)");
    const size_t vertexCount = vertices_.size();
    if (vertexCount > static_cast<size_t>(std::numeric_limits<int32_t>::max()) ||
        facets_.size() / 3 > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw std::runtime_error("mesh '" + name_ + "' is too large");
    for (int32_t index : facets_)
        if (index < 0 || static_cast<size_t>(index) >= vertexCount)
            throw std::runtime_error("mesh '" + name_ + "' has a facet with vertex index " +
                                     std::to_string(index) + " outside its " +
                                     std::to_string(vertexCount) + " vertices");

    constexpr float kHuge = std::numeric_limits<float>::max();
    bounds_ = {{kHuge, kHuge, kHuge}, {-kHuge, -kHuge, -kHuge}};
    for (const QVVector3& v : vertices_) {
        if (!finite(v)) throw std::runtime_error("mesh '" + name_ + "' has a vertex that is not a finite point");
        bounds_.min = {std::min(bounds_.min.x, v.x), std::min(bounds_.min.y, v.y), std::min(bounds_.min.z, v.z)};
        bounds_.max = {std::max(bounds_.max.x, v.x), std::max(bounds_.max.y, v.y), std::max(bounds_.max.z, v.z)};
    }

    if (normals_.empty()) {
        // Vertex normals weighted by the area of the facets around the vertex: the cross product
        // of two edges is twice the facet's area long.
        normals_.assign(vertexCount, QVVector3{0.0f, 0.0f, 0.0f});
        for (size_t f = 0; f < facets_.size(); f += 3) {
            const Corners c{facets_[f], facets_[f + 1], facets_[f + 2]};
            const QVVector3 n = cross(vertices_[c.b] - vertices_[c.a], vertices_[c.c] - vertices_[c.a]);
            for (int32_t corner : {c.a, c.b, c.c}) {
                QVVector3& sum = normals_[static_cast<size_t>(corner)];
                sum = {sum.x + n.x, sum.y + n.y, sum.z + n.z};
            }
        }
    } else if (normals_.size() != vertexCount) {
        throw std::runtime_error("mesh '" + name_ + "' has " + std::to_string(normals_.size()) +
                                 " vertex normals for " + std::to_string(vertexCount) + " vertices");
    }
    for (QVVector3& n : normals_) {
        if (!finite(n)) throw std::runtime_error("mesh '" + name_ + "' has a vertex normal that is not finite");
        n = unit(n);
    }

    facetData_ = {static_cast<int32_t>(facets_.size() / 3), facets_.data(),
                  static_cast<int32_t>(vertexCount), vertices_.data(), normals_.data()};
    record_ = {1, 0, 1};

    // The ray scene: robust intersection, so that a ray through a shared edge is not lost
    // between the two facets and inside/outside parity holds.
    RTCDevice device = RayDevice::get();
    RTCScene scene = rtcNewScene(device);
    if (scene == nullptr) throw std::runtime_error("mesh '" + name_ + "': the ray scene could not be created");
    rtcSetSceneFlags(scene, RTC_SCENE_FLAG_ROBUST);
    rtcSetSceneBuildQuality(scene, RTC_BUILD_QUALITY_HIGH);
    RTCGeometry geometry = rtcNewGeometry(device, RTC_GEOMETRY_TYPE_TRIANGLE);
    auto* vertexBuffer = static_cast<float*>(rtcSetNewGeometryBuffer(
        geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), vertexCount));
    auto* indexBuffer = static_cast<unsigned*>(rtcSetNewGeometryBuffer(
        geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 3 * sizeof(unsigned), facets_.size() / 3));
    if (vertexBuffer != nullptr && indexBuffer != nullptr) {
        for (size_t i = 0; i < vertexCount; ++i) {
            vertexBuffer[3 * i] = vertices_[i].x;
            vertexBuffer[3 * i + 1] = vertices_[i].y;
            vertexBuffer[3 * i + 2] = vertices_[i].z;
        }
        for (size_t i = 0; i < facets_.size(); ++i) indexBuffer[i] = static_cast<unsigned>(facets_[i]);
        rtcCommitGeometry(geometry);
        rtcAttachGeometry(scene, geometry);
    }
    rtcReleaseGeometry(geometry);
    rtcCommitScene(scene);
    const RTCError error = rtcGetDeviceError(device);
    if (vertexBuffer == nullptr || indexBuffer == nullptr || error != RTC_ERROR_NONE) {
        rtcReleaseScene(scene);
        throw std::runtime_error("mesh '" + name_ + "': the ray scene could not be built (" +
                                 deviceErrorText(error) + ")");
    }
    rayScene_ = scene;
}

MeshObject::~MeshObject() {
    if (rayScene_ != nullptr) rtcReleaseScene(rayScene_);
}

Ref<MeshObject> MeshObject::fromTriangles(const std::string& name, std::vector<QVVector3> vertices,
                                          std::vector<int32_t> facets, std::vector<QVVector3> normals) {
    return Ref<MeshObject>::adopt(
        new MeshObject(name, std::move(vertices), std::move(facets), std::move(normals)));
}

void QV_CALL MeshObject::objectName(TQVString* text) { setText(text, name_); }

void QV_CALL MeshObject::meshBounds(QVBox* box, int32_t, int32_t widen) {
    if (box == nullptr) return;
    if (widen == 0) {
        *box = bounds_;
        return;
    }
    box->min = {std::min(box->min.x, bounds_.min.x), std::min(box->min.y, bounds_.min.y),
                std::min(box->min.z, bounds_.min.z)};
    box->max = {std::max(box->max.x, bounds_.max.x), std::max(box->max.y, bounds_.max.y),
                std::max(box->max.z, bounds_.max.z)};
}

// The tracer's own distance depends on the vector unit it runs on (the same ray meets the same
// face 1 ulp nearer under AVX2 than under AVX-512), so the distance to the facet it found is
// worked out again in double precision: the same on every machine, and exact for the faces of an
// axis-aligned box. A facet seen edge-on keeps the tracer's distance.
float MeshObject::exactPlaneDistance(const QVVector3& origin, const QVVector3& u, const int32_t* corners,
                                     float traced, float minimum, float maximum) const {
    const QVVector3& a = vertices_[corners[0]];
    const QVVector3& b = vertices_[corners[1]];
    const QVVector3& c = vertices_[corners[2]];
    const double e1[3] = {double(b.x) - a.x, double(b.y) - a.y, double(b.z) - a.z};
    const double e2[3] = {double(c.x) - a.x, double(c.y) - a.y, double(c.z) - a.z};
    const double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    const double facing = n[0] * u.x + n[1] * u.y + n[2] * u.z;
    const double reach = n[0] * (double(a.x) - origin.x) + n[1] * (double(a.y) - origin.y) + n[2] * (double(a.z) - origin.z);
    const double t = reach / facing;
    if (!std::isfinite(t) || std::fabs(t - traced) > 1e-3 * (1.0 + std::fabs(double(traced)))) return traced;
    return std::clamp(static_cast<float>(t), minimum, maximum);
}

bool QV_CALL MeshObject::castRay(QVCastQuery* query) {
    if (query == nullptr || query->ray == nullptr || query->hit == nullptr) return false;
    const QVMeshRay& ray = *query->ray;
    const float minimum = query->minimumDistance;
    const float maximum = query->maximumDistance;
    if (!finite(ray.origin) || !std::isfinite(minimum) || std::isnan(maximum) || !(minimum <= maximum))
        return false;

    // Distances are measured along a unit direction; a zero direction meets nothing.
    const QVVector3& d = ray.direction;
    const double length = std::sqrt(double(d.x) * d.x + double(d.y) * d.y + double(d.z) * d.z);
    if (!(length > 0.0) || !std::isfinite(length)) return false;
    const QVVector3 u = length == 1.0 ? d
                                      : QVVector3{float(d.x / length), float(d.y / length), float(d.z / length)};

    // The tracer takes no negative start: a cast that also looks behind the origin starts at the
    // nearest point it may find and adds that offset back.
    const float shift = minimum < 0.0f ? minimum : 0.0f;
    RTCRayHit rayHit{};
    rayHit.ray.org_x = ray.origin.x + u.x * shift;
    rayHit.ray.org_y = ray.origin.y + u.y * shift;
    rayHit.ray.org_z = ray.origin.z + u.z * shift;
    rayHit.ray.dir_x = u.x;
    rayHit.ray.dir_y = u.y;
    rayHit.ray.dir_z = u.z;
    rayHit.ray.tnear = minimum - shift;
    rayHit.ray.tfar = maximum - shift;
    rayHit.ray.time = 0.0f;
    rayHit.ray.mask = 0xFFFFFFFFu;
    rayHit.ray.flags = 0;
    rayHit.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    rayHit.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    rtcIntersect1(rayScene_, &context, &rayHit);
    if (rayHit.hit.geomID == RTC_INVALID_GEOMETRY_ID) return false;

    const uint32_t facet = rayHit.hit.primID;
    const int32_t* corners = facets_.data() + 3 * static_cast<size_t>(facet);
    const QVVector3 normal = unit(cross(vertices_[corners[1]] - vertices_[corners[0]],
                                        vertices_[corners[2]] - vertices_[corners[0]]));
    QVHitRecord& hit = *query->hit;
    hit.hitDistance = exactPlaneDistance(ray.origin, u, corners, rayHit.ray.tfar + shift, minimum, maximum);
    hit.point = {float(ray.origin.x + double(u.x) * hit.hitDistance),
                 float(ray.origin.y + double(u.y) * hit.hitDistance),
                 float(ray.origin.z + double(u.z) * hit.hitDistance)};
    hit.position = hit.point;
    hit.normal = normal;
    hit.geometricNormal = normal;
    hit.facetIndex = static_cast<int32_t>(facet);
    // The tracer's (u, v) weigh the second and third corner; the first takes the rest.
    hit.barycentric[0] = 1.0f - rayHit.hit.u - rayHit.hit.v;
    hit.barycentric[1] = rayHit.hit.u;
    hit.barycentric[2] = rayHit.hit.v;
    hit.u = rayHit.hit.u;
    hit.v = rayHit.hit.v;
    return true;
}

IQVUnknown* QV_CALL MeshObject::objectShape() {
    AddRef();
    return static_cast<IQVSceneObject*>(this);
}

void* MeshObject::findInterface(const QVGuid& iid) {
    return iid == qv::IID_Mesh ? static_cast<IQVMesh*>(this) : nullptr;
}

}  // namespace brumo::host
