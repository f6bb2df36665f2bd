// Operations not simulated yet still check their arguments, count their calls and honour
// injected faults, and then answer "not supported".
#include <cmath>
#include <functional>
#include <limits>

#include "SimTestSupport.h"

namespace SimTest {
namespace {

using NotSimulated = SimFixture;

// Calls one operation with the given handle; withPointers false passes null for every
// pointer the operation needs besides the handle.
struct Case {
    const char* name;
    bool takesPointers;
    std::function<int(void* handle, bool withPointers)> call;
};

std::vector<Case> HandleCases()
{
    static unsigned char pixels[16];
    static MvPixelConvertParamEx convert{};
    convert.pSrcData = pixels;
    convert.pDstBuffer = pixels;
    static MvCcmParamEx ccm{};
    static MvXmlNode node{};
    static MvXmlNodeList nodes{};
    static MvXmlFeatureInteger feature{};
    static MvXmlAccessMode mode{};
    static MvIntValueEx intValue{};
    static MvFloatValue floatValue{};
    static int boolValue = 0;
    static MvEnumValue enumValue{};
    static MvEnumEntry entry{};
    static unsigned int length = 0;
    auto p = [](bool with, auto* pointer) { return with ? pointer : nullptr; };
    auto name = [](bool with) { return with ? "Width" : nullptr; };
    return {
        {"MV_CC_DestroyHandle", false, [](void* h, bool) { return MV_CC_DestroyHandle(h); }},
        {"MV_CC_OpenDevice", false, [](void* h, bool) { return MV_CC_OpenDevice(h, 1, 0); }},
        {"MV_CC_CloseDevice", false, [](void* h, bool) { return MV_CC_CloseDevice(h); }},
        {"MV_CC_RegisterExceptionCallBack", false,
         [](void* h, bool) { return MV_CC_RegisterExceptionCallBack(h, nullptr, nullptr); }},
        {"MV_CC_RegisterImageCallBackEx", false,
         [](void* h, bool) { return MV_CC_RegisterImageCallBackEx(h, nullptr, nullptr); }},
        {"MV_CC_RegisterImageCallBackForBGR", false,
         [](void* h, bool) { return MV_CC_RegisterImageCallBackForBGR(h, nullptr, nullptr); }},
        {"MV_CC_SetImageNodeNum", false, [](void* h, bool) { return MV_CC_SetImageNodeNum(h, 3); }},
        {"MV_CC_StartGrabbing", false, [](void* h, bool) { return MV_CC_StartGrabbing(h); }},
        {"MV_CC_StopGrabbing", false, [](void* h, bool) { return MV_CC_StopGrabbing(h); }},
        {"MV_CC_ConvertPixelTypeEx", true, [=](void* h, bool w) { return MV_CC_ConvertPixelTypeEx(h, p(w, &convert)); }},
        {"MV_CC_SetBayerCvtQuality", false, [](void* h, bool) { return MV_CC_SetBayerCvtQuality(h, 1); }},
        {"MV_CC_SetBayerGammaValue", false, [](void* h, bool) { return MV_CC_SetBayerGammaValue(h, 0.7f); }},
        {"MV_CC_SetBayerCCMParamEx", true, [=](void* h, bool w) { return MV_CC_SetBayerCCMParamEx(h, p(w, &ccm)); }},
        {"MV_CC_SetCommandValue", true, [=](void* h, bool w) { return MV_CC_SetCommandValue(h, name(w)); }},
        {"MV_CC_FeatureSave", true, [=](void* h, bool w) { return MV_CC_FeatureSave(h, name(w)); }},
        {"MV_CC_FeatureLoad", true, [=](void* h, bool w) { return MV_CC_FeatureLoad(h, name(w)); }},
        {"MV_XML_GetGenICamXML", true,
         [=](void* h, bool w) { return MV_XML_GetGenICamXML(h, pixels, sizeof pixels, p(w, &length)); }},
        {"MV_XML_GetRootNode", true, [=](void* h, bool w) { return MV_XML_GetRootNode(h, p(w, &node)); }},
        {"MV_XML_GetChildren", true, [=](void* h, bool w) { return MV_XML_GetChildren(h, &node, p(w, &nodes)); }},
        {"MV_XML_GetNodeFeature", true,
         [=](void* h, bool w) { return MV_XML_GetNodeFeature(h, &node, p(w, &feature)); }},
        {"MV_XML_GetNodeAccessMode", true,
         [=](void* h, bool w) { return MV_XML_GetNodeAccessMode(h, "Width", p(w, &mode)); }},
        {"MV_CC_InvalidateNodes", false, [](void* h, bool) { return MV_CC_InvalidateNodes(h); }},
        {"MV_CC_GetIntValueEx", true, [=](void* h, bool w) { return MV_CC_GetIntValueEx(h, "Width", p(w, &intValue)); }},
        {"MV_CC_SetIntValueEx", true, [=](void* h, bool w) { return MV_CC_SetIntValueEx(h, name(w), 640); }},
        {"MV_CC_GetFloatValue", true,
         [=](void* h, bool w) { return MV_CC_GetFloatValue(h, "Gain", p(w, &floatValue)); }},
        {"MV_CC_SetFloatValue", true, [=](void* h, bool w) { return MV_CC_SetFloatValue(h, name(w), 1.5f); }},
        {"MV_CC_GetBoolValue", true, [=](void* h, bool w) { return MV_CC_GetBoolValue(h, "ReverseX", p(w, &boolValue)); }},
        {"MV_CC_SetBoolValue", true, [=](void* h, bool w) { return MV_CC_SetBoolValue(h, name(w), 1); }},
        {"MV_CC_GetEnumValue", true,
         [=](void* h, bool w) { return MV_CC_GetEnumValue(h, "PixelFormat", p(w, &enumValue)); }},
        {"MV_CC_SetEnumValue", true, [=](void* h, bool w) { return MV_CC_SetEnumValue(h, name(w), 1); }},
        {"MV_CC_GetEnumEntrySymbolic", true,
         [=](void* h, bool w) { return MV_CC_GetEnumEntrySymbolic(h, "PixelFormat", p(w, &entry)); }},
        {"MV_CC_SetEnumValueByString", true,
         [=](void* h, bool w) { return MV_CC_SetEnumValueByString(h, "PixelFormat", w ? "Mono8" : nullptr); }},
        {"MV_CC_SetStringValue", true,
         [=](void* h, bool w) { return MV_CC_SetStringValue(h, "DeviceUserID", w ? "left" : nullptr); }},
    };
}

TEST_F(NotSimulated, HandleOperationsCheckArgumentsThenAnswerNotSupported)
{
    int anything = 0;
    void* handle = &anything;  // no handle can be created yet; any non-null one gets this far
    for (const Case& c : HandleCases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Code(c.call(nullptr, true)), MV_E_HANDLE);
        if (c.takesPointers) {
            EXPECT_EQ(Code(c.call(handle, false)), MV_E_PARAMETER);
        }
        EXPECT_EQ(Code(c.call(handle, true)), MV_E_SUPPORT);
        // The calls are counted under the operation's own name.
        EXPECT_EQ(CamSim_GetCallCount(c.name), c.takesPointers ? 3u : 2u);
        ASSERT_EQ(Code(CamSim_FailNext(c.name, 1, MV_E_BUSY)), MV_OK);
        EXPECT_EQ(Code(c.call(handle, true)), MV_E_BUSY);
        EXPECT_EQ(Code(c.call(handle, true)), MV_E_SUPPORT);
    }
}

TEST_F(NotSimulated, ValueChecksBeyondNullPointers)
{
    int anything = 0;
    void* handle = &anything;
    EXPECT_EQ(Code(MV_CC_SetImageNodeNum(handle, 0)), MV_E_PARAMETER);
    EXPECT_EQ(Code(MV_CC_SetBayerGammaValue(handle, 0.0f)), MV_E_PARAMETER);
    EXPECT_EQ(Code(MV_CC_SetBayerGammaValue(handle, std::numeric_limits<float>::quiet_NaN())), MV_E_PARAMETER);
    MvPixelConvertParamEx convert{};
    EXPECT_EQ(Code(MV_CC_ConvertPixelTypeEx(handle, &convert)), MV_E_PARAMETER);
    unsigned int length = 0;
    EXPECT_EQ(Code(MV_XML_GetGenICamXML(handle, nullptr, 0, &length)), MV_E_SUPPORT);
    EXPECT_EQ(Code(MV_XML_GetGenICamXML(handle, nullptr, 100, &length)), MV_E_PARAMETER);
}

TEST_F(NotSimulated, HandleCreationAndActionCommands)
{
    MvDeviceInfo device{};
    void* handle = &device;
    EXPECT_EQ(Code(MV_CC_CreateHandleWithoutLog(nullptr, &device)), MV_E_PARAMETER);
    EXPECT_EQ(Code(MV_CC_CreateHandleWithoutLog(&handle, nullptr)), MV_E_PARAMETER);
    EXPECT_EQ(handle, nullptr);  // never left dangling on failure
    handle = &device;
    EXPECT_EQ(Code(MV_CC_CreateHandleWithoutLog(&handle, &device)), MV_E_SUPPORT);
    EXPECT_EQ(handle, nullptr);

    MvActionCmdInfo info{};
    MvActionCmdResultList results{};
    EXPECT_EQ(Code(MV_GIGE_IssueActionCommand(nullptr, &results)), MV_E_PARAMETER);
    EXPECT_EQ(Code(MV_GIGE_IssueActionCommand(&info, nullptr)), MV_E_PARAMETER);
    EXPECT_EQ(Code(MV_GIGE_IssueActionCommand(&info, &results)), MV_E_PARAMETER);  // no broadcast address
    info.pBroadcastAddress = "255.255.255.255";
    EXPECT_EQ(Code(MV_GIGE_IssueActionCommand(&info, &results)), MV_E_SUPPORT);
    EXPECT_EQ(CamSim_GetCallCount("MV_GIGE_IssueActionCommand"), 4u);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_CreateHandleWithoutLog"), 3u);
}

}  // namespace
}  // namespace SimTest
