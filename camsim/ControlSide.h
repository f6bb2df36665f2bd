// The test-control side of the simulator: what SimControl.h's functions (SimControl.cpp) do
// with the shared state. Every member takes the state's mutex itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "camsim/SimState.h"

namespace CamSim {

class ControlSide {
public:
    static ControlSide& Instance();
    explicit ControlSide(SimState& shared) : state(shared) {}

    void Reset();
    unsigned InitCount();

    // The device set.
    void ClearDevices();
    uint32_t AddDevice(DeviceDesc desc, std::string& reason);  // the id, 0 when rejected
    bool RemoveDevice(uint32_t id);
    std::size_t DeviceCount();
    bool GetDevice(std::size_t index, CamSimDeviceState& snapshot);
    ConfigOutcome LoadConfigText(std::string_view text);
    bool LoadConfigFile(const std::string& path, ConfigOutcome& outcome);
    ConfigOutcome LastConfig();

    // Faults, counts, version.
    uint32_t AddFault(Op op, const FaultRule& rule);
    void ClearFaults();
    uint32_t CallCount(Op op);
    void ResetCallCounts();
    void SetSdkVersion(uint32_t version);

    // One camera. Gives a device another model, with power-up values, from its next opening
    // on; null goes back to the default. MV_E_PARAMETER for an unknown id, MV_E_CALLORDER
    // while it is open.
    uint32_t SetDeviceModel(uint32_t id, std::shared_ptr<const Model> model);
    uint32_t Unplug(uint32_t id, uint32_t replugAfterMs);
    uint32_t Replug(uint32_t id);
    uint32_t FireLine(uint32_t id, uint32_t line);
    uint32_t GetStreamStats(uint32_t id, CamSimStreamStats& stats);
    // Applies change(SimDevice&) to a present or unplugged device; MV_E_PARAMETER when unknown.
    template <typename Change>
    uint32_t ChangeDevice(uint32_t id, Change&& change)
    {
        return state.Locked([&]() -> uint32_t {
            SimDevice* device = state.FindAnyDeviceLocked(id);
            if (device == nullptr) {
                return MV_E_PARAMETER;
            }
            const uint32_t status = change(*device);
            if (device->camera) {
                device->camera->Nodes().SetRefusals(device->refusals);
            }
            return status;
        });
    }

private:
    SimState& state;
};

}  // namespace CamSim
