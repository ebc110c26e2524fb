// Initialisation and clean-up of the built library, loaded with dlopen into this process with a
// host of its own, so that every test sees a freshly loaded module.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "brumo/class_ids.h"
#include "host/services/host_services.h"
#include "qv/class_factory.h"
#include "qv/entry_points.h"
#include "qv/exception.h"

namespace brumo::test {
namespace {

// The library with its six entry points resolved; closed again at the end of the test.
class LoadedModule {
public:
    LoadedModule() {
        handle_ = dlopen(BRUMO_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) return;
        init = reinterpret_cast<QVDllInitFunction>(dlsym(handle_, "QVDllInit"));
        cleanUp = reinterpret_cast<QVDllCleanUpFunction>(dlsym(handle_, "QVDllCleanUp"));
        getClassObject = reinterpret_cast<QVDllGetClassObjectFunction>(dlsym(handle_, "QVDllGetClassObject"));
        canUnloadNow = reinterpret_cast<QVDllCanUnloadNowFunction>(dlsym(handle_, "QVDllCanUnloadNow"));
        initTranslator = reinterpret_cast<QVDllInitExceptionTranslatorFunction>(
            dlsym(handle_, "QVDllInitExceptionTranslator"));
        cleanUpTranslator = reinterpret_cast<QVDllCleanUpExceptionTranslatorFunction>(
            dlsym(handle_, "QVDllCleanUpExceptionTranslator"));
    }
    ~LoadedModule() { close(); }

    bool complete() const {
        return handle_ != nullptr && init && cleanUp && getClassObject && canUnloadNow &&
               initTranslator && cleanUpTranslator;
    }
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

    QVDllInitFunction init = nullptr;
    QVDllCleanUpFunction cleanUp = nullptr;
    QVDllGetClassObjectFunction getClassObject = nullptr;
    QVDllCanUnloadNowFunction canUnloadNow = nullptr;
    QVDllInitExceptionTranslatorFunction initTranslator = nullptr;
    QVDllCleanUpExceptionTranslatorFunction cleanUpTranslator = nullptr;

private:
    void* handle_ = nullptr;
};

struct ServiceReferences {
    int32_t memory, utility, resource, shell, idle;
};

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
    const ServiceReferences held = referencesOf(*services);
    EXPECT_EQ(held.memory, before.memory + 1);
    EXPECT_EQ(held.utility, before.utility + 1);
    EXPECT_EQ(held.resource, before.resource + 1);
    EXPECT_EQ(held.shell, before.shell + 1);
    EXPECT_EQ(held.idle, before.idle + 1);
    // The preset gradients were built through the host's memory.
    EXPECT_GT(services->memory().counts().liveBlocks + services->memory().counts().liveObjects, 0);
    EXPECT_EQ(module.canUnloadNow(), 0);

    EXPECT_EQ(module.cleanUp(), 0);
    const ServiceReferences after = referencesOf(*services);
    EXPECT_EQ(after.memory, before.memory);
    EXPECT_EQ(after.utility, before.utility);
    EXPECT_EQ(after.resource, before.resource);
    EXPECT_EQ(after.shell, before.shell);
    EXPECT_EQ(after.idle, before.idle);
    EXPECT_TRUE(services->memory().balanced());

    // A second clean-up answers 0 and releases nothing.
    EXPECT_EQ(module.cleanUp(), 0);
    EXPECT_EQ(referencesOf(*services).memory, before.memory);
    EXPECT_EQ(referencesOf(*services).shell, before.shell);
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
    try {
        module.getClassObject(CLSID_Fire, qv::IID_IClassFactory, &out);
        ADD_FAILURE() << "no exception";
    } catch (const TQVException& error) {
        EXPECT_EQ(error.code, qv::kOutOfMemory);
        EXPECT_STREQ(error.sourceName, "QVCountedPtrHelper");
        EXPECT_EQ(error.line, 166);
    }
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
    const ServiceReferences after = referencesOf(*services);
    EXPECT_EQ(after.shell, before.shell);
    EXPECT_EQ(after.memory, before.memory + 1);
    EXPECT_EQ(after.utility, before.utility + 1);
    EXPECT_EQ(after.resource, before.resource + 1);
    EXPECT_EQ(after.idle, before.idle + 1);

    // Give back what the unloaded module kept, so that this host can go.
    services->memory().Release();
    services->utility().Release();
    services->resources().Release();
    services->idle().Release();
}

}  // namespace
}  // namespace brumo::test
