// The simulator's whole state behind one mutex: the SDK's initialization, the device set and
// the records handed out for it, handles, injected faults and call counts. Two faces work on
// it: SdkSide (what the MV_CC_* entry points need) and ControlSide (what SimControl.h's
// functions need). What both need is here: finding devices and handles, device loss and
// return, loading the device set, and Locked, the one way to run under the mutex.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "camsim/CallbackGate.h"
#include "camsim/CameraBehaviour.h"
#include "camsim/DeviceConfig.h"
#include "camsim/FaultTable.h"
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
    std::unique_ptr<CameraBehaviour> camera;
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

// What OpenedLocked found for a handle.
struct OpenedHandle {
    // MV_OK for an opened handle whose connection is alive; otherwise MV_E_HANDLE (unknown),
    // MV_E_CALLORDER (not open) or MV_E_BUSY (its device has gone or been unplugged since).
    uint32_t status = MV_E_HANDLE;
    SimHandle* handle = nullptr;  // set unless MV_E_HANDLE
    SimDevice* device = nullptr;  // set with MV_OK; its camera exists then
};

class SimState {
public:
    static SimState& Instance();

    // Runs body with the mutex held, then, without it, the Aftermath the body left (joins
    // streams, closes exception callbacks, reports lost devices on a thread of the SDK's).
    // body takes an Aftermath& or nothing; Locked answers what it answers.
    template <typename Body>
    auto Locked(Body&& body)
    {
        Aftermath after;
        if constexpr (std::is_void_v<decltype(Run(body, after))>) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                Run(body, after);
            }
            Finish(after);
        } else {
            auto result = [&] {
                std::lock_guard<std::mutex> lock(mutex);
                return Run(body, after);
            }();
            Finish(after);
            return result;
        }
    }

    // The *Locked members expect the mutex to be held.
    SimDevice* FindDeviceLocked(uint32_t id);     // present devices only
    SimDevice* FindAnyDeviceLocked(uint32_t id);  // unplugged ones too
    SimHandle* FindHandleLocked(void* handle);
    OpenedHandle OpenedLocked(void* handle);
    SimHandle* OpenerLocked(const SimDevice& device);
    void StopStreamLocked(SimHandle& handle, Aftermath& after);
    // Ends the opener's connection: its stream stops, the device is released, and (notify)
    // its exception callback hears of it once the mutex is released.
    void DisconnectLocked(SimDevice& device, bool notify, Aftermath& after);
    void UnplugLocked(SimDevice& device, uint32_t replugAfterMs, Aftermath& after);
    void ReplugLocked(SimDevice& device);
    void PollReplugLocked();  // brings back devices whose time has come

    // The device set: from the environment (ORNIC_SIM_CAMERAS, ORNIC_SIM_CONFIG, else the
    // default pair), from parsed configuration text, or added one by one.
    void LoadFromEnvironmentLocked(Aftermath& after);
    void ApplyConfigLocked(const ParsedConfig& config, uint32_t source, const std::string& origin, Aftermath& after);
    void ReplaceDevicesLocked(const std::vector<DeviceDesc>& descs, Aftermath& after);
    uint32_t AddDeviceLocked(DeviceDesc desc);  // the new id

    // The state itself, guarded by mutex.
    std::mutex mutex;
    unsigned initCount = 0;
    bool deviceSetOverridden = false;  // the control interface chose the devices
    uint32_t sdkVersion = kDefaultSdkVersion;
    std::vector<std::unique_ptr<SimDevice>> devices;
    std::vector<RetiredRecord> retiredRecords;
    std::map<uintptr_t, SimHandle> handles;  // by handle value; values are never reused
    uintptr_t nextHandle = 1;
    FaultTable faults;
    std::array<uint32_t, kOpCount> callCounts{};
    ConfigOutcome lastConfig;

private:
    template <typename Body>
    static decltype(auto) Run(Body& body, Aftermath& after)
    {
        if constexpr (std::is_invocable_v<Body&, Aftermath&>) {
            return body(after);
        } else {
            return body();
        }
    }
    // Joins, closes and notifies; the mutex must not be held.
    static void Finish(Aftermath& after);
    void RetireLocked(SimDevice& device);
    uint32_t FreeIpAddressLocked() const;
    uint32_t FreeUsbNumberLocked() const;

    uint32_t nextId = 1;
};

inline uintptr_t HandleKey(const void* handle)
{
    return reinterpret_cast<uintptr_t>(handle);
}

// The record the SDK hands out for a device.
std::unique_ptr<MvDeviceInfo> BuildDeviceRecord(const SimDevice& device);

}  // namespace CamSim
