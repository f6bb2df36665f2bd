// Row kernels shared by the scalar reference and the vector versions. Internal to the
// library: Converter.cpp walks the frame and calls these through one table per SIMD level.
#pragma once

#include "convert/Converter.h"

#include <cstddef>
#include <cstdint>

namespace Convert {
namespace Detail {

// Raw (Bayer) rows are held as 8-bit samples with at least RowPad readable bytes on both
// sides; the two nearest of them hold the row's mirror image, so a 5x5 neighbourhood never
// needs a border test and keeps the colour pattern. Rows of colour differences (16 bits)
// are padded the same way.
constexpr int RowPad = 32;

struct BayerRows {
    const uint8_t* raw[5];    // rows y-2 .. y+2, pointers to pixel 0; valid from -2 to width+1
    const uint8_t* green[3];  // interpolated green rows y-1 .. y+1 (edge-directed method only)
    const int16_t* diff[3];   // raw minus interpolated green, rows y-1 .. y+1 (the same)
    int width;
    bool redRow;         // row y holds red and green samples (else blue and green)
    bool greenFirst;     // pixel 0 of row y is green
    const int16_t* ccm;  // Q10 colour-correction matrix applied before storing, or null
    // Pixels past the row's end the BGR output may overwrite: those of the next row, which
    // is written afterwards (0 for the last row).
    int slack;
};

struct Kernels {
    // Little-endian 16-bit samples to 8 bits: min(v >> shift, 255).
    void (*Shift16To8)(const uint8_t* src, uint8_t* dst, size_t n, int shift);
    // GigE Vision packed 10/12 bit, starting on a pair boundary: the high byte of each pixel.
    void (*GigEPackedTo8)(const uint8_t* src, uint8_t* dst, size_t n);
    // PFNC 12p starting on a pair boundary / 10p starting on a group of four.
    void (*P12To8)(const uint8_t* src, uint8_t* dst, size_t n);
    void (*P10To8)(const uint8_t* src, uint8_t* dst, size_t n);

    // Demosaicing of row y into BGR8.
    void (*BayerBilinear)(const BayerRows& rows, uint8_t* bgr);
    void (*BayerGradient)(const BayerRows& rows, uint8_t* bgr);
    // Edge-directed method: the green row and the colour differences (raw minus green)
    // first, then the row's colours from them.
    void (*BayerEdgeGreen)(const BayerRows& rows, uint8_t* green, int16_t* diff);
    void (*BayerEdgeColour)(const BayerRows& rows, uint8_t* bgr);
    // Luma of the 2x2 window at each pixel (raw[2] = row y, raw[3] = row y+1).
    void (*BayerLuma)(const BayerRows& rows, uint8_t* mono);
    // Table lookup of every byte, in place (gamma).
    void (*ApplyLut)(uint8_t* p, size_t n, const uint8_t* lut);

    void (*SwapRB)(const uint8_t* src, uint8_t* dst, size_t n);              // 3 bytes per pixel
    void (*Drop4th)(const uint8_t* src, uint8_t* dst, size_t n, bool swap);  // 4 -> 3 bytes
    void (*BgrToLuma)(const uint8_t* bgr, uint8_t* mono, size_t n);
    void (*GrayToBgr)(const uint8_t* mono, uint8_t* bgr, size_t n);
    // 4:2:2 to BGR8; n pixels, n even; uyvy selects UYVY over YUYV.
    void (*Yuv422ToBgr)(const uint8_t* src, uint8_t* bgr, size_t n, bool uyvy);
    // Every second byte from offset (the luma of 4:2:2).
    void (*Yuv422ToLuma)(const uint8_t* src, uint8_t* mono, size_t n, bool uyvy);
};

const Kernels& ScalarKernels();
// Null when the build has no such kernels (non-x86 targets).
const Kernels* Sse2Kernels();
const Kernels* Avx2Kernels();
const Kernels* Avx512Kernels();  // needs the BW and VBMI subsets

// Full-range BT.601 YUV to one BGR pixel; shared by every kernel for bit-exact tails.
inline uint8_t Clamp255(int v)
{
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

inline void YuvToBgr(int y, int u, int v, uint8_t* bgr)
{
    u -= 128;
    v -= 128;
    bgr[0] = Clamp255(y + ((454 * u + 128) >> 8));
    bgr[1] = Clamp255(y + ((-88 * u - 183 * v + 128) >> 8));
    bgr[2] = Clamp255(y + ((359 * v + 128) >> 8));
}

// out = clamp((m * (R, G, B) + 512) >> 10) per row of m.
inline void CcmPixel(const int16_t* m, uint8_t* bgr)
{
    const int b = bgr[0], g = bgr[1], r = bgr[2];
    bgr[2] = Clamp255((m[0] * r + m[1] * g + m[2] * b + 512) >> 10);
    bgr[1] = Clamp255((m[3] * r + m[4] * g + m[5] * b + 512) >> 10);
    bgr[0] = Clamp255((m[6] * r + m[7] * g + m[8] * b + 512) >> 10);
}

inline uint8_t Luma(int b, int g, int r)
{
    return static_cast<uint8_t>((29 * b + 150 * g + 77 * r + 128) >> 8);
}

}  // namespace Detail
}  // namespace Convert
