#include "host/image/view_transform.h"

#include <cmath>

namespace brumo::host {

namespace {

float filmic(float x) {
    if (x >= 7.25f) return 1.0f;  // past the point where the fit reaches 1
    constexpr float a = 2.51f, b = 0.03f, c = 2.43f, d = 0.59f, e = 0.14f;
    const float y = (x * (a * x + b)) / (x * (c * x + d) + e);
    return y < 1.0f ? y : 1.0f;
}

}  // namespace

float ViewTransform::exposureScale() const { return std::exp2(exposure); }

float ViewTransform::display(float x) const {
    if (!(x > 0.0f)) return 0.0f;
    if (curve == Curve::filmic) return filmic(x);
    return x < 1.0f ? x : 1.0f;
}

const std::vector<std::string>& viewCurveNames() {
    static const std::vector<std::string> names{"filmic", "standard"};
    return names;
}

bool viewCurveNamed(const std::string& name, ViewTransform::Curve& curve) {
    if (name == "filmic") {
        curve = ViewTransform::Curve::filmic;
    } else if (name == "standard") {
        curve = ViewTransform::Curve::standard;
    } else {
        return false;
    }
    return true;
}

}  // namespace brumo::host
