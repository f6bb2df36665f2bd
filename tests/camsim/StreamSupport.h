// Shared by the streaming tests: a frame collector registered as the image callback, an
// exception recorder, and small helpers for the node values the tests set.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "SimTestSupport.h"

namespace SimTest {

// Long enough for a loaded machine, wine or a sanitizer; only a hang reaches it.
constexpr std::chrono::milliseconds kHangLimit{15000};

struct Frame {
    MvFrameOutInfoEx info{};
    std::vector<uint8_t> data;
    std::thread::id thread;
};

class FrameCollector {
public:
    static void MV_SDK_CALL OnFrame(unsigned char* data, MvFrameOutInfoEx* info, void* user)
    {
        static_cast<FrameCollector*>(user)->Add(data, info);
    }

    // Frames collected so far reach `count`; false when the hang limit passed first.
    bool WaitFor(std::size_t count, std::chrono::milliseconds limit = kHangLimit)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, limit, [&] { return frames.size() >= count; });
    }

    std::size_t Count()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return frames.size();
    }

    std::vector<Frame> Frames()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return frames;
    }

    std::atomic<int> holdMs{0};        // each callback takes this long
    std::atomic<bool> inside{false};   // a callback is running
    std::atomic<bool> keepData{true};  // copy the bytes (off for long runs)

private:
    void Add(unsigned char* data, MvFrameOutInfoEx* info)
    {
        inside = true;
        Frame frame;
        frame.info = *info;
        if (keepData && data != nullptr) {
            frame.data.assign(data, data + info->nFrameLen);
        }
        frame.thread = std::this_thread::get_id();
        if (holdMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMs.load()));
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            frames.push_back(std::move(frame));
        }
        arrived.notify_all();
        inside = false;
    }

    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<Frame> frames;
};

class ExceptionRecorder {
public:
    static void MV_SDK_CALL OnException(unsigned int message, void* user)
    {
        auto* self = static_cast<ExceptionRecorder*>(user);
        self->entered = true;
        if (self->holdMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(self->holdMs.load()));
        }
        std::lock_guard<std::mutex> lock(self->mutex);
        self->messages.push_back(message);
        self->threads.push_back(std::this_thread::get_id());
        self->arrived.notify_all();
    }

    bool WaitFor(std::size_t count, std::chrono::milliseconds limit = kHangLimit)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, limit, [&] { return messages.size() >= count; });
    }

    std::vector<unsigned int> Messages()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return messages;
    }

    std::vector<std::thread::id> Threads()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return threads;
    }

    std::atomic<int> holdMs{0};
    std::atomic<bool> entered{false};

private:
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<unsigned int> messages;
    std::vector<std::thread::id> threads;
};

inline uint32_t SetEnum(void* handle, const char* name, const char* value)
{
    return Code(MV_CC_SetEnumValueByString(handle, name, value));
}

inline int64_t IntOf(void* handle, const char* name)
{
    MvIntValueEx value{};
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(handle, name, &value)), MV_OK) << name;
    return value.nCurValue;
}

inline CamSimStreamStats Stats(unsigned int id)
{
    CamSimStreamStats stats{};
    EXPECT_EQ(Code(CamSim_GetStreamStats(id, &stats)), MV_OK);
    return stats;
}

// Polls until the device with this id is listed again (it comes back by itself).
inline bool WaitUntilListed(unsigned int id, std::chrono::milliseconds limit = kHangLimit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        for (unsigned int i = 0; i < CamSim_GetDeviceCount(); ++i) {
            CamSimDeviceState state{};
            if (CamSim_GetDevice(i, &state) == 0 && state.id == id) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

}  // namespace SimTest
