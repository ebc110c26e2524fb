// The class factory and the class table through the exported entry points of the statically
// linked module (initialised by the test main).
#include <gtest/gtest.h>

#include "brumo/class_ids.h"
#include "frame/module_state.h"
#include "host/services/utility_service.h"
#include "module/class_table.h"
#include "qv/class_factory.h"
#include "qv/data_exchanger.h"
#include "qv/entry_points.h"
#include "tests/support/raised.h"
#include "tests/support/test_host.h"

namespace brumo::test {
namespace {

const QVGuid kUnknownClass = qvGuid(0x0BAD0BAD, 0x0001, 0x0002, 0x0304, 0x050607080910ULL);

IQVClassFactory* factoryFor(const QVGuid& classId) {
    void* out = nullptr;
    EXPECT_EQ(QVDllGetClassObject(classId, qv::IID_IClassFactory, &out), qv::kOk);
    return static_cast<IQVClassFactory*>(out);
}

TEST(ClassTable, HoldsTheNineteenClassesInOrder) {
    const ClassTableRow* rows = classTable();
    for (int i = 0; i < kClassCount; ++i) {
        EXPECT_TRUE(rows[i].classId == kClassList[i].classId) << kClassList[i].name;
        EXPECT_EQ(findClass(kClassList[i].classId), &rows[i]) << kClassList[i].name;
        for (int j = 0; j < i; ++j)
            EXPECT_FALSE(kClassList[i].classId == kClassList[j].classId) << kClassList[i].name;
    }
    EXPECT_EQ(findClass(kUnknownClass), nullptr);
}

TEST(ClassFactory, UnknownClassGivesAFactoryWhoseCreationFails) {
    IQVClassFactory* factory = factoryFor(kUnknownClass);
    ASSERT_NE(factory, nullptr);
    void* sentinel = reinterpret_cast<void*>(0x1234);
    void* out = sentinel;
    EXPECT_EQ(factory->CreateInstance(nullptr, qv::IID_IQVUnknown, &out), qv::kClassNotAvailable);
    EXPECT_EQ(out, sentinel);
    EXPECT_EQ(factory->Release(), 0);
}

TEST(ClassFactory, EveryRowEitherBuildsItsClassOrSaysItIsNotAvailable) {
    for (int i = 0; i < kClassCount; ++i) {
        IQVClassFactory* factory = factoryFor(kClassList[i].classId);
        ASSERT_NE(factory, nullptr);
        void* out = nullptr;
        const QVResult result = factory->CreateInstance(nullptr, qv::IID_IQVUnknown, &out);
        if (classTable()[i].create == nullptr) {
            EXPECT_EQ(result, qv::kClassNotAvailable) << kClassList[i].name;
            EXPECT_EQ(out, nullptr);
        } else {
            EXPECT_EQ(result, qv::kOk) << kClassList[i].name;
            ASSERT_NE(out, nullptr);
            EXPECT_EQ(static_cast<IQVUnknown*>(out)->Release(), 0) << kClassList[i].name;
        }
        factory->Release();
    }
}

// The host's random sequence is shared by every component, so a construction that draws more or
// less than it should changes the seeds of everything created after it. Every lattice draws its
// seed when it is created; the noise modifier draws a second value for its block and builds its
// lattice at once (two reseeds, a draw per swap and per gradient).
TEST(ClassFactory, EachConstructionDrawsFromTheHostsRandomSequenceExactlyAsWritten) {
    struct Use {
        uint64_t draws, reseeds;
    };
    auto expectedUse = [](const ClassListEntry& entry) -> Use {
        if (entry.classId == CLSID_Clouds) return {2, 0};  // its own lattice and the puff lattice
        if (entry.classId == CLSID_NoiseModifier) return {2 + 256 + 256, 2};
        return entry.kind == ClassKind::effect ? Use{1, 0} : Use{0, 0};
    };
    for (const ClassListEntry& entry : kClassList) {
        IQVClassFactory* factory = factoryFor(entry.classId);
        ASSERT_NE(factory, nullptr);
        const host::RandomUse before = host::UtilityService::randomUseOnThisThread();
        void* out = nullptr;
        ASSERT_EQ(factory->CreateInstance(nullptr, qv::IID_IQVUnknown, &out), qv::kOk) << entry.name;
        const host::RandomUse after = host::UtilityService::randomUseOnThisThread();
        EXPECT_EQ(after.draws - before.draws, expectedUse(entry).draws) << entry.name;
        EXPECT_EQ(after.reseeds - before.reseeds, expectedUse(entry).reseeds) << entry.name;
        static_cast<IQVUnknown*>(out)->Release();
        factory->Release();
    }
}

TEST(ClassFactory, AnswersItsTwoInterfacesAndNothingElse) {
    const int32_t liveBefore = liveObjectCount();
    void* out = nullptr;
    EXPECT_EQ(QVDllGetClassObject(CLSID_Smog, qv::IID_IExDataExchanger, &out), qv::kNoInterface);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(liveObjectCount(), liveBefore);

    ASSERT_EQ(QVDllGetClassObject(CLSID_Smog, qv::IID_IQVUnknown, &out), qv::kOk);
    auto* unknown = static_cast<IQVUnknown*>(out);
    void* factory = nullptr;
    ASSERT_EQ(unknown->QueryInterface(qv::IID_IClassFactory, &factory), qv::kOk);
    EXPECT_NE(factory, out);
    EXPECT_EQ(static_cast<IQVClassFactory*>(factory)->LockServer(1), qv::kOk);
    EXPECT_EQ(static_cast<IQVUnknown*>(factory)->Release(), 1);
    EXPECT_EQ(unknown->Release(), 0);
    EXPECT_EQ(liveObjectCount(), liveBefore);
}

TEST(ClassFactory, CanUnloadNowCountsFactoriesAndIgnoresLockServer) {
    ASSERT_EQ(QVDllCanUnloadNow(), 0);
    IQVClassFactory* factory = factoryFor(CLSID_Clouds);
    EXPECT_EQ(QVDllCanUnloadNow(), 1);
    EXPECT_EQ(factory->LockServer(1), qv::kOk);
    EXPECT_EQ(factory->Release(), 0);
    EXPECT_EQ(QVDllCanUnloadNow(), 0);
    factory = factoryFor(CLSID_Clouds);
    factory->LockServer(0);
    factory->Release();
    EXPECT_EQ(QVDllCanUnloadNow(), 0);
}

TEST(ClassFactory, FactoryWithoutMemoryRaisesOutOfMemory) {
    host().memory().failNthAllocation(1);
    void* out = nullptr;
    const TQVException error = raisedBy([&] { QVDllGetClassObject(CLSID_Fire, qv::IID_IClassFactory, &out); });
    EXPECT_EQ(error.code, qv::kOutOfMemory);
    EXPECT_STREQ(error.sourceName, "QVCountedPtrHelper");
    EXPECT_EQ(error.line, 166);
    host().memory().clearFaults();
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(QVDllCanUnloadNow(), 0);
}

TEST(ClassFactory, TranslatorEntryPointsAnswerZero) {
    EXPECT_EQ(QVDllInitExceptionTranslator(), 0);
    EXPECT_EQ(QVDllCleanUpExceptionTranslator(), 0);
}

}  // namespace
}  // namespace brumo::test
