#include "host/scene_file/scene_file_error.h"

#include <algorithm>
#include <cctype>

namespace brumo::host {

namespace {

std::string compose(const std::string& file, const std::string& path, const std::string& what) {
    std::string message = file.empty() ? std::string("scene") : file;
    if (!path.empty()) message += ": " + path;
    return message + ": " + what;
}

}  // namespace

SceneFileError::SceneFileError(const std::string& file, const std::string& path,
                               const std::string& what)
    : std::runtime_error(compose(file, path, what)), file_(file), path_(path) {}

int editDistance(const std::string& a, const std::string& b) {
    std::vector<int> previous(b.size() + 1), current(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) previous[j] = int(j);
    for (size_t i = 1; i <= a.size(); ++i) {
        current[0] = int(i);
        for (size_t j = 1; j <= b.size(); ++j) {
            const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                              std::tolower(static_cast<unsigned char>(b[j - 1]));
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1,
                                   previous[j - 1] + (same ? 0 : 1)});
        }
        std::swap(previous, current);
    }
    return previous[b.size()];
}

std::string nearestName(const std::string& wrong, const std::vector<std::string>& valid) {
    std::string best;
    int bestDistance = 0;
    for (const std::string& name : valid) {
        const int d = editDistance(wrong, name);
        if (best.empty() || d < bestDistance) {
            best = name;
            bestDistance = d;
        }
    }
    // A third of the longer name, and at least two edits, still reads as a typo.
    const int allowed = std::max<int>(2, int(std::max(wrong.size(), best.size())) / 3);
    return bestDistance <= allowed ? best : std::string();
}

std::string suggestion(const std::string& wrong, const std::vector<std::string>& valid) {
    const std::string near = nearestName(wrong, valid);
    if (!near.empty()) return " (did you mean \"" + near + "\"?)";
    if (valid.empty() || valid.size() > 12) return {};
    std::string list;
    for (const std::string& name : valid) list += (list.empty() ? "" : ", ") + ("\"" + name + "\"");
    return " (expected one of " + list + ")";
}

}  // namespace brumo::host
