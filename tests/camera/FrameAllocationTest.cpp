// No heap allocation per frame on the driver's frame path: from the SDK's image callback to
// the end of the host's completion callback, for a frame passed through and for frames the
// driver converts. The program replaces the global operator new, so it is an executable of
// its own; the count is per thread, so the SDK's and the logger's threads do not disturb it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>
#if defined(_WIN32)
#include <malloc.h>
#endif

#include "CameraTestSupport.h"
#include "camera/PixelTypes.h"
#include "support/QuietSink.h"
#include "util/Logger.h"

namespace {

thread_local uint64_t allocations = 0;

void* Allocate(size_t size)
{
    ++allocations;
    return std::malloc(size == 0 ? 1 : size);
}

void* AllocateAligned(size_t size, std::align_val_t align)
{
    ++allocations;
    const size_t alignment = static_cast<size_t>(align);
#if defined(_WIN32)
    return _aligned_malloc(size == 0 ? 1 : size, alignment);
#else
    const size_t rounded = (size + alignment - 1) / alignment * alignment;
    return std::aligned_alloc(alignment, rounded == 0 ? alignment : rounded);
#endif
}

// Out of line: where the compiler sees free() applied to what operator new returned, it
// warns of a mismatch, though here both sides are ours.
__attribute__((noinline)) void Release(void* p)
{
    std::free(p);
}

__attribute__((noinline)) void FreeAligned(void* p)
{
#if defined(_WIN32)
    _aligned_free(p);
#else
    std::free(p);
#endif
}

}  // namespace

