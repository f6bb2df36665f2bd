// The few GigE Vision control-protocol (GVCP) messages the backend builds itself: the
// discovery command (to ask only the addresses it was given, never by broadcast unless one of
// them is a broadcast address) and the action command, which Aravis does not offer. A small
// UDP socket over GIO carries them.
#pragma once

#include <arv.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace OrnicAravis::Gvcp {

constexpr uint16_t kPort = 3956;
constexpr uint8_t kCommandKey = 0x42;
constexpr uint8_t kFlagAcknowledge = 0x01;
constexpr uint8_t kFlagAllowBroadcastAck = 0x10;  // discovery
constexpr uint8_t kFlagScheduledAction = 0x80;    // action: the action_time field follows
constexpr uint16_t kDiscoveryCommand = 0x0002;
constexpr uint16_t kDiscoveryAck = 0x0003;
constexpr uint16_t kActionCommand = 0x0100;
constexpr uint16_t kActionAck = 0x0101;
constexpr size_t kHeaderSize = 8;
constexpr size_t kDiscoveryDataSize = 0xF8;

// Header: key 0x42, flags, command, payload length, request id; all big-endian.
std::vector<uint8_t> Command(uint8_t flags, uint16_t command, uint16_t requestId, const std::vector<uint8_t>& payload);
std::vector<uint8_t> ActionCommand(uint16_t requestId, uint32_t deviceKey, uint32_t groupKey, uint32_t groupMask,
                                   bool scheduled, uint64_t actionTime);

// Acknowledge header: status, answer (the command + 1), payload length, the request id.
struct Ack {
    uint16_t status = 0;
    uint16_t answer = 0;
    uint16_t length = 0;
    uint16_t id = 0;
    const uint8_t* payload = nullptr;
    size_t payloadSize = 0;
};
bool ParseAck(const uint8_t* data, size_t size, Ack& ack);

uint16_t ReadU16(const uint8_t* p);
uint32_t ReadU32(const uint8_t* p);
void PutU16(std::vector<uint8_t>& out, uint16_t value);
void PutU32(std::vector<uint8_t>& out, uint32_t value);

// Host-order IPv4 addresses as GIO objects and back.
GInetAddress* NewInetAddress(uint32_t address);
uint32_t AddressOf(GInetAddress* address);  // 0 for anything but IPv4
bool IsBroadcast(uint32_t address);         // 255.255.255.255 or x.y.z.255

// A datagram socket: bound to `local` (0: any) on a free port.
class UdpSocket {
public:
    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    bool Open(uint32_t local, bool broadcast, std::string& error);
    bool SendTo(uint32_t address, uint16_t port, const std::vector<uint8_t>& data, std::string& error);
    // One datagram, waiting until the monotonic time `deadlineUs` (g_get_monotonic_time);
    // -1 when none came in time.
    long Receive(uint8_t* buffer, size_t size, int64_t deadlineUs, uint32_t& from);

private:
    GSocket* socket = nullptr;
};

// The host's own address on the way to `device`, as the system routes it (0 when unknown).
uint32_t LocalAddressToward(uint32_t device);

}  // namespace OrnicAravis::Gvcp
