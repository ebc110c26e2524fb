#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/common/text.h"
#include "host/services/host_services.h"
#include "qv/strings.h"
#include "tests/support/host_doubles.h"
#include "tests/support/slot_position.h"
#include "tests/support/test_host.h"

using namespace brumo::host;

namespace {

using brumo::test::slotPosition;

class TestShader final : public HostObject<IQVShaderObject> {
public:
    explicit TestShader(std::string name) : name_(std::move(name)) {}
    void QV_CALL shaderInterface(IQVShader** shader) override { fillSlot<IQVShader>(shader, nullptr); }
    void QV_CALL shaderObjectName(TQVString* text) override { setText(text, name_); }

private:
    std::string name_;
};

class TestLight final : public HostObject<IQVLight> {
public:
    void QV_CALL lightKind(int32_t* kind) override { *kind = qv::kDistantLight; }
    void QV_CALL lightDirectionTo(const QVVector3&, QVVector3* direction, float*) override {
        *direction = {0.0f, 0.0f, 1.0f};
    }
    void QV_CALL lightColourAt(const QVVector3&, const QVVector3&, float, QVColourRecord* colour,
                               float*) override {
        *colour = {1.0f, 1.0f, 1.0f, 0.0f};
    }
};

// A scene object that is also a mesh: one object, two interfaces, one reference count.
using brumo::test::FakeMesh;

template <class T>
Ref<T> make(T* object) {
    return Ref<T>::adopt(object);
}

}  // namespace

TEST(HostInterfaces, NamedOperationsSitAtTheirPositions) {
    EXPECT_EQ(slotPosition(&IQVScene::findShader), 4);
    EXPECT_EQ(slotPosition(&IQVScene::findObjectByName), 11);
    EXPECT_EQ(slotPosition(&IQVScene::sceneSizeFactor), 117);
    EXPECT_EQ(slotPosition(&IQVApplication::currentScene), 5);
    EXPECT_EQ(slotPosition(&IQVShellService::application), 91);
    EXPECT_EQ(slotPosition(&IQVShader::evaluateColour), slotPosition(&IQVShader::evaluateValue) + 1);
    EXPECT_EQ(slotPosition(&IQVMesh::meshKind), 4);
    EXPECT_EQ(slotPosition(&IQVMesh::castRay), 6);
    EXPECT_EQ(slotPosition(&IQVMesh::objectShape), 9);
}

TEST(HostServices, AnswersTheFiveServicesWithCountedReferences) {
    auto services = HostServices::create();
    const struct {
        QVGuid iid;
        IQVUnknown* expected;
        int32_t (*count)(HostServices&);
    } rows[] = {
        {qv::IID_MemoryService, &services->memory(), [](HostServices& s) { return s.memory().referenceCount(); }},
        {qv::IID_UtilityService, &services->utility(), [](HostServices& s) { return s.utility().referenceCount(); }},
        {qv::IID_ResourceService, &services->resources(), [](HostServices& s) { return s.resources().referenceCount(); }},
        {qv::IID_ShellService, &services->shell(), [](HostServices& s) { return s.shell().referenceCount(); }},
        {qv::IID_IdleService, &services->idle(), [](HostServices& s) { return s.idle().referenceCount(); }},
    };
    for (const auto& row : rows) {
        void* slot = nullptr;
        ASSERT_EQ(services->QueryInterface(row.iid, &slot), qv::kOk);
        EXPECT_EQ(slot, row.expected);
        EXPECT_EQ(row.count(*services), 2);
        qv::releaseSlot(&slot);
        EXPECT_EQ(row.count(*services), 1);
    }

    // An unknown identifier clears the slot, releasing what it held.
    void* slot = nullptr;
    services->QueryInterface(qv::IID_MemoryService, &slot);
    const QVGuid other = qvGuid(0x12345678, 0, 0, 0, 0);
    EXPECT_EQ(services->QueryInterface(other, &slot), qv::kNoInterface);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(services->memory().referenceCount(), 1);
    EXPECT_EQ(services->referenceCount(), 1);

    // The idle service only counts what long work reports.
    services->idle().idleTick(15);
    services->idle().idleTick(15);
    EXPECT_EQ(services->idle().ticks(), 2u);
    EXPECT_EQ(services->idle().lastMilliseconds(), 15);
}

TEST(HostServices, ModuleHoldsOneReferenceToEachServiceWhileInitialised) {
    HostServices& host = brumo::test::host();
    EXPECT_EQ(host.memory().referenceCount(), 2);
    EXPECT_EQ(host.utility().referenceCount() - host.utility().liveProgressBars(), 2);
    EXPECT_EQ(host.resources().referenceCount(), 2);
    EXPECT_EQ(host.shell().referenceCount(), 2);
    EXPECT_EQ(host.idle().referenceCount(), 2);
}

