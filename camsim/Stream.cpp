#include "camsim/Stream.h"

#include "convert/Converter.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "camsim/Pattern.h"
#include "camsim/SimState.h"

namespace CamSim {

namespace {

// Without a frame rate node a camera free-runs at this rate.
constexpr double kFallbackFrameRate = 30.0;

}  // namespace

Stream::Stream(std::mutex& simulatorMutex, SimDevice& owner, const Settings& chosen)
    : mutex(simulatorMutex), device(owner), settings(chosen)
{
    slots.reserve(settings.bufferCount);
}

Stream::~Stream()
{
    // Every owner joins before letting go; a thread still joinable here would end the process.
    if (producer.joinable()) {
        producer.detach();
    }
    if (deliverer.joinable()) {
        deliverer.detach();
    }
}

bool Stream::StartLocked(const std::shared_ptr<Stream>& stream)
{
    // The threads share ownership: a delivery thread left to finish on its own (the callback
    // stopped its own stream) still finds the stream.
    try {
        stream->producer = std::thread([stream] { stream->Produce(); });
        stream->deliverer = std::thread([stream] { stream->Deliver(); });
    } catch (...) {
        stream->StopLocked();
        return false;
    }
    return true;
}

void Stream::StopLocked()
{
    stop = true;
    wake.notify_all();
}

void Stream::Join()
{
    for (std::thread* thread : {&producer, &deliverer}) {
        if (!thread->joinable()) {
            continue;
        }
        if (thread->get_id() == std::this_thread::get_id()) {
            thread->detach();
        } else {
            thread->join();
        }
    }
}

void Stream::AcquisitionStartedLocked()
{
    const NodeMap& nodes = device.camera->Nodes();
    const std::string mode = nodes.EnumSymbolicOf("AcquisitionMode");
    if (mode == "SingleFrame") {
        framesLeft = 1;
    } else if (mode == "MultiFrame") {
        framesLeft =
            static_cast<uint32_t>(std::clamp<int64_t>(nodes.IntValueOf("AcquisitionFrameCount", 1), 1, INT32_MAX));
    } else {
        framesLeft = 0;
    }
    triggers.clear();
    firstFrame = true;
    wake.notify_all();
}

void Stream::AcquisitionStoppedLocked()
{
    triggers.clear();
    wake.notify_all();
}

bool Stream::OfferTriggerLocked(const std::string& source, uint32_t inputLines)
{
    const NodeMap& nodes = device.camera->Nodes();
    if (stop || !device.camera->Acquiring() || nodes.EnumSymbolicOf("TriggerMode") != "On" ||
        nodes.EnumSymbolicOf("TriggerSource") != source) {
        ++stats.triggersIgnored;
        return false;
    }
    triggers.push_back(Trigger{inputLines});
    wake.notify_all();
    return true;
}

Stream::Clock::duration Stream::FramePeriodLocked() const
{
    const NodeMap& nodes = device.camera->Nodes();
    double rate = kFallbackFrameRate;
    if (nodes.HasNode("AcquisitionFrameRate")) {
        // Enabled: the rate asked for; otherwise as fast as the sensor goes.
        rate = nodes.BoolValueOf("AcquisitionFrameRateEnable", false)
                   ? nodes.FloatValueOf("AcquisitionFrameRate", kFallbackFrameRate)
                   : nodes.FloatMaxOf("AcquisitionFrameRate", kFallbackFrameRate);
    }
    const double exposure = nodes.FloatValueOf("ExposureTime", 0.0);  // us
    if (exposure > 0.0) {
        rate = std::min(rate, 1e6 / exposure);  // a frame cannot be shorter than its exposure
    }
    rate = std::max(rate, 1e-3);
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / rate));
}

void Stream::FillInfoLocked(MvFrameOutInfoEx& info, uint32_t number, uint32_t inputLines) const
{
    const NodeMap& nodes = device.camera->Nodes();
    std::memset(&info, 0, sizeof info);
    info.nWidth = static_cast<uint16_t>(settings.width);
    info.nHeight = static_cast<uint16_t>(settings.height);
    info.enPixelType = settings.pixelFormat;
    info.nFrameNum = number;
    const uint64_t deviceNs = static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - device.pluggedAt).count());
    info.nDevTimeStampHigh = static_cast<uint32_t>(deviceNs >> 32);
    info.nDevTimeStampLow = static_cast<uint32_t>(deviceNs & 0xFFFFFFFFu);
    info.nHostTimeStamp =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    info.nFrameLen = static_cast<uint32_t>(FrameBytes(settings.pixelFormat, settings.width, settings.height));
    // Cycle time of the device clock: seconds modulo 128, 8000 cycles of 125 us per second,
    // 3072 offsets per cycle.
    const uint64_t cycleNs = 125000;
    info.nSecondCount = static_cast<uint32_t>((deviceNs / 1000000000u) % 128u);
    info.nCycleCount = static_cast<uint32_t>((deviceNs % 1000000000u) / cycleNs);
    info.nCycleOffset = static_cast<uint32_t>((deviceNs % cycleNs) * 3072u / cycleNs);
    info.fGain = static_cast<float>(nodes.FloatValueOf("Gain", 0.0));
    info.fExposureTime = static_cast<float>(nodes.FloatValueOf("ExposureTime", 0.0));
    info.nAverageBrightness = brightness;
    info.nFrameCounter = static_cast<uint32_t>(device.frameCounter);
    info.nTriggerIndex = triggerIndex;
    info.nInput = inputLines;
    info.nOutput = 0;
    info.nOffsetX = static_cast<uint16_t>(nodes.IntValueOf("OffsetX", 0));
    info.nOffsetY = static_cast<uint16_t>(nodes.IntValueOf("OffsetY", 0));
    info.nLostPacket = 0;
}

