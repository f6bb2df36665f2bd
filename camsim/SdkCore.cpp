// Life cycle and enumeration.
#include "camsim/SdkSide.h"

using CamSim::Op;
using CamSim::SdkCall;
using CamSim::SdkSide;

extern "C" {

MV_SDK_API int MV_SDK_CALL MV_CC_Initialize(void)
{
    return SdkCall(Op::Initialize, [](SdkSide& sdk) { return sdk.Initialize(); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_Finalize(void)
{
    return SdkCall(Op::Finalize, [](SdkSide& sdk) { return sdk.Finalize(); });
}

MV_SDK_API unsigned int MV_SDK_CALL MV_CC_GetSDKVersion(void)
{
    try {
        SdkSide& sdk = SdkSide::Instance();
        sdk.BeginCall(Op::GetSDKVersion);
        return sdk.SdkVersion();
    } catch (...) {
        return CamSim::kDefaultSdkVersion;
    }
}

MV_SDK_API int MV_SDK_CALL MV_CC_EnumDevices(unsigned int layerMask, MvDeviceInfoList* list)
{
    return SdkCall(Op::EnumDevices,
                   [&](SdkSide& sdk) { return list == nullptr ? MV_E_PARAMETER : sdk.EnumDevices(layerMask, *list); });
}

}  // extern "C"
