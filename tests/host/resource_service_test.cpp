#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "host/common/text.h"
#include "host/services/resource_service.h"
#include "qv/fourcc.h"
#include "qv/strings.h"

using brumo::host::Ref;
using brumo::host::ResourceService;
using brumo::host::textOf;

namespace {

Ref<ResourceService> freshResources() { return Ref<ResourceService>::adopt(new ResourceService); }

const uint32_t kPrim = qv::fourcc("prim");
const uint32_t kFire = qv::fourcc("Fire");

std::string load(ResourceService& resources, int32_t list, int32_t number) {
    TQVFixedString<255> text("untouched");
    resources.loadString(&text, list, number);
    return textOf(&text);
}

}  // namespace

TEST(ResourceService, ServesTheModuleTextsOnlyInsideItsContext) {
    auto resources = freshResources();
    // A module that forgets to push its context reads nothing.
    EXPECT_EQ(load(*resources, 300, 2), "untouched");
    EXPECT_EQ(resources->loadsRefused(), 1u);

    QVResourceContext saved = nullptr;
    resources->pushResourceContext(kPrim, kFire, &saved);
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(resources->openContexts(), 1);
    EXPECT_EQ(load(*resources, 300, 2), "Computing shadows");
    EXPECT_EQ(load(*resources, 300, 3), "Spectral noise");
    EXPECT_EQ(load(*resources, 300, 4), "Turbulence");
    EXPECT_EQ(load(*resources, 300, 5), "Ridged noise");
    EXPECT_EQ(load(*resources, 300, 6), "Fractal noise");
    EXPECT_EQ(load(*resources, 300, 8), "None");
    // Texts that do not exist, or another list, leave the string as it was.
    EXPECT_EQ(load(*resources, 300, 7), "untouched");
    EXPECT_EQ(load(*resources, 301, 2), "untouched");
    resources->popResourceContext(saved);
    EXPECT_EQ(resources->openContexts(), 0);
    EXPECT_EQ(load(*resources, 300, 8), "untouched");
    EXPECT_EQ(resources->loadsServed(), 6u);

    // Another component's context is not the module's.
    resources->pushResourceContext(kPrim, qv::fourcc("Smog"), &saved);
    EXPECT_EQ(load(*resources, 300, 8), "untouched");
    resources->popResourceContext(saved);
}

TEST(ResourceService, NestedContextsRestoreInOrderAndBadPopsAreRefused) {
    auto resources = freshResources();
    QVResourceContext outer = nullptr;
    QVResourceContext inner = nullptr;
    resources->pushResourceContext(kPrim, kFire, &outer);
    resources->pushResourceContext(qv::fourcc("host"), qv::fourcc("Main"), &inner);
    EXPECT_EQ(ResourceService::currentIdentifier(), qv::fourcc("Main"));
    EXPECT_EQ(load(*resources, 300, 8), "untouched");
    resources->popResourceContext(inner);
    EXPECT_EQ(ResourceService::currentFamily(), kPrim);
    EXPECT_EQ(load(*resources, 300, 8), "None");

    resources->popResourceContext(inner);  // popped already
    resources->popResourceContext(nullptr);
    EXPECT_EQ(resources->invalidPops(), 2u);
    EXPECT_EQ(ResourceService::currentFamily(), kPrim);
    resources->popResourceContext(outer);
    EXPECT_EQ(ResourceService::currentFamily(), 0u);
    EXPECT_EQ(resources->openContexts(), 0);

    // A push with nowhere to save the old context changes nothing.
    resources->pushResourceContext(kPrim, kFire, nullptr);
    EXPECT_EQ(ResourceService::currentFamily(), 0u);
}

TEST(ResourceService, ContextsBelongToTheThreadThatPushedThem) {
    auto resources = freshResources();
    QVResourceContext saved = nullptr;
    resources->pushResourceContext(kPrim, kFire, &saved);
    std::string seenByOtherThread;
    std::thread([&] { seenByOtherThread = load(*resources, 300, 3); }).join();
    EXPECT_EQ(seenByOtherThread, "untouched");
    EXPECT_EQ(load(*resources, 300, 3), "Spectral noise");
    resources->popResourceContext(saved);
}

TEST(ResourceService, HostCanReplaceTexts) {
    auto resources = freshResources();
    resources->setModuleString(8, "Keiner");
    EXPECT_EQ(resources->moduleString(8), "Keiner");
    QVResourceContext saved = nullptr;
    resources->pushResourceContext(kPrim, kFire, &saved);
    // A short fixed string keeps what fits.
    TQVString15 text;
    resources->setModuleString(2, "Computing shadows, please wait");
    resources->loadString(&text, 300, 2);
    EXPECT_EQ(textOf(&text), "Computing shado");
    resources->popResourceContext(saved);
}
