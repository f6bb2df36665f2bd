// No heap allocation per frame by the backend in the steady state: between two callbacks the
// delivery thread takes a buffer from the stream, fills the frame record, converts when the
// BGR callback is asked for, calls back and returns the buffer, all without operator new.
// The program replaces the global operator new and counts per thread; Aravis's own threads
// (C code, g_malloc) are not counted, nor is anything they do.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <thread>

#include "BackendTestSupport.h"

namespace {

thread_local uint64_t allocations = 0;

__attribute__((noinline)) void* Allocate(size_t size)
{
    ++allocations;
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

__attribute__((noinline)) void Release(void* p)
{
    std::free(p);
}

}  // namespace

void* operator new(size_t size)
{
    return Allocate(size);
}
void* operator new[](size_t size)
{
    return Allocate(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept
{
    Release(p);
}
void operator delete[](void* p) noexcept
{
    Release(p);
}
void operator delete(void* p, size_t) noexcept
{
    Release(p);
}
void operator delete[](void* p, size_t) noexcept
{
    Release(p);
}

using namespace AravisTest;

namespace {

const testing::Environment* const loopback = testing::AddGlobalTestEnvironment(new LoopbackEnvironment);

struct Counter {
    std::atomic<int> frames{0};
    std::atomic<uint64_t> atWarm{0};
    std::atomic<uint64_t> atEnd{0};
};

constexpr int kWarm = 10;
constexpr int kEnd = 40;

void MV_SDK_CALL OnFrame(unsigned char*, MvFrameOutInfoEx*, void* user)
{
    auto& counter = *static_cast<Counter*>(user);
    const int frame = ++counter.frames;
    if (frame == kWarm) counter.atWarm = allocations;
    if (frame == kEnd) counter.atEnd = allocations;
}

class FrameAllocationTest : public SdkTest {
protected:
    void Run(const char* format, bool bgr)
    {
        void* h = OpenEmulator();
        ASSERT_NE(h, nullptr);
        ASSERT_EQ(Code(MV_CC_SetEnumValueByString(h, "TriggerMode", "Off")), MV_OK);
        ASSERT_EQ(Code(MV_CC_SetEnumValueByString(h, "PixelFormat", format)), MV_OK);
        ASSERT_EQ(Code(MV_CC_SetIntValueEx(h, "Width", 320)), MV_OK);
        ASSERT_EQ(Code(MV_CC_SetIntValueEx(h, "Height", 240)), MV_OK);
        ASSERT_EQ(Code(MV_CC_SetFloatValue(h, "ExposureTimeAbs", 1000.0f)), MV_OK);
        ASSERT_EQ(Code(MV_CC_SetFloatValue(h, "AcquisitionFrameRate", 200.0f)), MV_OK);
        ASSERT_EQ(Code(MV_CC_SetImageNodeNum(h, 4)), MV_OK);
        Counter counter;
        ASSERT_EQ(Code(bgr ? MV_CC_RegisterImageCallBackForBGR(h, OnFrame, &counter)
                           : MV_CC_RegisterImageCallBackEx(h, OnFrame, &counter)),
                  MV_OK);
        ASSERT_EQ(Code(MV_CC_StartGrabbing(h)), MV_OK);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (counter.frames.load() < kEnd && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_EQ(Code(MV_CC_StopGrabbing(h)), MV_OK);
        ASSERT_GE(counter.frames.load(), kEnd);
        EXPECT_EQ(counter.atEnd.load() - counter.atWarm.load(), 0u) << format;
        warmAllocations = counter.atWarm.load();
    }

    uint64_t warmAllocations = 0;
};

}  // namespace

TEST_F(FrameAllocationTest, RawFramesAllocateNothing)
{
    Run("Mono8", false);
}

TEST_F(FrameAllocationTest, BgrFramesAllocateNothing)
{
    Run("BayerRG8", true);
    // The count sees the delivery thread: the converter sized its row caches there, once.
    EXPECT_GT(warmAllocations, 0u);
}
