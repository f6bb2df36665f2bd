// Throughput of the pixel converter on camera-sized frames, one thread, against memcpy of
// the output size (the bandwidth limit) and OpenCV where available.
//
// "cold": source and destination rotate through a ring of frames far larger than the
// caches, as frames arriving from a camera do. "hot": one small frame converted again and
// again, so only the arithmetic counts. Counters: pixels per second, and for the demosaicing
// runs the PSNR of the result against the scene the mosaic was made from.
#include "convert/Converter.h"
#include "tests/convert/TestScene.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#ifdef ORNIC_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

namespace P = Convert::Pixel;
using Bytes = std::vector<uint8_t>;

constexpr size_t kRingBytes = size_t{256} << 20;  // well beyond any last-level cache

struct Size {
    int w, h;
};
// Index 0 and 1: camera frames (cold); index 2: a frame that stays in the caches (hot).
const Size kSizes[] = {{2448, 2048}, {1280, 1024}, {320, 256}};

using ConvertTest::Scene;

// RG pattern: R at (0,0).
Bytes MosaicRG(const Bytes& bgr, int w, int h)
{
    Bytes raw(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int colour = (y & 1) == 0 ? ((x & 1) == 0 ? 2 : 1) : ((x & 1) == 0 ? 1 : 0);
            raw[static_cast<size_t>(y) * w + x] = bgr[(static_cast<size_t>(y) * w + x) * 3 + colour];
        }
    return raw;
}

// PSNR of two BGR8 images without a frame of 4 pixels: borders are handled differently by
// every implementation (OpenCV's VNG leaves them rough), the comparison is about the inside.
double InnerPsnr(const uint8_t* a, const uint8_t* b, int w, int h)
{
    double se = 0;
    size_t count = 0;
    for (int y = 4; y < h - 4; ++y)
        for (int x = 3 * 4; x < 3 * (w - 4); ++x) {
            const size_t i = static_cast<size_t>(y) * w * 3 + x;
            se += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
            ++count;
        }
    return se == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * count / se);
}

// Frames of one source image repeated through a ring (or a single frame when hot).
struct Ring {
    std::vector<Bytes> src, dst;
    size_t next = 0;
    Ring(const Bytes& frame, size_t dstBytes, bool hot)
    {
        const size_t slots = hot ? 1 : std::max<size_t>(2, kRingBytes / (frame.size() + dstBytes) + 1);
        src.assign(slots, frame);
        dst.assign(slots, Bytes(dstBytes, 0));
    }
    size_t Advance()
    {
        const size_t i = next;
        next = (next + 1) % src.size();
        return i;
    }
};

// Made once per size and format: the benchmarks and their repetitions share them.
const Bytes& SceneOf(int w, int h)
{
    static std::map<std::pair<int, int>, Bytes> cache;
    auto it = cache.find({w, h});
    if (it == cache.end()) it = cache.emplace(std::make_pair(w, h), Scene(w, h)).first;
    return it->second;
}

Bytes MakeSource(uint32_t type, int w, int h)
{
    const Bytes& scene = SceneOf(w, h);
    const size_t n = static_cast<size_t>(w) * h;
    switch (type) {
    case P::BayerRG8:
        return MosaicRG(scene, w, h);
    case P::BayerRG12:
    case P::BayerRG16: {
        const Bytes raw = MosaicRG(scene, w, h);
        const int shift = type == P::BayerRG12 ? 4 : 8;
        Bytes out(2 * n);
        for (size_t i = 0; i < n; ++i) {
            const unsigned v = static_cast<unsigned>(raw[i]) << shift | (raw[i] & ((1u << shift) - 1));
            out[2 * i] = static_cast<uint8_t>(v);
            out[2 * i + 1] = static_cast<uint8_t>(v >> 8);
        }
        return out;
    }
    case P::Mono12:
    case P::Mono16: {
        Bytes out(2 * n);
        const unsigned mask = type == P::Mono12 ? 0x0FFF : 0xFFFF;
        for (size_t i = 0; i < n; ++i) {
            const unsigned v = (static_cast<unsigned>(i * 2654435761u) >> 7) & mask;
            out[2 * i] = static_cast<uint8_t>(v);
            out[2 * i + 1] = static_cast<uint8_t>(v >> 8);
        }
        return out;
    }
    case P::RGB8_Packed:
        return scene;
    case P::YUV422_Packed:
    case P::YUV422_YUYV_Packed: {
        Bytes out(2 * n);
        for (size_t i = 0; i < 2 * n; ++i) out[i] = scene[i];
        return out;
    }
    }
    return {};
}

