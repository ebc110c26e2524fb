// Initialisation and clean-up of the built library, loaded with dlopen into this process with a
// host of its own, so that every test sees a freshly loaded module.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <ostream>

#include "brumo/class_ids.h"
#include "brumo/parameter_blocks.h"
#include "host/loader/module_loader.h"
#include "host/services/host_services.h"
#include "qv/class_factory.h"
#include "qv/data_exchanger.h"
#include "qv/entry_points.h"
#include "qv/exception.h"
#include "tests/support/raised.h"

namespace brumo::test {
namespace {

// The library with its six entry points resolved; closed again at the end of the test.
class LoadedModule : public host::ModuleEntryPoints {
public:
    LoadedModule() {
        handle_ = dlopen(BRUMO_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
        complete_ = handle_ != nullptr && resolve(handle_) == nullptr;
    }
    ~LoadedModule() { close(); }

    bool complete() const { return complete_; }
    // Closes the library; answers whether it really left the process.
    bool close() {
        if (handle_ == nullptr) return true;
        dlclose(handle_);
        handle_ = nullptr;
        void* still = dlopen(BRUMO_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD);
        if (still == nullptr) return true;
        dlclose(still);
        return false;
    }

private:
    void* handle_ = nullptr;
    bool complete_ = false;
};

// References held on each of the five services.
struct ServiceReferences {
    int32_t memory, utility, resource, shell, idle;

