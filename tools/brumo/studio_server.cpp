#include "studio_server.h"

#include <httplib.h>

#include <cstdio>
#include <filesystem>

#include "embedded_files.h"
#include "host/scene_file/scene_writer.h"

namespace brumo::cli {

using nlohmann::json;

namespace {

void sendJson(httplib::Response& response, const json& body, int status = 200) {
    response.status = status;
    response.set_content(body.dump(), "application/json");
}

void sendError(httplib::Response& response, int status, const std::string& message) {
    sendJson(response, {{"error", message}}, status);
}

const char* contentType(const std::string& name) {
    const std::string extension = std::filesystem::path(name).extension().string();
    if (extension == ".html") return "text/html; charset=utf-8";
    if (extension == ".css") return "text/css; charset=utf-8";
    if (extension == ".js") return "text/javascript; charset=utf-8";
    if (extension == ".svg") return "image/svg+xml";
    return "application/octet-stream";
}

// The request body as a JSON object; answers false after sending the 400.
bool readBody(const httplib::Request& request, httplib::Response& response, json& body) {
    try {
        body = json::parse(request.body);
    } catch (const json::parse_error& error) {
        std::string what = error.what();
        const size_t tagEnd = what.find("] ");
        if (tagEnd != std::string::npos) what = what.substr(tagEnd + 2);
        sendError(response, 400, "the body is not valid JSON: " + what);
        return false;
    }
    if (!body.is_object()) {
        sendError(response, 400, "the body must be a JSON object");
        return false;
    }
    return true;
}

// A file name of the folder itself: no folder part, not hidden, ending in ".json".
bool plainSceneName(const std::string& name) {
    if (name.empty() || name.size() > 200 || name[0] == '.') return false;
    if (name.find_first_of("/\\:") != std::string::npos) return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20) return false;
    return name.size() > 5 && name.compare(name.size() - 5, 5, ".json") == 0;
}

}  // namespace

StudioServer::StudioServer(StudioDocument& document, StudioPreview& preview, WorkQueue& queue,
                           std::string folder, std::string defaultName)
    : document_(document),
      preview_(preview),
      queue_(queue),
      folder_(std::move(folder)),
      defaultName_(std::move(defaultName)),
      server_(std::make_unique<httplib::Server>()) {
    routes();
}

StudioServer::~StudioServer() = default;

int StudioServer::bind(int port) {
    if (port == 0) {
        port_ = server_->bind_to_any_port("127.0.0.1");
    } else {
        port_ = server_->bind_to_port("127.0.0.1", port) ? port : -1;
    }
    return port_;
}

void StudioServer::listen() { server_->listen_after_bind(); }

void StudioServer::stop() { server_->stop(); }

bool StudioServer::hostAllowed(const std::string& host) const {
    const std::string port = ":" + std::to_string(port_);
    return host == "127.0.0.1" + port || host == "localhost" + port;
}

bool StudioServer::originAllowed(const std::string& origin) const {
    const std::string port = ":" + std::to_string(port_);
    return origin == "http://127.0.0.1" + port || origin == "http://localhost" + port;
}

