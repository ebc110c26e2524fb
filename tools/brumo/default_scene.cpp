#include "default_scene.h"

namespace brumo::cli {

void configureDefaultSmog(EffectParameters& parameters) {
    // Pinned so the framing does not depend on the scene's size factor.
    parameters.size = 4.0f;
    // A ball rather than the default box, so the haze reads as a puff against the sky: the
    // sphere preset (both half balls, full density inside radius 0.7).
    parameters.shapeFlags = 0x1 | 0x2;
    parameters.shapeFalloffs[0] = {0.0f, 0.3f};
    parameters.shapeFalloffs[1] = {0.0f, 0.3f};
    // Finer, higher-contrast noise than the defaults, so the smog shows wisps and holes
    // instead of an even fog; a little denser and sampled more finely to keep them crisp.
    parameters.noiseScale = 30.0f;
    parameters.detail = 4.0f;
    parameters.gainAmount = 0.9f;
    parameters.biasAmount = 0.25f;
    parameters.densityAmount = 1.5f;
    parameters.quality = 0.5f;
}

host::WorldTransform defaultSmogTransform() { return {}; }

host::RenderSettings defaultRenderSettings(int width, int height) {
    host::RenderSettings settings;
    settings.width = width;
    settings.height = height;
    // The ball is 8 units across; frame 11 units along the shorter side.
    const float aspect = float(width) / float(height);
    settings.camera.viewWidth = aspect >= 1.0f ? 11.0f * aspect : 11.0f;
    // A dark evening blue, against which the pale smog stands out.
    settings.background = {0.02f, 0.03f, 0.06f, 1.0f};
    return settings;
}

}  // namespace brumo::cli
