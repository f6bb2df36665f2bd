// The vector kernels against the scalar reference: bit-exact for every format, at widths
// around the vector lengths, on misaligned buffers.
#include "ConvertTestSupport.h"

namespace {

using namespace ConvertTest;
namespace P = Convert::Pixel;

const uint32_t kSources[] = {
    P::Mono8,         P::Mono10,           P::Mono12,        P::Mono16,        P::Mono10_Packed,
    P::Mono12_Packed, P::Mono10p,          P::Mono12p,       P::BayerGR8,      P::BayerRG8,
    P::BayerGB8,      P::BayerBG8,         P::BayerRG12,     P::BayerBG16,     P::BayerGR10p,
    P::BayerGB12p,    P::BayerRG12_Packed, P::RGB8_Packed,   P::BGR8_Packed,   P::RGBA8_Packed,
    P::BGRA8_Packed,  P::RGB12_Packed,     P::BGRA16_Packed, P::YUV422_Packed, P::YUV422_YUYV_Packed,
    P::YUV411_Packed, P::YUV444_Packed,    P::RGB565_Packed, P::RGB8_Planar,
};

const uint32_t kWidths[] = {4, 8, 12, 16, 20, 28, 32, 36, 60, 64, 68, 96, 100, 132, 200};

std::vector<Convert::SimdLevel> VectorLevels()
{
    std::vector<Convert::SimdLevel> levels;
    for (auto l : {Convert::SimdLevel::Sse2, Convert::SimdLevel::Avx2, Convert::SimdLevel::Avx512}) {
        Convert::Converter c;
        if (c.SetSimdLevel(l)) levels.push_back(l);
    }
    return levels;
}

TEST(SimdKernels, EveryFormatMatchesTheScalarReference)
{
    const auto levels = VectorLevels();
    if (levels.empty()) GTEST_SKIP() << "no vector kernels on this machine";
    uint32_t seed = 900;
    for (uint32_t type : kSources)
        for (uint32_t w : kWidths)
            for (uint32_t w2 : {w, w + 1, w + 2, w + 3}) {
                const uint32_t h = 5;
                const bool yuv = type == P::YUV422_Packed || type == P::YUV422_YUYV_Packed || type == P::YUV411_Packed;
                if (yuv && w2 != w) continue;
                const Bytes src = RandomBytes(size_t{w2} * h * 8, seed++);
                for (uint32_t dst : {P::Mono8, P::BGR8_Packed}) {
                    const size_t size = size_t{w2} * h * (dst == P::Mono8 ? 1 : 3);
                    Convert::Converter scalar;
                    ASSERT_TRUE(scalar.SetSimdLevel(Convert::SimdLevel::Scalar));
                    const Result want = ConvertGuarded(scalar, w2, h, type, src, dst, size);
                    ASSERT_EQ(want.status, 0);
                    for (auto level : levels) {
                        Convert::Converter c;
                        c.SetSimdLevel(level);
                        const Result got = ConvertGuarded(c, w2, h, type, src, dst, size, 1 + w2 % 7);
                        ASSERT_EQ(got.out, want.out) << Convert::SimdLevelName(level) << " " << std::hex << type
                                                     << std::dec << " width " << w2 << " to " << std::hex << dst;
                    }
                }
            }
}

TEST(SimdKernels, DemosaicingAndColourCorrectionMatchTheScalarReference)
{
    const auto levels = VectorLevels();
    if (levels.empty()) GTEST_SKIP() << "no vector kernels on this machine";
    const MvCcmParamEx ccm = Ccm({1500, -300, -200, -250, 1400, -150, 40, -520, 1480}, 1000);
    uint32_t seed = 77;
    for (uint32_t type : {P::BayerGR8, P::BayerRG8, P::BayerGB8, P::BayerBG8})
        for (unsigned q = 0; q < 3; ++q)
            for (int settings = 0; settings < 3; ++settings)
                for (uint32_t w : {1u, 2u, 3u, 5u, 31u, 32u, 33u, 34u, 63u, 64u, 65u, 66u, 130u, 131u, 197u, 258u}) {
                    const uint32_t h = 6;
                    // Random samples: every edge-direction decision and saturation occurs.
                    const Bytes src = RandomBytes(size_t{w} * h, seed++);
                    auto configure = [&](Convert::Converter& c) {
                        c.SetBayerQuality(q);
                        if (settings >= 1) c.SetCcm(&ccm);
                        if (settings == 2) c.SetGamma(0.6f);
                    };
                    Convert::Converter scalar;
                    scalar.SetSimdLevel(Convert::SimdLevel::Scalar);
                    configure(scalar);
                    const Result want = ConvertGuarded(scalar, w, h, type, src, P::BGR8_Packed);
                    for (auto level : levels) {
                        Convert::Converter c;
                        c.SetSimdLevel(level);
                        configure(c);
                        ASSERT_EQ(ConvertGuarded(c, w, h, type, src, P::BGR8_Packed, size_t{w} * h * 3, 3).out,
                                  want.out)
                            << Convert::SimdLevelName(level) << " " << std::hex << type << std::dec << " quality " << q
                            << " settings " << settings << " width " << w;
                    }
                }
}

// The edge-directed colour kernel relies on the rows above and below having the other
// colour pattern; very short images mirror rows onto themselves or their neighbours.
TEST(SimdKernels, EdgeDirectedMatchesTheScalarReferenceOnShortImages)
{
    const auto levels = VectorLevels();
    if (levels.empty()) GTEST_SKIP() << "no vector kernels on this machine";
    uint32_t seed = 4100;
    for (uint32_t type : {P::BayerGR8, P::BayerRG8, P::BayerGB8, P::BayerBG8})
        for (uint32_t h : {1u, 2u, 3u, 4u})
            for (uint32_t w : {33u, 34u, 35u, 36u, 37u, 66u, 67u, 69u, 97u, 130u, 131u, 195u, 259u}) {
                for (int flat = 0; flat < 2; ++flat) {
                    Bytes src = RandomBytes(size_t{w} * h, seed++);
                    // Runs of one value per colour: neither direction is preferred there, so even a
                    // one-row image gets non-zero colour differences.
                    if (flat)
                        for (size_t i = 0; i < src.size(); ++i)
                            src[i] = static_cast<uint8_t>((i & 1 ? 50 : 100) + (i / 8 % 3) * 20);
                    Convert::Converter scalar;
                    scalar.SetSimdLevel(Convert::SimdLevel::Scalar);
                    scalar.SetBayerQuality(2);
                    const Result want = ConvertGuarded(scalar, w, h, type, src, P::BGR8_Packed);
                    for (auto level : levels) {
                        Convert::Converter c;
                        c.SetSimdLevel(level);
                        c.SetBayerQuality(2);
                        ASSERT_EQ(ConvertGuarded(c, w, h, type, src, P::BGR8_Packed, size_t{w} * h * 3, 1 + w % 5).out,
                                  want.out)
                            << Convert::SimdLevelName(level) << " " << std::hex << type << std::dec << " " << w << "x"
                            << h << (flat ? " flat runs" : " random");
                    }
                }
            }
}

// Rows end with a vector chunk overlapping the previous one; widths here leave every
// remainder after the last whole chunk of either vector length.
TEST(SimdKernels, RowEndsMatchTheScalarReferenceOnShortImages)
{
    const auto levels = VectorLevels();
    if (levels.empty()) GTEST_SKIP() << "no vector kernels on this machine";
    const MvCcmParamEx ccm = Ccm({1500, -300, -200, -250, 1400, -150, 40, -520, 1480}, 1000);
    const uint32_t widths[] = {17u,  18u,  19u,  20u,  21u,  33u,  34u,  35u,  36u,  37u, 38u,
                               49u,  50u,  51u,  66u,  67u,  69u,  70u,  97u,  98u,  99u, 130u,
                               131u, 133u, 160u, 161u, 194u, 195u, 196u, 197u, 258u, 261u};
    uint32_t seed = 5200;
    // Fast and Equilibrium demosaicing, with and without the colour matrix.
    for (uint32_t type : {P::BayerGR8, P::BayerRG8, P::BayerGB8, P::BayerBG8})
        for (unsigned q = 0; q < 2; ++q)
            for (int withCcm = 0; withCcm < 2; ++withCcm)
                for (uint32_t h : {1u, 2u, 3u, 4u})
                    for (uint32_t w : widths) {
                        const Bytes src = RandomBytes(size_t{w} * h, seed++);
                        auto configure = [&](Convert::Converter& c) {
                            c.SetBayerQuality(q);
                            if (withCcm) c.SetCcm(&ccm);
                        };
                        Convert::Converter scalar;
                        scalar.SetSimdLevel(Convert::SimdLevel::Scalar);
                        configure(scalar);
                        const Result want = ConvertGuarded(scalar, w, h, type, src, P::BGR8_Packed);
                        for (auto level : levels) {
                            Convert::Converter c;
                            c.SetSimdLevel(level);
                            configure(c);
                            ASSERT_EQ(
                                ConvertGuarded(c, w, h, type, src, P::BGR8_Packed, size_t{w} * h * 3, 1 + w % 5).out,
                                want.out)
                                << Convert::SimdLevelName(level) << " " << std::hex << type << std::dec << " quality "
                                << q << " ccm " << withCcm << " " << w << "x" << h;
                        }
                    }
    // 16-bit Bayer rows (shifted to 8 bits row by row) and the red/blue swap.
    for (uint32_t type : {P::BayerRG12, P::BayerBG16, P::RGB8_Packed, P::RGB12_Packed})
        for (uint32_t h : {1u, 2u, 3u})
            for (uint32_t w : widths) {
                const Bytes src = RandomBytes(size_t{w} * h * 6, seed++);
                Convert::Converter scalar;
                scalar.SetSimdLevel(Convert::SimdLevel::Scalar);
                const Result want = ConvertGuarded(scalar, w, h, type, src, P::BGR8_Packed);
                ASSERT_EQ(want.status, 0);
                for (auto level : levels) {
                    Convert::Converter c;
                    c.SetSimdLevel(level);
                    ASSERT_EQ(ConvertGuarded(c, w, h, type, src, P::BGR8_Packed, size_t{w} * h * 3, 1 + w % 5).out,
                              want.out)
                        << Convert::SimdLevelName(level) << " " << std::hex << type << std::dec << " " << w << "x" << h;
                }
            }
}

TEST(SimdKernels, SelectionFollowsTheProcessor)
{
    Convert::Converter c;
    EXPECT_TRUE(c.SetSimdLevel(Convert::SimdLevel::Scalar));
    EXPECT_EQ(c.GetSimdLevel(), Convert::SimdLevel::Scalar);
    Convert::Converter fresh;
    EXPECT_EQ(fresh.GetSimdLevel(), Convert::BestSimdLevel());
    // The widest level the processor accepts is the default.
    for (auto l : {Convert::SimdLevel::Avx512, Convert::SimdLevel::Avx2, Convert::SimdLevel::Sse2}) {
        if (c.SetSimdLevel(l)) {
            EXPECT_EQ(Convert::BestSimdLevel(), l) << Convert::SimdLevelName(l);
            break;
        }
    }
}

}  // namespace
