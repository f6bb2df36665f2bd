// Streaming as a driver uses it: buffers, the image callback on the SDK's thread, start and
// stop with their call-order answers, acquisition and trigger modes, dropped frames and the
// frame records.
#include <algorithm>
#include <set>

#include "StreamSupport.h"

namespace SimTest {
namespace {

class Streaming : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        mono = OpenHandle(0);    // GigE Vision, mono
        colour = OpenHandle(1);  // USB3 Vision, Bayer RG
        ASSERT_NE(mono, nullptr);
        ASSERT_NE(colour, nullptr);
        monoId = Device(0).id;
        colourId = Device(1).id;
        // Small frames keep the tests quick.
        ASSERT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 300)), MV_OK);
        ASSERT_EQ(Code(MV_CC_SetIntValueEx(mono, "Height", 64)), MV_OK);
        ASSERT_EQ(Code(MV_CC_SetIntValueEx(colour, "Width", 128)), MV_OK);
        ASSERT_EQ(Code(MV_CC_SetIntValueEx(colour, "Height", 64)), MV_OK);
    }

    void Register(void* handle, FrameCollector& collector, unsigned int buffers = 3)
    {
        ASSERT_EQ(Code(MV_CC_SetImageNodeNum(handle, buffers)), MV_OK);
        ASSERT_EQ(Code(MV_CC_RegisterImageCallBackEx(handle, &FrameCollector::OnFrame, &collector)), MV_OK);
    }

    void* mono = nullptr;
    void* colour = nullptr;
    unsigned int monoId = 0;
    unsigned int colourId = 0;
};

TEST_F(Streaming, CallOrderAndArgumentAnswers)
{
    FrameCollector frames;
    int notAHandle = 0;
    EXPECT_EQ(Code(MV_CC_StartGrabbing(nullptr)), MV_E_HANDLE);
    EXPECT_EQ(Code(MV_CC_StartGrabbing(&notAHandle)), MV_E_HANDLE);
    EXPECT_EQ(Code(MV_CC_StopGrabbing(nullptr)), MV_E_HANDLE);
    EXPECT_EQ(Code(MV_CC_SetImageNodeNum(nullptr, 3)), MV_E_HANDLE);
    EXPECT_EQ(Code(MV_CC_SetImageNodeNum(mono, 0)), MV_E_PARAMETER);
    EXPECT_EQ(Code(MV_CC_SetImageNodeNum(mono, 100000)), MV_E_PARAMETER);
    EXPECT_EQ(Code(MV_CC_RegisterImageCallBackEx(nullptr, &FrameCollector::OnFrame, &frames)), MV_E_HANDLE);

    // A handle that is not open can do none of it.
    void* closed = CreateHandle(0);
    ASSERT_NE(closed, nullptr);
    EXPECT_EQ(Code(MV_CC_SetImageNodeNum(closed, 3)), MV_E_CALLORDER);
    EXPECT_EQ(Code(MV_CC_RegisterImageCallBackEx(closed, &FrameCollector::OnFrame, &frames)), MV_E_CALLORDER);
    EXPECT_EQ(Code(MV_CC_StartGrabbing(closed)), MV_E_CALLORDER);

    EXPECT_EQ(Code(MV_CC_StopGrabbing(mono)), MV_E_CALLORDER);  // not grabbing
    Register(mono, frames);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(mono)), MV_OK);
    EXPECT_EQ(Code(MV_CC_StartGrabbing(mono)), MV_E_CALLORDER);
    EXPECT_EQ(Code(MV_CC_SetImageNodeNum(mono, 5)), MV_E_CALLORDER);
    EXPECT_EQ(Code(MV_CC_RegisterImageCallBackEx(mono, nullptr, nullptr)), MV_E_CALLORDER);
    EXPECT_TRUE(frames.WaitFor(1));
    EXPECT_EQ(Stats(monoId).grabbing, 1u);
    EXPECT_EQ(Stats(monoId).bufferCount, 3u);
    ASSERT_EQ(Code(MV_CC_StopGrabbing(mono)), MV_OK);
    EXPECT_EQ(Code(MV_CC_StopGrabbing(mono)), MV_E_CALLORDER);
    EXPECT_EQ(Stats(monoId).grabbing, 0u);

    // Faults and counts work as for every operation.
    ASSERT_EQ(Code(CamSim_FailNext("MV_CC_StartGrabbing", 1, MV_E_NOENOUGH_BUF)), MV_OK);
    EXPECT_EQ(Code(MV_CC_StartGrabbing(mono)), MV_E_NOENOUGH_BUF);
    EXPECT_EQ(Code(MV_CC_StopGrabbing(mono)), MV_E_CALLORDER);  // the failed start started nothing
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_StartGrabbing"), 6u);
    CamSimStreamStats stats{};
    EXPECT_EQ(Code(CamSim_GetStreamStats(0, &stats)), MV_E_PARAMETER);
    EXPECT_EQ(Code(CamSim_GetStreamStats(monoId, nullptr)), MV_E_PARAMETER);
}

