// Demosaicing: reconstruction quality against a known scene, exactness on flat fields and
// borders, the packed and deep layouts, and gamma / colour-correction settings.
#include "ConvertTestSupport.h"
#include "TestScene.h"

#include <algorithm>
#include <string>

namespace {

using namespace ConvertTest;
namespace P = Convert::Pixel;

struct Order {
    const char* name;
    uint32_t codes[8];  // 8, 10, 12, 16, 10 Packed, 12 Packed, 10p, 12p
    int colourAt[4];    // colour (0 B, 1 G, 2 R) at (0,0), (1,0), (0,1), (1,1)
};

const Order kOrders[] = {
    {"GR",
     {P::BayerGR8, P::BayerGR10, P::BayerGR12, P::BayerGR16, P::BayerGR10_Packed, P::BayerGR12_Packed, P::BayerGR10p,
      P::BayerGR12p},
     {1, 2, 0, 1}},
    {"RG",
     {P::BayerRG8, P::BayerRG10, P::BayerRG12, P::BayerRG16, P::BayerRG10_Packed, P::BayerRG12_Packed, P::BayerRG10p,
      P::BayerRG12p},
     {2, 1, 1, 0}},
    {"GB",
     {P::BayerGB8, P::BayerGB10, P::BayerGB12, P::BayerGB16, P::BayerGB10_Packed, P::BayerGB12_Packed, P::BayerGB10p,
      P::BayerGB12p},
     {1, 0, 2, 1}},
    {"BG",
     {P::BayerBG8, P::BayerBG10, P::BayerBG12, P::BayerBG16, P::BayerBG10_Packed, P::BayerBG12_Packed, P::BayerBG10p,
      P::BayerBG12p},
     {0, 1, 1, 2}},
};

using ConvertTest::Scene;

std::vector<uint16_t> Mosaic(const Bytes& bgr, int w, int h, const Order& o, int bits)
{
    std::vector<uint16_t> raw(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * w + x;
            const int v = bgr[i * 3 + o.colourAt[(y & 1) * 2 + (x & 1)]];
            raw[i] = static_cast<uint16_t>(v << (bits - 8) | (v & ((1 << (bits - 8)) - 1)));
        }
    return raw;
}

Bytes To8(const std::vector<uint16_t>& v)
{
    return Bytes(v.begin(), v.end());
}

// PSNR over the pixels with x0 <= x < x1 or outside, as `border` selects.
double Psnr(const Bytes& a, const Bytes& b, int w, int h, int frame = -1)
{
    double se = 0;
    size_t count = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool inFrame = x < frame || y < frame || x >= w - frame || y >= h - frame;
            if (frame >= 0 && !inFrame) continue;
            for (int k = 0; k < 3; ++k) {
                const double d =
                    double(a[(static_cast<size_t>(y) * w + x) * 3 + k]) - b[(static_cast<size_t>(y) * w + x) * 3 + k];
                se += d * d;
                ++count;
            }
        }
    return se == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * count / se);
}

TEST(BayerDemosaic, HigherQualityReconstructsTheSceneBetterInEveryOrder)
{
    const int w = 96, h = 64;
    const Bytes scene = Scene(w, h);
    const double floor[3] = {38.0, 42.0, 42.5};
    for (const Order& o : kOrders) {
        const Bytes raw = To8(Mosaic(scene, w, h, o, 8));
        double psnr[3];
        for (unsigned q = 0; q < 3; ++q) {
            Convert::Converter c;
            ASSERT_EQ(c.SetBayerQuality(q), 0);
            const Result r = ConvertGuarded(c, w, h, o.codes[0], raw, P::BGR8_Packed);
            ASSERT_EQ(r.status, 0);
            psnr[q] = Psnr(r.out, scene, w, h);
            EXPECT_GT(psnr[q], floor[q]) << o.name << " quality " << q;
            // The two-pixel frame is filled from mirrored rows and columns; it may be worse
            // than the inside, but not broken.
            EXPECT_GT(Psnr(r.out, scene, w, h, 2), floor[q] - 6) << o.name << " quality " << q;
        }
        EXPECT_LT(psnr[0], psnr[1]) << o.name;
        EXPECT_LT(psnr[1], psnr[2]) << o.name;
    }
}

