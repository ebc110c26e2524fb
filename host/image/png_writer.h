// PNG output: 8-bit sRGB-encoded RGBA with straight alpha after a view transform, written to a temporary file beside
// the target and renamed over it, so a failure never leaves a half-written image behind.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/image/image.h"
#include "host/image/view_transform.h"

namespace brumo::host {

// What went wrong while writing an image; the message names the path.
class ImageWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The sRGB transfer curve: linear light in [0, 1] (clamped; NaN is 0) to an 8-bit code.
uint8_t encodeSrgb(float linear);

// One pixel of a premultiplied image as straight-alpha 8-bit sRGB: red, green, blue, alpha.
// The straight colour goes through the view transform. A pixel without coverage becomes
// transparent black (light emitted where nothing covers survives only in OpenEXR).
void encodePixel(const QVColourRecord& premultiplied, uint8_t out[4], const ViewTransform& view = {});

// The image as rows of 8-bit straight RGBA, top row first.
std::vector<uint8_t> encodeImage(const Image& image, const ViewTransform& view = {});

// Writes the image (linear, premultiplied) to path as a PNG tagged sRGB. Throws ImageWriteError
// naming the path when the folder cannot take the file, the encoder fails or the rename fails;
// the target is then untouched and no temporary file stays behind.
void writePng(const std::string& path, const Image& image, const ViewTransform& view = {});

// The bytes writePng would write, in memory (for a server that sends the image). Throws
// ImageWriteError when the image is empty or the encoder fails.
std::vector<uint8_t> pngBytes(const Image& image, const ViewTransform& view = {});

}  // namespace brumo::host
