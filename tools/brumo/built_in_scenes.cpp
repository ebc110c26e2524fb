#include "built_in_scenes.h"

#include "host/scene_file/scene_description.h"

namespace brumo::cli {

namespace {

// A cumulus lit by a low sun from the left and shadowing itself, against a blue sky.
const char* const kCloudsScene = R"({
  "description": "A lit, self-shadowed cloud against a blue sky",
  "image": {"width": 320, "height": 240},
  "background": [0.18, 0.32, 0.58],
  "camera": {"position": [0, -20, 1], "lookAt": [0, 0, 0.5], "up": [0, 0, 1], "fov": 36},
  "lights": [{"type": "distant", "direction": [0.8, 0.5, -1], "colour": [1, 0.97, 0.9]}],
  "effects": [
    {
      "type": "clouds",
      "name": "cumulus",
      "scale": [1.7, 1.2, 1.1],
      "parameters": {
        "puffCount": 16,
        "puffSize": 0.42,
        "densityAmount": 6,
        "quality": 0.5,
        "shadowGradient": [
          {"position": 0, "colour": [0.55, 0.6, 0.7, 1]},
          {"position": 1, "colour": [0.3, 0.34, 0.45, 1]}
        ]
      }
    }
  ]
})";

const char* const kFireScene = R"({
  "description": "A fire in a cylinder of flame, seen from the front at night",
  "image": {"width": 320, "height": 240},
  "background": [0.01, 0.01, 0.02],
  "camera": {"position": [0, -20, 1], "lookAt": [0, 0, 0], "up": [0, 0, 1], "fov": 40},
  "effects": [
    {"type": "fire", "name": "fire", "parameters": {"shapeFlags": 64}}
  ]
})";

const char* const kRisingSmokeScene = R"({
  "description": "A column of rising smoke",
  "image": {"width": 320, "height": 240},
  "background": [0.35, 0.42, 0.5],
  "camera": {"position": [0, -20, 1], "lookAt": [0, 0, 0], "up": [0, 0, 1], "fov": 40},
  "effects": [
    {"type": "risingSmoke", "name": "smoke"}
  ]
})";

// A ball of wispy smog against a dark evening sky.
const char* const kSmogScene = R"({
  "description": "A ball of smog against a dark evening sky",
  "image": {"width": 320, "height": 240},
  "background": [0.02, 0.03, 0.06],
  "camera": {"position": [0, -20, 0], "lookAt": [0, 0, 0], "up": [0, 0, 1], "fov": 40},
  "effects": [
    {
      "type": "smog",
      "name": "smog",
      "parameters": {
        "size": 4,
        "shapeFlags": 3,
        "shapeFalloffs": [[0, 0.3], [0, 0.3]],
        "noiseScale": 30,
        "detail": 4,
        "gainAmount": 0.9,
        "biasAmount": 0.25,
        "densityAmount": 1.5,
        "quality": 0.5
      }
    }
  ]
})";

}  // namespace

const char* defaultSceneText() { return kCloudsScene; }

const char* effectSceneText(const std::string& effect) {
    const ParameterTable* table = host::effectTable(effect);
    if (table == nullptr) return nullptr;
    const std::string name = table->className;
    if (name == "Clouds") return kCloudsScene;
    if (name == "Fire") return kFireScene;
    if (name == "RisingSmoke") return kRisingSmokeScene;
    if (name == "Smog") return kSmogScene;
    return nullptr;
}

std::vector<std::string> effectSceneNames() { return {"clouds", "fire", "risingSmoke", "smog"}; }

}  // namespace brumo::cli
