// Runs the brumo command-line tool as a user would, collecting what it prints.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace brumo::test {

struct CliRun {
    int status;          // the exit status, -1 when the tool did not exit normally
    std::string output;  // stdout and stderr together
};

// Runs the tool at `tool` with the arguments (as the shell splits them).
inline CliRun runTool(const char* tool, const std::string& arguments) {
    const std::string command = std::string(tool) + " " + arguments + " 2>&1";
    CliRun run{-1, {}};
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.output.append(buffer.data(), n);
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

}  // namespace brumo::test
