// Frame ranges on the command line and the numbered files of a sequence.
#pragma once

#include <string>

namespace brumo::cli {

// out.png, frame 7 → out_0007.png: four digits at least, so a sequence sorts by name.
std::string numbered(const std::string& path, int frame);

// "1-48" or "5" into first and last, with 0 <= first <= last <= 999999; false otherwise.
bool parseFrameRange(const std::string& text, int& first, int& last);

}  // namespace brumo::cli
