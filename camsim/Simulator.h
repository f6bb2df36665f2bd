// The simulator's whole state behind one mutex: the SDK's initialization, the device set and
// the records handed out for it, injected faults and call counts. The exported SDK and
// control functions are thin wrappers around this class.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "camsim/CallbackGate.h"
#include "camsim/DeviceConfig.h"
#include "camsim/FaultTable.h"
#include "camsim/NodeMap.h"
#include "camsim/Operations.h"
#include "camsim/SimControl.h"
#include "camsim/Stream.h"
#include "sdk/MvSdk.h"

namespace Convert {
class Converter;
}

namespace CamSim {

constexpr uint32_t kDefaultSdkVersion = 0x04050100u;  // 4.5.1.0, one byte per field

struct SimDevice {
    uint32_t id = 0;
    DeviceDesc desc;
    uint32_t usbNumber = 0;  // USB3 Vision device number, unique among present devices
    // Built at the first enumeration after MV_CC_Initialize; the driver keeps pointers to it,
    // so it never moves and lives until MV_CC_Finalize even if the device goes away.
    std::unique_ptr<MvDeviceInfo> record;
    std::shared_ptr<const Model> customModel;  // null: the default model of its transport and kind
    // Made at the first opening and kept while the device exists: a camera keeps its settings
    // between connections.
    std::unique_ptr<NodeMap> nodes;
    uintptr_t openedBy = 0;  // the handle that has it open, 0 when closed

    // Unplugged devices keep their id, address and settings memory but are not listed and
    // cannot be reached; connection changes at every unplugging, so a handle opened before
    // stays dead after the camera is back.
    bool present = true;
    uint32_t connection = 0;
    bool replugPending = false;
    std::chrono::steady_clock::time_point replugAt;
    std::chrono::steady_clock::time_point pluggedAt = std::chrono::steady_clock::now();  // device clock zero
    uint64_t frameCounter = 0;                                                           // frames made since plugged in

    // Set through the control interface.
    bool unthrottled = false;
    uint32_t deliveryDelayUs = 0;
    uint32_t openDelayMs = 0;
    bool openedElsewhere = false;
    std::vector<NodeMap::Refusal> refusals;
    uint32_t actionDeviceKey = 1;
    uint32_t actionGroupKey = 1;
    uint32_t actionGroupMask = 1;
    uint32_t actionAnswer = 0;

    std::shared_ptr<Stream> lastStream;  // the latest grabbing session, for its counts
};

// A record handed out for a device that has gone since; handles can still be made from it.
struct RetiredRecord {
    uint32_t deviceId = 0;
    std::unique_ptr<MvDeviceInfo> record;
};

struct SimHandle {
    uint32_t deviceId = 0;
    bool open = false;
    uint32_t connection = 0;  // the device's connection it was opened on
    uint32_t bufferCount = 1;
    MvImageCallback imageCallback = nullptr;
    void* imageUser = nullptr;
    bool bgrCallback = false;  // registered through MV_CC_RegisterImageCallBackForBGR
    // The handle's pixel conversion and Bayer settings (MV_CC_ConvertPixelTypeEx, the BGR callback).
    std::shared_ptr<Convert::Converter> converter;
    std::shared_ptr<Stream> stream;  // while grabbing
    std::shared_ptr<CallbackGate> exceptions = std::make_shared<CallbackGate>();
};

// What a locked section leaves to do once the mutex is released: streams to join, exception
// callbacks to close or to tell about a lost device. Joining and calling back under the
// mutex could deadlock with a callback calling into the SDK.
struct Aftermath {
    std::vector<std::shared_ptr<Stream>> streams;
    std::vector<std::shared_ptr<CallbackGate>> closed;
    std::vector<std::shared_ptr<CallbackGate>> lost;
};

struct ConfigOutcome {
    uint32_t source = CAMSIM_SOURCE_DEFAULT;
    uint32_t loaded = 0;
    uint32_t skipped = 0;
    bool fileUnreadable = false;
    unsigned firstErrorLine = 0;
    std::string firstError;
};

class Simulator {
public:
    static Simulator& Instance();

    // SDK side. BeginCall counts the call; a non-MV_OK answer is an injected status that the
    // operation returns at once.
    uint32_t BeginCall(Op op);
    uint32_t Initialize();
    uint32_t Finalize();
    uint32_t SdkVersion();
    uint32_t EnumDevices(unsigned int layerMask, MvDeviceInfoList& list);
    uint32_t CreateHandle(const MvDeviceInfo* record, void*& handle);
    uint32_t DestroyHandle(void* handle);
    uint32_t OpenDevice(void* handle, unsigned int accessMode, unsigned short switchoverKey);
    uint32_t CloseDevice(void* handle);
    // MV_OK for a handle that exists, MV_E_HANDLE otherwise.
    uint32_t CheckHandle(void* handle);

    // Runs body(NodeMap&) under the mutex for an opened handle. MV_E_HANDLE for an unknown
    // handle, MV_E_CALLORDER when it is not open, MV_E_BUSY when its device has gone.
    template <typename Body>
    uint32_t WithNodes(void* handle, Body&& body)
    {
        std::lock_guard<std::mutex> lock(mutex);
        SimDevice* device = nullptr;
        const uint32_t status = OpenDeviceLocked(handle, device);
        if (status != MV_OK) {
            return status;
        }
        const uint32_t answer = body(*device->nodes);
        WakeStreamLocked(handle);  // the camera looks at its settings again
        return answer;
    }