TEST(BayerDemosaic, FlatColourIsExactEverywhereIncludingBorders)
{
    for (const Order& o : kOrders)
        for (auto [w, h] : {std::pair<int, int>{2, 2}, {3, 2}, {2, 5}, {5, 7}, {17, 9}, {40, 3}})
            for (unsigned q = 0; q < 3; ++q) {
                Bytes flat(static_cast<size_t>(w) * h * 3);
                for (size_t i = 0; i < flat.size(); i += 3) {
                    flat[i] = 30;
                    flat[i + 1] = 100;
                    flat[i + 2] = 200;
                }
                Convert::Converter c;
                c.SetBayerQuality(q);
                const Result r =
                    ConvertGuarded(c, w, h, o.codes[0], To8(Mosaic(flat, w, h, o, 8)), P::BGR8_Packed, flat.size(), 1);
                ASSERT_EQ(r.status, 0);
                EXPECT_EQ(r.out, flat) << o.name << " " << w << "x" << h << " quality " << q;
                const Result mono = ConvertGuarded(c, w, h, o.codes[0], To8(Mosaic(flat, w, h, o, 8)), P::Mono8);
                EXPECT_EQ(mono.out, Bytes(static_cast<size_t>(w) * h, RefLuma(30, 100, 200)));
            }
}

TEST(BayerDemosaic, SingleRowsAndColumnsConvertWithoutLeavingTheImage)
{
    for (const Order& o : kOrders)
        for (auto [w, h] : {std::pair<int, int>{1, 1}, {1, 6}, {7, 1}, {2, 1}, {1, 2}, {3, 3}})
            for (unsigned q = 0; q < 3; ++q) {
                Convert::Converter c;
                c.SetBayerQuality(q);
                // Equal samples: whatever neighbours are borrowed, the result is that value.
                const Result r =
                    ConvertGuarded(c, w, h, o.codes[0], Bytes(static_cast<size_t>(w) * h, 77), P::BGR8_Packed);
                ASSERT_EQ(r.status, 0);
                EXPECT_EQ(r.out, Bytes(static_cast<size_t>(w) * h * 3, 77)) << o.name << " " << w << "x" << h;
            }
}

TEST(BayerDemosaic, DeepAndPackedLayoutsMatchTheirTopEightBits)
{
    const int w = 13, h = 7;  // odd: rows start inside packing groups
    const Bytes scene = Scene(w, h);
    for (const Order& o : kOrders)
        for (unsigned q = 0; q < 3; ++q) {
            Convert::Converter c;
            c.SetBayerQuality(q);
            const auto raw8 = Mosaic(scene, w, h, o, 8);
            const Result refBgr = ConvertGuarded(c, w, h, o.codes[0], To8(raw8), P::BGR8_Packed);
            const Result refMono = ConvertGuarded(c, w, h, o.codes[0], To8(raw8), P::Mono8);
            const int bits[8] = {8, 10, 12, 16, 10, 12, 10, 12};
            for (int layout = 1; layout < 8; ++layout) {
                const auto raw = Mosaic(scene, w, h, o, bits[layout]);
                const Bytes src = layout <= 3   ? Pack16(raw)
                                  : layout <= 5 ? PackGigE(raw, bits[layout])
                                                : PackBits(raw, bits[layout]);
                SCOPED_TRACE(testing::Message() << o.name << " layout " << layout << " quality " << q);
                EXPECT_EQ(ConvertGuarded(c, w, h, o.codes[layout], src, P::BGR8_Packed, w * h * 3, 3).out, refBgr.out);
                EXPECT_EQ(ConvertGuarded(c, w, h, o.codes[layout], src, P::Mono8).out, refMono.out);
            }
        }
}

TEST(BayerDemosaic, MonoOutputIsTheLumaOfTheScene)
{
    const int w = 64, h = 48;
    const Bytes scene = Scene(w, h);
    Convert::Converter c;
    const Result r = ConvertGuarded(c, w, h, P::BayerBG8, To8(Mosaic(scene, w, h, kOrders[3], 8)), P::Mono8);
    ASSERT_EQ(r.status, 0);
    // Each output is the luma of one 2x2 window, so the reference is the luma of the scene
    // averaged over the same window.
    Bytes lumaAsBgr, outAsBgr;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double bgr[3] = {0, 0, 0};
            for (int k = 0; k < 3; ++k)
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        bgr[k] +=
                            scene[(static_cast<size_t>(std::min(y + dy, h - 2)) * w + std::min(x + dx, w - 2)) * 3 +
                                  k] /
                            4.0;
            const uint8_t want = static_cast<uint8_t>(std::lround(0.114 * bgr[0] + 0.587 * bgr[1] + 0.299 * bgr[2]));
            for (int k = 0; k < 3; ++k) {
                lumaAsBgr.push_back(want);
                outAsBgr.push_back(r.out[static_cast<size_t>(y) * w + x]);
            }
        }
    EXPECT_GT(Psnr(outAsBgr, lumaAsBgr, w, h), 38.0);
}

Bytes FlatBayer(int w, int h, const Order& o, uint8_t b, uint8_t g, uint8_t r)
{
    Bytes flat(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < flat.size(); i += 3) {
        flat[i] = b;
        flat[i + 1] = g;
        flat[i + 2] = r;
    }
    return To8(Mosaic(flat, w, h, o, 8));
}

