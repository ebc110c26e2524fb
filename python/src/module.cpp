// _brumo: the extension under the brumo package. Scenes cross as JSON text, so that the package
// and the scene files share one reader; images, points, samples and grids cross as NumPy arrays.
// Module work runs without the GIL.
#include <pybind11/functional.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <csignal>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "host/bake/vdb_file.h"
#include "host/common/text.h"
#include "host/image/exr_writer.h"
#include "host/image/png_writer.h"
#include "host/image/view_transform.h"
#include "host/render/renderer.h"
#include "host/scene_file/scene_warnings.h"
#include "host/scene_file/scene_writer.h"
#include "host_process.h"
#include "qv/exception.h"
#include "qv/result_codes.h"
#include "scene_state.h"
#include "scene_work.h"

namespace py = pybind11;
using namespace brumo;
using namespace brumo::python;

namespace {

[[noreturn]] void raise(const char* name, py::tuple arguments) {
    py::object type = py::module_::import("brumo").attr(name);
    PyErr_SetObject(type.ptr(), arguments.ptr());
    throw py::error_already_set();
}

// Ctrl-C while the module works: the first one asks the work to stop through the host's cancel
// flag, and the call then raises KeyboardInterrupt. Only the main thread receives signals.
class Interruption {
public:
    Interruption() {
        if (!isMainThread()) return;
        target_ = &HostProcess::get().services().utility();
        interrupted_ = 0;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        installed_ = sigaction(SIGINT, &action, &previous_) == 0;
    }
    ~Interruption() {
        if (installed_) sigaction(SIGINT, &previous_, nullptr);
    }
    bool interrupted() const { return interrupted_ != 0; }

private:
    static bool isMainThread() {
        py::module_ threading = py::module_::import("threading");
        return threading.attr("current_thread")().is(threading.attr("main_thread")());
    }
    static void onInterrupt(int) {
        interrupted_ = 1;
        if (target_ != nullptr) target_->requestCancel();
    }

    static inline volatile std::sig_atomic_t interrupted_ = 0;
    static inline host::UtilityService* target_ = nullptr;
    bool installed_ = false;
    struct sigaction previous_ {};
};

// The caller's progress callback, called on the working thread with the GIL taken: it gets
// (done, total) and answers False to stop. What it raises stops the work and is raised again.
class Progress {
public:
    explicit Progress(py::object callback) : callback_(std::move(callback)) {}

