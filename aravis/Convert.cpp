// Pixel conversion and the Bayer settings through the conversion library: one converter per
// handle (open or not), shared with the handle's BGR frame callback.
#include "aravis/Backend.h"
#include "convert/Converter.h"

using OrnicAravis::Handle;

namespace {

template <typename Body>
int ConverterCall(void* handle, Body&& body)
{
    return OrnicAravis::Guarded([&]() -> int {
        const std::shared_ptr<Handle> h = OrnicAravis::LookUp(handle);
        if (!h) return static_cast<int>(MV_E_HANDLE);
        std::shared_ptr<Convert::Converter> converter;
        {
            std::lock_guard<std::mutex> lock(h->mutex);
            if (!h->converter) h->converter = std::make_shared<Convert::Converter>();
            converter = h->converter;
        }
        // The work runs without the handle's lock; the converter has its own.
        return body(*converter);
    });
}

}  // namespace

extern "C" {

MV_SDK_API int MV_SDK_CALL MV_CC_ConvertPixelTypeEx(void* handle, MvPixelConvertParamEx* param)
{
    return ConverterCall(handle, [&](Convert::Converter& converter) {
        return param == nullptr ? static_cast<int>(MV_E_PARAMETER) : converter.Convert(*param);
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetBayerCvtQuality(void* handle, unsigned int quality)
{
    return ConverterCall(handle, [&](Convert::Converter& converter) { return converter.SetBayerQuality(quality); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetBayerGammaValue(void* handle, float gamma)
{
    return ConverterCall(handle, [&](Convert::Converter& converter) { return converter.SetGamma(gamma); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetBayerCCMParamEx(void* handle, MvCcmParamEx* param)
{
    return ConverterCall(handle, [&](Convert::Converter& converter) { return converter.SetCcm(param); });
}

}  // extern "C"
