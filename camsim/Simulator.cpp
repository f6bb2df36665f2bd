#include "camsim/Simulator.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "camsim/Environment.h"

namespace CamSim {

namespace {

constexpr const char* kInlineVariable = "ORNIC_SIM_CAMERAS";
constexpr const char* kFileVariable = "ORNIC_SIM_CONFIG";
constexpr const char* kDefaultVersion = "1.0.0";

// Default addresses run 192.168.10.11 ... 192.168.10.250, then 192.168.11.11 ...
constexpr uint32_t kHostsPerSubnet = 240;
constexpr uint32_t kSubnets = 240;

constexpr unsigned int kAccessExclusive = 1;
constexpr unsigned int kAccessModeLast = 7;  // monitor; 2 to 7 are the shared and switchover modes
// Handle values are opaque to the driver; spacing them out makes a handle that was
// miscomputed by a small offset fail as unknown instead of naming another device.
constexpr uintptr_t kHandleBase = 0x5100000u;
constexpr uintptr_t kHandleStride = 0x40u;

uintptr_t HandleKey(const void* handle)
{
    return reinterpret_cast<uintptr_t>(handle);
}

uint32_t DefaultIpAddress(uint32_t n)
{
    return (192u << 24) | (168u << 16) | ((10u + n / kHostsPerSubnet) << 8) | (11u + n % kHostsPerSubnet);
}

template <std::size_t N>
void CopyText(char (&target)[N], const std::string& text)
{
    const std::size_t length = std::min(N - 1, text.size());
    std::memcpy(target, text.data(), length);
    target[length] = '\0';
}

}  // namespace

Simulator& Simulator::Instance()
{
    static Simulator* instance = [] {
        auto* created = new Simulator;
        std::lock_guard<std::mutex> lock(created->mutex);
        created->LoadFromEnvironmentLocked();
        return created;
    }();
    // Never destroyed: a thread still calling into the library at process exit must not
    // find the state gone.
    return *instance;
}

uint32_t Simulator::BeginCall(Op op)
{
    std::lock_guard<std::mutex> lock(mutex);
    ++callCounts[Index(op)];
    FaultRule rule;
    if (faults.Take(op, rule) && rule.kind == CAMSIM_FAULT_STATUS) {
        return rule.status;
    }
    return MV_OK;
}

uint32_t Simulator::Initialize()
{
    std::lock_guard<std::mutex> lock(mutex);
    if (initCount == 0 && !deviceSetOverridden) {
        LoadFromEnvironmentLocked();
    }
    ++initCount;
    return MV_OK;
}

uint32_t Simulator::Finalize()
{
    std::lock_guard<std::mutex> lock(mutex);
    if (initCount == 0) {
        return MV_E_CALLORDER;
    }
    if (--initCount == 0) {
        retiredRecords.clear();
        for (auto& device : devices) {
            device->record.reset();
        }
    }
    return MV_OK;
}

uint32_t Simulator::SdkVersion()
{
    std::lock_guard<std::mutex> lock(mutex);
    return sdkVersion;
}

uint32_t Simulator::EnumDevices(unsigned int layerMask, MvDeviceInfoList& list)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (initCount == 0) {
        return MV_E_CALLORDER;
    }
    std::memset(&list, 0, sizeof list);
    for (auto& device : devices) {
        if (list.nDeviceNum == MV_MAX_DEVICE_NUM) {
            break;
        }
        if ((device->desc.transport & layerMask) == 0) {
            continue;
        }
        if (!device->record) {
            device->record = BuildDeviceRecord(*device);
        }
        list.pDeviceInfo[list.nDeviceNum++] = device->record.get();
    }
    return MV_OK;
}

uint32_t Simulator::CreateHandle(const MvDeviceInfo* record, void*& handle)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (initCount == 0) {
        return MV_E_CALLORDER;
    }
    uint32_t deviceId = 0;
    for (const auto& device : devices) {
        if (device->record.get() == record) {
            deviceId = device->id;
        }
    }
    for (const RetiredRecord& retired : retiredRecords) {
        if (retired.record.get() == record) {
            deviceId = retired.deviceId;
        }
    }
    if (deviceId == 0) {
        return MV_E_PARAMETER;  // not a record this SDK handed out
    }
    const uintptr_t key = kHandleBase + nextHandle++ * kHandleStride;
    handles[key] = SimHandle{deviceId, false};
    handle = reinterpret_cast<void*>(key);
    return MV_OK;
}

uint32_t Simulator::DestroyHandle(void* handle)
{
    std::lock_guard<std::mutex> lock(mutex);
    SimHandle* found = FindHandleLocked(handle);
    if (found == nullptr) {
        return MV_E_HANDLE;
    }
    SimDevice* device = FindDeviceLocked(found->deviceId);
    if (found->open && device != nullptr) {
        device->openedBy = 0;
        device->nodes->StopAcquisition();
    }
    handles.erase(HandleKey(handle));
    return MV_OK;
}