TEST(BayerColour, GammaAndMatrixFollowTheirDefinitions)
{
    const int w = 6, h = 4;
    for (const Order& o : kOrders) {
        Convert::Converter c;
        const Bytes raw = FlatBayer(w, h, o, 30, 100, 200);
        ASSERT_EQ(c.SetGamma(0.5f), 0);
        Bytes out = ConvertGuarded(c, w, h, o.codes[0], raw, P::BGR8_Packed).out;
        auto gamma = [](int v, double g) { return static_cast<int>(std::lround(255 * std::pow(v / 255.0, g))); };
        EXPECT_EQ(out[0], gamma(30, 0.5));
        EXPECT_EQ(out[1], gamma(100, 0.5));
        EXPECT_EQ(out[2], gamma(200, 0.5));

        ASSERT_EQ(c.SetGamma(1.0f), 0);
        // Rows make R, G, B from the column (R, G, B): this one swaps red and blue and
        // halves green.
        MvCcmParamEx swap = Ccm({0, 0, 1000, 0, 500, 0, 1000, 0, 0}, 1000);
        ASSERT_EQ(c.SetCcm(&swap), 0);
        out = ConvertGuarded(c, w, h, o.codes[0], raw, P::BGR8_Packed).out;
        EXPECT_EQ(Bytes(out.begin(), out.begin() + 3), (Bytes{200, 50, 30})) << o.name;

        // A saturating matrix with negative terms, within one level of the exact arithmetic.
        MvCcmParamEx m = Ccm({1400, -300, -100, -200, 1300, -100, 50, -450, 1400}, 1000);
        ASSERT_EQ(c.SetCcm(&m), 0);
        out = ConvertGuarded(c, w, h, o.codes[0], raw, P::BGR8_Packed).out;
        const int rgb[3] = {200, 100, 30};
        for (int row = 0; row < 3; ++row) {
            double v = 0;
            for (int k = 0; k < 3; ++k) v += m.nCCMat[row * 3 + k] * rgb[k];
            v = std::clamp(v / 1000.0, 0.0, 255.0);
            EXPECT_NEAR(out[2 - row], v, 1.0) << o.name << " row " << row;
        }

        // Matrix first, then gamma.
        ASSERT_EQ(c.SetGamma(2.0f), 0);
        ASSERT_EQ(c.SetCcm(&swap), 0);
        out = ConvertGuarded(c, w, h, o.codes[0], raw, P::BGR8_Packed).out;
        EXPECT_EQ(out[0], gamma(200, 2.0));
        EXPECT_EQ(out[1], gamma(50, 2.0));

        // Neither applies to Mono8 output or to non-Bayer sources.
        EXPECT_EQ(ConvertGuarded(c, w, h, o.codes[0], raw, P::Mono8).out[0], RefLuma(30, 100, 200));
        EXPECT_EQ(ConvertGuarded(c, 1, 1, P::BGR8_Packed, Bytes{30, 100, 200}, P::BGR8_Packed).out,
                  (Bytes{30, 100, 200}));
        MvCcmParamEx off = Ccm({0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, false);
        ASSERT_EQ(c.SetCcm(&off), 0);
        ASSERT_EQ(c.SetGamma(1.0f), 0);
        Convert::Converter plain;
        EXPECT_EQ(ConvertGuarded(c, w, h, o.codes[0], raw, P::BGR8_Packed).out,
                  ConvertGuarded(plain, w, h, o.codes[0], raw, P::BGR8_Packed).out);
    }
}

TEST(BayerColour, SettingsRejectInvalidValues)
{
    Convert::Converter c;
    EXPECT_EQ(c.SetBayerQuality(3), static_cast<int>(MV_E_PARAMETER));
    EXPECT_EQ(c.SetBayerQuality(2), 0);
    for (float g : {0.0f, -1.0f, 16.5f, std::nanf(""), INFINITY})
        EXPECT_EQ(c.SetGamma(g), static_cast<int>(MV_E_PARAMETER)) << g;
    EXPECT_EQ(c.SetGamma(0.1f), 0);
    EXPECT_EQ(c.SetCcm(nullptr), static_cast<int>(MV_E_PARAMETER));
    MvCcmParamEx zeroScale = Ccm({1, 0, 0, 0, 1, 0, 0, 0, 1}, 0);
    EXPECT_EQ(c.SetCcm(&zeroScale), static_cast<int>(MV_E_PARAMETER));
    zeroScale.bCCMEnable = 0;
    EXPECT_EQ(c.SetCcm(&zeroScale), 0);
}

}  // namespace
