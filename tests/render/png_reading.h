// Reads a PNG back with libpng for the tests: its size, format, sRGB tag and 8-bit RGBA pixels.
#pragma once

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace brumo::test {

struct DecodedPng {
    bool ok = false;
    uint32_t width = 0;
    uint32_t height = 0;
    int bitDepth = 0;
    int colourType = 0;
    bool sRGBTagged = false;
    std::vector<uint8_t> rgba;  // width × height × 4, top row first

    const uint8_t* pixel(uint32_t x, uint32_t y) const { return &rgba[(y * width + x) * 4]; }
};

namespace detail {

// No objects with destructors live across the setjmp.
inline bool decode(FILE* file, DecodedPng* out) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    out->width = png_get_image_width(png, info);
    out->height = png_get_image_height(png, info);
    out->bitDepth = png_get_bit_depth(png, info);
    out->colourType = png_get_color_type(png, info);
    out->sRGBTagged = png_get_valid(png, info, PNG_INFO_sRGB) != 0;
    if (out->bitDepth != 8 || out->colourType != PNG_COLOR_TYPE_RGB_ALPHA) {
        png_destroy_read_struct(&png, &info, nullptr);
        return true;  // format reported; pixels not read
    }
    out->rgba.resize(size_t(out->width) * out->height * 4);
    for (uint32_t y = 0; y < out->height; ++y)
        png_read_row(png, out->rgba.data() + size_t(y) * out->width * 4, nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

}  // namespace detail

inline DecodedPng readPng(const std::string& path) {
    DecodedPng decoded;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return decoded;
    unsigned char signature[8];
    if (std::fread(signature, 1, 8, file) == 8 && png_sig_cmp(signature, 0, 8) == 0) {
        std::rewind(file);
        decoded.ok = detail::decode(file, &decoded);
    }
    std::fclose(file);
    return decoded;
}

}  // namespace brumo::test
