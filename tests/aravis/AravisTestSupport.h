// Shared by the Aravis backend's tests: Aravis's GigE Vision camera emulator started on the
// loopback interface, a UDP responder that answers action commands as a camera would, and
// environment helpers. Everything stays on 127.0.0.0/8: the emulator is reached at
// 127.0.0.1, the responder listens on 127.0.0.2, and ORNIC_ARAVIS_ADDRESSES keeps discovery
// to those addresses.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace AravisTest {

constexpr const char* kEmulatorAddress = "127.0.0.1";
constexpr const char* kResponderAddress = "127.0.0.2";
constexpr uint16_t kGvcpPort = 3956;
// The emulator's identity (its model, and the serial the fixture gives it).
constexpr const char* kModel = "Fake";
constexpr const char* kSerial = "GV01";
constexpr const char* kConfigName = "Fake (GV01)";

inline void SetEnv(const char* name, const char* value)
{
    if (value == nullptr) {
        unsetenv(name);
    } else {
        setenv(name, value, 1);
    }
}

// Sets or clears a variable for the lifetime of the object, then puts the old value back.
class ScopedEnv {
public:
    explicit ScopedEnv(const char* variable) : name(variable)
    {
        const char* old = std::getenv(name);
        hadValue = old != nullptr;
        if (hadValue) saved = old;
    }
    ScopedEnv(const char* variable, const char* value) : ScopedEnv(variable) { SetEnv(name, value); }
    ~ScopedEnv() { SetEnv(name, hadValue ? saved.c_str() : nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    void Set(const std::string& value) { SetEnv(name, value.c_str()); }
    void Clear() { SetEnv(name, nullptr); }

private:
    const char* name;
    bool hadValue = false;
    std::string saved;
};

inline sockaddr_in SocketAddress(const char* address, uint16_t port)
{
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    inet_pton(AF_INET, address, &result.sin_addr);
    return result;
}

// True when a GigE Vision device at `address` answers a unicast discovery within the time.
inline bool AnswersDiscovery(const char* address, int timeoutMs)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) return false;
    timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    const uint8_t discovery[8] = {0x42, 0x01, 0x00, 0x02, 0x00, 0x00, 0x12, 0x34};
    const sockaddr_in target = SocketAddress(address, kGvcpPort);
    sendto(fd, discovery, sizeof discovery, 0, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    uint8_t answer[512];
    const ssize_t got = recv(fd, answer, sizeof answer, 0);
    close(fd);
    return got >= 8 && answer[2] == 0x00 && answer[3] == 0x03;
}

// A bootstrap register of the GigE Vision device at `address`, read with a GVCP
// READ_REGISTER_CMD; false when it does not answer.
inline bool ReadRegister(const char* address, uint32_t reg, uint32_t& value)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) return false;
    timeval wait{0, 300000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    const uint8_t read[12] = {0x42,
                              0x01,
                              0x00,
                              0x80,
                              0x00,
                              0x04,
                              0x43,
                              0x21,
                              static_cast<uint8_t>(reg >> 24),
                              static_cast<uint8_t>(reg >> 16),
                              static_cast<uint8_t>(reg >> 8),
                              static_cast<uint8_t>(reg)};
    const sockaddr_in target = SocketAddress(address, kGvcpPort);
    sendto(fd, read, sizeof read, 0, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    uint8_t answer[64];
    const ssize_t got = recv(fd, answer, sizeof answer, 0);
    close(fd);
    if (got < 12 || answer[2] != 0x00 || answer[3] != 0x81) return false;
    value = (uint32_t(answer[8]) << 24) | (uint32_t(answer[9]) << 16) | (uint32_t(answer[10]) << 8) | answer[11];
    return true;
}

// A program started as a child that dies with this one; its stdout and stderr are dropped.
inline pid_t SpawnQuiet(std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0) return pid;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        dup2(null, 1);
        dup2(null, 2);
    }
    execv(argv[0], argv.data());
    _exit(127);
}

// arv-fake-gv-camera-0.8 on 127.0.0.1, as a child process.
class Emulator {
public:
    ~Emulator() { Stop(); }

