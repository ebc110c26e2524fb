// The tool's progress line: one bar at a time on a terminal (the render's tiles or a shadow-grid
// build), prefixed with the frame when several are rendered; nothing when quiet or piped.
//
// Every render thread builds the shadow grid of its own copy of an effect at the same time; the
// line follows the first of those bars and ignores the others, which advance alike.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

#include "host/services/terminal_progress.h"

namespace brumo::cli {

class CliProgress final : public host::ProgressListener {
public:
    CliProgress(FILE* stream, bool quiet);

    void setPrefix(const std::string& prefix);

    void progressStarted(uint64_t bar, const std::string& caption, double total) override;
    void progressAdvanced(uint64_t bar, double done, double total) override;
    void progressEnded(uint64_t bar) override;

    // The render's own bar (tiles), driven from the rendering thread.
    static constexpr uint64_t kRenderBar = UINT64_MAX;

private:
    std::mutex mutex_;
    host::TerminalProgress terminal_;
    std::string prefix_;
    uint64_t shown_ = 0;
    bool showing_ = false;
};

}  // namespace brumo::cli
