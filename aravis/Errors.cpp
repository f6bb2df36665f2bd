#include "aravis/Errors.h"

#include "sdk/MvSdk.h"

namespace OrnicAravis {

namespace {

uint32_t GenicamStatus(int code)
{
    switch (code) {
    case ARV_GC_ERROR_OUT_OF_RANGE:
    case ARV_GC_ERROR_INVALID_LENGTH:
        return MV_E_GC_RANGE;
    case ARV_GC_ERROR_NODE_NOT_FOUND:
        return MV_E_GC_PROPERTY;
    case ARV_GC_ERROR_ENUM_ENTRY_NOT_FOUND:
        return MV_E_GC_ARGUMENT;
    case ARV_GC_ERROR_READ_ONLY:
        return MV_E_GC_ACCESS;
    case ARV_GC_ERROR_NO_DEVICE_SET:
        return MV_E_GC_RUNTIME;
    case ARV_GC_ERROR_SET_FROM_STRING_UNDEFINED:
    case ARV_GC_ERROR_GET_AS_STRING_UNDEFINED:
    case ARV_GC_ERROR_NO_EVENT_IMPLEMENTATION:
        return MV_E_SUPPORT;
    default:
        // A description the library cannot evaluate (a missing property, a bad pValue, a
        // formula that does not parse).
        return MV_E_GC_GENERIC;
    }
}

uint32_t DeviceStatus(int code)
{
    switch (code) {
    case ARV_DEVICE_ERROR_WRONG_FEATURE:
        return MV_E_SUPPORT;
    case ARV_DEVICE_ERROR_FEATURE_NOT_FOUND:
        return MV_E_GC_PROPERTY;
    case ARV_DEVICE_ERROR_NOT_CONNECTED:
    case ARV_DEVICE_ERROR_TIMEOUT:
    case ARV_DEVICE_ERROR_NOT_FOUND:
    case ARV_DEVICE_ERROR_PROTOCOL_ERROR_BUSY:
        return MV_E_BUSY;  // "Device is busy, or network disconnected"
    case ARV_DEVICE_ERROR_NOT_CONTROLLER:
    case ARV_DEVICE_ERROR_PROTOCOL_ERROR_ACCESS_DENIED:
        return MV_E_ACCESS_DENIED;
    case ARV_DEVICE_ERROR_PROTOCOL_ERROR_WRITE_PROTECT:
        return MV_E_WRITE_PROTECT;
    case ARV_DEVICE_ERROR_PROTOCOL_ERROR_INVALID_ADDRESS:
    case ARV_DEVICE_ERROR_PROTOCOL_ERROR_BAD_ALIGNMENT:
        return MV_E_INVALID_ADDRESS;
    case ARV_DEVICE_ERROR_PROTOCOL_ERROR_NOT_IMPLEMENTED:
        return MV_E_NOT_IMPLEMENTED;
    case ARV_DEVICE_ERROR_PROTOCOL_ERROR_INVALID_PARAMETER:
    case ARV_DEVICE_ERROR_INVALID_PARAMETER:
        return MV_E_PARAMETER;
    case ARV_DEVICE_ERROR_GENICAM_NOT_FOUND:
        return MV_E_GC_GENERIC;
    case ARV_DEVICE_ERROR_NO_STREAM_CHANNEL:
        return MV_E_SUPPORT;
    case ARV_DEVICE_ERROR_PROTOCOL_ERROR:
    case ARV_DEVICE_ERROR_TRANSFER_ERROR:
        return MV_E_NETWORK;
    default:
        return MV_E_UNKNOWN;
    }
}

}  // namespace

uint32_t StatusOf(const GError* error)
{
    if (error == nullptr) return MV_OK;
    if (error->domain == ARV_GC_ERROR) return GenicamStatus(error->code);
    if (error->domain == ARV_DEVICE_ERROR) return DeviceStatus(error->code);
    if (error->domain == G_IO_ERROR) return error->code == G_IO_ERROR_TIMED_OUT ? MV_E_BUSY : MV_E_NETWORK;
    return MV_E_UNKNOWN;
}

uint32_t TakeStatus(GError*& error)
{
    const uint32_t status = StatusOf(error);
    g_clear_error(&error);
    return status;
}

std::string TakeMessage(GError*& error)
{
    std::string text = error != nullptr && error->message != nullptr ? error->message : "";
    g_clear_error(&error);
    return text;
}

}  // namespace OrnicAravis