TEST_F(Streaming, FreeRunFramesAreCompleteAndNumbered)
{
    FrameCollector frames;
    Register(mono, frames, 16);  // plenty: no frame may be dropped on a loaded machine
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(mono, "OffsetX", 40)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetBoolValue(mono, "AcquisitionFrameRateEnable", 1)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetFloatValue(mono, "AcquisitionFrameRate", 60.0f)), MV_OK);
    const int64_t payload = IntOf(mono, "PayloadSize");
    const int64_t before =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    ASSERT_EQ(Code(MV_CC_StartGrabbing(mono)), MV_OK);
    ASSERT_TRUE(frames.WaitFor(4));
    ASSERT_EQ(Code(MV_CC_StopGrabbing(mono)), MV_OK);

    const std::vector<Frame> got = frames.Frames();
    uint64_t lastDeviceTime = 0;
    for (std::size_t i = 0; i < got.size(); ++i) {
        const MvFrameOutInfoEx& info = got[i].info;
        SCOPED_TRACE(i);
        EXPECT_EQ(info.nWidth, 300u);
        EXPECT_EQ(info.nHeight, 64u);
        EXPECT_EQ(info.enPixelType, static_cast<uint32_t>(PixelType_Mono8));
        EXPECT_EQ(info.nFrameLen, static_cast<uint32_t>(payload));
        EXPECT_EQ(info.nFrameNum, i);  // counted from 0, nothing dropped at this pace
        EXPECT_EQ(info.nOffsetX, 40u);
        EXPECT_EQ(info.nOffsetY, 0u);
        EXPECT_EQ(info.nLostPacket, 0u);
        EXPECT_EQ(info.nTriggerIndex, 0u);
        EXPECT_GE(info.nHostTimeStamp, before);
        const uint64_t deviceTime = (uint64_t{info.nDevTimeStampHigh} << 32) | info.nDevTimeStampLow;
        EXPECT_GT(deviceTime, lastDeviceTime);
        lastDeviceTime = deviceTime;
        EXPECT_LT(info.nSecondCount, 128u);
        EXPECT_LT(info.nCycleCount, 8000u);
        EXPECT_LT(info.nCycleOffset, 3072u);
        EXPECT_FLOAT_EQ(info.fExposureTime, 10000.0f);
        EXPECT_NE(got[i].thread, std::this_thread::get_id());
        ASSERT_EQ(got[i].data.size(), static_cast<std::size_t>(payload));
        EXPECT_EQ(got[i].data[0], static_cast<uint8_t>(i));  // the stamp
        EXPECT_EQ(got[i].data[1], 0u);
        EXPECT_EQ(got[i].data[300 * 10 + 7], static_cast<uint8_t>(7 + 10));  // the ramp
    }
    // The device's frame counter runs on across sessions; the SDK's frame number restarts.
    frames.keepData = false;
    ASSERT_EQ(Code(MV_CC_StartGrabbing(mono)), MV_OK);
    ASSERT_TRUE(frames.WaitFor(got.size() + 1));
    ASSERT_EQ(Code(MV_CC_StopGrabbing(mono)), MV_OK);
    const Frame next = frames.Frames()[got.size()];
    EXPECT_EQ(next.info.nFrameNum, 0u);
    EXPECT_GT(next.info.nFrameCounter, got.back().info.nFrameCounter);
}

