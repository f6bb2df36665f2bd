// Saving grabbed frames: 8-bit grey or 24-bit B,G,R pixels, rows top to bottom without
// padding, as the host reads them with getCVLGrabRow.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace OrnicHost {

struct Image {
    int width = 0;
    int height = 0;
    int channels = 1;             // 1 grey, 3 B,G,R
    std::vector<uint8_t> pixels;  // height rows of width * channels bytes, top row first

    size_t RowBytes() const { return static_cast<size_t>(width) * static_cast<size_t>(channels); }
    bool Valid() const
    {
        return width > 0 && height > 0 && (channels == 1 || channels == 3) &&
               pixels.size() == RowBytes() * static_cast<size_t>(height);
    }
};

enum class ImageFormat { Png, Bmp };

bool PngAvailable();
ImageFormat DefaultImageFormat();  // PNG when built with libpng
bool ParseImageFormat(const std::string& text, ImageFormat& format);
const char* FileExtension(ImageFormat format);  // "png" or "bmp"

// The whole BMP file: grey with a 256-entry grey palette, colour as 24-bit; bottom-up rows
// padded to 4 bytes.
std::vector<uint8_t> EncodeBmp(const Image& image);

// Writes the file; false with a reason in `error`.
bool WriteImage(const std::string& path, const Image& image, ImageFormat format, std::string& error);

// A camera's configuration name made safe for a file name: letters, digits, '-', '.' kept,
// every other run of characters one '_'.
std::string SanitiseFileName(const std::string& name);

// "<port>-<sanitised name>-<frame, three digits>.<ext>"
std::string FrameFileName(int port, const std::string& cameraName, int frame, ImageFormat format);

}  // namespace OrnicHost
