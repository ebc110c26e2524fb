#include "host/bake/vdb_file.h"

#include <dlfcn.h>

#include <filesystem>
#include <mutex>

#include "host/bake/vdb_grids.h"
#include "host/common/file_replacement.h"

namespace brumo::host {

namespace {

// The writer library: in the lib folder beside the program's bin folder (the tools and tests),
// two folders up from the Python extension, or on the library path. The first two are worked out
// from this code's own file rather than left to the loader, which under a sanitizer's dlopen
// searches the sanitizer's paths instead of this program's.
void* openWriter() {
    Dl_info self{};
    if (dladdr(reinterpret_cast<void*>(&openWriter), &self) != 0 && self.dli_fname != nullptr) {
        const std::filesystem::path folder = std::filesystem::path(self.dli_fname).parent_path();
        for (const char* up : {"..", "../.."}) {
            const std::filesystem::path candidate = folder / up / "lib" / kVdbWriterLibrary;
            std::error_code missing;
            if (!std::filesystem::exists(candidate, missing)) continue;
            if (void* library = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) return library;
        }
    }
    return dlopen(kVdbWriterLibrary, RTLD_NOW | RTLD_LOCAL);
}

// The writer, loaded once and kept for the life of the process (OpenVDB's registries outlive any
// one file). Null with what went wrong when it could not be loaded.
CreateVdbGrids loadWriter(std::string& problem) {
    static std::once_flag once;
    static CreateVdbGrids create = nullptr;
    static std::string failure;
    std::call_once(once, [] {
        void* library = openWriter();
        if (library != nullptr) create = reinterpret_cast<CreateVdbGrids>(dlsym(library, kCreateVdbGridsSymbol));
        if (create == nullptr) {
            const char* what = dlerror();
            failure = what != nullptr ? what : "it has no entry point";
        }
    });
    problem = failure;
    return create;
}

}  // namespace

VdbVolumeFile::VdbVolumeFile() {
    std::string problem;
    const CreateVdbGrids create = loadWriter(problem);
    if (create == nullptr)
        throw VolumeWriteError(std::string("OpenVDB output needs ") + kVdbWriterLibrary +
                               ", built into the lib folder beside libbrumo.so; it could not be loaded: " + problem);
    grids_.reset(create());
}

VdbVolumeFile::~VdbVolumeFile() = default;

size_t VdbVolumeFile::addEffect(const VoxelGrid& grid, const BakedGridNames& names, float threshold,
                               const EmissionModel& model) {
    double indexToWorld[3][4];
    grid.indexToWorld(indexToWorld);
    return grids_->addEffect(grid.counts[0], grid.counts[1], indexToWorld, names, threshold, model);
}

void VdbVolumeFile::addSlice(size_t effect, int32_t z, const float* densities, const QVColourRecord* colours) {
    grids_->addSlice(effect, z, densities, colours);
}

bool VdbVolumeFile::dropConstantColour(size_t effect, QVColourRecord& colour) {
    return grids_->dropConstantColour(effect, colour);
}

uint64_t VdbVolumeFile::activeVoxels(size_t effect) const { return grids_->activeVoxels(effect); }

void VdbVolumeFile::write(const std::string& path) {
    const std::string failure = replaceFile(path, [&](const std::string& temporary) { grids_->writeFile(temporary); });
    if (!failure.empty()) throw VolumeWriteError(cannotWrite(path, failure));
}

}  // namespace brumo::host
