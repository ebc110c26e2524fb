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

TEST(SlotPositions, UnknownAndClassFactory) {
    EXPECT_SLOT(IQVUnknown::QueryInterface, 1);
    EXPECT_SLOT(IQVUnknown::AddRef, 2);
    EXPECT_SLOT(IQVUnknown::Release, 3);
    EXPECT_SLOT(IQVClassFactory::CreateInstance, 4);
    EXPECT_SLOT(IQVClassFactory::LockServer, 5);
}

TEST(SlotPositions, DataExchanger) {
    EXPECT_SLOT(IExDataExchanger::exchangerSlot4, 4);
    EXPECT_SLOT(IExDataExchanger::exchangerSlot5, 5);
    EXPECT_SLOT(IExDataExchanger::exchangerSlot6, 6);
    EXPECT_SLOT(IExDataExchanger::exchangerSlot7, 7);
    EXPECT_SLOT(IExDataExchanger::parameterBlock, 8);
    EXPECT_SLOT(IExDataExchanger::parametersChanged, 9);
    EXPECT_SLOT(IExDataExchanger::exchangerSlot10, 10);
    EXPECT_SLOT(IExDataExchanger::handleEvent, 11);
    EXPECT_SLOT(IExDataExchanger::exchangerSlot12, 12);
    EXPECT_SLOT(IExDataExchanger::exchangerSlot13, 13);
    EXPECT_SLOT(IExDataExchanger::exchangerSlot14, 14);
    EXPECT_SLOT(IExDataExchanger::exchangerSlot15, 15);
    EXPECT_SLOT(IExDataExchanger::exchangerSlot16, 16);
    EXPECT_SLOT(IExDataExchanger::exchangerSlot17, 17);
    EXPECT_SLOT(IExDataExchanger::parameterBlockSize, 18);
}

TEST(SlotPositions, GeometricPrimitive) {
    using G = I3DExGeometricPrimitive;
    EXPECT_SLOT(G::queryBounds, 4);
    EXPECT_SLOT(G::geometrySlot5, 5);
    EXPECT_SLOT(G::geometrySlot6, 6);
    EXPECT_SLOT(G::geometrySlot7, 7);
    EXPECT_SLOT(G::levelCount, 8);
    EXPECT_SLOT(G::levelSize, 9);
    EXPECT_SLOT(G::geometrySlot10, 10);
    EXPECT_SLOT(G::geometrySlot11, 11);
    EXPECT_SLOT(G::geometrySlot12, 12);
    EXPECT_SLOT(G::geometrySlot13, 13);
    EXPECT_SLOT(G::geometrySlot14, 14);
    EXPECT_SLOT(G::geometrySlot15, 15);
    EXPECT_SLOT(G::geometrySlot16, 16);
    EXPECT_SLOT(G::geometrySlot17, 17);
    EXPECT_SLOT(G::geometrySlot18, 18);
    EXPECT_SLOT(G::geometrySlot19, 19);
    EXPECT_SLOT(G::geometrySlot20, 20);
    EXPECT_SLOT(G::geometrySlot21, 21);
    EXPECT_SLOT(G::geometrySlot22, 22);
    EXPECT_SLOT(G::geometrySlot23, 23);
    EXPECT_SLOT(G::geometrySlot24, 24);
    EXPECT_SLOT(G::geometrySlot25, 25);
    EXPECT_SLOT(G::geometrySlot26, 26);
    EXPECT_SLOT(G::geometrySlot27, 27);
    EXPECT_SLOT(G::geometrySlot28, 28);
    EXPECT_SLOT(G::geometrySlot29, 29);
    EXPECT_SLOT(G::geometrySlot30, 30);
    EXPECT_SLOT(G::geometrySlot31, 31);
    EXPECT_SLOT(G::geometrySlot32, 32);
    EXPECT_SLOT(G::geometrySlot33, 33);
    EXPECT_SLOT(G::geometrySlot34, 34);
    EXPECT_SLOT(G::geometrySlot35, 35);
    EXPECT_SLOT(G::geometrySlot36, 36);
    EXPECT_SLOT(G::geometrySlot37, 37);
    EXPECT_SLOT(G::geometrySlot38, 38);
    EXPECT_SLOT(G::geometrySlot39, 39);
    EXPECT_SLOT(G::geometrySlot40, 40);
    EXPECT_SLOT(G::geometrySlot41, 41);
    EXPECT_SLOT(G::geometrySlot42, 42);
    EXPECT_SLOT(G::geometrySlot43, 43);
    EXPECT_SLOT(G::geometrySlot44, 44);
    EXPECT_SLOT(G::geometrySlot45, 45);
    EXPECT_SLOT(G::geometrySlot46, 46);
    EXPECT_SLOT(G::geometrySlot47, 47);
    EXPECT_SLOT(G::geometrySlot48, 48);
}

