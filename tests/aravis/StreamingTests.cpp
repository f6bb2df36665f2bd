// Streaming from the emulator: the frame record, the buffers, the stop fence, the format lock
// while grabbing, the BGR callback through the conversion library, triggered frames.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "BackendTestSupport.h"

using namespace AravisTest;
using namespace std::chrono_literals;

namespace {

const testing::Environment* const loopback = testing::AddGlobalTestEnvironment(new LoopbackEnvironment);

// What the frame callback saw; the callback itself may be told to wait or to stop its handle.
struct Frames {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<MvFrameOutInfoEx> records;
    std::vector<uint8_t> last;
    std::thread::id thread;
    std::atomic<int> inCallback{0};
    std::atomic<int> afterStop{0};
    std::atomic<bool> stopped{false};
    std::chrono::milliseconds hold{0};
    void* stopHandle = nullptr;  // the callback stops this handle itself
    int stopStatus = -1;

    size_t Count()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return records.size();
    }
    bool WaitFor(size_t count, std::chrono::milliseconds limit = 10s)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, limit, [&] { return records.size() >= count; });
    }
};

void MV_SDK_CALL OnFrame(unsigned char* data, MvFrameOutInfoEx* info, void* user)
{
    auto& frames = *static_cast<Frames*>(user);
    frames.inCallback.fetch_add(1);
    if (frames.stopped.load()) frames.afterStop.fetch_add(1);
    if (frames.hold.count() > 0) std::this_thread::sleep_for(frames.hold);
    {
        std::lock_guard<std::mutex> lock(frames.mutex);
        frames.records.push_back(*info);
        frames.last.assign(data, data + info->nFrameLen);
        frames.thread = std::this_thread::get_id();
        if (frames.stopHandle != nullptr) {
            frames.stopStatus = MV_CC_StopGrabbing(frames.stopHandle);
            frames.stopHandle = nullptr;
        }
    }
    frames.changed.notify_all();
    frames.inCallback.fetch_sub(1);
}

class StreamingTest : public SdkTest {
protected:
    void* Prepared(int width = 256, int height = 128)
    {
        void* h = OpenEmulator();
        if (h == nullptr) return nullptr;
        EXPECT_EQ(Code(MV_CC_SetEnumValueByString(h, "TriggerMode", "Off")), MV_OK);
        EXPECT_EQ(Code(MV_CC_SetEnumValueByString(h, "AcquisitionMode", "Continuous")), MV_OK);
        EXPECT_EQ(Code(MV_CC_SetEnumValueByString(h, "PixelFormat", "Mono8")), MV_OK);
        EXPECT_EQ(Code(MV_CC_SetIntValueEx(h, "Width", width)), MV_OK);
        EXPECT_EQ(Code(MV_CC_SetIntValueEx(h, "Height", height)), MV_OK);
        EXPECT_EQ(Code(MV_CC_SetFloatValue(h, "ExposureTimeAbs", 1000.0f)), MV_OK);
        EXPECT_EQ(Code(MV_CC_SetFloatValue(h, "AcquisitionFrameRate", 100.0f)), MV_OK);
        EXPECT_EQ(Code(MV_CC_SetImageNodeNum(h, 4)), MV_OK);
        return h;
    }

    Frames frames;
};

}  // namespace

TEST_F(StreamingTest, FramesArriveOnTheStreamThreadWithTheirRecord)
{
    void* h = Prepared();
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(Code(MV_CC_RegisterImageCallBackEx(h, OnFrame, &frames)), MV_OK);
    const auto before = std::chrono::system_clock::now();
    ASSERT_EQ(Code(MV_CC_StartGrabbing(h)), MV_OK);
    ASSERT_TRUE(frames.WaitFor(10));
    ASSERT_EQ(Code(MV_CC_StopGrabbing(h)), MV_OK);
    std::lock_guard<std::mutex> lock(frames.mutex);
    EXPECT_NE(frames.thread, std::this_thread::get_id());
    const int64_t nowMs = std::chrono::duration_cast<std::chrono::milliseconds>(before.time_since_epoch()).count();
    for (size_t i = 0; i < frames.records.size(); ++i) {
        const MvFrameOutInfoEx& info = frames.records[i];
        EXPECT_EQ(info.nWidth, 256);
        EXPECT_EQ(info.nHeight, 128);
        EXPECT_EQ(info.enPixelType, static_cast<uint32_t>(PixelType_Mono8));
        EXPECT_EQ(info.nFrameLen, 256u * 128u);
        EXPECT_NEAR(static_cast<double>(info.nHostTimeStamp), static_cast<double>(nowMs), 60000.0);
        if (i == 0) continue;
        const MvFrameOutInfoEx& previous = frames.records[i - 1];
        EXPECT_GT(info.nFrameNum, previous.nFrameNum);
        EXPECT_NE(info.nFrameCounter, previous.nFrameCounter);
        const uint64_t stamp = (uint64_t(info.nDevTimeStampHigh) << 32) | info.nDevTimeStampLow;
        const uint64_t earlier = (uint64_t(previous.nDevTimeStampHigh) << 32) | previous.nDevTimeStampLow;
        EXPECT_GT(stamp, earlier);
    }
    EXPECT_EQ(frames.records.front().nFrameNum, 0u);
}