uint32_t Simulator::OpenDevice(void* handle, unsigned int accessMode, unsigned short switchoverKey)
{
    std::lock_guard<std::mutex> lock(mutex);
    SimHandle* found = FindHandleLocked(handle);
    if (found == nullptr) {
        return MV_E_HANDLE;
    }
    if (accessMode == 0 || accessMode > kAccessModeLast) {
        return MV_E_PARAMETER;
    }
    if (accessMode != kAccessExclusive || switchoverKey != 0) {
        return MV_E_SUPPORT;  // only exclusive access is simulated
    }
    if (found->open) {
        return MV_E_CALLORDER;
    }
    if (initCount == 0) {
        return MV_E_CALLORDER;
    }
    SimDevice* device = FindDeviceLocked(found->deviceId);
    if (device == nullptr) {
        return MV_E_BUSY;
    }
    if (device->openedBy != 0) {
        return MV_E_ACCESS_DENIED;
    }
    if (!device->nodes) {
        std::shared_ptr<const Model> model =
            device->customModel ? device->customModel : DefaultModel(device->desc.transport, device->desc.kind);
        if (!model) {
            return MV_E_UNKNOWN;
        }
        device->nodes = std::make_unique<NodeMap>(std::move(model), device->desc);
    }
    device->openedBy = HandleKey(handle);
    found->open = true;
    return MV_OK;
}

uint32_t Simulator::CloseDevice(void* handle)
{
    std::lock_guard<std::mutex> lock(mutex);
    SimHandle* found = FindHandleLocked(handle);
    if (found == nullptr) {
        return MV_E_HANDLE;
    }
    if (!found->open) {
        return MV_E_CALLORDER;
    }
    // Closing a device that has gone still releases the handle.
    if (SimDevice* device = FindDeviceLocked(found->deviceId); device != nullptr) {
        device->openedBy = 0;
        device->nodes->StopAcquisition();
    }
    found->open = false;
    return MV_OK;
}

uint32_t Simulator::CheckHandle(void* handle)
{
    std::lock_guard<std::mutex> lock(mutex);
    return FindHandleLocked(handle) != nullptr ? MV_OK : MV_E_HANDLE;
}

uint32_t Simulator::OpenNodesLocked(void* handle, NodeMap*& nodes)
{
    SimHandle* found = FindHandleLocked(handle);
    if (found == nullptr) {
        return MV_E_HANDLE;
    }
    if (!found->open) {
        return MV_E_CALLORDER;
    }
    SimDevice* device = FindDeviceLocked(found->deviceId);
    if (device == nullptr) {
        return MV_E_BUSY;
    }
    nodes = device->nodes.get();
    return MV_OK;
}

SimDevice* Simulator::FindDeviceLocked(uint32_t id)
{
    for (auto& device : devices) {
        if (device->id == id) {
            return device.get();
        }
    }
    return nullptr;
}

SimHandle* Simulator::FindHandleLocked(void* handle)
{
    const auto found = handles.find(HandleKey(handle));
    return found == handles.end() ? nullptr : &found->second;
}

uint32_t Simulator::SetDeviceModel(uint32_t id, std::shared_ptr<const Model> model)
{
    std::lock_guard<std::mutex> lock(mutex);
    SimDevice* device = FindDeviceLocked(id);
    if (device == nullptr) {
        return MV_E_PARAMETER;
    }
    if (device->openedBy != 0) {
        return MV_E_CALLORDER;
    }
    deviceSetOverridden = true;  // a device change like any other: initializing must not undo it
    device->customModel = std::move(model);
    device->nodes.reset();
    return MV_OK;
}

void Simulator::Reset()
{
    std::lock_guard<std::mutex> lock(mutex);
    faults.Clear();
    callCounts.fill(0);
    sdkVersion = kDefaultSdkVersion;
    deviceSetOverridden = false;
    handles.clear();
    LoadFromEnvironmentLocked();
}

unsigned Simulator::InitCount()
{
    std::lock_guard<std::mutex> lock(mutex);
    return initCount;
}

void Simulator::ClearDevices()
{
    std::lock_guard<std::mutex> lock(mutex);
    deviceSetOverridden = true;
    ReplaceDevicesLocked({});
}

uint32_t Simulator::AddDevice(DeviceDesc desc, std::string& reason)
{
    if (!ValidateDesc(desc, reason)) {
        return 0;
    }
    std::lock_guard<std::mutex> lock(mutex);
    deviceSetOverridden = true;
    return AddDeviceLocked(std::move(desc));
}

bool Simulator::RemoveDevice(uint32_t id)
{
    std::lock_guard<std::mutex> lock(mutex);
    const auto found = std::find_if(devices.begin(), devices.end(), [id](const auto& d) { return d->id == id; });
    if (found == devices.end()) {
        return false;
    }
    deviceSetOverridden = true;
    RetireLocked(**found);
    devices.erase(found);
    return true;
}

std::size_t Simulator::DeviceCount()
{
    std::lock_guard<std::mutex> lock(mutex);
    return devices.size();
}

