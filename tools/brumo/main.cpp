// brumo: renders scene files with the Brumo volumetric effects, bakes them to voxel grids and
// describes the module; its studio edits a scene in the browser.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "commands.h"

int main(int argc, char** argv) {
    using namespace brumo::cli;
    CLI::App app{"Brumo: procedural volumetric effects (clouds, fire, smoke, smog)", "brumo"};
    app.require_subcommand(1);
    InfoOptions info;
    RenderOptions render;
    BakeOptions bake;
    StudioOptions studio;
    addInfoCommand(app, info);
    addRenderCommand(app, render);
    addBakeCommand(app, bake);
    addStudioCommand(app, studio);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::printf("%s", app.help().c_str());
        return 0;
    } catch (const CLI::CallForAllHelp&) {
        std::printf("%s", app.help("", CLI::AppFormatMode::All).c_str());
        return 0;
    } catch (const CLI::ParseError& error) {
        std::fprintf(stderr, "brumo: %s\nRun 'brumo --help' for usage.\n", error.what());
        return kExitUsage;
    }
    if (app.got_subcommand("info")) return runInfo(info);
    if (app.got_subcommand("bake")) return runBake(bake);
    if (app.got_subcommand("studio")) return runStudio(studio);
    return runRender(render);
}
