// The fuzz case. It plays a host that validates nothing: every field of the parameter blocks
// takes any value a float or an int can hold, the scene has odd lights and shaders, editor events
// arrive with any value, allocations fail and the user cancels. Everything goes through the
// class factory and the components' interfaces, as a real host would.
//
// Input layout: a stream of decisions, one or a few bytes each; an exhausted input reads zeros,
// so every prefix of an input is an input too.
#include "tests/fuzz/fuzz_case.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "brumo/class_ids.h"
#include "brumo/colour.h"
#include "brumo/parameter_fields.h"
#include "host/editor/component_list.h"
#include "host/editor/host_part.h"
#include "host/scene/lights.h"
#include "host/scene/mesh_object.h"
#include "host/scene/scene.h"
#include "host/scene/shaders.h"
#include "host/services/host_services.h"
#include "qv/class_factory.h"
#include "qv/data_exchanger.h"
#include "qv/entry_points.h"
#include "qv/exception.h"
#include "qv/fourcc.h"
#include "qv/geometric_primitive.h"
#include "qv/memory.h"
#include "qv/result_codes.h"
#include "qv/volume_primitive.h"

namespace brumo::fuzz {

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kMax = std::numeric_limits<float>::max();

// Values that sit on an edge of some computation: non-finite, signed zeros, denormals, the
// module's 2^-14 threshold, the int range, the step and grid limits, the usual defaults.
constexpr float kEdgeFloats[] = {
    kNaN, -kNaN, kInf, -kInf, 0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 2.0f, 0.00006103515625f,
    -0.00006103515625f, 1e-45f, std::numeric_limits<float>::min(), kMax, -kMax, 1e30f, -1e30f,
    2147483648.0f, -2147483904.0f, 4294967296.0f, 16777217.0f, 1e-10f, 100.0f, 1000.0f, 1e6f,
    0.01f, 0.04f, 1.28f, 0.99993896484375f, 4.0f, 40.0f, 777.0f, 0.2f, 5.0f, 64.0f, 1e20f, -100.0f,
    3.4e38f, 0.0099999f, 1.0000001f, 0.9999999f};
constexpr int32_t kEdgeInts[] = {
    0, 1, -1, 2, 3, 4, 5, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
    4096, 4097, 65536, 1 << 20, -4096, 5101, 5102, 5103, 5104, 5105, 5110, 131313, 256, 257, 128};

constexpr uint32_t kCodes[] = {
    qv::fourcc("Opt0"), qv::fourcc("Opt1"), qv::fourcc("Opt2"), qv::fourcc("Opt3"),
    qv::fourcc("Opt4"), qv::fourcc("Opt5"), qv::fourcc("Pre1"), qv::fourcc("Pre2"),
    qv::fourcc("Pre3"), qv::fourcc("Pre4"), qv::fourcc("Pre5"), qv::fourcc("NoPt"),
    qv::fourcc("XAXI"), qv::fourcc("YAXI"), qv::fourcc("ZAXI"), 0u, 0xFFFFFFFFu};

// Controls an effect reacts to, and a few it does not know.
constexpr uint32_t kControls[] = {
    qv::fourcc("DPHU"), qv::fourcc("DPHD"), qv::fourcc("DNHU"), qv::fourcc("DNHD"),
    qv::fourcc("DPXC"), qv::fourcc("DPYC"), qv::fourcc("DPZC"), qv::fourcc("DNXC"),
    qv::fourcc("DNYC"), qv::fourcc("DNZC"), qv::fourcc("DXPo"), qv::fourcc("DYPo"),
    qv::fourcc("DZPo"), qv::fourcc("DXNe"), qv::fourcc("DYNe"), qv::fourcc("DZNe"),
    qv::fourcc("FPHU"), qv::fourcc("FNZC"), qv::fourcc("FZNe"), qv::fourcc("DePr"),
    qv::fourcc("CoPr"), qv::fourcc("SEED"), qv::fourcc("SpSe"), qv::fourcc("FirP"),
    qv::fourcc("SmoP"), qv::fourcc("Ctrl"), qv::fourcc("Mods"), qv::fourcc("ShPo")};

constexpr QVGuid kEffects[] = {CLSID_Fire, CLSID_Smog, CLSID_RisingSmoke, CLSID_Clouds};
constexpr const char* kEffectNames[] = {"Fire", "Smog", "RisingSmoke", "Clouds"};
constexpr QVGuid kModifiers[] = {CLSID_TaperModifier,   CLSID_WaveModifier,  CLSID_BulgeModifier,
                                 CLSID_PunchModifier,   CLSID_TwistModifier, CLSID_BendModifier,
                                 CLSID_ShiftModifier,   CLSID_NoiseModifier, CLSID_StretchModifier,
                                 CLSID_ScaleModifier};
constexpr const char* kModifierNames[] = {"TaperModifier",   "WaveModifier",  "BulgeModifier",
                                          "PunchModifier",   "TwistModifier", "BendModifier",
                                          "ShiftModifier",   "NoiseModifier", "StretchModifier",
                                          "ScaleModifier"};

// Names a string field may take: the scene's shaders and meshes, nothing, or something unknown.
constexpr const char* kNames[] = {"", host::shader_names::kConstant, host::shader_names::kChecker,
                                  host::shader_names::kHeightGradient, host::shader_names::kNoise,
                                  "Ball", "Box", "Ring", "no such thing"};

template <class T, size_t N>
constexpr int32_t countOf(const T (&)[N]) {
    return static_cast<int32_t>(N);
}

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }
    uint32_t word() {
        uint32_t w = 0;
        for (int i = 0; i < 4; ++i) w = (w << 8) | byte();
        return w;
    }
    int32_t below(int32_t n) { return static_cast<int32_t>(byte()) % n; }
    bool flag() { return (byte() & 1) != 0; }

    // An edge value, a small number in sixteenths, or any bit pattern at all.
    float number() {
        const uint8_t kind = byte();
        if (kind < 96) return kEdgeFloats[kind % countOf(kEdgeFloats)];
        if (kind < 176) return static_cast<float>(static_cast<int8_t>(byte())) / 16.0f;
        const uint32_t bits = word();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    int32_t integer() {
        const uint8_t kind = byte();
        if (kind < 128) return kEdgeInts[kind % countOf(kEdgeInts)];
        if (kind < 192) return static_cast<int8_t>(byte());
        return static_cast<int32_t>(word());
    }
    uint32_t code() {
        const uint8_t kind = byte();
        if (kind < 192) return kCodes[kind % countOf(kCodes)];
        return word();
    }
    std::string text() {
        const int32_t kind = below(12);
        if (kind < countOf(kNames)) return kNames[kind];
        std::string text(static_cast<size_t>(below(48)), '\0');
        for (char& c : text) c = static_cast<char>(byte());
        return text;
    }
    QVVector3 point() { return {number(), number(), number()}; }
    QVColourRecord colour() { return {number(), number(), number(), number()}; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

// The record of a "Ctrl" event as the host allocates it.
struct ComponentChange {
    int32_t kind;
    IMFComponentList* list;
};

template <class T>
T* at(void* block, const FieldInfo& field) {
    return reinterpret_cast<T*>(static_cast<uint8_t*>(block) + field.offset);
}

// One field of a block, written as the host's layouts would: plain values in place, strings and
// gradients through their own operations, the component list left to the host's list.
void writeField(Input& in, void* block, const FieldInfo& field) {
    switch (field.type) {
        case FieldType::float32: *at<float>(block, field) = in.number(); break;
        case FieldType::int32: *at<int32_t>(block, field) = in.integer(); break;
        case FieldType::fourCharCode: *at<uint32_t>(block, field) = in.code(); break;
        case FieldType::bitSet32: *at<uint32_t>(block, field) = in.flag() ? in.word() : (in.word() & 0xFFFFu); break;
        case FieldType::flag8: *at<uint8_t>(block, field) = in.byte(); break;
        case FieldType::vector3: {
            Vector3* v = at<Vector3>(block, field);
            v->x = in.number();
            v->y = in.number();
            v->z = in.number();
            break;
        }
        case FieldType::string: {
            const std::string text = in.text();
            at<EmbeddedString>(block, field)->get().setText(text.data(), static_cast<int32_t>(text.size()));
            break;
        }
        case FieldType::colourGradient: {
            ColourGradient* gradient = at<ColourGradient>(block, field);
            const int32_t action = in.below(4);
            if (action == 0) gradient->clear();
            if (action == 1 && !gradient->empty()) gradient->removeLast();
            const int32_t keys = in.below(5);
            for (int32_t k = 0; k < keys; ++k) {
                const QVColourRecord c = in.colour();
                gradient->append(ColourKey{{c.red, c.green, c.blue, c.alpha}, in.number()});
            }
            break;
        }
        case FieldType::falloffPairs16: {
            FalloffPair* pairs = at<FalloffPair>(block, field);
            const int32_t writes = in.below(6);
            for (int32_t k = 0; k < writes; ++k) {
                FalloffPair& pair = pairs[in.below(16)];
                pair.a = in.number();
                pair.b = in.number();
            }
            break;
        }
        case FieldType::componentList: break;
    }
}

void writeFields(Input& in, IExDataExchanger* exchanger, const ParameterTable* table, int32_t writes) {
    if (exchanger == nullptr || table == nullptr) return;
    void* block = exchanger->parameterBlock();
    if (block == nullptr) return;
    for (int32_t i = 0; i < writes; ++i) writeField(in, block, table->fields[in.below(table->fieldCount)]);
}

// A component made through the factory, held through its IQVUnknown.
IQVUnknown* create(const QVGuid& classId) {
    IQVClassFactory* factory = nullptr;
    if (QVDllGetClassObject(classId, qv::IID_IClassFactory, reinterpret_cast<void**>(&factory)) != qv::kOk ||
        factory == nullptr)
        return nullptr;
    void* object = nullptr;
    struct Release {
        IQVClassFactory* factory;
        ~Release() { factory->Release(); }
    } release{factory};
    if (factory->CreateInstance(nullptr, qv::IID_IQVUnknown, &object) != qv::kOk) return nullptr;
    return static_cast<IQVUnknown*>(object);
}

template <class Interface>
host::Ref<Interface> query(IQVUnknown* object, const QVGuid& iid) {
    host::Ref<Interface> result;
    if (object != nullptr) object->QueryInterface(iid, reinterpret_cast<void**>(result.slot()));
    return result;
}

// A user who cancels each long precomputation after a number of progress steps.
class CancelAfter final : public host::ProgressListener {
public:
    CancelAfter(host::UtilityService& utility, int32_t steps) : utility_(utility), steps_(steps) {}
    void progressStarted(uint64_t, const std::string&, double) override {
        utility_.clearCancel();
        left_ = steps_;
    }
    void progressAdvanced(uint64_t, double, double) override {
        if (--left_ <= 0) utility_.requestCancel();
    }
    void progressEnded(uint64_t) override {}

private:
    host::UtilityService& utility_;
    int32_t steps_;
    int32_t left_ = 0;
};

// Everything the case made, released in reverse order whatever happened.
struct CaseObjects {
    IQVUnknown* effect = nullptr;
    std::vector<IQVUnknown*> modifiers;
    host::Ref<host::ComponentList> components;

    ~CaseObjects() {
        components.reset();
        for (IQVUnknown* modifier : modifiers) modifier->Release();
        if (effect != nullptr) effect->Release();
    }
};

void addLights(Input& in, host::Scene& scene) {
    const int32_t count = in.below(4);
    for (int32_t i = 0; i < count; ++i) {
        // One read per statement: the order of reads must not depend on the compiler.
        const bool distant = in.flag();
        const QVVector3 where = in.point();
        const QVColourRecord colour = in.colour();
        IQVLight* light = distant ? host::DistantLight::create(where, colour) : host::PointLight::create(where, colour);
        scene.addLight(light);
        light->Release();
    }
}

// Meshes an effect may be shaped by, some flat, some with many crossings.
void addMeshes(Input& in, host::Scene& scene) {
    const int32_t which = in.below(8);
    if ((which & 1) != 0) scene.addObject(host::MeshObject::sphere("Ball", 0.5f + 0.25f * in.below(16), 8).get());
    if ((which & 2) != 0) {
        if (in.flag()) {
            scene.addObject(host::MeshObject::box("Box", {2.0f, 1.0f, 1.5f}).get());
        } else {
            // A square without thickness: its bounding box is flat in z.
            std::vector<QVVector3> corners = {{-2.0f, -1.0f, 0.0f}, {2.0f, -1.0f, 0.0f}, {2.0f, 1.0f, 0.0f}, {-2.0f, 1.0f, 0.0f}};
            scene.addObject(host::MeshObject::fromTriangles("Box", std::move(corners), {0, 1, 2, 0, 2, 3}).get());
        }
    }
    if ((which & 4) != 0) scene.addObject(host::MeshObject::torus("Ring", 2.0f, 0.5f, 12, 8).get());
}

// One editor event as the host's panel sends it: a control with its value, a component-list
// change record, or the list itself; now and then an event of another kind or without a source.
void sendEvent(Input& in, IExDataExchanger* exchanger, host::ComponentList* components) {
    if (in.below(8) == 0) {
        exchanger->handleEvent(5110, components != nullptr ? components->unknown() : nullptr, nullptr);
        return;
    }
    const uint32_t id = in.below(4) == 0 ? in.word() : kControls[in.below(countOf(kControls))];
    host::Ref<host::HostPart> part = host::HostPart::create(id, host::PartKind::integer);
    part->storeInt(in.flag() ? static_cast<int32_t>(in.code()) : in.integer());
    const int32_t shape = in.below(8);
    if (shape == 0) {
        exchanger->handleEvent(in.integer(), part->unknown(), nullptr);
        return;
    }
    if (shape == 1) {
        exchanger->handleEvent(5, nullptr, nullptr);
        return;
    }
    ComponentChange* record = nullptr;
    if (id == qv::fourcc("Ctrl") && in.flag()) {
        // The receiver owns the record, and the list reference in it, from here on.
        record = static_cast<ComponentChange*>(qv::allocateBlock(sizeof(ComponentChange)));
        if (record != nullptr) {
            record->kind = in.integer();
            record->list = nullptr;
            if (components != nullptr && in.flag()) {
                components->AddRef();
                record->list = components;
            }
        }
    }
    exchanger->handleEvent(5, part->unknown(), record);
}

// Stages at which the one injected allocation failure may strike.
enum class FaultStage { none, creation, attachment, editing, rendering };

class Case {
public:
    Case(host::HostServices& services, const uint8_t* data, size_t size)
        : in_(data, size), services_(services), failedBefore_(services.memory().counts().failedAllocations) {}

    std::string run() {
        const int32_t stage = in_.below(8);
        faultStage_ = stage <= 4 ? static_cast<FaultStage>(stage) : FaultStage::none;
        faultAt_ = in_.below(4) == 0 ? 1 + (in_.word() % 20000) : 1 + in_.byte();
        // Most users wait for a few slices of a shadow grid; the patient one waits for twelve,
        // which completes every grid of up to twelve points a side.
        const int32_t patience = in_.below(8);
        CancelAfter cancel(services_.utility(), patience < 6 ? patience + 1 : 12);
        services_.utility().setProgressListener(&cancel);

        host::Ref<host::Scene> previous = services_.application().scene();
        host::Ref<host::Scene> scene = host::Ref<host::Scene>::adopt(new host::Scene);
        services_.setScene(scene.get());
        {
            CaseObjects objects;
            guarded([&] { play(objects, *scene); });
            services_.memory().clearFaults();
            services_.utility().clearCancel();
        }
        services_.setScene(previous.get());
        if (scene->referenceCount() != 1) complain("the module still holds the scene");
        services_.utility().setProgressListener(nullptr);
        return problems_;
    }

private:
    void complain(const std::string& what) { problems_ += what + "\n"; }

    void startFaults(FaultStage stage) {
        if (stage == faultStage_) services_.memory().failNthAllocation(faultAt_);
    }

    // A module call whose exception the host catches, as it would around every call into a
    // plug-in. Only the documented codes may come out, and only for their reason.
    template <class F>
    void guarded(F&& call) {
        try {
            call();
        } catch (const TQVException& e) {
            const bool faulted = services_.memory().counts().failedAllocations > failedBefore_;
            const bool cancelled = services_.utility().cancelRequested();
            if (!(e.code == qv::kOutOfMemory && faulted) && !(e.code == qv::kCancelled && cancelled)) {
                char code[16];
                std::snprintf(code, sizeof code, "0x%08X", static_cast<uint32_t>(e.code));
                complain(std::string("TQVException ") + code + " without its cause");
            }
        } catch (...) {
            complain("an exception that is not a TQVException");
        }
    }

    void play(CaseObjects& objects, host::Scene& scene) {
        scene.setSizeFactor(in_.number());
        host::addBuiltInShaders(scene);
        addLights(in_, scene);
        addMeshes(in_, scene);

        const int32_t effectIndex = in_.below(countOf(kEffects));
        startFaults(FaultStage::creation);
        objects.effect = create(kEffects[effectIndex]);
        if (objects.effect == nullptr) return;
        host::Ref<IExDataExchanger> exchanger = query<IExDataExchanger>(objects.effect, qv::IID_IExDataExchanger);
        host::Ref<IVolumePrimitive> volume = query<IVolumePrimitive>(objects.effect, qv::IID_IVolumePrimitive);
        host::Ref<I3DExNewVolumePrimitive> span =
            query<I3DExNewVolumePrimitive>(objects.effect, qv::IID_I3DExNewVolumePrimitive);
        host::Ref<I3DExGeometricPrimitive> geometry =
            query<I3DExGeometricPrimitive>(objects.effect, qv::IID_I3DExGeometricPrimitive);
        if (!exchanger || !volume || !span || !geometry) {
            complain("an effect without its interfaces");
            return;
        }
        const ParameterTable* table = findParameterTable(kEffectNames[effectIndex]);
        writeFields(in_, exchanger.get(), table, in_.below(24));

        startFaults(FaultStage::attachment);
        objects.components = host::ComponentList::create(objects.effect);
        const int32_t modifierCount = in_.below(5);
        for (int32_t i = 0; i < modifierCount; ++i) {
            const int32_t index = in_.below(countOf(kModifiers));
            IQVUnknown* modifier = create(kModifiers[index]);
            if (modifier == nullptr) continue;
            objects.modifiers.push_back(modifier);
            host::Ref<IExDataExchanger> block = query<IExDataExchanger>(modifier, qv::IID_IExDataExchanger);
            writeFields(in_, block.get(), findParameterTable(kModifierNames[index]), in_.below(10));
            if (in_.flag()) {
                // The noise modifier's "SEED" button, or any other control, or none.
                const uint32_t id = in_.flag() ? qv::fourcc("SEED") : in_.word();
                host::Ref<host::HostPart> control = host::HostPart::create(id, host::PartKind::button);
                const int32_t kind = in_.flag() ? 5 : in_.integer();
                IQVUnknown* source = in_.flag() ? control->unknown() : nullptr;
                guarded([&] { block->handleEvent(kind, source, nullptr); });
            }
            guarded([&] { objects.components->attach(modifier); });
        }

        startFaults(FaultStage::editing);
        const int32_t events = in_.below(6);
        for (int32_t i = 0; i < events; ++i)
            guarded([&] { sendEvent(in_, exchanger.get(), objects.components.get()); });
        if (in_.flag()) guarded([&] { exchanger->parametersChanged(); });

        startFaults(FaultStage::rendering);
        const int32_t frames = 1 + in_.below(3);
        for (int32_t frame = 0; frame < frames; ++frame) {
            const int32_t segments = 1 + in_.below(4);
            for (int32_t i = 0; i < segments; ++i) guarded([&] { render(volume.get(), span.get(), geometry.get()); });
            // Between frames the host may change anything, serialised with the rendering.
            switch (in_.below(5)) {
                case 0:
                    writeFields(in_, exchanger.get(), table, 1 + in_.below(4));
                    guarded([&] { exchanger->parametersChanged(); });
                    break;
                case 1: guarded([&] { sendEvent(in_, exchanger.get(), objects.components.get()); }); break;
                case 2: addLights(in_, scene); break;
                case 3:
                    if (!objects.modifiers.empty()) {
                        IQVUnknown* modifier = objects.modifiers[static_cast<size_t>(in_.below(4)) % objects.modifiers.size()];
                        if (in_.flag())
                            guarded([&] { objects.components->detach(modifier); });
                        else
                            guarded([&] { objects.components->move(0, in_.below(4)); });
                    }
                    break;
                default: break;
            }
        }
    }

    // One segment, through either interface: chords through the cube, arbitrary points, empty
    // and enormous segments.
    void render(IVolumePrimitive* volume, I3DExNewVolumePrimitive* span, I3DExGeometricPrimitive* geometry) {
        QVBox box{{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}};
        geometry->queryBounds(&box);
        auto small = [this] { return static_cast<float>(static_cast<int8_t>(in_.byte())) / 8.0f; };
        QVVector3 start{small(), small(), small()};
        QVVector3 end{small(), small(), small()};
        switch (in_.below(6)) {
            case 0: start = in_.point(); end = in_.point(); break;
            case 1: end = start; break;
            case 2: {
                const float far = in_.number();
                start = {start.x * far, start.y * far, start.z * far};
                break;
            }
            case 3: start = box.min; end = box.max; break;
            default: break;
        }
        QVColourRecord colour = in_.flag() ? in_.colour() : QVColourRecord{0.1f, 0.2f, 0.3f, 1.0f};
        if (in_.flag()) {
            volume->integrateSegment(&start, &end, &colour, nullptr, 0, 0);
            return;
        }
        const QVRay ray{start, {end.x - start.x, end.y - start.y, end.z - start.z}};
        const double near = in_.flag() ? static_cast<double>(in_.number()) : 0.0;
        const double far = in_.flag() ? static_cast<double>(in_.number()) : 1.0;
        float output[6] = {-1.0f, -1.0f, -1.0f, -1.0f, -1.0f, -1.0f};
        float* record = in_.flag() ? output : nullptr;
        const int32_t finalValue = in_.integer();
        span->integrateRaySpan(0, &ray, near, far, &colour, record, 0, 0, 0, 0, 0, finalValue);
    }

    Input in_;
    host::HostServices& services_;
    uint64_t failedBefore_;
    FaultStage faultStage_ = FaultStage::none;
    uint64_t faultAt_ = 0;
    std::string problems_;
};

// What the module still holds after the case, against the counts before it.
std::string leftovers(host::HostServices& services, const host::MemoryCounts& before) {
    std::string report;
    const host::MemoryCounts after = services.memory().counts();
    auto compare = [&report](const char* what, int64_t was, int64_t is) {
        if (was != is)
            report += std::string(what) + " " + std::to_string(was) + " before, " + std::to_string(is) + " after\n";
    };
    compare("live objects", before.liveObjects, after.liveObjects);
    compare("live blocks", before.liveBlocks, after.liveBlocks);
    compare("live bytes", before.liveBytes, after.liveBytes);
    compare("invalid frees", static_cast<int64_t>(before.invalidFrees), static_cast<int64_t>(after.invalidFrees));
    if (QVDllCanUnloadNow() != 0) report += "QVDllCanUnloadNow is not 0\n";
    if (services.resources().openContexts() != 0) report += "a resource context is still pushed\n";
    if (services.utility().liveProgressBars() != 0) report += "a progress bar was never released\n";
    return report;
}

}  // namespace

}  // namespace brumo::fuzz

namespace brumo::fuzz {

std::string runCase(host::HostServices& services, const uint8_t* data, size_t size) {
    const host::MemoryCounts before = services.memory().counts();
    std::string problems = Case(services, data, size).run();
    problems += leftovers(services, before);
    return problems;
}

}  // namespace brumo::fuzz
