// The shaping curves written out from their definitions, as expected values: the module's own
// curves are what the checks are about, so they are not asked for the answer.
#pragma once

#include <cmath>

namespace brumo::test {

// Wyvill's soft-object falloff at u = distance / range: 1 - 22/9 u + 17/9 u² - 4/9 u³.
inline float softObjectAt(double u) {
    return static_cast<float>(1.0 - 22.0 / 9.0 * u + 17.0 / 9.0 * u * u - 4.0 / 9.0 * u * u * u);
}

// Perlin's bias, t to the power ln b / ln 0.5, and gain, bias mirrored about t = 0.5.
inline double biasCurve(double b, double t) { return std::pow(t, std::log(b) / std::log(0.5)); }
inline double gainCurve(double g, double t) {
    return t < 0.5 ? biasCurve(1.0 - g, 2.0 * t) / 2.0 : 1.0 - biasCurve(1.0 - g, 2.0 - 2.0 * t) / 2.0;
}

// 0 below edge0, 1 from edge1 on, 3t² - 2t³ of t = (x - edge0) / (edge1 - edge0) between.
inline double smoothStepCurve(double edge0, double edge1, double x) {
    if (x < edge0) return 0.0;
    if (x >= edge1) return 1.0;
    const double t = (x - edge0) / (edge1 - edge0);
    return t * t * (3.0 - 2.0 * t);
}

}  // namespace brumo::test
