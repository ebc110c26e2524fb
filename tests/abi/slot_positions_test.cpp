// The position of every operation the host and the module reach each other by. On GCC and Clang
// a pointer to a virtual member function holds 1 + the byte offset of its slot, so positions
// (counted from 1, the three IQVUnknown operations included) can be read off at compile time.
#include <gtest/gtest.h>

#include "brumo/volume_modifier.h"
#include "frame/basic_part.h"
#include "frame/basic_primitive.h"
#include "frame/component.h"
#include "qv/class_factory.h"
#include "qv/data_component.h"
#include "qv/data_exchanger.h"
#include "qv/editor_part.h"
#include "qv/geometric_primitive.h"
#include "qv/host_editor.h"
#include "qv/scene.h"
#include "qv/services.h"
#include "qv/strings.h"
#include "qv/volume_primitive.h"
#include "tests/support/slot_position.h"

namespace brumo::test {
namespace {

#define EXPECT_SLOT(member, position) EXPECT_EQ(slotPosition(&member), position) << #member

// Operations that stand one after another from position `first` on.
template <class... Members>
void expectConsecutive(const char* names, int first, Members... members) {
    int position = first;
    auto expectNext = [&](auto member) {
        EXPECT_EQ(slotPosition(member), position) << "position " << position << " of " << names;
        ++position;
    };
    (expectNext(members), ...);
}
#define EXPECT_SLOTS_FROM(first, ...) expectConsecutive(#__VA_ARGS__, first, __VA_ARGS__)

TEST(SlotPositions, UnknownAndClassFactory) {
    EXPECT_SLOTS_FROM(1, &IQVUnknown::QueryInterface, &IQVUnknown::AddRef, &IQVUnknown::Release,
                      &IQVClassFactory::CreateInstance, &IQVClassFactory::LockServer);
}

TEST(SlotPositions, DataExchanger) {
    EXPECT_SLOTS_FROM(4, &IExDataExchanger::exchangerSlot4, &IExDataExchanger::exchangerSlot5,
                      &IExDataExchanger::exchangerSlot6, &IExDataExchanger::exchangerSlot7,
                      &IExDataExchanger::parameterBlock, &IExDataExchanger::parametersChanged,
                      &IExDataExchanger::exchangerSlot10, &IExDataExchanger::handleEvent,
                      &IExDataExchanger::exchangerSlot12, &IExDataExchanger::exchangerSlot13,
                      &IExDataExchanger::exchangerSlot14, &IExDataExchanger::exchangerSlot15,
                      &IExDataExchanger::exchangerSlot16, &IExDataExchanger::exchangerSlot17,
                      &IExDataExchanger::parameterBlockSize);
}

TEST(SlotPositions, GeometricPrimitive) {
    using G = I3DExGeometricPrimitive;
    EXPECT_SLOTS_FROM(4, &G::queryBounds, &G::geometrySlot5, &G::geometrySlot6, &G::geometrySlot7,
                      &G::levelCount, &G::levelSize, &G::geometrySlot10, &G::geometrySlot11,
                      &G::geometrySlot12, &G::geometrySlot13, &G::geometrySlot14, &G::geometrySlot15,
                      &G::geometrySlot16, &G::geometrySlot17, &G::geometrySlot18, &G::geometrySlot19,
                      &G::geometrySlot20, &G::geometrySlot21, &G::geometrySlot22, &G::geometrySlot23,
                      &G::geometrySlot24, &G::geometrySlot25, &G::geometrySlot26, &G::geometrySlot27,
                      &G::geometrySlot28, &G::geometrySlot29, &G::geometrySlot30, &G::geometrySlot31,
                      &G::geometrySlot32, &G::geometrySlot33, &G::geometrySlot34, &G::geometrySlot35,
                      &G::geometrySlot36, &G::geometrySlot37, &G::geometrySlot38, &G::geometrySlot39,
                      &G::geometrySlot40, &G::geometrySlot41, &G::geometrySlot42, &G::geometrySlot43,
                      &G::geometrySlot44, &G::geometrySlot45, &G::geometrySlot46, &G::geometrySlot47,
                      &G::geometrySlot48);
}

TEST(SlotPositions, VolumeInterfacesAndDataComponent) {
    EXPECT_SLOT(IVolumePrimitive::volumeSlot4, 4);
    EXPECT_SLOT(IVolumePrimitive::integrateSegment, 5);
    EXPECT_SLOTS_FROM(4, &I3DExNewVolumePrimitive::newVolumeSlot4, &I3DExNewVolumePrimitive::newVolumeSlot5,
                      &I3DExNewVolumePrimitive::integrateRaySpan, &I3DExNewVolumePrimitive::newVolumeSlot7);

    EXPECT_SLOTS_FROM(4, &I3DExDataComponent::componentSlot4, &I3DExDataComponent::componentSlot5,
                      &I3DExDataComponent::componentSlot6, &I3DExDataComponent::componentSlot7,
                      &I3DExDataComponent::componentSlot8, &I3DExDataComponent::componentSlot9,
                      &IVolumeModifier::deformPoint);
}

TEST(SlotPositions, ModuleEditorParts) {
    EXPECT_SLOTS_FROM(4, &IMFExResponder::receiveMessage, &IMFExResponder::responderSlot5,
                      &IMFExResponder::responderSlot6, &IMFExResponder::responderSlot7,
                      &IMFExResponder::responderSlot8, &IMFExResponder::responderSlot9,
                      &IMFExResponder::responderSlot10, &IMFExResponder::responderSlot11,
                      &IMFExResponder::responderSlot12);

    EXPECT_SLOTS_FROM(4, &IMFExPart::partSlot4, &IMFExPart::partSlot5, &IMFExPart::partSlot6,
                      &IMFExPart::partSlot7, &IMFExPart::partSlot8, &IMFExPart::partSlot9,
                      &IMFExPart::partSlot10, &IMFExPart::partSlot11, &IMFExPart::partSlot12,
                      &IMFExPart::partSlot13, &IMFExPart::partSlot14, &IMFExPart::prepareContent,
                      &IMFExPart::partSlot16, &IMFExPart::partSlot17, &IMFExPart::partSlot18,
                      &IMFExPart::detachPart, &IMFExPart::partSlot20, &IMFExPart::partSlot21,
                      &IMFExPart::partSlot22, &IMFExPart::partSlot23, &IMFExPart::partSlot24,
                      &IMFExPart::partSlot25, &IMFExPart::partSlot26, &IMFExPart::partSlot27,
                      &IMFExPart::readInitData, &IMFExPart::attachPart, &IMFExPart::partSlot30,
                      &IMFExPart::partSlot31, &IMFExPart::partSlot32, &IMFExPart::partSlot33);
}

TEST(SlotPositions, HostEditorObjects) {
    EXPECT_SLOTS_FROM(5, &IMFPart::hostPartSlot5, &IMFPart::findPart, &IMFPart::setPartActive,
                      &IMFPart::refreshPart);
    EXPECT_SLOT(IMFPart::partId, 26);
    EXPECT_SLOT(IMFPart::setPartId, 27);
    EXPECT_SLOT(IMFPart::getValue, 42);
    EXPECT_SLOT(IMFPart::setValue, 43);
    EXPECT_SLOTS_FROM(53, &IMFPart::hostPartSlot53, &IMFPart::hostPartSlot54, &IMFPart::hostPartSlot55);

    EXPECT_SLOT(IMFResponder::hostResponderSlot9, 9);
    EXPECT_SLOT(IMFResponder::sendMessage, 11);

    EXPECT_SLOTS_FROM(4, &IMFPopup::countItems, &IMFPopup::removeAllItems, &IMFPopup::appendItem,
                      &IMFPopup::appendSeparator);

    EXPECT_SLOT(IMFComponentList::componentListSlot8, 8);
    EXPECT_SLOT(IMFComponentList::componentListSlot9, 9);
}

TEST(SlotPositions, HostServicesAndScene) {
    EXPECT_SLOT(IQVMemoryService::allocateBlock, 4);
    EXPECT_SLOTS_FROM(6, &IQVMemoryService::reallocateBlock, &IQVMemoryService::freeBlock,
                      &IQVMemoryService::allocateObject, &IQVMemoryService::freeObject);
    EXPECT_SLOT(IQVUtilityService::progressStart, 4);
    EXPECT_SLOT(IQVUtilityService::progressEnd, 6);
    EXPECT_SLOT(IQVUtilityService::progressAdvance, 8);
    EXPECT_SLOT(IQVUtilityService::nextRandom, 12);
    EXPECT_SLOT(IQVUtilityService::setRandomSeed, 13);
    EXPECT_SLOT(IQVUtilityService::progressCancelled, 44);
    EXPECT_SLOT(IQVResourceService::loadString, 5);
    EXPECT_SLOT(IQVResourceService::pushResourceContext, 8);
    EXPECT_SLOT(IQVResourceService::popResourceContext, 9);
    EXPECT_SLOT(IQVShellService::application, 91);
    EXPECT_SLOT(IQVIdleService::idleTick, 6);
    EXPECT_SLOT(IQVApplication::currentScene, 5);
    EXPECT_SLOT(IQVScene::sceneSizeFactor, 117);
}

// The primary operations of the base classes, which the host reaches by position too.
TEST(SlotPositions, PrimaryOperationsOfTheBaseClasses) {
    EXPECT_SLOTS_FROM(4, &TBasicPrimitive::deleteThis, &TBasicPrimitive::fillText,
                      &TBasicPrimitive::unitScale, &TBasicPrimitive::samplingSizes);
    EXPECT_SLOT(TBasicDataExchanger::deleteThis, 4);
    EXPECT_SLOT(TBasicPart::primarySlot4, 4);
    EXPECT_SLOT(TBasicPart::primarySlot5, 5);
}

TEST(SlotPositions, StringOperations) {
    EXPECT_SLOTS_FROM(1, &TQVString::deleteThis, &TQVString::assign, &TQVString::appendChar,
                      &TQVString::append, &TQVString::lessThan, &TQVString::greaterThan,
                      &TQVString::lessOrEqual, &TQVString::greaterOrEqual, &TQVString::equals,
                      &TQVString::compare, &TQVString::insert, &TQVString::setByteLength, &TQVString::slot13,
                      &TQVString::textBuffer, &TQVHeapString::reserve);
}

// The same positions seen from the other side: a concrete component called through raw
// operation tables, as a host that only knows positions would.
class ScaledPrimitive final : public TQVComponent<ScaledPrimitive, TBasicPrimitive> {
public:
    float QV_CALL unitScale() override { return 3.0f; }
    QVBox* QV_CALL queryBounds(QVBox* box) override {
        *box = {{-1.0f, -1.0f, -1.0f}, {1.0f, 1.0f, 1.0f}};
        return box;
    }
};

class ValuedPart final : public TQVComponent<ValuedPart, TBasicPart> {
public:
    int32_t QV_CALL primarySlot4(intptr_t value) override { return static_cast<int32_t>(value) + 1; }
};

void** table(void* object) { return *static_cast<void***>(object); }

TEST(SlotPositions, ConcreteComponentsAnswerThroughRawTables) {
    auto* primitive = new ScaledPrimitive();
    void* primary = static_cast<IQVUnknown*>(static_cast<TBasicUnknown*>(primitive));
    using UnitScale = float (*)(void*);
    EXPECT_EQ(reinterpret_cast<UnitScale>(table(primary)[5])(primary), 3.0f);

    void* geometry = static_cast<I3DExGeometricPrimitive*>(primitive);
    using LevelCount = QVResult (*)(void*, int16_t*);
    int16_t count = 0;
    EXPECT_EQ(reinterpret_cast<LevelCount>(table(geometry)[7])(geometry, &count), 0);
    // Edges 2 at scale 3: fine 2 / 768, coarse 2 / 3 × 0.25.
    EXPECT_EQ(count, 7);

    using DeleteThis = void (*)(void*, unsigned);
    reinterpret_cast<DeleteThis>(table(primary)[3])(primary, 1u);

    auto* part = new ValuedPart();
    void* partPrimary = static_cast<IQVUnknown*>(static_cast<TBasicUnknown*>(part));
    using PrimaryFourth = int32_t (*)(void*, intptr_t);
    EXPECT_EQ(reinterpret_cast<PrimaryFourth>(table(partPrimary)[3])(partPrimary, 41), 42);
    void* exPart = static_cast<IMFExPart*>(part);
    using TwentySixth = void (*)(void*, intptr_t, int32_t*);
    int32_t value = 0;
    reinterpret_cast<TwentySixth>(table(exPart)[25])(exPart, 9, &value);
    EXPECT_EQ(value, 10);
    part->Release();
}

}  // namespace
}  // namespace brumo::test
