// A small Windows host for brumo.dll: loads it with LoadLibrary, finds the six entry points by
// their undecorated names, initialises the module with the reference host's services (memory,
// utility with its per-thread mt19937, resource texts, shell and scene), creates every class,
// makes the fixed segment run and compares the colours with those the Linux build wrote.
//
//   brumo_windows_host BRUMO_DLL REFERENCE_FILE [--tolerance T]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/services/host_services.h"
#include "qv/class_factory.h"
#include "qv/entry_points.h"
#include "qv/memory.h"
#include "qv/result_codes.h"
#include "segment_set.h"

using namespace brumo;

namespace {

struct EntryPoints {
    QVDllInitFunction init = nullptr;
    QVDllCleanUpFunction cleanUp = nullptr;
    QVDllGetClassObjectFunction getClassObject = nullptr;
    QVDllCanUnloadNowFunction canUnloadNow = nullptr;
    QVDllInitExceptionTranslatorFunction initTranslator = nullptr;
    QVDllCleanUpExceptionTranslatorFunction cleanUpTranslator = nullptr;
};

template <class Function>
bool resolve(HMODULE library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    if (function == nullptr) std::fprintf(stderr, "brumo.dll does not export %s\n", name);
    return function != nullptr;
}

int passed = 0;
int failed = 0;

void check(bool ok, const char* what) {
    std::printf("%s: %s\n", ok ? "ok  " : "FAIL", what);
    ++(ok ? passed : failed);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 5 && std::string(argv[3]) == "--tolerance")) {
        std::fprintf(stderr, "usage: brumo_windows_host BRUMO_DLL REFERENCE_FILE [--tolerance T]\n");
        return 2;
    }
    const float tolerance = argc == 5 ? std::strtof(argv[4], nullptr) : 0.0f;

    std::string referenceText;
    std::vector<segments::SegmentValue> expected;
    std::string error;
    if (!segments::readTextFile(argv[2], referenceText) ||
        !segments::parseValues(referenceText, expected, error) || expected.empty()) {
        std::fprintf(stderr, "cannot read reference values from %s %s\n", argv[2], error.c_str());
        return 1;
    }

    HMODULE library = LoadLibraryA(argv[1]);
    if (library == nullptr) {
        std::fprintf(stderr, "cannot load %s (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    EntryPoints entry;
    const bool resolved = resolve(library, "QVDllInit", entry.init) &
                          resolve(library, "QVDllCleanUp", entry.cleanUp) &
                          resolve(library, "QVDllGetClassObject", entry.getClassObject) &
                          resolve(library, "QVDllCanUnloadNow", entry.canUnloadNow) &
                          resolve(library, "QVDllInitExceptionTranslator", entry.initTranslator) &
                          resolve(library, "QVDllCleanUpExceptionTranslator", entry.cleanUpTranslator);
    check(resolved, "the six entry points are found by their undecorated names");
    if (!resolved) return 1;

    auto services = host::HostServices::create();
    services->scene().setSizeFactor(segments::kSceneSizeFactor);
    qv::memoryServiceSlot() = &services->memory();

    check(entry.init(services.get()) == qv::kOk && entry.initTranslator() == qv::kOk,
          "QVDllInit and QVDllInitExceptionTranslator answer 0");

    const segments::CreateInstance create = [&entry](const QVGuid& classId, const QVGuid& iid,
                                                     void** out) -> QVResult {
        void* slot = nullptr;
        const QVResult found = entry.getClassObject(classId, qv::IID_IClassFactory, &slot);
        if (found != qv::kOk) return found;
        if (slot == nullptr) return qv::kNoInterface;
        auto* factory = static_cast<IQVClassFactory*>(slot);
        const QVResult created = factory->CreateInstance(nullptr, iid, out);
        factory->Release();
        return created;
    };

    std::string problems;
    const int created = segments::createEveryClass(create, problems);
    std::printf("classes created and released: %d of 19\n%s", created, problems.c_str());
    check(created == 19, "every class is created, answers its interface and goes away");

    std::vector<segments::SegmentValue> values;
    const bool rendered = segments::renderSegmentSet(create, values, error);
    if (!rendered) std::fprintf(stderr, "segment run failed: %s\n", error.c_str());
    check(rendered, "the segment run completes");

    const segments::Comparison c = segments::compareValues(expected, values, tolerance);
    std::printf("segment channels: %d compared, %d exact, %d outside %g; largest difference "
                "%.9g (%d ulp)\n%s",
                c.compared, c.exact, c.outside, double(tolerance), double(c.largestDifference),
                static_cast<int>(c.largestUlps), c.report.c_str());
    check(rendered && c.compared == static_cast<int>(expected.size()) * 4 && c.outside == 0,
          "the colours match the Linux build's");

    check(entry.canUnloadNow() == 0, "nothing of the module is alive after the run");
    check(entry.cleanUpTranslator() == qv::kOk && entry.cleanUp() == qv::kOk,
          "QVDllCleanUpExceptionTranslator and QVDllCleanUp answer 0");
    check(services->memory().balanced(), "everything the module allocated was given back");
    check(FreeLibrary(library) != 0, "the DLL unloads");
    qv::memoryServiceSlot() = nullptr;

    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
