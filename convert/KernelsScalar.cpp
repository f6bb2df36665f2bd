// The reference row kernels. Vector kernels must give exactly these results, so the
// arithmetic here is written the way the vector code can reproduce it (rounded byte
// averages, 16-bit sums, shifts instead of divisions).
#include "convert/Kernels.h"

#include <cstdlib>
#include <cstring>

namespace Convert {
namespace Detail {
namespace {

inline uint8_t Avg2(int a, int b)
{
    return static_cast<uint8_t>((a + b + 1) >> 1);
}

void Shift16To8(const uint8_t* src, uint8_t* dst, size_t n, int shift)
{
    for (size_t i = 0; i < n; ++i) {
        const unsigned v = (src[2 * i] | (src[2 * i + 1] << 8)) >> shift;
        dst[i] = static_cast<uint8_t>(v > 255 ? 255 : v);
    }
}

void GigEPackedTo8(const uint8_t* src, uint8_t* dst, size_t n)
{
    // The first and last byte of each triple are the high 8 bits of the two pixels.
    for (size_t i = 0; i < n; ++i) dst[i] = src[(i >> 1) * 3 + ((i & 1) << 1)];
}

void P12To8(const uint8_t* src, uint8_t* dst, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* b = src + (i >> 1) * 3;
        dst[i] = (i & 1) ? b[2] : static_cast<uint8_t>((b[0] >> 4) | ((b[1] & 0x0F) << 4));
    }
}

void P10To8(const uint8_t* src, uint8_t* dst, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* b = src + (i >> 2) * 5;
        switch (i & 3) {
        case 0:
            dst[i] = static_cast<uint8_t>((b[0] >> 2) | ((b[1] & 0x03) << 6));
            break;
        case 1:
            dst[i] = static_cast<uint8_t>((b[1] >> 4) | ((b[2] & 0x0F) << 4));
            break;
        case 2:
            dst[i] = static_cast<uint8_t>((b[2] >> 6) | ((b[3] & 0x3F) << 2));
            break;
        default:
            dst[i] = b[4];
            break;
        }
    }
}

// Stores the pixel's colours given the row colour (red in red rows) and the other one.
inline void Store(uint8_t* o, const BayerRows& r, int rowColour, int green, int otherColour)
{
    o[0] = static_cast<uint8_t>(r.redRow ? otherColour : rowColour);
    o[1] = static_cast<uint8_t>(green);
    o[2] = static_cast<uint8_t>(r.redRow ? rowColour : otherColour);
    if (r.ccm) CcmPixel(r.ccm, o);
}

inline bool IsGreen(const BayerRows& r, int x)
{
    return ((x & 1) == 0) == r.greenFirst;
}

void BayerBilinear(const BayerRows& r, uint8_t* bgr)
{
    const uint8_t* n = r.raw[1];
    const uint8_t* p = r.raw[2];
    const uint8_t* s = r.raw[3];
    for (int x = 0; x < r.width; ++x, bgr += 3) {
        if (IsGreen(r, x)) {
            Store(bgr, r, Avg2(p[x - 1], p[x + 1]), p[x], Avg2(n[x], s[x]));
        } else {
            const int cross = Avg2(Avg2(p[x - 1], p[x + 1]), Avg2(n[x], s[x]));
            const int diag = Avg2(Avg2(n[x - 1], n[x + 1]), Avg2(s[x - 1], s[x + 1]));
            Store(bgr, r, p[x], cross, diag);
        }
    }
}

// Gradient-corrected bilinear: each bilinear estimate is corrected by the Laplacian of the
// pixel's own colour, weights in sixteenths.
void BayerGradient(const BayerRows& r, uint8_t* bgr)
{
    const uint8_t* nn = r.raw[0];
    const uint8_t* n = r.raw[1];
    const uint8_t* p = r.raw[2];
    const uint8_t* s = r.raw[3];
    const uint8_t* ss = r.raw[4];
    for (int x = 0; x < r.width; ++x, bgr += 3) {
        const int c = p[x];
        const int diag = n[x - 1] + n[x + 1] + s[x - 1] + s[x + 1];
        const int far = p[x - 2] + p[x + 2] + nn[x] + ss[x];
        if (IsGreen(r, x)) {
            const int common = 10 * c - 2 * diag;
            const int h = common + 8 * (p[x - 1] + p[x + 1]) - 2 * (p[x - 2] + p[x + 2]) + nn[x] + ss[x];
            const int v = common + 8 * (n[x] + s[x]) - 2 * (nn[x] + ss[x]) + p[x - 2] + p[x + 2];
            Store(bgr, r, Clamp255((h + 8) >> 4), c, Clamp255((v + 8) >> 4));
        } else {
            const int g = 8 * c + 4 * (p[x - 1] + p[x + 1] + n[x] + s[x]) - 2 * far;
            const int d = 12 * c + 4 * diag - 3 * far;
            Store(bgr, r, c, Clamp255((g + 8) >> 4), Clamp255((d + 8) >> 4));
        }
    }
}

// Green along the direction of the smaller gradient, corrected by the curvature of the
// pixel's own colour along that direction.
void BayerEdgeGreen(const BayerRows& r, uint8_t* green, int16_t* diff)
{
    const uint8_t* nn = r.raw[0];
    const uint8_t* n = r.raw[1];
    const uint8_t* p = r.raw[2];
    const uint8_t* s = r.raw[3];
    const uint8_t* ss = r.raw[4];
    for (int x = 0; x < r.width; ++x) {
        const int c = p[x];
        if (IsGreen(r, x)) {
            green[x] = static_cast<uint8_t>(c);
            diff[x] = 0;
            continue;
        }
        const int curveH = 2 * c - p[x - 2] - p[x + 2];
        const int curveV = 2 * c - nn[x] - ss[x];
        const int dH = std::abs(p[x - 1] - p[x + 1]) + std::abs(curveH);
        const int dV = std::abs(n[x] - s[x]) + std::abs(curveV);
        const int gH = 2 * (p[x - 1] + p[x + 1]) + curveH;  // four times the estimate
        const int gV = 2 * (n[x] + s[x]) + curveV;
        // Only a gradient smaller by a quarter picks a direction; otherwise both estimates
        // are averaged, which is the gradient-corrected isotropic estimate.
        int g;
        if (4 * dH < 3 * dV)
            g = (gH + 2) >> 2;
        else if (4 * dV < 3 * dH)
            g = (gV + 2) >> 2;
        else
            g = (gH + gV + 4) >> 3;
        green[x] = Clamp255(g);
        diff[x] = static_cast<int16_t>(c - green[x]);
    }
}

// Red and blue from the interpolated green plus the neighbours' colour differences.
void BayerEdgeColour(const BayerRows& r, uint8_t* bgr)
{
    const uint8_t* p = r.raw[2];
    const uint8_t* gp = r.green[1];
    const int16_t* dn = r.diff[0];
    const int16_t* dp = r.diff[1];
    const int16_t* ds = r.diff[2];
    for (int x = 0; x < r.width; ++x, bgr += 3) {
        const int g = gp[x];
        if (IsGreen(r, x)) {
            const int h = dp[x - 1] + dp[x + 1];
            const int v = dn[x] + ds[x];
            Store(bgr, r, Clamp255(g + ((h + 1) >> 1)), g, Clamp255(g + ((v + 1) >> 1)));
        } else {
            const int d = dn[x - 1] + dn[x + 1] + ds[x - 1] + ds[x + 1];
            Store(bgr, r, p[x], g, Clamp255(g + ((d + 2) >> 2)));
        }
    }
}

void BayerLuma(const BayerRows& r, uint8_t* mono)
{
    const uint8_t* p = r.raw[2];
    const uint8_t* q = r.raw[3];
    // Weights of the row colour and of the next row's colour.
    const int wRow = r.redRow ? 77 : 29;
    const int wOther = r.redRow ? 29 : 77;
    for (int x = 0; x < r.width; ++x) {
        int sum;
        if (IsGreen(r, x))
            sum = 75 * (p[x] + q[x + 1]) + wRow * p[x + 1] + wOther * q[x];
        else
            sum = 75 * (p[x + 1] + q[x]) + wRow * p[x] + wOther * q[x + 1];
        mono[x] = static_cast<uint8_t>((sum + 128) >> 8);
    }
}

void ApplyLut(uint8_t* p, size_t n, const uint8_t* lut)
{
    // Eight bytes per load and store: the table reads are what remains.
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t v;
        std::memcpy(&v, p + i, 8);
        uint64_t out = 0;
        for (int k = 0; k < 8; ++k) out |= static_cast<uint64_t>(lut[(v >> (8 * k)) & 0xFF]) << (8 * k);
        std::memcpy(p + i, &out, 8);
    }
    for (; i < n; ++i) p[i] = lut[p[i]];
}

