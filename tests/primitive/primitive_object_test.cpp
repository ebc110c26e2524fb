// The volume primitive as the host sees it: construction defaults, the interfaces it answers,
// editor events (check boxes, presets, reseeding, the attached component list) and the notice
// that parameters changed.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "brumo/class_ids.h"
#include "primitive/colour_gradient.h"
#include "qv/exception.h"
#include "qv/host_editor.h"
#include "qv/fourcc.h"
#include "qv/memory.h"
#include "tests/primitive/primitive_doubles.h"
#include "tests/support/comparisons.h"
#include "tests/support/host_doubles.h"
#include "tests/support/module_objects.h"
#include "tests/support/slot_position.h"
#include "tests/support/test_host.h"

namespace brumo::test {
namespace {

using qv::fourcc;

TEST(PrimitiveConstruction, ParameterBlockHoldsTheDefaults) {
    Probe probe;
    const EffectParameters& p = probe->block();
    EXPECT_EQ(p.size, 4.0f);
    EXPECT_EQ(p.noiseScale, 40.0f);
    EXPECT_EQ(p.noiseScaleXYZ.x, 100.0f);
    EXPECT_EQ(p.noiseScaleXYZ.z, 100.0f);
    EXPECT_EQ(p.noiseOffset.y, 0.0f);
    EXPECT_EQ(p.stepJitter, 1.0f);
    EXPECT_EQ(p.quality, 0.2f);
    EXPECT_EQ(p.densityAmount, 1.0f);
    EXPECT_EQ(p.absorptionDistance, 1.0f);
    EXPECT_EQ(p.seedValue, 777.0f);
    EXPECT_EQ(p.detail, 2.0f);
    EXPECT_EQ(p.gainAmount, 0.5f);
    EXPECT_EQ(p.biasAmount, 0.5f);
    EXPECT_EQ(p.noiseType, 1);
    EXPECT_EQ(p.meshOff, 1);
    EXPECT_EQ(p.meshFalloff, 0.1f);
    EXPECT_EQ(p.lightingMode, fourcc("Opt0"));
    EXPECT_EQ(p.shadowStrength, 1.0f);
    EXPECT_EQ(p.shadowDensityInfluence, 0.0f);
    EXPECT_EQ(p.lightDirection.z, -1.0f);
    EXPECT_EQ(p.colourShapeFlags, 0u);
    EXPECT_EQ(p.colourSourceMix, 0.0f);
    EXPECT_EQ(p.colourFromGradient, 1);
    EXPECT_EQ(p.shapeFlags, 0xFC00u);
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(p.shapeFalloffs[k].a, 0.0f) << k;
        EXPECT_EQ(p.shapeFalloffs[k].b, k >= 10 ? 0.1f : 0.5f) << k;
        EXPECT_EQ(p.colourShapeFalloffs[k].a, 0.0f) << k;
        EXPECT_EQ(p.colourShapeFalloffs[k].b, 0.5f) << k;
    }
    EXPECT_TRUE(p.dataComponents.empty());

    // Texts 3 and 8 of the module's strings, read under its resource context.
    EXPECT_STREQ(p.densityShaderName->text(), host().resources().moduleString(3).c_str());
    EXPECT_STREQ(p.meshName->text(), host().resources().moduleString(8).c_str());
    EXPECT_STREQ(p.colourShaderName->text(), host().resources().moduleString(8).c_str());
    EXPECT_STREQ(p.densityShaderName->text(), "Spectral noise");
    EXPECT_EQ(host().resources().openContexts(), 0);

    ASSERT_NE(presetGradient(0), nullptr);
    EXPECT_TRUE(sameGradient(p.shadowGradient, *presetGradient(0)));
    EXPECT_TRUE(sameGradient(p.colourGradient, *presetGradient(8)));