TEST_F(Streaming, ImageFormatIsLockedWhileGrabbing)
{
    FrameCollector frames;
    Register(mono, frames);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(mono, "AcquisitionMode", "SingleFrame")), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(mono)), MV_OK);
    ASSERT_TRUE(frames.WaitFor(1));
    // Even after the single frame ended the camera's acquisition, the stream's buffers hold
    // this format: it stays locked until grabbing stops.
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 320)), MV_E_GC_ACCESS);
    EXPECT_EQ(Code(MV_CC_SetEnumValueByString(mono, "PixelFormat", "Mono12")), MV_E_GC_ACCESS);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(mono, "OffsetY", 8)), MV_OK);  // the position is not
    ASSERT_EQ(Code(MV_CC_StopGrabbing(mono)), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 320)), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetEnumValueByString(mono, "PixelFormat", "Mono12")), MV_OK);
}

TEST_F(Streaming, StopWaitsForTheCallbackAndNoneFollows)
{
    FrameCollector frames;
    frames.holdMs = 100;
    Register(mono, frames);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(mono)), MV_OK);
    const auto end = std::chrono::steady_clock::now() + kHangLimit;
    while (!frames.inside && std::chrono::steady_clock::now() < end) {
        std::this_thread::yield();
    }
    ASSERT_TRUE(frames.inside.load());
    ASSERT_EQ(Code(MV_CC_StopGrabbing(mono)), MV_OK);
    EXPECT_FALSE(frames.inside.load());
    // Every callback of the session was seen, and no stream is left to make another.
    EXPECT_EQ(Stats(monoId).framesDelivered, frames.Count());
    EXPECT_EQ(Stats(monoId).grabbing, 0u);
}

TEST_F(Streaming, ClosingOrDestroyingWhileGrabbingEndsTheCallbacks)
{
    FrameCollector frames;
    frames.holdMs = 20;
    Register(mono, frames);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(mono)), MV_OK);
    ASSERT_TRUE(frames.WaitFor(1));
    ASSERT_EQ(Code(MV_CC_CloseDevice(mono)), MV_OK);
    EXPECT_FALSE(frames.inside.load());
    std::size_t count = frames.Count();
    EXPECT_EQ(Stats(monoId).framesDelivered, count);
    EXPECT_EQ(Stats(monoId).grabbing, 0u);

    // The registration belongs to the handle and outlives closing it; the format is no
    // longer locked.
    ASSERT_EQ(Code(MV_CC_OpenDevice(mono, 1, 0)), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 304)), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(mono)), MV_OK);
    ASSERT_TRUE(frames.WaitFor(count + 1));
    ASSERT_EQ(Code(MV_CC_DestroyHandle(mono)), MV_OK);
    handles.erase(std::find(handles.begin(), handles.end(), mono));
    EXPECT_FALSE(frames.inside.load());
    // The second session's callbacks: those after the first session's.
    EXPECT_EQ(Stats(monoId).framesDelivered, frames.Count() - count);
    EXPECT_EQ(Stats(monoId).grabbing, 0u);
    void* next = OpenHandle(0);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(next, "Width", 300)), MV_OK);
}

