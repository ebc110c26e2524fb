#include <gtest/gtest.h>

#include <string>

#include "host/loader/module_loader.h"
#include "host/services/host_services.h"
#include "qv/result_codes.h"

using brumo::host::HostServices;
using brumo::host::ModuleLoader;
using brumo::host::ModuleLoadError;

namespace {

std::string loadError(const std::string& path) {
    try {
        ModuleLoader loader(path);
    } catch (const ModuleLoadError& error) {
        return error.what();
    }
    return "";
}

}  // namespace

TEST(ModuleLoader, ErrorsNameThePathAndTheMissingEntryPoint) {
    const std::string missing = "/nonexistent/folder/libnothing.so";
    const std::string notFound = loadError(missing);
    EXPECT_NE(notFound.find("cannot load module"), std::string::npos) << notFound;
    EXPECT_NE(notFound.find(missing), std::string::npos) << notFound;

    // A real library that is not a module: the first entry point looked up is missing.
    const std::string notModule = loadError("libm.so.6");
    EXPECT_NE(notModule.find("libm.so.6"), std::string::npos) << notModule;
    EXPECT_NE(notModule.find("does not export the entry point QVDllInit"), std::string::npos)
        << notModule;
}

TEST(ModuleLoader, LoadsTheBuiltModuleAndBalancesEverythingAtCleanUp) {
    // A second host, separate from the one the statically linked module uses.
    auto services = HostServices::create();
    {
        ModuleLoader module(BRUMO_MODULE_PATH);
        EXPECT_EQ(module.initialise(services.get()), qv::kOk);
        EXPECT_TRUE(module.initialised());
        // The module keeps one counted reference to each service while initialised.
        EXPECT_EQ(services->memory().referenceCount(), 2);
        EXPECT_EQ(services->utility().referenceCount(), 2);
        EXPECT_EQ(services->resources().referenceCount(), 2);
        EXPECT_EQ(services->shell().referenceCount(), 2);
        EXPECT_EQ(services->idle().referenceCount(), 2);

        // A class id outside the class table gives a factory that cannot create anything.
        const QVGuid unknown = qvGuid(0x01234567, 0x89AB, 0xCDEF, 0x0123, 0x456789ABCDEFULL);
        void* object = nullptr;
        EXPECT_EQ(module.createInstance(unknown, qv::IID_IQVUnknown, &object),
                  qv::kClassNotAvailable);
        EXPECT_EQ(object, nullptr);
        EXPECT_TRUE(module.canUnloadNow());

        EXPECT_EQ(module.cleanUp(), qv::kOk);
        EXPECT_EQ(module.cleanUp(), qv::kOk);  // once only
    }
    EXPECT_FALSE(ModuleLoader::lastCloseSkipped());
    EXPECT_EQ(services->memory().referenceCount(), 1);
    EXPECT_EQ(services->utility().referenceCount(), 1);
    EXPECT_EQ(services->resources().referenceCount(), 1);
    EXPECT_EQ(services->shell().referenceCount(), 1);
    EXPECT_EQ(services->idle().referenceCount(), 1);
    EXPECT_TRUE(services->memory().balanced());
    EXPECT_GT(services->memory().counts().allocations, 0u);  // the module did allocate through it
}
