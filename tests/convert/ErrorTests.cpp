// Refused conversions: status codes, and the destination left untouched.
#include "ConvertTestSupport.h"

#include <thread>

namespace {

using namespace ConvertTest;
namespace P = Convert::Pixel;

const int kParameter = static_cast<int>(MV_E_PARAMETER);
const int kSupport = static_cast<int>(MV_E_SUPPORT);
const int kNoBuffer = static_cast<int>(MV_E_NOENOUGH_BUF);

TEST(ConvertErrors, MissingOrEmptyArgumentsAreParameterErrors)
{
    Convert::Converter c;
    Bytes src(16, 1), dst(48, 0xA5);
    MvPixelConvertParamEx good{};
    good.nWidth = 4;
    good.nHeight = 4;
    good.enSrcPixelType = P::Mono8;
    good.pSrcData = src.data();
    good.nSrcDataLen = 16;
    good.enDstPixelType = P::BGR8_Packed;
    good.pDstBuffer = dst.data();
    good.nDstBufferSize = 48;
    auto with = [&](auto change) {
        MvPixelConvertParamEx p = good;
        change(p);
        return c.Convert(p);
    };
    EXPECT_EQ(with([](auto& p) { p.pSrcData = nullptr; }), kParameter);
    EXPECT_EQ(with([](auto& p) { p.pDstBuffer = nullptr; }), kParameter);
    EXPECT_EQ(with([](auto& p) { p.nWidth = 0; }), kParameter);
    EXPECT_EQ(with([](auto& p) { p.nHeight = 0; }), kParameter);
    EXPECT_EQ(with([](auto& p) { p.nSrcDataLen = 0; }), kParameter);
    EXPECT_EQ(with([](auto& p) { p.nDstBufferSize = 0; }), kParameter);
    // Sizes no camera produces, including ones whose byte counts overflow 32 bits.
    EXPECT_EQ(with([](auto& p) {
                  p.nWidth = 1u << 25;
                  p.nHeight = 1;
              }),
              kParameter);
    EXPECT_EQ(with([](auto& p) {
                  p.nWidth = 1u << 16;
                  p.nHeight = 1u << 16;
              }),
              kParameter);
    EXPECT_EQ(dst, Bytes(48, 0xA5));
    EXPECT_EQ(with([](auto&) {}), 0);
}

TEST(ConvertErrors, UnknownOrUnsupportedFormatsAreRefused)
{
    Convert::Converter c;
    const Bytes src(64, 1);
    EXPECT_EQ(ConvertGuarded(c, 4, 4, 0x01080099, src, P::BGR8_Packed).status, kSupport);
    EXPECT_EQ(ConvertGuarded(c, 4, 4, 0, src, P::BGR8_Packed).status, kSupport);
    for (uint32_t dst : {P::RGB8_Packed, P::Mono16, P::BGRA8_Packed, 0u})
        EXPECT_EQ(ConvertGuarded(c, 4, 4, P::Mono8, src, dst, 64).status, kSupport) << std::hex << dst;
    EXPECT_FALSE(Convert::Converter::IsSupported(P::Mono8, P::RGB8_Packed));
    EXPECT_TRUE(Convert::Converter::IsSupported(P::BayerRG12p, P::BGR8_Packed));
    EXPECT_TRUE(Convert::Converter::IsSupported(P::YUV411_Packed, P::Mono8));
}

TEST(ConvertErrors, ShortSourcesAreParameterErrors)
{
    Convert::Converter c;
    struct Case {
        uint32_t type, w, h;
        size_t bytes;
    };
    // Exact sizes; one byte less must be refused.
    const Case cases[] = {
        {P::Mono8, 5, 3, 15},           {P::Mono12, 5, 3, 30},        {P::Mono10_Packed, 5, 3, 23},
        {P::Mono12p, 5, 3, 23},         {P::Mono10p, 5, 3, 19},       {P::BayerRG10p, 4, 2, 10},
        {P::BayerGB12_Packed, 3, 1, 5}, {P::RGBA16_Packed, 3, 2, 48}, {P::YUV422_YUYV_Packed, 4, 2, 16},
        {P::YUV411_Packed, 4, 2, 12},   {P::YUV444_Packed, 3, 3, 27}, {P::RGB565_Packed, 3, 3, 18},
        {P::RGB8_Planar, 3, 3, 27},
    };
    for (const Case& k : cases) {
        const Bytes src(k.bytes, 0x55);
        const size_t dst = size_t{k.w} * k.h * 3;
        EXPECT_EQ(
            ConvertGuarded(c, k.w, k.h, k.type, src, P::BGR8_Packed, dst, 0, static_cast<uint32_t>(k.bytes)).status, 0)
            << std::hex << k.type;
        EXPECT_EQ(
            ConvertGuarded(c, k.w, k.h, k.type, src, P::BGR8_Packed, dst, 0, static_cast<uint32_t>(k.bytes - 1)).status,
            kParameter)
            << std::hex << k.type;
    }
    // Chroma groups may not be split across rows.
    EXPECT_EQ(ConvertGuarded(c, 3, 2, P::YUV422_Packed, Bytes(12), P::BGR8_Packed).status, kParameter);
    EXPECT_EQ(ConvertGuarded(c, 6, 1, P::YUV411_Packed, Bytes(9), P::BGR8_Packed).status, kParameter);
}

TEST(ConvertErrors, SmallDestinationsAreRefusedUntouched)
{
    Convert::Converter c;
    for (uint32_t type : {P::Mono8, P::BayerBG8, P::RGB8_Packed, P::YUV422_Packed, P::Mono12p}) {
        const Bytes src(4 * 3 * 2 * 2, 9);
        for (uint32_t dst : {P::Mono8, P::BGR8_Packed}) {
            const size_t need = 4 * 3 * (dst == P::Mono8 ? 1 : 3);
            const Result r = ConvertGuarded(c, 4, 3, type, src, dst, need - 1);
            EXPECT_EQ(r.status, kNoBuffer) << std::hex << type;
            EXPECT_EQ(r.dstLen, 0xDEADBEEFu);
            // A larger buffer is fine; only the image's bytes are written.
            const Result big = ConvertGuarded(c, 4, 3, type, src, dst, need + 10);
            EXPECT_EQ(big.status, 0);
            EXPECT_EQ(big.dstLen, need);
        }
    }
}

TEST(ConvertErrors, OneConverterServesSeveralThreads)
{
    Convert::Converter c;
    const Bytes src = RandomBytes(64 * 32, 5);
    const Bytes want = ConvertGuarded(c, 64, 32, P::BayerGR8, src, P::BGR8_Packed).out;
    std::vector<std::thread> threads;
    std::vector<Bytes> got(3);
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 5; ++i) got[t] = ConvertGuarded(c, 64, 32, P::BayerGR8, src, P::BGR8_Packed).out;
            c.SetGamma(1.0f);
        });
    for (auto& t : threads) t.join();
    for (const Bytes& g : got) EXPECT_EQ(g, want);
}

}  // namespace
