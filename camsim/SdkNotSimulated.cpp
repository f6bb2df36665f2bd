// SDK operations the simulator does not carry out yet. Each one counts its call, honours
// injected faults and checks its arguments as the finished operation will, then answers
// MV_E_SUPPORT, so a driver meeting one takes its "not supported" path instead of crashing.
#include <cmath>
#include <initializer_list>

#include "camsim/ApiGuard.h"
#include "camsim/Simulator.h"

namespace {

using CamSim::Op;

int NotSimulated(Op op, uint32_t argumentStatus)
{
    return CamSim::Guarded([&] {
        const uint32_t injected = CamSim::Simulator::Instance().BeginCall(op);
        if (injected != MV_OK) {
            return injected;
        }
        return argumentStatus != MV_OK ? argumentStatus : MV_E_SUPPORT;
    });
}

uint32_t Pointers(std::initializer_list<const void*> required)
{
    for (const void* pointer : required) {
        if (pointer == nullptr) {
            return MV_E_PARAMETER;
        }
    }
    return MV_OK;
}

uint32_t Handle(const void* handle, std::initializer_list<const void*> required = {})
{
    return handle == nullptr ? MV_E_HANDLE : Pointers(required);
}

}  // namespace

extern "C" {

MV_SDK_API int MV_SDK_CALL MV_CC_CreateHandleWithoutLog(void** handle, const MvDeviceInfo* device)
{
    if (handle != nullptr) {
        *handle = nullptr;
    }
    return NotSimulated(Op::CreateHandleWithoutLog, Pointers({handle, device}));
}

MV_SDK_API int MV_SDK_CALL MV_CC_DestroyHandle(void* handle)
{
    return NotSimulated(Op::DestroyHandle, Handle(handle));
}

MV_SDK_API int MV_SDK_CALL MV_CC_OpenDevice(void* handle, unsigned int, unsigned short)
{
    return NotSimulated(Op::OpenDevice, Handle(handle));
}

MV_SDK_API int MV_SDK_CALL MV_CC_CloseDevice(void* handle)
{
    return NotSimulated(Op::CloseDevice, Handle(handle));
}

// A null callback unregisters, so only the handle is checked.
MV_SDK_API int MV_SDK_CALL MV_CC_RegisterExceptionCallBack(void* handle, MvExceptionCallback, void*)
{
    return NotSimulated(Op::RegisterExceptionCallBack, Handle(handle));
}

MV_SDK_API int MV_SDK_CALL MV_CC_RegisterImageCallBackEx(void* handle, MvImageCallback, void*)
{
    return NotSimulated(Op::RegisterImageCallBackEx, Handle(handle));
}

MV_SDK_API int MV_SDK_CALL MV_CC_RegisterImageCallBackForBGR(void* handle, MvImageCallback, void*)
{
    return NotSimulated(Op::RegisterImageCallBackForBGR, Handle(handle));
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetImageNodeNum(void* handle, unsigned int count)
{
    const uint32_t check = Handle(handle);
    return NotSimulated(Op::SetImageNodeNum, check != MV_OK ? check : count == 0 ? MV_E_PARAMETER : MV_OK);
}

MV_SDK_API int MV_SDK_CALL MV_CC_StartGrabbing(void* handle)
{
    return NotSimulated(Op::StartGrabbing, Handle(handle));
}

MV_SDK_API int MV_SDK_CALL MV_CC_StopGrabbing(void* handle)
{
    return NotSimulated(Op::StopGrabbing, Handle(handle));
}

MV_SDK_API int MV_SDK_CALL MV_CC_ConvertPixelTypeEx(void* handle, MvPixelConvertParamEx* param)
{
    uint32_t check = Handle(handle, {param});
    if (check == MV_OK) {
        check = Pointers({param->pSrcData, param->pDstBuffer});
    }
    return NotSimulated(Op::ConvertPixelTypeEx, check);
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetBayerCvtQuality(void* handle, unsigned int)
{
    return NotSimulated(Op::SetBayerCvtQuality, Handle(handle));
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetBayerGammaValue(void* handle, float gamma)
{
    uint32_t check = Handle(handle);
    if (check == MV_OK && !(std::isfinite(gamma) && gamma > 0.0f)) {
        check = MV_E_PARAMETER;
    }
    return NotSimulated(Op::SetBayerGammaValue, check);
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetBayerCCMParamEx(void* handle, MvCcmParamEx* param)
{
    return NotSimulated(Op::SetBayerCCMParamEx, Handle(handle, {param}));
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetCommandValue(void* handle, const char* name)
{
    return NotSimulated(Op::SetCommandValue, Handle(handle, {name}));
}

MV_SDK_API int MV_SDK_CALL MV_GIGE_IssueActionCommand(MvActionCmdInfo* info, MvActionCmdResultList* results)
{
    uint32_t check = Pointers({info, results});
    if (check == MV_OK) {
        check = Pointers({info->pBroadcastAddress});
    }
    return NotSimulated(Op::IssueActionCommand, check);
}

MV_SDK_API int MV_SDK_CALL MV_CC_FeatureSave(void* handle, const char* fileName)
{
    return NotSimulated(Op::FeatureSave, Handle(handle, {fileName}));
}

MV_SDK_API int MV_SDK_CALL MV_CC_FeatureLoad(void* handle, const char* fileName)
{
    return NotSimulated(Op::FeatureLoad, Handle(handle, {fileName}));
}

// A null buffer of size 0 asks only for the length.
MV_SDK_API int MV_SDK_CALL MV_XML_GetGenICamXML(void* handle, unsigned char* buffer, unsigned int size,
                                                unsigned int* length)
{
    uint32_t check = Handle(handle, {length});
    if (check == MV_OK && buffer == nullptr && size != 0) {
        check = MV_E_PARAMETER;
    }
    return NotSimulated(Op::GetGenICamXML, check);
}

MV_SDK_API int MV_SDK_CALL MV_XML_GetRootNode(void* handle, MvXmlNode* root)
{
    return NotSimulated(Op::GetRootNode, Handle(handle, {root}));
}

MV_SDK_API int MV_SDK_CALL MV_XML_GetChildren(void* handle, const MvXmlNode* node, MvXmlNodeList* children)
{
    return NotSimulated(Op::GetChildren, Handle(handle, {node, children}));
}

MV_SDK_API int MV_SDK_CALL MV_XML_GetNodeFeature(void* handle, const MvXmlNode* node, void* feature)
{
    return NotSimulated(Op::GetNodeFeature, Handle(handle, {node, feature}));
}

MV_SDK_API int MV_SDK_CALL MV_XML_GetNodeAccessMode(void* handle, const char* name, MvXmlAccessMode* mode)
{
    return NotSimulated(Op::GetNodeAccessMode, Handle(handle, {name, mode}));
}

MV_SDK_API int MV_SDK_CALL MV_CC_InvalidateNodes(void* handle)
{
    return NotSimulated(Op::InvalidateNodes, Handle(handle));
}

MV_SDK_API int MV_SDK_CALL MV_CC_GetIntValueEx(void* handle, const char* name, MvIntValueEx* value)
{
    return NotSimulated(Op::GetIntValueEx, Handle(handle, {name, value}));
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetIntValueEx(void* handle, const char* name, int64_t)
{
    return NotSimulated(Op::SetIntValueEx, Handle(handle, {name}));
}

MV_SDK_API int MV_SDK_CALL MV_CC_GetFloatValue(void* handle, const char* name, MvFloatValue* value)
{
    return NotSimulated(Op::GetFloatValue, Handle(handle, {name, value}));
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetFloatValue(void* handle, const char* name, float)
{
    return NotSimulated(Op::SetFloatValue, Handle(handle, {name}));
}

MV_SDK_API int MV_SDK_CALL MV_CC_GetBoolValue(void* handle, const char* name, int* value)
{
    return NotSimulated(Op::GetBoolValue, Handle(handle, {name, value}));
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetBoolValue(void* handle, const char* name, int)
{
    return NotSimulated(Op::SetBoolValue, Handle(handle, {name}));
}

MV_SDK_API int MV_SDK_CALL MV_CC_GetEnumValue(void* handle, const char* name, MvEnumValue* value)
{
    return NotSimulated(Op::GetEnumValue, Handle(handle, {name, value}));
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetEnumValue(void* handle, const char* name, unsigned int)
{
    return NotSimulated(Op::SetEnumValue, Handle(handle, {name}));
}

MV_SDK_API int MV_SDK_CALL MV_CC_GetEnumEntrySymbolic(void* handle, const char* name, MvEnumEntry* entry)
{
    return NotSimulated(Op::GetEnumEntrySymbolic, Handle(handle, {name, entry}));
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetEnumValueByString(void* handle, const char* name, const char* value)
{
    return NotSimulated(Op::SetEnumValueByString, Handle(handle, {name, value}));
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetStringValue(void* handle, const char* name, const char* value)
{
    return NotSimulated(Op::SetStringValue, Handle(handle, {name, value}));
}

}  // extern "C"
