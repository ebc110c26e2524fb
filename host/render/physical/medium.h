// What the physically based integrator needs beyond the effects themselves: how each effect's
// density scatters, absorbs and glows, the light from the sky, and the approximation of
// multiple scattering.
#pragma once

#include <string>

#include "qv/scene_records.h"

namespace brumo::host {

struct Rgb {
    float r = 0.0f, g = 0.0f, b = 0.0f;
};

// The medium of one effect.
struct Medium {
    // Scattered share of the extinction, per channel: 1 is white and lossless, 0 is black soot.
    Rgb albedo{0.95f, 0.95f, 0.95f};
    // Henyey-Greenstein asymmetry: 0 scatters evenly, toward 1 forward (the silver lining when
    // looking toward the light), toward -1 back.
    float anisotropy = 0.0f;
    // Multiplies the extinction the module's own parameters give (density amount, absorption
    // distance, size), so that a physical render is as opaque as the march.
    float extinctionScale = 1.0f;
    // Radiance an optically thick region glows with; emission per unit length is this times the
    // extinction. From the effect's colour gradient (times emissionStrength) when
    // emissionFromColour is set, else the constant emission (times emissionStrength).
    Rgb emission{0.0f, 0.0f, 0.0f};
    bool emissionFromColour = false;
    float emissionStrength = 1.0f;
};

// The defaults by effect class ("Clouds", "Fire", "RisingSmoke", "Smog"): white clouds, grey
// smoke and smog, fire that glows with its gradient.
Medium defaultMedium(const std::string& className);

// Wrenninge's octaves: octave i scatters with b^i of the energy, through extinction scaled by a^i
// and with the asymmetry scaled by c^i; octave 0 is single scattering. The defaults are fitted
// to a path-traced cumulus (docs/physical.md).
struct MultipleScattering {
    bool enabled = true;
    int octaves = 4;
    float attenuation = 0.2f;    // a
    float contribution = 0.42f;  // b
    float eccentricity = 0.5f;   // c
};

struct PhysicalSettings {
    // Radiance of the sky in every direction; the background's colour unless a scene sets it.
    Rgb sky{0.0f, 0.0f, 0.0f};
    bool skyFromBackground = true;
    MultipleScattering multiple;
    // Voxels along the longest edge of each effect's density grid; the light grids have half as
    // many, the sky's a quarter (but at least 32, at most half).
    int gridResolution = 128;
    // March steps per voxel of the finest grid the ray crosses.
    float stepsPerVoxel = 1.0f;
};

}  // namespace brumo::host
