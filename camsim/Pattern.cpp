#include "camsim/Pattern.h"

#include <algorithm>
#include <cmath>

#include "sdk/MvSdk.h"
#include "sdk/PixelFormats.h"

namespace CamSim {

namespace {

enum class Layout { Plain8, Plain16, Packed, Rgb, Bgr, Uyvy, Yuyv };

struct Format {
    Layout layout = Layout::Plain8;
    unsigned bits = 8;          // per sample
    const char* cfa = nullptr;  // 2 x 2 colour filter, row by row; null for mono
    bool colour = false;        // bars rather than the grey ramp
};

bool Describe(uint32_t code, Format& f)
{
    static const char* const kCfa[] = {"GRBG", "RGGB", "GBRG", "BGGR"};  // GR, RG, GB, BG
    auto bayer = [&](Layout layout, unsigned bits, unsigned order) {
        f = Format{layout, bits, kCfa[order], true};
        return true;
    };
    switch (code) {
    case PixelType_Mono8:
        f = Format{Layout::Plain8, 8, nullptr, false};
        return true;
    case PixelType_Mono10:
        f = Format{Layout::Plain16, 10, nullptr, false};
        return true;
    case PixelType_Mono12:
        f = Format{Layout::Plain16, 12, nullptr, false};
        return true;
    case PixelType_Mono16:
        f = Format{Layout::Plain16, 16, nullptr, false};
        return true;
    case PixelType_Mono10_Packed:
        f = Format{Layout::Packed, 10, nullptr, false};
        return true;
    case PixelType_Mono12_Packed:
        f = Format{Layout::Packed, 12, nullptr, false};
        return true;
    case PixelType_RGB8_Packed:
        f = Format{Layout::Rgb, 8, nullptr, true};
        return true;
    case PixelType_BGR8_Packed:
        f = Format{Layout::Bgr, 8, nullptr, true};
        return true;
    case PixelType_YUV422_Packed:
        f = Format{Layout::Uyvy, 8, nullptr, true};
        return true;
    case PixelType_YUV422_YUYV_Packed:
        f = Format{Layout::Yuyv, 8, nullptr, true};
        return true;
    default:
        break;
    }
    // The Bayer codes run GR, RG, GB, BG within each depth.
    if (code >= PixelType_BayerGR8 && code <= PixelType_BayerBG8) {
        return bayer(Layout::Plain8, 8, code - PixelType_BayerGR8);
    }
    if (code >= PixelType_BayerGR10 && code <= PixelType_BayerBG10) {
        return bayer(Layout::Plain16, 10, code - PixelType_BayerGR10);
    }
    if (code >= PixelType_BayerGR12 && code <= PixelType_BayerBG12) {
        return bayer(Layout::Plain16, 12, code - PixelType_BayerGR12);
    }
    if (code >= PixelType_BayerGR10_Packed && code <= PixelType_BayerBG10_Packed) {
        return bayer(Layout::Packed, 10, code - PixelType_BayerGR10_Packed);
    }
    if (code >= PixelType_BayerGR12_Packed && code <= PixelType_BayerBG12_Packed) {
        return bayer(Layout::Packed, 12, code - PixelType_BayerGR12_Packed);
    }
    return false;
}

// An 8-bit level at `bits`, low bits filled from the top ones so full scale stays full scale.
uint32_t Expand(uint32_t g, unsigned bits)
{
    return bits <= 8 ? g : (g << (bits - 8)) | (g >> (16 - bits));
}

struct Rgb {
    uint8_t r, g, b;
};

constexpr Rgb kBars[8] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                          {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};

Rgb BarAt(uint32_t x, uint32_t width)
{
    return kBars[std::min<uint64_t>(7, uint64_t{x} * 8 / std::max<uint32_t>(1, width))];
}

uint8_t Clamp8(double v)
{
    return static_cast<uint8_t>(std::clamp(std::lround(v), 0l, 255l));
}

uint8_t Luma(const Rgb& c)
{
    return Clamp8(0.299 * c.r + 0.587 * c.g + 0.114 * c.b);
}

uint8_t ChromaU(const Rgb& c)
{
    return Clamp8(128.0 - 0.168736 * c.r - 0.331264 * c.g + 0.5 * c.b);
}

uint8_t ChromaV(const Rgb& c)
{
    return Clamp8(128.0 + 0.5 * c.r - 0.418688 * c.g - 0.081312 * c.b);
}

// One sample of a single-channel layout (plain or packed) at linear pixel index i.
void PutSample(std::vector<uint8_t>& out, const Format& f, uint64_t i, uint32_t value)
{
    switch (f.layout) {
    case Layout::Plain8:
        out[i] = static_cast<uint8_t>(value);
        break;
    case Layout::Plain16:
        out[2 * i] = static_cast<uint8_t>(value & 0xFF);
        out[2 * i + 1] = static_cast<uint8_t>(value >> 8);
        break;
    case Layout::Packed: {
        // Two pixels in three bytes: the high 8 bits of each in bytes 0 and 2, the low bits
        // of the first in the low nibble of byte 1, of the second in the high nibble.
        const unsigned low = f.bits - 8;
        const uint64_t base = i / 2 * 3;
        const uint8_t high = static_cast<uint8_t>(value >> low);
        const uint8_t rest = static_cast<uint8_t>(value & ((1u << low) - 1));
        if (i % 2 == 0) {
            out[base] = high;
            out[base + 1] = static_cast<uint8_t>((out[base + 1] & 0xF0) | rest);
        } else {
            out[base + 2] = high;
            out[base + 1] = static_cast<uint8_t>((out[base + 1] & 0x0F) | (rest << 4));
        }
        break;
    }
    default:
        break;
    }
}

// A grey level at linear pixel index i, whatever the layout.
void PutGrey(std::vector<uint8_t>& out, const Format& f, uint64_t i, uint8_t g)
{
    switch (f.layout) {
    case Layout::Rgb:
    case Layout::Bgr:
        out[3 * i] = out[3 * i + 1] = out[3 * i + 2] = g;
        break;
    case Layout::Uyvy:
        out[2 * i + 1] = g;
        out[2 * i - 2 * (i % 2)] = 128;
        out[2 * i - 2 * (i % 2) + 2] = 128;
        break;
    case Layout::Yuyv:
        out[2 * i] = g;
        out[2 * i - 2 * (i % 2) + 1] = 128;
        out[2 * i - 2 * (i % 2) + 3] = 128;
        break;
    default:
        PutSample(out, f, i, Expand(g, f.bits));
        break;
    }
}

}  // namespace

bool CanRender(uint32_t pixelFormat)
{
    Format f;
    return Describe(pixelFormat, f);
}

uint64_t FrameBytes(uint32_t pixelFormat, uint32_t width, uint32_t height)
{
    if (!CanRender(pixelFormat)) {
        return 0;
    }
    const uint64_t bits = PixelFormats::BitsOf(pixelFormat);
    return (uint64_t{width} * height * bits + 7) / 8;
}

std::vector<uint8_t> RenderPattern(uint32_t pixelFormat, uint32_t width, uint32_t height, uint32_t& brightness)
{
    Format f;
    std::vector<uint8_t> out(Describe(pixelFormat, f) ? FrameBytes(pixelFormat, width, height) : 0);
    if (out.empty()) {
        brightness = 0;
        return out;
    }
    uint64_t sum = 0;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint64_t i = uint64_t{y} * width + x;
            if (!f.colour) {
                const uint8_t g = static_cast<uint8_t>((x + y) & 0xFF);
                PutSample(out, f, i, Expand(g, f.bits));
                sum += g;
                continue;
            }
            const Rgb c = BarAt(x, width);
            sum += Luma(c);
            switch (f.layout) {
            case Layout::Rgb:
                out[3 * i] = c.r, out[3 * i + 1] = c.g, out[3 * i + 2] = c.b;
                break;
            case Layout::Bgr:
                out[3 * i] = c.b, out[3 * i + 1] = c.g, out[3 * i + 2] = c.r;
                break;
            case Layout::Uyvy:
            case Layout::Yuyv: {
                const Rgb first = BarAt(x - x % 2, width);
                const bool uyvy = f.layout == Layout::Uyvy;
                const uint64_t pair = 2 * (i - i % 2);
                out[2 * i + (uyvy ? 1 : 0)] = Luma(c);
                if (pair + 3 < out.size()) {  // an odd pixel count leaves the last pixel without a pair
                    out[pair + (uyvy ? 0 : 1)] = ChromaU(first);
                    out[pair + (uyvy ? 2 : 3)] = ChromaV(first);
                }
                break;
            }
            default: {
                const char channel = f.cfa[(y % 2) * 2 + x % 2];
                const uint8_t g = channel == 'R' ? c.r : channel == 'G' ? c.g : c.b;
                PutSample(out, f, i, Expand(g, f.bits));
                break;
            }
            }
        }
    }
    const uint64_t pixels = uint64_t{width} * height;
    brightness = pixels == 0 ? 0 : static_cast<uint32_t>(sum / pixels);
    return out;
}

void StampFrameNumber(std::vector<uint8_t>& frame, uint32_t pixelFormat, uint32_t width, uint32_t height,
                      uint32_t frameNumber)
{
    Format f;
    if (!Describe(pixelFormat, f) || frame.size() < FrameBytes(pixelFormat, width, height)) {
        return;
    }
    // YUV pairs are written whole, so only as many pixels as complete pairs.
    uint64_t count = std::min<uint64_t>(4, uint64_t{width} * height);
    if (f.layout == Layout::Uyvy || f.layout == Layout::Yuyv) {
        count -= count % 2;
    }
    for (uint64_t i = 0; i < count; ++i) {
        PutGrey(frame, f, i, static_cast<uint8_t>(frameNumber >> (8 * i)));
    }
}

}  // namespace CamSim
