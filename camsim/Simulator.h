// The simulator's whole state behind one mutex: the SDK's initialization, the device set and
// the records handed out for it, injected faults and call counts. The exported SDK and
// control functions are thin wrappers around this class.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "camsim/DeviceConfig.h"
#include "camsim/FaultTable.h"
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

private:
    // The *Locked members expect the mutex to be held.
    void LoadFromEnvironmentLocked();
    void ApplyConfigLocked(const ParsedConfig& config, uint32_t source, const std::string& origin);
    void ReplaceDevicesLocked(const std::vector<DeviceDesc>& descs);
    void RetireLocked(SimDevice& device);
    uint32_t AddDeviceLocked(DeviceDesc desc);
    uint32_t FreeIpAddressLocked() const;
    uint32_t FreeUsbNumberLocked() const;

    std::mutex mutex;
    unsigned initCount = 0;
    bool deviceSetOverridden = false;  // the control interface chose the devices
    uint32_t nextId = 1;
    uint32_t sdkVersion = kDefaultSdkVersion;
    std::vector<std::unique_ptr<SimDevice>> devices;
    std::vector<std::unique_ptr<MvDeviceInfo>> retiredRecords;
    FaultTable faults;
    std::array<uint32_t, kOpCount> callCounts{};
    ConfigOutcome lastConfig;
};

// The record the SDK hands out for a device.
std::unique_ptr<MvDeviceInfo> BuildDeviceRecord(const SimDevice& device);

}  // namespace CamSim
