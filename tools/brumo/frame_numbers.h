// Frame ranges on the command line and the numbered files of a sequence.
#pragma once

#include <string>

namespace brumo::cli {

// out.png, frame 7 of a sequence ending at frame lastFrame → out_0007.png: every number as wide
// as the last one's, four digits at least, so that a sequence sorts by name.
std::string numbered(const std::string& path, int frame, int lastFrame);

// "1-48" or "5" into first and last, with 0 <= first <= last <= 999999; false otherwise.
bool parseFrameRange(const std::string& text, int& first, int& last);

}  // namespace brumo::cli
