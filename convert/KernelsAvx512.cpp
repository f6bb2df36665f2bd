// AVX-512 row kernels (the BW and VBMI subsets), compiled for that target function by function
// and chosen at run time only on processors that have both. They pay where arithmetic
// dominates: edge-aware and edge-directed demosaicing, and YUV. VBMI's byte permutes
// interleave 64 pixels' colour planes in six permutes and three stores, where the lane-bound
// AVX2 shuffles need 32 instructions and 16 stores.
#include "convert/Kernels.h"

#include <cstddef>
#include <cstdint>

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>

namespace Convert {
namespace Detail {
namespace {

// Byte i of the three 64-byte output blocks holds channel (64m + i) % 3 of pixel
// (64m + i) / 3: blue and green come from a two-source permute (green at index 64 + pixel),
// red is merged afterwards under a mask.
struct BgrPlan {
    uint8_t index[3][64];
    uint64_t redMask[3];
    BgrPlan() : redMask{0, 0, 0}
    {
        for (int m = 0; m < 3; ++m)
            for (int i = 0; i < 64; ++i) {
                const int at = 64 * m + i, pixel = at / 3, channel = at % 3;
                index[m][i] = static_cast<uint8_t>(channel == 1 ? 64 + pixel : pixel);
                if (channel == 2) redMask[m] |= uint64_t{1} << i;
            }
    }
};
// Built before the target switch below: static initialisation runs on every processor.
const BgrPlan bgrPlan;

}  // namespace
}  // namespace Detail
}  // namespace Convert

#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512vbmi")
// The compiler's own AVX-512 headers start some intrinsics from deliberately undefined
// vectors, which its uninitialised-use warnings report at every call.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

namespace Convert {
namespace Detail {
namespace {

struct Isa {
    using V = __m512i;
    static constexpr int N = 64;
    static V Load(const uint8_t* p) { return _mm512_loadu_si512(p); }
    static void Store(uint8_t* p, V v) { _mm512_storeu_si512(p, v); }
    static V Zero() { return _mm512_setzero_si512(); }
    static V Set8(int v) { return _mm512_set1_epi8(static_cast<char>(v)); }
    static V Set16(int v) { return _mm512_set1_epi16(static_cast<short>(v)); }
    static V Set32(int v) { return _mm512_set1_epi32(v); }
    static V Set16Pair(int lo, int hi)
    {
        return _mm512_set1_epi32(static_cast<int>((static_cast<unsigned>(hi) << 16) | (lo & 0xFFFF)));
    }
    static V And(V a, V b) { return _mm512_and_si512(a, b); }
    static V Or(V a, V b) { return _mm512_or_si512(a, b); }
    static V AndNot(V a, V b) { return _mm512_andnot_si512(a, b); }
    static V Avg(V a, V b) { return _mm512_avg_epu8(a, b); }
    static V Lo16(V v) { return _mm512_unpacklo_epi8(v, _mm512_setzero_si512()); }
    static V Hi16(V v) { return _mm512_unpackhi_epi8(v, _mm512_setzero_si512()); }
    // Inverse of Lo16 / Hi16 (both work within 128-bit lanes).
    static V Pack(V lo, V hi) { return _mm512_packus_epi16(lo, hi); }
    // Packs two consecutive runs of 16-bit values in memory order: the lane-wise pack leaves
    // the eight-byte groups of lo and hi alternating.
    static V PackOrdered(V lo, V hi)
    {
        return _mm512_permutexvar_epi64(_mm512_setr_epi64(0, 2, 4, 6, 1, 3, 5, 7), _mm512_packus_epi16(lo, hi));
    }
    static V Packs32(V lo, V hi) { return _mm512_packs_epi32(lo, hi); }
    static V UnpackLo16(V a, V b) { return _mm512_unpacklo_epi16(a, b); }
    static V UnpackHi16(V a, V b) { return _mm512_unpackhi_epi16(a, b); }
    static V Add16(V a, V b) { return _mm512_add_epi16(a, b); }
    static V Sub16(V a, V b) { return _mm512_sub_epi16(a, b); }
    static V Mul16(V a, V b) { return _mm512_mullo_epi16(a, b); }
    static V Max16(V a, V b) { return _mm512_max_epi16(a, b); }
    static V Sll16(V v, int n) { return _mm512_sll_epi16(v, _mm_cvtsi32_si128(n)); }
    static V Srl16(V v, int n) { return _mm512_srl_epi16(v, _mm_cvtsi32_si128(n)); }
    static V Sra16(V v, int n) { return _mm512_sra_epi16(v, _mm_cvtsi32_si128(n)); }
    static V Add32(V a, V b) { return _mm512_add_epi32(a, b); }
    static V Sll32(V v, int n) { return _mm512_sll_epi32(v, _mm_cvtsi32_si128(n)); }
    static V Sra32(V v, int n) { return _mm512_sra_epi32(v, _mm_cvtsi32_si128(n)); }
    // First and second half of the bytes as 16-bit values, in memory order.
    static V WidenLo(V v) { return _mm512_cvtepu8_epi16(_mm512_castsi512_si256(v)); }
    static V WidenHi(V v) { return _mm512_cvtepu8_epi16(_mm512_extracti64x4_epi64(v, 1)); }
    static V Min16(V a, V b) { return _mm512_min_epi16(a, b); }
    // First and second half of the 16-bit lanes zero-extended to 32 bits, in memory order.
    static V Widen32Lo(V v) { return _mm512_cvtepu16_epi32(_mm512_castsi512_si256(v)); }
    static V Widen32Hi(V v) { return _mm512_cvtepu16_epi32(_mm512_extracti64x4_epi64(v, 1)); }
    static V Abs16(V v) { return _mm512_abs_epi16(v); }
    // x where a < b (signed 16-bit lanes), else y.
    static V SelectLt16(V a, V b, V x, V y) { return _mm512_mask_blend_epi16(_mm512_cmplt_epi16_mask(a, b), y, x); }
    static V Madd(V a, V b) { return _mm512_madd_epi16(a, b); }

