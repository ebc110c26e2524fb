// Frame ranges on the command line and the numbered files of a sequence.
#pragma once

#include <string>
#include <vector>

namespace brumo::cli {

// out.png, frame 7 of a sequence ending at frame lastFrame → out_0007.png: every number as wide
// as the last one's, four digits at least, so that a sequence sorts by name.
std::string numbered(const std::string& path, int frame, int lastFrame);

// "1-48" or "5" into first and last, with 0 <= first <= last <= 999999; false otherwise.
bool parseFrameRange(const std::string& text, int& first, int& last);

// The frames a command works on from its --frames (text, may be empty) and --frame (negative
// when not given) options, else the scene's first frame; `numbered` is true for a range.
// Answers an error message for the user, empty when the options are fine.
std::string chooseFrames(const std::string& range, int frame, int sceneFirst, std::vector<int>& frames,
                         bool& numbered);

}  // namespace brumo::cli
