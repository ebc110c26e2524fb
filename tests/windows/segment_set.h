// A fixed run through the module that any host can make with nothing but the class factory and
// the module's interfaces: every class is created once, then a fixed set of ray segments is
// integrated through each of the four effects at two seeds. The Linux build writes the colours
// to tests/data; the Windows DLL's test host makes the same run and compares.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "qv/guid.h"
#include "qv/platform.h"

namespace brumo::segments {

// Both hosts give their scene this size factor before the run; effects scale their default size
// by it.
constexpr float kSceneSizeFactor = 1.5f;

// QVDllGetClassObject followed by the factory's CreateInstance, as the host at hand does it.
using CreateInstance = std::function<QVResult(const QVGuid& classId, const QVGuid& iid, void** out)>;

// The composite colour (premultiplied RGBA) after one segment over the fixed background.
struct SegmentValue {
    std::string effect;
    int32_t seed = 0;
    int32_t segment = 0;
    float rgba[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};

// Creates and releases one object of each of the nineteen classes. Returns how many were
// created, answered their main interface and went away with their last reference; `problems`
// names each class that did not.
int createEveryClass(const CreateInstance& create, std::string& problems);

// Integrates the whole set. Returns false, with `error` saying where, when a step fails.
bool renderSegmentSet(const CreateInstance& create, std::vector<SegmentValue>& values,
                      std::string& error);

// One line per segment: effect, seed, segment number, then each channel as its bit pattern
// (exact) followed by the four channels in decimal (for the reader).
std::string formatValues(const std::vector<SegmentValue>& values);
bool parseValues(const std::string& text, std::vector<SegmentValue>& values, std::string& error);

struct Comparison {
    int compared = 0;          // channels compared
    int exact = 0;             // channels with the same bits
    int outside = 0;           // channels further apart than the tolerance
    float largestDifference = 0.0f;
    int64_t largestUlps = 0;   // units in the last place between the farthest pair
    std::string report;        // one line per channel outside the tolerance (at most 20), and
                               // any segment missing on one side
};

// Channels compared by absolute difference; a segment present on one side only counts as
// outside.
Comparison compareValues(const std::vector<SegmentValue>& expected,
                         const std::vector<SegmentValue>& actual, float tolerance);

bool readTextFile(const std::string& path, std::string& text);
bool writeTextFile(const std::string& path, const std::string& text);

}  // namespace brumo::segments