// The callback stops grabbing itself and calls into the SDK: neither may deadlock.
TEST_F(Streaming, CallbackMayCallTheSdkAndStopItsOwnStream)
{
    struct Context {
        void* handle;
        std::atomic<int> calls{0};
        std::atomic<uint32_t> stopStatus{0xFFFFFFFFu};
        std::atomic<int64_t> width{0};
    } context{mono};
    auto callback = [](unsigned char*, MvFrameOutInfoEx*, void* user) {
        auto* c = static_cast<Context*>(user);
        MvIntValueEx width{};
        if (MV_CC_GetIntValueEx(c->handle, "Width", &width) == 0) {
            c->width = width.nCurValue;
        }
        if (c->calls++ == 0) {
            c->stopStatus = static_cast<uint32_t>(MV_CC_StopGrabbing(c->handle));
        }
    };
    ASSERT_EQ(Code(MV_CC_RegisterImageCallBackEx(mono, callback, &context)), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(mono)), MV_OK);
    const auto end = std::chrono::steady_clock::now() + kHangLimit;
    while (context.stopStatus == 0xFFFFFFFFu && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(context.stopStatus.load(), MV_OK);
    EXPECT_EQ(context.width.load(), 300);
    // Once that callback has returned, its stream is over.
    while (Stats(monoId).framesDelivered == 0 && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(Stats(monoId).framesDelivered, 1u);
    EXPECT_EQ(context.calls.load(), 1);
    EXPECT_EQ(Code(MV_CC_StopGrabbing(mono)), MV_E_CALLORDER);
}

TEST_F(Streaming, SingleAndMultiFrameAcquisitions)
{
    FrameCollector frames;
    Register(mono, frames);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(mono, "AcquisitionMode", "SingleFrame")), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(mono)), MV_OK);
    ASSERT_TRUE(frames.WaitFor(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(frames.Count(), 1u);
    // One more frame per AcquisitionStart.
    ASSERT_EQ(Code(MV_CC_SetCommandValue(mono, "AcquisitionStart")), MV_OK);
    ASSERT_TRUE(frames.WaitFor(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(frames.Count(), 2u);
    ASSERT_EQ(Code(MV_CC_StopGrabbing(mono)), MV_OK);

    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(mono, "AcquisitionMode", "MultiFrame")), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(mono, "AcquisitionFrameCount", 3)), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(mono)), MV_OK);
    ASSERT_TRUE(frames.WaitFor(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    EXPECT_EQ(frames.Count(), 5u);
    EXPECT_EQ(Stats(monoId).framesProduced, 3u);
    ASSERT_EQ(Code(MV_CC_StopGrabbing(mono)), MV_OK);
}

TEST_F(Streaming, SoftwareAndLineTriggers)
{
    FrameCollector frames;
    Register(mono, frames);
    ASSERT_EQ(SetEnum(mono, "TriggerMode", "On"), MV_OK);
    ASSERT_EQ(SetEnum(mono, "TriggerSource", "Software"), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(mono)), MV_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(frames.Count(), 0u);  // nothing without a trigger
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(Code(MV_CC_SetCommandValue(mono, "TriggerSoftware")), MV_OK);
    }
    ASSERT_TRUE(frames.WaitFor(3));
    // A line the camera does not listen to does nothing: the trigger is dropped at once.
    ASSERT_EQ(Code(CamSim_FireLine(monoId, 1)), MV_OK);
    EXPECT_EQ(Stats(monoId).triggersIgnored, 1u);
    EXPECT_EQ(frames.Count(), 3u);

    ASSERT_EQ(SetEnum(mono, "TriggerSource", "Line1"), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetCommandValue(mono, "TriggerSoftware")), MV_E_GC_ACCESS);
    ASSERT_EQ(Code(CamSim_FireLine(monoId, 0)), MV_OK);
    ASSERT_EQ(Code(CamSim_FireLine(monoId, 1)), MV_OK);
    ASSERT_TRUE(frames.WaitFor(4));
    EXPECT_EQ(Stats(monoId).triggersIgnored, 2u);  // Line0's pulse
    ASSERT_EQ(Code(MV_CC_StopGrabbing(mono)), MV_OK);
    const std::vector<Frame> got = frames.Frames();
    ASSERT_EQ(got.size(), 4u);
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(got[i].info.nFrameNum, i);
        EXPECT_EQ(got[i].info.nTriggerIndex, i);
    }
    EXPECT_EQ(got[3].info.nInput, 1u << 1);  // the line that fired
    EXPECT_EQ(got[0].info.nInput, 0u);

    EXPECT_EQ(Code(CamSim_FireLine(monoId, 32)), MV_E_PARAMETER);
    EXPECT_EQ(Code(CamSim_FireLine(0, 1)), MV_E_PARAMETER);
    // Triggers while nobody grabs go nowhere.
    EXPECT_EQ(Code(CamSim_FireLine(monoId, 1)), MV_OK);
    EXPECT_EQ(frames.Count(), 4u);
}

