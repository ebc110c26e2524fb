// The studio's web server: the page, the document's state and actions, the preview and Save,
// on the loopback address only.
//
// Safe by default: a request whose Host is not this server's own address is refused (a page of
// another site cannot reach it through a rebound name), as is a state-changing request from a
// page of another origin or without a JSON body (no plain form can send one); bodies are
// bounded; files are written only in the scene's own folder. A bad request gets a 4xx status
// with {"error": message}; nothing a request holds stops the server.
#pragma once

#include <memory>
#include <string>

#include "studio_document.h"
#include "studio_preview.h"
#include "studio_queue.h"

namespace httplib {
class Server;
}

namespace brumo::cli {

class StudioServer {
public:
    // Files are saved in `folder`; `defaultName` is the name Save offers.
    StudioServer(StudioDocument& document, StudioPreview& preview, WorkQueue& queue, std::string folder,
                 std::string defaultName);
    ~StudioServer();

    // Binds 127.0.0.1 on `port` (0: any free port); answers the port, or -1 when it is taken.
    int bind(int port);
    // Serves until stop(); call on a thread of its own.
    void listen();
    void stop();

    static constexpr size_t kMaximumBody = 256 * 1024;

private:
    void routes();
    bool hostAllowed(const std::string& host) const;
    bool originAllowed(const std::string& origin) const;

    StudioDocument& document_;
    StudioPreview& preview_;
    WorkQueue& queue_;
    std::string folder_;
    std::string defaultName_;
    int port_ = 0;
    std::unique_ptr<httplib::Server> server_;
};

}  // namespace brumo::cli
