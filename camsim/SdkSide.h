// The SDK side of the simulator: what the exported MV_CC_* / MV_XML_* / MV_GIGE_* operations
// (Sdk*.cpp) do with the shared state. Every member takes the state's mutex itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "camsim/ApiGuard.h"
#include "camsim/SimState.h"

namespace CamSim {

class SdkSide {
public:
    static SdkSide& Instance();
    explicit SdkSide(SimState& shared) : state(shared) {}

    // Counts the call; a non-MV_OK answer is an injected status that the operation returns at
    // once.
    uint32_t BeginCall(Op op);

    // Life cycle and enumeration.
    uint32_t Initialize();
    uint32_t Finalize();
    uint32_t SdkVersion();
    uint32_t EnumDevices(unsigned int layerMask, MvDeviceInfoList& list);

    // Handles, opening and closing.
    uint32_t CreateHandle(const MvDeviceInfo* record, void*& handle);
    uint32_t DestroyHandle(void* handle);
    uint32_t OpenDevice(void* handle, unsigned int accessMode, unsigned short switchoverKey);
    uint32_t CloseDevice(void* handle);

    // Runs body(NodeMap&) under the mutex for an opened handle (see OpenedHandle for the
    // answers when it is not); the stream, if any, then looks at the settings again.
    template <typename Body>
    uint32_t WithNodes(void* handle, Body&& body)
    {
        return state.Locked([&] {
            const OpenedHandle opened = state.OpenedLocked(handle);
            if (opened.status != MV_OK) {
                return opened.status;
            }
            const uint32_t answer = body(opened.device->camera->Nodes());
            if (opened.handle->stream) {
                opened.handle->stream->WakeLocked();
            }
            return answer;
        });
    }
    // A command node, with its effects beyond the node map (acquisition, triggers, a reset).
    uint32_t ExecuteCommand(void* handle, const std::string& name);

    // Streaming, callbacks, conversion, actions.
    uint32_t SetImageNodeNum(void* handle, unsigned int count);
    uint32_t RegisterImageCallback(void* handle, MvImageCallback callback, void* user, bool bgr);
    uint32_t RegisterExceptionCallback(void* handle, MvExceptionCallback callback, void* user);
    // The handle's converter, or null with the status of an unusable handle. The conversion
    // itself runs without the simulator's mutex.
    std::shared_ptr<Convert::Converter> ConverterFor(void* handle, uint32_t& status);
    uint32_t StartGrabbing(void* handle);
    uint32_t StopGrabbing(void* handle);
    uint32_t IssueAction(const MvActionCmdInfo& info, MvActionCmdResultList& results);

private:
    // Stops the handle's stream and releases its device if it has it open.
    void CloseLocked(void* handle, SimHandle& found, Aftermath& after);

    SimState& state;
};

// The common start of the exported operations: exceptions become statuses (Guarded), the
// call is counted, an injected status is answered, then body(SdkSide&) runs.
template <typename Body>
int SdkCall(Op op, Body&& body)
{
    return Guarded([&]() -> uint32_t {
        SdkSide& sdk = SdkSide::Instance();
        const uint32_t injected = sdk.BeginCall(op);
        return injected != MV_OK ? injected : body(sdk);
    });
}

// The same for an operation on a handle: a null handle answers MV_E_HANDLE.
template <typename Body>
int HandleCall(Op op, void* handle, Body&& body)
{
    return SdkCall(op, [&](SdkSide& sdk) -> uint32_t { return handle == nullptr ? MV_E_HANDLE : body(sdk); });
}

}  // namespace CamSim
