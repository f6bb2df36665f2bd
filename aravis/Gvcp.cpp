#include "aravis/Gvcp.h"

#include "aravis/Errors.h"

namespace OrnicAravis::Gvcp {

uint16_t ReadU16(const uint8_t* p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

uint32_t ReadU32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

void PutU16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

void PutU32(std::vector<uint8_t>& out, uint32_t value)
{
    PutU16(out, static_cast<uint16_t>(value >> 16));
    PutU16(out, static_cast<uint16_t>(value));
}

std::vector<uint8_t> Command(uint8_t flags, uint16_t command, uint16_t requestId, const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> packet;
    packet.reserve(kHeaderSize + payload.size());
    packet.push_back(kCommandKey);
    packet.push_back(flags);
    PutU16(packet, command);
    PutU16(packet, static_cast<uint16_t>(payload.size()));
    PutU16(packet, requestId);
    packet.insert(packet.end(), payload.begin(), payload.end());
    return packet;
}

std::vector<uint8_t> ActionCommand(uint16_t requestId, uint32_t deviceKey, uint32_t groupKey, uint32_t groupMask,
                                   bool scheduled, uint64_t actionTime)
{
    std::vector<uint8_t> payload;
    PutU32(payload, deviceKey);
    PutU32(payload, groupKey);
    PutU32(payload, groupMask);
    if (scheduled) {
        PutU32(payload, static_cast<uint32_t>(actionTime >> 32));
        PutU32(payload, static_cast<uint32_t>(actionTime));
    }
    const uint8_t flags = static_cast<uint8_t>(kFlagAcknowledge | (scheduled ? kFlagScheduledAction : 0));
    return Command(flags, kActionCommand, requestId, payload);
}

bool ParseAck(const uint8_t* data, size_t size, Ack& ack)
{
    if (data == nullptr || size < kHeaderSize) return false;
    ack.status = ReadU16(data);
    ack.answer = ReadU16(data + 2);
    ack.length = ReadU16(data + 4);
    ack.id = ReadU16(data + 6);
    ack.payload = data + kHeaderSize;
    ack.payloadSize = size - kHeaderSize;
    return true;
}

GInetAddress* NewInetAddress(uint32_t address)
{
    const guint8 bytes[4] = {static_cast<guint8>(address >> 24), static_cast<guint8>(address >> 16),
                             static_cast<guint8>(address >> 8), static_cast<guint8>(address)};
    return g_inet_address_new_from_bytes(bytes, G_SOCKET_FAMILY_IPV4);
}

uint32_t AddressOf(GInetAddress* address)
{
    if (address == nullptr || g_inet_address_get_family(address) != G_SOCKET_FAMILY_IPV4) return 0;
    return ReadU32(g_inet_address_to_bytes(address));
}

bool IsBroadcast(uint32_t address)
{
    return (address & 0xFFu) == 0xFFu;
}

UdpSocket::~UdpSocket()
{
    if (socket != nullptr) g_object_unref(socket);
}

bool UdpSocket::Open(uint32_t local, bool broadcast, std::string& error)
{
    GError* failure = nullptr;
    socket = g_socket_new(G_SOCKET_FAMILY_IPV4, G_SOCKET_TYPE_DATAGRAM, G_SOCKET_PROTOCOL_UDP, &failure);
    if (socket == nullptr) {
        error = TakeMessage(failure);
        return false;
    }
    g_socket_set_blocking(socket, FALSE);
    if (broadcast) g_socket_set_broadcast(socket, TRUE);
    GInetAddress* inet = NewInetAddress(local);
    GSocketAddress* address = g_inet_socket_address_new(inet, 0);
    const gboolean bound = g_socket_bind(socket, address, FALSE, &failure);
    g_object_unref(address);
    g_object_unref(inet);
    if (!bound) {
        error = TakeMessage(failure);
        return false;
    }
    return true;
}

bool UdpSocket::SendTo(uint32_t address, uint16_t port, const std::vector<uint8_t>& data, std::string& error)
{
    GInetAddress* inet = NewInetAddress(address);
    GSocketAddress* target = g_inet_socket_address_new(inet, port);
    GError* failure = nullptr;
    const gssize sent =
        g_socket_send_to(socket, target, reinterpret_cast<const gchar*>(data.data()), data.size(), nullptr, &failure);
    g_object_unref(target);
    g_object_unref(inet);
    if (sent < 0) {
        error = TakeMessage(failure);
        return false;
    }
    return true;
}

long UdpSocket::Receive(uint8_t* buffer, size_t size, int64_t deadlineUs, uint32_t& from)
{
    for (;;) {
        const int64_t left = deadlineUs - g_get_monotonic_time();
        if (left <= 0) return -1;
        GError* failure = nullptr;
        if (!g_socket_condition_timed_wait(socket, G_IO_IN, left, nullptr, &failure)) {
            g_clear_error(&failure);
            return -1;
        }
        GSocketAddress* source = nullptr;
        const gssize count =
            g_socket_receive_from(socket, &source, reinterpret_cast<gchar*>(buffer), size, nullptr, &failure);
        g_clear_error(&failure);
        if (count < 0) {
            if (source != nullptr) g_object_unref(source);
            continue;  // would block after all, or an ICMP error from an earlier send
        }
        from = source != nullptr && G_IS_INET_SOCKET_ADDRESS(source)
                   ? AddressOf(g_inet_socket_address_get_address(G_INET_SOCKET_ADDRESS(source)))
                   : 0;
        if (source != nullptr) g_object_unref(source);
        return static_cast<long>(count);
    }
}

uint32_t LocalAddressToward(uint32_t device)
{
    // A connected datagram socket sends nothing; the system only picks the route.
    GSocket* probe = g_socket_new(G_SOCKET_FAMILY_IPV4, G_SOCKET_TYPE_DATAGRAM, G_SOCKET_PROTOCOL_UDP, nullptr);
    if (probe == nullptr) return 0;
    GInetAddress* inet = NewInetAddress(device);
    GSocketAddress* target = g_inet_socket_address_new(inet, kPort);
    uint32_t local = 0;
    if (g_socket_connect(probe, target, nullptr, nullptr)) {
        GSocketAddress* own = g_socket_get_local_address(probe, nullptr);
        if (own != nullptr && G_IS_INET_SOCKET_ADDRESS(own)) {
            local = AddressOf(g_inet_socket_address_get_address(G_INET_SOCKET_ADDRESS(own)));
        }
        if (own != nullptr) g_object_unref(own);
    }
    g_object_unref(target);
    g_object_unref(inet);
    g_object_unref(probe);
    return local;
}

}  // namespace OrnicAravis::Gvcp
