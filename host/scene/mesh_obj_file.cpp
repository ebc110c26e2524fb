// Meshes read from Wavefront OBJ files: the vertex positions and every face of every group,
// polygons split into fans of triangles. Normals, texture coordinates and materials are not used.
#include <tiny_obj_loader.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/scene/mesh_object.h"

namespace brumo::host {

namespace {

[[noreturn]] void fail(const std::string& path, const std::string& reason) {
    throw std::runtime_error("cannot load mesh file '" + path + "': " + reason);
}

std::string firstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    return line;
}

// Checks what the loader below takes without a word: every vertex position a finite number, every
// face corner a vertex of the file. Names the line of the first problem.
void checkLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    size_t number = 0;
    long vertices = 0;
    struct Corner {
        size_t line;
        long index;
    };
    std::vector<Corner> corners;
    while (std::getline(in, line)) {
        ++number;
        std::istringstream words(line);
        std::string tag;
        words >> tag;
        const std::string where = "line " + std::to_string(number) + ": ";
        if (tag == "v") {
            ++vertices;
            for (int axis = 0; axis < 3; ++axis) {
                std::string word;
                words >> word;
                char* end = nullptr;
                const double v = std::strtod(word.c_str(), &end);
                if (word.empty() || *end != '\0')
                    fail(path, where + "a vertex needs three numbers, found '" + firstLine(line) + "'");
                if (!std::isfinite(v) || std::fabs(v) > 3.0e38)
                    fail(path, where + "vertex " + std::to_string(vertices) + " has the position '" +
                                   word + "', expected a finite number");
            }
        } else if (tag == "f") {
            std::string word;
            while (words >> word) {
                const long index = std::strtol(word.c_str(), nullptr, 10);
                // Negative indices count back from the vertices read so far.
                corners.push_back({number, index < 0 ? vertices + index + 1 : index});
                if (index == 0) fail(path, where + "a face corner '" + word + "' names no vertex");
            }
        }
    }
    for (const Corner& corner : corners)
        if (corner.index < 1 || corner.index > vertices)
            fail(path, "line " + std::to_string(corner.line) + ": a face refers to vertex " +
                           std::to_string(corner.index) + " but the file has " +
                           std::to_string(vertices) + " vertices");
}

}  // namespace

Ref<MeshObject> MeshObject::loadObj(const std::string& path, const std::string& name) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) fail(path, "no such file");
    if (!std::filesystem::is_regular_file(path, error)) fail(path, "not a regular file");

    checkLines(path);
    tinyobj::ObjReaderConfig config;
    config.triangulate = true;
    config.vertex_color = false;
    tinyobj::ObjReader reader;
    if (!reader.ParseFromFile(path, config)) {
        const std::string reason = firstLine(reader.Error());
        fail(path, reason.empty() ? "it could not be read" : reason);
    }

    const auto& positions = reader.GetAttrib().vertices;
    std::vector<QVVector3> vertices;
    vertices.reserve(positions.size() / 3);
    for (size_t i = 0; i + 2 < positions.size(); i += 3)
        vertices.push_back({float(positions[i]), float(positions[i + 1]), float(positions[i + 2])});

    std::vector<int32_t> facets;
    for (const auto& shape : reader.GetShapes()) {
        size_t offset = 0;
        for (const auto faceSize : shape.mesh.num_face_vertices) {
            const size_t corners = static_cast<size_t>(faceSize);
            // Faces of fewer than three corners (lines, points) enclose nothing.
            if (corners == 3) {
                for (size_t k = 0; k < 3; ++k) {
                    const int index = shape.mesh.indices[offset + k].vertex_index;
                    if (index < 0 || static_cast<size_t>(index) >= vertices.size())
                        fail(path, "a face of '" + shape.name + "' refers to vertex " +
                                       std::to_string(index + 1) + " but the file has " +
                                       std::to_string(vertices.size()) + " vertices");
                    facets.push_back(index);
                }
            }
            offset += corners;
        }
    }
    if (facets.empty()) fail(path, "it holds no faces");

    try {
        return fromTriangles(name, std::move(vertices), std::move(facets));
    } catch (const std::runtime_error& problem) {
        fail(path, problem.what());
    }
}

}  // namespace brumo::host
