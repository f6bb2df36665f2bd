#include "camsim/Simulator.h"

#include "convert/Converter.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>

#include "camsim/Environment.h"
#include "camsim/Pattern.h"

namespace CamSim {

namespace {

constexpr const char* kInlineVariable = "ORNIC_SIM_CAMERAS";
constexpr const char* kFileVariable = "ORNIC_SIM_CONFIG";
constexpr const char* kDefaultVersion = "1.0.0";

// Default addresses run 192.168.10.11 ... 192.168.10.250, then 192.168.11.11 ...
constexpr uint32_t kHostsPerSubnet = 240;
constexpr uint32_t kSubnets = 240;

constexpr unsigned int kAccessExclusive = 1;
constexpr unsigned int kMaxImageNodes = 256;
// A DeviceReset takes the camera off the link for this long, as a reboot would.
constexpr uint32_t kResetRebootMs = 100;
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
        Aftermath none;  // no handles yet
        created->LoadFromEnvironmentLocked(none);
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
    Aftermath after;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (initCount == 0 && !deviceSetOverridden) {
            LoadFromEnvironmentLocked(after);
        }
        ++initCount;
    }
    Finish(after);
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
    PollReplugLocked();
    std::memset(&list, 0, sizeof list);
    for (auto& device : devices) {
        if (list.nDeviceNum == MV_MAX_DEVICE_NUM) {
            break;
        }
        if (!device->present || (device->desc.transport & layerMask) == 0) {
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
    handles[key] = SimHandle{};
    handles[key].deviceId = deviceId;
    handle = reinterpret_cast<void*>(key);
    return MV_OK;
}

uint32_t Simulator::DestroyHandle(void* handle)
{
    Aftermath after;
    {
        std::lock_guard<std::mutex> lock(mutex);
        SimHandle* found = FindHandleLocked(handle);
        if (found == nullptr) {
            return MV_E_HANDLE;
        }
        StopStreamLocked(*found, after);
        SimDevice* device = FindAnyDeviceLocked(found->deviceId);
        if (found->open && device != nullptr && device->openedBy == HandleKey(handle)) {
            device->openedBy = 0;
            device->nodes->StopAcquisition();
        }
        after.closed.push_back(found->exceptions);
        handles.erase(HandleKey(handle));
    }
    Finish(after);
    return MV_OK;
}

uint32_t Simulator::OpenDevice(void* handle, unsigned int accessMode, unsigned short switchoverKey)
{
    // Opening takes the camera's time; the mutex is not held meanwhile.
    uint32_t delayMs = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        SimHandle* found = FindHandleLocked(handle);
        if (SimDevice* device = found != nullptr ? FindDeviceLocked(found->deviceId) : nullptr; device != nullptr) {
            delayMs = device->openDelayMs;
        }
    }
    if (delayMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    }
    std::lock_guard<std::mutex> lock(mutex);
    PollReplugLocked();
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
    if (device->openedBy != 0 || device->openedElsewhere) {
        return MV_E_ACCESS_DENIED;
    }
    if (!device->nodes) {
        std::shared_ptr<const Model> model =
            device->customModel ? device->customModel : DefaultModel(device->desc.transport, device->desc.kind);
        if (!model) {
            return MV_E_UNKNOWN;
        }
        device->nodes = std::make_unique<NodeMap>(std::move(model), device->desc);
        device->nodes->SetRefusals(device->refusals);
    }
    device->openedBy = HandleKey(handle);
    found->open = true;
    found->connection = device->connection;
    return MV_OK;
}

uint32_t Simulator::CloseDevice(void* handle)
{
    Aftermath after;
    {
        std::lock_guard<std::mutex> lock(mutex);
        SimHandle* found = FindHandleLocked(handle);
        if (found == nullptr) {
            return MV_E_HANDLE;
        }
        if (!found->open) {
            return MV_E_CALLORDER;
        }
        StopStreamLocked(*found, after);
        // Closing a device that has gone still releases the handle.
        SimDevice* device = FindAnyDeviceLocked(found->deviceId);
        if (device != nullptr && device->openedBy == HandleKey(handle)) {
            device->openedBy = 0;
            device->nodes->StopAcquisition();
        }
        found->open = false;
    }
    Finish(after);
    return MV_OK;
}

uint32_t Simulator::CheckHandle(void* handle)
{
    std::lock_guard<std::mutex> lock(mutex);
    return FindHandleLocked(handle) != nullptr ? MV_OK : MV_E_HANDLE;
}

uint32_t Simulator::OpenDeviceLocked(void* handle, SimDevice*& device)
{
    SimHandle* found = FindHandleLocked(handle);
    if (found == nullptr) {
        return MV_E_HANDLE;
    }
    if (!found->open) {
        return MV_E_CALLORDER;
    }
    device = FindDeviceLocked(found->deviceId);
    if (device == nullptr || device->connection != found->connection) {
        return MV_E_BUSY;
    }
    return MV_OK;
}

SimDevice* Simulator::FindDeviceLocked(uint32_t id)
{
    SimDevice* device = FindAnyDeviceLocked(id);
    return device != nullptr && device->present ? device : nullptr;
}

SimDevice* Simulator::FindAnyDeviceLocked(uint32_t id)
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
    SimDevice* device = FindAnyDeviceLocked(id);
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
    Aftermath after;
    {
        std::lock_guard<std::mutex> lock(mutex);
        faults.Clear();
        callCounts.fill(0);
        sdkVersion = kDefaultSdkVersion;
        deviceSetOverridden = false;
        for (auto& entry : handles) {
            StopStreamLocked(entry.second, after);
            after.closed.push_back(entry.second.exceptions);
        }
        handles.clear();
        for (auto& device : devices) {
            device->openedBy = 0;
        }
        LoadFromEnvironmentLocked(after);
    }
    Finish(after);
}