    ServiceReferences operator+(const ServiceReferences& more) const {
        return {memory + more.memory, utility + more.utility, resource + more.resource, shell + more.shell,
                idle + more.idle};
    }
    bool operator==(const ServiceReferences& other) const {
        return memory == other.memory && utility == other.utility && resource == other.resource &&
               shell == other.shell && idle == other.idle;
    }
};

std::ostream& operator<<(std::ostream& out, const ServiceReferences& r) {
    return out << "memory " << r.memory << ", utility " << r.utility << ", resource " << r.resource << ", shell "
               << r.shell << ", idle " << r.idle;
}

ServiceReferences referencesOf(const host::HostServices& services) {
    return {services.memory().referenceCount(), services.utility().referenceCount(),
            services.resources().referenceCount(), services.shell().referenceCount(),
            services.idle().referenceCount()};
}

TEST(ModuleLifecycle, InitTakesEveryServiceAndCleanUpGivesEverythingBackOnce) {
    auto services = host::HostServices::create();
    const ServiceReferences before = referencesOf(*services);
    LoadedModule module;
    ASSERT_TRUE(module.complete()) << dlerror();

    EXPECT_EQ(module.init(services.get()), 0);
    EXPECT_EQ(referencesOf(*services), (before + ServiceReferences{1, 1, 1, 1, 1}));
    // The preset gradients were built through the host's memory.
    EXPECT_GT(services->memory().counts().liveBlocks + services->memory().counts().liveObjects, 0);
    EXPECT_EQ(module.canUnloadNow(), 0);

    EXPECT_EQ(module.cleanUp(), 0);
    EXPECT_EQ(referencesOf(*services), before);
    EXPECT_TRUE(services->memory().balanced());

    // A second clean-up answers 0 and releases nothing.
    EXPECT_EQ(module.cleanUp(), 0);
    EXPECT_EQ(referencesOf(*services).memory, before.memory);
    EXPECT_EQ(referencesOf(*services).shell, before.shell);
    EXPECT_TRUE(module.close());
}

// A host that reloads its plug-ins without unloading the library lives several lives in one
// process: each clean-up must give back what its init took, and each life's components work.
TEST(ModuleLifecycle, EachInitAfterACleanUpStartsALifeThatItsCleanUpEnds) {
    auto services = host::HostServices::create();
    const ServiceReferences before = referencesOf(*services);
    LoadedModule module;
    ASSERT_TRUE(module.complete()) << dlerror();
    for (int life = 1; life <= 3; ++life) {
        SCOPED_TRACE(life);
        ASSERT_EQ(module.init(services.get()), 0);
        EXPECT_EQ(referencesOf(*services), (before + ServiceReferences{1, 1, 1, 1, 1}));

        void* object = nullptr;
        ASSERT_EQ(host::createThroughClassObject(module.getClassObject, CLSID_Clouds, qv::IID_IExDataExchanger,
                                                 &object),
                  qv::kOk);
        auto* exchanger = static_cast<IExDataExchanger*>(object);
        EXPECT_EQ(exchanger->parameterBlockSize(), static_cast<int32_t>(sizeof(CloudsParameters)));
        // Its colours come from the preset gradients this life built.
        const auto* block = static_cast<const CloudsParameters*>(exchanger->parameterBlock());
        EXPECT_GT(block->common.colourGradient.count(), 0);
        EXPECT_EQ(exchanger->parametersChanged(), qv::kOk);
        exchanger->Release();

        EXPECT_EQ(module.cleanUp(), 0);
        EXPECT_EQ(referencesOf(*services), before);
        EXPECT_TRUE(services->memory().balanced());
        EXPECT_EQ(module.cleanUp(), 0);
        EXPECT_EQ(referencesOf(*services), before);
    }
    EXPECT_TRUE(module.close());
}

TEST(ModuleLifecycle, NullServicesFillNothingAndCreationThenRaisesOutOfMemory) {
    LoadedModule module;
    ASSERT_TRUE(module.complete()) << dlerror();
    EXPECT_EQ(module.init(nullptr), 0);
    EXPECT_EQ(module.initTranslator(), 0);
    EXPECT_EQ(module.cleanUpTranslator(), 0);

    // Without a memory service every allocation yields null, so no factory can be made.
    void* out = nullptr;
    const TQVException error = raisedBy([&] { module.getClassObject(CLSID_Fire, qv::IID_IClassFactory, &out); });
    EXPECT_EQ(error.code, qv::kOutOfMemory);
    EXPECT_STREQ(error.sourceName, "QVCountedPtrHelper");
    EXPECT_EQ(error.line, 166);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(module.canUnloadNow(), 0);
    EXPECT_EQ(module.cleanUp(), 0);
}

TEST(ModuleLifecycle, ComponentsKeepTheModuleLoadedUntilReleased) {
    auto services = host::HostServices::create();
    LoadedModule module;
    ASSERT_TRUE(module.complete()) << dlerror();
    module.init(services.get());

    void* first = nullptr;
    void* second = nullptr;
    ASSERT_EQ(module.getClassObject(CLSID_Smog, qv::IID_IClassFactory, &first), qv::kOk);
    ASSERT_EQ(module.getClassObject(CLSID_ScaleModifier, qv::IID_IQVUnknown, &second), qv::kOk);
    EXPECT_EQ(module.canUnloadNow(), 1);
    EXPECT_EQ(static_cast<IQVClassFactory*>(first)->LockServer(1), 0);
    static_cast<IQVUnknown*>(first)->Release();
    EXPECT_EQ(module.canUnloadNow(), 1);
    static_cast<IQVUnknown*>(second)->Release();
    EXPECT_EQ(module.canUnloadNow(), 0);

    module.cleanUp();
    EXPECT_TRUE(services->memory().balanced());
}

TEST(ModuleLifecycle, UnloadingWithoutCleanUpLetsGoOfTheShellOnly) {
    auto services = host::HostServices::create();
    const ServiceReferences before = referencesOf(*services);
    {
        LoadedModule module;
        ASSERT_TRUE(module.complete()) << dlerror();
        module.init(services.get());
        ASSERT_TRUE(module.close()) << "the library stayed in the process";
    }
    EXPECT_EQ(referencesOf(*services), (before + ServiceReferences{1, 1, 1, 0, 1}));

    // Give back what the unloaded module kept, so that this host can go.
    services->memory().Release();
    services->utility().Release();
    services->resources().Release();
    services->idle().Release();
}

}  // namespace
}  // namespace brumo::test
