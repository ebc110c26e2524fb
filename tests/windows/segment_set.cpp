#include "segment_set.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

#include "brumo/class_ids.h"
#include "brumo/parameter_blocks.h"
#include "brumo/volume_modifier.h"
#include "qv/class_factory.h"
#include "qv/counted_ptr.h"
#include "qv/data_exchanger.h"
#include "qv/editor_part.h"
#include "qv/geometric_primitive.h"
#include "qv/result_codes.h"
#include "qv/volume_primitive.h"

namespace brumo::segments {

namespace {

// The default seed of every effect, and one written into the block by the host.
constexpr int32_t kSeeds[] = {777, 4321};

// Premultiplied colour behind every segment.
constexpr QVColourRecord kBackground = {0.1f, 0.15f, 0.3f, 1.0f};

// Segment ends as fractions of the effect's box along x, y and z.
struct Fractions {
    float from[3];
    float to[3];
};

constexpr Fractions kSegments[] = {
    {{0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f}},        // the long diagonal
    {{0.0f, 0.5f, 0.5f}, {1.0f, 0.5f, 0.5f}},        // through the centre along each axis
    {{0.5f, 0.0f, 0.5f}, {0.5f, 1.0f, 0.5f}},
    {{0.5f, 0.5f, 0.0f}, {0.5f, 0.5f, 1.0f}},
    {{1.0f, 0.5f, 0.5f}, {0.0f, 0.5f, 0.5f}},        // the same chord the other way
    {{0.1f, 0.3f, 0.7f}, {0.9f, 0.6f, 0.2f}},        // off-centre chords
    {{0.2f, 0.8f, 0.9f}, {0.8f, 0.2f, 0.9f}},
    {{0.5f, 0.5f, 0.0f}, {0.5f, 0.5f, 0.3f}},        // near the foot of fire and smoke
    {{0.4f, 0.45f, 0.5f}, {0.6f, 0.5f, 0.55f}},      // short, inside
    {{0.25f, 0.25f, 0.25f}, {0.25f, 0.25f, 0.25f}},  // a point: nothing gathered
};

struct EffectEntry {
    const char* name;
    QVGuid classId;
};

constexpr EffectEntry kEffects[] = {
    {"Fire", CLSID_Fire},
    {"Smog", CLSID_Smog},
    {"RisingSmoke", CLSID_RisingSmoke},
    {"Clouds", CLSID_Clouds},
};

const QVGuid& mainInterface(ClassKind kind) {
    switch (kind) {
        case ClassKind::effect: return qv::IID_IVolumePrimitive;
        case ClassKind::modifier: return IID_IVolumeModifier;
        case ClassKind::editorPart: break;
    }
    return qv::IID_IMFExPart;
}

float lerp(float a, float b, float t) { return a + (b - a) * t; }

QVVector3 pointIn(const QVBox& box, const float f[3]) {
    return {lerp(box.min.x, box.max.x, f[0]), lerp(box.min.y, box.max.y, f[1]),
            lerp(box.min.z, box.max.z, f[2])};
}

std::string codeText(QVResult code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08" PRIX32, static_cast<uint32_t>(code));
    return text;
}

uint32_t bitsOf(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float floatOf(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// How many representable floats lie between a and b (across zero too).
int64_t ulpsBetween(float a, float b) {
    auto ordered = [](float v) {
        const int64_t bits = static_cast<int32_t>(bitsOf(v));
        return bits < 0 ? int64_t(INT32_MIN) - bits : bits;
    };
    return std::llabs(ordered(a) - ordered(b));
}

bool renderEffect(const CreateInstance& create, const EffectEntry& effect, int32_t seed,
                  std::vector<SegmentValue>& values, std::string& error) {
    const std::string where = std::string(effect.name) + " at seed " + std::to_string(seed) + ": ";
    QVCountedPtr<IQVUnknown> object;
    const QVResult created = create(effect.classId, qv::IID_IQVUnknown, object.slot());
    if (created != qv::kOk || !object) {
        error = where + "not created (" + codeText(created) + ")";
        return false;
    }
    QVCountedPtr<IExDataExchanger> exchanger;
    QVCountedPtr<IVolumePrimitive> volume;
    QVCountedPtr<I3DExGeometricPrimitive> geometry;
    if (exchanger.queryFrom(object.get(), qv::IID_IExDataExchanger) != qv::kOk ||
        volume.queryFrom(object.get(), qv::IID_IVolumePrimitive) != qv::kOk ||
        geometry.queryFrom(object.get(), qv::IID_I3DExGeometricPrimitive) != qv::kOk) {
        error = where + "an effect interface is missing";
        return false;
    }
    auto* block = static_cast<EffectParameters*>(exchanger->parameterBlock());
    if (block == nullptr) {
        error = where + "no parameter block";
        return false;
    }
    if (block->seedValue != static_cast<float>(seed)) {
        block->seedValue = static_cast<float>(seed);
        exchanger->parametersChanged();
    }

    // The first call prepares the effect; a point gathers nothing.
    QVBox box{{0.0f, 0.0f, 0.0f}, {-1.0f, -1.0f, -1.0f}};
    geometry->queryBounds(&box);
    const QVVector3 centre = pointIn(box, kSegments[1].from);
    QVColourRecord scratch{0.0f, 0.0f, 0.0f, 0.0f};
    volume->integrateSegment(&centre, &centre, &scratch, nullptr, 0, 0);
    geometry->queryBounds(&box);
    if (!(box.min.x < box.max.x && box.min.y < box.max.y && box.min.z < box.max.z)) {
        error = where + "empty bounds";
        return false;
    }

    int32_t number = 0;
    for (const Fractions& segment : kSegments) {
        const QVVector3 start = pointIn(box, segment.from);
        const QVVector3 end = pointIn(box, segment.to);
        QVColourRecord colour = kBackground;
        const QVResult result = volume->integrateSegment(&start, &end, &colour, nullptr, 0, 0);
        if (result != qv::kOk) {
            error = where + "segment " + std::to_string(number) + " answered " + codeText(result);
            return false;
        }
        SegmentValue value;
        value.effect = effect.name;
        value.seed = seed;
        value.segment = number++;
        value.rgba[0] = colour.red;
        value.rgba[1] = colour.green;
        value.rgba[2] = colour.blue;
        value.rgba[3] = colour.alpha;
        values.push_back(value);
    }
    return true;
}

}  // namespace

int createEveryClass(const CreateInstance& create, std::string& problems) {
    int good = 0;
    for (const ClassListEntry& entry : kClassList) {
        void* object = nullptr;
        const QVResult created = create(entry.classId, qv::IID_IQVUnknown, &object);
        if (created != qv::kOk || object == nullptr) {
            problems += std::string(entry.name) + ": not created (" + codeText(created) + ")\n";
            continue;
        }
        auto* unknown = static_cast<IQVUnknown*>(object);
        void* main = nullptr;
        const QVResult answered = unknown->QueryInterface(mainInterface(entry.kind), &main);
        if (answered != qv::kOk || main == nullptr) {
            problems += std::string(entry.name) + ": its main interface is missing\n";
            unknown->Release();
            continue;
        }
        static_cast<IQVUnknown*>(main)->Release();
        const int32_t left = unknown->Release();
        if (left != 0) {
            problems += std::string(entry.name) + ": " + std::to_string(left) +
                        " references left after the last release\n";
            continue;
        }
        ++good;
    }
    return good;
}

bool renderSegmentSet(const CreateInstance& create, std::vector<SegmentValue>& values,
                      std::string& error) {
    values.clear();
    for (const EffectEntry& effect : kEffects)
        for (int32_t seed : kSeeds)
            if (!renderEffect(create, effect, seed, values, error)) return false;
    return true;
}

std::string formatValues(const std::vector<SegmentValue>& values) {
    std::string text =
        "# effect seed segment red green blue alpha (bits), then the same in decimal\n";
    char line[256];
    for (const SegmentValue& v : values) {
        std::snprintf(line, sizeof line,
                      "%s %" PRId32 " %" PRId32 " %08" PRIx32 " %08" PRIx32 " %08" PRIx32
                      " %08" PRIx32 "  %.9g %.9g %.9g %.9g\n",
                      v.effect.c_str(), v.seed, v.segment, bitsOf(v.rgba[0]), bitsOf(v.rgba[1]),
                      bitsOf(v.rgba[2]), bitsOf(v.rgba[3]), double(v.rgba[0]), double(v.rgba[1]),
                      double(v.rgba[2]), double(v.rgba[3]));
        text += line;
    }
    return text;
}

bool parseValues(const std::string& text, std::vector<SegmentValue>& values, std::string& error) {
    values.clear();
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        SegmentValue v;
        std::string bits[4];
        if (!(fields >> v.effect >> v.seed >> v.segment >> bits[0] >> bits[1] >> bits[2] >> bits[3])) {
            error = "line " + std::to_string(number) + " is not \"effect seed segment\" and four bit patterns";
            return false;
        }
        for (int c = 0; c < 4; ++c) {
            char* end = nullptr;
            const unsigned long pattern = std::strtoul(bits[c].c_str(), &end, 16);
            if (bits[c].size() != 8 || end == nullptr || *end != '\0') {
                error = "line " + std::to_string(number) + ": \"" + bits[c] + "\" is not eight hex digits";
                return false;
            }
            v.rgba[c] = floatOf(static_cast<uint32_t>(pattern));
        }
        values.push_back(v);
    }
    return true;
}

Comparison compareValues(const std::vector<SegmentValue>& expected,
                         const std::vector<SegmentValue>& actual, float tolerance) {
    using Key = std::tuple<std::string, int32_t, int32_t>;
    std::map<Key, const SegmentValue*> byKey;
    for (const SegmentValue& v : actual) byKey[Key(v.effect, v.seed, v.segment)] = &v;

    Comparison result;
    static const char* const kChannels[4] = {"red", "green", "blue", "alpha"};
    int reported = 0;
    auto note = [&](const std::string& line) {
        if (reported++ < 20) result.report += line + "\n";
    };
    for (const SegmentValue& want : expected) {
        const std::string name = want.effect + " seed " + std::to_string(want.seed) + " segment " +
                                 std::to_string(want.segment);
        auto found = byKey.find(Key(want.effect, want.seed, want.segment));
        if (found == byKey.end()) {
            ++result.outside;
            note(name + ": missing");
            continue;
        }
        const SegmentValue& got = *found->second;
        byKey.erase(found);
        for (int c = 0; c < 4; ++c) {
            ++result.compared;
            const float a = want.rgba[c], b = got.rgba[c];
            if (bitsOf(a) == bitsOf(b)) {
                ++result.exact;
                continue;
            }
            const float difference = std::fabs(a - b);
            const bool finite = std::isfinite(a) && std::isfinite(b);
            if (finite && difference > result.largestDifference) {
                result.largestDifference = difference;
                result.largestUlps = ulpsBetween(a, b);
            }
            if (!finite || !(difference <= tolerance)) {
                ++result.outside;
                char line[160];
                std::snprintf(line, sizeof line, "%s %s: expected %.9g, got %.9g", name.c_str(),
                              kChannels[c], double(a), double(b));
                note(line);
            }
        }
    }
    for (const auto& extra : byKey) {
        ++result.outside;
        note(std::get<0>(extra.first) + " seed " + std::to_string(std::get<1>(extra.first)) +
             " segment " + std::to_string(std::get<2>(extra.first)) + ": not expected");
    }
    return result;
}

bool readTextFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    text = content.str();
    return true;
}

bool writeTextFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return bool(out.flush());
}

}  // namespace brumo::segments