void Stream::EmitLocked(std::unique_lock<std::mutex>& lock, uint32_t inputLines, bool triggered)
{
    const uint32_t number = frameNumber++;
    ++stats.produced;
    ++device.frameCounter;
    device.camera->StepAutoFunctions();
    MvFrameOutInfoEx info;
    FillInfoLocked(info, number, inputLines);
    if (triggered) {
        ++triggerIndex;
    }
    if (framesLeft > 0 && --framesLeft == 0) {
        device.camera->StopAcquisition();  // SingleFrame / MultiFrame: the acquisition ends itself
    }
    if (settings.callback == nullptr) {
        return;
    }
    std::size_t index = 0;
    if (!freeSlots.empty()) {
        index = freeSlots.back();
        freeSlots.pop_back();
    } else if (slots.size() < settings.bufferCount) {
        slots.push_back(std::make_unique<Slot>());
        index = slots.size() - 1;
    } else {
        ++stats.dropped;  // every buffer is still queued or in the callback
        return;
    }
    Slot* slot = slots[index].get();
    lock.unlock();
    bool filled = true;
    try {
        if (slot->data.size() != pattern.size()) {
            slot->data = pattern;
        }
        StampFrameNumber(slot->data, settings.pixelFormat, settings.width, settings.height, number);
        slot->info = info;
    } catch (const std::bad_alloc&) {
        filled = false;
    }
    lock.lock();
    if (!filled) {
        ++stats.dropped;
        freeSlots.push_back(index);
        return;
    }
    ready.push_back(index);
    wake.notify_all();
}

void Stream::Produce()
{
    // Rendered once per session: the format and size cannot change while grabbing.
    std::vector<uint8_t> rendered;
    uint32_t level = 0;
    bool renderedOk = true;
    try {
        rendered = RenderPattern(settings.pixelFormat, settings.width, settings.height, level);
    } catch (const std::bad_alloc&) {
        renderedOk = false;
        std::fprintf(stderr, "camsim: no memory for the test pattern; the stream delivers nothing\n");
    }
    std::unique_lock<std::mutex> lock(mutex);
    pattern = std::move(rendered);
    brightness = level;
    patternReady = renderedOk;
    while (!stop && patternReady) {
        const NodeMap& nodes = device.camera->Nodes();
        if (!device.camera->Acquiring()) {
            wake.wait(lock);
            continue;
        }
        if (nodes.EnumSymbolicOf("TriggerMode") == "On") {
            if (triggers.empty()) {
                wake.wait(lock);
                continue;
            }
            const Trigger trigger = triggers.front();
            triggers.pop_front();
            EmitLocked(lock, trigger.inputLines, true);
            continue;
        }
        const Clock::time_point now = Clock::now();
        if (device.unthrottled) {
            // As fast as the buffers come back: nothing is dropped.
            const bool bufferFree = !freeSlots.empty() || slots.size() < settings.bufferCount;
            if (settings.callback != nullptr && !bufferFree) {
                wake.wait(lock);
                continue;
            }
            EmitLocked(lock, 0, false);
            if (settings.callback == nullptr) {
                wake.wait_for(lock, std::chrono::milliseconds(1));  // nobody takes them: do not spin
            }
            continue;
        }
        // Due one period after the last frame, at the period in force now: a new frame rate
        // applies from the next frame on.
        const Clock::duration period = FramePeriodLocked();
        const Clock::time_point due = firstFrame ? now : lastFrame + period;
        if (now < due) {
            wake.wait_until(lock, due);
            continue;
        }
        // The camera keeps its cadence; it does not make up for frames it could not start.
        lastFrame = now - due < period ? due : now;
        firstFrame = false;
        EmitLocked(lock, 0, false);
    }
}

void Stream::Deliver()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stop || !ready.empty(); });
        if (stop) {
            return;
        }
        const std::size_t index = ready.front();
        ready.pop_front();
        const uint32_t delayUs = device.deliveryDelayUs;
        if (delayUs > 0) {
            // A slow host: the buffer stays busy meanwhile.
            if (wake.wait_for(lock, std::chrono::microseconds(delayUs), [this] { return stop; })) {
                return;
            }
        }
        Slot* slot = slots[index].get();
        MvFrameOutInfoEx info = slot->info;
        lock.unlock();
        unsigned char* data = slot->data.data();
        bool deliver = true;
        if (settings.toBgr) {
            deliver = ConvertToBgr(*slot, info);  // a frame the conversion refuses is dropped
            data = bgrFrame.data();
        }
        if (deliver) {
            settings.callback(data, &info, settings.user);
        }
        lock.lock();
        freeSlots.push_back(index);
        ++(deliver ? stats.delivered : stats.dropped);
        wake.notify_all();
    }
}

bool Stream::ConvertToBgr(Slot& slot, MvFrameOutInfoEx& info)
{
    const size_t size = static_cast<size_t>(settings.width) * settings.height * 3;
    if (bgrFrame.size() < size) {
        bgrFrame.resize(size);  // once per session: the geometry is fixed while grabbing
    }
    MvPixelConvertParamEx request{};
    request.nWidth = settings.width;
    request.nHeight = settings.height;
    request.enSrcPixelType = info.enPixelType;
    request.pSrcData = slot.data.data();
    request.nSrcDataLen = info.nFrameLen;
    request.enDstPixelType = PixelType_BGR8_Packed;
    request.pDstBuffer = bgrFrame.data();
    request.nDstBufferSize = static_cast<uint32_t>(bgrFrame.size());
    if (settings.toBgr->Convert(request) != 0) {
        return false;
    }
    info.enPixelType = PixelType_BGR8_Packed;
    info.nFrameLen = request.nDstLen;
    return true;
}

}  // namespace CamSim
