// The one table of pixel-format codes: the standard PFNC / GigE Vision codes (bits 31..24
// mono or colour, bits 23..16 bits per pixel, bits 15..0 the format id; the top bit marks the
// camera's lossless high-bandwidth form). The SDK declarations, the converter and the camera
// all take their codes from here. Header-only constants, safe on any thread.
#pragma once

#include <cstdint>

namespace PixelFormats {

enum class PixelClass : uint8_t { Mono, Bayer, Rgb, Yuv, Other };

// Named: the driver knows the format by name (log lines, the pixel-type names); the codes
// without it only the converter handles. DriverBayer: the driver treats the format as a
// Bayer mosaic. HighBandwidth: the high-bandwidth form of the plain code with the top bit
// cleared, carrying the same pixels.
enum Flags : uint8_t { None = 0, Named = 1, DriverBayer = 2, HighBandwidth = 4 };
constexpr uint8_t operator|(Flags a, Flags b)
{
    return static_cast<uint8_t>(static_cast<uint8_t>(a) | b);
}
constexpr uint8_t operator|(uint8_t a, Flags b)
{
    return static_cast<uint8_t>(a | static_cast<uint8_t>(b));
}

struct PixelFormatInfo {
    uint32_t code;
    const char* name;
    uint32_t bits;  // bits per pixel as the code gives them
    PixelClass pixelClass;
    uint8_t flags;
};

// Bits 16 to 23 of a code are its bits per pixel.
constexpr uint32_t BitsOf(uint32_t code)
{
    return (code >> 16) & 0xFFu;
}

// X(name, code, class, flags)
#define ORNIC_PIXEL_FORMATS(X)                                                      \
    X(Mono1p, 0x01010037u, Mono, Named)                                             \
    X(Mono2p, 0x01020038u, Mono, Named)                                             \
    X(Mono4p, 0x01040039u, Mono, Named)                                             \
    X(Mono8, 0x01080001u, Mono, Named)                                              \
    X(Mono8_Signed, 0x01080002u, Mono, Named)                                       \
    X(Mono10, 0x01100003u, Mono, Named)                                             \
    X(Mono10_Packed, 0x010C0004u, Mono, Named)                                      \
    X(Mono12, 0x01100005u, Mono, Named)                                             \
    X(Mono12_Packed, 0x010C0006u, Mono, Named)                                      \
    X(Mono14, 0x01100025u, Mono, Named)                                             \
    X(Mono16, 0x01100007u, Mono, Named)                                             \
    X(BayerGR8, 0x01080008u, Bayer, Named | DriverBayer)                            \
    X(BayerRG8, 0x01080009u, Bayer, Named | DriverBayer)                            \
    X(BayerGB8, 0x0108000Au, Bayer, Named | DriverBayer)                            \
    X(BayerBG8, 0x0108000Bu, Bayer, Named | DriverBayer)                            \
    X(BayerRBGG8, 0x01080046u, Bayer, Named | DriverBayer)                          \
    X(BayerGR10, 0x0110000Cu, Bayer, Named | DriverBayer)                           \
    X(BayerRG10, 0x0110000Du, Bayer, Named | DriverBayer)                           \
    X(BayerGB10, 0x0110000Eu, Bayer, Named | DriverBayer)                           \
    X(BayerBG10, 0x0110000Fu, Bayer, Named | DriverBayer)                           \
    X(BayerGR12, 0x01100010u, Bayer, Named | DriverBayer)                           \
    X(BayerRG12, 0x01100011u, Bayer, Named | DriverBayer)                           \
    X(BayerGB12, 0x01100012u, Bayer, Named | DriverBayer)                           \
    X(BayerBG12, 0x01100013u, Bayer, Named | DriverBayer)                           \
    X(BayerGR10_Packed, 0x010C0026u, Bayer, Named | DriverBayer)                    \
    X(BayerRG10_Packed, 0x010C0027u, Bayer, Named | DriverBayer)                    \
    X(BayerGB10_Packed, 0x010C0028u, Bayer, Named | DriverBayer)                    \
    X(BayerBG10_Packed, 0x010C0029u, Bayer, Named | DriverBayer)                    \
    X(BayerGR12_Packed, 0x010C002Au, Bayer, Named | DriverBayer)                    \
    X(BayerRG12_Packed, 0x010C002Bu, Bayer, Named | DriverBayer)                    \
    X(BayerGB12_Packed, 0x010C002Cu, Bayer, Named | DriverBayer)                    \
    X(BayerBG12_Packed, 0x010C002Du, Bayer, Named | DriverBayer)                    \
    X(BayerGR16, 0x0110002Eu, Bayer, Named | DriverBayer)                           \
    X(BayerRG16, 0x0110002Fu, Bayer, Named | DriverBayer)                           \
    X(BayerGB16, 0x01100030u, Bayer, Named | DriverBayer)                           \
    X(BayerBG16, 0x01100031u, Bayer, Named | DriverBayer)                           \
    X(RGB8_Packed, 0x02180014u, Rgb, Named)                                         \
    X(BGR8_Packed, 0x02180015u, Rgb, Named)                                         \
    X(RGBA8_Packed, 0x02200016u, Rgb, Named)                                        \
    X(BGRA8_Packed, 0x02200017u, Rgb, Named)                                        \
    X(RGB10_Packed, 0x02300018u, Rgb, Named)                                        \
    X(BGR10_Packed, 0x02300019u, Rgb, Named)                                        \
    X(RGB12_Packed, 0x0230001Au, Rgb, Named)                                        \
    X(BGR12_Packed, 0x0230001Bu, Rgb, Named)                                        \
    X(RGB16_Packed, 0x02300033u, Rgb, Named)                                        \
    X(BGR16_Packed, 0x0230004Bu, Rgb, Named)                                        \
    X(RGBA16_Packed, 0x02400064u, Rgb, Named)                                       \
    X(BGRA16_Packed, 0x02400051u, Rgb, Named)                                       \
    X(RGB10V1_Packed, 0x0220001Cu, Rgb, Named)                                      \
    X(RGB10V2_Packed, 0x0220001Du, Rgb, Named)                                      \
    X(RGB12V1_Packed, 0x02240034u, Rgb, Named)                                      \
    X(RGB565_Packed, 0x02100035u, Rgb, Named)                                       \
    X(BGR565_Packed, 0x02100036u, Rgb, Named)                                       \
    X(YUV411_Packed, 0x020C001Eu, Yuv, Named)                                       \
    X(YUV422_Packed, 0x0210001Fu, Yuv, Named)                                       \
    X(YUV422_YUYV_Packed, 0x02100032u, Yuv, Named)                                  \
    X(YUV444_Packed, 0x02180020u, Yuv, Named)                                       \
    X(YCBCR8_CBYCR, 0x0218003Au, Yuv, Named)                                        \
    X(YCBCR422_8, 0x0210003Bu, Yuv, Named)                                          \
    X(YCBCR422_8_CBYCRY, 0x02100043u, Yuv, Named)                                   \
    X(YCBCR411_8_CBYYCRYY, 0x020C003Cu, Yuv, Named)                                 \
    X(YCBCR601_8_CBYCR, 0x0218003Du, Yuv, Named)                                    \
    X(YCBCR601_422_8, 0x0210003Eu, Yuv, Named)                                      \
    X(YCBCR601_422_8_CBYCRY, 0x02100044u, Yuv, Named)                               \
    X(YCBCR601_411_8_CBYYCRYY, 0x020C003Fu, Yuv, Named)                             \
    X(YCBCR709_8_CBYCR, 0x02180040u, Yuv, Named)                                    \
    X(YCBCR709_422_8, 0x02100041u, Yuv, Named)                                      \
    X(YCBCR709_422_8_CBYCRY, 0x02100045u, Yuv, Named)                               \
    X(YCBCR709_411_8_CBYYCRYY, 0x020C0042u, Yuv, Named)                             \
    X(YUV420SP_NV12, 0x020C8001u, Yuv, Named)                                       \
    X(YUV420SP_NV21, 0x020C8002u, Yuv, Named)                                       \
    X(RGB8_Planar, 0x02180021u, Rgb, Named)                                         \
    X(RGB10_Planar, 0x02300022u, Rgb, Named)                                        \
    X(RGB12_Planar, 0x02300023u, Rgb, Named)                                        \
    X(RGB16_Planar, 0x02300024u, Rgb, Named)                                        \
    X(Jpeg, 0x80180001u, Other, Named)                                              \
    X(Coord3D_ABC32f, 0x026000C0u, Other, Named)                                    \
    X(Coord3D_ABC32f_Planar, 0x026000C1u, Other, Named)                             \
    X(Coord3D_AC32f, 0x024000C2u, Other, Named)                                     \
    X(COORD3D_DEPTH_PLUS_MASK, 0x821C0001u, Other, Named)                           \
    X(Coord3D_ABC32, 0x82603001u, Other, Named)                                     \
    X(Coord3D_AB32f, 0x82403002u, Other, Named)                                     \
    X(Coord3D_AB32, 0x82403003u, Other, Named)                                      \
    X(Coord3D_AC32f_64, 0x824000C2u, Other, Named)                                  \
    X(Coord3D_AC32f_Planar, 0x024000C3u, Other, Named)                              \
    X(Coord3D_AC32, 0x82403004u, Other, Named)                                      \
    X(Coord3D_A32f, 0x012000BDu, Other, Named)                                      \
    X(Coord3D_A32, 0x81203005u, Other, Named)                                       \
    X(Coord3D_C32f, 0x012000BFu, Other, Named)                                      \
    X(Coord3D_C32, 0x81203006u, Other, Named)                                       \
    X(Coord3D_ABC16, 0x023000B9u, Other, Named)                                     \
    X(Coord3D_C16, 0x011000B8u, Other, Named)                                       \
    X(Float32, 0x81200001u, Other, Named)                                           \
    X(HB_Mono8, 0x81080001u, Mono, Named | HighBandwidth)                           \
    X(HB_Mono10, 0x81100003u, Mono, Named | HighBandwidth)                          \
    X(HB_Mono10_Packed, 0x810C0004u, Mono, Named | HighBandwidth)                   \
    X(HB_Mono12, 0x81100005u, Mono, Named | HighBandwidth)                          \
    X(HB_Mono12_Packed, 0x810C0006u, Mono, Named | HighBandwidth)                   \
    X(HB_Mono16, 0x81100007u, Mono, Named | HighBandwidth)                          \
    X(HB_BayerGR8, 0x81080008u, Bayer, Named | DriverBayer | HighBandwidth)         \
    X(HB_BayerRG8, 0x81080009u, Bayer, Named | DriverBayer | HighBandwidth)         \
    X(HB_BayerGB8, 0x8108000Au, Bayer, Named | DriverBayer | HighBandwidth)         \
    X(HB_BayerBG8, 0x8108000Bu, Bayer, Named | DriverBayer | HighBandwidth)         \
    X(HB_BayerRBGG8, 0x81080046u, Bayer, Named | DriverBayer | HighBandwidth)       \
    X(HB_BayerGR10, 0x8110000Cu, Bayer, Named | DriverBayer | HighBandwidth)        \
    X(HB_BayerRG10, 0x8110000Du, Bayer, Named | DriverBayer | HighBandwidth)        \
    X(HB_BayerGB10, 0x8110000Eu, Bayer, Named | DriverBayer | HighBandwidth)        \
    X(HB_BayerBG10, 0x8110000Fu, Bayer, Named | DriverBayer | HighBandwidth)        \
    X(HB_BayerGR12, 0x81100010u, Bayer, Named | DriverBayer | HighBandwidth)        \
    X(HB_BayerRG12, 0x81100011u, Bayer, Named | DriverBayer | HighBandwidth)        \
    X(HB_BayerGB12, 0x81100012u, Bayer, Named | DriverBayer | HighBandwidth)        \
    X(HB_BayerBG12, 0x81100013u, Bayer, Named | DriverBayer | HighBandwidth)        \
    X(HB_BayerGR10_Packed, 0x810C0026u, Bayer, Named | DriverBayer | HighBandwidth) \
    X(HB_BayerRG10_Packed, 0x810C0027u, Bayer, Named | DriverBayer | HighBandwidth) \
    X(HB_BayerGB10_Packed, 0x810C0028u, Bayer, Named | DriverBayer | HighBandwidth) \
    X(HB_BayerBG10_Packed, 0x810C0029u, Bayer, Named | DriverBayer | HighBandwidth) \
    X(HB_BayerGR12_Packed, 0x810C002Au, Bayer, Named | DriverBayer | HighBandwidth) \
    X(HB_BayerRG12_Packed, 0x810C002Bu, Bayer, Named | DriverBayer | HighBandwidth) \
    X(HB_BayerGB12_Packed, 0x810C002Cu, Bayer, Named | DriverBayer | HighBandwidth) \
    X(HB_BayerBG12_Packed, 0x810C002Du, Bayer, Named | DriverBayer | HighBandwidth) \
    X(HB_YUV422_Packed, 0x8210001Fu, Yuv, Named | HighBandwidth)                    \
    X(HB_YUV422_YUYV_Packed, 0x82100032u, Yuv, Named | HighBandwidth)               \
    X(HB_RGB8_Packed, 0x82180014u, Rgb, Named | HighBandwidth)                      \
    X(HB_BGR8_Packed, 0x82180015u, Rgb, Named | HighBandwidth)                      \
    X(HB_RGBA8_Packed, 0x82200016u, Rgb, Named | HighBandwidth)                     \
    X(HB_BGRA8_Packed, 0x82200017u, Rgb, Named | HighBandwidth)                     \
    X(HB_RGB16_Packed, 0x82300033u, Rgb, Named | HighBandwidth)                     \
    X(HB_BGR16_Packed, 0x8230004Bu, Rgb, Named | HighBandwidth)                     \
    X(HB_RGBA16_Packed, 0x82400064u, Rgb, Named | HighBandwidth)                    \
    X(HB_BGRA16_Packed, 0x82400051u, Rgb, Named | HighBandwidth)                    \
    X(Mono10p, 0x010A0046u, Mono, None)                                             \
    X(Mono12p, 0x010C0047u, Mono, None)                                             \
    X(BayerBG10p, 0x010A0052u, Bayer, None)                                         \
    X(BayerBG12p, 0x010C0053u, Bayer, None)                                         \
    X(BayerGB10p, 0x010A0054u, Bayer, None)                                         \
    X(BayerGB12p, 0x010C0055u, Bayer, None)                                         \
    X(BayerGR10p, 0x010A0056u, Bayer, None)                                         \
    X(BayerGR12p, 0x010C0057u, Bayer, None)                                         \
    X(BayerRG10p, 0x010A0058u, Bayer, None)                                         \
    X(BayerRG12p, 0x010C0059u, Bayer, None)                                         \
    X(RGBA10, 0x0240005Fu, Rgb, None)                                               \
    X(RGBA12, 0x02400061u, Rgb, None)                                               \
    X(BGRA10, 0x0240004Cu, Rgb, None)                                               \
    X(BGRA12, 0x0240004Eu, Rgb, None)

namespace Code {
#define ORNIC_PIXEL_CODE(name, code, cls, flags) constexpr uint32_t name = code;
ORNIC_PIXEL_FORMATS(ORNIC_PIXEL_CODE)
#undef ORNIC_PIXEL_CODE
}  // namespace Code

inline constexpr PixelFormatInfo kTable[] = {
#define ORNIC_PIXEL_ENTRY(name, code, cls, flags) {code, #name, BitsOf(code), PixelClass::cls, flags},
    ORNIC_PIXEL_FORMATS(ORNIC_PIXEL_ENTRY)
#undef ORNIC_PIXEL_ENTRY
};

// The table's entry of a code, or null.
inline const PixelFormatInfo* Find(uint32_t code)
{
    for (const PixelFormatInfo& entry : kTable) {
        if (entry.code == code) return &entry;
    }
    return nullptr;
}

inline bool Has(uint32_t code, Flags flag)
{
    const PixelFormatInfo* entry = Find(code);
    return entry != nullptr && (entry->flags & flag) != 0;
}

constexpr uint32_t kHighBandwidthBit = 0x80000000u;

// The plain code of a high-bandwidth code; any other code as it is.
inline uint32_t PlainCode(uint32_t code)
{
    return Has(code, HighBandwidth) ? code & ~kHighBandwidthBit : code;
}

}  // namespace PixelFormats
