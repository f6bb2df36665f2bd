// Pixel conversion through the SDK: the conversion operations on a handle, and frames
// delivered as BGR8 through MV_CC_RegisterImageCallBackForBGR from the camera's own format.
#include <functional>
#include <vector>

#include "StreamSupport.h"

namespace SimTest {
namespace {

using Conversion = SimFixture;

struct Case {
    const char* name;
    bool takesPointer;
    std::function<int(void* handle, bool withPointer)> call;
};

std::vector<Case> HandleCases()
{
    static unsigned char source[4] = {0, 64, 128, 255};
    static unsigned char target[12];
    static MvPixelConvertParamEx convert{};
    convert.nWidth = 4;
    convert.nHeight = 1;
    convert.enSrcPixelType = PixelType_Mono8;
    convert.pSrcData = source;
    convert.nSrcDataLen = sizeof source;
    convert.enDstPixelType = PixelType_BGR8_Packed;
    convert.pDstBuffer = target;
    convert.nDstBufferSize = sizeof target;
    static MvCcmParamEx ccm{};
    auto p = [](bool with, auto* pointer) { return with ? pointer : nullptr; };
    return {
        {"MV_CC_ConvertPixelTypeEx", true,
         [=](void* h, bool w) { return MV_CC_ConvertPixelTypeEx(h, p(w, &convert)); }},
        {"MV_CC_SetBayerCvtQuality", false, [](void* h, bool) { return MV_CC_SetBayerCvtQuality(h, 1); }},
        {"MV_CC_SetBayerGammaValue", false, [](void* h, bool) { return MV_CC_SetBayerGammaValue(h, 0.7f); }},
        {"MV_CC_SetBayerCCMParamEx", true, [=](void* h, bool w) { return MV_CC_SetBayerCCMParamEx(h, p(w, &ccm)); }},
    };
}

TEST_F(Conversion, OperationsCheckTheHandleCountAndHonourFaults)
{
    void* handle = CreateHandle(0);  // conversion needs no open device
    ASSERT_NE(handle, nullptr);
    int anything = 0;
    CamSim_ResetCallCounts();
    for (const Case& c : HandleCases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Code(c.call(nullptr, true)), MV_E_HANDLE);
        EXPECT_EQ(Code(c.call(&anything, true)), MV_E_HANDLE);  // not a handle the SDK made
        if (c.takesPointer) {
            EXPECT_EQ(Code(c.call(handle, false)), MV_E_PARAMETER);
        }
        EXPECT_EQ(Code(c.call(handle, true)), MV_OK);
        EXPECT_EQ(CamSim_GetCallCount(c.name), c.takesPointer ? 4u : 3u);
        ASSERT_EQ(Code(CamSim_FailNext(c.name, 1, MV_E_BUSY)), MV_OK);
        EXPECT_EQ(Code(c.call(handle, true)), MV_E_BUSY);
        EXPECT_EQ(Code(c.call(handle, true)), MV_OK);
    }
    EXPECT_EQ(Code(MV_CC_SetBayerGammaValue(handle, 0.0f)), MV_E_PARAMETER);
    EXPECT_EQ(Code(MV_CC_SetBayerCvtQuality(handle, 3)), MV_E_PARAMETER);
}

TEST_F(Conversion, ConvertsABufferAndRefusesTooSmallTargets)
{
    void* handle = CreateHandle(0);
    ASSERT_NE(handle, nullptr);
    unsigned char source[4] = {0, 64, 128, 255};
    unsigned char target[13] = {};
    target[12] = 0xA5;  // guard byte
    MvPixelConvertParamEx request{};
    request.nWidth = 4;
    request.nHeight = 1;
    request.enSrcPixelType = PixelType_Mono8;
    request.pSrcData = source;
    request.nSrcDataLen = sizeof source;
    request.enDstPixelType = PixelType_BGR8_Packed;
    request.pDstBuffer = target;
    request.nDstBufferSize = 12;
    ASSERT_EQ(Code(MV_CC_ConvertPixelTypeEx(handle, &request)), MV_OK);
    EXPECT_EQ(request.nDstLen, 12u);
    for (int x = 0; x < 4; ++x) {
        for (int c = 0; c < 3; ++c) EXPECT_EQ(target[x * 3 + c], source[x]) << x << "," << c;
    }
    EXPECT_EQ(target[12], 0xA5);
    request.nDstBufferSize = 11;
    EXPECT_NE(Code(MV_CC_ConvertPixelTypeEx(handle, &request)), MV_OK);
}

class BgrDelivery : public SimFixture {
protected:
    void Grab(void* handle, FrameCollector& frames)
    {
        ASSERT_EQ(Code(MV_CC_SetImageNodeNum(handle, 3)), MV_OK);
        ASSERT_EQ(Code(MV_CC_RegisterImageCallBackForBGR(handle, &FrameCollector::OnFrame, &frames)), MV_OK);
        ASSERT_EQ(Code(MV_CC_StartGrabbing(handle)), MV_OK);
        ASSERT_TRUE(frames.WaitFor(2));
        ASSERT_EQ(Code(MV_CC_StopGrabbing(handle)), MV_OK);
    }
};

TEST_F(BgrDelivery, BayerFramesArriveAsTheColourBarsInBgr)
{
    void* colour = OpenHandle(1);  // Bayer RG; it starts in Mono8
    ASSERT_NE(colour, nullptr);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(colour, "PixelFormat", "BayerRG8")), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(colour, "Width", 128)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(colour, "Height", 64)), MV_OK);
    FrameCollector frames;
    Grab(colour, frames);
    const Frame frame = frames.Frames().at(1);
    EXPECT_EQ(frame.info.enPixelType, static_cast<uint32_t>(PixelType_BGR8_Packed));
    EXPECT_EQ(frame.info.nFrameLen, 128u * 64u * 3u);
    ASSERT_EQ(frame.data.size(), 128u * 64u * 3u);
    // Eight bars of 16 pixels: white, yellow, cyan, green, magenta, red, blue, black. Inside
    // a bar every demosaicing method gives the bar's colour back (frame number pixels aside).
    const unsigned char bars[8][3] = {{255, 255, 255}, {0, 255, 255}, {255, 255, 0}, {0, 255, 0},
                                      {255, 0, 255},   {0, 0, 255},   {255, 0, 0},   {0, 0, 0}};
    const size_t row = 8;
    for (size_t bar = 0; bar < 8; ++bar) {
        const size_t x = bar * 16 + 8;
        const unsigned char* pixel = &frame.data[(row * 128 + x) * 3];
        for (int c = 0; c < 3; ++c) EXPECT_EQ(pixel[c], bars[bar][c]) << "bar " << bar << " channel " << c;
    }
}

TEST_F(BgrDelivery, MonoFramesArriveAsGreyBgr)
{
    void* mono = OpenHandle(0);
    ASSERT_NE(mono, nullptr);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 64)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(mono, "Height", 64)), MV_OK);
    FrameCollector frames;
    Grab(mono, frames);
    const Frame frame = frames.Frames().at(1);
    ASSERT_EQ(frame.data.size(), 64u * 64u * 3u);
    // Grey level (x + y) mod 256, the same in all three channels; row 0 holds the frame number.
    for (size_t y = 1; y < 8; ++y) {
        for (size_t x = 0; x < 64; x += 9) {
            for (int c = 0; c < 3; ++c) ASSERT_EQ(frame.data[(y * 64 + x) * 3 + c], (x + y) % 256) << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace SimTest
