// The camera's worker thread: open, close and grab requests and the device-lost notice reach
// it through one command slot; it runs them away from the host's and the SDK's threads and
// re-opens a lost camera as configured.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/Platform.h"

class Camera;

// A millisecond tick clock for the reconnect period.
class Stopwatch {
public:
    void Restart() { start = Platform::TickCountMs(); }
    double ElapsedSeconds() const { return static_cast<double>(Platform::TickCountMs() - start) * 0.001; }
    bool Expired(double seconds) const { return ElapsedSeconds() > seconds; }
    void Advance(double seconds) { start += static_cast<uint64_t>(static_cast<int64_t>(seconds * 1000.0)); }

private:
    uint64_t start = 0;
};

class ThrCameraControl {
public:
    enum Command : int32_t {
        CmdNone = 0,
        CmdTerminate = 1,
        CmdOpen = 2,
        CmdGrab = 3,
        CmdClose = 4,
        CmdDeviceLost = 5,
    };

    explicit ThrCameraControl(Camera& owner) : owner(owner) {}
    ~ThrCameraControl();
    ThrCameraControl(const ThrCameraControl&) = delete;
    ThrCameraControl& operator=(const ThrCameraControl&) = delete;

    void InitThread();
    bool IsRunning() const { return thread != nullptr; }
    void Post(int32_t code);
    void PostOpen();
    void PostGrab() { Post(CmdGrab); }
    void PostClose() { Post(CmdClose); }
    void PostDeviceLost() { Post(CmdDeviceLost); }
    void PostTerminate() { Post(CmdTerminate); }
    void Destroy();

    // The command waiting in the slot (for tests and log lines).
    int32_t PendingCommand() const { return command.load(); }

private:
    static int ThreadEntry(void* self);
    int ThreadMain();
    void HandleLoss();
    void ReconnectStep();

    std::unique_ptr<Platform::Thread> thread;
    std::unique_ptr<Platform::Event> commandEvent;
    std::atomic<int32_t> command{CmdNone};
    std::mutex controlLock;
    Camera& owner;

    // Reconnect state; touched by the thread only.
    bool reconnecting = false;
    int64_t triesLeft = 0;
    bool indefinite = true;
    double waitSeconds = 5.0;
    Stopwatch stopwatch;
};
