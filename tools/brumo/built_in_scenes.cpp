#include "built_in_scenes.h"

#include "host/scene_file/scene_description.h"

namespace brumo::cli {

namespace {

// A cumulus lit by a low sun from the left and shadowing itself, against a blue sky.
const char* const kCloudsScene = R"({
  "description": "A sunlit cumulus against a blue sky. Clouds take their light from the scene's distant lights (lightingMode scene).",
  "image": {"width": 320, "height": 240},
  "background": [0.18, 0.32, 0.58],
  "camera": {"position": [0, -20, 1], "lookAt": [0, 0, 0.5], "up": [0, 0, 1], "fov": 36},
  "lights": [{"type": "distant", "direction": [0.8, 0.5, -1], "colour": [1, 0.97, 0.9]}],
  "effects": [
    {
      "type": "clouds",
      "name": "cumulus",
      "description": "Sixteen soft puffs give the outline, the noise their texture; the shadow colour is a cool grey.",
      "scale": [1.7, 1.2, 1.1],
      "parameters": {
        "lightingMode": "scene",
        "combineMode": "masked",
        "puffCount": 16,
        "puffSize": 0.42,
        "puffBlend": 0.5,
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
  "description": "A flame at night. The upright cylinder (cylinderZ) gives the fire its body, the taper narrows it towards the tip and the bottom fade (fadeMinusZ) softens its base.",
  "image": {"width": 320, "height": 240},
  "background": [0.01, 0.01, 0.02],
  "camera": {"position": [0, -20, 0], "lookAt": [0, 0, 0], "up": [0, 0, 1], "fov": 40},
  "effects": [
    {
      "type": "fire",
      "name": "flame",
      "description": "Fire glows by itself, so it needs no light. Taller flames: scale z; livelier tips: flameStretch; brighter: densityAmount.",
      "scale": [0.8, 0.8, 1.2],
      "modifiers": [
        {"type": "taper", "description": "invert: narrow towards the top", "parameters": {"amount": 0.75, "start": 0.2, "end": 1, "invert": true}}
      ],
      "parameters": {
        "shapeFlags": ["cylinderZ", "fadeMinusZ"],
        "shapeFalloffs": [[0, 0.5], [0, 0.5], [0, 0.5], [0, 0.5], [0, 0.5], [0, 0.5], [0, 0.3], [0, 0.5],
                          [0, 0.5], [0, 0.5], [0, 0.5], [0, 0.5], [0, 0.5], [0, 0.5], [0, 0.5], [0, 0.15]],
        "noiseType": "ridged",
        "noiseScale": 40,
        "densityAmount": 0.45,
        "flameStretch": 1,
        "quality": 0.5
      }
    }
  ]
})";

const char* const kRisingSmokeScene = R"({
  "description": "A column of smoke that widens as it rises, lit from the upper left so that it has shape.",
  "image": {"width": 320, "height": 240},
  "background": [0.35, 0.42, 0.5],
  "camera": {"position": [0, -20, 0], "lookAt": [0, 0, 0], "up": [0, 0, 1], "fov": 40},
  "lights": [{"type": "distant", "direction": [1, 0.6, -0.8]}],
  "effects": [
    {
      "type": "risingSmoke",
      "name": "smoke",
      "description": "baseSpread narrows the base; animate noiseOffset along z to make it rise.",
      "scale": [0.9, 0.9, 1.2],
      "parameters": {
        "lightingMode": "scene",
        "noiseType": "turbulence",
        "shapeFlags": ["fadePlusZ"],
        "baseSpread": 0.2,
        "edgeSoftness": 0.5,
        "densityAmount": 4,
        "shadowStrength": 0.9,
        "shadowGradient": [
          {"position": 0, "colour": [0.3, 0.3, 0.32, 1]},
          {"position": 1, "colour": [0.12, 0.12, 0.14, 1]}
        ],
        "quality": 0.5
      }
    }
  ]
})";

// A ball of wispy smog against a dark evening sky.
const char* const kSmogScene = R"({
  "description": "A ball of smog against a dark evening sky.",
  "image": {"width": 320, "height": 240},
  "background": [0.02, 0.03, 0.06],
  "camera": {"position": [0, -20, 0], "lookAt": [0, 0, 0], "up": [0, 0, 1], "fov": 40},
  "effects": [
    {
      "type": "smog",
      "name": "smog",
      "description": "The two ball halves (upperBall, lowerBall) make a sphere; gain and bias set the contrast and the thickness of the haze.",
      "parameters": {
        "shapeFlags": ["upperBall", "lowerBall"],
        "shapeFalloffs": [[0, 0.3], [0, 0.3]],
        "noiseType": "fractal",
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
