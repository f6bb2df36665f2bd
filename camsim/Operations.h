// The SDK operations by name: call counting and fault injection address them this way.
#pragma once

#include <cstddef>
#include <string_view>

namespace CamSim {

enum class Op : unsigned {
    Initialize,
    Finalize,
    GetSDKVersion,
    EnumDevices,
    CreateHandleWithoutLog,
    DestroyHandle,
    OpenDevice,
    CloseDevice,
    RegisterExceptionCallBack,
    RegisterImageCallBackEx,
    RegisterImageCallBackForBGR,
    SetImageNodeNum,
    StartGrabbing,
    StopGrabbing,
    ConvertPixelTypeEx,
    SetBayerCvtQuality,
    SetBayerGammaValue,
    SetBayerCCMParamEx,
    SetCommandValue,
    IssueActionCommand,
    FeatureSave,
    FeatureLoad,
    GetGenICamXML,
    GetRootNode,
    GetChildren,
    GetNodeFeature,
    GetNodeAccessMode,
    InvalidateNodes,
    GetIntValueEx,
    SetIntValueEx,
    GetFloatValue,
    SetFloatValue,
    GetBoolValue,
    SetBoolValue,
    GetEnumValue,
    SetEnumValue,
    GetEnumEntrySymbolic,
    SetEnumValueByString,
    SetStringValue,
    Count
};

constexpr std::size_t kOpCount = static_cast<std::size_t>(Op::Count);

constexpr std::size_t Index(Op op)
{
    return static_cast<std::size_t>(op);
}

// The exported name, e.g. "MV_CC_EnumDevices".
const char* OpName(Op op);
// Exact, case-sensitive match on the exported name.
bool FindOp(std::string_view name, Op& op);
// Operations that answer a status code (all but GetSDKVersion).
bool ReturnsStatus(Op op);

}  // namespace CamSim
