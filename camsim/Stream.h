// One grabbing session of an opened handle: the camera side makes frames (free-running at its
// frame rate, or one per accepted trigger) into a fixed number of buffers, the SDK side hands
// them to the image callback on a thread of its own. A frame that finds every buffer busy is
// dropped and counted.
//
// Everything but the frame bytes is guarded by the simulator's mutex, which both threads take
// between frames; the image callback always runs without it. The device and its node map are
// only touched while the stream has not been stopped: whoever stops a stream does so under
// the mutex before the device can change or go.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sdk/MvSdk.h"

namespace Convert {
class Converter;
}

namespace CamSim {

struct SimDevice;
class NodeMap;

struct StreamStats {
    uint32_t produced = 0;
    uint32_t delivered = 0;
    uint32_t dropped = 0;
    uint32_t triggersIgnored = 0;
};

class Stream {
public:
    struct Settings {
        uint32_t width = 0;
        uint32_t height = 0;
        uint32_t pixelFormat = 0;
        uint32_t bufferCount = 1;
        MvImageCallback callback = nullptr;  // null: frames are made and thrown away
        void* user = nullptr;
        // Set for a callback registered for BGR frames while the camera delivers another
        // format: each frame is converted with the handle's settings before it is handed over.
        std::shared_ptr<Convert::Converter> toBgr;
    };

    Stream(std::mutex& simulatorMutex, SimDevice& device, const Settings& settings);
    ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Under the simulator mutex: starts both threads (they wait for the mutex). False when a
    // thread cannot be made; the stream is then stopped and must still be joined.
    static bool StartLocked(const std::shared_ptr<Stream>& stream);

    // Under the simulator mutex. After StopLocked no callback starts; Join (without the mutex)
    // waits for the one in progress. Called on the delivery thread itself, Join lets it finish
    // on its own instead.
    void StopLocked();
    void Join();
    bool StoppedLocked() const { return stop; }

    // The camera's acquisition was started or stopped (AcquisitionStart, StartGrabbing, ...).
    void AcquisitionStartedLocked();
    void AcquisitionStoppedLocked();
    // A trigger from `source` ("Software", "Line0", "Action1", ...): accepted when the camera
    // is acquiring with TriggerMode On and that TriggerSource; otherwise counted as ignored.
    // inputLines is the line status to report with the frame.
    bool OfferTriggerLocked(const std::string& source, uint32_t inputLines);
    // A node changed: the camera looks at its settings again.
    void WakeLocked() { wake.notify_all(); }

    const StreamStats& StatsLocked() const { return stats; }
    uint32_t BufferCount() const { return settings.bufferCount; }

private:
    struct Slot {
        std::vector<uint8_t> data;
        MvFrameOutInfoEx info{};
    };
    struct Trigger {
        uint32_t inputLines = 0;
    };
    using Clock = std::chrono::steady_clock;

    void Produce();
    void Deliver();
    // Makes one frame now; the lock is released while its bytes are written.
    void EmitLocked(std::unique_lock<std::mutex>& lock, uint32_t inputLines, bool triggered);
    void FillInfoLocked(MvFrameOutInfoEx& info, uint32_t frameNumber, uint32_t inputLines) const;
    // Converts a frame for a BGR callback into bgrFrame (delivery thread, without the mutex).
    bool ConvertToBgr(Slot& slot, MvFrameOutInfoEx& info);
    Clock::duration FramePeriodLocked() const;

    std::mutex& mutex;
    SimDevice& device;
    const Settings settings;
    std::vector<uint8_t> bgrFrame;  // the delivery thread's converted frame, sized once
    std::condition_variable wake;   // used with the simulator mutex
    bool stop = false;

    // Camera side.
    std::vector<uint8_t> pattern;
    uint32_t brightness = 0;
    bool patternReady = false;
    std::deque<Trigger> triggers;
    uint32_t framesLeft = 0;      // SingleFrame / MultiFrame; 0 = no limit
    bool firstFrame = true;       // the first frame of an acquisition starts at once
    Clock::time_point lastFrame;  // when the latest free-running frame was due
    uint32_t frameNumber = 0;
    uint32_t triggerIndex = 0;

    // SDK side.
    std::vector<std::unique_ptr<Slot>> slots;  // allocated on first use, at most bufferCount
    std::vector<std::size_t> freeSlots;
    std::deque<std::size_t> ready;
    StreamStats stats;

    std::thread producer;
    std::thread deliverer;
};

}  // namespace CamSim
