#include "tools/ImageWriter.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <memory>

#ifdef ORNIC_HOST_HAVE_PNG
#include <png.h>
#endif

namespace OrnicHost {

namespace {

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i) out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) {
        error = "cannot create " + path;
        return false;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() || std::fflush(file.get()) != 0) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

#ifdef ORNIC_HOST_HAVE_PNG
bool WritePng(const std::string& path, const Image& image, std::string& error)
{
    // The simplified API reports errors in the record instead of longjmp-ing through C++ frames.
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = image.channels == 1 ? PNG_FORMAT_GRAY : PNG_FORMAT_BGR;
    const int ok = png_image_write_to_file(&png, path.c_str(), 0, image.pixels.data(),
                                           static_cast<png_int_32>(image.RowBytes()), nullptr);
    if (ok == 0) {
        error = "cannot write " + path + ": " + png.message;
        png_image_free(&png);
        return false;
    }
    return true;
}
#endif

}  // namespace

bool PngAvailable()
{
#ifdef ORNIC_HOST_HAVE_PNG
    return true;
#else
    return false;
#endif
}

ImageFormat DefaultImageFormat()
{
    return PngAvailable() ? ImageFormat::Png : ImageFormat::Bmp;
}

bool ParseImageFormat(const std::string& text, ImageFormat& format)
{
    if (text == "png" || text == "PNG") {
        format = ImageFormat::Png;
        return true;
    }
    if (text == "bmp" || text == "BMP") {
        format = ImageFormat::Bmp;
        return true;
    }
    return false;
}

const char* FileExtension(ImageFormat format)
{
    return format == ImageFormat::Png ? "png" : "bmp";
}

std::vector<uint8_t> EncodeBmp(const Image& image)
{
    if (!image.Valid()) return {};
    const size_t rowBytes = image.RowBytes();
    const size_t stride = (rowBytes + 3) & ~static_cast<size_t>(3);
    const size_t paletteBytes = image.channels == 1 ? 256 * 4 : 0;
    const size_t headerBytes = 14 + 40 + paletteBytes;
    const size_t dataBytes = stride * static_cast<size_t>(image.height);
    std::vector<uint8_t> out(headerBytes + dataBytes, 0);

    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, static_cast<uint32_t>(out.size()));
    Put32(out, 10, static_cast<uint32_t>(headerBytes));
    Put32(out, 14, 40);
    Put32(out, 18, static_cast<uint32_t>(image.width));
    Put32(out, 22, static_cast<uint32_t>(image.height));  // positive: bottom-up rows
    Put16(out, 26, 1);
    Put16(out, 28, static_cast<uint32_t>(image.channels * 8));
    Put32(out, 30, 0);  // BI_RGB
    Put32(out, 34, static_cast<uint32_t>(dataBytes));
    Put32(out, 38, 2835);  // 72 dpi
    Put32(out, 42, 2835);
    Put32(out, 46, image.channels == 1 ? 256 : 0);
    for (size_t i = 0; i < paletteBytes / 4; ++i) {
        const uint8_t grey = static_cast<uint8_t>(i);
        out[54 + i * 4] = grey;
        out[54 + i * 4 + 1] = grey;
        out[54 + i * 4 + 2] = grey;
    }
    // The frame's B,G,R order is the BMP's own, so rows are copied as they are.
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* src = image.pixels.data() + static_cast<size_t>(image.height - 1 - y) * rowBytes;
        std::copy(src, src + rowBytes,
                  out.begin() + static_cast<std::ptrdiff_t>(headerBytes + static_cast<size_t>(y) * stride));
    }
    return out;
}

bool WriteImage(const std::string& path, const Image& image, ImageFormat format, std::string& error)
{
    if (!image.Valid()) {
        error = "no image to write to " + path;
        return false;
    }
    if (format == ImageFormat::Png) {
#ifdef ORNIC_HOST_HAVE_PNG
        return WritePng(path, image, error);
#else
        error = "built without libpng: cannot write " + path;
        return false;
#endif
    }
    return WriteFileBytes(path, EncodeBmp(image), error);
}

std::string SanitiseFileName(const std::string& name)
{
    std::string out;
    bool pendingGap = false;
    for (const char c : name) {
        const bool keep =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
        if (!keep) {
            pendingGap = true;
            continue;
        }
        if (pendingGap && !out.empty()) out += '_';
        pendingGap = false;
        out += c;
    }
    // Leading dots would make a hidden or relative name ("..").
    while (!out.empty() && (out[0] == '.' || out[0] == '_')) out.erase(0, 1);
    return out.empty() ? "camera" : out;
}

std::string FrameFileName(int port, const std::string& cameraName, int frame, ImageFormat format)
{
    char number[16];
    std::snprintf(number, sizeof number, "%03d", frame);
    return std::to_string(port) + "-" + SanitiseFileName(cameraName) + "-" + number + "." + FileExtension(format);
}

}  // namespace OrnicHost
