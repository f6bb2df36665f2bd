// The simulator's whole state behind one mutex: the SDK's initialization, the device set and
// the records handed out for it, injected faults and call counts. The exported SDK and
// control functions are thin wrappers around this class.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "camsim/DeviceConfig.h"
#include "camsim/FaultTable.h"
#include "camsim/NodeMap.h"
#include "camsim/Operations.h"
#include "camsim/SimControl.h"
#include "sdk/MvSdk.h"

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
};

// A record handed out for a device that has gone since; handles can still be made from it.
struct RetiredRecord {
    uint32_t deviceId = 0;
    std::unique_ptr<MvDeviceInfo> record;
};

struct SimHandle {
    uint32_t deviceId = 0;
    bool open = false;
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
        NodeMap* nodes = nullptr;
        const uint32_t status = OpenNodesLocked(handle, nodes);
        return status != MV_OK ? status : body(*nodes);
    }

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

private:
    // The *Locked members expect the mutex to be held.
    void LoadFromEnvironmentLocked();
    void ApplyConfigLocked(const ParsedConfig& config, uint32_t source, const std::string& origin);
    void ReplaceDevicesLocked(const std::vector<DeviceDesc>& descs);
    void RetireLocked(SimDevice& device);
    uint32_t AddDeviceLocked(DeviceDesc desc);
    uint32_t FreeIpAddressLocked() const;
    uint32_t FreeUsbNumberLocked() const;
    SimDevice* FindDeviceLocked(uint32_t id);
    SimHandle* FindHandleLocked(void* handle);
    uint32_t OpenNodesLocked(void* handle, NodeMap*& nodes);

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
