// Progress of long work (shadow grids, frames) as a one-line bar on a terminal; quiet when the
// output is not a terminal. Ctrl-C asks the running work to stop through the cancel flag.
#pragma once

#include <cstdio>
#include <string>

#include "host/services/utility_service.h"

namespace brumo::host {

class TerminalProgress final : public ProgressListener {
public:
    // Draws on stream only when it is a terminal (or when forced, for tests).
    explicit TerminalProgress(FILE* stream, bool force = false);

    void progressStarted(uint64_t bar, const std::string& caption, double total) override;
    void progressAdvanced(uint64_t bar, double done, double total) override;
    void progressEnded(uint64_t bar) override;

private:
    void draw(double done, double total);

    FILE* stream_;
    bool enabled_;
    std::string caption_;
    int lastPercent_ = -1;
};

// The first Ctrl-C sets the utility service's cancel flag; a second one ends the process.
void cancelOnInterrupt(UtilityService& utility);

}  // namespace brumo::host
