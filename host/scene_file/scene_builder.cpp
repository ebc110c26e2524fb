#include "host/scene_file/scene_builder.h"

#include <cstdio>

#include "host/scene/lights.h"
#include "host/scene/mesh_object.h"
#include "host/scene/shaders.h"
#include "qv/data_exchanger.h"

namespace brumo::host {

namespace {

std::string codeText(QVResult code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return text;
}

Ref<IExDataExchanger> exchangerOf(IQVUnknown* component) {
    Ref<IExDataExchanger> exchanger;
    if (component != nullptr)
        component->QueryInterface(qv::IID_IExDataExchanger, reinterpret_cast<void**>(exchanger.slot()));
    return exchanger;
}

BuiltComponent createComponent(const ParameterTable& table, const QVGuid& classId,
                               const CreateComponent& create) {
    BuiltComponent built;
    built.table = &table;
    built.classId = classId;
    const QVResult result = create(classId, reinterpret_cast<IQVUnknown**>(built.object.slot()));
    if (result != qv::kOk || !built.object)
        throw ComponentError(std::string("the module cannot create ") + table.className + " (" +
                             codeText(result) + ")");
    return built;
}

BuiltComponent buildComponent(const ComponentDescription& description, double t,
                              const CreateComponent& create) {
    BuiltComponent built = createComponent(*description.table, description.classId, create);
    void* block = parameterBlockOf(built.object.get(), *description.table);
    for (const FieldValue& value : description.values) writeField(block, value, t);
    notifyParametersChanged(built.object.get());
    return built;
}

BuiltComponent cloneComponent(const BuiltComponent& source, const CreateComponent& create) {
    BuiltComponent copy = createComponent(*source.table, source.classId, create);
    const void* from = parameterBlockOf(source.object.get(), *source.table);
    void* to = parameterBlockOf(copy.object.get(), *source.table);
    for (int32_t i = 0; i < source.table->fieldCount; ++i)
        copyField(to, from, source.table->fields[i]);
    notifyParametersChanged(copy.object.get());
    return copy;
}

void attachModifiers(BuiltEffect& effect) {
    effect.components = ComponentList::create(effect.effect.object.get());
    for (const BuiltComponent& modifier : effect.modifiers)
        effect.components->attach(modifier.object.get());
}

float readFloat(const BuiltComponent& component, const char* name) {
    const FieldInfo* field = findField(*component.table, name);
    if (field == nullptr || field->type != FieldType::float32) return 0.0f;
    const void* block = parameterBlockOf(component.object.get(), *component.table);
    return *reinterpret_cast<const float*>(static_cast<const char*>(block) + field->offset);
}

}  // namespace

void* parameterBlockOf(IQVUnknown* component, const ParameterTable& table) {
    Ref<IExDataExchanger> exchanger = exchangerOf(component);
    if (!exchanger || exchanger->parameterBlock() == nullptr)
        throw ComponentError(std::string("the module's ") + table.className + " offers no parameters");
    const int32_t size = exchanger->parameterBlockSize();
    if (size < 0 || uint32_t(size) < table.blockSize)
        throw ComponentError(std::string("the module's ") + table.className + " block holds " +
                             std::to_string(size) + " bytes where " +
                             std::to_string(table.blockSize) + " were expected");
    return exchanger->parameterBlock();
}

void notifyParametersChanged(IQVUnknown* component) {
    if (Ref<IExDataExchanger> exchanger = exchangerOf(component)) exchanger->parametersChanged();
}

float BuiltEffect::parameter(const char* name) const { return readFloat(effect, name); }

float BuiltEffect::marchStep() const {
    const float size = readFloat(effect, "size");
    const float quality = readFloat(effect, "quality");
    // The march's own rule: 100 × quality steps across the cube's edge of 2 normalised units.
    float v = quality >= 0.01f ? 2.0f / (quality * 100.0f) : 2.0f;
    if (v <= 0.00006103515625f) v = 0.00006103515625f;
    if (v >= 2.0f) v = 2.0f;
    return v * (size > 0.0f ? size : 0.0f);
}

void populateHostScene(const SceneDescription& description, Scene& scene) {
    addBuiltInShaders(scene);
    for (const ShaderDescription& shader : description.shaders) {
        Ref<ProceduralShader> made;
        switch (shader.kind) {
            case ShaderDescription::Kind::constant:
                made = shader.value < 0.0f
                           ? Ref<ProceduralShader>::adopt(new ConstantColourShader(shader.name, shader.first))
                           : Ref<ProceduralShader>::adopt(
                                 new ConstantColourShader(shader.name, shader.first, shader.value));
                break;
            case ShaderDescription::Kind::checker:
                made = Ref<ProceduralShader>::adopt(
                    new CheckerShader(shader.name, shader.size, shader.first, shader.second));
                break;
            case ShaderDescription::Kind::heightGradient:
                made = Ref<ProceduralShader>::adopt(new HeightGradientShader(
                    shader.name, shader.low, shader.high, shader.first, shader.second));
                break;
            case ShaderDescription::Kind::noise:
                made = Ref<ProceduralShader>::adopt(new NoiseShader(
                    shader.name, shader.size, shader.octaves, shader.seed, shader.first, shader.second));
                break;
        }
        // A scene shader of a built-in's name takes its place.
        scene.removeShader(shader.name);
        scene.addShader(made.get());
    }
    for (const LightDescription& light : description.lights) {
        IQVLight* made = light.kind == LightDescription::Kind::distant
                             ? DistantLight::create(light.vector, light.colour)
                             : PointLight::create(light.vector, light.colour);
        scene.addLight(made);
        made->Release();
    }
    for (const MeshDescription& mesh : description.meshes) {
        Ref<MeshObject> made;
        try {
            switch (mesh.kind) {
                case MeshDescription::Kind::obj: made = MeshObject::loadObj(mesh.path, mesh.name); break;
                case MeshDescription::Kind::sphere: made = MeshObject::sphere(mesh.name, mesh.radius); break;
                case MeshDescription::Kind::box: made = MeshObject::box(mesh.name, mesh.halfExtent); break;
                case MeshDescription::Kind::torus:
                    made = MeshObject::torus(mesh.name, mesh.majorRadius, mesh.minorRadius);
                    break;
            }
        } catch (const std::runtime_error& error) {
            throw SceneFileError(description.file,
                                 mesh.jsonPath + (mesh.kind == MeshDescription::Kind::obj ? ".path" : ""),
                                 error.what());
        }
        scene.addObject(made.get());
    }
}

BuiltEffect buildEffect(const EffectDescription& description, double t, const CreateComponent& create) {
    BuiltEffect effect;
    effect.name = description.name;
    effect.transform = description.transform;
    effect.effect = buildComponent(description.component, t, create);
    for (const ComponentDescription& modifier : description.modifiers)
        effect.modifiers.push_back(buildComponent(modifier, t, create));
    attachModifiers(effect);
    return effect;
}

BuiltEffect cloneEffect(const BuiltEffect& source, const CreateComponent& create) {
    BuiltEffect effect;
    effect.name = source.name;
    effect.transform = source.transform;
    effect.effect = cloneComponent(source.effect, create);
    for (const BuiltComponent& modifier : source.modifiers)
        effect.modifiers.push_back(cloneComponent(modifier, create));
    attachModifiers(effect);
    return effect;
}

std::vector<std::vector<BuiltEffect>> buildEffectCopies(const SceneDescription& scene, double t, int threads,
                                                        const CreateComponent& create) {
    std::vector<std::vector<BuiltEffect>> copies(size_t(threads > 0 ? threads : 1));
    for (const EffectDescription& effect : scene.effects) copies[0].push_back(buildEffect(effect, t, create));
    for (size_t c = 1; c < copies.size(); ++c)
        for (const BuiltEffect& effect : copies[0]) copies[c].push_back(cloneEffect(effect, create));
    return copies;
}

VolumeSet placeEffects(const std::vector<BuiltEffect>& effects) {
    VolumeSet set;
    set.reserve(effects.size());
    for (const BuiltEffect& effect : effects)
        set.emplace_back(effect.effect.object.get(), effect.transform, effect.marchStep());
    return set;
}

}  // namespace brumo::host