void StudioServer::routes() {
    httplib::Server& server = *server_;
    server.set_payload_max_length(kMaximumBody);
    server.set_keep_alive_timeout(2);
    server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        response.set_header("Cache-Control", "no-store");
        response.set_header("X-Content-Type-Options", "nosniff");
        if (!hostAllowed(request.get_header_value("Host"))) {
            sendError(response, 403, "this server answers only to its own address, 127.0.0.1:" + std::to_string(port_));
            return httplib::Server::HandlerResponse::Handled;
        }
        if (request.method == "GET" || request.method == "HEAD") return httplib::Server::HandlerResponse::Unhandled;
        if (request.has_header("Origin") && !originAllowed(request.get_header_value("Origin"))) {
            sendError(response, 403, "changes are accepted only from the studio's own page");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (request.get_header_value("Sec-Fetch-Site") == "cross-site") {
            sendError(response, 403, "changes are accepted only from the studio's own page");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (request.get_header_value("Content-Type").rfind("application/json", 0) != 0) {
            sendError(response, 415, "a change is sent as application/json");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const StudioStopping& error) {
            sendError(response, 503, error.what());
        } catch (const std::exception& error) {
            sendError(response, 500, error.what());
        } catch (...) {
            sendError(response, 500, "an unknown failure");
        }
    });
    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (!response.body.empty()) return;
        if (response.status == 413) sendError(response, 413, "the request is larger than " + std::to_string(kMaximumBody) + " bytes");
        else if (response.status == 404) sendError(response, 404, "there is nothing here");
        else sendError(response, response.status, "the request was refused");
    });

    // The page.
    server.Get(R"(/([a-z_]*\.?[a-z]*))", [](const httplib::Request& request, httplib::Response& response) {
        std::string name = request.matches[1];
        if (name.empty()) name = "index.html";
        size_t count = 0;
        const EmbeddedFile* files = embeddedFiles(count);
        for (size_t i = 0; i < count; ++i) {
            if (name != files[i].name) continue;
            response.set_header("Content-Security-Policy",
                                "default-src 'self'; img-src 'self' blob: data:; style-src 'self'; script-src 'self'");
            response.set_content(reinterpret_cast<const char*>(files[i].bytes), files[i].size, contentType(name));
            return;
        }
        sendError(response, 404, "there is no " + name);
    });

    server.Get("/api/state", [this](const httplib::Request&, httplib::Response& response) {
        json state;
        queue_.run([&] { state = document_.state(); });
        state["saveName"] = defaultName_;
        sendJson(response, state);
    });

    server.Post("/api/action", [this](const httplib::Request& request, httplib::Response& response) {
        json body;
        if (!readBody(request, response, body)) return;
        json state, scene;
        int revision = 0;
        bool changed = false;
        std::string failure;
        queue_.run([&] {
            const int before = document_.revision();
            try {
                document_.apply(body);
            } catch (const StudioRequestError& error) {
                failure = error.what();
            } catch (const host::SceneFileError& error) {
                failure = error.what();
            }
            revision = document_.revision();
            changed = revision != before;
            if (changed) scene = document_.sceneFile();
            state = document_.state();
        });
        if (changed) preview_.request(scene, revision);
        if (!failure.empty()) {
            sendJson(response, {{"error", failure}, {"state", state}}, 400);
            return;
        }
        state["saveName"] = defaultName_;
        sendJson(response, state);
    });

    server.Get("/api/preview", [this](const httplib::Request&, httplib::Response& response) {
        sendJson(response, preview_.status());
    });

    server.Get(R"(/api/preview/(coarse|full)\.png)", [this](const httplib::Request& request, httplib::Response& response) {
        int revision = -1;
        const std::vector<uint8_t> png = preview_.image(request.matches[1] == "full", revision);
        if (png.empty()) {
            sendError(response, 404, "no preview has been rendered yet");
            return;
        }
        response.set_header("X-Brumo-Revision", std::to_string(revision));
        response.set_content(reinterpret_cast<const char*>(png.data()), png.size(), "image/png");
    });

    server.Get("/api/scene", [this](const httplib::Request&, httplib::Response& response) {
        json scene;
        queue_.run([&] { scene = document_.sceneFile(); });
        sendJson(response, scene);
    });

    server.Post("/api/save", [this](const httplib::Request& request, httplib::Response& response) {
        json body;
        if (!readBody(request, response, body)) return;
        const json name = body.value("file", json(defaultName_));
        if (!name.is_string() || !plainSceneName(name.get<std::string>())) {
            sendError(response, 403,
                      "the studio saves only in the scene's own folder: give a file name such as \"scene.json\", "
                      "without a folder");
            return;
        }
        const std::string path = (std::filesystem::path(folder_) / name.get<std::string>()).string();
        std::error_code unused;
        if (document_.animated() && std::filesystem::equivalent(path, document_.file(), unused)) {
            sendError(response, 409,
                      "the scene is animated and the studio saves only its first frame: save under another name "
                      "so that the animation in " + name.get<std::string>() + " is kept");
            return;
        }
        json scene;
        int revision = 0;
        queue_.run([&] {
            scene = document_.sceneFile();
            revision = document_.revision();
        });
        try {
            host::saveSceneFile(host::readScene(scene, document_.file()), path);
        } catch (const host::SceneFileError& error) {
            sendError(response, 500, error.what());
            return;
        }
        sendJson(response, {{"saved", path}, {"revision", revision}});
    });
}

}  // namespace brumo::cli
