// SSE2 row kernels: the baseline of every x86 build, including the 32-bit one, where the
// compiler itself may not assume SSE2; the functions carry the target instead.
#include "convert/Kernels.h"

#include <cstddef>
#include <cstdint>

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>

#pragma GCC push_options
#pragma GCC target("sse2")

namespace Convert {
namespace Detail {
namespace {

struct Isa {
    using V = __m128i;
    static constexpr int N = 16;
    static V Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static void Store(uint8_t* p, V v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static V Zero() { return _mm_setzero_si128(); }
    static V Set8(int v) { return _mm_set1_epi8(static_cast<char>(v)); }
    static V Set16(int v) { return _mm_set1_epi16(static_cast<short>(v)); }
    static V Set32(int v) { return _mm_set1_epi32(v); }
    static V Set16Pair(int lo, int hi)
    {
        return _mm_set1_epi32(static_cast<int>((static_cast<unsigned>(hi) << 16) | (lo & 0xFFFF)));
    }
    static V And(V a, V b) { return _mm_and_si128(a, b); }
    static V Or(V a, V b) { return _mm_or_si128(a, b); }
    static V AndNot(V a, V b) { return _mm_andnot_si128(a, b); }
    static V Avg(V a, V b) { return _mm_avg_epu8(a, b); }
    static V Lo16(V v) { return _mm_unpacklo_epi8(v, _mm_setzero_si128()); }
    static V Hi16(V v) { return _mm_unpackhi_epi8(v, _mm_setzero_si128()); }
    static V Pack(V lo, V hi) { return _mm_packus_epi16(lo, hi); }
    static V PackOrdered(V lo, V hi) { return _mm_packus_epi16(lo, hi); }
    static V Packs32(V lo, V hi) { return _mm_packs_epi32(lo, hi); }
    static V UnpackLo16(V a, V b) { return _mm_unpacklo_epi16(a, b); }
    static V UnpackHi16(V a, V b) { return _mm_unpackhi_epi16(a, b); }
    static V Add16(V a, V b) { return _mm_add_epi16(a, b); }
    static V Sub16(V a, V b) { return _mm_sub_epi16(a, b); }
    static V Mul16(V a, V b) { return _mm_mullo_epi16(a, b); }
    static V Max16(V a, V b) { return _mm_max_epi16(a, b); }
    static V Sll16(V v, int n) { return _mm_sll_epi16(v, _mm_cvtsi32_si128(n)); }
    static V Srl16(V v, int n) { return _mm_srl_epi16(v, _mm_cvtsi32_si128(n)); }
    static V Sra16(V v, int n) { return _mm_sra_epi16(v, _mm_cvtsi32_si128(n)); }
    static V Add32(V a, V b) { return _mm_add_epi32(a, b); }
    static V Sll32(V v, int n) { return _mm_sll_epi32(v, _mm_cvtsi32_si128(n)); }
    static V Sra32(V v, int n) { return _mm_sra_epi32(v, _mm_cvtsi32_si128(n)); }
    // First and second half of the bytes as 16-bit values, in memory order.
    static V WidenLo(V v) { return _mm_unpacklo_epi8(v, _mm_setzero_si128()); }
    static V WidenHi(V v) { return _mm_unpackhi_epi8(v, _mm_setzero_si128()); }
    static V Min16(V a, V b) { return _mm_min_epi16(a, b); }
    // 16-bit lanes of a and b alternating, first and second half, in memory order.
    static V Widen32Lo(V v) { return _mm_unpacklo_epi16(v, _mm_setzero_si128()); }
    static V Widen32Hi(V v) { return _mm_unpackhi_epi16(v, _mm_setzero_si128()); }
    static V Abs16(V v) { return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v)); }
    // x where a < b (signed 16-bit lanes), else y.
    static V SelectLt16(V a, V b, V x, V y)
    {
        const V mask = _mm_cmplt_epi16(a, b);
        return _mm_or_si128(_mm_and_si128(mask, x), _mm_andnot_si128(mask, y));
    }
    static V Madd(V a, V b) { return _mm_madd_epi16(a, b); }

    // Four 0x00RRGGBB pixels to 12 bytes; the store writes 4 more bytes, which the caller
    // overwrites afterwards.
    static void Store4(uint8_t* p, V px)
    {
        const V t =
            _mm_or_si128(_mm_and_si128(px, _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF)),
                         _mm_and_si128(_mm_srli_epi64(px, 8), _mm_set_epi32(0xFFFF, 0xFF000000, 0xFFFF, 0xFF000000)));
        const V packed =
            _mm_or_si128(_mm_and_si128(t, _mm_set_epi32(0, 0, 0xFFFF, static_cast<int>(0xFFFFFFFF))),
                         _mm_and_si128(_mm_srli_si128(t, 2), _mm_set_epi32(-1, -1, static_cast<int>(0xFFFF0000), 0)));
        Store(p, packed);
    }
    // 16 pixels as 48 bytes, and up to 4 bytes beyond.
    static void StoreBgr(uint8_t* p, V b, V g, V r)
    {
        const V z = _mm_setzero_si128();
        const V bgLo = _mm_unpacklo_epi8(b, g), bgHi = _mm_unpackhi_epi8(b, g);
        const V r0Lo = _mm_unpacklo_epi8(r, z), r0Hi = _mm_unpackhi_epi8(r, z);
        Store4(p, _mm_unpacklo_epi16(bgLo, r0Lo));
        Store4(p + 12, _mm_unpackhi_epi16(bgLo, r0Lo));
        Store4(p + 24, _mm_unpacklo_epi16(bgHi, r0Hi));
        Store4(p + 36, _mm_unpackhi_epi16(bgHi, r0Hi));
    }
};

#include "convert/KernelsSimd.inl"

#pragma GCC pop_options

#include "convert/KernelsSimdTable.inl"

}  // namespace

const Kernels* Sse2Kernels()
{
    static const Kernels k = SimdKernelTable();
    return &k;
}

}  // namespace Detail
}  // namespace Convert

#else

namespace Convert {
namespace Detail {
const Kernels* Sse2Kernels()
{
    return nullptr;
}
}  // namespace Detail
}  // namespace Convert

#endif
