// Names of the SDK's pixel types for log lines, and the pixel-type tests the camera needs.
#pragma once

#include <cstdint>

// "Mono8", "BayerRG12_Packed", ... (the name behind "PixelType_Gvsp_"); "?" when unknown.
const char* PixelTypeName(uint32_t code);
bool IsBayerFormat(uint32_t code);

constexpr uint32_t kPixelMono8 = 0x01080001u;
constexpr uint32_t kPixelBgr8 = 0x02180015u;
constexpr uint32_t kPixelMonoFlag = 0x01000000u;
constexpr uint32_t kPixelColourFlag = 0x02000000u;
// Bits 16 to 23: bits per pixel.
constexpr uint32_t PixelBits(uint32_t code)
{
    return (code >> 16) & 0xFFu;
}
