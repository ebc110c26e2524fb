// The reference host's panel controls and component list on their own: values by type, popups
// with separators, aggregation of a module part, and the "Ctrl" record a list hands its object.
#include <gtest/gtest.h>

#include "editor_doubles.h"
#include "host/editor/component_list.h"
#include "host/editor/host_part.h"
#include "qv/strings.h"

namespace brumo::test {
namespace {

using host::HostPart;
using host::PartKind;

TEST(HostPart, ValuesAreReadAndWrittenByType) {
    auto box = HostPart::create(qv::fourcc("DPHU"), PartKind::checkBox);
    const bool on = true;
    EXPECT_EQ(box->setValue(&on, qv::kValueBool, 0, 0), qv::kOk);
    int32_t asInt = -7;
    EXPECT_EQ(box->getValue(&asInt, qv::kValueInt32), qv::kOk);
    EXPECT_EQ(asInt, 1);

    // A check box has no text: the out value stays as it was and the call fails.
    TQVString15 text("unchanged");
    EXPECT_NE(box->getValue(&text, qv::kValueString), qv::kOk);
    EXPECT_STREQ(text.text(), "unchanged");

    auto name = HostPart::create(qv::fourcc("ShaN"), PartKind::text);
    TQVString15 written("Turbulence");
    EXPECT_EQ(name->setValue(&written, qv::kValueString, 0, 0), qv::kOk);
    TQVString15 read;
    EXPECT_EQ(name->getValue(&read, qv::kValueString), qv::kOk);
    EXPECT_STREQ(read.text(), "Turbulence");
    int32_t untouched = -1;
    EXPECT_NE(name->getValue(&untouched, qv::kValueInt32), qv::kOk);
    EXPECT_EQ(untouched, -1);

    name->setPartActive(0);
    EXPECT_FALSE(name->active());
    name->refreshPart();
    name->refreshPart();
    EXPECT_EQ(name->refreshCount(), 2);
    name->setPartId(qv::fourcc("Nam2"));
    EXPECT_EQ(name->partId(), qv::fourcc("Nam2"));
}

TEST(HostPart, PopupCountsSeparatorsAndReportsTheChosenItem) {
    auto popup = host::PopupPart::create(qv::fourcc("ShPo"));
    TQVString15 a("Checker"), b("Spectral noise");
    popup->appendItem(&a);
    popup->appendSeparator();
    popup->appendItem(&b);
    EXPECT_EQ(popup->countItems(), 3);

    popup->choose(2);
    int32_t index = -1;
    TQVString15 text;
    EXPECT_EQ(popup->getValue(&index, qv::kValueInt32), qv::kOk);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(popup->getValue(&text, qv::kValueString), qv::kOk);
    EXPECT_STREQ(text.text(), "Spectral noise");

    popup->choose(1);  // the separator reports an empty text
    EXPECT_EQ(popup->getValue(&text, qv::kValueString), qv::kOk);
    EXPECT_STREQ(text.text(), "");

    // Preset popups stand for codes; a code no item has shows no choice.
    auto presets = host::PopupPart::create(qv::fourcc("DePr"));
    presets->addItem("Box", qv::fourcc("Opt3"));
    presets->addItem("Ball", qv::fourcc("Opt4"));
    presets->choose(1);
    int32_t code = 0;
    presets->getValue(&code, qv::kValueInt32);
    EXPECT_EQ(static_cast<uint32_t>(code), qv::fourcc("Opt4"));
    const int32_t none = static_cast<int32_t>(qv::fourcc("NoPt"));
    presets->setValue(&none, qv::kValueInt32, 0, 0);
    EXPECT_EQ(presets->chosen(), -1);
    presets->getValue(&code, qv::kValueInt32);
    EXPECT_EQ(static_cast<uint32_t>(code), qv::fourcc("NoPt"));

    popup->removeAllItems();
    EXPECT_EQ(popup->countItems(), 0);
    EXPECT_EQ(popup->chosen(), -1);
}

TEST(HostPart, AggregatedModulePartEndsWithItsOuter) {
    const int32_t before = liveModuleObjects();
    {
        auto outer = HostPart::create(qv::fourcc("Ctrl"), PartKind::group);
        IQVUnknown* inner = createModuleObject(CLSID_BrumoCommonPart, outer->unknown());
        ASSERT_NE(inner, nullptr);
        outer->aggregate(inner);
        EXPECT_EQ(liveModuleObjects(), before + 1);

        // The part answers its own interfaces; its counts are the outer's.
        auto part = outer->modulePart();
        ASSERT_TRUE(part);
        EXPECT_EQ(outer->referenceCount(), 2);
        // Whatever the part cannot answer comes back to the outer, without a loop.
        IMFPart* viaInner = nullptr;
        EXPECT_EQ(part->QueryInterface(qv::IID_IMFPart, reinterpret_cast<void**>(&viaInner)), qv::kOk);
        EXPECT_EQ(viaInner, static_cast<IMFPart*>(outer.get()));
        viaInner->Release();
        void* nothing = nullptr;
        EXPECT_EQ(outer->QueryInterface(qv::IID_IMFComponentList, &nothing), qv::kNoInterface);
        EXPECT_EQ(nothing, nullptr);
    }
    EXPECT_EQ(liveModuleObjects(), before);

    // The last reference may also be the one a host took on the part's own interface.
    {
        auto outer = HostPart::create(qv::fourcc("ShPo"), PartKind::popup);
        IQVUnknown* inner = createModuleObject(CLSID_ShaderPopupPart, outer->unknown());
        ASSERT_NE(inner, nullptr);
        outer->aggregate(inner);
        host::Ref<IMFExPart> part = outer->modulePart();
        outer.reset();
        EXPECT_EQ(liveModuleObjects(), before + 1);
        part.reset();
    }
    EXPECT_EQ(liveModuleObjects(), before);
}

TEST(ComponentList, EachChangeHandsTheObjectACtrlRecord) {
    auto object = RecordingObject::create();
    auto list = host::ComponentList::create(object.get());
    auto first = RecordingObject::create();
    auto second = RecordingObject::create();

    EXPECT_TRUE(list->attach(first.get()));
    EXPECT_TRUE(list->attach(second.get(), 0));
    EXPECT_FALSE(list->attach(second.get()));  // already there
    EXPECT_TRUE(list->move(1, 0));
    EXPECT_TRUE(list->detach(first.get()));
    EXPECT_FALSE(list->detach(first.get()));

    ASSERT_EQ(object->events.size(), 4u);
    const int32_t kinds[] = {5102, 5102, 5104, 5103};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(object->events[i].kind, 5);
        EXPECT_EQ(object->events[i].sourceId, qv::fourcc("Ctrl"));
        EXPECT_EQ(object->events[i].recordKind, kinds[i]);
    }
    // After the last change the object's list holds just the second component.
    ASSERT_EQ(object->components.count(), 1);
    EXPECT_EQ(object->components[0], static_cast<IQVUnknown*>(second.get()));
    // The records were freed and their list references released by the object.
    EXPECT_EQ(list->referenceCount(), 1);
}

TEST(ComponentList, FillsInOrderWithCountedReferences) {
    auto list = host::ComponentList::create(nullptr);
    auto a = RecordingObject::create();
    auto b = RecordingObject::create();
    auto c = RecordingObject::create();
    list->attach(a.get());
    list->attach(b.get());
    list->attach(c.get());
    list->move(2, 0);  // c, a, b
    EXPECT_EQ(list->notifications(), 4);

    QVClassArray<IQVUnknown*> filled;
    filled.append(a.get());  // what a list held before is released by the fill
    a->AddRef();
    list->componentListSlot9(&filled);
    ASSERT_EQ(filled.count(), 3);
    EXPECT_EQ(filled[0], static_cast<IQVUnknown*>(c.get()));
    EXPECT_EQ(filled[1], static_cast<IQVUnknown*>(a.get()));
    EXPECT_EQ(filled[2], static_cast<IQVUnknown*>(b.get()));
    EXPECT_EQ(a->referenceCount(), 3);  // ours, the list's, the filled entry's
    list->componentListSlot8(&filled);  // refilling does not pile up references
    EXPECT_EQ(a->referenceCount(), 3);
    for (IQVUnknown* held : filled) held->Release();
    filled.clear();
    EXPECT_EQ(a->referenceCount(), 2);
}

}  // namespace
}  // namespace brumo::test
