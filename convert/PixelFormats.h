// Pixel-format codes the converter understands, beyond the ones sdk/MvSdk.h names. The
// values are the standard PFNC / GigE Vision codes: bits 31..24 mono/colour, bits 23..16
// bits per pixel, bits 15..0 the format id.
#pragma once

#include <cstdint>

namespace Convert {
namespace Pixel {

constexpr uint32_t Mono8 = 0x01080001;
constexpr uint32_t Mono10 = 0x01100003;
constexpr uint32_t Mono10Packed = 0x010C0004;  // GigE Vision: 2 pixels in 3 bytes
constexpr uint32_t Mono12 = 0x01100005;
constexpr uint32_t Mono12Packed = 0x010C0006;  // GigE Vision: 2 pixels in 3 bytes
constexpr uint32_t Mono14 = 0x01100025;
constexpr uint32_t Mono16 = 0x01100007;
constexpr uint32_t Mono10p = 0x010A0046;  // PFNC: little-endian bit stream, 4 pixels in 5 bytes
constexpr uint32_t Mono12p = 0x010C0047;  // PFNC: little-endian bit stream, 2 pixels in 3 bytes

constexpr uint32_t BayerGR8 = 0x01080008;
constexpr uint32_t BayerRG8 = 0x01080009;
constexpr uint32_t BayerGB8 = 0x0108000A;
constexpr uint32_t BayerBG8 = 0x0108000B;
constexpr uint32_t BayerGR10 = 0x0110000C;
constexpr uint32_t BayerRG10 = 0x0110000D;
constexpr uint32_t BayerGB10 = 0x0110000E;
constexpr uint32_t BayerBG10 = 0x0110000F;
constexpr uint32_t BayerGR12 = 0x01100010;
constexpr uint32_t BayerRG12 = 0x01100011;
constexpr uint32_t BayerGB12 = 0x01100012;
constexpr uint32_t BayerBG12 = 0x01100013;
constexpr uint32_t BayerGR16 = 0x0110002E;
constexpr uint32_t BayerRG16 = 0x0110002F;
constexpr uint32_t BayerGB16 = 0x01100030;
constexpr uint32_t BayerBG16 = 0x01100031;
constexpr uint32_t BayerGR10Packed = 0x010C0026;
constexpr uint32_t BayerRG10Packed = 0x010C0027;
constexpr uint32_t BayerGB10Packed = 0x010C0028;
constexpr uint32_t BayerBG10Packed = 0x010C0029;
constexpr uint32_t BayerGR12Packed = 0x010C002A;
constexpr uint32_t BayerRG12Packed = 0x010C002B;
constexpr uint32_t BayerGB12Packed = 0x010C002C;
constexpr uint32_t BayerBG12Packed = 0x010C002D;
constexpr uint32_t BayerBG10p = 0x010A0052;
constexpr uint32_t BayerBG12p = 0x010C0053;
constexpr uint32_t BayerGB10p = 0x010A0054;
constexpr uint32_t BayerGB12p = 0x010C0055;
constexpr uint32_t BayerGR10p = 0x010A0056;
constexpr uint32_t BayerGR12p = 0x010C0057;
constexpr uint32_t BayerRG10p = 0x010A0058;
constexpr uint32_t BayerRG12p = 0x010C0059;

constexpr uint32_t RGB8 = 0x02180014;
constexpr uint32_t BGR8 = 0x02180015;
constexpr uint32_t RGBA8 = 0x02200016;
constexpr uint32_t BGRA8 = 0x02200017;
constexpr uint32_t RGB10 = 0x02300018;
constexpr uint32_t BGR10 = 0x02300019;
constexpr uint32_t RGB12 = 0x0230001A;
constexpr uint32_t BGR12 = 0x0230001B;
constexpr uint32_t RGB16 = 0x02300033;
constexpr uint32_t BGR16 = 0x0230004B;
constexpr uint32_t RGBA10 = 0x0240005F;
constexpr uint32_t RGBA12 = 0x02400061;
constexpr uint32_t RGBA16 = 0x02400064;
constexpr uint32_t BGRA10 = 0x0240004C;
constexpr uint32_t BGRA12 = 0x0240004E;
constexpr uint32_t BGRA16 = 0x02400051;
constexpr uint32_t RGB8Planar = 0x02180021;
constexpr uint32_t RGB565p = 0x02100035;  // 16-bit little-endian word: R bits 0-4, G 5-10, B 11-15
constexpr uint32_t BGR565p = 0x02100036;  // B bits 0-4, G 5-10, R 11-15

constexpr uint32_t YUV411UYYVYY = 0x020C001E;  // U Y Y V Y Y: 4 pixels in 6 bytes
constexpr uint32_t YUV422UYVY = 0x0210001F;
constexpr uint32_t YUV422YUYV = 0x02100032;
constexpr uint32_t YUV444UYV = 0x02180020;

}  // namespace Pixel
}  // namespace Convert