    // 64 pixels as exactly 192 bytes.
    static void StoreBgr(uint8_t* p, V b, V g, V r)
    {
        for (int m = 0; m < 3; ++m) {
            const V index = Load(bgrPlan.index[m]);
            const V bg = _mm512_permutex2var_epi8(b, index, g);
            Store(p + 64 * m, _mm512_mask_permutexvar_epi8(bg, bgrPlan.redMask[m], index, r));
        }
    }
};

#include "convert/KernelsSimd.inl"

// A 256-entry byte table is four 64-byte vectors: two two-source permutes look up the low
// seven bits in each half of the table, the top bit chooses between them. Row tails use
// masked loads and stores, so no byte outside the row is touched.
void SimdApplyLut(uint8_t* p, size_t n, const uint8_t* lut)
{
    const V t0 = Isa::Load(lut), t1 = Isa::Load(lut + 64), t2 = Isa::Load(lut + 128), t3 = Isa::Load(lut + 192);
    auto look = [&](V x) {
        const V low = _mm512_permutex2var_epi8(t0, x, t1);
        const V high = _mm512_permutex2var_epi8(t2, x, t3);
        return _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), low, high);
    };
    size_t i = 0;
    for (; i + N <= n; i += N) Isa::Store(p + i, look(Isa::Load(p + i)));
    if (i < n) {
        const __mmask64 rest = (uint64_t{1} << (n - i)) - 1;  // n - i < 64
        _mm512_mask_storeu_epi8(p + i, rest, look(_mm512_maskz_loadu_epi8(rest, p + i)));
    }
}

#pragma GCC diagnostic pop
#pragma GCC pop_options

#include "convert/KernelsSimdTable.inl"

// Only takes the kernels' addresses, so it runs on any processor.
Kernels MakeKernels()
{
    Kernels k = SimdKernelTable();
    k.ApplyLut = SimdApplyLut;
    // Kernels with many unaligned loads and little arithmetic a byte measured slower here
    // than at AVX2 (every 64-byte unaligned load spans two cache lines): bilinear
    // demosaicing, the 16-to-8-bit shift and the RGB/BGR swap stay AVX2, and so do the
    // similar, unmeasured grey to BGR and 4:2:2 luma.
    if (const Kernels* avx2 = Avx2Kernels()) {
        k.BayerBilinear = avx2->BayerBilinear;
        k.Shift16To8 = avx2->Shift16To8;
        k.SwapRB = avx2->SwapRB;
        k.GrayToBgr = avx2->GrayToBgr;
        k.Yuv422ToLuma = avx2->Yuv422ToLuma;
    }
    return k;
}

}  // namespace

const Kernels* Avx512Kernels()
{
    static const Kernels k = MakeKernels();
    return &k;
}

}  // namespace Detail
}  // namespace Convert

#else

namespace Convert {
namespace Detail {
const Kernels* Avx512Kernels()
{
    return nullptr;
}
}  // namespace Detail
}  // namespace Convert

#endif