TEST_F(StreamingTest, TheFormatIsLockedWhileGrabbing)
{
    void* h = Prepared();
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(Code(MV_CC_RegisterImageCallBackEx(h, OnFrame, &frames)), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(h)), MV_OK);
    MvXmlAccessMode mode = AM_RW;
    ASSERT_EQ(Code(MV_XML_GetNodeAccessMode(h, "Width", &mode)), MV_OK);
    EXPECT_EQ(mode, AM_RO);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(h, "Width", 128)), MV_E_GC_ACCESS);
    EXPECT_EQ(Code(MV_CC_SetEnumValueByString(h, "PixelFormat", "Mono16")), MV_E_GC_ACCESS);
    ASSERT_EQ(Code(MV_XML_GetNodeAccessMode(h, "OffsetX", &mode)), MV_OK);
    EXPECT_EQ(mode, AM_RW);  // the region's position is not the frame's size
    EXPECT_EQ(Code(MV_CC_StartGrabbing(h)), MV_E_CALLORDER);
    EXPECT_EQ(Code(MV_CC_SetImageNodeNum(h, 3)), MV_E_CALLORDER);
    EXPECT_EQ(Code(MV_CC_RegisterImageCallBackEx(h, OnFrame, &frames)), MV_E_CALLORDER);
    ASSERT_TRUE(frames.WaitFor(2));
    ASSERT_EQ(Code(MV_CC_StopGrabbing(h)), MV_OK);
    EXPECT_EQ(Code(MV_CC_StopGrabbing(h)), MV_E_CALLORDER);
    ASSERT_EQ(Code(MV_XML_GetNodeAccessMode(h, "Width", &mode)), MV_OK);
    EXPECT_EQ(mode, AM_RW);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(h, "Width", 128)), MV_OK);
}

// The fence: StopGrabbing returns only after a callback in progress has returned, and no
// callback starts afterwards.
TEST_F(StreamingTest, StopWaitsForTheCallbackInProgress)
{
    void* h = Prepared();
    ASSERT_NE(h, nullptr);
    frames.hold = 300ms;
    ASSERT_EQ(Code(MV_CC_RegisterImageCallBackEx(h, OnFrame, &frames)), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(h)), MV_OK);
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (frames.inCallback.load() == 0 && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(1ms);
    ASSERT_EQ(frames.inCallback.load(), 1);
    ASSERT_EQ(Code(MV_CC_StopGrabbing(h)), MV_OK);
    EXPECT_EQ(frames.inCallback.load(), 0);
    frames.stopped = true;
    const size_t count = frames.Count();
    std::this_thread::sleep_for(200ms);  // nothing counts callbacks that do not come
    EXPECT_EQ(frames.Count(), count);
    EXPECT_EQ(frames.afterStop.load(), 0);
}

// A callback that stops its own handle cannot wait for itself: the call returns at once and
// that callback is the last. Grabbing can start again.
TEST_F(StreamingTest, TheCallbackMayStopItsOwnHandle)
{
    void* h = Prepared();
    ASSERT_NE(h, nullptr);
    frames.stopHandle = h;
    ASSERT_EQ(Code(MV_CC_RegisterImageCallBackEx(h, OnFrame, &frames)), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(h)), MV_OK);
    ASSERT_TRUE(frames.WaitFor(1));
    std::this_thread::sleep_for(200ms);
    {
        std::lock_guard<std::mutex> lock(frames.mutex);
        EXPECT_EQ(frames.stopStatus, 0);
        EXPECT_EQ(frames.records.size(), 1u);
    }
    EXPECT_EQ(Code(MV_CC_StopGrabbing(h)), MV_E_CALLORDER);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(h)), MV_OK);
    EXPECT_TRUE(frames.WaitFor(3));
    EXPECT_EQ(Code(MV_CC_StopGrabbing(h)), MV_OK);
}

