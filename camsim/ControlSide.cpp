#include "camsim/ControlSide.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "camsim/Environment.h"
#include "util/Text.h"

namespace CamSim {

ControlSide& ControlSide::Instance()
{
    static ControlSide* side = new ControlSide(SimState::Instance());  // never destroyed, as the state
    return *side;
}

void ControlSide::Reset()
{
    state.Locked([&](Aftermath& after) {
        state.faults.Clear();
        state.callCounts.fill(0);
        state.sdkVersion = kDefaultSdkVersion;
        state.deviceSetOverridden = false;
        for (auto& entry : state.handles) {
            state.StopStreamLocked(entry.second, after);
            after.closed.push_back(entry.second.exceptions);
        }
        state.handles.clear();
        for (auto& device : state.devices) {
            device->openedBy = 0;
        }
        state.LoadFromEnvironmentLocked(after);
    });
}

unsigned ControlSide::InitCount()
{
    return state.Locked([&] { return state.initCount; });
}

// ---- the device set ---------------------------------------------------------------------

void ControlSide::ClearDevices()
{
    state.Locked([&](Aftermath& after) {
        state.deviceSetOverridden = true;
        state.ReplaceDevicesLocked({}, after);
    });
}

uint32_t ControlSide::AddDevice(DeviceDesc desc, std::string& reason)
{
    if (!ValidateDesc(desc, reason)) {
        return 0;
    }
    return state.Locked([&] {
        state.deviceSetOverridden = true;
        return state.AddDeviceLocked(std::move(desc));
    });
}

bool ControlSide::RemoveDevice(uint32_t id)
{
    return state.Locked([&](Aftermath& after) {
        auto& devices = state.devices;
        const auto found = std::find_if(devices.begin(), devices.end(), [id](const auto& d) { return d->id == id; });
        if (found == devices.end()) {
            return false;
        }
        state.deviceSetOverridden = true;
        state.DisconnectLocked(**found, true, after);
        devices.erase(found);
        return true;
    });
}

std::size_t ControlSide::DeviceCount()
{
    return state.Locked([&] {
        state.PollReplugLocked();
        return static_cast<std::size_t>(
            std::count_if(state.devices.begin(), state.devices.end(), [](const auto& d) { return d->present; }));
    });
}

bool ControlSide::GetDevice(std::size_t index, CamSimDeviceState& snapshot)
{
    return state.Locked([&] {
        state.PollReplugLocked();
        const SimDevice* chosen = nullptr;
        for (const auto& device : state.devices) {
            if (device->present && index-- == 0) {
                chosen = device.get();
                break;
            }
        }
        if (chosen == nullptr) {
            return false;
        }
        const DeviceDesc& desc = chosen->desc;
        std::memset(&snapshot, 0, sizeof snapshot);
        snapshot.id = chosen->id;
        snapshot.transport = desc.transport;
        snapshot.kind = desc.kind;
        snapshot.ipAddress = desc.ipAddress;
        Util_2_1::CopyText(snapshot.model, desc.model);
        Util_2_1::CopyText(snapshot.serial, desc.serial);
        Util_2_1::CopyText(snapshot.userName, desc.userName);
        Util_2_1::CopyText(snapshot.version, desc.version);
        return true;
    });
}

ConfigOutcome ControlSide::LoadConfigText(std::string_view text)
{
    const ParsedConfig config = ParseConfig(text);
    return state.Locked([&](Aftermath& after) {
        state.deviceSetOverridden = true;
        state.ApplyConfigLocked(config, CAMSIM_SOURCE_CONTROL, "configuration text", after);
        return state.lastConfig;
    });
}

bool ControlSide::LoadConfigFile(const std::string& path, ConfigOutcome& outcome)
{
    std::string text;
    std::string reason;
    if (!ReadTextFile(path, text, reason)) {
        std::fprintf(stderr, "camsim: %s\n", reason.c_str());
        outcome = ConfigOutcome{};
        outcome.source = CAMSIM_SOURCE_CONTROL;
        outcome.fileUnreadable = true;
        outcome.firstError = reason;
        return false;
    }
    const ParsedConfig config = ParseConfig(text);
    outcome = state.Locked([&](Aftermath& after) {
        state.deviceSetOverridden = true;
        state.ApplyConfigLocked(config, CAMSIM_SOURCE_CONTROL, path, after);
        return state.lastConfig;
    });
    return true;
}

ConfigOutcome ControlSide::LastConfig()
{
    return state.Locked([&] { return state.lastConfig; });
}

// ---- faults, counts, version --------------------------------------------------------------

uint32_t ControlSide::AddFault(Op op, const FaultRule& rule)
{
    if (rule.kind != CAMSIM_FAULT_STATUS) {
        return MV_E_PARAMETER;
    }
    if (!ReturnsStatus(op)) {
        return MV_E_SUPPORT;
    }
    if (rule.status == MV_OK) {
        return MV_E_PARAMETER;
    }
    state.Locked([&] { state.faults.Add(op, rule); });
    return MV_OK;
}

void ControlSide::ClearFaults()
{
    state.Locked([&] { state.faults.Clear(); });
}

uint32_t ControlSide::CallCount(Op op)
{
    return state.Locked([&] { return state.callCounts[Index(op)]; });
}

void ControlSide::ResetCallCounts()
{
    state.Locked([&] { state.callCounts.fill(0); });
}

void ControlSide::SetSdkVersion(uint32_t version)
{
    state.Locked([&] { state.sdkVersion = version; });
}

// ---- one camera ---------------------------------------------------------------------------

uint32_t ControlSide::SetDeviceModel(uint32_t id, std::shared_ptr<const Model> model)
{
    return state.Locked([&] {
        SimDevice* device = state.FindAnyDeviceLocked(id);
        if (device == nullptr) {
            return MV_E_PARAMETER;
        }
        if (device->openedBy != 0) {
            return MV_E_CALLORDER;
        }
        state.deviceSetOverridden = true;  // a device change like any other: initializing must not undo it
        device->customModel = std::move(model);
        device->camera.reset();
        return MV_OK;
    });
}

uint32_t ControlSide::Unplug(uint32_t id, uint32_t replugAfterMs)
{
    return state.Locked([&](Aftermath& after) {
        state.PollReplugLocked();
        SimDevice* device = state.FindAnyDeviceLocked(id);
        if (device == nullptr) {
            return MV_E_PARAMETER;
        }
        if (!device->present) {
            return MV_E_CALLORDER;
        }
        state.UnplugLocked(*device, replugAfterMs, after);
        return MV_OK;
    });
}

uint32_t ControlSide::Replug(uint32_t id)
{
    return state.Locked([&] {
        state.PollReplugLocked();
        SimDevice* device = state.FindAnyDeviceLocked(id);
        if (device == nullptr) {
            return MV_E_PARAMETER;
        }
        if (device->present) {
            return MV_E_CALLORDER;
        }
        state.ReplugLocked(*device);
        return MV_OK;
    });
}

uint32_t ControlSide::FireLine(uint32_t id, uint32_t line)
{
    return state.Locked([&] {
        state.PollReplugLocked();
        SimDevice* device = state.FindDeviceLocked(id);
        if (device == nullptr || line > 31) {
            return MV_E_PARAMETER;
        }
        if (SimHandle* opener = state.OpenerLocked(*device); opener != nullptr && opener->stream) {
            opener->stream->OfferTriggerLocked("Line" + std::to_string(line), 1u << line);
        }
        return MV_OK;
    });
}

uint32_t ControlSide::GetStreamStats(uint32_t id, CamSimStreamStats& stats)
{
    return state.Locked([&] {
        SimDevice* device = state.FindAnyDeviceLocked(id);
        if (device == nullptr) {
            return MV_E_PARAMETER;
        }
        std::memset(&stats, 0, sizeof stats);
        SimHandle* opener = device->present ? state.OpenerLocked(*device) : nullptr;
        stats.grabbing = opener != nullptr && opener->stream ? 1u : 0u;
        if (device->lastStream) {
            const StreamStats& counts = device->lastStream->StatsLocked();
            stats.bufferCount = device->lastStream->BufferCount();
            stats.framesProduced = counts.produced;
            stats.framesDelivered = counts.delivered;
            stats.framesDropped = counts.dropped;
            stats.triggersIgnored = counts.triggersIgnored;
        }
        return MV_OK;
    });
}

}  // namespace CamSim
