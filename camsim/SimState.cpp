#include "camsim/SimState.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "camsim/Environment.h"

namespace CamSim {

namespace {

constexpr const char* kInlineVariable = "ORNIC_SIM_CAMERAS";
constexpr const char* kFileVariable = "ORNIC_SIM_CONFIG";
constexpr const char* kDefaultVersion = "1.0.0";

// Default addresses run 192.168.10.11 ... 192.168.10.250, then 192.168.11.11 ...
constexpr uint32_t kHostsPerSubnet = 240;
constexpr uint32_t kSubnets = 240;

uint32_t DefaultIpAddress(uint32_t n)
{
    return (192u << 24) | (168u << 16) | ((10u + n / kHostsPerSubnet) << 8) | (11u + n % kHostsPerSubnet);
}

}  // namespace

SimState& SimState::Instance()
{
    static SimState* instance = [] {
        auto* created = new SimState;
        std::lock_guard<std::mutex> lock(created->mutex);
        Aftermath none;  // no handles yet
        created->LoadFromEnvironmentLocked(none);
        return created;
    }();
    // Never destroyed: a thread still calling into the library at process exit must not
    // find the state gone.
    return *instance;
}

void SimState::Finish(Aftermath& after)
{
    for (auto& stream : after.streams) {
        stream->Join();
    }
    for (auto& gate : after.closed) {
        gate->Close();
    }
    // The loss is told on a thread of the SDK's, as a camera's heartbeat monitor would.
    for (auto& gate : after.lost) {
        try {
            std::thread([gate] { gate->Invoke(MV_EXCEPTION_DEV_DISCONNECT); }).detach();
        } catch (...) {
            std::fprintf(stderr, "camsim: no thread to report a lost device\n");
        }
    }
}

// ---- finding devices and handles --------------------------------------------------------

SimDevice* SimState::FindDeviceLocked(uint32_t id)
{
    SimDevice* device = FindAnyDeviceLocked(id);
    return device != nullptr && device->present ? device : nullptr;
}

SimDevice* SimState::FindAnyDeviceLocked(uint32_t id)
{
    for (auto& device : devices) {
        if (device->id == id) {
            return device.get();
        }
    }
    return nullptr;
}

SimHandle* SimState::FindHandleLocked(void* handle)
{
    const auto found = handles.find(HandleKey(handle));
    return found == handles.end() ? nullptr : &found->second;
}

OpenedHandle SimState::OpenedLocked(void* handle)
{
    OpenedHandle opened;
    opened.handle = FindHandleLocked(handle);
    if (opened.handle == nullptr) {
        opened.status = MV_E_HANDLE;
    } else if (!opened.handle->open) {
        opened.status = MV_E_CALLORDER;
    } else if (SimDevice* device = FindDeviceLocked(opened.handle->deviceId);
               device == nullptr || device->connection != opened.handle->connection) {
        opened.status = MV_E_BUSY;
    } else {
        opened.status = MV_OK;
        opened.device = device;
    }
    return opened;
}

SimHandle* SimState::OpenerLocked(const SimDevice& device)
{
    if (device.openedBy == 0) {
        return nullptr;
    }
    const auto found = handles.find(device.openedBy);
    return found == handles.end() ? nullptr : &found->second;
}

// ---- streams, device loss and return ----------------------------------------------------

void SimState::StopStreamLocked(SimHandle& handle, Aftermath& after)
{
    if (!handle.stream) {
        return;
    }
    handle.stream->StopLocked();
    after.streams.push_back(std::move(handle.stream));
    handle.stream.reset();
    // The image format is free again for whoever opens the camera next.
    if (SimDevice* device = FindAnyDeviceLocked(handle.deviceId);
        device != nullptr && device->camera && OpenerLocked(*device) == &handle) {
        device->camera->StopAcquisition();
        device->camera->SetStreamLocked(false);
    }
}

void SimState::DisconnectLocked(SimDevice& device, bool notify, Aftermath& after)
{
    RetireLocked(device);
    if (SimHandle* opener = OpenerLocked(device); opener != nullptr) {
        StopStreamLocked(*opener, after);
        if (notify) {
            after.lost.push_back(opener->exceptions);
        }
    }
    device.openedBy = 0;
    ++device.connection;
    if (device.camera) {
        device.camera->StopAcquisition();
        device.camera->SetStreamLocked(false);
    }
}

void SimState::UnplugLocked(SimDevice& device, uint32_t replugAfterMs, Aftermath& after)
{
    DisconnectLocked(device, true, after);
    device.present = false;
    device.replugPending = replugAfterMs > 0;
    device.replugAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(replugAfterMs);
}

void SimState::ReplugLocked(SimDevice& device)
{
    device.present = true;
    device.replugPending = false;
    device.pluggedAt = std::chrono::steady_clock::now();
    device.frameCounter = 0;
    if (device.camera) {
        device.camera->PowerUp();
    }
}

// Coming back needs no thread of its own: every way of seeing a device asks here first.
void SimState::PollReplugLocked()
{
    const auto now = std::chrono::steady_clock::now();
    for (auto& device : devices) {
        if (!device->present && device->replugPending && now >= device->replugAt) {
            ReplugLocked(*device);
        }
    }
}

// ---- the device set ---------------------------------------------------------------------

void SimState::LoadFromEnvironmentLocked(Aftermath& after)
{
    std::string text;
    if (ReadEnvironment(kInlineVariable, text)) {
        ApplyConfigLocked(ParseConfig(text), CAMSIM_SOURCE_ENV_INLINE, kInlineVariable, after);
        return;
    }
    std::string path;
    if (ReadEnvironment(kFileVariable, path)) {
        std::string reason;
        if (!ReadTextFile(path, text, reason)) {
            // No cameras rather than the default pair, so that the mistake shows.
            std::fprintf(stderr, "camsim: %s=%s: %s; no cameras configured\n", kFileVariable, path.c_str(),
                         reason.c_str());
            ReplaceDevicesLocked({}, after);
            lastConfig = ConfigOutcome{};
            lastConfig.source = CAMSIM_SOURCE_ENV_FILE;
            lastConfig.fileUnreadable = true;
            lastConfig.firstError = reason;
            return;
        }
        ApplyConfigLocked(ParseConfig(text), CAMSIM_SOURCE_ENV_FILE, path, after);
        return;
    }
    ReplaceDevicesLocked(DefaultDevices(), after);
    lastConfig = ConfigOutcome{};
    lastConfig.source = CAMSIM_SOURCE_DEFAULT;
    lastConfig.loaded = static_cast<uint32_t>(devices.size());
}

void SimState::ApplyConfigLocked(const ParsedConfig& config, uint32_t source, const std::string& origin,
                                 Aftermath& after)
{
    for (const ConfigIssue& issue : config.issues) {
        std::fprintf(stderr, "camsim: %s line %u: entry '%s' skipped: %s\n", origin.c_str(), issue.line,
                     issue.entry.c_str(), issue.reason.c_str());
    }
    ReplaceDevicesLocked(config.devices, after);
    lastConfig = ConfigOutcome{};
    lastConfig.source = source;
    lastConfig.loaded = static_cast<uint32_t>(devices.size());
    lastConfig.skipped = static_cast<uint32_t>(config.issues.size());
    if (!config.issues.empty()) {
        lastConfig.firstErrorLine = config.issues.front().line;
        lastConfig.firstError = config.issues.front().reason;
    }
}

void SimState::ReplaceDevicesLocked(const std::vector<DeviceDesc>& descs, Aftermath& after)
{
    for (auto& device : devices) {
        DisconnectLocked(*device, true, after);
    }
    devices.clear();
    for (const DeviceDesc& desc : descs) {
        AddDeviceLocked(desc);
    }
}

void SimState::RetireLocked(SimDevice& device)
{
    if (device.record) {
        retiredRecords.push_back({device.id, std::move(device.record)});
    }
}

uint32_t SimState::AddDeviceLocked(DeviceDesc desc)
{
    auto device = std::make_unique<SimDevice>();
    device->id = nextId++;
    if (desc.version.empty()) {
        desc.version = kDefaultVersion;
    }
    if (desc.transport == MV_GIGE_DEVICE && desc.ipAddress == 0) {
        desc.ipAddress = FreeIpAddressLocked();
    }
    if (desc.transport == MV_USB_DEVICE) {
        device->usbNumber = FreeUsbNumberLocked();
    }
    device->desc = std::move(desc);
    devices.push_back(std::move(device));
    return devices.back()->id;
}

uint32_t SimState::FreeIpAddressLocked() const
{
    for (uint32_t n = 0; n < kHostsPerSubnet * kSubnets; ++n) {
        const uint32_t candidate = DefaultIpAddress(n);
        const bool used = std::any_of(devices.begin(), devices.end(), [candidate](const auto& d) {
            return d->desc.transport == MV_GIGE_DEVICE && d->desc.ipAddress == candidate;
        });
        if (!used) {
            return candidate;
        }
    }
    return DefaultIpAddress(0);
}

uint32_t SimState::FreeUsbNumberLocked() const
{
    for (uint32_t n = 0;; ++n) {
        const bool used = std::any_of(devices.begin(), devices.end(), [n](const auto& d) {
            return d->desc.transport == MV_USB_DEVICE && d->usbNumber == n;
        });
        if (!used) {
            return n;
        }
    }
}

}  // namespace CamSim
