#include "modifiers/noise_modifier.h"

#include <cmath>
#include <cstddef>
#include <cstring>

#include "brumo/resource_texts.h"
#include "frame/grid_inputs.h"
#include "frame/host_scene.h"
#include "frame/module_state.h"
#include "frame/module_texts.h"
#include "frame/panel_controls.h"
#include "qv/host_editor.h"
#include "qv/services.h"

namespace brumo {

namespace {

// 100 / size, or 0 for a size too small to divide by.
inline float inverseSize(float size) { return std::fabs(size) > kSmallestFactor ? 100.0f / size : 0.0f; }

int32_t drawRandom(int32_t fallback) {
    IQVUtilityService* random = utilityService();
    return random != nullptr ? random->nextRandom() : fallback;
}

}  // namespace

NoiseModifier::NoiseModifier()
    : TQVComponent<NoiseModifier, BasicVolumeModifier>(&parameters, sizeof(NoiseModifierParameters)),
      noiseTransform(kIdentityTransform) {
    lattice.create();

    // The record as the host expects it before its own initialiser runs over it.
    std::memset(&shadingRecord, 0, sizeof shadingRecord);
    shadingRecord.normal.x = 1.0f;           // word 3
    shadingRecord.geometricNormal.x = 1.0f;  // word 9
    shadingRecord.coverage = 1.0f;           // word 54
    shadingRecord.weight = 1.0f;             // word 57
    shadingRecord.channelMask = qv::kAllChannels;

    NoiseModifierParameters& p = parameters;
    p.directionX = 1.0f;
    p.directionY = 1.0f;
    p.directionZ = 1.0f;
    p.noiseSize = 20.0f;
    p.noiseScaleX = 100.0f;
    p.noiseScaleY = 100.0f;
    p.noiseScaleZ = 100.0f;
    p.noiseOffsetX = 0.0f;
    p.noiseOffsetY = 0.0f;
    p.noiseOffsetZ = 0.0f;
    p.rotationA = 0.0f;
    p.rotationB = 0.0f;
    p.rotationC = 0.0f;
    p.seed = drawRandom(lattice.seed);  // a second draw, after the lattice's own

    loadResourceText(p.shaderName.get(), kTextNone);
    p.builtInNoise = 1;
    reseed(p.seed);
    qv::resetShadingRecord(shadingRecord);
}

void NoiseModifier::reseed(int32_t seed) {
    lattice.seed = seed;
    lattice.ready = false;
    lattice.buildLattice();
}

QVResult NoiseModifier::handleEvent(int32_t, IQVUnknown* source, void*) {
    // The event's source is a control of the panel; its id is the host part's partId, as the
    // primitive reads it.
    QVCountedPtr<IMFPart> control;
    control.queryFrom(source, qv::IID_IMFPart);
    if (!control || control->partId() != kSeedButton) return 0;
    parameters.seed = drawRandom(parameters.seed);
    reseed(parameters.seed);
    return 1;
}

void NoiseModifier::refreshShader() {
    const NoiseModifierParameters& p = parameters;
    if (p.builtInNoise != 0 || p.shaderName->byteLength == 0) {
        shader.reset();
        shaderRef.reset();
        return;
    }
    QVCountedPtr<IQVScene> scene = currentScene();
    if (scene)
        scene->findShader(reinterpret_cast<IQVShaderObject**>(shaderRef.slot()), &p.shaderName.get());
    else
        shaderRef.reset();
    // A name the scene no longer knows drops the shader found earlier too, so that renaming or
    // removing it brings the noise back rather than an old shader.
    if (shaderRef)
        shaderRef->shaderInterface(reinterpret_cast<IQVShader**>(shader.slot()));
    else
        shader.reset();
}

void NoiseModifier::updateCache() {
    needsUpdate = false;
    const NoiseModifierParameters& p = parameters;

    // A seed the host wrote into the block (typed in, or restored with a saved scene) takes
    // effect here, so that a stored scene renders with the pattern it was saved with.
    if (p.seed != lattice.seed) reseed(p.seed);

    refreshShader();

    noiseTransform.translation = {p.noiseOffsetX, p.noiseOffsetY, p.noiseOffsetZ};

    const float s[3] = {inverseSize(p.noiseScaleX), inverseSize(p.noiseScaleY), inverseSize(p.noiseScaleZ)};

    const float a = p.rotationA * kDegreesToRadians;
    const float b = p.rotationB * kDegreesToRadians;
    const float c = p.rotationC * kDegreesToRadians;
    const float ca = std::cos(a), sa = std::sin(a);
    const float cb = std::cos(b), sb = std::sin(b);
    const float cc = std::cos(c), sc = std::sin(c);
    const float R[3][3] = {{ca * cb, ca * sb * sc - sa * cc, ca * sb * cc + sa * sc},
                           {sa * cb, sa * sb * sc + ca * cc, sa * sb * cc - ca * sc},
                           {-sb, cb * sc, cb * cc}};

    // u × (S × R).
    const float u = inverseSize(p.noiseSize);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) noiseTransform.m[i][j] = u * (s[i] * R[i][j]);
}

void NoiseModifier::deformPoint(const Vector3& in, Vector3& out) {
    // in and out may be the same point.
    const Vector3 point = in;
    deformPoints(1, &point, &out);
}

bool NoiseModifier::addInputs(GridInputs& inputs) const {
    const NoiseModifierParameters& p = parameters;
    inputs.addBytes(&p, static_cast<int32_t>(offsetof(NoiseModifierParameters, shaderName)));
    inputs.add(p.builtInNoise);
    inputs.add(lattice.seed);
    return p.builtInNoise != 0 || p.shaderName->byteLength == 0;
}

void NoiseModifier::deformPoints(int32_t count, const Vector3* in, Vector3* out) {
    if (needsUpdate) updateCache();
    if (shader) {
        for (int32_t i = 0; i < count; ++i) {
            shadingRecord.point = {in[i].x, in[i].y, in[i].z};
            shadingRecord.position = {in[i].x, in[i].y, in[i].z};
            float value = 1.0f;
            uint8_t flag = 0;
            shader->evaluateValue(&value, &flag, &shadingRecord);
            out[i] = in[i];
            moveAlongDirection(value, out[i]);
        }
        return;
    }
    for (int32_t i = 0; i < count; ++i) out[i] = applyAffine(noiseTransform, in[i]);
    float values[kRun];
    for (int32_t start = 0; start < count; start += kRun) {
        const int32_t n = count - start < kRun ? count - start : kRun;
        lattice.gradientNoiseCubicMany(n, out + start, values);
        for (int32_t k = 0; k < n; ++k) {
            out[start + k] = in[start + k];
            moveAlongDirection(values[k], out[start + k]);
        }
    }
}

void NoiseModifier::moveAlongDirection(float value, Vector3& point) const {
    point.x += value * parameters.directionX;
    point.y += value * parameters.directionY;
    point.z += value * parameters.directionZ;
}

}  // namespace brumo
