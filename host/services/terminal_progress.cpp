#include "host/services/terminal_progress.h"

#include <unistd.h>

#include <algorithm>
#include <csignal>

namespace brumo::host {

TerminalProgress::TerminalProgress(FILE* stream, bool force, double lineSeconds)
    : stream_(stream),
      terminal_(force || (stream != nullptr && isatty(fileno(stream)) != 0)),
      lineSeconds_(lineSeconds) {}

namespace {

// 75 s as "1:15", an hour and more as "1:02:03".
std::string clock(double seconds) {
    const long s = static_cast<long>(seconds + 0.5);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

}  // namespace

void TerminalProgress::progressStarted(uint64_t, const std::string& caption, double total) {
    caption_ = caption.empty() ? "Working" : caption;
    lastPercent_ = -1;
    start_ = std::chrono::steady_clock::now();
    lastLine_ = 0.0;
    draw(0.0, total);
}

void TerminalProgress::progressAdvanced(uint64_t, double done, double total) { draw(done, total); }

void TerminalProgress::progressEnded(uint64_t) {
    if (stream_ == nullptr || !terminal_) return;
    std::fprintf(stream_, "\r\033[K");
    std::fflush(stream_);
}

void TerminalProgress::draw(double done, double total) {
    if (stream_ == nullptr) return;
    const double fraction = total > 0.0 ? std::clamp(done / total, 0.0, 1.0) : 0.0;
    const int percent = static_cast<int>(fraction * 100.0);
    if (percent == lastPercent_) return;  // redraw only when the number changes
    lastPercent_ = percent;
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    // The rest at the pace so far; none before the first percent is done.
    const std::string left =
        percent > 0 && percent < 100 ? ", about " + clock(elapsed * (1.0 - fraction) / fraction) + " left" : "";
    if (!terminal_) {
        if (elapsed - lastLine_ < lineSeconds_ || percent == 0) return;
        lastLine_ = elapsed;
        std::fprintf(stream_, "%s: %d%% after %s%s\n", caption_.c_str(), percent,
                     clock(elapsed).c_str(), left.c_str());
        std::fflush(stream_);
        return;
    }
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(fraction * kWidth);
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kWidth - filled), ' ');
    std::fprintf(stream_, "\r%s [%s] %3d%% %s%s\033[K", caption_.c_str(), bar.c_str(), percent,
                 clock(elapsed).c_str(), left.c_str());
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