    // Starts it and waits until it answers discovery; `error` says why not. A GenICam file
    // replaces the emulator's own description (it must keep the emulator's registers).
    bool Start(std::string& error, const std::string& genicam = std::string())
    {
        if (pid > 0) return true;
        if (AnswersDiscovery(kEmulatorAddress, 200)) {
            error = "a GigE Vision device already answers at 127.0.0.1 (an emulator left running?)";
            return false;
        }
        const char* program = ORNIC_ARAVIS_EMULATOR;
        std::vector<std::string> args = {program, "-i", kEmulatorAddress, "-s", kSerial};
        if (!genicam.empty()) {
            args.push_back("-g");
            args.push_back(genicam);
        }
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        // The emulator dies with this program, even when the program is killed or crashes.
        const pid_t parent = getpid();
        pid = fork();
        if (pid < 0) {
            error = std::string("cannot start ") + program + ": " + std::strerror(errno);
            return false;
        }
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent) _exit(1);
            const int null = open("/dev/null", O_WRONLY);
            if (null >= 0) {
                dup2(null, 1);
                dup2(null, 2);
            }
            execv(program, argv.data());
            _exit(127);
        }
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < end) {
            if (AnswersDiscovery(kEmulatorAddress, 100)) return true;
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                error = "the emulator ended at once";
                return false;
            }
        }
        Stop();
        error = "the emulator did not answer discovery within 10 s";
        return false;
    }

    // Ends it at once, as a camera that loses power: no goodbye on the wire.
    void Stop()
    {
        if (pid <= 0) return;
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
    }

    bool Running() const { return pid > 0; }

private:
    pid_t pid = -1;
};

// Answers GigE Vision action commands on 127.0.0.2:3956 as a camera with the given keys
// would: matching keys get an ACTION_ACK with the chosen status, or no answer at all.
class ActionResponder {
public:
    struct Received {
        uint8_t flags = 0;
        uint16_t length = 0;
        uint32_t deviceKey = 0;
        uint32_t groupKey = 0;
        uint32_t groupMask = 0;
        bool hasTime = false;
        uint64_t actionTime = 0;
    };

    ~ActionResponder() { Stop(); }

    bool Start(const char* address = kResponderAddress)
    {
        fd = socket(AF_INET, SOCK_DGRAM, 0);
        if (fd < 0) return false;
        const sockaddr_in local = SocketAddress(address, kGvcpPort);
        if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            close(fd);
            fd = -1;
            return false;
        }
        timeval wait{0, 50000};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        running = true;
        thread = std::thread([this] { Run(); });
        return true;
    }

    void Stop()
    {
        running = false;
        if (thread.joinable()) thread.join();
        if (fd >= 0) close(fd);
        fd = -1;
    }

    // The camera's keys, and its answer: a GigE Vision status, or none (kNoAnswer).
    static constexpr int kNoAnswer = -1;
    void Configure(uint32_t device, uint32_t group, uint32_t mask, int answer)
    {
        std::lock_guard<std::mutex> lock(mutex);
        deviceKey = device;
        groupKey = group;
        groupMask = mask;
        status = answer;
    }

    std::vector<Received> Commands()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return received;
    }

private:
    static uint32_t U32(const uint8_t* p)
    {
        return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (p[2] << 8) | p[3];
    }

    void Run()
    {
        uint8_t packet[576];
        while (running) {
            sockaddr_in from{};
            socklen_t fromSize = sizeof from;
            const ssize_t size = recvfrom(fd, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&from), &fromSize);
            if (size < 8 || packet[0] != 0x42 || packet[2] != 0x01 || packet[3] != 0x00) continue;
            Received command;
            command.flags = packet[1];
            command.length = static_cast<uint16_t>((packet[4] << 8) | packet[5]);
            if (size >= 20) {
                command.deviceKey = U32(packet + 8);
                command.groupKey = U32(packet + 12);
                command.groupMask = U32(packet + 16);
            }
            command.hasTime = size >= 28;
            if (command.hasTime) command.actionTime = (uint64_t(U32(packet + 20)) << 32) | U32(packet + 24);
            int answer = kNoAnswer;
            {
                std::lock_guard<std::mutex> lock(mutex);
                received.push_back(command);
                const bool match = command.deviceKey == deviceKey && command.groupKey == groupKey &&
                                   (command.groupMask & groupMask) != 0;
                if (match) answer = status;
            }
            // An acknowledge only when the command asks for one and the keys match.
            if (answer == kNoAnswer || (command.flags & 0x01) == 0) continue;
            const uint8_t ack[8] = {static_cast<uint8_t>(answer >> 8),
                                    static_cast<uint8_t>(answer),
                                    0x01,
                                    0x01,
                                    0x00,
                                    0x00,
                                    packet[6],
                                    packet[7]};
            sendto(fd, ack, sizeof ack, 0, reinterpret_cast<const sockaddr*>(&from), fromSize);
        }
    }

    int fd = -1;
    std::atomic<bool> running{false};
    std::thread thread;
    std::mutex mutex;
    uint32_t deviceKey = 1;
    uint32_t groupKey = 1;
    uint32_t groupMask = 1;
    int status = 0;
    std::vector<Received> received;
};

}  // namespace AravisTest
