// Runs the brumo command-line tool as a user would, collecting what it prints.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

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

// An example scene of the source tree.
inline std::string example(const std::string& name) { return std::string(BRUMO_SOURCE_DIR) + "/examples/" + name; }

// Waits (at most `limit`) until the process has a handler for SIGINT, so that a Ctrl-C sent
// next reaches the tool's own handling however slowly the process started on a loaded machine.
inline bool waitForInterruptHandler(pid_t process, std::chrono::seconds limit = std::chrono::seconds(60)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    const std::string statusFile = "/proc/" + std::to_string(process) + "/status";
    while (std::chrono::steady_clock::now() < end) {
        std::ifstream status(statusFile);
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("SigCgt:", 0) != 0) continue;
            const unsigned long long caught = std::stoull(line.substr(7), nullptr, 16);
            if (caught & (1ull << (SIGINT - 1))) return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Starts the tool with these arguments, its stderr into the file `log`, and presses Ctrl-C once
// it listens for it; answers the exit status and what it wrote to stderr.
inline CliRun interruptTool(const char* tool, const std::vector<std::string>& arguments, const std::string& log) {
    std::vector<char*> argv{const_cast<char*>(tool)};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    CliRun run{-1, {}};
    const pid_t child = fork();
    EXPECT_GE(child, 0);
    if (child < 0) return run;
    if (child == 0) {
        std::freopen(log.c_str(), "w", stderr);
        execv(tool, argv.data());
        _exit(99);
    }
    EXPECT_TRUE(waitForInterruptHandler(child));
    kill(child, SIGINT);
    int raw = 0;
    waitpid(child, &raw, 0);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream messages(log);
    run.output.assign(std::istreambuf_iterator<char>(messages), std::istreambuf_iterator<char>());
    return run;
}

}  // namespace brumo::test
