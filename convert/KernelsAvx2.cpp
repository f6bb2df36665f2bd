// AVX2 row kernels, compiled for that target function by function and chosen at run time
// only on processors that have it.
#include "convert/Kernels.h"

#include <cstddef>
#include <cstdint>

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>

#pragma GCC push_options
#pragma GCC target("avx2")

namespace Convert {
namespace Detail {
namespace {

struct Isa {
    using V = __m256i;
    static constexpr int N = 32;
    static V Load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void Store(uint8_t* p, V v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static V Zero() { return _mm256_setzero_si256(); }
    static V Set8(int v) { return _mm256_set1_epi8(static_cast<char>(v)); }
    static V Set16(int v) { return _mm256_set1_epi16(static_cast<short>(v)); }
    static V Set32(int v) { return _mm256_set1_epi32(v); }
    static V Set16Pair(int lo, int hi)
    {
        return _mm256_set1_epi32(static_cast<int>((static_cast<unsigned>(hi) << 16) | (lo & 0xFFFF)));
    }
    static V And(V a, V b) { return _mm256_and_si256(a, b); }
    static V Or(V a, V b) { return _mm256_or_si256(a, b); }
    static V AndNot(V a, V b) { return _mm256_andnot_si256(a, b); }
    static V Avg(V a, V b) { return _mm256_avg_epu8(a, b); }
    static V Lo16(V v) { return _mm256_unpacklo_epi8(v, _mm256_setzero_si256()); }
    static V Hi16(V v) { return _mm256_unpackhi_epi8(v, _mm256_setzero_si256()); }
    // Inverse of Lo16 / Hi16 (both work within 128-bit lanes).
    static V Pack(V lo, V hi) { return _mm256_packus_epi16(lo, hi); }
    // Packs two consecutive runs of 16-bit values in memory order.
    static V PackOrdered(V lo, V hi) { return _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xD8); }
    static V Packs32(V lo, V hi) { return _mm256_packs_epi32(lo, hi); }
    static V UnpackLo16(V a, V b) { return _mm256_unpacklo_epi16(a, b); }
    static V UnpackHi16(V a, V b) { return _mm256_unpackhi_epi16(a, b); }
    static V Add16(V a, V b) { return _mm256_add_epi16(a, b); }
    static V Sub16(V a, V b) { return _mm256_sub_epi16(a, b); }
    static V Mul16(V a, V b) { return _mm256_mullo_epi16(a, b); }
    static V Max16(V a, V b) { return _mm256_max_epi16(a, b); }
    static V Sll16(V v, int n) { return _mm256_sll_epi16(v, _mm_cvtsi32_si128(n)); }
    static V Srl16(V v, int n) { return _mm256_srl_epi16(v, _mm_cvtsi32_si128(n)); }
    static V Sra16(V v, int n) { return _mm256_sra_epi16(v, _mm_cvtsi32_si128(n)); }
    static V Add32(V a, V b) { return _mm256_add_epi32(a, b); }
    static V Sll32(V v, int n) { return _mm256_sll_epi32(v, _mm_cvtsi32_si128(n)); }
    static V Sra32(V v, int n) { return _mm256_sra_epi32(v, _mm_cvtsi32_si128(n)); }
    // First and second half of the bytes as 16-bit values, in memory order.
    static V WidenLo(V v) { return _mm256_cvtepu8_epi16(_mm256_castsi256_si128(v)); }
    static V WidenHi(V v) { return _mm256_cvtepu8_epi16(_mm256_extracti128_si256(v, 1)); }
    static V Min16(V a, V b) { return _mm256_min_epi16(a, b); }
    // First and second half of the 16-bit lanes zero-extended to 32 bits, in memory order.
    static V Widen32Lo(V v) { return _mm256_cvtepu16_epi32(_mm256_castsi256_si128(v)); }
    static V Widen32Hi(V v) { return _mm256_cvtepu16_epi32(_mm256_extracti128_si256(v, 1)); }
    static V Abs16(V v) { return _mm256_abs_epi16(v); }
    // x where a < b (signed 16-bit lanes), else y.
    static V SelectLt16(V a, V b, V x, V y) { return _mm256_blendv_epi8(y, x, _mm256_cmpgt_epi16(b, a)); }
    static V Madd(V a, V b) { return _mm256_madd_epi16(a, b); }

    // 32 pixels as 96 bytes, and up to 4 bytes beyond. Each 16-byte store carries 12 bytes
    // of pixels; the order of the stores lets every overhang be overwritten.
    static void StoreBgr(uint8_t* p, V b, V g, V r)
    {
        const V z = _mm256_setzero_si256();
        const V bgLo = _mm256_unpacklo_epi8(b, g), bgHi = _mm256_unpackhi_epi8(b, g);
        const V r0Lo = _mm256_unpacklo_epi8(r, z), r0Hi = _mm256_unpackhi_epi8(r, z);
        const V squeeze = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4, 5, 6, 8,
                                           9, 10, 12, 13, 14, -1, -1, -1, -1);
        // Pixels 0-3 | 16-19, 4-7 | 20-23, 8-11 | 24-27, 12-15 | 28-31.
        const V q[4] = {_mm256_shuffle_epi8(_mm256_unpacklo_epi16(bgLo, r0Lo), squeeze),
                        _mm256_shuffle_epi8(_mm256_unpackhi_epi16(bgLo, r0Lo), squeeze),
                        _mm256_shuffle_epi8(_mm256_unpacklo_epi16(bgHi, r0Hi), squeeze),
                        _mm256_shuffle_epi8(_mm256_unpackhi_epi16(bgHi, r0Hi), squeeze)};
        for (int k = 0; k < 4; ++k)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 12 * k), _mm256_castsi256_si128(q[k]));
        for (int k = 0; k < 4; ++k)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 48 + 12 * k), _mm256_extracti128_si256(q[k], 1));
    }
};

#include "convert/KernelsSimd.inl"

#pragma GCC pop_options

#include "convert/KernelsSimdTable.inl"

}  // namespace

const Kernels* Avx2Kernels()
{
    static const Kernels k = SimdKernelTable();
    return &k;
}

}  // namespace Detail
}  // namespace Convert

#else

namespace Convert {
namespace Detail {
const Kernels* Avx2Kernels()
{
    return nullptr;
}
}  // namespace Detail
}  // namespace Convert

#endif