TEST_F(StreamingTest, TheBgrCallbackConvertsThroughTheConversionLibrary)
{
    void* h = Prepared(64, 32);
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(h, "PixelFormat", "BayerRG8")), MV_OK);
    ASSERT_EQ(Code(MV_CC_RegisterImageCallBackForBGR(h, OnFrame, &frames)), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(h)), MV_OK);
    ASSERT_TRUE(frames.WaitFor(2));
    ASSERT_EQ(Code(MV_CC_StopGrabbing(h)), MV_OK);
    std::lock_guard<std::mutex> lock(frames.mutex);
    const MvFrameOutInfoEx& info = frames.records.back();
    EXPECT_EQ(info.enPixelType, static_cast<uint32_t>(PixelType_BGR8_Packed));
    EXPECT_EQ(info.nFrameLen, 64u * 32u * 3u);
    EXPECT_EQ(frames.last.size(), 64u * 32u * 3u);
    // The same conversion, asked for directly, gives the same pixels for a frame's raw data.
    MvPixelConvertParamEx request{};
    std::vector<uint8_t> raw(64 * 32, 0x80);
    std::vector<uint8_t> bgr(64 * 32 * 3);
    request.nWidth = 64;
    request.nHeight = 32;
    request.enSrcPixelType = PixelType_BayerRG8;
    request.pSrcData = raw.data();
    request.nSrcDataLen = static_cast<uint32_t>(raw.size());
    request.enDstPixelType = PixelType_BGR8_Packed;
    request.pDstBuffer = bgr.data();
    request.nDstBufferSize = static_cast<uint32_t>(bgr.size());
    ASSERT_EQ(Code(MV_CC_ConvertPixelTypeEx(h, &request)), MV_OK);
    EXPECT_EQ(request.nDstLen, bgr.size());
    EXPECT_EQ(bgr[100], 0x80);  // a flat grey stays grey
}

TEST_F(StreamingTest, ConversionSettingsBelongToAHandleOpenOrNot)
{
    const MvDeviceInfo* record = EmulatorRecord();
    ASSERT_NE(record, nullptr);
    void* h = NewHandle(record);
    EXPECT_EQ(Code(MV_CC_SetBayerCvtQuality(h, 1)), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetBayerCvtQuality(h, 9)), MV_E_PARAMETER);
    EXPECT_EQ(Code(MV_CC_SetBayerGammaValue(h, 0.5f)), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetBayerCCMParamEx(h, nullptr)), MV_E_PARAMETER);
    EXPECT_EQ(Code(MV_CC_SetBayerCvtQuality(nullptr, 1)), MV_E_HANDLE);
}

// Software-triggered: no frame without a trigger, one per TriggerSoftware.
TEST_F(StreamingTest, SoftwareTriggersMakeOneFrameEach)
{
    void* h = Prepared();
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(h, "TriggerSource", "Software")), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(h, "TriggerMode", "On")), MV_OK);
    ASSERT_EQ(Code(MV_CC_RegisterImageCallBackEx(h, OnFrame, &frames)), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(h)), MV_OK);
    std::this_thread::sleep_for(300ms);  // a camera waiting for a trigger makes nothing to count
    EXPECT_EQ(frames.Count(), 0u);
    for (size_t trigger = 1; trigger <= 3; ++trigger) {
        ASSERT_EQ(Code(MV_CC_SetCommandValue(h, "TriggerSoftware")), MV_OK);
        ASSERT_TRUE(frames.WaitFor(trigger)) << "trigger " << trigger;
    }
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(frames.Count(), 3u);
    ASSERT_EQ(Code(MV_CC_StopGrabbing(h)), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetEnumValueByString(h, "TriggerMode", "Off")), MV_OK);
}

TEST_F(StreamingTest, ClosingEndsAnAcquisitionLeftRunning)
{
    void* h = Prepared();
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(Code(MV_CC_RegisterImageCallBackEx(h, OnFrame, &frames)), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(h)), MV_OK);
    ASSERT_TRUE(frames.WaitFor(1));
    ASSERT_EQ(Code(MV_CC_CloseDevice(h)), MV_OK);
    const size_t count = frames.Count();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(frames.Count(), count);
    // Registrations belong to the handle: opened again, it grabs with the same callback.
    ASSERT_EQ(Code(MV_CC_OpenDevice(h, 1, 0)), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(h)), MV_OK);
    EXPECT_TRUE(frames.WaitFor(count + 2));
}
