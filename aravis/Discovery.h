// GigE Vision discovery without broadcast: a DISCOVERY_CMD sent to each address given, one
// record per device that answers, filled from its DISCOVERY_ACK (the bootstrap registers:
// version, MAC, IP configuration, names).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sdk/MvSdk.h"

namespace OrnicAravis {

struct Discovered {
    uint32_t address = 0;           // where the answer came from (host order)
    uint32_t interfaceAddress = 0;  // the host's address toward it
    std::array<uint8_t, 0xF8> data{};
};

// Asks every address (a broadcast address only when it is in the list) and collects the
// answers for `waitMs`, or until every unicast address has answered. `error` tells why
// nothing could be sent.
std::vector<Discovered> DiscoverGigE(const std::vector<uint32_t>& addresses, uint32_t waitMs, std::string& error);

// The device record of an answering device.
void FillGigERecord(MvDeviceInfo& info, const Discovered& device);

// The serial number and MAC as the record's identity.
std::string GigEKey(const Discovered& device);

}  // namespace OrnicAravis
