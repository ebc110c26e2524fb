// brumo: renders scene files with the Brumo volumetric effects, bakes them to voxel grids,
// starts new scenes and describes the module; its studio edits a scene in the browser.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "host/scene_file/scene_file_error.h"

namespace {

// " (did you mean ...?)" for an unknown subcommand or option of the command line; empty when
// the mistake is something else.
std::string misspelling(CLI::App& app, int argc, char** argv) {
    std::vector<std::string> commands;
    for (const CLI::App* sub : app.get_subcommands({})) commands.push_back(sub->get_name());
    if (argc < 2) return {};
    const std::string first = argv[1];
    if (first.empty() || first[0] == '-') return {};
    CLI::App* command = nullptr;
    for (CLI::App* sub : app.get_subcommands({}))
        if (sub->get_name() == first) command = sub;
    if (command == nullptr)
        return "unknown command \"" + first + "\"" + brumo::host::suggestion(first, commands);
    std::vector<std::string> options;
    for (const CLI::Option* option : command->get_options({}))
        for (const std::string& name : option->get_lnames()) options.push_back("--" + name);
    for (int i = 2; i < argc; ++i) {
        const std::string word = argv[i];
        if (word.rfind("--", 0) != 0) continue;
        const std::string name = word.substr(0, word.find('='));
        bool known = false;
        for (const std::string& option : options) known |= option == name;
        if (!known)
            return first + ": unknown option " + name + brumo::host::suggestion(name, options);
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    using namespace brumo::cli;
    CLI::App app{"Brumo: procedural volumetric effects (clouds, fire, smoke, smog)", "brumo"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("brumo ") + BRUMO_VERSION);
    InfoOptions info;
    RenderOptions render;
    BakeOptions bake;
    NewOptions created;
    StudioOptions studio;
    addInfoCommand(app, info);
    addRenderCommand(app, render);
    addBakeCommand(app, bake);
    addNewCommand(app, created);
    addStudioCommand(app, studio);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::printf("%s", app.help().c_str());
        return 0;
    } catch (const CLI::CallForAllHelp&) {
        std::printf("%s", app.help("", CLI::AppFormatMode::All).c_str());
        return 0;
    } catch (const CLI::CallForVersion&) {
        std::printf("%s\n", app.version().c_str());
        return 0;
    } catch (const CLI::ParseError& error) {
        const std::string typo = misspelling(app, argc, argv);
        std::fprintf(stderr, "brumo: %s\nRun 'brumo --help' for usage.\n",
                     typo.empty() ? error.what() : typo.c_str());
        return kExitUsage;
    }
    if (app.got_subcommand("info")) return runInfo(info);
    if (app.got_subcommand("bake")) return runBake(bake);
    if (app.got_subcommand("new")) return runNew(created);
    if (app.got_subcommand("studio")) return runStudio(studio);
    return runRender(render);
}
