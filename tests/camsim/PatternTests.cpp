// The test images, decoded here from their documented definition (docs/simulator.md), for
// every pixel format of the default cameras: a driver's conversions are checked against them.
#include <cmath>
#include <string>

#include "StreamSupport.h"

namespace SimTest {
namespace {

struct Rgb {
    int r, g, b;
};

// White, yellow, cyan, green, magenta, red, blue, black.
const Rgb kBars[8] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                      {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};

Rgb Bar(uint32_t x, uint32_t width)
{
    return kBars[x * 8 / width];
}

enum class Layout { Plain8, Plain16, Packed, Rgb, Bgr, Uyvy, Yuyv };

struct FormatCase {
    const char* name;
    uint32_t code;
    Layout layout;
    unsigned bits;
    const char* cfa;  // null: mono ramp; "RGB": bars in all channels
};

// Reads sample i of a single-channel layout.
uint32_t Sample(const std::vector<uint8_t>& d, const FormatCase& f, std::size_t i)
{
    switch (f.layout) {
    case Layout::Plain8:
        return d[i];
    case Layout::Plain16:
        return d[2 * i] | (d[2 * i + 1] << 8);
    case Layout::Packed: {
        const unsigned low = f.bits - 8;
        const std::size_t base = i / 2 * 3;
        const uint32_t mask = (1u << low) - 1;
        return i % 2 == 0 ? (uint32_t{d[base]} << low) | (d[base + 1] & mask)
                          : (uint32_t{d[base + 2]} << low) | ((d[base + 1] >> 4) & mask);
    }
    default:
        return 0;
    }
}

// The n-bit code of an 8-bit level: the level on top, its top bits repeated below.
uint32_t Code8(uint32_t level, unsigned bits)
{
    return bits == 8 ? level : (level << (bits - 8)) | (level >> (16 - bits));
}

int Luma(const Rgb& c)
{
    return static_cast<int>(std::lround(0.299 * c.r + 0.587 * c.g + 0.114 * c.b));
}

class Patterns : public SimFixture {
protected:
    // One frame of the camera in this format, its number at least minNumber.
    Frame Grab(void* handle, unsigned int id, const char* format, uint32_t minNumber = 0)
    {
        EXPECT_EQ(SetEnum(handle, "PixelFormat", format), MV_OK) << format;
        FrameCollector frames;
        EXPECT_EQ(Code(MV_CC_SetImageNodeNum(handle, 4)), MV_OK);
        EXPECT_EQ(Code(MV_CC_RegisterImageCallBackEx(handle, &FrameCollector::OnFrame, &frames)), MV_OK);
        EXPECT_EQ(Code(CamSim_SetUnthrottled(id, 1)), MV_OK);
        EXPECT_EQ(Code(MV_CC_StartGrabbing(handle)), MV_OK);
        // Unthrottled frames are never dropped: the n-th one delivered is number n - 1.
        EXPECT_TRUE(frames.WaitFor(minNumber + 1));
        EXPECT_EQ(Code(MV_CC_StopGrabbing(handle)), MV_OK);
        const auto got = frames.Frames();
        return got.size() > minNumber ? got[minNumber] : Frame{};
    }

