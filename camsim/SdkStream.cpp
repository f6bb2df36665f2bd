// Streaming, the exception callback and action commands.
#include "camsim/SdkSide.h"

using CamSim::HandleCall;
using CamSim::Op;
using CamSim::SdkCall;
using CamSim::SdkSide;

extern "C" {

// A null callback unregisters.
MV_SDK_API int MV_SDK_CALL MV_CC_RegisterExceptionCallBack(void* handle, MvExceptionCallback callback, void* user)
{
    return HandleCall(Op::RegisterExceptionCallBack, handle,
                      [&](SdkSide& sdk) { return sdk.RegisterExceptionCallback(handle, callback, user); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_RegisterImageCallBackEx(void* handle, MvImageCallback callback, void* user)
{
    return HandleCall(Op::RegisterImageCallBackEx, handle,
                      [&](SdkSide& sdk) { return sdk.RegisterImageCallback(handle, callback, user, false); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_RegisterImageCallBackForBGR(void* handle, MvImageCallback callback, void* user)
{
    return HandleCall(Op::RegisterImageCallBackForBGR, handle,
                      [&](SdkSide& sdk) { return sdk.RegisterImageCallback(handle, callback, user, true); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetImageNodeNum(void* handle, unsigned int count)
{
    return HandleCall(Op::SetImageNodeNum, handle, [&](SdkSide& sdk) { return sdk.SetImageNodeNum(handle, count); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_StartGrabbing(void* handle)
{
    return HandleCall(Op::StartGrabbing, handle, [&](SdkSide& sdk) { return sdk.StartGrabbing(handle); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_StopGrabbing(void* handle)
{
    return HandleCall(Op::StopGrabbing, handle, [&](SdkSide& sdk) { return sdk.StopGrabbing(handle); });
}

MV_SDK_API int MV_SDK_CALL MV_GIGE_IssueActionCommand(MvActionCmdInfo* info, MvActionCmdResultList* results)
{
    return SdkCall(Op::IssueActionCommand, [&](SdkSide& sdk) {
        if (info == nullptr || results == nullptr || info->pBroadcastAddress == nullptr) {
            return MV_E_PARAMETER;
        }
        return sdk.IssueAction(*info, *results);
    });
}

}  // extern "C"
