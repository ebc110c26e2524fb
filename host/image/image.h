// A float RGBA image as the renderer produces it: linear light, premultiplied alpha (the colour
// a ray segment composite answers), rows from top to bottom.
#pragma once

#include <cstddef>
#include <vector>

#include "qv/scene_records.h"

namespace brumo::host {

class Image {
public:
    Image() = default;
    // Every pixel starts as `fill`.
    Image(int width, int height, QVColourRecord fill = {0.0f, 0.0f, 0.0f, 0.0f})
        : width_(width > 0 ? width : 0),
          height_(height > 0 ? height : 0),
          pixels_(size_t(width_) * size_t(height_), fill) {}

    int width() const { return width_; }
    int height() const { return height_; }
    QVColourRecord& at(int x, int y) { return pixels_[size_t(y) * size_t(width_) + size_t(x)]; }
    const QVColourRecord& at(int x, int y) const {
        return pixels_[size_t(y) * size_t(width_) + size_t(x)];
    }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<QVColourRecord> pixels_;
};

}  // namespace brumo::host