    EXPECT_EQ(probe->parameterBlock(), static_cast<void*>(&probe->block()));
    EXPECT_EQ(probe->parameterBlockSize(), static_cast<int32_t>(sizeof(EffectParameters)));
}

TEST(PrimitiveConstruction, SmogFromTheFactoryHoldsTheCommonDefaults) {
    void* object = nullptr;
    ASSERT_EQ(createThroughFactory(CLSID_Smog, qv::IID_IExDataExchanger, &object), qv::kOk);
    auto* smog = static_cast<IExDataExchanger*>(object);
    EXPECT_EQ(smog->parameterBlockSize(), static_cast<int32_t>(sizeof(SmogParameters)));
    const auto* block = static_cast<const EffectParameters*>(smog->parameterBlock());
    EXPECT_EQ(block->size, 4.0f);
    EXPECT_EQ(block->seedValue, 777.0f);
    EXPECT_EQ(block->lightingMode, fourcc("Opt0"));
    EXPECT_EQ(block->shapeFlags, 0xFC00u);
    for (int k = 10; k < 16; ++k) {
        EXPECT_EQ(block->shapeFalloffs[k].a, 0.0f) << k;
        EXPECT_EQ(block->shapeFalloffs[k].b, 0.1f) << k;
    }
    EXPECT_EQ(smog->Release(), 0);
}

TEST(PrimitiveConstruction, HostShadersReceiveTheHostsDefaultShadingRecord) {
    // Everything but the point the density path writes (words 0-2 and 6-8) is the host's default.
    SceneShader shader("default record");
    EffectRef smog(CLSID_Smog);
    smog.block().shapeFlags = 0;
    smog.block().noiseType = 0;
    smog.block().densityShaderName->setText("default record");
    sampleAt(smog, {0.1f, 0.2f, 0.3f});
    ASSERT_EQ(shader->evaluations, 1);
    uint32_t words[60];
    static_assert(sizeof words == sizeof shader->record, "sixty words");
    std::memcpy(words, &shader->record, sizeof words);
    auto asFloat = [&words](int i) {
        float f;
        std::memcpy(&f, &words[i], sizeof f);
        return f;
    };
    const float expected[48] = {0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, 0, 0,
                                1, 0, 1, 0, 0, 1, 1, 0, 0, 0, 1, 0, 1, 0, 0, 0, 1, 0, 1, 0, 0, 0, 1, 0};
    for (int i = 3; i < 48; ++i) {
        if (i >= 6 && i <= 8) continue;  // the point
        EXPECT_EQ(asFloat(i), expected[i]) << "word " << i;
    }
    EXPECT_EQ(words[48], 0u);
    EXPECT_EQ(words[49], 0u);
    EXPECT_EQ(words[50], 0xFFFFFu);
    EXPECT_EQ(words[51] | words[52] | words[53], 0u);
    EXPECT_EQ(asFloat(54), 1.0f);
    EXPECT_EQ(words[55] | words[56], 0u);
    EXPECT_EQ(asFloat(57), 1.0f);
    EXPECT_EQ(words[58] | words[59], 0u);
}

TEST(PrimitiveConstruction, SizeFollowsAPositiveSceneFactor) {
    host::Scene& scene = host().scene();
    const float factor = scene.sceneSizeFactor();
    for (const auto& [given, size] : {std::pair{2.5f, 10.0f}, {0.0f, 4.0f}, {-3.0f, 4.0f}}) {
        scene.setSizeFactor(given);
        EffectRef smog(CLSID_Smog);
        EXPECT_EQ(smog.block().size, size) << "factor " << given;
    }
    scene.setSizeFactor(factor);
}

TEST(PrimitiveInterfaces, AnswersItsIdentityAndBothVolumeInterfaces) {
    Probe probe;
    IQVUnknown* unknown = probe->primaryUnknown();

    void* out = nullptr;
    ASSERT_EQ(unknown->QueryInterface(IID_BrumoBase, &out), qv::kOk);
    // The primary pointer is the object itself.
    EXPECT_EQ(out, static_cast<void*>(static_cast<BrumoBase*>(probe.get())));
    EXPECT_EQ(out, static_cast<void*>(unknown));
    qv::releaseSlot(&out);
    ASSERT_EQ(unknown->QueryInterface(qv::IID_IVolumePrimitive, &out), qv::kOk);
    EXPECT_EQ(out, static_cast<void*>(probe->volumeInterface()));
    qv::releaseSlot(&out);
    ASSERT_EQ(unknown->QueryInterface(qv::IID_I3DExNewVolumePrimitive, &out), qv::kOk);
    EXPECT_EQ(out, static_cast<void*>(probe->newVolumeInterface()));
    qv::releaseSlot(&out);
    ASSERT_EQ(unknown->QueryInterface(qv::IID_I3DExGeometricPrimitive, &out), qv::kOk);
    EXPECT_EQ(out, static_cast<void*>(probe->geometricInterface()));
    qv::releaseSlot(&out);
    EXPECT_EQ(unknown->QueryInterface(qv::IID_IMFPart, &out), qv::kNoInterface);
    EXPECT_EQ(out, nullptr);

    I3DExGeometricPrimitive* geometry = probe->geometricInterface();
    EXPECT_TRUE(geometry->geometrySlot24());
    EXPECT_TRUE(geometry->geometrySlot25());
    EXPECT_FALSE(geometry->geometrySlot26());
    EXPECT_EQ(probe->volumeInterface()->volumeSlot4(1, 2, 3), qv::kNotImplemented);
    EXPECT_FALSE(probe->newVolumeInterface()->newVolumeSlot7());
    EXPECT_EQ(probe->primitiveSlot8(7), 0);
    EXPECT_EQ(unknown->AddRef(), 2);
    EXPECT_EQ(unknown->Release(), 1);
}

TEST(PrimitiveInterfaces, BoundsFollowTheSizeBeforeAnyIntegration) {
    Probe probe;
    QVBox box{};
    EXPECT_EQ(probe->geometricInterface()->queryBounds(&box), &box);
    EXPECT_EQ(box.min.x, -4.0f);
    EXPECT_EQ(box.max.z, 4.0f);

    probe->block().size = 2.5f;
    probe->geometricInterface()->queryBounds(&box);
    EXPECT_EQ(box.min.y, -2.5f);
    EXPECT_EQ(box.max.x, 2.5f);
    // The sampler maps the new cube onto [-1, 1]³ as well.
    const QVVector3 corner{1.25f, -2.5f, 0.0f};
    EXPECT_EQ(probe->densitySamplerInterface()->sampleAt(&corner, nullptr, nullptr, nullptr), qv::kOk);
    ASSERT_FALSE(probe->samples.empty());
    EXPECT_EQ(probe->samples.back(), (Vector3{0.5f, -1.0f, 0.0f}));

    // The sampling sizes of the frame follow the cube: edge 5 gives a coarse size of 1.25.
    float fine = 0.0f, coarse = 0.0f;
    probe->samplingSizes(&fine, &coarse);
    EXPECT_EQ(coarse, 1.25f);
    EXPECT_EQ(fine, 5.0f / 256.0f);
}

TEST(PrimitiveInterfaces, BaseWithoutDensityAnswersMissingOperation) {
    Held<BareEffect> bare;
    const QVVector3 point{0.0f, 0.0f, 0.0f};
    float density = -1.0f;
    EXPECT_EQ(bare->densitySamplerInterface()->sampleAt(&point, &density, nullptr, nullptr), qv::kMissingOperation);
}

// Positions of the primitive's own primary operations.
TEST(PrimitiveInterfaces, PrimaryOperationsFollowTheFrameSlots) {
    EXPECT_EQ(slotPosition(&BrumoBase::samplingSizes), 7);
    EXPECT_EQ(slotPosition(&BrumoBase::primitiveSlot8), 8);
    EXPECT_EQ(slotPosition(&BrumoBase::prepareEffect), 9);
    EXPECT_EQ(slotPosition(&BrumoBase::sampleDensity), 10);
}

// --- Editor events ---

using host::PartKind;

// A control of the host's panel with that id, holding `value`; writes into it are counted by
// `owner`.
host::Ref<host::HostPart> control(const char (&id)[5], PartKind kind, int32_t value = 0,
                                  host::PartOwner* owner = nullptr) {
    return loosePart(fourcc(id), kind, value, owner);
}

QVResult sendControl(IExDataExchanger* primitive, IQVUnknown* source, void* data = nullptr) {
    return primitive->handleEvent(5, source, data);
}

TEST(PrimitiveEvents, DensityPresetRewritesFlagsAndPairsAndClearsThePopup) {
    EffectRef smog(CLSID_Smog);
    EffectParameters& p = smog->block();
    auto popup = control("DePr", PartKind::integer, static_cast<int32_t>(fourcc("Opt4")));
    EXPECT_EQ(sendControl(smog->exchangerInterface(), popup->unknown()), qv::kHandled);
    EXPECT_EQ(p.shapeFlags, 0x80u);
    EXPECT_EQ(p.shapeFalloffs[7].a, 0.3f);
    EXPECT_EQ(p.shapeFalloffs[7].b, 0.5f);
    for (int k = 10; k < 16; ++k) EXPECT_EQ(p.shapeFalloffs[k].b, 0.1f) << k;
    EXPECT_EQ(popup->intValue(), static_cast<int32_t>(fourcc("NoPt")));
    EXPECT_EQ(popup->referenceCount(), 1);

    popup->storeInt(static_cast<int32_t>(fourcc("Opt1")));
    sendControl(smog->exchangerInterface(), popup->unknown());
    EXPECT_EQ(p.shapeFlags, 0x3u);
    EXPECT_EQ(p.shapeFalloffs[0].b, 0.3f);
    EXPECT_EQ(p.shapeFalloffs[1].b, 0.3f);
    EXPECT_EQ(p.shapeFalloffs[7].a, 0.3f);  // kept from the earlier preset

    // A code outside the table clears the flags and writes no pair; so does a popup whose value
    // cannot be read as a number (the preset code then stays -1).
    const FalloffPair before = p.shapeFalloffs[0];
    popup->storeInt(static_cast<int32_t>(fourcc("Pre2")));
    sendControl(smog->exchangerInterface(), popup->unknown());
    EXPECT_EQ(p.shapeFlags, 0u);
    EXPECT_EQ(p.shapeFalloffs[0].b, before.b);
    p.shapeFlags = 0x5u;
    auto unreadable = control("DePr", PartKind::text);
    sendControl(smog->exchangerInterface(), unreadable->unknown());
    EXPECT_EQ(p.shapeFlags, 0u);
}

TEST(PrimitiveEvents, ColourPresetUsesTheColourBank) {
    EffectRef smog(CLSID_Smog);
    EffectParameters& p = smog->block();
    auto popup = control("CoPr", PartKind::integer, static_cast<int32_t>(fourcc("Pre3")));
    sendControl(smog->exchangerInterface(), popup->unknown());
    EXPECT_EQ(p.colourShapeFlags, 0xFC00u);
    for (int k = 10; k < 16; ++k) EXPECT_EQ(p.colourShapeFalloffs[k].b, 0.5f) << k;
    EXPECT_EQ(p.shapeFlags, 0xFC00u);
    EXPECT_EQ(popup->intValue(), static_cast<int32_t>(fourcc("NoPt")));

    popup->storeInt(static_cast<int32_t>(fourcc("Pre4")));
    sendControl(smog->exchangerInterface(), popup->unknown());
    EXPECT_EQ(p.colourShapeFlags, 0x80u);
    EXPECT_EQ(p.colourShapeFalloffs[7].a, 0.0f);
    EXPECT_EQ(p.colourShapeFalloffs[7].b, 1.0f);

    // A density code means nothing to the colour bank.
    popup->storeInt(static_cast<int32_t>(fourcc("Opt1")));
    sendControl(smog->exchangerInterface(), popup->unknown());
    EXPECT_EQ(p.colourShapeFlags, 0u);
}

TEST(PrimitiveEvents, CheckBoxesSetAndClearTheirOwnBit) {
    EffectRef smog(CLSID_Smog);
    EffectParameters& p = smog->block();
    WriteCounter owner;
    auto box = control("DNZC", PartKind::checkBox, 1, &owner);
    sendControl(smog->exchangerInterface(), box->unknown());
    EXPECT_EQ(p.shapeFlags, 0xFC00u | 0x200u);
    box->storeBool(false);
    sendControl(smog->exchangerInterface(), box->unknown());
    EXPECT_EQ(p.shapeFlags, 0xFC00u);
    box->setPartId(fourcc("DZNe"));
    sendControl(smog->exchangerInterface(), box->unknown());
    EXPECT_EQ(p.shapeFlags, 0x7C00u);

    auto colourBox = control("FPHU", PartKind::checkBox, 1, &owner);
    sendControl(smog->exchangerInterface(), colourBox->unknown());
    colourBox->setPartId(fourcc("FYNe"));
    sendControl(smog->exchangerInterface(), colourBox->unknown());
    EXPECT_EQ(p.colourShapeFlags, 0x4001u);
    EXPECT_EQ(p.shapeFlags, 0x7C00u);
    EXPECT_EQ(owner.writes, 0);
}

TEST(PrimitiveEvents, SeedDrawsTheNextRandomNumberThatTheNextSampleUses) {
    EffectRef smog(CLSID_Smog);
    const Vector3 point{0.2f, -0.3f, 0.1f};
    const float before = sampleAt(smog, point).density;
    host().utility().setRandomSeed(2024);
    std::mt19937 engine(2024u);
    const int32_t expected = static_cast<int32_t>(engine() >> 1);

    auto button = control("SEED", PartKind::integer);
    EXPECT_EQ(smog->exchangerInterface()->handleEvent(5, button->unknown(), nullptr), qv::kHandled);
    EXPECT_EQ(smog.block().seedValue, static_cast<float>(expected));
    // No notice of changed parameters is needed: the press itself reseeds.
    EffectRef twin(CLSID_Smog);
    twin.block().seedValue = static_cast<float>(expected);
    const float after = sampleAt(smog, point, false).density;
    EXPECT_EQ(after, sampleAt(twin, point).density);
    EXPECT_NE(after, before);
}

TEST(PrimitiveEvents, EventsWithoutAPartAreIgnored) {
    EffectRef smog(CLSID_Smog);
    auto stranger = host::Ref<PlainObject>::adopt(new PlainObject);  // no part
    EXPECT_EQ(sendControl(smog->exchangerInterface(), stranger.get()), qv::kHandled);
    EXPECT_EQ(smog->exchangerInterface()->handleEvent(5, nullptr, nullptr), qv::kHandled);
    auto box = control("DNZC", PartKind::checkBox, 1);
    EXPECT_EQ(smog->exchangerInterface()->handleEvent(77, box->unknown(), nullptr), qv::kHandled);
    auto other = control("Zzzz", PartKind::checkBox);
    EXPECT_EQ(sendControl(smog->exchangerInterface(), other->unknown()), qv::kHandled);
    EXPECT_EQ(smog->block().shapeFlags, 0xFC00u);
    EXPECT_EQ(stranger->referenceCount(), 1);
    EXPECT_EQ(box->referenceCount(), 1);
    EXPECT_EQ(other->referenceCount(), 1);
}

TEST(PrimitiveEvents, ComponentChangeRecordIsAlwaysReleasedAndFreed) {
    // A modifier shows in the densities: with it a point reads what the plain smog reads half a
    // unit further along x.
    EffectRef smog(CLSID_Smog);
    EffectRef plain(CLSID_Smog);
    smog.block().shapeFlags = 0;
    plain.block().shapeFlags = 0;
    const Vector3 point{0.1f, 0.2f, 0.3f};
    const float unmodified = sampleAt(plain, point).density;
    const float modified = sampleAt(plain, point + Vector3{0.5f, 0.0f, 0.0f}).density;
    ASSERT_NE(modified, unmodified);
    auto density = [&]() { return sampleAt(smog, point, false).density; };
    ASSERT_EQ(density(), unmodified);

    std::vector<int> log;
    auto* modifier = new LoggingModifier(&log, 1);
    modifier->offset = {0.5f, 0.0f, 0.0f};
    FakeComponentList list;
    list.attached = {modifier->unknown()};
    auto ctrl = control("Ctrl", PartKind::integer);
    const int64_t blocks = host().memory().counts().liveBlocks;
    auto send = [&](int32_t kind, IMFComponentList* from) { return reportComponentChange(smog->exchangerInterface(), from, kind, ctrl.get()); };

    // 5101 is not a component change: nothing is filled, but the record is consumed.
    EXPECT_EQ(send(5101, &list), qv::kHandled);
    EXPECT_EQ(list.references, 1);
    EXPECT_EQ(list.fills9, 0);
    EXPECT_TRUE(smog.block().dataComponents.empty());
    EXPECT_EQ(host().memory().counts().liveBlocks, blocks);
    EXPECT_EQ(density(), unmodified);

    // 5103 refills the list through the 9th operation, and the next sample has the modifier.
    EXPECT_EQ(send(5103, &list), qv::kHandled);
    EXPECT_EQ(list.fills9, 1);
    EXPECT_EQ(list.references, 1);
    ASSERT_EQ(smog.block().dataComponents.count(), 1);
    EXPECT_EQ(smog.block().dataComponents[0], modifier->unknown());
    EXPECT_EQ(host().memory().counts().liveBlocks, blocks + 1);  // the list's own storage
    EXPECT_EQ(density(), modified);

    // A record without a list is freed as well.
    const int64_t held = host().memory().counts().liveBlocks;
    EXPECT_EQ(send(5102, nullptr), qv::kHandled);
    EXPECT_EQ(host().memory().counts().liveBlocks, held);
    EXPECT_EQ(ctrl->referenceCount(), 1);

    // Event 5110 fills through the 8th operation but leaves the modifiers in use as they were.
    list.attached.clear();
    EXPECT_EQ(smog->exchangerInterface()->handleEvent(5110, &list, nullptr), qv::kHandled);
    EXPECT_EQ(list.fills8, 1);
    EXPECT_EQ(list.references, 1);
    EXPECT_TRUE(smog.block().dataComponents.empty());
    EXPECT_EQ(density(), modified);

    modifier->unknown()->Release();  // the primitive's chain still holds one
    EXPECT_EQ(modifier->references(), 1);
}

TEST(PrimitiveEvents, ParametersChangedReachesEveryModifierInOrder) {
    std::vector<int> log;
    LoggingModifier* modifiers[3] = {new LoggingModifier(&log, 1), new LoggingModifier(&log, 2),
                                     new LoggingModifier(&log, 3)};
    auto* plain = new PlainComponent();
    {
        Probe probe;
        FakeComponentList list;
        list.attached = {modifiers[0]->unknown(), plain->unknown(), modifiers[1]->unknown(),
                         modifiers[2]->unknown()};
        // A new primitive collects its modifiers at its first call: the three, not the plain
        // component.
        probe->handleEvent(5110, &list, nullptr);
        probe->march({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, {});
        for (LoggingModifier* modifier : modifiers) EXPECT_EQ(modifier->references(), 3);

        EXPECT_EQ(probe->parametersChanged(), qv::kOk);
        EXPECT_EQ(log, (std::vector<int>{1, 2, 3}));
        // The notice makes the next call prepare again.
        probe->march({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, {});
        EXPECT_EQ(probe->effectPreparations, 2);

        // Rebuilding the chain after a reported change keeps one reference per entry.
        EXPECT_EQ(reportComponentChange(probe->exchangerInterface(), &list), qv::kHandled);
        probe->march({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, {});
        for (LoggingModifier* modifier : modifiers) EXPECT_EQ(modifier->references(), 3);
    }
    // The primitive gave back what its lists held.
    for (LoggingModifier* modifier : modifiers) {
        EXPECT_EQ(modifier->references(), 1);
        modifier->unknown()->Release();
    }
    plain->unknown()->Release();
}

}  // namespace
}  // namespace brumo::test
