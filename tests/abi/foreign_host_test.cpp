// A host that knows nothing of the module but the six exported names, the class identifiers and
// the positions of the operations it calls: it loads the library, asks for a class factory for
// every class and watches the module's answer to "can unload now".
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdint>
#include <cstring>

#include "host/services/host_services.h"

namespace {

// Identifiers written out here rather than taken from the module's headers.
struct Guid {
    uint32_t d1;
    uint16_t d2, d3;
    uint8_t d4[8];
};

constexpr Guid guid(uint32_t d1, uint16_t d2, uint16_t d3, uint16_t d4a, uint64_t d4b) {
    return {d1, d2, d3,
            {uint8_t(d4a >> 8), uint8_t(d4a), uint8_t(d4b >> 40), uint8_t(d4b >> 32), uint8_t(d4b >> 24),
             uint8_t(d4b >> 16), uint8_t(d4b >> 8), uint8_t(d4b)}};
}

const Guid kClassFactory = guid(0x00000001, 0, 0, 0xC000, 0x000000000046ULL);
const Guid kUnknown = guid(0x00000000, 0, 0, 0xC000, 0x000000000046ULL);
const Guid kClasses[19] = {
    guid(0x32DCE054, 0xD47D, 0x4377, 0x9401, 0x0AEE67074984ULL),
    guid(0xC1654810, 0xDCFE, 0x4C51, 0xB9C3, 0x29449E0EC343ULL),
    guid(0x417E2FDD, 0xE4C8, 0x41A5, 0x8193, 0x9B34F051D925ULL),
    guid(0x8BDE4389, 0x72CF, 0x4AAD, 0xB518, 0x1D9E4DD5BE5BULL),
    guid(0xDCCEE0B2, 0x7979, 0x46AC, 0x92C4, 0xAA62AB65EF30ULL),
    guid(0xF81D3E50, 0xC84E, 0x433A, 0xBA4D, 0xD25E09512483ULL),
    guid(0xB6EAEE03, 0x1F91, 0x4282, 0xB9D3, 0x0D2391AB62F7ULL),
    guid(0x38074E35, 0x6617, 0x4E2F, 0x8C03, 0xB26089431F21ULL),
    guid(0xDDB4D7E8, 0xDF6F, 0x4E04, 0x9DC5, 0x5AD01A425766ULL),
    guid(0xC38CFE2E, 0xE568, 0x45F7, 0x862A, 0xAC84F8F1F0F6ULL),
    guid(0xE230BBA0, 0x5EFF, 0x45D5, 0xBE0D, 0x0FE939A3F6D7ULL),
    guid(0xC2D382C7, 0xB771, 0x4099, 0xB9E9, 0x6018D4030F04ULL),
    guid(0x8C9B9969, 0x0A6C, 0x46FD, 0x8C79, 0x80225C2FC81AULL),
    guid(0xB931D3EE, 0x7698, 0x45D0, 0x82DB, 0x0A8DF05EC9DFULL),
    guid(0x4C73FDE2, 0x6EAA, 0x4C14, 0x8A92, 0xF7A6FB29B85EULL),
    guid(0xAD82F212, 0x41D7, 0x47B2, 0x9C2D, 0x26663D84B51BULL),
    guid(0x00F9FD49, 0xEA08, 0x4BC1, 0x9AE4, 0x4EBBE7FCA672ULL),
    guid(0x6A9BBC69, 0x90D3, 0x45D7, 0xAF6F, 0x25E30666D620ULL),
    guid(0xD460747A, 0xCC3D, 0x41C2, 0x9305, 0xEBBA6681EF90ULL),
};

using Init = int32_t (*)(void*);
using NoArguments = int32_t (*)();
using GetClassObject = int32_t (*)(const Guid&, const Guid&, void**);

// Operations by position (counted from 1): 1 QueryInterface, 2 AddRef, 3 Release,
// 4 CreateInstance, 5 LockServer.
int32_t call(void* object, int position, const Guid& iid, void** out) {
    using Query = int32_t (*)(void*, const Guid&, void**);
    return reinterpret_cast<Query>((*static_cast<void***>(object))[position - 1])(object, iid, out);
}
int32_t call(void* object, int position) {
    using Counting = int32_t (*)(void*);
    return reinterpret_cast<Counting>((*static_cast<void***>(object))[position - 1])(object);
}
int32_t createInstance(void* factory, void* outer, const Guid& iid, void** out) {
    using Create = int32_t (*)(void*, void*, const Guid&, void**);
    return reinterpret_cast<Create>((*static_cast<void***>(factory))[3])(factory, outer, iid, out);
}
int32_t lockServer(void* factory, int32_t lock) {
    using Lock = int32_t (*)(void*, int32_t);
    return reinterpret_cast<Lock>((*static_cast<void***>(factory))[4])(factory, lock);
}

TEST(ForeignHost, FactoriesForAllNineteenClassesKeepTheModuleUntilReleased) {
    auto services = brumo::host::HostServices::create();
    void* library = dlopen(BRUMO_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto init = reinterpret_cast<Init>(dlsym(library, "QVDllInit"));
    auto cleanUp = reinterpret_cast<NoArguments>(dlsym(library, "QVDllCleanUp"));
    auto getClassObject = reinterpret_cast<GetClassObject>(dlsym(library, "QVDllGetClassObject"));
    auto canUnloadNow = reinterpret_cast<NoArguments>(dlsym(library, "QVDllCanUnloadNow"));
    ASSERT_TRUE(init && cleanUp && getClassObject && canUnloadNow);

    ASSERT_EQ(init(static_cast<IQVUnknown*>(services.get())), 0);
    EXPECT_EQ(canUnloadNow(), 0);

    void* factories[19] = {};
    for (int i = 0; i < 19; ++i) {
        ASSERT_EQ(getClassObject(kClasses[i], kClassFactory, &factories[i]), 0) << "class " << i;
        ASSERT_NE(factories[i], nullptr);
        EXPECT_EQ(canUnloadNow(), 1);
        EXPECT_EQ(lockServer(factories[i], 1), 0);

        // A class either builds (and the object goes again) or is not available.
        void* object = nullptr;
        const int32_t created = createInstance(factories[i], nullptr, kUnknown, &object);
        if (created == 0) {
            ASSERT_NE(object, nullptr);
            EXPECT_EQ(call(object, 3), 0) << "class " << i;
        } else {
            EXPECT_EQ(static_cast<uint32_t>(created), 0x8001FFFFu) << "class " << i;
            EXPECT_EQ(object, nullptr);
        }

        // The factory answers both its identifiers with the same object's counts.
        void* unknown = nullptr;
        ASSERT_EQ(call(factories[i], 1, kUnknown, &unknown), 0);
        EXPECT_EQ(call(unknown, 2), 3);
        EXPECT_EQ(call(unknown, 3), 2);
        EXPECT_EQ(call(unknown, 3), 1);
    }
    for (int i = 0; i < 19; ++i) {
        EXPECT_EQ(canUnloadNow(), 1);
        EXPECT_EQ(call(factories[i], 3), 0);
    }
    EXPECT_EQ(canUnloadNow(), 0);

    EXPECT_EQ(cleanUp(), 0);
    EXPECT_TRUE(services->memory().balanced());
    dlclose(library);
}

}  // namespace
