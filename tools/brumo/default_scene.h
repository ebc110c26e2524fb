// The scene `brumo render` draws when it is given no scene file: one Smog primitive seen from
// the front against a dark evening sky.
#pragma once

#include "brumo/parameter_blocks.h"
#include "host/render/renderer.h"

namespace brumo::cli {

// Sets the default scene's smog parameters on a freshly created Smog block.
void configureDefaultSmog(EffectParameters& parameters);

// Where the default smog stands and how it is seen, for an image of the given size.
host::WorldTransform defaultSmogTransform();
host::RenderSettings defaultRenderSettings(int width, int height);

}  // namespace brumo::cli