bool Simulator::GetDevice(std::size_t index, CamSimDeviceState& state)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (index >= devices.size()) {
        return false;
    }
    const SimDevice& device = *devices[index];
    std::memset(&state, 0, sizeof state);
    state.id = device.id;
    state.transport = device.desc.transport;
    state.kind = device.desc.kind;
    state.ipAddress = device.desc.ipAddress;
    CopyText(state.model, device.desc.model);
    CopyText(state.serial, device.desc.serial);
    CopyText(state.userName, device.desc.userName);
    CopyText(state.version, device.desc.version);
    return true;
}

ConfigOutcome Simulator::LoadConfigText(std::string_view text)
{
    const ParsedConfig config = ParseConfig(text);
    std::lock_guard<std::mutex> lock(mutex);
    deviceSetOverridden = true;
    ApplyConfigLocked(config, CAMSIM_SOURCE_CONTROL, "configuration text");
    return lastConfig;
}

bool Simulator::LoadConfigFile(const std::string& path, ConfigOutcome& outcome)
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
    std::lock_guard<std::mutex> lock(mutex);
    deviceSetOverridden = true;
    ApplyConfigLocked(config, CAMSIM_SOURCE_CONTROL, path);
    outcome = lastConfig;
    return true;
}

ConfigOutcome Simulator::LastConfig()
{
    std::lock_guard<std::mutex> lock(mutex);
    return lastConfig;
}

uint32_t Simulator::AddFault(Op op, const FaultRule& rule)
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
    std::lock_guard<std::mutex> lock(mutex);
    faults.Add(op, rule);
    return MV_OK;
}

void Simulator::ClearFaults()
{
    std::lock_guard<std::mutex> lock(mutex);
    faults.Clear();
}

uint32_t Simulator::CallCount(Op op)
{
    std::lock_guard<std::mutex> lock(mutex);
    return callCounts[Index(op)];
}

void Simulator::ResetCallCounts()
{
    std::lock_guard<std::mutex> lock(mutex);
    callCounts.fill(0);
}

void Simulator::SetSdkVersion(uint32_t version)
{
    std::lock_guard<std::mutex> lock(mutex);
    sdkVersion = version;
}

void Simulator::LoadFromEnvironmentLocked()
{
    std::string text;
    if (ReadEnvironment(kInlineVariable, text)) {
        ApplyConfigLocked(ParseConfig(text), CAMSIM_SOURCE_ENV_INLINE, kInlineVariable);
        return;
    }
    std::string path;
    if (ReadEnvironment(kFileVariable, path)) {
        std::string reason;
        if (!ReadTextFile(path, text, reason)) {
            // No cameras rather than the default pair, so that the mistake shows.
            std::fprintf(stderr, "camsim: %s=%s: %s; no cameras configured\n", kFileVariable, path.c_str(),
                         reason.c_str());
            ReplaceDevicesLocked({});
            lastConfig = ConfigOutcome{};
            lastConfig.source = CAMSIM_SOURCE_ENV_FILE;
            lastConfig.fileUnreadable = true;
            lastConfig.firstError = reason;
            return;
        }
        ApplyConfigLocked(ParseConfig(text), CAMSIM_SOURCE_ENV_FILE, path);
        return;
    }
    ReplaceDevicesLocked(DefaultDevices());
    lastConfig = ConfigOutcome{};
    lastConfig.source = CAMSIM_SOURCE_DEFAULT;
    lastConfig.loaded = static_cast<uint32_t>(devices.size());
}

void Simulator::ApplyConfigLocked(const ParsedConfig& config, uint32_t source, const std::string& origin)
{
    for (const ConfigIssue& issue : config.issues) {
        std::fprintf(stderr, "camsim: %s line %u: entry '%s' skipped: %s\n", origin.c_str(), issue.line,
                     issue.entry.c_str(), issue.reason.c_str());
    }
    ReplaceDevicesLocked(config.devices);
    lastConfig = ConfigOutcome{};
    lastConfig.source = source;
    lastConfig.loaded = static_cast<uint32_t>(devices.size());
    lastConfig.skipped = static_cast<uint32_t>(config.issues.size());
    if (!config.issues.empty()) {
        lastConfig.firstErrorLine = config.issues.front().line;
        lastConfig.firstError = config.issues.front().reason;
    }
}

void Simulator::ReplaceDevicesLocked(const std::vector<DeviceDesc>& descs)
{
    for (auto& device : devices) {
        RetireLocked(*device);
    }
    devices.clear();
    for (const DeviceDesc& desc : descs) {
        AddDeviceLocked(desc);
    }
}

void Simulator::RetireLocked(SimDevice& device)
{
    if (device.record) {
        retiredRecords.push_back({device.id, std::move(device.record)});
    }
}

uint32_t Simulator::AddDeviceLocked(DeviceDesc desc)
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

uint32_t Simulator::FreeIpAddressLocked() const
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

uint32_t Simulator::FreeUsbNumberLocked() const
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
