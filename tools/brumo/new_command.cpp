// brumo new: writes the starting scene of one effect (the scene `render --effect` draws), every
// choice named and explained by its "description" keys.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "commands.h"
#include "host/common/file_replacement.h"
#include "host/scene_file/scene_description.h"
#include "host/scene_file/scene_file_error.h"
#include "built_in_scenes.h"
#include "host_session.h"
#include "output_files.h"

namespace brumo::cli {

void addNewCommand(CLI::App& app, NewOptions& options) {
    CLI::App* command = app.add_subcommand(
        "new", "Write a starting scene of one effect (fire, clouds, risingSmoke, smog)");
    command->add_option("type", options.type, "The effect: fire, clouds, risingSmoke or smog")->required();
    command->add_option("-o,--output", options.output, "Scene file to write (.json); none: standard output");
}

int runNew(const NewOptions& options) {
    const char* text = effectSceneText(options.type);
    if (text == nullptr) {
        fail("new: unknown effect \"" + options.type + "\"" + host::suggestion(options.type, effectSceneNames()));
        return kExitUsage;
    }
    if (options.output.empty()) {
        std::printf("%s\n", text);
        return 0;
    }
    if (const std::string problem = outputProblem(options.output, {".json"}); !problem.empty()) {
        fail(problem);
        return kExitUsage;
    }
    const std::string failure = host::replaceFile(options.output, [&](const std::string& temporary) {
        std::ofstream out(temporary, std::ios::binary);
        out << text << '\n';
        out.close();
        if (!out) throw std::runtime_error("the disk refused the file");
    });
    if (!failure.empty()) {
        fail(failure);
        return kExitFailure;
    }
    std::printf("Wrote %s: render it with 'brumo render %s'\n", options.output.c_str(), options.output.c_str());
    return 0;
}

}  // namespace brumo::cli
