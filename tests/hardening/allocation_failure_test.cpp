// Allocation-failure sweep: for each of the nineteen classes and each step of its life (create,
// attach, prepare and render, or prepare a panel's content), the N-th allocation fails for every
// N up to the number the step makes. Whatever fails, the host sees a documented outcome, the
// component stays usable, and everything comes back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "brumo/class_ids.h"
#include "brumo/parameter_blocks.h"
#include "host/common/text.h"
#include "host/editor/component_list.h"
#include "host/editor/host_part.h"
#include "host/editor/layouts.h"
#include "host/editor/panel.h"
#include "host/scene/lights.h"
#include "host/scene/mesh_object.h"
#include "host/scene/scene.h"
#include "host/scene/shaders.h"
#include "qv/class_factory.h"
#include "qv/data_exchanger.h"
#include "qv/entry_points.h"
#include "qv/exception.h"
#include "qv/fourcc.h"
#include "qv/volume_primitive.h"
#include "tests/support/module_objects.h"
#include "tests/support/test_host.h"

namespace brumo::test {
namespace {

// What one call into the module came to.
struct Outcome {
    QVResult result = qv::kOk;
    bool raised = false;
    QVResult raisedCode = 0;
    std::string source;
    int32_t line = 0;
};

template <class F>
Outcome attempt(F&& call) {
    Outcome outcome;
    try {
        outcome.result = call();
    } catch (const TQVException& e) {
        outcome.raised = true;
        outcome.raisedCode = e.code;
        outcome.source = e.source() != nullptr ? e.source() : "";
        outcome.line = e.line;
    }
    return outcome;
}

// A component through the factory; `out` is left as it was when creation fails.
QVResult createThroughFactory(const QVGuid& classId, IQVUnknown* outer, void** out) {
    IQVClassFactory* factory = nullptr;
    const QVResult got = QVDllGetClassObject(classId, qv::IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (got != qv::kOk) return got;
    // Released on the way out, also when the construction raises.
    host::Ref<IQVClassFactory> held = host::Ref<IQVClassFactory>::adopt(factory);
    return factory->CreateInstance(outer, qv::IID_IQVUnknown, out);
}

IQVUnknown* create(const QVGuid& classId) {
    void* object = nullptr;
    EXPECT_EQ(createThroughFactory(classId, nullptr, &object), qv::kOk);
    return static_cast<IQVUnknown*>(object);
}

bool isModifier(const ClassListEntry& entry) { return entry.kind == ClassKind::modifier; }
bool isEffect(const ClassListEntry& entry) { return entry.kind == ClassKind::effect; }

class AllocationFailure : public ::testing::TestWithParam<int> {
protected:
    const ClassListEntry& entry() const { return kClassList[GetParam()]; }

    void SetUp() override {
        before = host().memory().counts();
        // A scene with everything a preparation may look up: a light, shaders and a mesh.
        host::Scene& scene = host().scene();
        host::addBuiltInShaders(scene);
        IQVLight* light = host::DistantLight::create({0.3f, -0.4f, -0.8f}, {1.0f, 0.9f, 0.8f, 1.0f});
        scene.addLight(light);
        light->Release();
        host::Ref<host::MeshObject> ball = host::MeshObject::sphere("Ball", 2.0f, 12);
        scene.addObject(ball.get());
    }
    void TearDown() override {
        host().memory().clearFaults();
        host().scene().clear();
        expectNothingLeft();
    }

    // The host holds the objects, blocks and bytes it held at `then`, and no free went wrong since.
    static ::testing::AssertionResult sameLiveMemory(const host::MemoryCounts& then) {
        const host::MemoryCounts now = host().memory().counts();
        if (now.liveObjects == then.liveObjects && now.liveBlocks == then.liveBlocks &&
            now.liveBytes == then.liveBytes && now.invalidFrees == then.invalidFrees)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "live objects " << then.liveObjects << " -> " << now.liveObjects
                                             << ", blocks " << then.liveBlocks << " -> " << now.liveBlocks
                                             << ", bytes " << then.liveBytes << " -> " << now.liveBytes
                                             << ", invalid frees " << then.invalidFrees << " -> "
                                             << now.invalidFrees;
    }

    void expectNothingLeft() {
        EXPECT_TRUE(sameLiveMemory(before));
        EXPECT_EQ(QVDllCanUnloadNow(), 0);
        EXPECT_EQ(host().resources().openContexts(), 0);
        EXPECT_EQ(host().utility().liveProgressBars(), 0);
    }

    // Runs step once to count the allocations between its begin() and end(), then once for every
    // N up to that count with the N-th failing. step(n) gets 0 for the counting run.
    void sweep(const std::function<void(uint64_t n)>& step) {
        failAt = 0;
        step(0);
        const uint64_t total = made;
        ASSERT_GT(total, 0u) << "the step allocates nothing";
        for (uint64_t n = 1; n <= total; ++n) {
            SCOPED_TRACE("allocation " + std::to_string(n) + " of " + std::to_string(total) + " fails");
            const host::MemoryCounts start = host().memory().counts();
            failAt = n;
            step(n);
            host().memory().clearFaults();
            ASSERT_TRUE(sameLiveMemory(start));
            ASSERT_EQ(QVDllCanUnloadNow(), 0);
            ASSERT_EQ(host().resources().openContexts(), 0);
        }
    }
    void begin() {
        startedAt = host().memory().counts().allocations;
        if (failAt != 0) host().memory().failNthAllocation(failAt);
    }
    void end() {
        made = host().memory().counts().allocations - startedAt;
        host().memory().clearFaults();
    }

    // An effect whose preparation allocates all it can: a shadow grid from the scene's lights, a
    // host density shader, the mesh, a few modifiers.
    IQVUnknown* preparedEffect(const QVGuid& classId) {
        IQVUnknown* effect = create(classId);
        host::Ref<IExDataExchanger> exchanger = query<IExDataExchanger>(effect, qv::IID_IExDataExchanger);
        auto& p = *static_cast<EffectParameters*>(exchanger->parameterBlock());
        p.lightingMode = qv::fourcc("Opt2");
        p.quality = 0.2f;  // a grid of 10 points a side: 111 lists
        p.meshOff = 0;
        host::setText(&p.meshName.get(), "Ball");
        p.noiseType = 0;
        host::setText(&p.densityShaderName.get(), host::shader_names::kNoise);
        exchanger->parametersChanged();
        return effect;
    }

    // Renders a chord through the middle of the effect; answers the call's outcome.
    static Outcome render(IQVUnknown* effect, QVColourRecord& colour) {
        host::Ref<IVolumePrimitive> volume = query<IVolumePrimitive>(effect, qv::IID_IVolumePrimitive);
        const QVVector3 start{0.3f, -0.2f, -5.0f};
        const QVVector3 end{-0.1f, 0.4f, 5.0f};
        colour = {0.0f, 0.0f, 0.0f, 1.0f};
        return attempt([&] { return volume->integrateSegment(&start, &end, &colour, nullptr, 0, 0); });
    }
    static bool finite(const QVColourRecord& c) {
        return std::isfinite(c.red) && std::isfinite(c.green) && std::isfinite(c.blue) && std::isfinite(c.alpha);
    }

    host::MemoryCounts before;
    uint64_t failAt = 0;
    uint64_t startedAt = 0;
    uint64_t made = 0;
};

// Effects and modifiers: the classes that take part in a render.
class RenderedClass : public AllocationFailure {};
// The five editor parts, which live in panels.
class EditorPart : public AllocationFailure {};

// The factory object is the first allocation, the component the second; further ones are the
// component's own storage, whose loss either ends the construction with 0x80010002 (the memory
// of the part-built object returned) or leaves a string or list empty.
TEST_P(AllocationFailure, Creation) {
    const bool part = entry().kind == ClassKind::editorPart;
    sweep([&](uint64_t n) {
        host::Ref<host::HostPart> outer;
        if (part) outer = host::HostPart::create(qv::fourcc("Part"), host::PartKind::group);
        // The out slot holds a reference the caller gives up: a failed creation leaves it there.
        host::Ref<host::HostPart> marker = host::HostPart::create(qv::fourcc("Mark"), host::PartKind::group);
        IQVUnknown* const untouched = marker->unknown();
        void* object = marker.addRefed()->unknown();
        begin();
        const Outcome outcome = attempt([&] {
            return createThroughFactory(entry().classId, part ? outer->unknown() : nullptr, &object);
        });
        end();
        if (n == 1) {
            EXPECT_TRUE(outcome.raised);
            EXPECT_EQ(outcome.raisedCode, qv::kOutOfMemory);
            EXPECT_EQ(outcome.source, "QVCountedPtrHelper");
            EXPECT_EQ(outcome.line, 166);
        } else if (n == 2) {
            EXPECT_FALSE(outcome.raised);
            EXPECT_EQ(outcome.result, qv::kClassNotAvailable);
            EXPECT_EQ(object, untouched);
        } else if (outcome.raised) {
            EXPECT_EQ(outcome.raisedCode, qv::kOutOfMemory);
        } else if (outcome.result != qv::kOk) {
            EXPECT_EQ(outcome.result, qv::kClassNotAvailable);
            EXPECT_EQ(object, untouched);
        }
        if (object == untouched) {
            EXPECT_EQ(marker->referenceCount(), 2);
            marker->Release();
        }
        if (!outcome.raised && outcome.result == qv::kOk) {
            ASSERT_NE(object, untouched);
            EXPECT_EQ(marker->referenceCount(), 1);
            if (part) outer->aggregate(static_cast<IQVUnknown*>(object));  // the outer's end releases it
            else static_cast<IQVUnknown*>(object)->Release();
        }
    });
}

// Attaching through the host's component list: the "Ctrl" record or the refilled list may be
// lost; the effect then renders with fewer modifiers, and never with a dangling one.
TEST_P(RenderedClass, Attachment) {
    const QVGuid effectClass = isEffect(entry()) ? entry().classId : CLSID_Smog;
    const QVGuid modifierClass = isModifier(entry()) ? entry().classId : CLSID_TwistModifier;
    sweep([&](uint64_t) {
        IQVUnknown* effect = create(effectClass);
        IQVUnknown* modifier = create(modifierClass);
        host::Ref<host::ComponentList> list = host::ComponentList::create(effect);
        begin();
        const Outcome attached = attempt([&] { return list->attach(modifier) ? qv::kOk : qv::kNotImplemented; });
        end();
        EXPECT_FALSE(attached.raised);
        QVColourRecord colour;
        const Outcome rendered = render(effect, colour);
        EXPECT_FALSE(rendered.raised);
        EXPECT_TRUE(finite(colour));
        list.reset();
        modifier->Release();
        effect->Release();
    });
}

// The first render prepares everything: tables, lattice, shaders, lights, shadow grid, mesh and
// the modifier list. A lost allocation there raises 0x80010002 out of integrateSegment or leaves
// a list short; the next render, with memory again, must work.
TEST_P(RenderedClass, PreparationAndRendering) {
    const QVGuid effectClass = isEffect(entry()) ? entry().classId : CLSID_Clouds;
    sweep([&](uint64_t) {
        IQVUnknown* effect = preparedEffect(effectClass);
        IQVUnknown* modifier = isModifier(entry()) ? create(entry().classId) : nullptr;
        host::Ref<host::ComponentList> list = host::ComponentList::create(effect);
        if (modifier != nullptr) list->attach(modifier);
        QVColourRecord colour;
        begin();
        const Outcome first = render(effect, colour);
        end();
        if (first.raised) EXPECT_EQ(first.raisedCode, qv::kOutOfMemory);
        else EXPECT_EQ(first.result, qv::kOk);
        const Outcome again = render(effect, colour);
        EXPECT_FALSE(again.raised);
        EXPECT_EQ(again.result, qv::kOk);
        EXPECT_TRUE(finite(colour));
        list.reset();
        if (modifier != nullptr) modifier->Release();
        effect->Release();
    });
}

// An editor part prepares its content in its panel: the pickers fill their popups from the
// scene. Lost memory gives a shorter list or 0x80010002, and the panel closes cleanly.
TEST_P(EditorPart, PanelContent) {
    const bool onModifierPanel = entry().classId == CLSID_ShaderChooserPart;
    sweep([&](uint64_t) {
        IQVUnknown* edited = create(onModifierPanel ? CLSID_NoiseModifier : CLSID_Smog);
        {
            host::Panel panel(edited, host::fieldTableOf(onModifierPanel ? "NoiseModifier" : "Smog"),
                              [](const QVGuid& classId, IQVUnknown* outer, IQVUnknown** object) {
                                  return createThroughFactory(classId, outer, reinterpret_cast<void**>(object));
                              });
            if (onModifierPanel)
                host::buildNoiseModifierPanel(panel);
            else
                host::buildEffectPanel(panel, "Smog");
            ASSERT_EQ(panel.open(), qv::kOk);
            begin();
            const Outcome prepared = attempt([&] {
                panel.prepare();
                return qv::kOk;
            });
            end();
            if (prepared.raised) {
                EXPECT_EQ(prepared.raisedCode, qv::kOutOfMemory);
            }
            panel.close();
        }
        edited->Release();
    });
}

std::string className(const ::testing::TestParamInfo<int>& info) { return kClassList[info.param].name; }

constexpr int kFirstEditorPart = 14;
static_assert(kClassList[kFirstEditorPart - 1].kind == ClassKind::modifier &&
                  kClassList[kFirstEditorPart].kind == ClassKind::editorPart,
              "effects and modifiers come first in the class list");

INSTANTIATE_TEST_SUITE_P(EveryClass, AllocationFailure, ::testing::Range(0, kClassCount), className);
INSTANTIATE_TEST_SUITE_P(EffectsAndModifiers, RenderedClass, ::testing::Range(0, kFirstEditorPart), className);
INSTANTIATE_TEST_SUITE_P(Parts, EditorPart, ::testing::Range(kFirstEditorPart, kClassCount), className);

}  // namespace
}  // namespace brumo::test
