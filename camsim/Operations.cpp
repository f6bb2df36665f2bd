#include "camsim/Operations.h"

#include <array>

namespace CamSim {

namespace {

// In the order of Op.
constexpr std::array<const char*, kOpCount> kNames = {
    "MV_CC_Initialize",
    "MV_CC_Finalize",
    "MV_CC_GetSDKVersion",
    "MV_CC_EnumDevices",
    "MV_CC_CreateHandleWithoutLog",
    "MV_CC_DestroyHandle",
    "MV_CC_OpenDevice",
    "MV_CC_CloseDevice",
    "MV_CC_RegisterExceptionCallBack",
    "MV_CC_RegisterImageCallBackEx",
    "MV_CC_RegisterImageCallBackForBGR",
    "MV_CC_SetImageNodeNum",
    "MV_CC_StartGrabbing",
    "MV_CC_StopGrabbing",
    "MV_CC_ConvertPixelTypeEx",
    "MV_CC_SetBayerCvtQuality",
    "MV_CC_SetBayerGammaValue",
    "MV_CC_SetBayerCCMParamEx",
    "MV_CC_SetCommandValue",
    "MV_GIGE_IssueActionCommand",
    "MV_CC_FeatureSave",
    "MV_CC_FeatureLoad",
    "MV_XML_GetGenICamXML",
    "MV_XML_GetRootNode",
    "MV_XML_GetChildren",
    "MV_XML_GetNodeFeature",
    "MV_XML_GetNodeAccessMode",
    "MV_CC_InvalidateNodes",
    "MV_CC_GetIntValueEx",
    "MV_CC_SetIntValueEx",
    "MV_CC_GetFloatValue",
    "MV_CC_SetFloatValue",
    "MV_CC_GetBoolValue",
    "MV_CC_SetBoolValue",
    "MV_CC_GetEnumValue",
    "MV_CC_SetEnumValue",
    "MV_CC_GetEnumEntrySymbolic",
    "MV_CC_SetEnumValueByString",
    "MV_CC_SetStringValue",
};

}  // namespace

const char* OpName(Op op)
{
    return Index(op) < kOpCount ? kNames[Index(op)] : "";
}

bool FindOp(std::string_view name, Op& op)
{
    for (std::size_t i = 0; i < kOpCount; ++i) {
        if (name == kNames[i]) {
            op = static_cast<Op>(i);
            return true;
        }
    }
    return false;
}

bool ReturnsStatus(Op op)
{
    return op != Op::GetSDKVersion;
}

}  // namespace CamSim