const Bytes& SourceFor(uint32_t type, int w, int h)
{
    static std::map<std::tuple<uint32_t, int, int>, Bytes> cache;
    auto it = cache.find({type, w, h});
    if (it == cache.end()) it = cache.emplace(std::make_tuple(type, w, h), MakeSource(type, w, h)).first;
    return it->second;
}

struct Case {
    uint32_t src;
    uint32_t dst;
    int quality;
    bool colour;  // gamma 0.6 and a saturation-boosting matrix
};

void Configure(Convert::Converter& c, const Case& k)
{
    c.SetBayerQuality(static_cast<unsigned>(k.quality));
    if (k.colour) {
        MvCcmParamEx ccm{};
        ccm.bCCMEnable = 1;
        const int m[9] = {1500, -300, -200, -250, 1400, -150, 40, -520, 1480};
        std::copy(m, m + 9, ccm.nCCMat);
        ccm.nCCMScale = 1000;
        c.SetCcm(&ccm);
        c.SetGamma(0.6f);
    }
}

// ORNIC_BENCH_SIMD=sse2|avx2|avx512 measures a lower level than the run-time choice, so
// levels can be compared in one machine's run.
bool ApplyRequestedLevel(Convert::Converter& c)
{
    const char* want = std::getenv("ORNIC_BENCH_SIMD");
    if (want == nullptr || *want == '\0') return true;
    const std::string name(want);
    if (name == "sse2") return c.SetSimdLevel(Convert::SimdLevel::Sse2);
    if (name == "avx2") return c.SetSimdLevel(Convert::SimdLevel::Avx2);
    if (name == "avx512") return c.SetSimdLevel(Convert::SimdLevel::Avx512);
    if (name == "scalar") return c.SetSimdLevel(Convert::SimdLevel::Scalar);
    return false;
}

