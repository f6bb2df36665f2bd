#include "convert/Converter.h"

#include "convert/Converter.h"
#include "convert/Kernels.h"

#include <cmath>
#include <cstring>
#include <new>

#ifndef ORNIC_CONVERT_FORCE_SSE2
#define ORNIC_CONVERT_FORCE_SSE2 0
#endif

namespace Convert {
namespace {

using Detail::Kernels;
using Detail::RowPad;

enum class Kind { Mono, Bayer, Rgb, Yuv422, Yuv411, Yuv444, Rgb565, Planar };
// How 8..16-bit single-channel samples are stored.
enum class Layout { U8, U16, GigEPacked, P10, P12 };
// Colour of pixel (0, 0) and (1, 0).
enum class Cfa { RG, GR, GB, BG };

struct Format {
    uint32_t code;
    Kind kind;
    Layout layout;
    int bits;
    Cfa cfa;
    int channels;   // Rgb: 3 or 4
    bool bgrOrder;  // Rgb: blue first; Rgb565: blue in the low bits; Yuv422: UYVY
};

constexpr Format F(uint32_t code, Kind kind, Layout layout, int bits, Cfa cfa = Cfa::RG, int channels = 1,
                   bool bgr = false)
{
    return Format{code, kind, layout, bits, cfa, channels, bgr};
}

namespace P = Pixel;
constexpr Format kFormats[] = {
    F(P::Mono8, Kind::Mono, Layout::U8, 8),
    F(P::Mono10, Kind::Mono, Layout::U16, 10),
    F(P::Mono12, Kind::Mono, Layout::U16, 12),
    F(P::Mono14, Kind::Mono, Layout::U16, 14),
    F(P::Mono16, Kind::Mono, Layout::U16, 16),
    F(P::Mono10_Packed, Kind::Mono, Layout::GigEPacked, 10),
    F(P::Mono12_Packed, Kind::Mono, Layout::GigEPacked, 12),
    F(P::Mono10p, Kind::Mono, Layout::P10, 10),
    F(P::Mono12p, Kind::Mono, Layout::P12, 12),
#define ORNIC_BAYER(o)                                                                                               \
    F(P::Bayer##o##8, Kind::Bayer, Layout::U8, 8, Cfa::o), F(P::Bayer##o##10, Kind::Bayer, Layout::U16, 10, Cfa::o), \
        F(P::Bayer##o##12, Kind::Bayer, Layout::U16, 12, Cfa::o),                                                    \
        F(P::Bayer##o##16, Kind::Bayer, Layout::U16, 16, Cfa::o),                                                    \
        F(P::Bayer##o##10_Packed, Kind::Bayer, Layout::GigEPacked, 10, Cfa::o),                                      \
        F(P::Bayer##o##12_Packed, Kind::Bayer, Layout::GigEPacked, 12, Cfa::o),                                      \
        F(P::Bayer##o##10p, Kind::Bayer, Layout::P10, 10, Cfa::o),                                                   \
        F(P::Bayer##o##12p, Kind::Bayer, Layout::P12, 12, Cfa::o)
    ORNIC_BAYER(GR),
    ORNIC_BAYER(RG),
    ORNIC_BAYER(GB),
    ORNIC_BAYER(BG),
#undef ORNIC_BAYER
    F(P::RGB8_Packed, Kind::Rgb, Layout::U8, 8, Cfa::RG, 3, false),
    F(P::BGR8_Packed, Kind::Rgb, Layout::U8, 8, Cfa::RG, 3, true),
    F(P::RGBA8_Packed, Kind::Rgb, Layout::U8, 8, Cfa::RG, 4, false),
    F(P::BGRA8_Packed, Kind::Rgb, Layout::U8, 8, Cfa::RG, 4, true),
    F(P::RGB10_Packed, Kind::Rgb, Layout::U16, 10, Cfa::RG, 3, false),
    F(P::BGR10_Packed, Kind::Rgb, Layout::U16, 10, Cfa::RG, 3, true),
    F(P::RGB12_Packed, Kind::Rgb, Layout::U16, 12, Cfa::RG, 3, false),
    F(P::BGR12_Packed, Kind::Rgb, Layout::U16, 12, Cfa::RG, 3, true),
    F(P::RGB16_Packed, Kind::Rgb, Layout::U16, 16, Cfa::RG, 3, false),
    F(P::BGR16_Packed, Kind::Rgb, Layout::U16, 16, Cfa::RG, 3, true),
    F(P::RGBA10, Kind::Rgb, Layout::U16, 10, Cfa::RG, 4, false),
    F(P::BGRA10, Kind::Rgb, Layout::U16, 10, Cfa::RG, 4, true),
    F(P::RGBA12, Kind::Rgb, Layout::U16, 12, Cfa::RG, 4, false),
    F(P::BGRA12, Kind::Rgb, Layout::U16, 12, Cfa::RG, 4, true),
    F(P::RGBA16_Packed, Kind::Rgb, Layout::U16, 16, Cfa::RG, 4, false),
    F(P::BGRA16_Packed, Kind::Rgb, Layout::U16, 16, Cfa::RG, 4, true),
    F(P::YUV422_Packed, Kind::Yuv422, Layout::U8, 8, Cfa::RG, 1, true),
    F(P::YUV422_YUYV_Packed, Kind::Yuv422, Layout::U8, 8, Cfa::RG, 1, false),
    F(P::YUV411_Packed, Kind::Yuv411, Layout::U8, 8),
    F(P::YUV444_Packed, Kind::Yuv444, Layout::U8, 8),
    F(P::RGB565_Packed, Kind::Rgb565, Layout::U8, 8, Cfa::RG, 1, false),
    F(P::BGR565_Packed, Kind::Rgb565, Layout::U8, 8, Cfa::RG, 1, true),
    F(P::RGB8_Planar, Kind::Planar, Layout::U8, 8),
};

const Format* FindFormat(uint32_t code)
{
    for (const Format& f : kFormats)
        if (f.code == code) return &f;
    return nullptr;
}

// Widths above this are refused: they cannot come from a camera, and keeping coordinates
// far from INT_MAX keeps the row arithmetic simple.
constexpr uint32_t kMaxSide = 1u << 24;

uint64_t StreamBytes(Layout layout, uint64_t pixels)
{
    switch (layout) {
    case Layout::U8:
        return pixels;
    case Layout::U16:
        return pixels * 2;
    case Layout::GigEPacked:
    case Layout::P12:
        return (pixels / 2) * 3 + (pixels & 1) * 2;
    case Layout::P10:
        return (pixels * 10 + 7) / 8;
    }
    return 0;
}

uint64_t SourceBytes(const Format& f, uint64_t pixels)
{
    switch (f.kind) {
    case Kind::Mono:
    case Kind::Bayer:
        return StreamBytes(f.layout, pixels);
    case Kind::Rgb:
        return pixels * static_cast<uint64_t>(f.channels) * (f.bits > 8 ? 2 : 1);
    case Kind::Yuv422:
    case Kind::Rgb565:
        return pixels * 2;
    case Kind::Yuv411:
        return pixels / 2 * 3;
    case Kind::Yuv444:
    case Kind::Planar:
        return pixels * 3;
    }
    return 0;
}

// Top 8 bits of pixel i of a packed stream; used where a row starts inside a group.
uint8_t PackedPixel8(Layout layout, const uint8_t* src, size_t i)
{
    if (layout == Layout::GigEPacked) return src[(i >> 1) * 3 + ((i & 1) << 1)];
    const int bits = layout == Layout::P10 ? 10 : 12;
    const uint64_t bit = static_cast<uint64_t>(i) * bits;
    const uint8_t* b = src + bit / 8;
    const unsigned shift = static_cast<unsigned>(bit % 8);
    // The pixel spans at most two bytes; never read the second one when it is not needed.
    unsigned v = b[0];
    if (shift + bits > 8) v |= static_cast<unsigned>(b[1]) << 8;
    return static_cast<uint8_t>((v >> shift) >> (bits - 8));
}

// n pixels of a single-channel stream from pixel `first` on, to 8 bits.
void UnpackTo8(const Kernels& k, const Format& f, const uint8_t* src, size_t first, size_t n, uint8_t* dst)
{
    switch (f.layout) {
    case Layout::U8:
        std::memcpy(dst, src + first, n);
        return;
    case Layout::U16:
        k.Shift16To8(src + 2 * first, dst, n, f.bits - 8);
        return;
    default:
        break;
    }
    const size_t group = f.layout == Layout::P10 ? 4 : 2;
    while (n > 0 && first % group != 0) {
        *dst++ = PackedPixel8(f.layout, src, first++);
        --n;
    }
    const uint8_t* start = src + first / group * (group == 4 ? 5 : 3);
    if (f.layout == Layout::GigEPacked)
        k.GigEPackedTo8(start, dst, n);
    else if (f.layout == Layout::P12)
        k.P12To8(start, dst, n);
    else
        k.P10To8(start, dst, n);
}

// Mirror index about the first / last sample (the colour pattern survives); for images
// too small to mirror into, the nearest sample of the same parity, else the nearest one.
int MapIndex(int i, int n)
{
    if (i >= 0 && i < n) return i;
    const int r = i < 0 ? -i : 2 * (n - 1) - i;
    if (r >= 0 && r < n) return r;
    const int want = i & 1;
    if (i < 0) return want < n ? want : 0;
    int last = n - 1;
    if ((last & 1) != want && last > 0) --last;
    return last;
}

template <typename T>
void PadRow(T* row, int width)
{
    for (int k = 1; k <= 2; ++k) {
        row[-k] = row[MapIndex(-k, width)];
        row[width - 1 + k] = row[MapIndex(width - 1 + k, width)];
    }
}

// A few rows of width+padding each, remembered by row number.
struct RowCache {
    uint8_t* base = nullptr;
    size_t stride = 0;
    int slots = 0;
    int tags[8] = {-1, -1, -1, -1, -1, -1, -1, -1};

    uint8_t* Slot(int row, bool& fresh)
    {
        const int s = row & (slots - 1);
        fresh = tags[s] != row;
        tags[s] = row;
        return base + static_cast<size_t>(s) * stride + RowPad;
    }
};

uint16_t Read16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

void Expand565(uint16_t w, bool blueLow, uint8_t* bgr)
{
    const int lo = w & 31, mid = (w >> 5) & 63, hi = w >> 11;
    const uint8_t lo8 = static_cast<uint8_t>((lo << 3) | (lo >> 2));
    const uint8_t hi8 = static_cast<uint8_t>((hi << 3) | (hi >> 2));
    bgr[0] = blueLow ? lo8 : hi8;
    bgr[1] = static_cast<uint8_t>((mid << 2) | (mid >> 4));
    bgr[2] = blueLow ? hi8 : lo8;
}

bool CpuHas(SimdLevel level)
{
#if defined(__i386__) || defined(__x86_64__)
    __builtin_cpu_init();
    if (level == SimdLevel::Avx512) return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");
    if (level == SimdLevel::Avx2) return __builtin_cpu_supports("avx2");
    if (level == SimdLevel::Sse2) return __builtin_cpu_supports("sse2");
#endif
    return level == SimdLevel::Scalar;
}

const Kernels* KernelsFor(SimdLevel level)
{
    switch (level) {
    case SimdLevel::Avx512:
        return Detail::Avx512Kernels();
    case SimdLevel::Avx2:
        return Detail::Avx2Kernels();
    case SimdLevel::Sse2:
        return Detail::Sse2Kernels();
    case SimdLevel::Scalar:
        break;
    }
    return &Detail::ScalarKernels();
}

}  // namespace

SimdLevel BestSimdLevel()
{
    if (!ORNIC_CONVERT_FORCE_SSE2 && KernelsFor(SimdLevel::Avx512) && CpuHas(SimdLevel::Avx512))
        return SimdLevel::Avx512;
    if (!ORNIC_CONVERT_FORCE_SSE2 && KernelsFor(SimdLevel::Avx2) && CpuHas(SimdLevel::Avx2)) return SimdLevel::Avx2;
    if (KernelsFor(SimdLevel::Sse2) && CpuHas(SimdLevel::Sse2)) return SimdLevel::Sse2;
    return SimdLevel::Scalar;
}

const char* SimdLevelName(SimdLevel level)
{
    switch (level) {
    case SimdLevel::Avx512:
        return "AVX-512";
    case SimdLevel::Avx2:
        return "AVX2";
    case SimdLevel::Sse2:
        return "SSE2";
    case SimdLevel::Scalar:
        break;
    }
    return "scalar";
}

Converter::Converter() : level(BestSimdLevel())
{
    for (int i = 0; i < 256; ++i) colour.lut[i] = static_cast<uint8_t>(i);
}

int Converter::SetBayerQuality(unsigned int q)
{
    if (q > 2) return static_cast<int>(MV_E_PARAMETER);
    std::lock_guard<std::mutex> lock(mutex);
    quality = static_cast<BayerQuality>(q);
    return static_cast<int>(MV_OK);
}

int Converter::SetGamma(float gamma)
{
    if (!(gamma > 0.0f && gamma <= 16.0f)) return static_cast<int>(MV_E_PARAMETER);  // also NaN
    std::lock_guard<std::mutex> lock(mutex);
    colour.gammaOn = gamma != 1.0f;
    for (int i = 0; i < 256; ++i) {
        const double v = 255.0 * std::pow(i / 255.0, static_cast<double>(gamma));
        colour.lut[i] = static_cast<uint8_t>(std::lround(v));
    }
    return static_cast<int>(MV_OK);
}

int Converter::SetCcm(const MvCcmParamEx* ccm)
{
    if (!ccm) return static_cast<int>(MV_E_PARAMETER);
    if (ccm->bCCMEnable && ccm->nCCMScale == 0) return static_cast<int>(MV_E_PARAMETER);
    std::lock_guard<std::mutex> lock(mutex);
    colour.ccmOn = ccm->bCCMEnable != 0;
    for (int i = 0; i < 9; ++i) {
        if (!colour.ccmOn) {
            colour.ccm[i] = 0;
            continue;
        }
        // Q10 fixed point; entries beyond +-32 times the scale saturate.
        const double q = std::round(ccm->nCCMat[i] * 1024.0 / ccm->nCCMScale);
        colour.ccm[i] = static_cast<int16_t>(q > 32767 ? 32767 : (q < -32767 ? -32767 : q));
    }
    return static_cast<int>(MV_OK);
}

bool Converter::SetSimdLevel(SimdLevel l)
{
    if (!KernelsFor(l) || !CpuHas(l)) return false;
    std::lock_guard<std::mutex> lock(mutex);
    level = l;
    return true;
}

SimdLevel Converter::GetSimdLevel() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return level;
}

bool Converter::IsSupported(uint32_t srcType, uint32_t dstType)
{
    return FindFormat(srcType) && (dstType == Pixel::Mono8 || dstType == Pixel::BGR8_Packed);
}

int Converter::Convert(MvPixelConvertParamEx& param)
{
    std::lock_guard<std::mutex> lock(mutex);
    return ConvertLocked(param);
}

int Converter::ConvertLocked(MvPixelConvertParamEx& prm)
{
    if (!prm.pSrcData || !prm.pDstBuffer || prm.nWidth == 0 || prm.nHeight == 0 || prm.nSrcDataLen == 0 ||
        prm.nDstBufferSize == 0)
        return static_cast<int>(MV_E_PARAMETER);
    const Format* fmt = FindFormat(prm.enSrcPixelType);
    const bool toMono = prm.enDstPixelType == Pixel::Mono8;
    if (!fmt || (!toMono && prm.enDstPixelType != Pixel::BGR8_Packed)) return static_cast<int>(MV_E_SUPPORT);
    if (prm.nWidth > kMaxSide || prm.nHeight > kMaxSide) return static_cast<int>(MV_E_PARAMETER);
    // Chroma is shared by pixel pairs (4:2:2) or quads (4:1:1), which must not span rows.
    if ((fmt->kind == Kind::Yuv422 && prm.nWidth % 2 != 0) || (fmt->kind == Kind::Yuv411 && prm.nWidth % 4 != 0))
        return static_cast<int>(MV_E_PARAMETER);

    const int width = static_cast<int>(prm.nWidth);
    const int height = static_cast<int>(prm.nHeight);
    const uint64_t pixels = static_cast<uint64_t>(prm.nWidth) * prm.nHeight;
    if (prm.nSrcDataLen < SourceBytes(*fmt, pixels)) return static_cast<int>(MV_E_PARAMETER);
    const uint64_t dstBytes = pixels * (toMono ? 1 : 3);
    if (dstBytes > prm.nDstBufferSize) return static_cast<int>(MV_E_NOENOUGH_BUF);

    const Kernels& k = *KernelsFor(level);
    const uint8_t* src = prm.pSrcData;
    uint8_t* dst = prm.pDstBuffer;
    const size_t n = static_cast<size_t>(pixels);
    const size_t w = static_cast<size_t>(width);

    // Scratch: Bayer sources keep 8 raw rows and 4 green rows (with their differences), all
    // padded; others at most
    // one row of 4 samples plus one of 3 a pixel.
    const size_t stride = (w + 2 * RowPad + 63) / 64 * 64;
    size_t need = 0;
    if (fmt->kind == Kind::Bayer)
        need = 20 * stride;
    else if (fmt->kind == Kind::Rgb || (fmt->kind == Kind::Mono && !toMono))
        need = 7 * w + 64;
    if (scratch.size() < need) {
        try {
            scratch.assign(need, 0);
        } catch (const std::bad_alloc&) {
            return static_cast<int>(MV_E_RESOURCE);
        }
    }
    uint8_t* rowBuf = scratch.data();

    switch (fmt->kind) {
    case Kind::Mono:
        if (toMono) {
            UnpackTo8(k, *fmt, src, 0, n, dst);
        } else {
            for (size_t y = 0; y < static_cast<size_t>(height); ++y) {
                UnpackTo8(k, *fmt, src, y * w, w, rowBuf);
                k.GrayToBgr(rowBuf, dst + y * w * 3, w);
            }
        }
        break;

    case Kind::Bayer: {
        // Green slots: the green row, then its colour differences (two bytes a sample).
        RowCache raw{scratch.data(), stride, 8};
        RowCache green{scratch.data() + 8 * stride, 3 * stride, 4};
        auto rawRow = [&](int r) -> const uint8_t* {
            bool fresh;
            uint8_t* row = raw.Slot(r, fresh);
            if (fresh) {
                UnpackTo8(k, *fmt, src, static_cast<size_t>(r) * w, w, row);
                PadRow(row, width);
            }
            return row;
        };
        const bool redEven = fmt->cfa == Cfa::RG || fmt->cfa == Cfa::GR;
        const bool greenEven = fmt->cfa == Cfa::GR || fmt->cfa == Cfa::GB;
        auto rowsAt = [&](int y) {
            Detail::BayerRows rows{};
            for (int i = 0; i < 5; ++i) rows.raw[i] = rawRow(MapIndex(y + i - 2, height));
            rows.width = width;
            rows.redRow = redEven != ((y & 1) != 0);
            rows.greenFirst = greenEven != ((y & 1) != 0);
            rows.ccm = colour.ccmOn ? colour.ccm : nullptr;
            rows.slack = y + 1 < height ? 2 : 0;
            return rows;
        };
        auto diffOf = [&](uint8_t* greenRow) {
            return reinterpret_cast<int16_t*>(greenRow - RowPad + stride) + RowPad;
        };
        auto greenRow = [&](int r) -> uint8_t* {
            bool fresh;
            uint8_t* row = green.Slot(r, fresh);
            if (fresh) {
                int16_t* diff = diffOf(row);
                k.BayerEdgeGreen(rowsAt(r), row, diff);
                PadRow(row, width);
                PadRow(diff, width);
            }
            return row;
        };
        for (int y = 0; y < height; ++y) {
            if (toMono) {
                Detail::BayerRows rows{};
                rows.raw[2] = rawRow(y);
                rows.raw[3] = rawRow(MapIndex(y + 1, height));
                rows.width = width;
                rows.redRow = redEven != ((y & 1) != 0);
                rows.greenFirst = greenEven != ((y & 1) != 0);
                k.BayerLuma(rows, dst + y * w);
                continue;
            }
            uint8_t* out = dst + y * w * 3;
            if (quality == BayerQuality::Optimal) {
                uint8_t* g[3];
                for (int i = 0; i < 3; ++i) g[i] = greenRow(MapIndex(y + i - 1, height));
                Detail::BayerRows rows = rowsAt(y);
                for (int i = 0; i < 3; ++i) {
                    rows.green[i] = g[i];
                    rows.diff[i] = diffOf(g[i]);
                }
                k.BayerEdgeColour(rows, out);
            } else if (quality == BayerQuality::Equilibrium) {
                k.BayerGradient(rowsAt(y), out);
            } else {
                k.BayerBilinear(rowsAt(y), out);
            }
            if (colour.gammaOn) k.ApplyLut(out, w * 3, colour.lut);
        }
        break;
    }

    case Kind::Rgb: {
        const size_t samples = w * static_cast<size_t>(fmt->channels);
        const size_t srcRow = samples * (fmt->bits > 8 ? 2 : 1);
        uint8_t* bgrRow = rowBuf + samples;  // after the shifted samples
        for (size_t y = 0; y < static_cast<size_t>(height); ++y) {
            const uint8_t* s = src + y * srcRow;
            if (fmt->bits > 8) {
                k.Shift16To8(s, rowBuf, samples, fmt->bits - 8);
                s = rowBuf;
            }
            uint8_t* o = toMono ? bgrRow : dst + y * w * 3;
            if (fmt->channels == 4)
                k.Drop4th(s, o, w, !fmt->bgrOrder);
            else if (fmt->bgrOrder)
                std::memcpy(o, s, w * 3);
            else
                k.SwapRB(s, o, w);
            if (toMono) k.BgrToLuma(o, dst + y * w, w);
        }
        break;
    }

    case Kind::Yuv422:
        if (toMono)
            k.Yuv422ToLuma(src, dst, n, fmt->bgrOrder);
        else
            k.Yuv422ToBgr(src, dst, n, fmt->bgrOrder);
        break;

    case Kind::Yuv411:
        for (size_t i = 0; i < n; i += 4, src += 6) {
            const uint8_t ys[4] = {src[1], src[2], src[4], src[5]};
            for (int j = 0; j < 4; ++j) {
                if (toMono)
                    dst[i + j] = ys[j];
                else
                    Detail::YuvToBgr(ys[j], src[0], src[3], dst + 3 * (i + j));
            }
        }
        break;

    case Kind::Yuv444:
        for (size_t i = 0; i < n; ++i, src += 3) {
            if (toMono)
                dst[i] = src[1];
            else
                Detail::YuvToBgr(src[1], src[0], src[2], dst + 3 * i);
        }
        break;

    case Kind::Rgb565:
        for (size_t i = 0; i < n; ++i) {
            uint8_t bgr[3];
            Expand565(Read16(src + 2 * i), fmt->bgrOrder, bgr);
            if (toMono)
                dst[i] = Detail::Luma(bgr[0], bgr[1], bgr[2]);
            else
                std::memcpy(dst + 3 * i, bgr, 3);
        }
        break;

    case Kind::Planar:
        for (size_t i = 0; i < n; ++i) {
            const uint8_t r = src[i], g = src[n + i], b = src[2 * n + i];
            if (toMono) {
                dst[i] = Detail::Luma(b, g, r);
            } else {
                dst[3 * i] = b;
                dst[3 * i + 1] = g;
                dst[3 * i + 2] = r;
            }
        }
        break;
    }
    prm.nDstLen = static_cast<uint32_t>(dstBytes);
    return static_cast<int>(MV_OK);
}

}  // namespace Convert
