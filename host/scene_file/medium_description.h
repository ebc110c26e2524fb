// The scene keys of the physically based integrator: the integrator itself, the sky and the
// multiple scattering of the scene ("integrator", "physical"), and each effect's medium
// ("medium"). Every key is checked as the rest of a scene file is.
//
//   "integrator": "march" (the module's own lighting, the default) or "physical",
//   "physical": {"sky": [r, g, b], "multipleScattering": true | false | {"octaves": 4,
//                "attenuation": 0.5, "contribution": 0.5, "eccentricity": 0.5},
//                "grid": 128, "stepsPerVoxel": 1},
//   effect "medium": {"albedo": a | [r, g, b], "g": 0.5, "extinction": 1,
//                     "emission": [r, g, b] | "colour", "emissionStrength": 1}
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "host/render/physical/medium.h"

namespace brumo::host {

struct IntegratorDescription {
    bool physical = false;
    PhysicalSettings settings;
};

// The scene-level keys of `document` (a JSON object) that name the integrator.
IntegratorDescription readIntegrator(const nlohmann::json& document, const std::string& file);

// The medium of an effect of the class, from the effect's "medium" key when it has one.
Medium readMedium(const nlohmann::json& effect, const std::string& path, const std::string& className,
                  const std::string& file);

// The same keys as a scene file writes them back: the scene's "integrator" and "physical", and
// an effect's "medium".
void writeIntegrator(const IntegratorDescription& integrator, nlohmann::json& document);
nlohmann::json mediumJson(const Medium& medium);

}  // namespace brumo::host
