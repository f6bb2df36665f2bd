// Streaming, the exception callback and action commands.
#include "camsim/ApiGuard.h"
#include "camsim/Simulator.h"

namespace {

using CamSim::Op;
using CamSim::Simulator;

// Counts the call, answers an injected fault, refuses a null handle, then runs body.
template <typename Body>
int HandleCall(Op op, void* handle, Body&& body)
{
    return CamSim::Guarded([&] {
        Simulator& sim = Simulator::Instance();
        const uint32_t injected = sim.BeginCall(op);
        if (injected != MV_OK) {
            return injected;
        }
        return handle == nullptr ? MV_E_HANDLE : body(sim);
    });
}

}  // namespace

extern "C" {

// A null callback unregisters.
MV_SDK_API int MV_SDK_CALL MV_CC_RegisterExceptionCallBack(void* handle, MvExceptionCallback callback, void* user)
{
    return HandleCall(Op::RegisterExceptionCallBack, handle,
                      [&](Simulator& sim) { return sim.RegisterExceptionCallback(handle, callback, user); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_RegisterImageCallBackEx(void* handle, MvImageCallback callback, void* user)
{
    return HandleCall(Op::RegisterImageCallBackEx, handle,
                      [&](Simulator& sim) { return sim.RegisterImageCallback(handle, callback, user, false); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_RegisterImageCallBackForBGR(void* handle, MvImageCallback callback, void* user)
{
    return HandleCall(Op::RegisterImageCallBackForBGR, handle,
                      [&](Simulator& sim) { return sim.RegisterImageCallback(handle, callback, user, true); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_SetImageNodeNum(void* handle, unsigned int count)
{
    return HandleCall(Op::SetImageNodeNum, handle, [&](Simulator& sim) { return sim.SetImageNodeNum(handle, count); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_StartGrabbing(void* handle)
{
    return HandleCall(Op::StartGrabbing, handle, [&](Simulator& sim) { return sim.StartGrabbing(handle); });
}

MV_SDK_API int MV_SDK_CALL MV_CC_StopGrabbing(void* handle)
{
    return HandleCall(Op::StopGrabbing, handle, [&](Simulator& sim) { return sim.StopGrabbing(handle); });
}

MV_SDK_API int MV_SDK_CALL MV_GIGE_IssueActionCommand(MvActionCmdInfo* info, MvActionCmdResultList* results)
{
    return CamSim::Guarded([&] {
        Simulator& sim = Simulator::Instance();
        const uint32_t injected = sim.BeginCall(Op::IssueActionCommand);
        if (injected != MV_OK) {
            return injected;
        }
        if (info == nullptr || results == nullptr || info->pBroadcastAddress == nullptr) {
            return MV_E_PARAMETER;
        }
        return sim.IssueAction(*info, *results);
    });
}

}  // extern "C"