unsigned Simulator::InitCount()
{
    std::lock_guard<std::mutex> lock(mutex);
    return initCount;
}

void Simulator::ClearDevices()
{
    Aftermath after;
    {
        std::lock_guard<std::mutex> lock(mutex);
        deviceSetOverridden = true;
        ReplaceDevicesLocked({}, after);
    }
    Finish(after);
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
    Aftermath after;
    {
        std::lock_guard<std::mutex> lock(mutex);
        const auto found = std::find_if(devices.begin(), devices.end(), [id](const auto& d) { return d->id == id; });
        if (found == devices.end()) {
            return false;
        }
        deviceSetOverridden = true;
        DisconnectLocked(**found, true, after);
        devices.erase(found);
    }
    Finish(after);
    return true;
}

std::size_t Simulator::DeviceCount()
{
    std::lock_guard<std::mutex> lock(mutex);
    PollReplugLocked();
    return static_cast<std::size_t>(
        std::count_if(devices.begin(), devices.end(), [](const auto& d) { return d->present; }));
}

bool Simulator::GetDevice(std::size_t index, CamSimDeviceState& state)
{
    std::lock_guard<std::mutex> lock(mutex);
    PollReplugLocked();
    const SimDevice* chosen = nullptr;
    for (const auto& device : devices) {
        if (device->present && index-- == 0) {
            chosen = device.get();
            break;
        }
    }
    if (chosen == nullptr) {
        return false;
    }
    const SimDevice& device = *chosen;
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
    Aftermath after;
    ConfigOutcome outcome;
    {
        std::lock_guard<std::mutex> lock(mutex);
        deviceSetOverridden = true;
        ApplyConfigLocked(config, CAMSIM_SOURCE_CONTROL, "configuration text", after);
        outcome = lastConfig;
    }
    Finish(after);
    return outcome;
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
    Aftermath after;
    {
        std::lock_guard<std::mutex> lock(mutex);
        deviceSetOverridden = true;
        ApplyConfigLocked(config, CAMSIM_SOURCE_CONTROL, path, after);
        outcome = lastConfig;
    }
    Finish(after);
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

void Simulator::LoadFromEnvironmentLocked(Aftermath& after)
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

void Simulator::ApplyConfigLocked(const ParsedConfig& config, uint32_t source, const std::string& origin,
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

void Simulator::ReplaceDevicesLocked(const std::vector<DeviceDesc>& descs, Aftermath& after)
{
    for (auto& device : devices) {
        DisconnectLocked(*device, true, after);
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

// ---- streaming, device loss, actions --------------------------------------------------

SimHandle* Simulator::OpenerLocked(const SimDevice& device)
{
    if (device.openedBy == 0) {
        return nullptr;
    }
    const auto found = handles.find(device.openedBy);
    return found == handles.end() ? nullptr : &found->second;
}

void Simulator::WakeStreamLocked(void* handle)
{
    if (SimHandle* found = FindHandleLocked(handle); found != nullptr && found->stream) {
        found->stream->WakeLocked();
    }
}

void Simulator::StopStreamLocked(SimHandle& handle, Aftermath& after)
{
    if (!handle.stream) {
        return;
    }
    handle.stream->StopLocked();
    after.streams.push_back(std::move(handle.stream));
    handle.stream.reset();
    // The image format is free again for whoever opens the camera next.
    if (SimDevice* device = FindAnyDeviceLocked(handle.deviceId);
        device != nullptr && device->nodes && OpenerLocked(*device) == &handle) {
        device->nodes->StopAcquisition();
        device->nodes->SetStreamLocked(false);
    }
}

void Simulator::DisconnectLocked(SimDevice& device, bool notify, Aftermath& after)
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
    if (device.nodes) {
        device.nodes->StopAcquisition();
        device.nodes->SetStreamLocked(false);
    }
}

void Simulator::UnplugLocked(SimDevice& device, uint32_t replugAfterMs, Aftermath& after)
{
    DisconnectLocked(device, true, after);
    device.present = false;
    device.replugPending = replugAfterMs > 0;
    device.replugAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(replugAfterMs);
}

void Simulator::ReplugLocked(SimDevice& device)
{
    device.present = true;
    device.replugPending = false;
    device.pluggedAt = std::chrono::steady_clock::now();
    device.frameCounter = 0;
    if (device.nodes) {
        device.nodes->PowerUp();
    }
}

// Coming back needs no thread of its own: every way of seeing a device asks here first.
void Simulator::PollReplugLocked()
{
    const auto now = std::chrono::steady_clock::now();
    for (auto& device : devices) {
        if (!device->present && device->replugPending && now >= device->replugAt) {
            ReplugLocked(*device);
        }
    }
}

void Simulator::Finish(Aftermath& after)
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

uint32_t Simulator::SetImageNodeNum(void* handle, unsigned int count)
{
    std::lock_guard<std::mutex> lock(mutex);
    SimHandle* found = FindHandleLocked(handle);
    if (found == nullptr) {
        return MV_E_HANDLE;
    }
    if (count == 0 || count > kMaxImageNodes) {
        return MV_E_PARAMETER;
    }
    SimDevice* device = nullptr;
    const uint32_t status = OpenDeviceLocked(handle, device);
    if (status != MV_OK) {
        return status;
    }
    if (found->stream) {
        return MV_E_CALLORDER;  // the buffers of a running session stay as they are
    }
    found->bufferCount = count;
    return MV_OK;
}

uint32_t Simulator::RegisterImageCallback(void* handle, MvImageCallback callback, void* user, bool bgr)
{
    std::lock_guard<std::mutex> lock(mutex);
    SimDevice* device = nullptr;
    const uint32_t status = OpenDeviceLocked(handle, device);
    if (status != MV_OK) {
        return status;
    }
    SimHandle& found = *FindHandleLocked(handle);
    if (found.stream) {
        return MV_E_CALLORDER;  // changing the callback under a running delivery thread
    }
    found.imageCallback = callback;
    found.imageUser = user;
    found.bgrCallback = bgr && callback != nullptr;
    return MV_OK;
}

std::shared_ptr<Convert::Converter> Simulator::ConverterLocked(SimHandle& handle)
{
    if (!handle.converter) {
        handle.converter = std::make_shared<Convert::Converter>();
    }
    return handle.converter;
}

std::shared_ptr<Convert::Converter> Simulator::ConverterFor(void* handle, uint32_t& status)
{
    std::lock_guard<std::mutex> lock(mutex);
    SimHandle* found = FindHandleLocked(handle);
    if (found == nullptr) {
        status = MV_E_HANDLE;
        return nullptr;
    }
    status = MV_OK;
    return ConverterLocked(*found);
}

uint32_t Simulator::RegisterExceptionCallback(void* handle, MvExceptionCallback callback, void* user)
{
    std::shared_ptr<CallbackGate> gate;
    {
        std::lock_guard<std::mutex> lock(mutex);
        SimDevice* device = nullptr;
        const uint32_t status = OpenDeviceLocked(handle, device);
        if (status != MV_OK) {
            return status;
        }
        gate = FindHandleLocked(handle)->exceptions;
    }
    // Outside the mutex: unregistering waits for a callback in progress, which may call the SDK.
    return gate->Set(callback, user) ? MV_OK : MV_E_HANDLE;
}

uint32_t Simulator::StartGrabbing(void* handle)
{
    Aftermath after;
    uint32_t status = MV_OK;
    {
        std::lock_guard<std::mutex> lock(mutex);
        SimDevice* device = nullptr;
        status = OpenDeviceLocked(handle, device);
        if (status != MV_OK) {
            return status;
        }
        SimHandle& found = *FindHandleLocked(handle);
        if (found.stream) {
            return MV_E_CALLORDER;
        }
        NodeMap& nodes = *device->nodes;
        Stream::Settings settings;
        settings.width = static_cast<uint32_t>(std::clamp<int64_t>(nodes.IntValueOf("Width", 0), 0, 0xFFFF));
        settings.height = static_cast<uint32_t>(std::clamp<int64_t>(nodes.IntValueOf("Height", 0), 0, 0xFFFF));
        const NodeDesc* format = nodes.GetModel().Find("PixelFormat");
        settings.pixelFormat = format != nullptr && format->kind == NodeKind::Enumeration
                                   ? static_cast<uint32_t>(nodes.RawInt(*format))
                                   : static_cast<uint32_t>(PixelType_Mono8);
        if (settings.width == 0 || settings.height == 0 || !CanRender(settings.pixelFormat)) {
            return MV_E_SUPPORT;  // a model without an image the simulator can make
        }
        if (found.bgrCallback && settings.pixelFormat != PixelType_BGR8_Packed) {
            if (!Convert::Converter::IsSupported(settings.pixelFormat, PixelType_BGR8_Packed)) {
                return MV_E_SUPPORT;  // a format the conversion cannot turn into BGR8
            }
            settings.toBgr = ConverterLocked(found);
        }
        settings.bufferCount = found.bufferCount;
        settings.callback = found.imageCallback;
        settings.user = found.imageUser;
        // The SDK starts the camera's acquisition, as the driver expects; a camera refusing
        // that fails the start.
        if (nodes.HasNode("AcquisitionStart")) {
            status = nodes.Execute("AcquisitionStart");
            if (status != MV_OK) {
                return status;
            }
        }
        auto stream = std::make_shared<Stream>(mutex, *device, settings);
        if (!Stream::StartLocked(stream)) {
            after.streams.push_back(std::move(stream));
            nodes.StopAcquisition();
            status = MV_E_RESOURCE;
        } else {
            nodes.SetStreamLocked(true);
            nodes.StartAcquisition();
            stream->AcquisitionStartedLocked();
            found.stream = stream;
            device->lastStream = std::move(stream);
        }
    }
    Finish(after);
    return status;
}

uint32_t Simulator::StopGrabbing(void* handle)
{
    Aftermath after;
    {
        std::lock_guard<std::mutex> lock(mutex);
        SimDevice* device = nullptr;
        const uint32_t status = OpenDeviceLocked(handle, device);
        if (status != MV_OK) {
            return status;
        }
        SimHandle& found = *FindHandleLocked(handle);
        if (!found.stream) {
            return MV_E_CALLORDER;
        }
        StopStreamLocked(found, after);
    }
    Finish(after);  // returns once the callback in progress, if any, has returned
    return MV_OK;
}

uint32_t Simulator::ExecuteCommand(void* handle, const std::string& name)
{
    Aftermath after;
    uint32_t status = MV_OK;
    {
        std::lock_guard<std::mutex> lock(mutex);
        SimDevice* device = nullptr;
        status = OpenDeviceLocked(handle, device);
        if (status != MV_OK) {
            return status;
        }
        status = device->nodes->Execute(name);
        if (status != MV_OK) {
            return status;
        }
        Stream* stream = FindHandleLocked(handle)->stream.get();
        if (name == "DeviceReset") {
            UnplugLocked(*device, kResetRebootMs, after);  // the camera reboots: a short loss
        } else if (stream == nullptr) {
            // Nothing grabbing: the camera's state changed, no frame goes anywhere.
        } else if (name == "AcquisitionStart") {
            stream->AcquisitionStartedLocked();
        } else if (name == "AcquisitionStop") {
            stream->AcquisitionStoppedLocked();
        } else if (name == "TriggerSoftware") {
            stream->OfferTriggerLocked("Software", 0);
        } else {
            stream->WakeLocked();
        }
    }
    Finish(after);
    return status;
}

uint32_t Simulator::Unplug(uint32_t id, uint32_t replugAfterMs)
{
    Aftermath after;
    {
        std::lock_guard<std::mutex> lock(mutex);
        PollReplugLocked();
        SimDevice* device = FindAnyDeviceLocked(id);
        if (device == nullptr) {
            return MV_E_PARAMETER;
        }
        if (!device->present) {
            return MV_E_CALLORDER;
        }
        UnplugLocked(*device, replugAfterMs, after);
    }
    Finish(after);
    return MV_OK;
}

uint32_t Simulator::Replug(uint32_t id)
{
    std::lock_guard<std::mutex> lock(mutex);
    PollReplugLocked();
    SimDevice* device = FindAnyDeviceLocked(id);
    if (device == nullptr) {
        return MV_E_PARAMETER;
    }
    if (device->present) {
        return MV_E_CALLORDER;
    }
    ReplugLocked(*device);
    return MV_OK;
}

uint32_t Simulator::FireLine(uint32_t id, uint32_t line)
{
    std::lock_guard<std::mutex> lock(mutex);
    PollReplugLocked();
    SimDevice* device = FindDeviceLocked(id);
    if (device == nullptr || line > 31) {
        return MV_E_PARAMETER;
    }
    if (SimHandle* opener = OpenerLocked(*device); opener != nullptr && opener->stream) {
        opener->stream->OfferTriggerLocked("Line" + std::to_string(line), 1u << line);
    }
    return MV_OK;
}

uint32_t Simulator::GetStreamStats(uint32_t id, CamSimStreamStats& stats)
{
    std::lock_guard<std::mutex> lock(mutex);
    SimDevice* device = FindAnyDeviceLocked(id);
    if (device == nullptr) {
        return MV_E_PARAMETER;
    }
    std::memset(&stats, 0, sizeof stats);
    SimHandle* opener = device->present ? OpenerLocked(*device) : nullptr;
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
}

namespace {

bool ParseIp(const char* text, uint32_t& address)
{
    if (text == nullptr) {
        return false;
    }
    unsigned parts[4];
    char tail = 0;
    if (std::sscanf(text, "%3u.%3u.%3u.%3u%c", &parts[0], &parts[1], &parts[2], &parts[3], &tail) != 4) {
        return false;
    }
    address = 0;
    for (unsigned part : parts) {
        if (part > 255) {
            return false;
        }
        address = (address << 8) | part;
    }
    return true;
}

}  // namespace

uint32_t Simulator::IssueAction(const MvActionCmdInfo& info, MvActionCmdResultList& results)
{
    uint32_t target = 0;
    uint32_t hostNet = 0;
    if (!ParseIp(info.pBroadcastAddress, target) ||
        (info.bSpecialNetEnable != 0 && !ParseIp(info.pSpecialNetIP, hostNet))) {
        return MV_E_PARAMETER;
    }
    if (results.nNumResults > 0 && results.pResults == nullptr) {
        return MV_E_PARAMETER;
    }
    const uint32_t capacity = results.nNumResults;
    uint32_t written = 0;
    bool silentCamera = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (initCount == 0) {
            return MV_E_CALLORDER;
        }
        PollReplugLocked();
        for (auto& device : devices) {
            if (!device->present || device->desc.transport != MV_GIGE_DEVICE) {
                continue;
            }
            const uint32_t ip = device->desc.ipAddress;
            const uint32_t subnet = ip & 0xFFFFFF00u;
            const bool reached = target == 0xFFFFFFFFu || target == ip || target == (subnet | 0xFFu);
            const bool onInterface = info.bSpecialNetEnable == 0 || (hostNet & 0xFFFFFF00u) == subnet;
            const bool keysMatch = info.nDeviceKey == device->actionDeviceKey &&
                                   info.nGroupKey == device->actionGroupKey &&
                                   (info.nGroupMask & device->actionGroupMask) != 0;
            // A camera silently ignores an action that is not meant for it.
            if (!reached || !onInterface || !keysMatch) {
                continue;
            }
            if (device->actionAnswer == CAMSIM_ACTION_NO_ANSWER) {
                silentCamera = true;
                continue;
            }
            if (device->actionAnswer == 0) {
                if (SimHandle* opener = OpenerLocked(*device); opener != nullptr && opener->stream) {
                    opener->stream->OfferTriggerLocked("Action1", 0);
                }
            }
            if (written < capacity) {
                MvActionCmdResult& out = results.pResults[written++];
                std::memset(&out, 0, sizeof out);
                std::snprintf(out.strDeviceAddress, sizeof out.strDeviceAddress, "%u.%u.%u.%u", ip >> 24,
                              (ip >> 16) & 0xFFu, (ip >> 8) & 0xFFu, ip & 0xFFu);
                out.nStatus = static_cast<int32_t>(device->actionAnswer);
            }
        }
    }
    results.nNumResults = written;
    // Waiting for an acknowledge that never comes takes the whole time-out.
    if (silentCamera && info.nTimeOut > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(info.nTimeOut));
    }
    return MV_OK;
}

}  // namespace CamSim
