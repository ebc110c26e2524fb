// Progress of long work (shadow grids, frames) as a one-line bar with the elapsed time and an
// estimate of the rest on a terminal; elsewhere (a log, a pipe) one plain line every few
// seconds. Ctrl-C asks the running work to stop through the cancel flag.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "host/services/utility_service.h"

namespace brumo::host {

class TerminalProgress final : public ProgressListener {
public:
    // Draws a bar when stream is a terminal (or when forced, for tests), and otherwise writes a
    // line when lineSeconds have passed since the last one (or since the start).
    explicit TerminalProgress(FILE* stream, bool force = false, double lineSeconds = 5.0);

    void progressStarted(uint64_t bar, const std::string& caption, double total) override;
    void progressAdvanced(uint64_t bar, double done, double total) override;
    void progressEnded(uint64_t bar) override;

private:
    void draw(double done, double total);

    FILE* stream_;
    bool terminal_;
    double lineSeconds_;
    std::string caption_;
    int lastPercent_ = -1;
    std::chrono::steady_clock::time_point start_;
    double lastLine_ = 0.0;  // seconds after the start
};

// The first Ctrl-C sets the utility service's cancel flag; a second one ends the process.
void cancelOnInterrupt(UtilityService& utility);

}  // namespace brumo::host