TEST(Scene, ShellLeadsToTheCurrentSceneAndItsSizeFactor) {
    auto services = HostServices::create();
    IQVApplication* application = services->shell().application();
    ASSERT_NE(application, nullptr);
    IQVScene* scene = nullptr;
    application->currentScene(&scene);
    ASSERT_EQ(scene, &services->scene());
    EXPECT_EQ(scene->sceneSizeFactor(), 1.0f);
    services->scene().setSizeFactor(2.5f);
    EXPECT_EQ(scene->sceneSizeFactor(), 2.5f);

    // A second fill releases the reference the slot held; a scene swap shows through.
    auto replacement = make(new Scene);
    services->setScene(replacement.get());
    EXPECT_EQ(replacement->referenceCount(), 2);
    application->currentScene(&scene);
    EXPECT_EQ(scene, replacement.get());
    EXPECT_EQ(replacement->referenceCount(), 3);
    scene->Release();

    services->setScene(nullptr);
    IQVScene* none = nullptr;
    application->currentScene(&none);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(replacement->referenceCount(), 1);
}

TEST(Scene, FindsShadersLightsAndObjectsByNameAndIndex) {
    auto scene = make(new Scene);
    auto marble = make(new TestShader("Marble"));
    auto wood = make(new TestShader("Wood"));
    auto sun = make(new TestLight);
    auto teapot = make(new FakeMesh("Teapot"));
    scene->addShader(marble.get());
    scene->addShader(wood.get());
    scene->addLight(sun.get());
    scene->addObject(teapot.get());
    EXPECT_EQ(marble->referenceCount(), 2);

    EXPECT_EQ(scene->shaderCount(), 2);
    const TQVString15 woodName("Wood"), lowerCase("wood"), teapotName("Teapot");
    IQVShaderObject* shader = nullptr;
    scene->findShader(&shader, &woodName);
    EXPECT_EQ(shader, wood.get());
    EXPECT_EQ(wood->referenceCount(), 3);
    // The out slot is released before it is filled, also when nothing is found.
    scene->findShader(&shader, &lowerCase);
    EXPECT_EQ(shader, nullptr);
    EXPECT_EQ(wood->referenceCount(), 2);
    scene->shaderAt(&shader, 0);
    EXPECT_EQ(shader, marble.get());
    EXPECT_EQ(shaderName(shader), "Marble");
    scene->shaderAt(&shader, 2);
    EXPECT_EQ(shader, nullptr);
    EXPECT_EQ(marble->referenceCount(), 2);

    EXPECT_EQ(scene->lightCount(), 1);
    IQVLight* light = nullptr;
    scene->lightAt(&light, 0);
    ASSERT_EQ(light, sun.get());
    int32_t kind = 0;
    light->lightKind(&kind);
    EXPECT_EQ(kind, qv::kDistantLight);
    scene->lightAt(&light, -1);
    EXPECT_EQ(light, nullptr);
    EXPECT_EQ(sun->referenceCount(), 2);

    // Objects: by index borrowed, by name counted; the mesh answers through the same count.
    EXPECT_EQ(scene->objectCount(), 1);
    EXPECT_EQ(scene->objectAt(0), static_cast<IQVSceneObject*>(teapot.get()));
    EXPECT_EQ(scene->objectAt(1), nullptr);
    EXPECT_EQ(teapot->referenceCount(), 2);
    IQVSceneObject* object = nullptr;
    scene->findObjectByName(&object, &teapotName);
    ASSERT_NE(object, nullptr);
    void* mesh = nullptr;
    ASSERT_EQ(object->QueryInterface(qv::IID_Mesh, &mesh), qv::kOk);
    EXPECT_EQ(static_cast<IQVMesh*>(mesh)->meshKind(), qv::kTriangleMesh);
    EXPECT_EQ(teapot->referenceCount(), 4);
    qv::releaseSlot(&mesh);
    object->Release();
    EXPECT_EQ(teapot->referenceCount(), 2);

    EXPECT_TRUE(scene->removeShader("Marble"));
    EXPECT_FALSE(scene->removeShader("Marble"));
    EXPECT_EQ(marble->referenceCount(), 1);
    scene->clear();
    EXPECT_EQ(scene->shaderCount() + scene->lightCount() + scene->objectCount(), 0);
    EXPECT_EQ(wood->referenceCount(), 1);
    EXPECT_EQ(sun->referenceCount(), 1);
    EXPECT_EQ(teapot->referenceCount(), 1);
}