void* operator new(size_t size)
{
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size)
{
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}
void* operator new(size_t size, std::align_val_t align)
{
    if (void* p = AllocateAligned(size, align)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size, std::align_val_t align)
{
    if (void* p = AllocateAligned(size, align)) return p;
    throw std::bad_alloc();
}
void* operator new(size_t size, std::align_val_t align, const std::nothrow_t&) noexcept
{
    return AllocateAligned(size, align);
}
void* operator new[](size_t size, std::align_val_t align, const std::nothrow_t&) noexcept
{
    return AllocateAligned(size, align);
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
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    Release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    Release(p);
}
void operator delete(void* p, std::align_val_t) noexcept
{
    FreeAligned(p);
}
void operator delete[](void* p, std::align_val_t) noexcept
{
    FreeAligned(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept
{
    FreeAligned(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept
{
    FreeAligned(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept
{
    FreeAligned(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept
{
    FreeAligned(p);
}

namespace {

class QuietLogEnvironment : public testing::Environment {
public:
    // The sink outlives every test: the logger's shut-down at exit still calls it.
    void SetUp() override { Util_2_1::Logger::Instance().Init(new QuietSink, 500); }
};

const auto* const environment = testing::AddGlobalTestEnvironment(new QuietLogEnvironment);

// Allocations are stored here, where the compiler must assume they are used, so none is elided.
void* volatile kept = nullptr;

// The host: copies every row of the frame in hand into a frame of its own, as getCVLGrabRow
// does. Plain counters only: nothing here may allocate.
struct Host {
    Camera* camera = nullptr;
    std::vector<uint8_t> frame;
    int frames = 0;
    int missingRows = 0;
};
Host host;

void ORNIC_CALL OnFrame(int, int)
{
    ImgBuffer& image = host.camera->Image();
    const size_t rowBytes =
        static_cast<size_t>(image.Width()) * static_cast<size_t>(host.camera->HostBitsPerPixel() / 8);
    for (int row = 0; row < image.Height(); ++row) {
        const uint8_t* line = image.GetLine(row);
        if (line == nullptr || (static_cast<size_t>(row) + 1) * rowBytes > host.frame.size()) {
            ++host.missingRows;
            continue;
        }
        std::memcpy(host.frame.data() + static_cast<size_t>(row) * rowBytes, line, rowBytes);
    }
    ++host.frames;
}

class FrameAllocationTest : public CameraFixture {
protected:
    void TearDown() override
    {
        CameraFixture::TearDown();
        host.camera = nullptr;
    }

    // Opens the camera with stored settings that keep the simulator from making frames (a
    // line trigger nobody pulses), so only this thread delivers frames.
    Camera& Open(unsigned int index, const std::string& settings)
    {
        WriteIni(std::string("[Port.0.0]\n$Camera=") + (index == 0 ? kMonoName : kColourName) +
                 "\nTriggerMode=On\nTriggerSource=Line0\n" + settings);
        Camera& camera = Make(index);
        host.camera = &camera;
        host.frames = 0;
        host.missingRows = 0;
        camera.SetCompleteCallback(&OnFrame);
        camera.SetHostBound(true);  // what the camera list does when a port takes the camera
        ImageSize size;
        EXPECT_TRUE(camera.TarvikOpen(0, size));
        camera.SetContinuousGrabMode(true);
        host.frame.assign(static_cast<size_t>(camera.Image().Stride()) * static_cast<size_t>(camera.Image().Height()),
                          0);
        return camera;
    }

    // Allocations on this thread while `count` frames of the given format go through the
    // driver, after a few frames to warm up (first-use buffers of the SDK's converter).
    uint64_t AllocationsPerFrames(Camera& camera, uint32_t pixelType, uint32_t bytesPerPixel, int count)
    {
        const ImageSize size = camera.GetImageSize();
        const size_t bytes = static_cast<size_t>(size.width) * static_cast<size_t>(size.height) * bytesPerPixel;
        std::vector<uint8_t> source(bytes);
        for (size_t i = 0; i < bytes; ++i) source[i] = static_cast<uint8_t>(i * 7 + (i >> 11));
        if (pixelType == PixelType_Mono12) {
            for (size_t i = 1; i < bytes; i += 2) source[i] &= 0x0F;  // 12 significant bits
        }
        MvFrameOutInfoEx info{};
        info.nWidth = static_cast<uint16_t>(size.width);
        info.nHeight = static_cast<uint16_t>(size.height);
        info.enPixelType = pixelType;
        info.nFrameLen = static_cast<uint32_t>(bytes);
        for (int i = 0; i < 3; ++i) Camera::ImageCB(source.data(), &info, &camera);
        allocations = 0;
        for (int i = 0; i < count; ++i) Camera::ImageCB(source.data(), &info, &camera);
        const uint64_t counted = allocations;
        EXPECT_EQ(host.frames, 3 + count);
        EXPECT_EQ(host.missingRows, 0);
        return counted;
    }
};

}  // namespace

// Without this the tests below would pass if the replacement were not in force.
TEST_F(FrameAllocationTest, ReplacementCountsThisThreadsAllocations)
{
    allocations = 0;
    auto one = std::make_unique<int>(1);
    kept = one.get();
    std::vector<uint8_t> many(100);
    kept = many.data();
    auto* array = new (std::nothrow) uint8_t[64];
    kept = array;
    delete[] array;
    EXPECT_EQ(allocations, 3u);
}

TEST_F(FrameAllocationTest, Mono8PassThroughAllocatesNothing)
{
    Camera& camera = Open(0, "PixelFormat=Mono8\n");
    ASSERT_TRUE(camera.IsOpen());
    ASSERT_FALSE(camera.IsColor());
    EXPECT_EQ(AllocationsPerFrames(camera, PixelType_Mono8, 1, 50), 0u);
    EXPECT_EQ(Stats(0).framesProduced, 0u);
}

TEST_F(FrameAllocationTest, BayerToBgrConversionAllocatesNothing)
{
    Camera& camera = Open(1, "PixelFormat=BayerRG8\n");
    ASSERT_TRUE(camera.IsOpen());
    ASSERT_TRUE(camera.IsColor());
    EXPECT_EQ(AllocationsPerFrames(camera, PixelType_BayerRG8, 1, 50), 0u);
    EXPECT_EQ(Stats(1).framesProduced, 0u);
}

TEST_F(FrameAllocationTest, Mono12ToMono8ConversionAllocatesNothing)
{
    Camera& camera = Open(0, "PixelFormat=Mono12\n");
    ASSERT_TRUE(camera.IsOpen());
    ASSERT_FALSE(camera.IsColor());
    EXPECT_EQ(AllocationsPerFrames(camera, PixelType_Mono12, 2, 50), 0u);
    EXPECT_EQ(Stats(0).framesProduced, 0u);
}
