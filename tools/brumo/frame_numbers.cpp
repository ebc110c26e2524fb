#include "frame_numbers.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <exception>
#include <filesystem>

namespace brumo::cli {

std::string numbered(const std::string& path, int frame, int lastFrame) {
    const std::filesystem::path p(path);
    const int width = std::max(4, int(std::to_string(std::max(lastFrame, 0)).size()));
    char number[32];
    std::snprintf(number, sizeof number, "_%0*d", width, frame);
    return (p.parent_path() / (p.stem().string() + number + p.extension().string())).string();
}

bool parseFrameRange(const std::string& text, int& first, int& last) {
    try {
        size_t used = 0;
        const size_t dash = text.find('-', 1);
        first = std::stoi(text.substr(0, dash), &used);
        if (used != (dash == std::string::npos ? text.size() : dash)) return false;
        if (dash == std::string::npos) {
            last = first;
        } else {
            const std::string rest = text.substr(dash + 1);
            last = std::stoi(rest, &used);
            if (used != rest.size()) return false;
        }
    } catch (const std::exception&) {
        return false;
    }
    return first >= 0 && last >= first && last <= 999999;
}

std::string chooseFrames(const std::string& range, int frame, int sceneFirst, std::vector<int>& frames,
                         bool& numbered) {
    numbered = false;
    frames.clear();
    if (!range.empty() && frame >= 0) return "give --frames or --frame, not both";
    if (range.empty()) {
        frames.push_back(frame >= 0 ? frame : sceneFirst);
        return "";
    }
    int first = 0, last = 0;
    if (!parseFrameRange(range, first, last))
        return "--frames: expected FIRST-LAST with 0 <= FIRST <= LAST, such as 1-48, found \"" + range + "\"";
    for (int f = first; f <= last; ++f) frames.push_back(f);
    numbered = true;
    return "";
}

}  // namespace brumo::cli
