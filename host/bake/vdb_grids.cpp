#include "host/bake/vdb_grids.h"

#include <optional>
#include <vector>

#include "host/bake/vdb_headers.h"

namespace brumo::host {

namespace {

openvdb::math::Transform::Ptr transformOf(const double (&m)[3][4]) {
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

template <class GridType>
typename GridType::Ptr makeGrid(const std::string& name, const openvdb::math::Transform& transform,
                                const BakedGridNames& names) {
    typename GridType::Ptr grid = GridType::create(typename GridType::ValueType(0.0f));
    grid->setName(name);
    grid->setTransform(transform.copy());
    grid->setSaveFloatAsHalf(false);
    describeEffect(*grid, names);
    return grid;
}

openvdb::Vec3SGrid::Ptr makeColourGrid(const std::string& name, const openvdb::math::Transform& transform,
                                       const BakedGridNames& names) {
    openvdb::Vec3SGrid::Ptr grid = makeGrid<openvdb::Vec3SGrid>(name, transform, names);
    grid->setGridClass(openvdb::GRID_UNKNOWN);
    grid->setVectorType(openvdb::VEC_INVARIANT);
    return grid;
}

class OpenVdbGrids final : public VdbGrids {
public:
    OpenVdbGrids() { openvdb::initialize(); }

    size_t addEffect(int32_t nx, int32_t ny, const double (&indexToWorld)[3][4], const BakedGridNames& names,
                     float threshold, const EmissionModel& model) override {
        Effect effect;
        effect.nx = nx;
        effect.ny = ny;
        effect.threshold = threshold;
        effect.model = model;
        const openvdb::math::Transform::Ptr transform = transformOf(indexToWorld);

        effect.density = makeGrid<openvdb::FloatGrid>(names.density, *transform, names);
        effect.density->setGridClass(openvdb::GRID_FOG_VOLUME);
        if (!names.colour.empty()) effect.colour = makeColourGrid(names.colour, *transform, names);
        if (!names.emission.empty()) {
            effect.emission = makeColourGrid(names.emission, *transform, names);
            effect.absorption = makeGrid<openvdb::FloatGrid>(names.absorption, *transform, names);
            effect.absorption->setGridClass(openvdb::GRID_FOG_VOLUME);
            for (openvdb::GridBase* light : {static_cast<openvdb::GridBase*>(effect.emission.get()),
                                             static_cast<openvdb::GridBase*>(effect.absorption.get())})
                light->insertMeta("brumo_units", openvdb::StringMetadata("per world unit"));
            effect.absorption->insertMeta("brumo_absorption_per_density",
                                          openvdb::FloatMetadata(model.extinction * model.depthPerDensity));
            effect.emission->insertMeta("brumo_emission_per_density",
                                        openvdb::FloatMetadata(model.depthPerDensity));
        }
        effects_.push_back(std::move(effect));
        return effects_.size() - 1;
    }

    void addSlice(size_t index, int32_t z, const float* densities, const QVColourRecord* colours) override {
        Effect& effect = effects_.at(index);
        openvdb::FloatGrid::Accessor density = effect.density->getAccessor();
        const bool withColours = colours != nullptr;
        std::optional<openvdb::Vec3SGrid::Accessor> colour, emission;
        std::optional<openvdb::FloatGrid::Accessor> absorption;
        if (effect.colour && withColours) colour.emplace(effect.colour->getAccessor());
        if (effect.emission && withColours) {
            emission.emplace(effect.emission->getAccessor());
            absorption.emplace(effect.absorption->getAccessor());
        }
        const float depth = effect.model.depthPerDensity;
        for (int32_t j = 0; j < effect.ny; ++j) {
            for (int32_t i = 0; i < effect.nx; ++i) {
                const size_t n = size_t(j) * size_t(effect.nx) + size_t(i);
                const float d = densities[n];
                if (!(d >= effect.threshold)) continue;
                const openvdb::Coord voxel(i, j, z);
                density.setValue(voxel, d);
                if (!withColours) continue;
                const openvdb::Vec3s c(colours[n].red, colours[n].green, colours[n].blue);
                if (colour) {
                    colour->setValue(voxel, c);
                    if (!effect.anyColour) effect.firstColour = c;
                    effect.colourVaries = effect.colourVaries || c != effect.firstColour;
                    effect.anyColour = true;
                }
                if (emission) {
                    emission->setValue(voxel, c * (depth * d));
                    absorption->setValue(voxel, effect.model.extinction * depth * d);
                }
            }
        }
    }

    bool dropConstantColour(size_t index, QVColourRecord& constant) override {
        Effect& effect = effects_.at(index);
        if (!effect.colour || effect.colourVaries) return false;
        constant = {effect.firstColour[0], effect.firstColour[1], effect.firstColour[2], 1.0f};
        effect.colour.reset();
        return true;
    }

    uint64_t activeVoxels(size_t index) const override {
        return effects_.at(index).density->activeVoxelCount();
    }

    void writeFile(const std::string& path) override {
        // Every density first, then the other grids effect by effect.
        openvdb::GridPtrVec grids;
        for (Effect& effect : effects_) {
            effect.density->pruneGrid();
            grids.push_back(effect.density);
        }
        for (Effect& effect : effects_) {
            for (openvdb::GridBase::Ptr grid : {openvdb::GridBase::Ptr(effect.colour),
                                                openvdb::GridBase::Ptr(effect.emission),
                                                openvdb::GridBase::Ptr(effect.absorption)}) {
                if (!grid) continue;
                grid->pruneGrid();
                grids.push_back(grid);
            }
        }
        openvdb::MetaMap fileMetadata;
        fileMetadata.insertMeta("creator", openvdb::StringMetadata("brumo"));

        openvdb::io::File file(path);
        file.write(grids, fileMetadata);
        file.close();
    }

private:
    struct Effect {
        openvdb::FloatGrid::Ptr density;
        openvdb::Vec3SGrid::Ptr colour;      // null without colour
        openvdb::Vec3SGrid::Ptr emission;    // null without the light model
        openvdb::FloatGrid::Ptr absorption;  // with the emission
        EmissionModel model;
        int32_t nx = 0;
        int32_t ny = 0;
        float threshold = 0.0f;
        bool anyColour = false;
        bool colourVaries = false;
        openvdb::Vec3s firstColour{0.0f, 0.0f, 0.0f};
    };
    std::vector<Effect> effects_;
};

}  // namespace

}  // namespace brumo::host

extern "C" __attribute__((visibility("default"))) brumo::host::VdbGrids* brumoCreateVdbGrids() {
    return new brumo::host::OpenVdbGrids;
}
