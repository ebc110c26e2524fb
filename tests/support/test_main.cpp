// Test main: sets up the reference host, initialises the statically linked module with it, runs
// the tests, cleans the module up and fails the binary if anything the module took is still out.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "qv/entry_points.h"
#include "qv/memory.h"
#include "tests/support/test_host.h"

namespace brumo::test {

namespace {

host::Ref<host::HostServices>& hostSlot() {
    static host::Ref<host::HostServices> services;
    return services;
}

// What is still out after clean-up; empty when everything came back.
std::string leftovers(const host::HostServices& services) {
    std::string report;
    const host::MemoryCounts memory = services.memory().counts();
    auto add = [&report](const std::string& line) { report += "  " + line + "\n"; };
    if (memory.liveObjects != 0) add(std::to_string(memory.liveObjects) + " live objects");
    if (memory.liveBlocks != 0) add(std::to_string(memory.liveBlocks) + " live blocks");
    if (memory.liveBytes != 0) add(std::to_string(memory.liveBytes) + " live bytes");
    if (memory.invalidFrees != 0)
        add(std::to_string(memory.invalidFrees) + " frees of memory the service did not hand out");
    if (services.resources().openContexts() != 0)
        add(std::to_string(services.resources().openContexts()) +
            " resource contexts pushed and never popped");
    if (services.utility().liveProgressBars() != 0)
        add(std::to_string(services.utility().liveProgressBars()) +
            " progress bars never released");
    const struct {
        const char* name;
        int32_t references;
    } held[] = {{"memory", services.memory().referenceCount()},
                {"utility", services.utility().referenceCount() -
                                services.utility().liveProgressBars()},
                {"resource", services.resources().referenceCount()},
                {"shell", services.shell().referenceCount()},
                {"idle", services.idle().referenceCount()}};
    for (const auto& service : held)
        if (service.references != 1)
            add(std::string("the ") + service.name + " service holds " +
                std::to_string(service.references - 1) + " references besides the host's");
    return report;
}

// After every test: the module holds no more memory and no more components than before it, so
// that a leak is reported by the test that made it.
class PerTestBalance : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override {
        before_ = hostSlot()->memory().counts();
        unloadableBefore_ = QVDllCanUnloadNow() == 0;
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        const host::MemoryCounts after = hostSlot()->memory().counts();
        EXPECT_EQ(after.liveObjects, before_.liveObjects) << "objects the test left with the module";
        EXPECT_EQ(after.liveBlocks, before_.liveBlocks) << "blocks the test left with the module";
        EXPECT_EQ(after.liveBytes, before_.liveBytes) << "bytes the test left with the module";
        EXPECT_EQ(after.invalidFrees, before_.invalidFrees) << "frees of memory the service did not hand out";
        if (unloadableBefore_) {
            EXPECT_EQ(QVDllCanUnloadNow(), 0) << "components still alive after the test";
        }
    }

private:
    host::MemoryCounts before_;
    bool unloadableBefore_ = true;
};

class ModuleEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        hostSlot() = host::HostServices::create();
        qv::memoryServiceSlot() = &hostSlot()->memory();
        QVDllInit(hostSlot().get());
    }
    void TearDown() override {
        if (QVDllCanUnloadNow() != 0) {
            failed = true;
            ADD_FAILURE() << "QVDllCanUnloadNow is not 0 after the last test: components are alive";
        }
        QVDllCleanUp();
        hostSlot()->memory().clearFaults();
        const std::string report = leftovers(*hostSlot());
        if (!report.empty()) {
            failed = true;
            ADD_FAILURE() << "The module did not give everything back after QVDllCleanUp:\n"
                          << report;
        }
    }
    bool failed = false;
};

}  // namespace

host::HostServices& host() { return *hostSlot(); }

}  // namespace brumo::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    auto* environment = new brumo::test::ModuleEnvironment;
    ::testing::AddGlobalTestEnvironment(environment);  // owned by GoogleTest
    ::testing::UnitTest::GetInstance()->listeners().Append(new brumo::test::PerTestBalance);  // owned too
    int status = RUN_ALL_TESTS();
    if (environment->failed) {
        std::fprintf(stderr, "FAILED: memory or services not returned after QVDllCleanUp\n");
        status = 1;
    }
    // Anything freed from here on (static objects) no longer reaches the host.
    qv::memoryServiceSlot() = nullptr;
    return status;
}