    void Check(const Frame& frame, const FormatCase& f, uint32_t width, uint32_t height)
    {
        SCOPED_TRACE(f.name);
        ASSERT_EQ(frame.info.enPixelType, f.code);
        const uint32_t bits = (f.code >> 16) & 0xFF;
        ASSERT_EQ(frame.data.size(), (std::size_t{width} * height * bits + 7) / 8);
        const uint32_t number = frame.info.nFrameNum;
        int bad = 0;
        for (uint32_t y = 0; y < height && bad < 5; ++y) {
            for (uint32_t x = 0; x < width && bad < 5; ++x) {
                const std::size_t i = std::size_t{y} * width + x;
                const bool stamped = i < 4;
                const uint32_t stampLevel = stamped ? (number >> (8 * i)) & 0xFF : 0;
                if (f.layout == Layout::Rgb || f.layout == Layout::Bgr) {
                    const Rgb c = stamped ? Rgb{int(stampLevel), int(stampLevel), int(stampLevel)} : Bar(x, width);
                    const int first = f.layout == Layout::Rgb ? c.r : c.b;
                    const int last = f.layout == Layout::Rgb ? c.b : c.r;
                    if (frame.data[3 * i] != first || frame.data[3 * i + 1] != c.g || frame.data[3 * i + 2] != last) {
                        ++bad;
                        ADD_FAILURE() << "pixel " << x << "," << y;
                    }
                    continue;
                }
                if (f.layout == Layout::Uyvy || f.layout == Layout::Yuyv) {
                    const bool uyvy = f.layout == Layout::Uyvy;
                    const int yExpected = stamped ? int(stampLevel) : Luma(Bar(x, width));
                    const int yGot = frame.data[2 * i + (uyvy ? 1 : 0)];
                    const std::size_t pair = 2 * (i - i % 2);
                    const Rgb c = Bar(x - x % 2, width);
                    const double u = stamped ? 128 : 128 - 0.168736 * c.r - 0.331264 * c.g + 0.5 * c.b;
                    const double v = stamped ? 128 : 128 + 0.5 * c.r - 0.418688 * c.g - 0.081312 * c.b;
                    const int uGot = frame.data[pair + (uyvy ? 0 : 1)];
                    const int vGot = frame.data[pair + (uyvy ? 2 : 3)];
                    if (std::abs(yGot - yExpected) > 1 || std::abs(uGot - u) > 1 || std::abs(vGot - v) > 1) {
                        ++bad;
                        ADD_FAILURE() << "pixel " << x << "," << y << ": " << yGot << " " << uGot << " " << vGot;
                    }
                    continue;
                }
                uint32_t level = 0;
                if (stamped) {
                    level = stampLevel;
                } else if (f.cfa == nullptr) {
                    level = (x + y) & 0xFF;
                } else {
                    const Rgb c = Bar(x, width);
                    const char channel = f.cfa[(y % 2) * 2 + x % 2];
                    level = channel == 'R' ? c.r : channel == 'G' ? c.g : c.b;
                }
                const uint32_t got = Sample(frame.data, f, i);
                if (got != Code8(level, f.bits)) {
                    ++bad;
                    ADD_FAILURE() << "pixel " << x << "," << y << ": " << got << " for level " << level;
                }
            }
        }
    }
};

TEST_F(Patterns, MonoFormatsCarryTheRampAtTheirDepth)
{
    void* mono = OpenHandle(0);
    ASSERT_NE(mono, nullptr);
    const unsigned int id = Device(0).id;
    // 300 wide: the ramp wraps within a row; an odd count of pixel pairs per image row is not
    // needed since packing runs on across rows.
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 300)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(mono, "Height", 66)), MV_OK);
    const FormatCase cases[] = {
        {"Mono8", PixelType_Mono8, Layout::Plain8, 8, nullptr},
        {"Mono10", PixelType_Mono10, Layout::Plain16, 10, nullptr},
        {"Mono10Packed", PixelType_Mono10_Packed, Layout::Packed, 10, nullptr},
        {"Mono12", PixelType_Mono12, Layout::Plain16, 12, nullptr},
        {"Mono12Packed", PixelType_Mono12_Packed, Layout::Packed, 12, nullptr},
    };
    for (const FormatCase& f : cases) {
        Check(Grab(mono, id, f.name), f, 300, 66);
    }
    // The stamp carries more than one byte of the number.
    const Frame late = Grab(mono, id, "Mono12", 260);
    EXPECT_GE(late.info.nFrameNum, 260u);
    Check(late, cases[3], 300, 66);
}

TEST_F(Patterns, ColourFormatsCarryTheBarsInTheCamerasOrder)
{
    ASSERT_EQ(Code(CamSim_LoadConfig("usb:SIM-C:C1:bayer_rg; usb:SIM-C:C2:bayer_gb", nullptr)), MV_OK);
    void* rg = OpenHandle(0);
    void* gb = OpenHandle(1);
    ASSERT_NE(rg, nullptr);
    ASSERT_NE(gb, nullptr);
    const unsigned int rgId = Device(0).id;
    const unsigned int gbId = Device(1).id;
    for (void* handle : {rg, gb}) {
        ASSERT_EQ(Code(MV_CC_SetIntValueEx(handle, "Width", 128)), MV_OK);
        ASSERT_EQ(Code(MV_CC_SetIntValueEx(handle, "Height", 64)), MV_OK);
    }
    const FormatCase rgCases[] = {
        {"BayerRG8", PixelType_BayerRG8, Layout::Plain8, 8, "RGGB"},
        {"BayerRG10", PixelType_BayerRG10, Layout::Plain16, 10, "RGGB"},
        {"BayerRG10Packed", PixelType_BayerRG10_Packed, Layout::Packed, 10, "RGGB"},
        {"BayerRG12", PixelType_BayerRG12, Layout::Plain16, 12, "RGGB"},
        {"BayerRG12Packed", PixelType_BayerRG12_Packed, Layout::Packed, 12, "RGGB"},
        {"RGB8Packed", PixelType_RGB8_Packed, Layout::Rgb, 8, nullptr},
        {"BGR8Packed", PixelType_BGR8_Packed, Layout::Bgr, 8, nullptr},
        {"YUV422_8_UYVY", PixelType_YUV422_Packed, Layout::Uyvy, 8, nullptr},
        {"YUV422_8", PixelType_YUV422_YUYV_Packed, Layout::Yuyv, 8, nullptr},
        {"Mono8", PixelType_Mono8, Layout::Plain8, 8, nullptr},  // a colour camera's mono: the ramp
    };
    for (const FormatCase& f : rgCases) {
        Check(Grab(rg, rgId, f.name), f, 128, 64);
    }
    const FormatCase gbCases[] = {
        {"BayerGB8", PixelType_BayerGB8, Layout::Plain8, 8, "GBRG"},
        {"BayerGB12Packed", PixelType_BayerGB12_Packed, Layout::Packed, 12, "GBRG"},
    };
    for (const FormatCase& f : gbCases) {
        Check(Grab(gb, gbId, f.name), f, 128, 64);
    }
}

}  // namespace
}  // namespace SimTest
