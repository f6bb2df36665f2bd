// One grabbing session over an Aravis stream: the buffers, pre-allocated at the start, and
// the delivery thread that takes finished buffers from the stream, calls the frame callback
// (raw, or converted to BGR8 into one buffer per session) and hands them back. The thread is
// the backend's own rather than Aravis's receive thread, so a slow callback holds buffers,
// not packets, and a callback may stop or destroy its own handle.
#pragma once

#include <arv.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "aravis/Backend.h"

namespace OrnicAravis {

struct StreamStats {
    uint64_t delivered = 0;  // callbacks returned
    uint64_t failed = 0;     // buffers Aravis completed with an error (missing packets, ...)
    uint64_t refused = 0;    // frames the BGR conversion refused
    uint64_t completed = 0;  // Aravis's own counters
    uint64_t failures = 0;
    uint64_t underruns = 0;
    uint64_t missingPackets = 0;
};

class Stream : public std::enable_shared_from_this<Stream> {
public:
    // Under the handle's mutex: creates the stream, queues the buffers, starts the camera.
    static uint32_t Start(const std::shared_ptr<Handle>& handle, std::shared_ptr<Stream>& started);
    ~Stream();

    // Ends the session: no callback starts afterwards, one in progress has returned (unless the
    // caller is that callback: then it is the last and the thread ends the session itself).
    // Not under the handle's mutex; takes it for the camera's AcquisitionStop.
    void Stop();

    // While the session runs (under the handle's mutex).
    StreamStats Stats() const;

private:
    explicit Stream(const std::shared_ptr<Handle>& handle) : owner(handle) {}
    void Run();
    void Deliver(ArvBuffer* buffer);
    void Finish();  // camera stopped, stream and buffers released

    std::shared_ptr<Handle> owner;  // kept until the session has ended
    ArvStream* stream = nullptr;
    MvImageCallback callback = nullptr;
    void* user = nullptr;
    bool bgr = false;
    std::shared_ptr<Convert::Converter> converter;
    std::vector<uint8_t> converted;  // BGR8 frames, sized at the start
    std::thread thread;
    std::atomic<bool> stopping{false};
    std::atomic<bool> finished{false};
    uint64_t frameIndex = 0;  // buffers seen this session, failed ones included
    std::atomic<uint64_t> delivered{0};
    std::atomic<uint64_t> failed{0};
    std::atomic<uint64_t> refused{0};
};

// Stops the handle's session if there is one (see Stream::Stop); false when none ran.
bool StopStreaming(const std::shared_ptr<Handle>& handle);

}  // namespace OrnicAravis