TEST(SlotPositions, VolumeInterfacesAndDataComponent) {
    EXPECT_SLOT(IVolumePrimitive::volumeSlot4, 4);
    EXPECT_SLOT(IVolumePrimitive::integrateSegment, 5);
    EXPECT_SLOT(I3DExNewVolumePrimitive::newVolumeSlot4, 4);
    EXPECT_SLOT(I3DExNewVolumePrimitive::newVolumeSlot5, 5);
    EXPECT_SLOT(I3DExNewVolumePrimitive::integrateRaySpan, 6);
    EXPECT_SLOT(I3DExNewVolumePrimitive::newVolumeSlot7, 7);

    EXPECT_SLOT(I3DExDataComponent::componentSlot4, 4);
    EXPECT_SLOT(I3DExDataComponent::componentSlot5, 5);
    EXPECT_SLOT(I3DExDataComponent::componentSlot6, 6);
    EXPECT_SLOT(I3DExDataComponent::componentSlot7, 7);
    EXPECT_SLOT(I3DExDataComponent::componentSlot8, 8);
    EXPECT_SLOT(I3DExDataComponent::componentSlot9, 9);
    EXPECT_SLOT(IVolumeModifier::deformPoint, 10);
}

TEST(SlotPositions, ModuleEditorParts) {
    EXPECT_SLOT(IMFExResponder::receiveMessage, 4);
    EXPECT_SLOT(IMFExResponder::responderSlot5, 5);
    EXPECT_SLOT(IMFExResponder::responderSlot6, 6);
    EXPECT_SLOT(IMFExResponder::responderSlot7, 7);
    EXPECT_SLOT(IMFExResponder::responderSlot8, 8);
    EXPECT_SLOT(IMFExResponder::responderSlot9, 9);
    EXPECT_SLOT(IMFExResponder::responderSlot10, 10);
    EXPECT_SLOT(IMFExResponder::responderSlot11, 11);
    EXPECT_SLOT(IMFExResponder::responderSlot12, 12);

    EXPECT_SLOT(IMFExPart::partSlot4, 4);
    EXPECT_SLOT(IMFExPart::partSlot5, 5);
    EXPECT_SLOT(IMFExPart::partSlot6, 6);
    EXPECT_SLOT(IMFExPart::partSlot7, 7);
    EXPECT_SLOT(IMFExPart::partSlot8, 8);
    EXPECT_SLOT(IMFExPart::partSlot9, 9);
    EXPECT_SLOT(IMFExPart::partSlot10, 10);
    EXPECT_SLOT(IMFExPart::partSlot11, 11);
    EXPECT_SLOT(IMFExPart::partSlot12, 12);
    EXPECT_SLOT(IMFExPart::partSlot13, 13);
    EXPECT_SLOT(IMFExPart::partSlot14, 14);
    EXPECT_SLOT(IMFExPart::prepareContent, 15);
    EXPECT_SLOT(IMFExPart::partSlot16, 16);
    EXPECT_SLOT(IMFExPart::partSlot17, 17);
    EXPECT_SLOT(IMFExPart::partSlot18, 18);
    EXPECT_SLOT(IMFExPart::detachPart, 19);
    EXPECT_SLOT(IMFExPart::partSlot20, 20);
    EXPECT_SLOT(IMFExPart::partSlot21, 21);
    EXPECT_SLOT(IMFExPart::partSlot22, 22);
    EXPECT_SLOT(IMFExPart::partSlot23, 23);
    EXPECT_SLOT(IMFExPart::partSlot24, 24);
    EXPECT_SLOT(IMFExPart::partSlot25, 25);
    EXPECT_SLOT(IMFExPart::partSlot26, 26);
    EXPECT_SLOT(IMFExPart::partSlot27, 27);
    EXPECT_SLOT(IMFExPart::readInitData, 28);
    EXPECT_SLOT(IMFExPart::attachPart, 29);
    EXPECT_SLOT(IMFExPart::partSlot30, 30);
    EXPECT_SLOT(IMFExPart::partSlot31, 31);
    EXPECT_SLOT(IMFExPart::partSlot32, 32);
    EXPECT_SLOT(IMFExPart::partSlot33, 33);
}

