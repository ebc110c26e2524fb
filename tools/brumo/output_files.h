// The files the tool writes: their format follows the extension, and a file the user cannot
// write is refused before any work.
#pragma once

#include <string>
#include <vector>

namespace brumo::cli {

// Empty when path can be written as one of the formats (extensions such as ".png", compared
// ignoring case), otherwise the message why not.
std::string outputProblem(const std::string& path, const std::vector<std::string>& extensions);

}  // namespace brumo::cli
