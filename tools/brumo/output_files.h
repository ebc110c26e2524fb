// The files the tool writes: their format follows the extension, a file the user cannot write
// is refused before any work, and frame numbers sort as text.
#pragma once

#include <string>
#include <vector>

namespace brumo::cli {

// Empty when path can be written as one of the formats (extensions such as ".png", compared
// ignoring case), otherwise the message why not.
std::string outputProblem(const std::string& path, const std::vector<std::string>& extensions);

// out.png, frame 7 of a sequence whose last frame is lastFrame → out_0007.png; the number is as
// wide as the last frame's, and at least four digits.
std::string numberedPath(const std::string& path, int frame, int lastFrame);

}  // namespace brumo::cli