    // Streaming, device loss, commands with effects beyond the node map.
    uint32_t SetImageNodeNum(void* handle, unsigned int count);
    uint32_t RegisterImageCallback(void* handle, MvImageCallback callback, void* user, bool bgr);
    // The handle's converter, or null with the status of an unusable handle. The conversion
    // itself runs without the simulator's mutex.
    std::shared_ptr<Convert::Converter> ConverterFor(void* handle, uint32_t& status);
    uint32_t RegisterExceptionCallback(void* handle, MvExceptionCallback callback, void* user);
    uint32_t StartGrabbing(void* handle);
    uint32_t StopGrabbing(void* handle);
    uint32_t ExecuteCommand(void* handle, const std::string& name);
    uint32_t IssueAction(const MvActionCmdInfo& info, MvActionCmdResultList& results);

    // Control side.
    void Reset();
    unsigned InitCount();
    void ClearDevices();
    uint32_t AddDevice(DeviceDesc desc, std::string& reason);  // the id, 0 when rejected
    bool RemoveDevice(uint32_t id);
    std::size_t DeviceCount();
    bool GetDevice(std::size_t index, CamSimDeviceState& state);
    ConfigOutcome LoadConfigText(std::string_view text);
    bool LoadConfigFile(const std::string& path, ConfigOutcome& outcome);
    ConfigOutcome LastConfig();
    uint32_t AddFault(Op op, const FaultRule& rule);
    void ClearFaults();
    uint32_t CallCount(Op op);
    void ResetCallCounts();
    void SetSdkVersion(uint32_t version);
    // Gives a device another model, with power-up values, from its next opening on; null goes
    // back to the default. MV_E_PARAMETER for an unknown id, MV_E_CALLORDER while it is open.
    uint32_t SetDeviceModel(uint32_t id, std::shared_ptr<const Model> model);
    uint32_t Unplug(uint32_t id, uint32_t replugAfterMs);
    uint32_t Replug(uint32_t id);
    uint32_t FireLine(uint32_t id, uint32_t line);
    uint32_t GetStreamStats(uint32_t id, CamSimStreamStats& stats);
    // Applies change(SimDevice&) to a present or unplugged device; MV_E_PARAMETER when unknown.
    template <typename Change>
    uint32_t ChangeDevice(uint32_t id, Change&& change)
    {
        std::lock_guard<std::mutex> lock(mutex);
        SimDevice* device = FindAnyDeviceLocked(id);
        if (device == nullptr) {
            return MV_E_PARAMETER;
        }
        const uint32_t status = change(*device);
        if (device->nodes) {
            device->nodes->SetRefusals(device->refusals);
        }
        return status;
    }

private:
    // The *Locked members expect the mutex to be held.
    void LoadFromEnvironmentLocked(Aftermath& after);
    void ApplyConfigLocked(const ParsedConfig& config, uint32_t source, const std::string& origin, Aftermath& after);
    void ReplaceDevicesLocked(const std::vector<DeviceDesc>& descs, Aftermath& after);
    void RetireLocked(SimDevice& device);
    uint32_t AddDeviceLocked(DeviceDesc desc);
    uint32_t FreeIpAddressLocked() const;
    uint32_t FreeUsbNumberLocked() const;
    SimDevice* FindDeviceLocked(uint32_t id);     // present devices only
    SimDevice* FindAnyDeviceLocked(uint32_t id);  // unplugged ones too
    std::shared_ptr<Convert::Converter> ConverterLocked(SimHandle& handle);
    SimHandle* FindHandleLocked(void* handle);
    // The device of an opened handle whose connection is still alive.
    uint32_t OpenDeviceLocked(void* handle, SimDevice*& device);
    SimHandle* OpenerLocked(const SimDevice& device);
    void WakeStreamLocked(void* handle);
    // Ends the opener's connection: its stream stops, the device is released, and (notify)
    // its exception callback hears of it once the mutex is released.
    void DisconnectLocked(SimDevice& device, bool notify, Aftermath& after);
    void UnplugLocked(SimDevice& device, uint32_t replugAfterMs, Aftermath& after);
    void ReplugLocked(SimDevice& device);
    void PollReplugLocked();  // brings back devices whose time has come
    void StopStreamLocked(SimHandle& handle, Aftermath& after);
    // Joins, closes and notifies; the mutex must not be held.
    static void Finish(Aftermath& after);

    std::mutex mutex;
    unsigned initCount = 0;
    bool deviceSetOverridden = false;  // the control interface chose the devices
    uint32_t nextId = 1;
    uint32_t sdkVersion = kDefaultSdkVersion;
    std::vector<std::unique_ptr<SimDevice>> devices;
    std::vector<RetiredRecord> retiredRecords;
    std::map<uintptr_t, SimHandle> handles;  // by handle value; values are never reused
    uintptr_t nextHandle = 1;
    FaultTable faults;
    std::array<uint32_t, kOpCount> callCounts{};
    ConfigOutcome lastConfig;
};

// The record the SDK hands out for a device.
std::unique_ptr<MvDeviceInfo> BuildDeviceRecord(const SimDevice& device);

}  // namespace CamSim