// A callback that holds its buffer too long: later frames find no buffer and are dropped,
// visible as gaps in the frame numbers and in the counts.
TEST_F(Streaming, FramesFindingNoFreeBufferAreDropped)
{
    FrameCollector frames;
    frames.holdMs = 150;
    Register(mono, frames, 2);
    ASSERT_EQ(Code(MV_CC_SetFloatValue(mono, "ExposureTime", 1000.0f)), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(mono)), MV_OK);
    ASSERT_TRUE(frames.WaitFor(3));
    ASSERT_EQ(Code(MV_CC_StopGrabbing(mono)), MV_OK);
    const CamSimStreamStats stats = Stats(monoId);
    EXPECT_GT(stats.framesDropped, 0u);
    EXPECT_EQ(stats.framesDelivered, frames.Count());
    EXPECT_GE(stats.framesProduced, stats.framesDelivered + stats.framesDropped);
    const std::vector<Frame> got = frames.Frames();
    bool gap = false;
    for (std::size_t i = 1; i < got.size(); ++i) {
        EXPECT_GT(got[i].info.nFrameNum, got[i - 1].info.nFrameNum);
        gap = gap || got[i].info.nFrameNum > got[i - 1].info.nFrameNum + 1;
        EXPECT_EQ(got[i].data[0], static_cast<uint8_t>(got[i].info.nFrameNum));
    }
    EXPECT_TRUE(gap);
}

// The delivery delay slows the SDK side the same way; unthrottled frames never drop.
TEST_F(Streaming, ControlOfDeliveryPace)
{
    FrameCollector frames;
    frames.keepData = false;
    Register(mono, frames, 3);
    ASSERT_EQ(Code(CamSim_SetDeliveryDelay(monoId, 100000)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetFloatValue(mono, "ExposureTime", 1000.0f)), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(mono)), MV_OK);
    ASSERT_TRUE(frames.WaitFor(2));
    ASSERT_EQ(Code(MV_CC_StopGrabbing(mono)), MV_OK);
    EXPECT_GT(Stats(monoId).framesDropped, 0u);

    ASSERT_EQ(Code(CamSim_SetDeliveryDelay(monoId, 0)), MV_OK);
    ASSERT_EQ(Code(CamSim_SetUnthrottled(monoId, 1)), MV_OK);
    const std::size_t before = frames.Count();
    ASSERT_EQ(Code(MV_CC_StartGrabbing(mono)), MV_OK);
    ASSERT_TRUE(frames.WaitFor(before + 300));
    ASSERT_EQ(Code(MV_CC_StopGrabbing(mono)), MV_OK);
    const CamSimStreamStats stats = Stats(monoId);
    EXPECT_EQ(stats.framesDropped, 0u);
    EXPECT_GE(stats.framesDelivered, 300u);
    EXPECT_EQ(Code(CamSim_SetUnthrottled(0, 1)), MV_E_PARAMETER);
    EXPECT_EQ(Code(CamSim_SetDeliveryDelay(0, 1)), MV_E_PARAMETER);
}

