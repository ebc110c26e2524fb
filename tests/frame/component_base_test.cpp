// The component base classes through their interfaces: queries and reference counts,
// aggregation, the defaults of every slot, sampling sizes and the editor part's forwarding.
#include <gtest/gtest.h>

#include <cmath>

#include "frame/module_state.h"
#include "module/class_factory.h"
#include "qv/strings.h"
#include "tests/frame/frame_doubles.h"
#include "tests/support/raised.h"
#include "tests/support/test_host.h"

namespace brumo::test {
namespace {

// Creates an object the way the factory does and hands back the requested interface.
template <class Object, class Interface>
Interface* create(const QVGuid& iid, IQVUnknown* outer = nullptr) {
    void* out = nullptr;
    EXPECT_EQ(createComponent(&createInstanceOf<Object>, outer, iid, &out), qv::kOk);
    return static_cast<Interface*>(out);
}

TEST(ComponentQueries, AnswerOwnInterfacesWithOneObjectAndCountReferences) {
    const int32_t liveBefore = liveObjectCount();
    auto* exchanger = create<BoxPrimitive, IExDataExchanger>(qv::IID_IExDataExchanger);
    ASSERT_NE(exchanger, nullptr);
    EXPECT_EQ(liveObjectCount(), liveBefore + 1);

    void* geometric = nullptr;
    void* unknown = nullptr;
    ASSERT_EQ(exchanger->QueryInterface(qv::IID_I3DExGeometricPrimitive, &geometric), qv::kOk);
    ASSERT_EQ(exchanger->QueryInterface(qv::IID_IQVUnknown, &unknown), qv::kOk);
    EXPECT_NE(geometric, static_cast<void*>(exchanger));
    EXPECT_NE(unknown, static_cast<void*>(exchanger));

    // Three references are held now; the object goes with the last.
    EXPECT_EQ(static_cast<IQVUnknown*>(geometric)->AddRef(), 4);
    EXPECT_EQ(static_cast<IQVUnknown*>(geometric)->Release(), 3);
    EXPECT_EQ(static_cast<IQVUnknown*>(unknown)->Release(), 2);
    EXPECT_EQ(static_cast<IQVUnknown*>(geometric)->Release(), 1);
    EXPECT_EQ(liveObjectCount(), liveBefore + 1);
    EXPECT_EQ(exchanger->Release(), 0);
    EXPECT_EQ(liveObjectCount(), liveBefore);
}

TEST(ComponentQueries, OutSlotIsReleasedBeforeItIsFilledAlsoWhenTheQueryFails) {
    auto* primitive = create<BoxPrimitive, IQVUnknown>(qv::IID_IQVUnknown);
    CountingUnknown held;
    held.references = 2;

    void* slot = static_cast<IQVUnknown*>(&held);
    EXPECT_EQ(primitive->QueryInterface(qv::IID_IMFExPart, &slot), qv::kNoInterface);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(held.references, 1);

    slot = static_cast<IQVUnknown*>(&held);
    EXPECT_EQ(primitive->QueryInterface(qv::IID_IExDataExchanger, &slot), qv::kOk);
    EXPECT_NE(slot, nullptr);
    EXPECT_EQ(held.references, 0);
    static_cast<IQVUnknown*>(slot)->Release();

    // A slot that already holds the object itself keeps the object alive through the query.
    slot = primitive;
    primitive->AddRef();
    EXPECT_EQ(primitive->QueryInterface(qv::IID_IQVUnknown, &slot), qv::kOk);
    EXPECT_EQ(slot, static_cast<void*>(primitive));
    EXPECT_EQ(primitive->Release(), 1);
    EXPECT_EQ(primitive->QueryInterface(qv::IID_IQVUnknown, nullptr), qv::kNoInterface);
    EXPECT_EQ(primitive->Release(), 0);
}

TEST(ComponentQueries, ReleaseBelowZeroRaisesMinusTwo) {
    auto* primitive = create<BoxPrimitive, IQVUnknown>(qv::IID_IQVUnknown);
    auto* box = static_cast<BoxPrimitive*>(static_cast<TBasicUnknown*>(primitive));
    box->setReferenceCount(0);
    const TQVException error = raisedBy([&] { primitive->Release(); });
    EXPECT_EQ(error.code, -2);
    EXPECT_EQ(static_cast<uint32_t>(error.code), 0xFFFFFFFEu);
    box->setReferenceCount(1);
    EXPECT_EQ(primitive->Release(), 0);
}

TEST(ComponentAggregation, OwnInterfacesStayInsideAndEverythingElseGoesToTheOuter) {
    CountingUnknown outer;
    const int32_t liveBefore = liveObjectCount();
    auto* exchanger = create<BoxPrimitive, IExDataExchanger>(qv::IID_IExDataExchanger, &outer);
    ASSERT_NE(exchanger, nullptr);
    // The query's reference and the factory's release both went to the outer.
    EXPECT_EQ(outer.references, 1);
    EXPECT_EQ(outer.addRefs, 1);
    EXPECT_EQ(outer.releases, 1);

    // The object's own counts are the outer's.
    outer.references = 5;
    EXPECT_EQ(exchanger->AddRef(), 6);
    EXPECT_EQ(exchanger->Release(), 5);

    void* found = nullptr;
    EXPECT_EQ(exchanger->QueryInterface(qv::IID_I3DExGeometricPrimitive, &found), qv::kOk);
    EXPECT_EQ(outer.queries, 0);
    static_cast<IQVUnknown*>(found)->Release();
    EXPECT_EQ(exchanger->QueryInterface(outer.extraIid, &found), qv::kOk);
    EXPECT_EQ(found, static_cast<void*>(static_cast<IQVUnknown*>(&outer)));
    EXPECT_EQ(outer.queries, 1);
    static_cast<IQVUnknown*>(found)->Release();
    EXPECT_EQ(exchanger->QueryInterface(qv::IID_IMFExPart, &found), qv::kNoInterface);
    EXPECT_EQ(found, nullptr);

    // The inner object goes exactly when the outer answers -1.
    outer.references = 2;
    EXPECT_EQ(exchanger->Release(), 1);
    EXPECT_EQ(liveObjectCount(), liveBefore + 1);
    EXPECT_EQ(exchanger->Release(), -1);
    EXPECT_EQ(liveObjectCount(), liveBefore);
}

TEST(ComponentAggregation, FailedQueryDestroysTheObjectAtOnceAndLeavesTheOuterAsItWas) {
    CountingUnknown outer;
    const int32_t liveBefore = liveObjectCount();
    void* out = nullptr;
    EXPECT_EQ(createComponent(&createInstanceOf<BoxPrimitive>, &outer, qv::IID_IMFExPart, &out),
              qv::kNoInterface);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(liveObjectCount(), liveBefore);
    EXPECT_EQ(outer.references, 1);
    EXPECT_EQ(outer.addRefs, 0);
    EXPECT_EQ(outer.releases, 0);
    EXPECT_EQ(outer.queries, 1);  // the identifier was offered to the outer first
}

TEST(DataExchangerDefaults, EverySlotAnswersItsDefault) {
    auto* exchanger = create<BoxPrimitive, IExDataExchanger>(qv::IID_IExDataExchanger);
    CountingUnknown held;
    held.references = 2;
    void* slot = static_cast<IQVUnknown*>(&held);
    exchanger->exchangerSlot4(&slot, 3);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(held.references, 1);

    EXPECT_TRUE(exchanger->exchangerSlot5(1));
    EXPECT_EQ(exchanger->exchangerSlot6(1, 2), qv::kNotImplemented);
    EXPECT_EQ(exchanger->exchangerSlot7(1, 2), qv::kNotImplemented);
    EXPECT_EQ(exchanger->parameterBlock(), nullptr);
    EXPECT_EQ(exchanger->parametersChanged(), qv::kOk);
    EXPECT_EQ(exchanger->exchangerSlot10(1, 2, 3), qv::kNotImplemented);
    EXPECT_EQ(exchanger->handleEvent(5, nullptr, nullptr), qv::kNotImplemented);
    int32_t value = 99;
    exchanger->exchangerSlot12(&value);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(exchanger->exchangerSlot13(), 0);
    EXPECT_EQ(exchanger->exchangerSlot14(), 0);
    EXPECT_EQ(exchanger->exchangerSlot15(), qv::kNotImplemented);
    EXPECT_EQ(exchanger->exchangerSlot16(), qv::kExchangeDefault);
    EXPECT_EQ(exchanger->exchangerSlot17(4), qv::kExchangeDefault);
    const TQVException error = raisedBy([&] { exchanger->parameterBlockSize(); });
    EXPECT_EQ(error.code, qv::kMissingOperation);
    exchanger->Release();
}

TEST(GeometricPrimitiveDefaults, EverySlotAnswersItsDefault) {
    auto* geometry = create<PlainPrimitive, I3DExGeometricPrimitive>(qv::IID_I3DExGeometricPrimitive);
    QVBox box{};
    for (auto call : {&I3DExGeometricPrimitive::queryBounds, &I3DExGeometricPrimitive::geometrySlot5}) {
        const TQVException error = raisedBy([&] { (geometry->*call)(&box); });
        EXPECT_EQ(error.code, qv::kMissingOperation);
    }
    const TQVException error = raisedBy([&] { geometry->geometrySlot45(); });
    EXPECT_EQ(error.code, 0);

    CountingUnknown held;
    held.references = 10;
    void* slot = static_cast<IQVUnknown*>(&held);
    EXPECT_EQ(geometry->geometrySlot10(1, &slot), qv::kNotImplemented);
    EXPECT_EQ(slot, nullptr);
    slot = static_cast<IQVUnknown*>(&held);
    EXPECT_EQ(geometry->geometrySlot12(&slot), qv::kNotImplemented);
    EXPECT_EQ(slot, nullptr);
    slot = static_cast<IQVUnknown*>(&held);
    geometry->geometrySlot13(&slot);
    EXPECT_EQ(slot, nullptr);
    slot = static_cast<IQVUnknown*>(&held);
    geometry->geometrySlot27(&slot, 1);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(held.references, 6);

    int32_t a = 7, b = 8, c = 9;
    geometry->geometrySlot28(&a, &b, &c);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(c, 0);

    EXPECT_EQ(geometry->geometrySlot6(3), 1);
    EXPECT_EQ(geometry->geometrySlot30(3), 1);
    EXPECT_EQ(geometry->geometrySlot38(), 1.0f);
    EXPECT_EQ(geometry->geometrySlot17(), 0);
    EXPECT_EQ(geometry->geometrySlot36(), 0);
    EXPECT_EQ(geometry->geometrySlot44(), 0);
    for (QVResult result :
         {geometry->geometrySlot7(1, 2, 3), geometry->geometrySlot16(1, 2), geometry->geometrySlot18(1, 2),
          geometry->geometrySlot20(1, 2), geometry->geometrySlot21(1, 2, 3, 4),
          geometry->geometrySlot22(1, 2), geometry->geometrySlot23(1, 2)})
        EXPECT_EQ(result, qv::kNotImplemented);
    for (bool answer :
         {geometry->geometrySlot11(), geometry->geometrySlot15(), geometry->geometrySlot19(),
          geometry->geometrySlot24(), geometry->geometrySlot25(), geometry->geometrySlot26(),
          geometry->geometrySlot31(), geometry->geometrySlot33(), geometry->geometrySlot34(),
          geometry->geometrySlot37(), geometry->geometrySlot40(1, 2), geometry->geometrySlot41(1, 2),
          geometry->geometrySlot42(), geometry->geometrySlot48(1)})
        EXPECT_FALSE(answer);
    geometry->Release();
}

// The test primitive behind its geometric interface.
BoxPrimitive* boxOf(I3DExGeometricPrimitive* geometry) {
    return static_cast<BoxPrimitive*>(
        static_cast<TBasicPrimitive*>(static_cast<TGeometricPrimitiveDefaults*>(geometry)));
}

TEST(GeometricPrimitiveDefaults, FifthSlotPassesOnToQueryBounds) {
    auto* geometry = create<BoxPrimitive, I3DExGeometricPrimitive>(qv::IID_I3DExGeometricPrimitive);
    QVBox box{};
    EXPECT_EQ(geometry->geometrySlot5(&box), &box);
    EXPECT_EQ(box.max.z, 4.0f);
    EXPECT_EQ(boxOf(geometry)->boundsQueries, 1);
    geometry->Release();
}

TEST(SamplingSizes, FollowTheBoundsAndTheScale) {
    auto* geometry = create<BoxPrimitive, I3DExGeometricPrimitive>(qv::IID_I3DExGeometricPrimitive);
    BoxPrimitive* box = boxOf(geometry);
    float fine = 0.0f;
    float coarse = 0.0f;

    // A box flat in one axis takes the median edge: edges 0, 2, 4 at scale 1.
    box->samplingSizes(&fine, &coarse);
    EXPECT_EQ(fine, 2.0f / 256.0f);
    EXPECT_EQ(coarse, 1.0f);

    box->scale = 2.0f;
    box->samplingSizes(&fine, &coarse);
    EXPECT_EQ(fine, 2.0f / 512.0f);
    EXPECT_EQ(coarse, 0.5f);

    // A tiny box is held at the smallest fine size; no positive scale gives exactly that size.
    box->scale = 1.0f;
    box->bounds = {{0.0f, 0.0f, 0.0f}, {0.01f, 0.01f, 0.01f}};
    box->samplingSizes(&fine, &coarse);
    EXPECT_EQ(fine, 0.0002441f);
    EXPECT_EQ(coarse, 0.0025f);
    box->bounds = {{-4.0f, -4.0f, -4.0f}, {4.0f, 4.0f, 4.0f}};
    box->scale = 0.0f;
    box->samplingSizes(&fine, &coarse);
    EXPECT_EQ(fine, 0.0002441f);
    box->scale = -1.0f;
    box->samplingSizes(&fine, &coarse);
    EXPECT_EQ(fine, 0.0002441f);
    EXPECT_EQ(coarse, -2.0f);
    geometry->Release();
}

TEST(SamplingSizes, LevelCountAndLevelSizeDoubleTheFineSize) {
    auto* geometry = create<BoxPrimitive, I3DExGeometricPrimitive>(qv::IID_I3DExGeometricPrimitive);
    BoxPrimitive* box = boxOf(geometry);
    int16_t count = 0;
    float size = 0.0f;

    // From the bounds: fine 2/256, coarse 1 gives 2/256 → ... → 256/256, eight levels.
    EXPECT_EQ(geometry->levelCount(&count), qv::kOk);
    EXPECT_EQ(count, 8);

    box->fixedSizes = true;
    box->fixedFine = 1.0f;
    box->fixedCoarse = 5.0f;
    EXPECT_EQ(geometry->levelCount(&count), qv::kOk);
    EXPECT_EQ(count, 4);  // 1 → 2 → 4 → 8
    box->fixedCoarse = 1.0f;
    geometry->levelCount(&count);
    EXPECT_EQ(count, 1);
    box->fixedCoarse = 0.5f;
    geometry->levelCount(&count);
    EXPECT_EQ(count, 1);
    // A fine size that cannot grow stops at the largest count instead of looping.
    box->fixedFine = 0.0f;
    geometry->levelCount(&count);
    EXPECT_EQ(count, INT16_MAX);

    box->fixedFine = 0.75f;
    const struct {
        int16_t level;
        float size;
    } levels[] = {{-3, 0.75f}, {0, 0.75f}, {1, 0.75f}, {2, 1.5f}, {3, 3.0f}, {10, 384.0f}};
    for (const auto& level : levels) {
        EXPECT_EQ(geometry->levelSize(level.level, &size), qv::kOk);
        EXPECT_EQ(size, level.size) << "level " << level.level;
    }
    geometry->Release();
}

TEST(PrimitivePrimaryOperations, FillTextUnitScaleAndTheDeletingDestructor) {
    const auto memoryBefore = host().memory().counts();
    const int32_t liveBefore = liveObjectCount();
    auto* primitive = new PlainPrimitive();
    ASSERT_NE(primitive, nullptr);
    EXPECT_EQ(host().memory().counts().liveObjects, memoryBefore.liveObjects + 1);
    EXPECT_EQ(primitive->unitScale(), 1.0f);

    TQVHeapString text("some text");
    primitive->fillText(&text);
    EXPECT_EQ(text.byteLength, 0);
    EXPECT_STREQ(text.text(), "");

    // Without bit 0 the object is destroyed but its memory stays with the caller.
    primitive->deleteThis(0);
    EXPECT_EQ(liveObjectCount(), liveBefore);
    EXPECT_EQ(host().memory().counts().liveObjects, memoryBefore.liveObjects + 1);
    TQVObject::operator delete(primitive);
    EXPECT_EQ(host().memory().counts().liveObjects, memoryBefore.liveObjects);

    primitive = new PlainPrimitive();
    primitive->deleteThis(1);
    EXPECT_EQ(liveObjectCount(), liveBefore);
    EXPECT_EQ(host().memory().counts().liveObjects, memoryBefore.liveObjects);
}

TEST(ObjectAllocation, FailedAllocationYieldsNullAndAThrowingConstructorGivesTheMemoryBack) {
    const auto memoryBefore = host().memory().counts();
    const int32_t liveBefore = liveObjectCount();
    host().memory().failNthAllocation(1);
    EXPECT_EQ(new PlainPrimitive(), nullptr);
    EXPECT_EQ(liveObjectCount(), liveBefore);
    host().memory().clearFaults();

    void* out = nullptr;
    const TQVException error = raisedBy([&] {
        createComponent(&createInstanceOf<FailingPrimitive>, nullptr, qv::IID_IQVUnknown, &out);
    });
    EXPECT_EQ(error.code, qv::kEditorPartError);
    EXPECT_STREQ(error.sourceName, "FailingPrimitive");
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(liveObjectCount(), liveBefore);
    EXPECT_EQ(host().memory().counts().liveObjects, memoryBefore.liveObjects);
    EXPECT_EQ(host().memory().counts().invalidFrees, memoryBefore.invalidFrees);
}

TEST(DataComponent, PrimaryInterfaceComesFirstAndTheUnknownIsTheExchangersBase) {
    auto* component = create<TestModifier, I3DExDataComponent>(qv::IID_I3DExDataComponent);
    void* modifier = nullptr;
    void* unknown = nullptr;
    void* exchanger = nullptr;
    ASSERT_EQ(component->QueryInterface(brumo::IID_IVolumeModifier, &modifier), qv::kOk);
    ASSERT_EQ(component->QueryInterface(qv::IID_IQVUnknown, &unknown), qv::kOk);
    ASSERT_EQ(component->QueryInterface(qv::IID_IExDataExchanger, &exchanger), qv::kOk);
    EXPECT_EQ(modifier, static_cast<void*>(component));
    EXPECT_NE(unknown, static_cast<void*>(component));
    EXPECT_NE(unknown, exchanger);

    EXPECT_EQ(component->componentSlot4(1), qv::kNotImplemented);
    EXPECT_TRUE(component->componentSlot5(1));
    component->componentSlot6(1);
    EXPECT_FALSE(component->componentSlot7(1));
    EXPECT_FALSE(component->componentSlot8(1));
    EXPECT_FALSE(component->componentSlot9());
    EXPECT_EQ(static_cast<IExDataExchanger*>(exchanger)->parameterBlock(), nullptr);

    static_cast<IQVUnknown*>(modifier)->Release();
    static_cast<IQVUnknown*>(exchanger)->Release();
    EXPECT_EQ(static_cast<IQVUnknown*>(unknown)->Release(), 1);
    EXPECT_EQ(component->Release(), 0);
}

TEST(EditorPartDefaults, EverySlotAnswersItsDefault) {
    auto* part = create<PlainPart, IMFExPart>(qv::IID_IMFExPart);
    void* found = nullptr;
    ASSERT_EQ(part->QueryInterface(qv::IID_IMFExResponder, &found), qv::kOk);
    auto* responder = static_cast<IMFExResponder*>(found);

    EXPECT_FALSE(responder->receiveMessage(5, nullptr, nullptr));
    EXPECT_FALSE(responder->responderSlot5(1));
    EXPECT_FALSE(responder->responderSlot7(1));
    EXPECT_FALSE(responder->responderSlot9(1, 2));
    CountingUnknown held;
    held.references = 10;
    void* slots[3] = {static_cast<IQVUnknown*>(&held), static_cast<IQVUnknown*>(&held),
                      static_cast<IQVUnknown*>(&held)};
    EXPECT_FALSE(responder->responderSlot10(&slots[0], 1, 2));
    EXPECT_EQ(slots[0], nullptr);
    slots[0] = static_cast<IQVUnknown*>(&held);
    EXPECT_FALSE(responder->responderSlot11(&slots[0], 2, &slots[1], &slots[2], 5, 6, 7));
    EXPECT_EQ(slots[0], nullptr);
    EXPECT_EQ(slots[1], nullptr);
    EXPECT_EQ(slots[2], nullptr);
    slots[0] = static_cast<IQVUnknown*>(&held);
    part->partSlot22(1, 2, 3, &slots[0], 5);
    EXPECT_EQ(slots[0], nullptr);
    EXPECT_EQ(held.references, 5);

    for (bool answer : {part->partSlot8(1, 2), part->partSlot16(1, 2), part->partSlot17(1, 2),
                        part->partSlot21(1, 2, 3), part->partSlot23(1, 2), part->partSlot24(1, 2),
                        part->partSlot25(1, 2, 3), part->partSlot27(1, 2, 3),
                        part->readInitData(qv::fourcc("Type"), nullptr), part->partSlot32()})
        EXPECT_FALSE(answer);
    int32_t value = 9;
    part->prepareContent(&value, 1, 2);
    EXPECT_EQ(value, 0);
    value = 9;
    part->partSlot26(21, &value);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(part->partSlot30(), 0);
    EXPECT_EQ(part->partSlot33(), -1);

    // Without an outer there is no host part: the forwarding slots do nothing.
    part->partSlot9(1, 2);
    part->partSlot18(1, 2);
    responder->responderSlot12(3);

    responder->Release();
    EXPECT_EQ(part->Release(), 0);
}

TEST(EditorPartDefaults, TwentySixthSlotStoresThePrimaryFourthOperation) {
    auto* part = create<DoublingPart, IMFExPart>(qv::IID_IMFExPart);
    int32_t value = 0;
    part->partSlot26(21, &value);
    EXPECT_EQ(value, 42);
    part->Release();
}

TEST(EditorPartForwarding, HostPartIsFetchedOnceAndLetGoOnDetach) {
    FakeHostPart hostPart;
    auto* part = create<PlainPart, IMFExPart>(qv::IID_IMFExPart, static_cast<IMFPart*>(&hostPart));
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(hostPart.references, 1);  // the caller's reference is counted by the outer

    part->partSlot9(11, 12);
    EXPECT_EQ(hostPart.lastOperation, 53);
    EXPECT_EQ(hostPart.lastFirst, 11);
    EXPECT_EQ(hostPart.lastSecond, 12);
    part->partSlot10(13, 14);
    EXPECT_EQ(hostPart.lastOperation, 54);
    EXPECT_EQ(hostPart.lastSecond, 14);
    part->partSlot11(15);
    EXPECT_EQ(hostPart.lastOperation, 55);
    EXPECT_EQ(hostPart.lastFirst, 15);
    EXPECT_EQ(hostPart.partQueries, 1);
    EXPECT_EQ(hostPart.references, 2);  // the part keeps its host part

    // The 18th slot and the responder's last slot ask afresh and let go at once.
    part->partSlot18(16, 17);
    EXPECT_EQ(hostPart.lastOperation, 5);
    EXPECT_EQ(hostPart.lastFirst, 16);
    EXPECT_EQ(hostPart.lastSecond, 17);
    part->partSlot18(16, 17);
    EXPECT_EQ(hostPart.partQueries, 3);
    void* found = nullptr;
    ASSERT_EQ(part->QueryInterface(qv::IID_IMFExResponder, &found), qv::kOk);
    auto* responder = static_cast<IMFExResponder*>(found);
    responder->responderSlot12(18);
    EXPECT_EQ(hostPart.lastOperation, 109);
    EXPECT_EQ(hostPart.lastFirst, 18);
    EXPECT_EQ(hostPart.responderQueries, 1);
    responder->Release();
    EXPECT_EQ(hostPart.references, 2);

    part->detachPart();
    EXPECT_EQ(hostPart.references, 1);
    hostPart.lastOperation = 0;
    part->partSlot9(1, 2);
    EXPECT_EQ(hostPart.lastOperation, 0);
    EXPECT_EQ(hostPart.partQueries, 3);

    // The last reference goes: the part goes with the outer's -1.
    const int32_t liveBefore = liveObjectCount();
    EXPECT_EQ(part->Release(), -1);
    EXPECT_EQ(liveObjectCount(), liveBefore - 1);
}

TEST(EditorPartForwarding, DestroyingThePartReleasesItsHostPart) {
    FakeHostPart hostPart;
    auto* part = create<PlainPart, IMFExPart>(qv::IID_IMFExPart, static_cast<IMFPart*>(&hostPart));
    part->partSlot11(1);
    EXPECT_EQ(hostPart.references, 2);
    // Let the part's own count decide, then drop its last reference.
    static_cast<PlainPart*>(static_cast<TBasicPart*>(part))->setOuter(nullptr);
    EXPECT_EQ(part->Release(), 0);
    EXPECT_EQ(hostPart.references, 1);
}

}  // namespace
}  // namespace brumo::test
