// A float RGBA image as the renderer produces it: linear light, premultiplied alpha (the colour
// a ray segment composite answers), rows from top to bottom.
#pragma once

#include <cstddef>
#include <new>
#include <utility>
#include <vector>

#include "host/common/line_allocator.h"
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
    // Pixels with no value yet, for a writer that sets every one: the render threads then
    // touch the memory of their own tiles first, instead of one thread filling it all.
    struct Unset {};
    Image(int width, int height, Unset)
        : width_(width > 0 ? width : 0), height_(height > 0 ? height : 0) {
        pixels_.resize(size_t(width_) * size_t(height_));
    }

    int width() const { return width_; }
    int height() const { return height_; }
    QVColourRecord& at(int x, int y) { return pixels_[size_t(y) * size_t(width_) + size_t(x)]; }
    const QVColourRecord& at(int x, int y) const {
        return pixels_[size_t(y) * size_t(width_) + size_t(x)];
    }

private:
    // Leaves new pixels unset, and starts the rows on a cache line, so that tiles whose rows
    // are a whole number of lines wide share no line with their neighbours.
    template <class T>
    struct PixelAllocator : LineAllocator<T> {
        PixelAllocator() = default;
        template <class U>
        PixelAllocator(const PixelAllocator<U>&) {}
        template <class U>
        void construct(U* p) { ::new (static_cast<void*>(p)) U; }
        template <class U, class... Args>
        void construct(U* p, Args&&... args) { ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...); }
    };

    int width_ = 0;
    int height_ = 0;
    std::vector<QVColourRecord, PixelAllocator<QVColourRecord>> pixels_;
};

}  // namespace brumo::host
