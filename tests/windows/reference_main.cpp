// Makes the fixed segment run with the Linux build of the module, loaded like any host loads it,
// and either writes the colours (the reference data of the Windows DLL's test) or compares them
// with the stored data, so that the stored data cannot fall behind the module unnoticed.
//
//   brumo_segment_reference MODULE --write FILE
//   brumo_segment_reference MODULE --check FILE [--tolerance T]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/loader/module_loader.h"
#include "host/services/host_services.h"
#include "qv/memory.h"
#include "segment_set.h"

using namespace brumo;

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: brumo_segment_reference MODULE (--write FILE | --check FILE "
                 "[--tolerance T])\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 6) return usage();
    const std::string modulePath = argv[1];
    const std::string mode = argv[2];
    const std::string dataPath = argv[3];
    float tolerance = 0.0f;
    if (argc == 6) {
        if (std::string(argv[4]) != "--tolerance") return usage();
        tolerance = std::strtof(argv[5], nullptr);
    }
    if (mode != "--write" && mode != "--check") return usage();

    auto services = host::HostServices::create();
    services->scene().setSizeFactor(segments::kSceneSizeFactor);
    qv::memoryServiceSlot() = &services->memory();
    int status = 0;
    try {
        host::ModuleLoader module(modulePath);
        module.initialise(services.get());
        const segments::CreateInstance create = [&module](const QVGuid& classId,
                                                          const QVGuid& iid, void** out) {
            return module.createInstance(classId, iid, out);
        };

        std::string problems;
        const int created = segments::createEveryClass(create, problems);
        std::printf("classes created and released: %d of 19\n", created);
        if (created != 19) {
            std::fprintf(stderr, "%s", problems.c_str());
            status = 1;
        }

        std::vector<segments::SegmentValue> values;
        std::string error;
        if (!segments::renderSegmentSet(create, values, error)) {
            std::fprintf(stderr, "segment run failed: %s\n", error.c_str());
            status = 1;
        } else if (mode == "--write") {
            if (!segments::writeTextFile(dataPath, segments::formatValues(values))) {
                std::fprintf(stderr, "cannot write %s\n", dataPath.c_str());
                status = 1;
            } else {
                std::printf("wrote %zu segments to %s\n", values.size(), dataPath.c_str());
            }
        } else {
            std::string text;
            std::vector<segments::SegmentValue> expected;
            if (!segments::readTextFile(dataPath, text) ||
                !segments::parseValues(text, expected, error)) {
                std::fprintf(stderr, "cannot read %s %s\n", dataPath.c_str(), error.c_str());
                status = 1;
            } else {
                const segments::Comparison c = segments::compareValues(expected, values, tolerance);
                std::printf("segment channels: %d compared, %d exact, %d outside %g; largest "
                            "difference %.9g (%lld ulp)\n",
                            c.compared, c.exact, c.outside, double(tolerance),
                            double(c.largestDifference), static_cast<long long>(c.largestUlps));
                if (c.outside != 0 || c.compared == 0) {
                    std::fprintf(stderr,
                                 "%sIf the module's numbers changed on purpose, rewrite the data "
                                 "on x86_64: cmake --build BUILD --target "
                                 "update_segment_reference\n",
                                 c.report.c_str());
                    status = 1;
                }
            }
        }
        module.cleanUp();
        if (!module.canUnloadNow()) {
            std::fprintf(stderr, "the module still holds components after the run\n");
            status = 1;
        }
    } catch (const host::ModuleLoadError& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
    if (!services->memory().balanced()) {
        std::fprintf(stderr, "the module did not give back all it allocated\n");
        status = 1;
    }
    qv::memoryServiceSlot() = nullptr;
    return status;
}
