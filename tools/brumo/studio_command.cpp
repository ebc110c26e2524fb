// brumo studio: the scene in the browser, with the effects' own property panels and a live
// preview, served on 127.0.0.1 until Ctrl-C.
#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "built_in_scenes.h"
#include "commands.h"
#include "host_session.h"
#include "studio_document.h"
#include "studio_preview.h"
#include "studio_queue.h"
#include "studio_server.h"

namespace brumo::cli {

namespace {

std::atomic<bool> stopRequested{false};
host::UtilityService* interruptedUtility = nullptr;

// First Ctrl-C: stop serving (and any shadow grid in the making); a second one ends at once.
void onInterrupt(int) {
    if (stopRequested.exchange(true)) std::_Exit(kExitInterrupted);
    if (interruptedUtility != nullptr) interruptedUtility->requestCancel();
}

}  // namespace

void addStudioCommand(CLI::App& app, StudioOptions& options) {
    CLI::App* studio = app.add_subcommand(
        "studio", "Edit a scene in the browser: the effects' property panels and a live preview");
    studio->add_option("scene", options.scene, "Scene file (JSON); none opens the default scene");
    studio->add_option("--port", options.port, "Port on 127.0.0.1 (0: any free port)")
        ->check(CLI::Range(0, 65535))
        ->capture_default_str();
    studio->add_option("--threads", options.threads, "Preview render threads (0: one per core)")
        ->check(CLI::Range(0, 1024));
    studio->add_flag("-q,--quiet", options.quiet, "Print only the address");
    studio->add_option("--module", options.module, "Module library to load");
}

#if BRUMO_HAVE_STUDIO
int runStudio(const StudioOptions& options) {
    host::SceneDescription scene;
    try {
        scene = options.scene.empty() ? host::readSceneText(defaultSceneText(), "")
                                      : host::readSceneFile(options.scene);
    } catch (const host::SceneFileError& error) {
        fail(error.what());
        return kExitUsage;
    }
    std::string folder = ".";
    std::string saveName = "scene.json";
    if (!options.scene.empty()) {
        const std::filesystem::path path(options.scene);
        if (path.has_parent_path()) folder = path.parent_path().string();
        saveName = path.filename().string();
    }
    const int threads = options.threads > 0 ? options.threads : int(std::max(1u, std::thread::hardware_concurrency()));

    return runInHost(options.module, true, scene, [&](host::ModuleLoader& module, host::HostServices& services,
                                                      CliProgress&) {
        const host::CreateComponent create = [&module](const QVGuid& classId, IQVUnknown** out) {
            return module.createInstance(classId, qv::IID_IQVUnknown, reinterpret_cast<void**>(out));
        };
        const host::ModuleObjectFactory createPart = [&module](const QVGuid& classId, IQVUnknown* outer,
                                                               IQVUnknown** out) {
            return module.createInstance(classId, qv::IID_IQVUnknown, reinterpret_cast<void**>(out), outer);
        };
        WorkQueue queue;
        std::unique_ptr<StudioDocument> document;
        try {
            document = std::make_unique<StudioDocument>(scene, create, createPart);
        } catch (const std::exception& error) {
            fail(std::string("cannot open the scene: ") + error.what());
            return kExitFailure;
        }
        StudioPreview preview(scene.file, create, services.utility(), queue, threads);
        StudioServer server(*document, preview, queue, folder, saveName);
        const int port = server.bind(options.port);
        if (port < 0) {
            fail("cannot listen on 127.0.0.1:" + std::to_string(options.port) +
                 " (is it taken? --port 0 picks a free one)");
            preview.stop();
            return kExitFailure;
        }
        preview.request(document->sceneFile(), document->revision());
        std::printf("Brumo studio on http://127.0.0.1:%d/ (Ctrl-C stops it)\n", port);
        std::fflush(stdout);

        interruptedUtility = &services.utility();
        std::signal(SIGINT, onInterrupt);
        std::signal(SIGTERM, onInterrupt);
        std::thread listening([&server] { server.listen(); });
        queue.serve(stopRequested);
        server.stop();
        listening.join();
        preview.stop();
        document.reset();
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        interruptedUtility = nullptr;
        if (!options.quiet) std::printf("Studio stopped\n");
        return 0;
    });
}

#else
int runStudio(const StudioOptions&) {
    fail("this brumo was built without its studio: install cpp-httplib (scripts/install-deps.sh studio) and build again");
    return kExitFailure;
}
#endif

}  // namespace brumo::cli
