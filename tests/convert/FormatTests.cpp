// Single-channel, packed and colour formats against values computed in the test.
#include "ConvertTestSupport.h"

namespace {

using namespace ConvertTest;
namespace P = Convert::Pixel;

enum class Packing { U8, U16, GigE, Bits };

struct MonoCase {
    uint32_t type;
    int bits;
    Packing packing;
};

Bytes Pack(const std::vector<uint16_t>& v, int bits, Packing packing)
{
    switch (packing) {
    case Packing::U8:
        return Bytes(v.begin(), v.end());
    case Packing::U16:
        return Pack16(v);
    case Packing::GigE:
        return PackGigE(v, bits);
    case Packing::Bits:
        return PackBits(v, bits);
    }
    return {};
}

const MonoCase kMonoCases[] = {
    {P::Mono8, 8, Packing::U8},
    {P::Mono10, 10, Packing::U16},
    {P::Mono12, 12, Packing::U16},
    {P::Mono14, 14, Packing::U16},
    {P::Mono16, 16, Packing::U16},
    {P::Mono10_Packed, 10, Packing::GigE},
    {P::Mono12_Packed, 12, Packing::GigE},
    {P::Mono10p, 10, Packing::Bits},
    {P::Mono12p, 12, Packing::Bits},
};

// Sizes with odd pixel counts and rows starting inside a packing group.
const std::pair<uint32_t, uint32_t> kSizes[] = {{1, 1}, {1, 7}, {9, 1}, {5, 3}, {7, 5}, {33, 3}, {64, 4}};

TEST(MonoFormats, EveryLayoutGivesTheTopEightBitsExactly)
{
    Convert::Converter c;
    uint32_t seed = 1;
    for (const MonoCase& mc : kMonoCases)
        for (auto [w, h] : kSizes)
            for (size_t offset : {0, 1, 3}) {
                const auto values = RandomValues(size_t{w} * h, mc.bits, seed++);
                const Bytes src = Pack(values, mc.bits, mc.packing);
                SCOPED_TRACE(testing::Message()
                             << std::hex << mc.type << std::dec << " " << w << "x" << h << " offset " << offset);
                const Result mono = ConvertGuarded(c, w, h, mc.type, src, P::Mono8, size_t{w} * h, offset);
                const Result bgr = ConvertGuarded(c, w, h, mc.type, src, P::BGR8_Packed, size_t{w} * h * 3, offset);
                ASSERT_EQ(mono.status, 0);
                ASSERT_EQ(bgr.status, 0);
                EXPECT_EQ(mono.dstLen, w * h);
                EXPECT_EQ(bgr.dstLen, w * h * 3);
                for (size_t i = 0; i < values.size(); ++i) {
                    const uint8_t want = static_cast<uint8_t>(values[i] >> (mc.bits - 8));
                    ASSERT_EQ(mono.out[i], want) << "pixel " << i;
                    ASSERT_EQ(bgr.out[3 * i], want);
                    ASSERT_EQ(bgr.out[3 * i + 1], want);
                    ASSERT_EQ(bgr.out[3 * i + 2], want);
                }
            }
}

TEST(MonoFormats, OutOfRangeUnpackedSamplesSaturate)
{
    Convert::Converter c;
    const Bytes src = Pack16({0x03FF, 0x0400, 0xFFFF, 0x1000, 0x0FFF, 0x0000});
    EXPECT_EQ(ConvertGuarded(c, 6, 1, P::Mono10, src, P::Mono8).out, (Bytes{255, 255, 255, 255, 255, 0}));
    EXPECT_EQ(ConvertGuarded(c, 6, 1, P::Mono12, src, P::Mono8).out, (Bytes{63, 64, 255, 255, 255, 0}));
    EXPECT_EQ(ConvertGuarded(c, 6, 1, P::Mono16, src, P::Mono8).out, (Bytes{3, 4, 255, 16, 15, 0}));
}

struct RgbCase {
    uint32_t type;
    int bits;
    int channels;
    bool bgrOrder;
};

const RgbCase kRgbCases[] = {
    {P::RGB8_Packed, 8, 3, false},   {P::BGR8_Packed, 8, 3, true},    {P::RGBA8_Packed, 8, 4, false},
    {P::BGRA8_Packed, 8, 4, true},   {P::RGB10_Packed, 10, 3, false}, {P::BGR10_Packed, 10, 3, true},
    {P::RGB12_Packed, 12, 3, false}, {P::BGR12_Packed, 12, 3, true},  {P::RGB16_Packed, 16, 3, false},
    {P::BGR16_Packed, 16, 3, true},  {P::RGBA10, 10, 4, false},       {P::BGRA10, 10, 4, true},
    {P::RGBA12, 12, 4, false},       {P::BGRA12, 12, 4, true},        {P::RGBA16_Packed, 16, 4, false},
    {P::BGRA16_Packed, 16, 4, true},
};

TEST(ColourFormats, InterleavedRgbFamiliesReorderAndScale)
{
    Convert::Converter c;
    uint32_t seed = 100;
    for (const RgbCase& rc : kRgbCases)
        for (auto [w, h] : {std::pair<uint32_t, uint32_t>{1, 1}, {7, 3}, {40, 2}, {3, 17}}) {
            const size_t n = size_t{w} * h;
            // One bit more than the format holds, so saturation is exercised too.
            const auto values = RandomValues(n * rc.channels, rc.bits == 16 ? 16 : rc.bits + 1, seed++);
            const Bytes src = rc.bits == 8 ? Bytes(values.begin(), values.end()) : Pack16(values);
            SCOPED_TRACE(testing::Message() << std::hex << rc.type << std::dec << " " << w << "x" << h);
            const Result bgr = ConvertGuarded(c, w, h, rc.type, src, P::BGR8_Packed, n * 3, 1);
            const Result mono = ConvertGuarded(c, w, h, rc.type, src, P::Mono8, n, 2);
            ASSERT_EQ(bgr.status, 0);
            ASSERT_EQ(mono.status, 0);
            for (size_t i = 0; i < n; ++i) {
                uint8_t ch[4];
                for (int k = 0; k < rc.channels; ++k) {
                    const unsigned v = rc.bits == 8 ? values[i * rc.channels + k] & 0xFF
                                                    : values[i * rc.channels + k] >> (rc.bits - 8);
                    ch[k] = static_cast<uint8_t>(v > 255 ? 255 : v);
                }
                const uint8_t b = rc.bgrOrder ? ch[0] : ch[2], g = ch[1], r = rc.bgrOrder ? ch[2] : ch[0];
                ASSERT_EQ(bgr.out[3 * i], b) << "pixel " << i;
                ASSERT_EQ(bgr.out[3 * i + 1], g) << "pixel " << i;
                ASSERT_EQ(bgr.out[3 * i + 2], r) << "pixel " << i;
                ASSERT_EQ(mono.out[i], RefLuma(b, g, r)) << "pixel " << i;
            }
        }
}

TEST(ColourFormats, PlanarAnd565)
{
    Convert::Converter c;
    const uint32_t w = 5, h = 3;
    const size_t n = w * h;
    const Bytes planar = RandomBytes(3 * n, 7);
    const Result bgr = ConvertGuarded(c, w, h, P::RGB8_Planar, planar, P::BGR8_Packed);
    const Result mono = ConvertGuarded(c, w, h, P::RGB8_Planar, planar, P::Mono8);
    ASSERT_EQ(bgr.status, 0);
    for (size_t i = 0; i < n; ++i) {
        EXPECT_EQ(bgr.out[3 * i], planar[2 * n + i]);
        EXPECT_EQ(bgr.out[3 * i + 1], planar[n + i]);
        EXPECT_EQ(bgr.out[3 * i + 2], planar[i]);
        EXPECT_EQ(mono.out[i], RefLuma(planar[2 * n + i], planar[n + i], planar[i]));
    }

    // Full-scale and zero fields must map to 255 and 0; one value of each field checks the
    // bit positions.
    const Bytes words = Pack16({0xFFFF, 0x0000, 0x001F, 0x07E0, 0xF800, 0xE553});
    const Bytes rgb565 = ConvertGuarded(c, 6, 1, P::RGB565_Packed, words, P::BGR8_Packed).out;
    const Bytes bgr565 = ConvertGuarded(c, 6, 1, P::BGR565_Packed, words, P::BGR8_Packed).out;
    // RGB565p: red in the low bits; BGR565p: blue in the low bits.
    EXPECT_EQ(rgb565, (Bytes{255, 255, 255, 0, 0, 0, 0, 0, 255, 0, 255, 0, 255, 0, 0, 231, 170, 156}));
    EXPECT_EQ(bgr565, (Bytes{255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 156, 170, 231}));
    const Bytes mono565 = ConvertGuarded(c, 6, 1, P::RGB565_Packed, words, P::Mono8).out;
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(mono565[i], RefLuma(rgb565[3 * i], rgb565[3 * i + 1], rgb565[3 * i + 2]));
}

// Full-range BT.601, computed in floating point.
void ExpectYuv(const uint8_t* bgr, int y, int u, int v)
{
    const double r = y + 1.402 * (v - 128);
    const double g = y - 0.344136 * (u - 128) - 0.714136 * (v - 128);
    const double b = y + 1.772 * (u - 128);
    auto clamp = [](double x) { return x < 0 ? 0.0 : (x > 255 ? 255.0 : x); };
    EXPECT_NEAR(bgr[0], clamp(b), 1.0) << y << " " << u << " " << v;
    EXPECT_NEAR(bgr[1], clamp(g), 1.0) << y << " " << u << " " << v;
    EXPECT_NEAR(bgr[2], clamp(r), 1.0) << y << " " << u << " " << v;
}

TEST(YuvFormats, ChromaSubsamplingLayoutsAndColourMath)
{
    Convert::Converter c;
    const uint32_t w = 12, h = 3;
    const size_t n = w * h;
    const Bytes src = RandomBytes(3 * n, 11);
    for (bool uyvy : {true, false}) {
        const uint32_t type = uyvy ? P::YUV422_Packed : P::YUV422_YUYV_Packed;
        const Bytes s(src.begin(), src.begin() + 2 * n);
        const Result bgr = ConvertGuarded(c, w, h, type, s, P::BGR8_Packed, n * 3, 1);
        const Result mono = ConvertGuarded(c, w, h, type, s, P::Mono8, n, 3);
        ASSERT_EQ(bgr.status, 0);
        for (size_t i = 0; i < n; ++i) {
            const uint8_t* q = &s[(i / 2) * 4];
            const int y = uyvy ? q[1 + 2 * (i & 1)] : q[2 * (i & 1)];
            const int u = uyvy ? q[0] : q[1];
            const int v = uyvy ? q[2] : q[3];
            ExpectYuv(&bgr.out[3 * i], y, u, v);
            EXPECT_EQ(mono.out[i], y);
        }
    }
    {
        const Bytes s(src.begin(), src.begin() + n * 3 / 2);
        const Result bgr = ConvertGuarded(c, w, h, P::YUV411_Packed, s, P::BGR8_Packed);
        const Result mono = ConvertGuarded(c, w, h, P::YUV411_Packed, s, P::Mono8);
        ASSERT_EQ(bgr.status, 0);
        for (size_t i = 0; i < n; ++i) {
            const uint8_t* q = &s[(i / 4) * 6];
            const int y = q[(i & 3) < 2 ? 1 + (i & 3) : 2 + (i & 3)];
            ExpectYuv(&bgr.out[3 * i], y, q[0], q[3]);
            EXPECT_EQ(mono.out[i], y);
        }
    }
    {
        const Result bgr = ConvertGuarded(c, w, h, P::YUV444_Packed, src, P::BGR8_Packed);
        const Result mono = ConvertGuarded(c, w, h, P::YUV444_Packed, src, P::Mono8);
        ASSERT_EQ(bgr.status, 0);
        for (size_t i = 0; i < n; ++i) {
            ExpectYuv(&bgr.out[3 * i], src[3 * i + 1], src[3 * i], src[3 * i + 2]);
            EXPECT_EQ(mono.out[i], src[3 * i + 1]);
        }
    }
    // Extremes saturate instead of wrapping.
    const Result sat = ConvertGuarded(c, 2, 1, P::YUV422_YUYV_Packed, Bytes{255, 255, 255, 255}, P::BGR8_Packed);
    EXPECT_EQ(sat.out[2], 255);
    const Result dark = ConvertGuarded(c, 2, 1, P::YUV422_YUYV_Packed, Bytes{0, 0, 0, 0}, P::BGR8_Packed);
    EXPECT_EQ(dark.out[2], 0);
    EXPECT_EQ(dark.out[0], 0);
}

}  // namespace
