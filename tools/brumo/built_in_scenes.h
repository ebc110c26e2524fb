// The scenes `brumo render` draws without a scene file: the default scene, and one scene per
// effect for `--effect`, which `brumo new` writes as starting points. They are the same as
// examples/default.json and examples/<effect>.json.
#pragma once

#include <string>
#include <vector>

namespace brumo::cli {

// The default scene's JSON text.
const char* defaultSceneText();
// The scene of one effect ("clouds", "fire", "risingSmoke", "smog", in any of the spellings a
// scene file accepts), or null when there is no such effect.
const char* effectSceneText(const std::string& effect);
std::vector<std::string> effectSceneNames();

}  // namespace brumo::cli
