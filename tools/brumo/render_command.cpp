#include <CLI/CLI.hpp>

#include <cstdio>

#include "commands.h"

namespace brumo::cli {

void addRenderCommand(CLI::App& app, RenderOptions& options) {
    CLI::App* render = app.add_subcommand(
        "render", "Render a scene file (or the built-in default scene) to an image");
    render->add_option("scene", options.scene, "Scene file (JSON); none renders the default scene")
        ->check(CLI::ExistingFile);
    render->add_option("-o,--output", options.output, "PNG image to write")
        ->capture_default_str();
    render->add_option("--exr", options.exr, "Also write a linear OpenEXR image");
    render->add_option("--width", options.width, "Image width in pixels")
        ->check(CLI::Range(1, 65536))
        ->capture_default_str();
    render->add_option("--height", options.height, "Image height in pixels")
        ->check(CLI::Range(1, 65536))
        ->capture_default_str();
    render->add_option("--threads", options.threads, "Render threads (0: one per core)")
        ->check(CLI::Range(0, 1024))
        ->capture_default_str();
    render->add_option("--module", options.module, "Module library to load");
}

int runRender(const RenderOptions&) {
    // Writing nothing is better than writing an image that does not show the scene.
    std::fprintf(stderr,
                 "brumo: rendering is not available yet: this build has no renderer; "
                 "no image was written\n");
    return kExitFailure;
}

}  // namespace brumo::cli
