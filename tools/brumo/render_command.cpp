#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <new>
#include <string>

#include "brumo/class_ids.h"
#include "brumo/parameter_blocks.h"
#include "commands.h"
#include "default_scene.h"
#include "host/image/png_writer.h"
#include "host/loader/module_loader.h"
#include "host/render/renderer.h"
#include "host/scene/shaders.h"
#include "host/services/host_services.h"
#include "host/services/terminal_progress.h"
#include "module_path.h"
#include "qv/data_exchanger.h"
#include "qv/exception.h"
#include "qv/memory.h"
#include "qv/result_codes.h"

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

namespace {

void fail(const std::string& message) { std::fprintf(stderr, "brumo: %s\n", message.c_str()); }

std::string hexCode(QVResult code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return text;
}

// The output's folder must exist before any work is spent on the image.
bool outputFolderExists(const std::string& output) {
    std::filesystem::path folder = std::filesystem::path(output).parent_path();
    if (folder.empty()) folder = ".";
    std::error_code error;
    return std::filesystem::is_directory(folder, error);
}

// Creates the default scene's smog and renders it. Returns the exit status; `image` holds the
// picture when it is 0.
int renderDefaultScene(host::ModuleLoader& module, const RenderOptions& options,
                       host::HostServices& services, host::Image& image) {
    host::Ref<IQVUnknown> smog;
    const QVResult created = module.createInstance(brumo::CLSID_Smog, qv::IID_IQVUnknown,
                                                   reinterpret_cast<void**>(smog.slot()));
    if (created != qv::kOk || !smog) {
        fail("the module " + module.path() + " cannot create the Smog effect (" +
             hexCode(created) + "); no image was written");
        return kExitFailure;
    }
    host::Ref<IExDataExchanger> exchanger;
    smog->QueryInterface(qv::IID_IExDataExchanger, reinterpret_cast<void**>(exchanger.slot()));
    if (!exchanger || exchanger->parameterBlock() == nullptr) {
        fail("the Smog effect of " + module.path() + " offers no parameters; no image was written");
        return kExitFailure;
    }
    configureDefaultSmog(*static_cast<EffectParameters*>(exchanger->parameterBlock()));
    exchanger->parametersChanged();

    const host::Renderer renderer(smog.get(), defaultSmogTransform());
    const host::RenderSettings settings = defaultRenderSettings(options.width, options.height);
    host::TerminalProgress progress(stderr);
    // The listener must not outlive this call, also when the module raises an error.
    struct ListenerScope {
        host::UtilityService& utility;
        ~ListenerScope() { utility.setProgressListener(nullptr); }
    } listening{services.utility()};
    services.utility().setProgressListener(&progress);
    host::cancelOnInterrupt(services.utility());
    progress.progressStarted(0, "Rendering", settings.height);
    image = renderer.render(settings, [&](int row) {
        progress.progressAdvanced(0, row + 1, settings.height);
        return !services.utility().cancelRequested();
    });
    progress.progressEnded(0);
    if (services.utility().cancelRequested()) {
        fail("rendering cancelled; no image was written");
        return kExitFailure;
    }
    return 0;
}

}  // namespace

int runRender(const RenderOptions& options) {
    if (!options.scene.empty()) {
        fail("scene files are not supported yet (" + options.scene +
             "); run 'brumo render' without a scene for the default scene");
        return kExitFailure;
    }
    if (!options.exr.empty()) {
        fail("OpenEXR output is not available yet (" + options.exr + "); no image was written");
        return kExitFailure;
    }
    if (options.output.empty()) {
        fail("the output path (-o) is empty");
        return kExitUsage;
    }
    if (!outputFolderExists(options.output)) {
        fail("cannot write " + options.output + ": its folder does not exist");
        return kExitUsage;
    }

    const std::string path = modulePath(options.module);
    auto services = host::HostServices::create();
    qv::memoryServiceSlot() = &services->memory();
    host::addBuiltInShaders(services->scene());
    int status = 0;
    try {
        host::ModuleLoader module(path);
        module.initialise(services.get());
        host::Image image;
        try {
            status = renderDefaultScene(module, options, *services, image);
        } catch (const TQVException& error) {
            if (error.code == qv::kCancelled)
                fail("rendering cancelled; no image was written");
            else
                fail("the module failed while rendering (" + hexCode(error.code) +
                     "); no image was written");
            status = kExitFailure;
        } catch (const host::RenderError& error) {
            fail(std::string(error.what()) + "; no image was written");
            status = kExitFailure;
        } catch (const std::bad_alloc&) {
            fail("not enough memory for a " + std::to_string(options.width) + " x " +
                 std::to_string(options.height) + " image; no image was written");
            status = kExitFailure;
        }
        module.cleanUp();
        if (status == 0) {
            host::writePng(options.output, image);
            std::printf("Wrote %s (%d x %d)\n", options.output.c_str(), image.width(),
                        image.height());
        }
    } catch (const host::ModuleLoadError& error) {
        fail(error.what());
        status = kExitFailure;
    } catch (const host::ImageWriteError& error) {
        fail(error.what());
        status = kExitFailure;
    }
    qv::memoryServiceSlot() = nullptr;
    return status;
}

}  // namespace brumo::cli
