#include "host/image/png_writer.h"

#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "host/common/file_replacement.h"

namespace brumo::host {

namespace {

// The sRGB curve quantised to 8 bits, worked out with pow: the reference the table is built from.
uint8_t encodeSrgbDirect(float linear) {
    if (!(linear > 0.0f)) return 0;
    if (linear >= 1.0f) return 255;
    const double c = linear;
    const double encoded = c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055;
    return static_cast<uint8_t>(std::lround(encoded * 255.0));
}

// firstAtLeast[k - 1]: the least float in (0, 1) that encodes to k or more (the last entry, past
// 255, never reached). The curve rises with its input, and positive floats order as their bit
// patterns, so each is found by bisection on the bits. atBucketStart[b]: the code of the float
// whose bits are b << 16, the least of the floats sharing those top 16 bits. A bucket spans
// 1/128 of a binade, over which the curve rises by less than one code (at most 0.88), so a float
// encodes to its bucket's code or to the next one: a pixel costs two lookups instead of a pow.
struct SrgbThresholds {
    static constexpr uint32_t kBuckets = 0x3f80;  // the buckets of the floats below 1
    float firstAtLeast[256];
    uint8_t atBucketStart[kBuckets];
    SrgbThresholds() {
        const auto bitsOf = [](float f) {
            uint32_t u;
            std::memcpy(&u, &f, sizeof u);
            return u;
        };
        for (int k = 1; k <= 255; ++k) {
            uint32_t low = 0, high = bitsOf(1.0f);  // encodes below k at low, to k or more at high
            while (high - low > 1) {
                const uint32_t middle = low + (high - low) / 2;
                float f;
                std::memcpy(&f, &middle, sizeof f);
                (encodeSrgbDirect(f) >= k ? high : low) = middle;
            }
            std::memcpy(&firstAtLeast[k - 1], &high, sizeof(float));
        }
        firstAtLeast[255] = __builtin_inff();
        for (uint32_t b = 0; b < kBuckets; ++b) {
            const uint32_t bits = b << 16;
            float f;
            std::memcpy(&f, &bits, sizeof f);
            atBucketStart[b] = encodeSrgbDirect(f);
        }
    }
};

}  // namespace

uint8_t encodeSrgb(float linear) {
    static const SrgbThresholds table;
    if (!(linear > 0.0f)) return 0;
    if (linear >= 1.0f) return 255;
    uint32_t bits;
    std::memcpy(&bits, &linear, sizeof bits);
    const int code = table.atBucketStart[bits >> 16];
    return static_cast<uint8_t>(code + (table.firstAtLeast[code] <= linear));
}

namespace {

void encodeScaledPixel(const QVColourRecord& premultiplied, uint8_t out[4], const ViewTransform& view, float scale) {
    const float alpha = premultiplied.alpha;
    if (!(alpha > 0.0f)) {
        out[0] = out[1] = out[2] = out[3] = 0;
        return;
    }
    out[0] = encodeSrgb(view.display(premultiplied.red / alpha * scale));
    out[1] = encodeSrgb(view.display(premultiplied.green / alpha * scale));
    out[2] = encodeSrgb(view.display(premultiplied.blue / alpha * scale));
    out[3] = alpha >= 1.0f ? 255 : static_cast<uint8_t>(std::lround(double(alpha) * 255.0));
}

}  // namespace

void encodePixel(const QVColourRecord& premultiplied, uint8_t out[4], const ViewTransform& view) {
    encodeScaledPixel(premultiplied, out, view, view.exposureScale());
}

std::vector<uint8_t> encodeImage(const Image& image, const ViewTransform& view) {
    std::vector<uint8_t> bytes(size_t(image.width()) * size_t(image.height()) * 4);
    uint8_t* out = bytes.data();
    const float scale = view.exposureScale();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x, out += 4) encodeScaledPixel(image.at(x, y), out, view, scale);
    return bytes;
}

namespace {

struct EncoderError {
    char message[256];
};

[[noreturn]] void onPngError(png_structp png, png_const_charp message) {
    auto* error = static_cast<EncoderError*>(png_get_error_ptr(png));
    std::snprintf(error->message, sizeof error->message, "%s", message);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

// libpng reports errors by longjmp, so this function holds nothing that needs destroying.
bool encodePng(FILE* file, const uint8_t* rows, int width, int height, EncoderError* error) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, error, onPngError, onPngWarning);
    if (png == nullptr) {
        std::snprintf(error->message, sizeof error->message, "the PNG encoder could not start");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        std::snprintf(error->message, sizeof error->message, "the PNG encoder could not start");
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_sRGB_gAMA_and_cHRM(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    png_write_info(png, info);
    const size_t stride = size_t(width) * 4;
    for (int y = 0; y < height; ++y) png_write_row(png, rows + size_t(y) * stride);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

void writePng(const std::string& path, const Image& image, const ViewTransform& view) {
    if (image.width() <= 0 || image.height() <= 0)
        throw ImageWriteError(cannotWrite(path, "the image is empty"));
    const std::vector<uint8_t> rows = encodeImage(image, view);

    const std::string failure = replaceFile(path, [&](const std::string& temporary) {
        FILE* file = std::fopen(temporary.c_str(), "wb");
        if (file == nullptr) throw std::runtime_error(std::strerror(errno));
        EncoderError encoderError{};
        const bool encoded = encodePng(file, rows.data(), image.width(), image.height(), &encoderError);
        const bool flushed = encoded && std::fflush(file) == 0 && fsync(fileno(file)) == 0;
        const int flushError = errno;
        const bool closed = std::fclose(file) == 0;
        const int closeError = errno;
        if (!encoded) throw std::runtime_error(encoderError.message);
        if (!flushed) throw std::runtime_error(std::strerror(flushError));
        if (!closed) throw std::runtime_error(std::strerror(closeError));
    });
    if (!failure.empty()) throw ImageWriteError(cannotWrite(path, failure));
}

std::vector<uint8_t> pngBytes(const Image& image, const ViewTransform& view) {
    if (image.width() <= 0 || image.height() <= 0) throw ImageWriteError("cannot encode an empty image");
    const std::vector<uint8_t> rows = encodeImage(image, view);
    char* buffer = nullptr;
    size_t size = 0;
    FILE* stream = open_memstream(&buffer, &size);
    if (stream == nullptr) throw ImageWriteError("cannot encode the image: no memory");
    EncoderError encoderError{};
    const bool encoded = encodePng(stream, rows.data(), image.width(), image.height(), &encoderError);
    std::fclose(stream);  // sets buffer and size
    std::vector<uint8_t> bytes;
    if (encoded) bytes.assign(buffer, buffer + size);
    std::free(buffer);
    if (!encoded) throw ImageWriteError(std::string("cannot encode the image: ") + encoderError.message);
    return bytes;
}

}  // namespace brumo::host
