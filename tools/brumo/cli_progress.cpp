#include "cli_progress.h"

namespace brumo::cli {

CliProgress::CliProgress(FILE* stream, bool quiet) : terminal_(quiet ? nullptr : stream) {}

void CliProgress::setPrefix(const std::string& prefix) {
    std::lock_guard<std::mutex> lock(mutex_);
    prefix_ = prefix;
}

void CliProgress::progressStarted(uint64_t bar, const std::string& caption, double total) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (showing_) return;
    showing_ = true;
    shown_ = bar;
    terminal_.progressStarted(bar, prefix_ + (caption.empty() ? "Working" : caption), total);
}

void CliProgress::progressAdvanced(uint64_t bar, double done, double total) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (showing_ && bar == shown_) terminal_.progressAdvanced(bar, done, total);
}

void CliProgress::progressEnded(uint64_t bar) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!showing_ || bar != shown_) return;
    showing_ = false;
    terminal_.progressEnded(bar);
}

}  // namespace brumo::cli
