// GigE Vision action commands, which Aravis does not offer: an ACTION_CMD datagram (device
// key, group key, group mask, the action time when scheduled) to the given address on UDP
// port 3956, then one result per device that acknowledges within the time-out.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "aravis/Backend.h"
#include "aravis/Gvcp.h"
#include "util/Text.h"

namespace {

namespace Gvcp = OrnicAravis::Gvcp;

// Where the command goes. With ORNIC_ARAVIS_ADDRESSES nothing leaves for an address outside
// that list: a broadcast reaches each listed address it covers, directly.
bool Destinations(uint32_t address, const OrnicAravis::Settings& settings, std::vector<uint32_t>& out)
{
    out.clear();
    if (!settings.addressesSet) {
        out.push_back(address);
        return true;
    }
    if (Gvcp::IsBroadcast(address)) {
        for (uint32_t listed : settings.addresses) {
            if (address == 0xFFFFFFFFu || (listed & 0xFFFFFF00u) == (address & 0xFFFFFF00u)) out.push_back(listed);
        }
        return true;
    }
    if (std::find(settings.addresses.begin(), settings.addresses.end(), address) == settings.addresses.end()) {
        return false;
    }
    out.push_back(address);
    return true;
}

uint32_t Issue(MvActionCmdInfo& info, MvActionCmdResultList& results)
{
    uint32_t address = 0;
    if (info.pBroadcastAddress == nullptr || !Util_2_1::ParseIpv4(info.pBroadcastAddress, address)) {
        return MV_E_PARAMETER;
    }
    uint32_t local = 0;
    if (info.bSpecialNetEnable != 0 &&
        (info.pSpecialNetIP == nullptr || !Util_2_1::ParseIpv4(info.pSpecialNetIP, local))) {
        return MV_E_PARAMETER;
    }
    const uint32_t room = results.nNumResults;
    if (room > 0 && results.pResults == nullptr) return MV_E_PARAMETER;
    {
        OrnicAravis::Backend& backend = OrnicAravis::Backend::Get();
        std::lock_guard<std::mutex> lock(backend.mutex);
        if (backend.initCount == 0) return MV_E_CALLORDER;
    }
    results.nNumResults = 0;
    std::vector<uint32_t> targets;
    if (!Destinations(address, OrnicAravis::ReadSettings(), targets)) return MV_E_PARAMETER;

    const bool broadcast = std::any_of(targets.begin(), targets.end(), Gvcp::IsBroadcast);
    Gvcp::UdpSocket socket;
    std::string error;
    if (!socket.Open(local, broadcast, error)) return MV_E_NETWORK;
    static uint16_t lastId = 0;
    const uint16_t id = static_cast<uint16_t>(++lastId == 0 ? ++lastId : lastId);
    const std::vector<uint8_t> packet =
        Gvcp::ActionCommand(id, info.nDeviceKey, info.nGroupKey, info.nGroupMask, info.bActionTimeEnable != 0,
                            static_cast<uint64_t>(info.nActionTime));
    size_t sent = 0;
    for (uint32_t target : targets) {
        if (socket.SendTo(target, Gvcp::kPort, packet, error)) ++sent;
    }
    if (sent == 0 && !targets.empty()) return MV_E_NETWORK;

    // Acknowledges until the time-out; unicast commands are done when each target answered.
    std::vector<uint32_t> answered;
    const int64_t deadline = g_get_monotonic_time() + static_cast<int64_t>(info.nTimeOut) * 1000;
    uint8_t buffer[576];
    while (broadcast || answered.size() < sent) {
        uint32_t from = 0;
        const long size = socket.Receive(buffer, sizeof buffer, deadline, from);
        if (size < 0) break;
        Gvcp::Ack ack;
        if (!Gvcp::ParseAck(buffer, static_cast<size_t>(size), ack) || ack.answer != Gvcp::kActionAck || ack.id != id) {
            continue;
        }
        if (std::find(answered.begin(), answered.end(), from) != answered.end()) continue;
        answered.push_back(from);
        if (results.nNumResults < room) {
            MvActionCmdResult& result = results.pResults[results.nNumResults++];
            std::memset(&result, 0, sizeof result);
            Util_2_1::CopyText(result.strDeviceAddress, Util_2_1::FormatIpv4(from));
            result.nStatus = ack.status;
        }
    }
    return MV_OK;
}

}  // namespace

extern "C" {

MV_SDK_API int MV_SDK_CALL MV_GIGE_IssueActionCommand(MvActionCmdInfo* info, MvActionCmdResultList* results)
{
    return OrnicAravis::Guarded([&]() -> uint32_t {
        if (info == nullptr || results == nullptr) return MV_E_PARAMETER;
        return Issue(*info, *results);
    });
}

}  // extern "C"