TEST(SlotPositions, HostEditorObjects) {
    EXPECT_SLOT(IMFPart::hostPartSlot5, 5);
    EXPECT_SLOT(IMFPart::findPart, 6);
    EXPECT_SLOT(IMFPart::setPartActive, 7);
    EXPECT_SLOT(IMFPart::refreshPart, 8);
    EXPECT_SLOT(IMFPart::partId, 26);
    EXPECT_SLOT(IMFPart::setPartId, 27);
    EXPECT_SLOT(IMFPart::getValue, 42);
    EXPECT_SLOT(IMFPart::setValue, 43);
    EXPECT_SLOT(IMFPart::hostPartSlot53, 53);
    EXPECT_SLOT(IMFPart::hostPartSlot54, 54);
    EXPECT_SLOT(IMFPart::hostPartSlot55, 55);

    EXPECT_SLOT(IMFResponder::hostResponderSlot9, 9);
    EXPECT_SLOT(IMFResponder::sendMessage, 11);

    EXPECT_SLOT(IMFPopup::countItems, 4);
    EXPECT_SLOT(IMFPopup::removeAllItems, 5);
    EXPECT_SLOT(IMFPopup::appendItem, 6);
    EXPECT_SLOT(IMFPopup::appendSeparator, 7);

    EXPECT_SLOT(IMFComponentList::componentListSlot8, 8);
    EXPECT_SLOT(IMFComponentList::componentListSlot9, 9);
}

TEST(SlotPositions, HostServicesAndScene) {
    EXPECT_SLOT(IQVMemoryService::allocateBlock, 4);
    EXPECT_SLOT(IQVMemoryService::reallocateBlock, 6);
    EXPECT_SLOT(IQVMemoryService::freeBlock, 7);
    EXPECT_SLOT(IQVMemoryService::allocateObject, 8);
    EXPECT_SLOT(IQVMemoryService::freeObject, 9);
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
    EXPECT_SLOT(TBasicPrimitive::deleteThis, 4);
    EXPECT_SLOT(TBasicPrimitive::fillText, 5);
    EXPECT_SLOT(TBasicPrimitive::unitScale, 6);
    EXPECT_SLOT(TBasicPrimitive::samplingSizes, 7);
    EXPECT_SLOT(TBasicDataExchanger::deleteThis, 4);
    EXPECT_SLOT(TBasicPart::primarySlot4, 4);
    EXPECT_SLOT(TBasicPart::primarySlot5, 5);
}

TEST(SlotPositions, StringOperations) {
    EXPECT_SLOT(TQVString::deleteThis, 1);
    EXPECT_SLOT(TQVString::assign, 2);
    EXPECT_SLOT(TQVString::appendChar, 3);
    EXPECT_SLOT(TQVString::append, 4);
    EXPECT_SLOT(TQVString::lessThan, 5);
    EXPECT_SLOT(TQVString::greaterThan, 6);
    EXPECT_SLOT(TQVString::lessOrEqual, 7);
    EXPECT_SLOT(TQVString::greaterOrEqual, 8);
    EXPECT_SLOT(TQVString::equals, 9);
    EXPECT_SLOT(TQVString::compare, 10);
    EXPECT_SLOT(TQVString::insert, 11);
    EXPECT_SLOT(TQVString::setByteLength, 12);
    EXPECT_SLOT(TQVString::slot13, 13);
    EXPECT_SLOT(TQVString::textBuffer, 14);
    EXPECT_SLOT(TQVHeapString::reserve, 15);
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