void SwapRB(const uint8_t* src, uint8_t* dst, size_t n)
{
    for (size_t i = 0; i < n; ++i, src += 3, dst += 3) {
        const uint8_t a = src[0], b = src[1], c = src[2];
        dst[0] = c;
        dst[1] = b;
        dst[2] = a;
    }
}

void Drop4th(const uint8_t* src, uint8_t* dst, size_t n, bool swap)
{
    for (size_t i = 0; i < n; ++i, src += 4, dst += 3) {
        dst[0] = swap ? src[2] : src[0];
        dst[1] = src[1];
        dst[2] = swap ? src[0] : src[2];
    }
}

void BgrToLuma(const uint8_t* bgr, uint8_t* mono, size_t n)
{
    for (size_t i = 0; i < n; ++i, bgr += 3) mono[i] = Luma(bgr[0], bgr[1], bgr[2]);
}

void GrayToBgr(const uint8_t* mono, uint8_t* bgr, size_t n)
{
    for (size_t i = 0; i < n; ++i, bgr += 3) bgr[0] = bgr[1] = bgr[2] = mono[i];
}

void Yuv422ToBgr(const uint8_t* src, uint8_t* bgr, size_t n, bool uyvy)
{
    const int yo = uyvy ? 1 : 0;
    const int co = uyvy ? 0 : 1;
    for (size_t i = 0; i + 1 < n; i += 2, src += 4, bgr += 6) {
        const int u = src[co], v = src[co + 2];
        YuvToBgr(src[yo], u, v, bgr);
        YuvToBgr(src[yo + 2], u, v, bgr + 3);
    }
}

void Yuv422ToLuma(const uint8_t* src, uint8_t* mono, size_t n, bool uyvy)
{
    src += uyvy ? 1 : 0;
    for (size_t i = 0; i < n; ++i) mono[i] = src[2 * i];
}

}  // namespace

const Kernels& ScalarKernels()
{
    static const Kernels k = {Shift16To8,     GigEPackedTo8,   P12To8,      P10To8,      BayerBilinear, BayerGradient,
                              BayerEdgeGreen, BayerEdgeColour, BayerLuma,   ApplyLut,    SwapRB,        Drop4th,
                              BgrToLuma,      GrayToBgr,       Yuv422ToBgr, Yuv422ToLuma};
    return k;
}

}  // namespace Detail
}  // namespace Convert
