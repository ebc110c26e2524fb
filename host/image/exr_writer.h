// OpenEXR output: linear, premultiplied RGBA in 32-bit floats, as the renderer produces it.
// Like the PNG writer it writes a temporary file beside the target and renames it into place.
#pragma once

#include <string>

#include "host/image/image.h"
#include "host/image/png_writer.h"

namespace brumo::host {

// Throws ImageWriteError naming the path; the target is then untouched.
void writeExr(const std::string& path, const Image& image);

// Reads an OpenEXR image with R, G, B and A channels back (missing channels read as 0, alpha
// as 1). Throws ImageWriteError naming the path when it cannot be read.
Image readExr(const std::string& path);

// PNG or OpenEXR, chosen by the path's extension (".exr" in any case is OpenEXR).
bool isExrPath(const std::string& path);
// The view transform applies to PNG only.
void writeImage(const std::string& path, const Image& image, const ViewTransform& view = {});

}  // namespace brumo::host
