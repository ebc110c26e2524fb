// The failures of the host's own work (rendering, baking), each with the exit status a command
// reports for it, so that a tool can catch them in one place.
#pragma once

#include <stdexcept>
#include <string>

namespace brumo::host {

constexpr int kStatusFailure = 1;       // the work could not be done
constexpr int kStatusUsage = 2;         // bad arguments or bad input
constexpr int kStatusInterrupted = 130; // stopped on request, as a shell reports SIGINT

class HostError : public std::runtime_error {
public:
    explicit HostError(const std::string& what, int exitStatus = kStatusFailure)
        : std::runtime_error(what), exitStatus_(exitStatus) {}
    int exitStatus() const { return exitStatus_; }

private:
    int exitStatus_;
};

// The work stopped because it was asked to.
class JobCancelled : public HostError {
public:
    explicit JobCancelled(const std::string& what) : HostError(what, kStatusInterrupted) {}
};

}  // namespace brumo::host
