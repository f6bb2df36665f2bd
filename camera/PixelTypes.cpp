#include "camera/PixelTypes.h"

namespace {

struct PixelTypeEntry {
    uint32_t code;
    const char* name;
};

constexpr uint32_t kHighBandwidth = 0x80000000u;

// The GigE Vision / PFNC codes of the SDK's pixel types; HB_ codes are the plain ones with
// the top bit set (the camera's lossless compression).
const PixelTypeEntry kPixelTypes[] = {
    {0x01010037u, "Mono1p"},
    {0x01020038u, "Mono2p"},
    {0x01040039u, "Mono4p"},
    {0x01080001u, "Mono8"},
    {0x01080002u, "Mono8_Signed"},
    {0x01100003u, "Mono10"},
    {0x010C0004u, "Mono10_Packed"},
    {0x01100005u, "Mono12"},
    {0x010C0006u, "Mono12_Packed"},
    {0x01100025u, "Mono14"},
    {0x01100007u, "Mono16"},
    {0x01080008u, "BayerGR8"},
    {0x01080009u, "BayerRG8"},
    {0x0108000Au, "BayerGB8"},
    {0x0108000Bu, "BayerBG8"},
    {0x01080046u, "BayerRBGG8"},
    {0x0110000Cu, "BayerGR10"},
    {0x0110000Du, "BayerRG10"},
    {0x0110000Eu, "BayerGB10"},
    {0x0110000Fu, "BayerBG10"},
    {0x01100010u, "BayerGR12"},
    {0x01100011u, "BayerRG12"},
    {0x01100012u, "BayerGB12"},
    {0x01100013u, "BayerBG12"},
    {0x010C0026u, "BayerGR10_Packed"},
    {0x010C0027u, "BayerRG10_Packed"},
    {0x010C0028u, "BayerGB10_Packed"},
    {0x010C0029u, "BayerBG10_Packed"},
    {0x010C002Au, "BayerGR12_Packed"},
    {0x010C002Bu, "BayerRG12_Packed"},
    {0x010C002Cu, "BayerGB12_Packed"},
    {0x010C002Du, "BayerBG12_Packed"},
    {0x0110002Eu, "BayerGR16"},
    {0x0110002Fu, "BayerRG16"},
    {0x01100030u, "BayerGB16"},
    {0x01100031u, "BayerBG16"},
    {0x02180014u, "RGB8_Packed"},
    {0x02180015u, "BGR8_Packed"},
    {0x02200016u, "RGBA8_Packed"},
    {0x02200017u, "BGRA8_Packed"},
    {0x02300018u, "RGB10_Packed"},
    {0x02300019u, "BGR10_Packed"},
    {0x0230001Au, "RGB12_Packed"},
    {0x0230001Bu, "BGR12_Packed"},
    {0x02300033u, "RGB16_Packed"},
    {0x0230004Bu, "BGR16_Packed"},
    {0x02400064u, "RGBA16_Packed"},
    {0x02400051u, "BGRA16_Packed"},
    {0x0220001Cu, "RGB10V1_Packed"},
    {0x0220001Du, "RGB10V2_Packed"},
    {0x02240034u, "RGB12V1_Packed"},
    {0x02100035u, "RGB565_Packed"},
    {0x02100036u, "BGR565_Packed"},
    {0x020C001Eu, "YUV411_Packed"},
    {0x0210001Fu, "YUV422_Packed"},
    {0x02100032u, "YUV422_YUYV_Packed"},
    {0x02180020u, "YUV444_Packed"},
    {0x0218003Au, "YCBCR8_CBYCR"},
    {0x0210003Bu, "YCBCR422_8"},
    {0x02100043u, "YCBCR422_8_CBYCRY"},
    {0x020C003Cu, "YCBCR411_8_CBYYCRYY"},
    {0x0218003Du, "YCBCR601_8_CBYCR"},
    {0x0210003Eu, "YCBCR601_422_8"},
    {0x02100044u, "YCBCR601_422_8_CBYCRY"},
    {0x020C003Fu, "YCBCR601_411_8_CBYYCRYY"},
    {0x02180040u, "YCBCR709_8_CBYCR"},
    {0x02100041u, "YCBCR709_422_8"},
    {0x02100045u, "YCBCR709_422_8_CBYCRY"},
    {0x020C0042u, "YCBCR709_411_8_CBYYCRYY"},
    {0x020C8001u, "YUV420SP_NV12"},
    {0x020C8002u, "YUV420SP_NV21"},
    {0x02180021u, "RGB8_Planar"},
    {0x02300022u, "RGB10_Planar"},
    {0x02300023u, "RGB12_Planar"},
    {0x02300024u, "RGB16_Planar"},
    {0x80180001u, "Jpeg"},
    {0x026000C0u, "Coord3D_ABC32f"},
    {0x026000C1u, "Coord3D_ABC32f_Planar"},
    {0x024000C2u, "Coord3D_AC32f"},
    {0x821C0001u, "COORD3D_DEPTH_PLUS_MASK"},
    {0x82603001u, "Coord3D_ABC32"},
    {0x82403002u, "Coord3D_AB32f"},
    {0x82403003u, "Coord3D_AB32"},
    {0x824000C2u, "Coord3D_AC32f_64"},
    {0x024000C3u, "Coord3D_AC32f_Planar"},
    {0x82403004u, "Coord3D_AC32"},
    {0x012000BDu, "Coord3D_A32f"},
    {0x81203005u, "Coord3D_A32"},
    {0x012000BFu, "Coord3D_C32f"},
    {0x81203006u, "Coord3D_C32"},
    {0x023000B9u, "Coord3D_ABC16"},
    {0x011000B8u, "Coord3D_C16"},
    {0x81200001u, "Float32"},
    {kHighBandwidth | 0x01080001u, "HB_Mono8"},
    {kHighBandwidth | 0x01100003u, "HB_Mono10"},
    {kHighBandwidth | 0x010C0004u, "HB_Mono10_Packed"},
    {kHighBandwidth | 0x01100005u, "HB_Mono12"},
    {kHighBandwidth | 0x010C0006u, "HB_Mono12_Packed"},
    {kHighBandwidth | 0x01100007u, "HB_Mono16"},
    {kHighBandwidth | 0x01080008u, "HB_BayerGR8"},
    {kHighBandwidth | 0x01080009u, "HB_BayerRG8"},
    {kHighBandwidth | 0x0108000Au, "HB_BayerGB8"},
    {kHighBandwidth | 0x0108000Bu, "HB_BayerBG8"},
    {kHighBandwidth | 0x01080046u, "HB_BayerRBGG8"},
    {kHighBandwidth | 0x0110000Cu, "HB_BayerGR10"},
    {kHighBandwidth | 0x0110000Du, "HB_BayerRG10"},
    {kHighBandwidth | 0x0110000Eu, "HB_BayerGB10"},
    {kHighBandwidth | 0x0110000Fu, "HB_BayerBG10"},
    {kHighBandwidth | 0x01100010u, "HB_BayerGR12"},
    {kHighBandwidth | 0x01100011u, "HB_BayerRG12"},
    {kHighBandwidth | 0x01100012u, "HB_BayerGB12"},
    {kHighBandwidth | 0x01100013u, "HB_BayerBG12"},
    {kHighBandwidth | 0x010C0026u, "HB_BayerGR10_Packed"},
    {kHighBandwidth | 0x010C0027u, "HB_BayerRG10_Packed"},
    {kHighBandwidth | 0x010C0028u, "HB_BayerGB10_Packed"},
    {kHighBandwidth | 0x010C0029u, "HB_BayerBG10_Packed"},
    {kHighBandwidth | 0x010C002Au, "HB_BayerGR12_Packed"},
    {kHighBandwidth | 0x010C002Bu, "HB_BayerRG12_Packed"},
    {kHighBandwidth | 0x010C002Cu, "HB_BayerGB12_Packed"},
    {kHighBandwidth | 0x010C002Du, "HB_BayerBG12_Packed"},
    {kHighBandwidth | 0x0210001Fu, "HB_YUV422_Packed"},
    {kHighBandwidth | 0x02100032u, "HB_YUV422_YUYV_Packed"},
    {kHighBandwidth | 0x02180014u, "HB_RGB8_Packed"},
    {kHighBandwidth | 0x02180015u, "HB_BGR8_Packed"},
    {kHighBandwidth | 0x02200016u, "HB_RGBA8_Packed"},
    {kHighBandwidth | 0x02200017u, "HB_BGRA8_Packed"},
    {kHighBandwidth | 0x02300033u, "HB_RGB16_Packed"},
    {kHighBandwidth | 0x0230004Bu, "HB_BGR16_Packed"},
    {kHighBandwidth | 0x02400064u, "HB_RGBA16_Packed"},
    {kHighBandwidth | 0x02400051u, "HB_BGRA16_Packed"},
};

static_assert(sizeof kPixelTypes / sizeof kPixelTypes[0] == 130, "one entry per SDK pixel type");

}  // namespace

const char* PixelTypeName(uint32_t code)
{
    for (const PixelTypeEntry& entry : kPixelTypes) {
        if (entry.code == code) return entry.name;
    }
    return "?";
}

bool IsBayerFormat(uint32_t code)
{
    return (code >= 0x01080008u && code <= 0x0108000Bu) || code == 0x01080046u ||
           (code >= 0x0110000Cu && code <= 0x01100013u) || (code >= 0x010C0026u && code <= 0x010C002Du) ||
           (code >= 0x0110002Eu && code <= 0x01100031u);
}
