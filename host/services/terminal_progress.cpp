#include "host/services/terminal_progress.h"

#include <unistd.h>

#include <algorithm>
#include <csignal>

namespace brumo::host {

TerminalProgress::TerminalProgress(FILE* stream, bool force)
    : stream_(stream), enabled_(force || (stream != nullptr && isatty(fileno(stream)) != 0)) {}

void TerminalProgress::progressStarted(uint64_t, const std::string& caption, double total) {
    caption_ = caption.empty() ? "Working" : caption;
    lastPercent_ = -1;
    draw(0.0, total);
}

void TerminalProgress::progressAdvanced(uint64_t, double done, double total) { draw(done, total); }

void TerminalProgress::progressEnded(uint64_t) {
    if (!enabled_) return;
    std::fprintf(stream_, "\r\033[K");
    std::fflush(stream_);
}

void TerminalProgress::draw(double done, double total) {
    if (!enabled_) return;
    const double fraction = total > 0.0 ? std::clamp(done / total, 0.0, 1.0) : 0.0;
    const int percent = static_cast<int>(fraction * 100.0);
    if (percent == lastPercent_) return;  // redraw only when the number changes
    lastPercent_ = percent;
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(fraction * kWidth);
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kWidth - filled), ' ');
    std::fprintf(stream_, "\r%s [%s] %3d%%", caption_.c_str(), bar.c_str(), percent);
    std::fflush(stream_);
}

namespace {

UtilityService* interruptTarget = nullptr;

void onInterrupt(int) {
    if (interruptTarget != nullptr) interruptTarget->requestCancel();
    std::signal(SIGINT, SIG_DFL);
}

}  // namespace

void cancelOnInterrupt(UtilityService& utility) {
    interruptTarget = &utility;
    std::signal(SIGINT, onInterrupt);
}

}  // namespace brumo::host
