// Pixel conversion and the Bayer settings: each handle owns a converter of the conversion
// library; the work runs without the simulator's mutex.
#include "camsim/SdkSide.h"
#include "convert/Converter.h"

namespace {

using CamSim::Op;
using CamSim::SdkSide;

// Counts the call, answers an injected fault, refuses a null or unknown handle, then runs
// body with the handle's converter.
template <typename Body>
int ConverterCall(Op op, void* handle, Body&& body)
{
    return CamSim::HandleCall(op, handle, [&](SdkSide& sdk) {
        uint32_t status = MV_OK;
        const std::shared_ptr<Convert::Converter> converter = sdk.ConverterFor(handle, status);
        return converter ? static_cast<uint32_t>(body(*converter)) : status;
    });
}

}  // namespace

extern "C" {

MV_SDK_API int MV_SDK_CALL MV_CC_ConvertPixelTypeEx(void* handle, MvPixelConvertParamEx* param)
{
    return ConverterCall(Op::ConvertPixelTypeEx, handle, [&](Convert::Converter& converter) {
        return param == nullptr ? static_cast<int>(MV_E_PARAMETER) : converter.Convert(*param);
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetBayerCvtQuality(void* handle, unsigned int quality)
{
    return ConverterCall(Op::SetBayerCvtQuality, handle,
                         [&](Convert::Converter& converter) { return converter.SetBayerQuality(quality); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetBayerGammaValue(void* handle, float gamma)
{
    return ConverterCall(Op::SetBayerGammaValue, handle,
                         [&](Convert::Converter& converter) { return converter.SetGamma(gamma); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetBayerCCMParamEx(void* handle, MvCcmParamEx* param)
{
    return ConverterCall(Op::SetBayerCCMParamEx, handle,
                         [&](Convert::Converter& converter) { return converter.SetCcm(param); });
}

}  // extern "C"