TEST_F(Streaming, StartingWithoutACallbackMakesFramesForNobody)
{
    ASSERT_EQ(Code(MV_CC_StartGrabbing(mono)), MV_OK);
    const auto end = std::chrono::steady_clock::now() + kHangLimit;
    while (Stats(monoId).framesProduced < 2 && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(Code(MV_CC_StopGrabbing(mono)), MV_OK);
    const CamSimStreamStats stats = Stats(monoId);
    EXPECT_GE(stats.framesProduced, 2u);
    EXPECT_EQ(stats.framesDelivered, 0u);
    EXPECT_EQ(stats.framesDropped, 0u);
}

TEST_F(Streaming, BgrCallbackPassesBgrFramesAndIsReplacedByThePlainOne)
{
    FrameCollector frames;
    ASSERT_EQ(SetEnum(colour, "PixelFormat", "BGR8Packed"), MV_OK);
    ASSERT_EQ(Code(MV_CC_RegisterImageCallBackForBGR(colour, &FrameCollector::OnFrame, &frames)), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(colour)), MV_OK);
    ASSERT_TRUE(frames.WaitFor(1));
    ASSERT_EQ(Code(MV_CC_StopGrabbing(colour)), MV_OK);
    EXPECT_EQ(frames.Frames()[0].info.enPixelType, static_cast<uint32_t>(PixelType_BGR8_Packed));
    // Registering the plain callback replaces it: Bayer frames then arrive as they are.
    ASSERT_EQ(SetEnum(colour, "PixelFormat", "BayerRG8"), MV_OK);
    ASSERT_EQ(Code(MV_CC_RegisterImageCallBackEx(colour, &FrameCollector::OnFrame, &frames)), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(colour)), MV_OK);
    ASSERT_TRUE(frames.WaitFor(frames.Count() + 1));
    ASSERT_EQ(Code(MV_CC_StopGrabbing(colour)), MV_OK);
    EXPECT_EQ(frames.Frames().back().info.enPixelType, static_cast<uint32_t>(PixelType_BayerRG8));
}

TEST_F(Streaming, TwoCamerasStreamOnThreadsOfTheirOwn)
{
    FrameCollector a;
    FrameCollector b;
    a.keepData = b.keepData = false;
    ASSERT_EQ(SetEnum(colour, "PixelFormat", "BayerRG8"), MV_OK);  // a colour camera starts in Mono8
    Register(mono, a);
    Register(colour, b);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(mono)), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(colour)), MV_OK);
    ASSERT_TRUE(a.WaitFor(3));
    ASSERT_TRUE(b.WaitFor(3));
    ASSERT_EQ(Code(MV_CC_StopGrabbing(mono)), MV_OK);
    ASSERT_EQ(Code(MV_CC_StopGrabbing(colour)), MV_OK);
    std::set<std::thread::id> threadsA;
    std::set<std::thread::id> threadsB;
    for (const Frame& f : a.Frames()) {
        threadsA.insert(f.thread);
        EXPECT_EQ(f.info.enPixelType, static_cast<uint32_t>(PixelType_Mono8));
    }
    for (const Frame& f : b.Frames()) {
        threadsB.insert(f.thread);
        EXPECT_EQ(f.info.enPixelType, static_cast<uint32_t>(PixelType_BayerRG8));
        EXPECT_EQ(f.info.nWidth, 128u);
    }
    EXPECT_EQ(threadsA.size(), 1u);
    EXPECT_EQ(threadsB.size(), 1u);
    EXPECT_NE(*threadsA.begin(), *threadsB.begin());
}

}  // namespace
}  // namespace SimTest

