#include "aravis/Discovery.h"

#include <arv.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "aravis/Gvcp.h"
#include "util/Text.h"

namespace OrnicAravis {

namespace {

// Bootstrap register offsets, as the discovery acknowledge carries them.
constexpr size_t kVersion = 0x00;
constexpr size_t kMacHigh = 0x08;
constexpr size_t kMacLow = 0x0C;
constexpr size_t kCurrentIp = 0x24;
constexpr size_t kSubnetMask = 0x34;
constexpr size_t kGateway = 0x44;
constexpr size_t kManufacturer = 0x48;
constexpr size_t kModel = 0x68;
constexpr size_t kDeviceVersion = 0x88;
constexpr size_t kSerial = 0xD8;
constexpr size_t kUserName = 0xE8;

template <size_t N>
void CopyField(char (&field)[N], const std::array<uint8_t, 0xF8>& data, size_t offset)
{
    // The record keeps the device's bytes: a name that fills its field has no terminator.
    std::memcpy(field, data.data() + offset, N);
}

std::string FieldText(const std::array<uint8_t, 0xF8>& data, size_t offset, size_t size)
{
    const char* begin = reinterpret_cast<const char*>(data.data() + offset);
    return std::string(begin, std::find(begin, begin + size, '\0'));
}

}  // namespace

std::vector<Discovered> DiscoverGigE(const std::vector<uint32_t>& addresses, uint32_t waitMs, std::string& error)
{
    std::vector<Discovered> found;
    if (addresses.empty()) return found;
    const bool broadcast = std::any_of(addresses.begin(), addresses.end(), Gvcp::IsBroadcast);
    Gvcp::UdpSocket socket;
    if (!socket.Open(0, broadcast, error)) return found;
    static uint16_t requestId = 0;
    const uint16_t id = static_cast<uint16_t>(++requestId == 0 ? ++requestId : requestId);
    size_t unicast = 0;
    for (uint32_t address : addresses) {
        const uint8_t flags = static_cast<uint8_t>(Gvcp::kFlagAcknowledge |
                                                   (Gvcp::IsBroadcast(address) ? Gvcp::kFlagAllowBroadcastAck : 0));
        std::string sendError;
        if (!socket.SendTo(address, Gvcp::kPort, Gvcp::Command(flags, Gvcp::kDiscoveryCommand, id, {}), sendError)) {
            error = Util_2_1::FormatIpv4(address) + ": " + sendError;
            continue;
        }
        if (!Gvcp::IsBroadcast(address)) ++unicast;
    }
    const int64_t deadline = g_get_monotonic_time() + static_cast<int64_t>(waitMs) * 1000;
    uint8_t buffer[1500];
    for (;;) {
        // Every unicast address answered and no broadcast can bring more: done early.
        if (!broadcast && found.size() >= unicast) break;
        uint32_t from = 0;
        const long size = socket.Receive(buffer, sizeof buffer, deadline, from);
        if (size < 0) break;
        Gvcp::Ack ack;
        if (!Gvcp::ParseAck(buffer, static_cast<size_t>(size), ack) || ack.answer != Gvcp::kDiscoveryAck ||
            ack.id != id || ack.status != 0 || ack.payloadSize < Gvcp::kDiscoveryDataSize) {
            continue;
        }
        const bool again =
            std::any_of(found.begin(), found.end(), [&](const Discovered& d) { return d.address == from; });
        if (again) continue;
        Discovered device;
        device.address = from;
        std::memcpy(device.data.data(), ack.payload, device.data.size());
        device.interfaceAddress = Gvcp::LocalAddressToward(from);
        found.push_back(device);
    }
    // In the order the addresses were given; answers to a broadcast after them, as they came.
    const auto rank = [&](const Discovered& device) {
        const auto at = std::find(addresses.begin(), addresses.end(), device.address);
        return static_cast<size_t>(at - addresses.begin());
    };
    std::stable_sort(found.begin(), found.end(),
                     [&](const Discovered& a, const Discovered& b) { return rank(a) < rank(b); });
    return found;
}

void FillGigERecord(MvDeviceInfo& info, const Discovered& device)
{
    std::memset(&info, 0, sizeof info);
    const uint8_t* d = device.data.data();
    info.nMajorVer = Gvcp::ReadU16(d + kVersion);
    info.nMinorVer = Gvcp::ReadU16(d + kVersion + 2);
    info.nMacAddrHigh = Gvcp::ReadU32(d + kMacHigh) & 0xFFFFu;
    info.nMacAddrLow = Gvcp::ReadU32(d + kMacLow);
    info.nTLayerType = MV_GIGE_DEVICE;
    MvGigeDeviceInfo& gige = info.SpecialInfo.stGigEInfo;
    gige.nCurrentIp = Gvcp::ReadU32(d + kCurrentIp);
    if (gige.nCurrentIp == 0) gige.nCurrentIp = device.address;
    gige.nCurrentSubNetMask = Gvcp::ReadU32(d + kSubnetMask);
    gige.nDefultGateWay = Gvcp::ReadU32(d + kGateway);
    gige.nNetExport = device.interfaceAddress;
    CopyField(gige.chManufacturerName, device.data, kManufacturer);
    CopyField(gige.chModelName, device.data, kModel);
    CopyField(gige.chDeviceVersion, device.data, kDeviceVersion);
    CopyField(gige.chSerialNumber, device.data, kSerial);
    CopyField(gige.chUserDefinedName, device.data, kUserName);
}

std::string GigEKey(const Discovered& device)
{
    const uint8_t* d = device.data.data();
    char mac[24];
    std::snprintf(mac, sizeof mac, "%04x%08x", Gvcp::ReadU32(d + kMacHigh) & 0xFFFFu, Gvcp::ReadU32(d + kMacLow));
    return "gige:" + Util_2_1::FormatIpv4(device.address) + ":" + mac + ":" + FieldText(device.data, kSerial, 16);
}

}  // namespace OrnicAravis
