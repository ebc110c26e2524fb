#include "host/scene_file/medium_description.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <vector>

#include "host/scene_file/parameter_block.h"
#include "host/scene_file/scene_file_error.h"

namespace brumo::host {

using nlohmann::json;

Medium defaultMedium(const std::string& className) {
    Medium medium;
    if (className == "Clouds") {
        medium.albedo = {0.97f, 0.97f, 0.97f};
        medium.anisotropy = 0.5f;
    } else if (className == "Fire") {
        medium.albedo = {0.3f, 0.3f, 0.3f};
        medium.emissionFromColour = true;
    } else if (className == "RisingSmoke") {
        medium.albedo = {0.55f, 0.55f, 0.55f};
        medium.anisotropy = 0.2f;
    } else if (className == "Smog") {
        medium.albedo = {0.75f, 0.72f, 0.68f};
        medium.anisotropy = 0.3f;
    }
    return medium;
}

namespace {

class Keys {
public:
    Keys(const json& object, std::string path, std::string file, std::initializer_list<const char*> valid)
        : object_(object), path_(std::move(path)), file_(std::move(file)) {
        if (!object.is_object()) fail(path_, "expected an object");
        for (const auto& item : object.items())
            if (std::find_if(valid.begin(), valid.end(), [&](const char* k) { return item.key() == k; }) ==
                valid.end())
                fail(at(item.key()), "unknown key" + suggestion(item.key(), {valid.begin(), valid.end()}));
    }

    bool has(const char* key) const { return object_.contains(key); }
    const json& operator[](const char* key) const { return object_[key]; }
    std::string at(const std::string& key) const { return path_.empty() ? key : path_ + "." + key; }

    [[noreturn]] void fail(const std::string& path, const std::string& what) const {
        throw SceneFileError(file_, path, what);
    }

    float number(const json& value, const std::string& path, double low, double high) const {
        if (!value.is_number()) fail(path, "expected a number");
        const double v = value.get<double>();
        if (!(v >= low && v <= high)) {
            std::ostringstream range;
            range << "expected a number from " << low << " to " << high << ", found " << value.dump();
            fail(path, range.str());
        }
        return float(v);
    }
    float number(const char* key, double low, double high) const { return number(object_[key], at(key), low, high); }

    // A number for all three channels, or [r, g, b].
    Rgb rgb(const char* key, double low, double high) const {
        const json& value = object_[key];
        if (value.is_number()) {
            const float v = number(value, at(key), low, high);
            return {v, v, v};
        }
        if (!value.is_array() || value.size() != 3) fail(at(key), "expected a number or [r, g, b]");
        return {number(value[0], at(key) + "[0]", low, high), number(value[1], at(key) + "[1]", low, high),
                number(value[2], at(key) + "[2]", low, high)};
    }

private:
    const json& object_;
    std::string path_;
    std::string file_;
};

constexpr double kLarge = 1.0e6;

}  // namespace

IntegratorDescription readIntegrator(const json& document, const std::string& file) {
    IntegratorDescription integrator;
    if (document.contains("integrator")) {
        const json& value = document["integrator"];
        const std::string name = value.is_string() ? value.get<std::string>() : "";
        if (name == "physical")
            integrator.physical = true;
        else if (name != "march")
            throw SceneFileError(file, "integrator",
                                 "expected \"march\" or \"physical\", found " + value.dump());
    }
    if (!document.contains("physical")) return integrator;
    const Keys keys(document["physical"], "physical", file, {"sky", "multipleScattering", "grid", "stepsPerVoxel"});
    PhysicalSettings& s = integrator.settings;
    if (keys.has("sky")) {
        s.sky = keys.rgb("sky", 0.0, kLarge);
        s.skyFromBackground = false;
    }
    if (keys.has("grid")) {
        const float grid = keys.number("grid", 4, 512);
        if (std::floor(grid) != grid) keys.fail(keys.at("grid"), "expected a whole number of voxels");
        s.gridResolution = int(grid);
    }
    if (keys.has("stepsPerVoxel")) s.stepsPerVoxel = keys.number("stepsPerVoxel", 0.25, 16);
    if (keys.has("multipleScattering")) {
        const json& value = keys["multipleScattering"];
        const std::string path = keys.at("multipleScattering");
        if (value.is_boolean()) {
            s.multiple.enabled = value.get<bool>();
        } else {
            const Keys octaves(value, path, file, {"octaves", "attenuation", "contribution", "eccentricity"});
            if (octaves.has("octaves")) {
                const float n = octaves.number("octaves", 1, 16);
                if (std::floor(n) != n) octaves.fail(octaves.at("octaves"), "expected a whole number");
                s.multiple.octaves = int(n);
            }
            if (octaves.has("attenuation")) s.multiple.attenuation = octaves.number("attenuation", 0, 1);
            if (octaves.has("contribution")) s.multiple.contribution = octaves.number("contribution", 0, 1);
            if (octaves.has("eccentricity")) s.multiple.eccentricity = octaves.number("eccentricity", 0, 1);
        }
    }
    return integrator;
}

Medium readMedium(const json& effect, const std::string& path, const std::string& className,
                  const std::string& file) {
    Medium medium = defaultMedium(className);
    if (!effect.contains("medium")) return medium;
    const Keys keys(effect["medium"], path + ".medium", file,
                    {"albedo", "g", "extinction", "emission", "emissionStrength"});
    if (keys.has("albedo")) medium.albedo = keys.rgb("albedo", 0, 1);
    if (keys.has("g")) medium.anisotropy = keys.number("g", -0.99, 0.99);
    if (keys.has("extinction")) medium.extinctionScale = keys.number("extinction", 0, kLarge);
    if (keys.has("emissionStrength")) medium.emissionStrength = keys.number("emissionStrength", 0, kLarge);
    if (keys.has("emission")) {
        const json& value = keys["emission"];
        if (value.is_string()) {
            if (value.get<std::string>() != "colour")
                keys.fail(keys.at("emission"), "expected [r, g, b] or \"colour\", found " + value.dump());
            medium.emissionFromColour = true;
        } else {
            medium.emission = keys.rgb("emission", 0, kLarge);
            medium.emissionFromColour = false;
        }
    }
    return medium;
}

namespace {

json rgbJson(const Rgb& c) { return json::array({floatJson(c.r), floatJson(c.g), floatJson(c.b)}); }

}  // namespace

void writeIntegrator(const IntegratorDescription& integrator, json& document) {
    const PhysicalSettings& s = integrator.settings;
    document["integrator"] = integrator.physical ? "physical" : "march";
    json physical = {{"grid", s.gridResolution},
                     {"stepsPerVoxel", floatJson(s.stepsPerVoxel)},
                     {"multipleScattering",
                      s.multiple.enabled ? json{{"octaves", s.multiple.octaves},
                                                {"attenuation", floatJson(s.multiple.attenuation)},
                                                {"contribution", floatJson(s.multiple.contribution)},
                                                {"eccentricity", floatJson(s.multiple.eccentricity)}}
                                         : json(false)}};
    if (!s.skyFromBackground) physical["sky"] = rgbJson(s.sky);
    document["physical"] = physical;
}

json mediumJson(const Medium& medium) {
    return {{"albedo", rgbJson(medium.albedo)},
            {"g", floatJson(medium.anisotropy)},
            {"extinction", floatJson(medium.extinctionScale)},
            {"emission", medium.emissionFromColour ? json("colour") : rgbJson(medium.emission)},
            {"emissionStrength", floatJson(medium.emissionStrength)}};
}

}  // namespace brumo::host
