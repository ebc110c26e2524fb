// The physically based integrator: the effects' densities and colours, read through the module's
// density sampler onto a voxel grid per effect once per frame, lit by the scene's distant and
// point lights in their colours and by a uniform sky, with Henyey-Greenstein scattering,
// emission and an octave approximation of multiple scattering.
//
// Along each pixel's ray the media of every effect the ray crosses are added up and marched in
// steps of one voxel; each step is integrated exactly for its own extinction (the light it
// scatters or emits reaches 1 - exp(-depth) of the step's source radiance), so that thick media
// turn solid rather than dark. Optical depths toward every light and across the sky are kept on
// coarser grids, built once per frame, so a sample never marches toward a light.
//
// Pixels are drawn in passes from coarse to fine (every 8th pixel, then every 4th, ...); each
// pixel is computed once, from its ray alone, so the image is the same at every thread count
// and whether or not the passes are looked at.
#pragma once

#include <functional>
#include <vector>

#include "host/image/image.h"
#include "host/render/physical/medium.h"
#include "host/render/renderer.h"
#include "host/render/transform.h"
#include "qv/unknown.h"

namespace brumo::host {

struct PhysicalLight {
    enum class Kind { distant, point } kind = Kind::distant;
    // Direction of travel (distant) or position (point), in the world.
    QVVector3 vector{0.0f, 0.0f, -1.0f};
    // Irradiance across the light's direction (distant), or intensity: the irradiance at unit
    // distance, falling off with the square of the distance (point).
    Rgb colour{1.0f, 1.0f, 1.0f};
};

struct PhysicalEffect {
    // Copies of one effect, as many as threads sample it (a primitive serialises its calls).
    std::vector<IQVUnknown*> copies;
    Transform transform;
    Medium medium;
    // Extinction per local unit of length for a density of 1.
    float extinction = 1.0f;
};

struct PhysicalHooks {
    // The grids are built; the passes start now.
    std::function<void()> prepared;
    // After each pass: the image so far (unfinished pixels repeat their coarser neighbour) and
    // the pass's pixel spacing (1 for the last).
    std::function<void(const Image& image, int spacing)> passDone;
    // Rows finished so far over all passes.
    std::function<void(int done, int total)> rowsDone;
    // Polled between rows and grid slices; true stops with RenderCancelled.
    std::function<bool()> cancelled;
};

// The extinction per local unit that matches the module's march: its density amount and
// absorption distance over the effect's size (the march measures in units of half the cube).
float marchExtinction(float size, float densityAmount, float absorptionDistance);

// Renders on `threads` threads; every effect needs at least that many copies. Errors of the
// module while sampling pass through as SamplerError; no partial image is returned.
Image renderPhysical(const RenderSettings& settings, const PhysicalSettings& physical,
                     const std::vector<PhysicalEffect>& effects,
                     const std::vector<PhysicalLight>& lights, int threads,
                     const PhysicalHooks& hooks = {}, RenderStats* stats = nullptr);

}  // namespace brumo::host
