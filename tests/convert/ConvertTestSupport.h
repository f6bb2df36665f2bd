// Helpers for the conversion tests: reference packers (written from the format
// descriptions, independent of the library), test images and a guarded conversion call.
#pragma once

#include "convert/Converter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <random>
#include <vector>

namespace ConvertTest {

using Bytes = std::vector<uint8_t>;

// A colour-correction setting with the matrix m (row order) over scale.
inline MvCcmParamEx Ccm(std::initializer_list<int> m, uint32_t scale, bool on = true)
{
    MvCcmParamEx p{};
    p.bCCMEnable = on;
    std::copy(m.begin(), m.end(), p.nCCMat);
    p.nCCMScale = scale;
    return p;
}

inline std::vector<uint16_t> RandomValues(size_t n, int bits, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<uint16_t> v(n);
    for (auto& x : v) x = static_cast<uint16_t>(rng() & ((1u << bits) - 1));
    return v;
}

inline Bytes RandomBytes(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b) x = static_cast<uint8_t>(rng());
    return b;
}

inline Bytes Pack16(const std::vector<uint16_t>& v)
{
    Bytes b;
    for (uint16_t x : v) {
        b.push_back(static_cast<uint8_t>(x & 0xFF));
        b.push_back(static_cast<uint8_t>(x >> 8));
    }
    return b;
}

// GigE Vision "Packed": per pair, byte 0 and 2 are the high 8 bits of pixel 0 and 1, the
// middle byte carries their low bits (pixel 0 in bits 0.., pixel 1 in bits 4..).
inline Bytes PackGigE(const std::vector<uint16_t>& v, int bits)
{
    const int low = bits - 8;
    Bytes b;
    for (size_t i = 0; i < v.size(); i += 2) {
        const uint16_t p0 = v[i];
        const uint16_t p1 = i + 1 < v.size() ? v[i + 1] : 0;
        b.push_back(static_cast<uint8_t>(p0 >> low));
        b.push_back(static_cast<uint8_t>((p0 & ((1 << low) - 1)) | ((p1 & ((1 << low) - 1)) << 4)));
        if (i + 1 < v.size()) b.push_back(static_cast<uint8_t>(p1 >> low));
    }
    return b;
}

// PFNC "p": one little-endian bit stream, first pixel in the lowest bits.
inline Bytes PackBits(const std::vector<uint16_t>& v, int bits)
{
    Bytes b((v.size() * bits + 7) / 8, 0);
    size_t bit = 0;
    for (uint16_t x : v)
        for (int i = 0; i < bits; ++i, ++bit)
            if (x >> i & 1) b[bit / 8] = static_cast<uint8_t>(b[bit / 8] | (1 << (bit % 8)));
    return b;
}

struct Result {
    int status = 0;
    Bytes out;
    uint32_t dstLen = 0;
};

// Converts with the destination inside a guarded buffer; fails the test if anything beyond
// dstSize (or anything at all, on failure) was written. offset misaligns both buffers.
inline Result ConvertGuarded(Convert::Converter& c, uint32_t w, uint32_t h, uint32_t srcType, const Bytes& src,
                             uint32_t dstType, size_t dstSize, size_t offset = 0, uint32_t srcLen = UINT32_MAX)
{
    const size_t guard = 64;
    Bytes srcBuf(src.size() + offset + 1);
    std::memcpy(srcBuf.data() + offset, src.data(), src.size());
    Bytes dstBuf(dstSize + offset + guard, 0xA5);
    MvPixelConvertParamEx p{};
    p.nWidth = w;
    p.nHeight = h;
    p.enSrcPixelType = srcType;
    p.pSrcData = srcBuf.data() + offset;
    p.nSrcDataLen = srcLen == UINT32_MAX ? static_cast<uint32_t>(src.size()) : srcLen;
    p.enDstPixelType = dstType;
    p.pDstBuffer = dstBuf.data() + offset;
    p.nDstBufferSize = static_cast<uint32_t>(dstSize);
    p.nDstLen = 0xDEADBEEF;
    Result r;
    r.status = c.Convert(p);
    r.dstLen = p.nDstLen;
    // On success only the image may change, on failure nothing.
    const size_t from = offset + (r.status == 0 ? std::min<size_t>(r.dstLen, dstSize) : 0);
    for (size_t i = 0; i < dstBuf.size(); ++i)
        if (dstBuf[i] != 0xA5 && (i < offset || i >= from)) {
            ADD_FAILURE() << "byte " << i - offset << " written beyond the allowed area";
            break;
        }
    if (r.status == 0) r.out.assign(dstBuf.begin() + offset, dstBuf.begin() + offset + dstSize);
    return r;
}

inline Result ConvertGuarded(Convert::Converter& c, uint32_t w, uint32_t h, uint32_t srcType, const Bytes& src,
                             uint32_t dstType)
{
    return ConvertGuarded(c, w, h, srcType, src, dstType,
                          static_cast<size_t>(w) * h * (dstType == Convert::Pixel::Mono8 ? 1 : 3));
}

inline uint8_t RefLuma(int b, int g, int r)
{
    return static_cast<uint8_t>((29 * b + 150 * g + 77 * r + 128) >> 8);
}

}  // namespace ConvertTest
