// Handles, opening and closing: one exclusive opener per device.
#include "camsim/ApiGuard.h"
#include "camsim/Simulator.h"

using CamSim::Guarded;
using CamSim::Op;
using CamSim::Simulator;

extern "C" {

MV_SDK_API int MV_SDK_CALL MV_CC_CreateHandleWithoutLog(void** handle, const MvDeviceInfo* device)
{
    if (handle != nullptr) {
        *handle = nullptr;  // never left dangling on failure
    }
    return Guarded([&] {
        Simulator& sim = Simulator::Instance();
        const uint32_t injected = sim.BeginCall(Op::CreateHandleWithoutLog);
        if (injected != MV_OK) {
            return injected;
        }
        if (handle == nullptr || device == nullptr) {
            return MV_E_PARAMETER;
        }
        void* created = nullptr;
        const uint32_t status = sim.CreateHandle(device, created);
        *handle = created;
        return status;
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_DestroyHandle(void* handle)
{
    return Guarded([&] {
        Simulator& sim = Simulator::Instance();
        const uint32_t injected = sim.BeginCall(Op::DestroyHandle);
        if (injected != MV_OK) {
            return injected;
        }
        return handle == nullptr ? MV_E_HANDLE : sim.DestroyHandle(handle);
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_OpenDevice(void* handle, unsigned int accessMode, unsigned short switchoverKey)
{
    return Guarded([&] {
        Simulator& sim = Simulator::Instance();
        const uint32_t injected = sim.BeginCall(Op::OpenDevice);
        if (injected != MV_OK) {
            return injected;
        }
        return handle == nullptr ? MV_E_HANDLE : sim.OpenDevice(handle, accessMode, switchoverKey);
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_CloseDevice(void* handle)
{
    return Guarded([&] {
        Simulator& sim = Simulator::Instance();
        const uint32_t injected = sim.BeginCall(Op::CloseDevice);
        if (injected != MV_OK) {
            return injected;
        }
        return handle == nullptr ? MV_E_HANDLE : sim.CloseDevice(handle);
    });
}

}  // extern "C"
