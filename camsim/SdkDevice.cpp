// Handles, opening and closing: one exclusive opener per device.
#include "camsim/SdkSide.h"

using CamSim::HandleCall;
using CamSim::Op;
using CamSim::SdkCall;
using CamSim::SdkSide;

extern "C" {

MV_SDK_API int MV_SDK_CALL MV_CC_CreateHandleWithoutLog(void** handle, const MvDeviceInfo* device)
{
    if (handle != nullptr) {
        *handle = nullptr;  // never left dangling on failure
    }
    return SdkCall(Op::CreateHandleWithoutLog, [&](SdkSide& sdk) {
        if (handle == nullptr || device == nullptr) {
            return MV_E_PARAMETER;
        }
        void* created = nullptr;
        const uint32_t status = sdk.CreateHandle(device, created);
        *handle = created;
        return status;
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_DestroyHandle(void* handle)
{
    return HandleCall(Op::DestroyHandle, handle, [&](SdkSide& sdk) { return sdk.DestroyHandle(handle); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_OpenDevice(void* handle, unsigned int accessMode, unsigned short switchoverKey)
{
    return HandleCall(Op::OpenDevice, handle,
                      [&](SdkSide& sdk) { return sdk.OpenDevice(handle, accessMode, switchoverKey); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_CloseDevice(void* handle)
{
    return HandleCall(Op::CloseDevice, handle, [&](SdkSide& sdk) { return sdk.CloseDevice(handle); });
}

}  // extern "C"