void Ours(benchmark::State& state, Case k)
{
    const Size sz = kSizes[state.range(0)];
    const bool hot = state.range(0) == 2;
    const size_t n = static_cast<size_t>(sz.w) * sz.h;
    const size_t dstBytes = n * (k.dst == P::Mono8 ? 1 : 3);
    Ring ring(SourceFor(k.src, sz.w, sz.h), dstBytes, hot);
    Convert::Converter c;
    Configure(c, k);
    if (!ApplyRequestedLevel(c)) {
        state.SkipWithError("ORNIC_BENCH_SIMD names a level this machine lacks");
        return;
    }
    MvPixelConvertParamEx p{};
    p.nWidth = static_cast<uint32_t>(sz.w);
    p.nHeight = static_cast<uint32_t>(sz.h);
    p.enSrcPixelType = k.src;
    p.enDstPixelType = k.dst;
    for (auto _ : state) {
        const size_t i = ring.Advance();
        p.pSrcData = ring.src[i].data();
        p.nSrcDataLen = static_cast<uint32_t>(ring.src[i].size());
        p.pDstBuffer = ring.dst[i].data();
        p.nDstBufferSize = static_cast<uint32_t>(dstBytes);
        if (c.Convert(p) != 0) state.SkipWithError("conversion failed");
        benchmark::DoNotOptimize(ring.dst[i].data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
    state.SetLabel(Convert::SimdLevelName(c.GetSimdLevel()));
    if (k.src == P::BayerRG8 && !k.colour)
        state.counters["psnr"] = InnerPsnr(ring.dst[0].data(), SceneOf(sz.w, sz.h).data(), sz.w, sz.h);
}

void Memcpy(benchmark::State& state, int bytesPerPixel)
{
    const Size sz = kSizes[state.range(0)];
    const size_t bytes = static_cast<size_t>(sz.w) * sz.h * bytesPerPixel;
    Ring ring(Bytes(bytes, 1), bytes, state.range(0) == 2);
    for (auto _ : state) {
        const size_t i = ring.Advance();
        std::memcpy(ring.dst[i].data(), ring.src[i].data(), bytes);
        benchmark::DoNotOptimize(ring.dst[i].data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * sz.w * sz.h));
}

#ifdef ORNIC_BENCH_OPENCV
enum class CvOp { Bayer, BayerEA, BayerVNG, Bayer12, Bayer16, BayerColour, Mono12, Mono16, RgbToBgr, Uyvy, Yuyv };

// OpenCV names Bayer patterns by the second row; pick, for each method, the code that
// reconstructs our RG mosaic best rather than relying on the naming.
int BayerCode(int first)
{
    const Size sz{64, 64};
    const Bytes scene = Scene(sz.w, sz.h);
    const Bytes raw = MosaicRG(scene, sz.w, sz.h);
    int best = first;
    double bestPsnr = -1;
    for (int code = first; code < first + 4; ++code) {
        cv::Mat src(sz.h, sz.w, CV_8UC1, const_cast<uint8_t*>(raw.data())), dst;
        cv::cvtColor(src, dst, code);
        const double q = InnerPsnr(dst.data, scene.data(), sz.w, sz.h);
        if (q > bestPsnr) {
            bestPsnr = q;
            best = code;
        }
    }
    return best;
}

void OpenCv(benchmark::State& state, CvOp op)
{
    cv::setNumThreads(1);
    const Size sz = kSizes[state.range(0)];
    const bool hot = state.range(0) == 2;
    const size_t n = static_cast<size_t>(sz.w) * sz.h;
    uint32_t srcType = P::BayerRG8;
    size_t dstBytes = n * 3;
    switch (op) {
    case CvOp::Bayer12:
        srcType = P::BayerRG12;
        break;
    case CvOp::Bayer16:
        srcType = P::BayerRG16;
        break;
    case CvOp::Mono12:
        srcType = P::Mono12;
        dstBytes = n;
        break;
    case CvOp::Mono16:
        srcType = P::Mono16;
        dstBytes = n;
        break;
    case CvOp::RgbToBgr:
        srcType = P::RGB8_Packed;
        break;
    case CvOp::Uyvy:
        srcType = P::YUV422_Packed;
        break;
    case CvOp::Yuyv:
        srcType = P::YUV422_YUYV_Packed;
        break;
    default:
        break;
    }
    Ring ring(SourceFor(srcType, sz.w, sz.h), dstBytes, hot);
    const int bilinear = BayerCode(cv::COLOR_BayerBG2BGR);
    int code = bilinear;
    if (op == CvOp::BayerEA) code = BayerCode(cv::COLOR_BayerBG2BGR_EA);
    if (op == CvOp::BayerVNG) code = BayerCode(cv::COLOR_BayerBG2BGR_VNG);
    // Gamma table and matrix equal to the ones Configure sets (OpenCV's transform takes the
    // channels in BGR order, so the matrix is mirrored).
    cv::Mat lut(1, 256, CV_8U);
    for (int i = 0; i < 256; ++i) lut.at<uint8_t>(i) = cv::saturate_cast<uint8_t>(255 * std::pow(i / 255.0, 0.6));
    const float m[9] = {1.48f, -0.52f, 0.04f, -0.15f, 1.4f, -0.25f, -0.2f, -0.3f, 1.5f};
    const cv::Mat ccm(3, 3, CV_32F, const_cast<float*>(m));
    cv::Mat tmp8(sz.h, sz.w, CV_8UC1), tmpBgr(sz.h, sz.w, CV_8UC3), tmpBgr2(sz.h, sz.w, CV_8UC3);
    for (auto _ : state) {
        const size_t i = ring.Advance();
        uint8_t* s = ring.src[i].data();
        uint8_t* d = ring.dst[i].data();
        cv::Mat bgr(sz.h, sz.w, CV_8UC3, d);
        switch (op) {
        case CvOp::Bayer:
        case CvOp::BayerEA:
        case CvOp::BayerVNG:
            cv::cvtColor(cv::Mat(sz.h, sz.w, CV_8UC1, s), bgr, code);
            break;
        case CvOp::Bayer12:
        case CvOp::Bayer16:
            cv::Mat(sz.h, sz.w, CV_16UC1, s).convertTo(tmp8, CV_8U, op == CvOp::Bayer12 ? 1.0 / 16 : 1.0 / 256);
            cv::cvtColor(tmp8, bgr, bilinear);
            break;
        case CvOp::BayerColour:
            cv::cvtColor(cv::Mat(sz.h, sz.w, CV_8UC1, s), tmpBgr, bilinear);
            cv::transform(tmpBgr, tmpBgr2, ccm);
            cv::LUT(tmpBgr2, lut, bgr);
            break;
        case CvOp::Mono12:
        case CvOp::Mono16: {
            cv::Mat mono(sz.h, sz.w, CV_8UC1, d);
            cv::Mat(sz.h, sz.w, CV_16UC1, s).convertTo(mono, CV_8U, op == CvOp::Mono12 ? 1.0 / 16 : 1.0 / 256);
            break;
        }
        case CvOp::RgbToBgr:
            cv::cvtColor(cv::Mat(sz.h, sz.w, CV_8UC3, s), bgr, cv::COLOR_RGB2BGR);
            break;
        case CvOp::Uyvy:
            cv::cvtColor(cv::Mat(sz.h, sz.w, CV_8UC2, s), bgr, cv::COLOR_YUV2BGR_UYVY);
            break;
        case CvOp::Yuyv:
            cv::cvtColor(cv::Mat(sz.h, sz.w, CV_8UC2, s), bgr, cv::COLOR_YUV2BGR_YUY2);
            break;
        }
        benchmark::DoNotOptimize(d);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
    if (op == CvOp::Bayer || op == CvOp::BayerEA || op == CvOp::BayerVNG)
        state.counters["psnr"] = InnerPsnr(ring.dst[0].data(), SceneOf(sz.w, sz.h).data(), sz.w, sz.h);
}
#endif

void Sizes(benchmark::internal::Benchmark* b)
{
    b->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
}

#define ORNIC_OURS(name, ...) BENCHMARK_CAPTURE(Ours, name, Case{__VA_ARGS__})->Apply(Sizes)
ORNIC_OURS(Bayer8_Fast, P::BayerRG8, P::BGR8_Packed, 0, false);
ORNIC_OURS(Bayer8_Equilibrium, P::BayerRG8, P::BGR8_Packed, 1, false);
ORNIC_OURS(Bayer8_Optimal, P::BayerRG8, P::BGR8_Packed, 2, false);
ORNIC_OURS(Bayer12_Fast, P::BayerRG12, P::BGR8_Packed, 0, false);
ORNIC_OURS(Bayer16_Fast, P::BayerRG16, P::BGR8_Packed, 0, false);
ORNIC_OURS(Bayer8_Fast_GammaCcm, P::BayerRG8, P::BGR8_Packed, 0, true);
ORNIC_OURS(Mono12_Mono8, P::Mono12, P::Mono8, 0, false);
ORNIC_OURS(Mono16_Mono8, P::Mono16, P::Mono8, 0, false);
ORNIC_OURS(RGB8_BGR8, P::RGB8_Packed, P::BGR8_Packed, 0, false);
ORNIC_OURS(UYVY_BGR8, P::YUV422_Packed, P::BGR8_Packed, 0, false);
ORNIC_OURS(YUYV_BGR8, P::YUV422_YUYV_Packed, P::BGR8_Packed, 0, false);
BENCHMARK_CAPTURE(Memcpy, Out1, 1)->Apply(Sizes);
BENCHMARK_CAPTURE(Memcpy, Out3, 3)->Apply(Sizes);
#ifdef ORNIC_BENCH_OPENCV
BENCHMARK_CAPTURE(OpenCv, Bayer8_Bilinear, CvOp::Bayer)->Apply(Sizes);
BENCHMARK_CAPTURE(OpenCv, Bayer8_EA, CvOp::BayerEA)->Apply(Sizes);
BENCHMARK_CAPTURE(OpenCv, Bayer8_VNG, CvOp::BayerVNG)->Apply(Sizes);
BENCHMARK_CAPTURE(OpenCv, Bayer12_ShiftBilinear, CvOp::Bayer12)->Apply(Sizes);
BENCHMARK_CAPTURE(OpenCv, Bayer16_ShiftBilinear, CvOp::Bayer16)->Apply(Sizes);
BENCHMARK_CAPTURE(OpenCv, Bayer8_Bilinear_Transform_LUT, CvOp::BayerColour)->Apply(Sizes);
BENCHMARK_CAPTURE(OpenCv, Mono12_ConvertTo, CvOp::Mono12)->Apply(Sizes);
BENCHMARK_CAPTURE(OpenCv, Mono16_ConvertTo, CvOp::Mono16)->Apply(Sizes);
BENCHMARK_CAPTURE(OpenCv, RGB2BGR, CvOp::RgbToBgr)->Apply(Sizes);
BENCHMARK_CAPTURE(OpenCv, YUV2BGR_UYVY, CvOp::Uyvy)->Apply(Sizes);
BENCHMARK_CAPTURE(OpenCv, YUV2BGR_YUY2, CvOp::Yuyv)->Apply(Sizes);
#endif

}  // namespace

BENCHMARK_MAIN();
