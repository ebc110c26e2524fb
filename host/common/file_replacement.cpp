#include "host/common/file_replacement.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>

namespace brumo::host {

std::string replaceFile(const std::string& path, const std::function<void(const std::string& temporary)>& write) {
    const std::filesystem::path target(path);
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) return std::strerror(errno);
    fchmod(descriptor, 0644);
    close(descriptor);

    std::string failure;
    try {
        write(temporary);
    } catch (const std::exception& error) {
        failure = *error.what() != '\0' ? error.what() : "the writer failed";
    }
    if (failure.empty() && std::rename(temporary.c_str(), path.c_str()) != 0) failure = std::strerror(errno);
    if (!failure.empty()) unlink(temporary.c_str());
    return failure;
}

std::string cannotWrite(const std::string& path, const std::string& what) {
    return "cannot write " + path + ": " + what;
}

}  // namespace brumo::host
