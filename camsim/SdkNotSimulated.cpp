// SDK operations the simulator does not carry out yet. Each one counts its call, honours
// injected faults and checks its arguments as the finished operation will, then answers
// MV_E_SUPPORT, so a driver meeting one takes its "not supported" path instead of crashing.
#include <cmath>
#include <initializer_list>

#include "camsim/ApiGuard.h"
#include "camsim/Simulator.h"

namespace {

using CamSim::Op;

// handle, when given, must be one the SDK made and has not destroyed.
int NotSimulated(Op op, uint32_t argumentStatus, void* handle = nullptr)
{
    return CamSim::Guarded([&] {
        CamSim::Simulator& sim = CamSim::Simulator::Instance();
        const uint32_t injected = sim.BeginCall(op);
        if (injected != MV_OK) {
            return injected;
        }
        if (argumentStatus != MV_OK) {
            return argumentStatus;
        }
        const uint32_t known = handle != nullptr ? sim.CheckHandle(handle) : MV_OK;
        return known != MV_OK ? known : MV_E_SUPPORT;
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

MV_SDK_API int MV_SDK_CALL MV_CC_ConvertPixelTypeEx(void* handle, MvPixelConvertParamEx* param)
{
    uint32_t check = Handle(handle, {param});
    if (check == MV_OK) {
        check = Pointers({param->pSrcData, param->pDstBuffer});
    }
    return NotSimulated(Op::ConvertPixelTypeEx, check, handle);
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetBayerCvtQuality(void* handle, unsigned int)
{
    return NotSimulated(Op::SetBayerCvtQuality, Handle(handle), handle);
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetBayerGammaValue(void* handle, float gamma)
{
    uint32_t check = Handle(handle);
    if (check == MV_OK && !(std::isfinite(gamma) && gamma > 0.0f)) {
        check = MV_E_PARAMETER;
    }
    return NotSimulated(Op::SetBayerGammaValue, check, handle);
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetBayerCCMParamEx(void* handle, MvCcmParamEx* param)
{
    return NotSimulated(Op::SetBayerCCMParamEx, Handle(handle, {param}), handle);
}

}  // extern "C"
