#include "output_files.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace brumo::cli {

namespace {

std::string lowerCase(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::string outputProblem(const std::string& path, const std::vector<std::string>& extensions) {
    if (path.empty()) return "the output path is empty";
    const std::filesystem::path file(path);
    std::error_code error;
    // A folder in the way is the writer's failure to report (status 1), like a full disk.
    if (std::filesystem::is_directory(file, error)) return {};
    const std::string extension = lowerCase(file.extension().string());
    if (std::find(extensions.begin(), extensions.end(), extension) == extensions.end()) {
        std::string list;
        for (const std::string& e : extensions) list += (list.empty() ? "" : ", ") + e;
        return "cannot write " + path + ": the format follows the extension, which must be " + list;
    }
    std::filesystem::path folder = file.parent_path();
    if (folder.empty()) folder = ".";
    if (!std::filesystem::is_directory(folder, error))
        return "cannot write " + path + ": its folder does not exist";
    // The new file replaces the old by a rename in the folder, which the folder's permission
    // allows even over a read-only file (and root may write anything); a file whose owner may
    // not write it is the user saying no.
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (std::filesystem::exists(status) &&
        (status.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none)
        return "cannot write " + path + ": the file is read-only";
    if (access(folder.c_str(), W_OK) != 0)
        return "cannot write " + path + ": its folder " + folder.string() + " is not writable";
    return {};
}

}  // namespace brumo::cli
