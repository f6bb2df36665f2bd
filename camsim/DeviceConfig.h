// The simulated device set as text: one entry per line or per ';', e.g.
//   gige:SIM-GM130:S1000001:mono
//   usb:SIM-UC500:S2000001:bayer_rg:name=Left
//   other:0x8:SIM-CL:S3
// docs/simulator.md describes the grammar.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace CamSim {

struct DeviceDesc {
    uint32_t transport = 0;  // nTLayerType bit
    uint32_t kind = 0;       // CamSimKind
    std::string model;
    std::string serial;
    std::string userName;
    std::string version;
    uint32_t ipAddress = 0;  // GigE Vision; 0 = the simulator picks a free one
};

struct ConfigIssue {
    unsigned line = 0;
    std::string entry;
    std::string reason;
};

struct ParsedConfig {
    std::vector<DeviceDesc> devices;
    std::vector<ConfigIssue> issues;
};

// Never throws on bad text (only on exhausted memory); malformed entries become issues.
ParsedConfig ParseConfig(std::string_view text);

// One entry (no ';' or comment). False with a reason when it is malformed.
bool ParseEntry(std::string_view entry, DeviceDesc& desc, std::string& reason);

// Field lengths against the device record of the transport, printable characters, a known
// kind. Shared by the parser and the control interface's AddDevice.
bool ValidateDesc(const DeviceDesc& desc, std::string& reason);

// The pair of cameras used when nothing is configured.
std::vector<DeviceDesc> DefaultDevices();

// The same serial number always gives the same MAC address, as a real camera would: these
// are its low 32 bits; the high 16 bits are kMacHigh.
uint32_t MacLow(const std::string& serial);
constexpr uint32_t kMacHigh = 0x024Fu;  // locally administered

}  // namespace CamSim
