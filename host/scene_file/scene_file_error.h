// What is wrong with a scene file: the file, the JSON path of the offending key (such as
// `effects[1].parameters.densityAmount`) and what was expected there.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace brumo::host {

class SceneFileError : public std::runtime_error {
public:
    SceneFileError(const std::string& file, const std::string& path, const std::string& what);

    const std::string& file() const { return file_; }
    const std::string& path() const { return path_; }

private:
    std::string file_;
    std::string path_;
};

// Edit distance (insertions, deletions, substitutions), ignoring ASCII case.
int editDistance(const std::string& a, const std::string& b);

// The valid name nearest to `wrong`, or empty when none is close enough to be a likely typo.
std::string nearestName(const std::string& wrong, const std::vector<std::string>& valid);

// ` (did you mean "x"?)` for the nearest valid name, or a list of the valid names when there
// are few and none is near; empty otherwise.
std::string suggestion(const std::string& wrong, const std::vector<std::string>& valid);

}  // namespace brumo::host
