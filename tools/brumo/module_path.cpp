#include "module_path.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace brumo::cli {

namespace {

std::filesystem::path executableFolder() {
    char buffer[4096];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return std::filesystem::current_path();
    buffer[length] = '\0';
    return std::filesystem::path(buffer).parent_path();
}

}  // namespace

std::string modulePath(const std::string& fromOption) {
    if (!fromOption.empty()) return fromOption;
    if (const char* fromEnvironment = std::getenv("BRUMO_MODULE");
        fromEnvironment != nullptr && *fromEnvironment != '\0')
        return fromEnvironment;
    return (executableFolder().parent_path() / "lib" / "libbrumo.so").lexically_normal().string();
}

}  // namespace brumo::cli