namespace SimTest {
namespace {

float FloatOf(void* handle, const char* name)
{
    MvFloatValue value{};
    EXPECT_EQ(Code(MV_CC_GetFloatValue(handle, name, &value)), MV_OK) << name;
    return value.fCurValue;
}

}  // namespace

TEST_F(Streaming, AutomaticFunctionsMoveTheirValuesWhileFramesFlow)
{
    FrameCollector frames;
    frames.keepData = false;
    Register(colour, frames);
    ASSERT_EQ(Code(MV_CC_SetFloatValue(colour, "Gain", 0.0f)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(colour, "GainAuto", "Continuous")), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(colour, "BalanceWhiteAuto", "Once")), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetFloatValue(colour, "Gain", 1.0f)), MV_E_GC_ACCESS);  // the camera owns it
    ASSERT_EQ(Code(MV_CC_StartGrabbing(colour)), MV_OK);
    ASSERT_TRUE(frames.WaitFor(3));
    ASSERT_EQ(Code(MV_CC_StopGrabbing(colour)), MV_OK);

    // Continuous moves the gain step by step and stays on.
    const float gain = FloatOf(colour, "Gain");
    EXPECT_GT(gain, 0.0f);
    EXPECT_LE(gain, 6.0f);
    MvEnumValue mode{};
    ASSERT_EQ(Code(MV_CC_GetEnumValue(colour, "GainAuto", &mode)), MV_OK);
    EXPECT_EQ(mode.nCurValue, 2u);  // Continuous

    // Once sets every ratio at the first frame and turns itself off.
    ASSERT_EQ(Code(MV_CC_GetEnumValue(colour, "BalanceWhiteAuto", &mode)), MV_OK);
    EXPECT_EQ(mode.nCurValue, 0u);  // Off
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(colour, "BalanceRatioSelector", "Blue")), MV_OK);
    EXPECT_EQ(IntOf(colour, "BalanceRatio"), 1843);  // 1.8 in 1/1024ths
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(colour, "BalanceRatioSelector", "Red")), MV_OK);
    EXPECT_EQ(IntOf(colour, "BalanceRatio"), 1485);                             // 1.45
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(colour, "BalanceRatio", 1229)), MV_OK);  // manual again
}

// One software trigger, one frame, one step: an integer ratio moves a fiftieth of its range
// (16382 / 50, rounded onto the grid) per frame and stops at its target.
TEST_F(Streaming, ContinuousWhiteBalanceStepsIntegerRatiosFrameByFrame)
{
    FrameCollector frames;
    frames.keepData = false;
    Register(colour, frames);
    ASSERT_EQ(SetEnum(colour, "TriggerMode", "On"), MV_OK);
    ASSERT_EQ(SetEnum(colour, "TriggerSource", "Software"), MV_OK);
    ASSERT_EQ(SetEnum(colour, "BalanceWhiteAuto", "Continuous"), MV_OK);
    ASSERT_EQ(Code(MV_CC_StartGrabbing(colour)), MV_OK);
    auto ratio = [&](const char* channel) {
        EXPECT_EQ(SetEnum(colour, "BalanceRatioSelector", channel), MV_OK);
        return IntOf(colour, "BalanceRatio");
    };
    const int64_t expected[][3] = {// red, green, blue after each frame
                                   {1352, 1024, 1352},
                                   {1485, 1024, 1680},
                                   {1485, 1024, 1843}};
    for (std::size_t frame = 0; frame < 3; ++frame) {
        SCOPED_TRACE(frame);
        ASSERT_EQ(Code(MV_CC_SetCommandValue(colour, "TriggerSoftware")), MV_OK);
        ASSERT_TRUE(frames.WaitFor(frame + 1));
        EXPECT_EQ(ratio("Red"), expected[frame][0]);
        EXPECT_EQ(ratio("Green"), expected[frame][1]);
        EXPECT_EQ(ratio("Blue"), expected[frame][2]);
    }
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(colour, "BalanceRatio", 1024)), MV_E_GC_ACCESS);
    ASSERT_EQ(Code(MV_CC_StopGrabbing(colour)), MV_OK);
}

}  // namespace SimTest
