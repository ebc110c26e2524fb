#include "host/bake/grid_names.h"

#include <cctype>
#include <set>

namespace brumo::host {

namespace {

// A grid name other tools take as an identifier: letters, digits and underscores.
std::string identifier(const std::string& name) {
    std::string result;
    for (char c : name) result += (std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_') ? c : '_';
    return result.empty() ? "effect" : result;
}

}  // namespace

std::vector<BakedGridNames> bakedGridNames(const std::vector<BakedEffectName>& effects, bool colour,
                                           bool emission) {
    std::vector<BakedGridNames> names;
    std::set<std::string> taken;
    for (const BakedEffectName& effect : effects) {
        std::string suffix;
        if (effects.size() > 1) {
            suffix = "_" + identifier(effect.name);
            for (int n = 2; taken.count(suffix) != 0; ++n) suffix = "_" + identifier(effect.name) + "_" + std::to_string(n);
            taken.insert(suffix);
        }
        names.push_back({"density" + suffix, colour ? "sample_colour" + suffix : "", effect.name,
                         effect.className, emission ? "emission" + suffix : "",
                         emission ? "extinction" + suffix : ""});
    }
    return names;
}

}  // namespace brumo::host
