#include "host/bake/vdb_file.h"


#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

#include "host/bake/vdb_headers.h"
#include "host/common/file_replacement.h"

namespace brumo::host {

struct VdbVolumeFile::Grids {
    struct Effect {
        openvdb::FloatGrid::Ptr density;
        openvdb::Vec3SGrid::Ptr colour;  // null without colour
        int32_t nx = 0;
        int32_t ny = 0;
        float threshold = 0.0f;
    };
    std::vector<Effect> effects;
};

namespace {

openvdb::math::Transform::Ptr transformOf(const VoxelGrid& grid) {
    double m[3][4];
    grid.indexToWorld(m);
    // OpenVDB multiplies row vectors, world = index × matrix: the transpose, offset in the last row.
    openvdb::math::Mat4d matrix = openvdb::math::Mat4d::identity();
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) matrix[c][r] = m[r][c];
        matrix[3][r] = m[r][3];
    }
    return openvdb::math::Transform::createLinearTransform(matrix);
}

void describeEffect(openvdb::GridBase& grid, const BakedGridNames& names) {
    grid.setCreator("brumo");
    grid.insertMeta("brumo_effect", openvdb::StringMetadata(names.effectName));
    grid.insertMeta("brumo_effect_type", openvdb::StringMetadata(names.effectType));
}

}  // namespace

VdbVolumeFile::VdbVolumeFile() : grids_(std::make_unique<Grids>()) { openvdb::initialize(); }

VdbVolumeFile::~VdbVolumeFile() = default;

size_t VdbVolumeFile::addEffect(const VoxelGrid& grid, const BakedGridNames& names, float threshold) {
    Grids::Effect effect;
    effect.nx = grid.counts[0];
    effect.ny = grid.counts[1];
    effect.threshold = threshold;
    const openvdb::math::Transform::Ptr transform = transformOf(grid);

    effect.density = openvdb::FloatGrid::create(0.0f);
    effect.density->setName(names.density);
    effect.density->setTransform(transform);
    effect.density->setGridClass(openvdb::GRID_FOG_VOLUME);
    effect.density->setSaveFloatAsHalf(false);
    describeEffect(*effect.density, names);

    if (!names.colour.empty()) {
        effect.colour = openvdb::Vec3SGrid::create(openvdb::Vec3s(0.0f, 0.0f, 0.0f));
        effect.colour->setName(names.colour);
        effect.colour->setTransform(transform->copy());
        effect.colour->setGridClass(openvdb::GRID_UNKNOWN);
        effect.colour->setVectorType(openvdb::VEC_INVARIANT);
        effect.colour->setSaveFloatAsHalf(false);
        describeEffect(*effect.colour, names);
    }
    grids_->effects.push_back(std::move(effect));
    return grids_->effects.size() - 1;
}

void VdbVolumeFile::addSlice(size_t index, int32_t z, const float* densities,
                             const QVColourRecord* colours) {
    Grids::Effect& effect = grids_->effects.at(index);
    openvdb::FloatGrid::Accessor density = effect.density->getAccessor();
    std::unique_ptr<openvdb::Vec3SGrid::Accessor> colour;
    if (effect.colour && colours != nullptr)
        colour = std::make_unique<openvdb::Vec3SGrid::Accessor>(effect.colour->getAccessor());
    for (int32_t j = 0; j < effect.ny; ++j) {
        for (int32_t i = 0; i < effect.nx; ++i) {
            const size_t n = size_t(j) * size_t(effect.nx) + size_t(i);
            const float d = densities[n];
            if (!(d >= effect.threshold)) continue;
            const openvdb::Coord voxel(i, j, z);
            density.setValue(voxel, d);
            if (colour) colour->setValue(voxel, openvdb::Vec3s(colours[n].red, colours[n].green, colours[n].blue));
        }
    }
}

uint64_t VdbVolumeFile::activeVoxels(size_t index) const {
    return grids_->effects.at(index).density->activeVoxelCount();
}

void VdbVolumeFile::write(const std::string& path) {
    openvdb::GridPtrVec grids;
    for (Grids::Effect& effect : grids_->effects) {
        effect.density->pruneGrid();
        grids.push_back(effect.density);
        if (effect.colour) {
            effect.colour->pruneGrid();
            grids.push_back(effect.colour);
        }
    }
    openvdb::MetaMap fileMetadata;
    fileMetadata.insertMeta("creator", openvdb::StringMetadata("brumo"));

    const std::string failure = replaceFile(path, [&](const std::string& temporary) {
        openvdb::io::File file(temporary);
        file.write(grids, fileMetadata);
        file.close();
    });
    if (!failure.empty()) throw VolumeWriteError(cannotWrite(path, failure));
}

}  // namespace brumo::host