    ProgressFunction function() {
        if (callback_.is_none()) return {};
        return [this](double done, double total) {
            py::gil_scoped_acquire gil;
            try {
                const py::object answer = callback_(done, total);
                if (!answer.is_none() && !answer.cast<bool>()) stopped_ = true;
            } catch (py::error_already_set&) {
                error_ = std::current_exception();
            }
            return !stopped_ && !error_;
        };
    }
    std::exception_ptr error() const { return error_; }

private:
    py::object callback_;
    bool stopped_ = false;
    std::exception_ptr error_;
};

// Runs module work without the GIL, turning a stop into what the caller expects: the callback's
// own exception, KeyboardInterrupt after Ctrl-C, or brumo.Cancelled.
template <class Work>
auto runStoppable(py::object callback, Work work) {
    Progress progress(std::move(callback));
    Interruption interruption;
    std::exception_ptr stop;
    std::optional<decltype(work(progress.function()))> result;
    {
        py::gil_scoped_release release;
        try {
            result.emplace(work(progress.function()));
        } catch (const host::RenderCancelled&) {
            stop = std::current_exception();
        } catch (const host::BakeCancelled&) {
            stop = std::current_exception();
        } catch (const host::SamplerError& error) {
            if (error.code != qv::kCancelled) throw;
            stop = std::current_exception();
        } catch (const ModuleFailure& error) {
            if (error.code != qv::kCancelled) throw;
            stop = std::current_exception();
        } catch (const TQVException& error) {
            if (error.code != qv::kCancelled) throw;
            stop = std::current_exception();
        }
    }
    if (progress.error()) std::rethrow_exception(progress.error());
    if (interruption.interrupted()) {
        PyErr_SetNone(PyExc_KeyboardInterrupt);
        throw py::error_already_set();
    }
    if (stop) raise("Cancelled", py::make_tuple("cancelled; nothing was produced"));
    return std::move(*result);
}

py::array_t<float> imageArray(const host::Image& image) {
    py::array_t<float> array({py::ssize_t(image.height()), py::ssize_t(image.width()), py::ssize_t(4)});
    float* out = array.mutable_data();
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(out + size_t(y) * size_t(image.width()) * 4, &image.at(0, y),
                    size_t(image.width()) * sizeof(QVColourRecord));
    return array;
}

using ImageArray = py::array_t<float, py::array::c_style | py::array::forcecast>;

host::Image arrayImage(const ImageArray& array) {
    if (array.ndim() != 3 || array.shape(2) != 4)
        throw py::value_error("expected an image array of height x width x 4 (RGBA), found shape " +
                              std::string(py::str(py::object(array.attr("shape")))));
    host::Image image(int(array.shape(1)), int(array.shape(0)));
    const float* in = array.data();
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(&image.at(0, y), in + size_t(y) * size_t(image.width()) * 4,
                    size_t(image.width()) * sizeof(QVColourRecord));
    return image;
}

py::array_t<double> matrixArray(const double (&matrix)[3][4]) {
    py::array_t<double> out({4, 4});
    auto m = out.mutable_unchecked<2>();
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m(r, c) = r < 3 ? matrix[r][c] : (c == 3 ? 1.0 : 0.0);
    return out;
}

// One baked effect as a dict: density (nx, ny, nz), colour (nx, ny, nz, 4) or None, the 4 x 4
// maps from voxel index (i, j, k) to the world and to the effect's local space (where sample
// takes its points), the voxel size, the effect's name and class.
py::dict bakedDict(const BakedEffect& effect) {
    const host::VoxelGrid& g = effect.grid;
    const auto nx = py::ssize_t(g.counts[0]), ny = py::ssize_t(g.counts[1]), nz = py::ssize_t(g.counts[2]);
    py::array_t<float> density({nz, ny, nx});
    std::memcpy(density.mutable_data(), effect.densities.data(), effect.densities.size() * sizeof(float));
    py::dict out;
    out["density"] = density.attr("transpose")(2, 1, 0);
    if (!effect.colours.empty()) {
        py::array_t<float> colour({nz, ny, nx, py::ssize_t(4)});
        std::memcpy(colour.mutable_data(), effect.colours.data(), effect.colours.size() * sizeof(QVColourRecord));
        out["colour"] = colour.attr("transpose")(2, 1, 0, 3);
    } else {
        out["colour"] = py::none();
    }
    double toWorld[3][4];
    g.indexToWorld(toWorld);
    out["index_to_world"] = matrixArray(toWorld);
    const double toLocal[3][4] = {{g.spacing[0], 0.0, 0.0, g.firstCentre[0]},
                                  {0.0, g.spacing[1], 0.0, g.firstCentre[1]},
                                  {0.0, 0.0, g.spacing[2], g.firstCentre[2]}};
    out["index_to_local"] = matrixArray(toLocal);
    out["voxel_size"] = g.voxelSize;
    out["effect"] = effect.name;
    out["type"] = effect.type;
    return out;
}

host::ViewTransform viewNamed(const std::string& name, float exposure) {
    host::ViewTransform view;
    if (!host::viewCurveNamed(name, view.curve))
        throw py::value_error("unknown view \"" + name + "\"" + host::suggestion(name, host::viewCurveNames()));
    view.exposure = exposure;
    return view;
}

std::shared_ptr<SceneState> makeScene(host::SceneDescription description) {
    py::gil_scoped_release release;
    return SceneState::create(std::move(description));
}

void translateErrors(std::exception_ptr error) {
    try {
        if (error) std::rethrow_exception(error);
    } catch (const host::SceneFileError& e) {
        raise("SceneError", py::make_tuple(e.what(), e.file(), e.path()));
    } catch (const host::ModuleLoadError& e) {
        raise("ModuleError", py::make_tuple(e.what()));
    } catch (const host::ComponentError& e) {
        raise("ModuleError", py::make_tuple(e.what()));
    } catch (const host::RenderError& e) {
        raise("ModuleError", py::make_tuple(e.what()));
    } catch (const host::SamplerError& e) {
        raise("ModuleError", py::make_tuple(e.what()));
    } catch (const ModuleFailure& e) {
        raise("ModuleError", py::make_tuple(e.what()));
    } catch (const TQVException& e) {
        raise("ModuleError", py::make_tuple("the module failed (" + host::resultCodeText(e.code) + ")"));
    } catch (const host::BakeError& e) {
        PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const host::ImageWriteError& e) {
        PyErr_SetString(PyExc_OSError, e.what());
    } catch (const host::VolumeWriteError& e) {
        PyErr_SetString(PyExc_OSError, e.what());
    }
}

}  // namespace

