// The built-in meshes: tessellated sphere, box and torus, wound counter-clockwise seen from
// outside so that their face normals point out, with the exact normals of the smooth shape at
// their vertices.
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/scene/mesh_object.h"

namespace brumo::host {

namespace {

constexpr int32_t kMaxTessellation = 4096;
constexpr double kTwoPi = 6.283185307179586;

void requirePositive(const std::string& name, const char* what, float value) {
    if (!(value > 0.0f) || !std::isfinite(value))
        throw std::runtime_error("mesh '" + name + "': " + what + " must be a positive number, not " +
                                 std::to_string(value));
}

void requireTessellation(const std::string& name, const char* what, int32_t value, int32_t least) {
    if (value < least || value > kMaxTessellation)
        throw std::runtime_error("mesh '" + name + "': " + what + " must lie between " +
                                 std::to_string(least) + " and " + std::to_string(kMaxTessellation) +
                                 ", not " + std::to_string(value));
}

// Two triangles over the quad a, b, c, d given counter-clockwise.
void addQuad(std::vector<int32_t>& facets, int32_t a, int32_t b, int32_t c, int32_t d) {
    facets.insert(facets.end(), {a, b, c, a, c, d});
}

}  // namespace

Ref<MeshObject> MeshObject::sphere(const std::string& name, float radius, int32_t segments,
                                   int32_t rings) {
    requirePositive(name, "the sphere's radius", radius);
    requireTessellation(name, "the sphere's segments", segments, 3);
    requireTessellation(name, "the sphere's rings", rings, 2);

    // The poles, and rings - 1 circles of latitude between them, each shared by its neighbours.
    std::vector<QVVector3> vertices;
    std::vector<QVVector3> normals;
    vertices.push_back({0.0f, 0.0f, radius});
    normals.push_back({0.0f, 0.0f, 1.0f});
    for (int32_t i = 1; i < rings; ++i) {
        const double polar = kTwoPi * 0.5 * i / rings;
        for (int32_t j = 0; j < segments; ++j) {
            const double azimuth = kTwoPi * j / segments;
            const double n[3] = {std::sin(polar) * std::cos(azimuth), std::sin(polar) * std::sin(azimuth),
                                 std::cos(polar)};
            vertices.push_back({float(radius * n[0]), float(radius * n[1]), float(radius * n[2])});
            normals.push_back({float(n[0]), float(n[1]), float(n[2])});
        }
    }
    const int32_t south = static_cast<int32_t>(vertices.size());
    vertices.push_back({0.0f, 0.0f, -radius});
    normals.push_back({0.0f, 0.0f, -1.0f});

    auto at = [segments](int32_t ring, int32_t j) { return 1 + (ring - 1) * segments + j % segments; };
    std::vector<int32_t> facets;
    for (int32_t j = 0; j < segments; ++j) {
        facets.insert(facets.end(), {0, at(1, j), at(1, j + 1)});
        for (int32_t i = 1; i + 1 < rings; ++i) addQuad(facets, at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
        facets.insert(facets.end(), {at(rings - 1, j), south, at(rings - 1, j + 1)});
    }
    return fromTriangles(name, std::move(vertices), std::move(facets), std::move(normals));
}

Ref<MeshObject> MeshObject::box(const std::string& name, const QVVector3& halfExtent) {
    requirePositive(name, "the box's half extent in x", halfExtent.x);
    requirePositive(name, "the box's half extent in y", halfExtent.y);
    requirePositive(name, "the box's half extent in z", halfExtent.z);

    // Each face: outward axis n and in-plane axes a, b with a × b = n.
    struct Face {
        int n, a, b;
        float sign;
    };
    const Face faces[6] = {{0, 1, 2, 1.0f}, {0, 2, 1, -1.0f}, {1, 2, 0, 1.0f},
                           {1, 0, 2, -1.0f}, {2, 0, 1, 1.0f}, {2, 1, 0, -1.0f}};
    const float h[3] = {halfExtent.x, halfExtent.y, halfExtent.z};
    std::vector<QVVector3> vertices;
    std::vector<QVVector3> normals;
    std::vector<int32_t> facets;
    for (const Face& face : faces) {
        float n[3] = {0.0f, 0.0f, 0.0f};
        n[face.n] = face.sign;
        const int32_t first = static_cast<int32_t>(vertices.size());
        const float corners[4][2] = {{-1.0f, -1.0f}, {1.0f, -1.0f}, {1.0f, 1.0f}, {-1.0f, 1.0f}};
        for (const auto& corner : corners) {
            float p[3];
            p[face.n] = face.sign * h[face.n];
            p[face.a] = corner[0] * h[face.a];
            p[face.b] = corner[1] * h[face.b];
            vertices.push_back({p[0], p[1], p[2]});
            normals.push_back({n[0], n[1], n[2]});
        }
        addQuad(facets, first, first + 1, first + 2, first + 3);
    }
    return fromTriangles(name, std::move(vertices), std::move(facets), std::move(normals));
}

Ref<MeshObject> MeshObject::torus(const std::string& name, float majorRadius, float minorRadius,
                                  int32_t majorSegments, int32_t minorSegments) {
    requirePositive(name, "the torus's major radius", majorRadius);
    requirePositive(name, "the torus's minor radius", minorRadius);
    if (!(minorRadius < majorRadius))
        throw std::runtime_error("mesh '" + name + "': the torus's minor radius must be smaller than its major radius");
    requireTessellation(name, "the torus's major segments", majorSegments, 3);
    requireTessellation(name, "the torus's minor segments", minorSegments, 3);

    std::vector<QVVector3> vertices;
    std::vector<QVVector3> normals;
    for (int32_t i = 0; i < majorSegments; ++i) {
        const double around = kTwoPi * i / majorSegments;
        for (int32_t j = 0; j < minorSegments; ++j) {
            const double tube = kTwoPi * j / minorSegments;
            const double rho = majorRadius + minorRadius * std::cos(tube);
            vertices.push_back({float(rho * std::cos(around)), float(rho * std::sin(around)),
                                float(minorRadius * std::sin(tube))});
            normals.push_back({float(std::cos(tube) * std::cos(around)), float(std::cos(tube) * std::sin(around)),
                               float(std::sin(tube))});
        }
    }
    auto at = [majorSegments, minorSegments](int32_t i, int32_t j) {
        return (i % majorSegments) * minorSegments + j % minorSegments;
    };
    std::vector<int32_t> facets;
    for (int32_t i = 0; i < majorSegments; ++i)
        for (int32_t j = 0; j < minorSegments; ++j)
            addQuad(facets, at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
    return fromTriangles(name, std::move(vertices), std::move(facets), std::move(normals));
}

}  // namespace brumo::host
