#include "host/image/exr_writer.h"


#include <OpenEXR/ImfChannelList.h>
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfInputFile.h>
#include <OpenEXR/ImfOutputFile.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>

#include "host/common/file_replacement.h"

namespace brumo::host {

namespace {

void encodeExr(const std::string& file, const Image& image) {
    Imf::Header header(image.width(), image.height());
    header.compression() = Imf::ZIP_COMPRESSION;
    const char* names[4] = {"R", "G", "B", "A"};
    for (const char* name : names) header.channels().insert(name, Imf::Channel(Imf::FLOAT));
    // The pixels are four floats each, rows one after the other, top row first.
    char* base = reinterpret_cast<char*>(const_cast<QVColourRecord*>(&image.at(0, 0)));
    const size_t xStride = sizeof(QVColourRecord);
    const size_t yStride = xStride * size_t(image.width());
    Imf::FrameBuffer frame;
    for (int c = 0; c < 4; ++c)
        frame.insert(names[c], Imf::Slice(Imf::FLOAT, base + size_t(c) * sizeof(float), xStride,
                                          yStride));
    Imf::OutputFile out(file.c_str(), header);
    out.setFrameBuffer(frame);
    out.writePixels(image.height());
}

}  // namespace

void writeExr(const std::string& path, const Image& image) {
    if (image.width() <= 0 || image.height() <= 0)
        throw ImageWriteError(cannotWrite(path, "the image is empty"));
    const std::string failure = replaceFile(path, [&](const std::string& temporary) { encodeExr(temporary, image); });
    if (!failure.empty()) throw ImageWriteError(cannotWrite(path, failure));
}

Image readExr(const std::string& path) {
    try {
        Imf::InputFile in(path.c_str());
        const Imath::Box2i window = in.header().dataWindow();
        const int width = window.max.x - window.min.x + 1;
        const int height = window.max.y - window.min.y + 1;
        Image image(width, height, {0.0f, 0.0f, 0.0f, 1.0f});
        char* base = reinterpret_cast<char*>(&image.at(0, 0));
        const size_t xStride = sizeof(QVColourRecord);
        const size_t yStride = xStride * size_t(width);
        // The frame buffer is addressed by absolute pixel coordinates.
        base -= size_t(window.min.x) * xStride + size_t(window.min.y) * yStride;
        Imf::FrameBuffer frame;
        const char* names[4] = {"R", "G", "B", "A"};
        for (int c = 0; c < 4; ++c)
            frame.insert(names[c], Imf::Slice(Imf::FLOAT, base + size_t(c) * sizeof(float), xStride,
                                              yStride, 1, 1, c == 3 ? 1.0 : 0.0));
        in.setFrameBuffer(frame);
        in.readPixels(window.min.y, window.max.y);
        return image;
    } catch (const std::exception& error) {
        throw ImageWriteError("cannot read " + path + ": " + error.what());
    }
}

bool isExrPath(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".exr";
}

void writeImage(const std::string& path, const Image& image, const ViewTransform& view) {
    if (isExrPath(path))
        writeExr(path, image);
    else
        writePng(path, image, view);
}

}  // namespace brumo::host
