// How scene-referred linear light becomes a display value for 8-bit images. OpenEXR output
// stays linear and never goes through this.
//
// filmic: the ACES filmic curve in the analytic fit by Narkowicz, applied per channel after
//         the exposure. It starts with a slight toe, lifts the mid-tones (0.18 → 0.27) and
//         rolls highlights off towards white; 8-bit white (255) is reached only above linear
//         6.3, and the curve is flat (clipped) only from 7.24 on.
// standard: the exposure, then a plain clip to [0, 1], as an sRGB display shows linear light.
#pragma once

#include <string>
#include <vector>

namespace brumo::host {

struct ViewTransform {
    enum class Curve { filmic, standard };
    Curve curve = Curve::filmic;
    float exposure = 0.0f;  // stops: linear light is scaled by 2^exposure first

    // Linear light to display-linear light in [0, 1]; NaN and negative values give 0.
    float apply(float linear) const { return display(linear * exposureScale()); }
    // 2^exposure, for callers that scale many values.
    float exposureScale() const;
    // apply() of light already scaled by exposureScale().
    float display(float scaled) const;
};

// The linear level below which the filmic curve gives less than 8-bit white, at exposure 0.
constexpr float kFilmicWhiteBelow = 6.3f;

// "filmic" or "standard"; false for any other name.
bool viewCurveNamed(const std::string& name, ViewTransform::Curve& curve);
const std::vector<std::string>& viewCurveNames();

}  // namespace brumo::host