PYBIND11_MODULE(_brumo, m) {
    m.doc() = "The Brumo module through the reference host (use the brumo package)";
    py::register_exception_translator(translateErrors);

    py::class_<SceneState, std::shared_ptr<SceneState>>(m, "SceneState")
        .def_static("read", [](const std::string& text, const std::string& file) {
            return makeScene(host::readSceneText(text, file));
        })
        .def_static("load", [](const std::string& path) { return makeScene(host::readSceneFile(path)); })
        .def("to_json", [](const SceneState& s) { return host::writeScene(s.description()).dump(); })
        .def("save", [](const SceneState& s, const std::string& path) { host::saveSceneFile(s.description(), path); })
        .def_property_readonly("file", [](const SceneState& s) { return s.description().file; })
        .def_property_readonly("frames", [](const SceneState& s) {
            return py::make_tuple(s.description().firstFrame, s.description().lastFrame);
        })
        .def_property_readonly("warnings", [](const SceneState& s) {
            py::list out;
            for (const host::SceneWarning& w : host::sceneWarnings(s.description()))
                out.append(py::make_tuple(w.path, w.value, w.consequence, w.advice, w.text()));
            return out;
        })
        .def_property_readonly("view", [](const SceneState& s) {
            py::dict view;
            view["view"] = s.description().view.curve == host::ViewTransform::Curve::filmic ? "filmic" : "standard";
            view["exposure"] = s.description().view.exposure;
            return view;
        })
        .def_property_readonly("size", [](const SceneState& s) {
            return py::make_tuple(s.description().width, s.description().height);
        })
        .def_property_readonly("effects", [](const SceneState& s) {
            py::list effects;
            for (const host::EffectDescription& e : s.description().effects) {
                py::list modifiers;
                for (const host::ComponentDescription& c : e.modifiers) modifiers.append(c.className);
                effects.append(py::make_tuple(e.name, e.component.className, modifiers));
            }
            return effects;
        })
        .def("fields", [](const SceneState& s, size_t effect, int modifier) {
            const host::BuiltComponent& c = s.component({effect, modifier});
            return host::fieldNames(*c.table);
        })
        .def("get", [](const SceneState& s, size_t effect, int modifier, const std::string& name) {
            py::gil_scoped_release release;
            return s.parameter({effect, modifier}, name).dump();
        })
        .def("set", [](SceneState& s, size_t effect, int modifier, const std::string& name, const std::string& value) {
            const nlohmann::json parsed = nlohmann::json::parse(value);
            py::gil_scoped_release release;
            s.setParameter({effect, modifier}, name, parsed);
        })
        .def("render", [](SceneState& s, int width, int height, int frame, int threads, py::object progress) {
            if (width < 0 || width > 65536 || height < 0 || height > 65536)
                throw py::value_error("expected an image width and height from 1 to 65536");
            if (threads < 0 || threads > 1024) throw py::value_error("expected from 1 to 1024 threads");
            const RenderRequest request{width, height, frame, threads};
            return imageArray(runStoppable(std::move(progress), [&](const ProgressFunction& f) {
                return renderScene(s, request, f);
            }));
        })
        .def("sample", [](SceneState& s, size_t effect, int frame,
                          py::array_t<float, py::array::c_style | py::array::forcecast> points, bool shape,
                          bool colour) {
            if (points.ndim() != 2 || points.shape(1) != 3)
                throw py::value_error("expected points as an array of N x 3, found shape " +
                                      std::string(py::str(py::object(points.attr("shape")))));
            const py::ssize_t n = points.shape(0);
            py::array_t<float> densities(n);
            py::object shapes = py::none(), colours = py::none();
            float* shapeOut = nullptr;
            QVColourRecord* colourOut = nullptr;
            if (shape) {
                py::array_t<float> a(n);
                shapeOut = a.mutable_data();
                shapes = a;
            }
            if (colour) {
                py::array_t<float> a({n, py::ssize_t(4)});
                colourOut = reinterpret_cast<QVColourRecord*>(a.mutable_data());
                colours = a;
            }
            const auto* in = reinterpret_cast<const QVVector3*>(points.data());
            float* densityOut = densities.mutable_data();
            runStoppable(py::none(), [&](const ProgressFunction&) {
                sampleEffect(s, effect, frame, n, in, densityOut, shapeOut, colourOut);
                return 0;
            });
            return py::make_tuple(densities, shapes, colours);
        })
        .def("bake", [](SceneState& s, double voxelSize, int resolution, bool colour, const std::string& effect,
                        int frame, int threads, py::object progress) {
            const BakeRequest request{voxelSize, resolution, colour, effect, frame, threads};
            auto baked = runStoppable(std::move(progress), [&](const ProgressFunction& f) {
                return bakeScene(s, request, f);
            });
            py::list out;
            for (const BakedEffect& e : baked) out.append(bakedDict(e));
            return out;
        })
        .def("bake_to_vdb", [](SceneState& s, const std::string& path, double voxelSize, int resolution,
                               bool colour, const std::string& effect, int frame, int threads, float threshold,
                               py::object progress) {
            const BakeRequest request{voxelSize, resolution, colour, effect, frame, threads};
            auto baked = runStoppable(std::move(progress), [&](const ProgressFunction& f) {
                return bakeScene(s, request, f);
            });
            py::gil_scoped_release release;
            writeVdb(path, baked, colour, threshold);
        });

    m.def("write_png", [](const std::string& path, const ImageArray& image, const std::string& view, float exposure) {
        host::writePng(path, arrayImage(image), viewNamed(view, exposure));
    }, py::arg("path"), py::arg("image"), py::arg("view") = "filmic", py::arg("exposure") = 0.0f);
    m.def("write_exr", [](const std::string& path, const ImageArray& image) { host::writeExr(path, arrayImage(image)); });
    m.def("read_exr", [](const std::string& path) { return imageArray(host::readExr(path)); });
    m.def("memory", [] {
        const host::MemoryCounts counts = HostProcess::get().services().memory().counts();
        py::dict out;
        out["objects"] = counts.liveObjects;
        out["blocks"] = counts.liveBlocks;
        out["bytes"] = counts.liveBytes;
        return out;
    });
    m.def("module_path", [] { return HostProcess::get().module().path(); });

}
