#include "tools/FrameReader.h"

#include <vector>

namespace OrnicHost {

namespace {
// Room past width * 3 bytes: a driver writing more than that shows there, not in our heap.
constexpr size_t kGuardBytes = 64;
}  // namespace

int DetectChannels(int width, const RowReader& read, std::string& error)
{
    if (width <= 0) {
        error = "no image width";
        return 0;
    }
    const size_t room = static_cast<size_t>(width) * 3;
    const uint8_t patterns[2] = {0xA5, 0x5A};
    size_t written = 0;
    for (const uint8_t pattern : patterns) {
        std::vector<uint8_t> buffer(room + kGuardBytes, pattern);
        if (!read(0, buffer.data())) {
            error = "getCVLGrabRow refused row 0";
            return 0;
        }
        for (size_t i = buffer.size(); i > written; --i) {
            if (buffer[i - 1] != pattern) {
                written = i;
                break;
            }
        }
    }
    if (written > room) {
        error = "getCVLGrabRow wrote " + std::to_string(written) + " bytes for " + std::to_string(width) + " pixels";
        return 0;
    }
    if (written == room) return 3;
    if (written == static_cast<size_t>(width)) return 1;
    error = "getCVLGrabRow wrote " + std::to_string(written) + " bytes for a row of " + std::to_string(width) +
            " pixels, neither 1 nor 3 per pixel";
    return 0;
}

bool ReadFrame(const RowReader& read, Image& image, std::string& error)
{
    if (image.width <= 0 || image.height <= 0 || (image.channels != 1 && image.channels != 3)) {
        error = "no image size";
        return false;
    }
    image.pixels.assign(image.RowBytes() * static_cast<size_t>(image.height), 0);
    for (int row = 0; row < image.height; ++row) {
        if (!read(row, image.pixels.data() + static_cast<size_t>(row) * image.RowBytes())) {
            error = "getCVLGrabRow refused row " + std::to_string(row);
            image.pixels.clear();
            return false;
        }
    }
    return true;
}

}  // namespace OrnicHost
