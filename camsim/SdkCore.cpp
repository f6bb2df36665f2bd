// Life cycle and enumeration: the part of the SDK that is simulated so far.
#include "camsim/ApiGuard.h"
#include "camsim/Simulator.h"

using CamSim::Guarded;
using CamSim::Op;
using CamSim::Simulator;

extern "C" {

MV_SDK_API int MV_SDK_CALL MV_CC_Initialize(void)
{
    return Guarded([] {
        Simulator& sim = Simulator::Instance();
        const uint32_t injected = sim.BeginCall(Op::Initialize);
        return injected != MV_OK ? injected : sim.Initialize();
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_Finalize(void)
{
    return Guarded([] {
        Simulator& sim = Simulator::Instance();
        const uint32_t injected = sim.BeginCall(Op::Finalize);
        return injected != MV_OK ? injected : sim.Finalize();
    });
}

MV_SDK_API unsigned int MV_SDK_CALL MV_CC_GetSDKVersion(void)
{
    try {
        Simulator& sim = Simulator::Instance();
        sim.BeginCall(Op::GetSDKVersion);
        return sim.SdkVersion();
    } catch (...) {
        return CamSim::kDefaultSdkVersion;
    }
}

MV_SDK_API int MV_SDK_CALL MV_CC_EnumDevices(unsigned int layerMask, MvDeviceInfoList* list)
{
    return Guarded([&] {
        Simulator& sim = Simulator::Instance();
        const uint32_t injected = sim.BeginCall(Op::EnumDevices);
        if (injected != MV_OK) {
            return injected;
        }
        if (list == nullptr) {
            return MV_E_PARAMETER;
        }
        return sim.EnumDevices(layerMask, *list);
    });
}

}  // extern "C"
