// Names of the SDK's pixel types for log lines, and the pixel-type tests the camera needs.
#pragma once

#include <cstdint>

#include "sdk/PixelFormats.h"

// "Mono8", "BayerRG12_Packed", ... (the name behind "PixelType_Gvsp_"); "?" when unknown.
const char* PixelTypeName(uint32_t code);
bool IsBayerFormat(uint32_t code);
// The format the SDK's conversion is asked to read a frame as. Its conversion knows only the
// plain codes, and a high-bandwidth frame carries the pixels of its plain format.
inline uint32_t ConversionSourceFormat(uint32_t code)
{
    return PixelFormats::PlainCode(code);
}

constexpr uint32_t kPixelMono8 = PixelFormats::Code::Mono8;
constexpr uint32_t kPixelBgr8 = PixelFormats::Code::BGR8_Packed;
constexpr uint32_t kPixelMonoFlag = 0x01000000u;
constexpr uint32_t kPixelColourFlag = 0x02000000u;
constexpr uint32_t PixelBits(uint32_t code)
{
    return PixelFormats::BitsOf(code);
}
