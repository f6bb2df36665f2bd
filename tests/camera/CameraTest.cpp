// A camera's open sequence, acquisition modes, frame delivery and its control thread, driven
// directly (the export layer is tested on its own).
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "CameraTestSupport.h"
#include "camera/PixelTypes.h"
#include "support/GlobalLog.h"

using namespace std::chrono_literals;

namespace {

std::atomic<Camera*> current{nullptr};
std::atomic<int> callbacks{0};
std::atomic<int> rowFailures{0};
std::atomic<int> hostDelayMs{0};

// The host: reads every row of the frame in hand.
void ORNIC_CALL OnFrame(int, int)
{
    Camera* camera = current.load();
    if (camera == nullptr) return;
    for (int row = 0; row < camera->Image().Height(); ++row) {
        if (camera->Image().GetLine(row) == nullptr) rowFailures.fetch_add(1);
    }
    if (hostDelayMs.load() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(hostDelayMs.load()));
    callbacks.fetch_add(1);
}

// Waits until `done` holds; the generous limit only catches hangs.
template <typename Condition>
bool WaitUntil(Condition done, std::chrono::milliseconds limit = 10s)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

bool WaitCallbacks(int count)
{
    return WaitUntil([count] { return callbacks.load() >= count; });
}

class CameraTest : public CameraFixture {
protected:
    void SetUp() override
    {
        CameraFixture::SetUp();
        callbacks = 0;
        rowFailures = 0;
        hostDelayMs = 0;
    }
    void TearDown() override
    {
        // Frames keep arriving until the cameras are gone, so the host's pointer goes last.
        CameraFixture::TearDown();
        current = nullptr;
    }
    Camera& OpenCamera(unsigned int index, int port = 0)
    {
        Camera& camera = Make(index);
        current = &camera;
        camera.SetCompleteCallback(&OnFrame);
        camera.SetHostBound(true);  // what the camera list does when a port takes the camera
        ImageSize size;
        EXPECT_TRUE(camera.TarvikOpen(port, size));
        return camera;
    }
};

}  // namespace

TEST_F(CameraTest, ContinuousModeDeliversEveryFrameTheSdkHandsOver)
{
    ASSERT_EQ(CamSim_SetUnthrottled(Id(0), 1), MV_OK);
    Camera& camera = OpenCamera(0);
    camera.SetContinuousGrabMode(true);
    // Before the switch the free-running camera's frames were skipped; from the first
    // delivered frame on, none may be.
    ASSERT_TRUE(WaitCallbacks(1));
    const uint64_t skippedBefore = camera.FramesSkipped();
    ASSERT_TRUE(WaitCallbacks(40));
    camera.DoClose(false);
    const CamSimStreamStats stats = Stats(0);
    EXPECT_EQ(camera.FramesSkipped(), skippedBefore);
    EXPECT_EQ(camera.FramesDelivered() + camera.FramesSkipped(), stats.framesDelivered);
    EXPECT_EQ(stats.framesDropped, 0u);
    EXPECT_EQ(rowFailures.load(), 0);
}

TEST_F(CameraTest, SlowHostLosesFramesAtTheSdkInsteadOfQueueingThem)
{
    Camera& camera = OpenCamera(0);
    hostDelayMs = 40;  // slower than the camera's frame period
    camera.SetContinuousGrabMode(true);
    ASSERT_TRUE(WaitCallbacks(15));
    camera.DoClose(false);
    const CamSimStreamStats stats = Stats(0);
    EXPECT_GT(stats.framesDropped, 0u);
    // Whatever the SDK could hand over was answered at once; nothing waits in a queue.
    EXPECT_EQ(camera.FramesDelivered() + camera.FramesSkipped(), stats.framesDelivered);
    EXPECT_EQ(stats.bufferCount, 3u);
}

TEST_F(CameraTest, SingleFrameModeAnswersEachRequestOnce)
{
    Camera& camera = OpenCamera(0);
    for (int request = 1; request <= 3; ++request) {
        camera.SignalGrab();
        ASSERT_TRUE(WaitCallbacks(request));
    }
    // Three more frames through the driver's image callback, none of them requested.
    const uint32_t handedOver = Stats(0).framesDelivered;
    ASSERT_TRUE(WaitUntil([&] { return Stats(0).framesDelivered >= handedOver + 3; }));
    EXPECT_EQ(callbacks.load(), 3);
    EXPECT_GT(camera.FramesSkipped(), 0u);  // the free-running camera's other frames
    // Continuous on twice, off while closed.
    camera.SetContinuousGrabMode(true);
    camera.SetContinuousGrabMode(true);
    FlushGlobalLog();
    EXPECT_GE(GlobalLog().Count("Set continous mode (true) ignored - already there"), 1u);
}

TEST_F(CameraTest, HostWriteOfANodeLockedWhileGrabbingPausesAndResumes)
{
    Camera& camera = OpenCamera(0);
    ASSERT_TRUE(camera.Grabbing().IsGrabbing());
    auto width = camera.Parameters().Find("Width");
    ASSERT_NE(width, nullptr);
    width->SetInt(640);
    width->SetFlags(Util_2_1::FlagModified);
    bool written = false;
    EXPECT_TRUE(camera.Parameters().WriteToCamera(*width, written, true));
    EXPECT_TRUE(written);
    EXPECT_TRUE(camera.Grabbing().IsGrabbing());
    MvIntValueEx value{};
    ASSERT_EQ(MV_CC_GetIntValueEx(camera.SdkHandle(), "Width", &value), MV_OK);
    EXPECT_EQ(value.nCurValue, 640);
    EXPECT_EQ(Stats(0).grabbing, 1u);
    // The image buffer follows the new width before frames flow again.
    EXPECT_EQ(camera.Image().Width(), 640);
    EXPECT_EQ(camera.Image().Stride(), 640);
    EXPECT_EQ(camera.GetImageSize().width, 640);
    camera.SignalGrab();
    ASSERT_TRUE(WaitCallbacks(1));
    EXPECT_EQ(rowFailures.load(), 0);
    EXPECT_EQ(camera.Image().FrameInfo().nWidth, 640);
}

TEST_F(CameraTest, StoredSettingsShapeTheOpen)
{
    WriteIni(std::string("[General]\nCameraBufferCount=1\nForceColorMode=color\n[Port.0.0]\n$Camera=") + kMonoName +
             "\nPixelFormat=Mono12\n");
    Camera& camera = OpenCamera(0);
    // Below 3 buffers the SDK gets 3; a mono camera forced to colour delivers BGR.
    EXPECT_EQ(Stats(0).bufferCount, 3u);
    EXPECT_TRUE(camera.IsColor());
    EXPECT_EQ(camera.Image().Stride(), 1280 * 3);
    camera.SignalGrab();
    ASSERT_TRUE(WaitCallbacks(1));
    EXPECT_EQ(camera.Image().FrameInfo().enPixelType, kPixelBgr8);
    EXPECT_EQ(rowFailures.load(), 0);
}

TEST_F(CameraTest, MonoTwelveIsConvertedIntoTheImageBuffer)
{
    WriteIni(std::string("[General]\nCameraBufferCount=7\n[Port.0.0]\n$Camera=") + kMonoName +
             "\nPixelFormat=Mono12\n");
    Camera& camera = OpenCamera(0);
    EXPECT_EQ(Stats(0).bufferCount, 7u);
    EXPECT_FALSE(camera.IsColor());
    camera.SignalGrab();
    ASSERT_TRUE(WaitCallbacks(1));
    EXPECT_EQ(rowFailures.load(), 0);
}

TEST_F(CameraTest, BayerSettingsReachTheSdkOnlyWhenWellFormed)
{
    WriteIni(std::string("[Port.0.1]\n$Camera=") + kColourName +
             "\nUseBayerGamma=1\nBayerGamma=0.8\nUseBayerMatrix=1\nBayerMatrixRow1=0 1\n");
    CamSim_ResetCallCounts();
    OpenCamera(1, 1);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_SetBayerGammaValue"), 1u);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_SetBayerCCMParamEx"), 0u);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_SetBayerCvtQuality"), 0u);
}

TEST_F(CameraTest, UnsupportedPixelFormatFailsTheOpen)
{
    Camera& camera = Make(0,
                          "category ImageFormatControl; integer Width 16 640 16 320; integer Height 16 480 2 240;"
                          "integer PayloadSize 0 1000000 1 0; enumeration PixelFormat Jpeg Jpeg=0x80180001");
    camera.SetPort(0);
    EXPECT_FALSE(camera.DoOpen(false));
    EXPECT_FALSE(camera.IsOpen());
    // The device was opened, and the open stopped before the parameter model was built.
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_OpenDevice"), 1u);
    EXPECT_EQ(camera.Parameters().Find("Width"), nullptr);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_StartGrabbing"), 0u);
}

TEST_F(CameraTest, OpenNeedsAPortAndClosingTwiceIsHarmless)
{
    Camera& camera = Make(0);
    CamSim_ResetCallCounts();
    EXPECT_FALSE(camera.DoOpen(false));
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_CreateHandleWithoutLog"), 0u);  // refused before the SDK
    camera.DoClose(false);
    EXPECT_FALSE(camera.IsOpen());
    for (const char* operation : {"MV_CC_StopGrabbing", "MV_CC_CloseDevice", "MV_CC_DestroyHandle"}) {
        EXPECT_EQ(CamSim_GetCallCount(operation), 0u) << operation;  // nothing to close
    }
}

TEST_F(CameraTest, GrabNeverWipesOutAPendingCommand)
{
    Camera& camera = Make(0);
    ThrCameraControl& thread = camera.ControlThread();  // not started: the slot just holds
    thread.PostDeviceLost();
    thread.PostGrab();
    EXPECT_EQ(thread.PendingCommand(), ThrCameraControl::CmdDeviceLost);
    thread.PostClose();
    thread.PostGrab();
    EXPECT_EQ(thread.PendingCommand(), ThrCameraControl::CmdClose);
    thread.PostTerminate();
    thread.PostOpen();  // starting the thread clears the slot; the open follows
    thread.Destroy();
    thread.Post(ThrCameraControl::CmdTerminate);
    thread.PostGrab();
    thread.PostClose();
    EXPECT_EQ(thread.PendingCommand(), ThrCameraControl::CmdTerminate);
}

TEST_F(CameraTest, DestroyWaitsForAnOpenStillRunning)
{
    ASSERT_EQ(CamSim_SetOpenDelay(Id(0), 4000), MV_OK);
    Camera& camera = Make(0);
    camera.SetPort(0);
    camera.ControlThread().PostOpen();
    ASSERT_TRUE(WaitUntil([] { return CamSim_GetCallCount("MV_CC_OpenDevice") > 0; }));  // inside it now
    cameras[0].reset();  // must not return while the thread uses the camera
    FlushGlobalLog();
    EXPECT_GE(GlobalLog().Count("Camera thread did not end within 3000 ms; waiting for it"), 1u);
    EXPECT_GE(GlobalLog().Count("ThrCameraControl Destroy leaving"), 1u);
}

TEST(PixelTypes, NamesAndTests)
{
    EXPECT_STREQ(PixelTypeName(0x01080001u), "Mono8");
    EXPECT_STREQ(PixelTypeName(0x010C002Bu), "BayerRG12_Packed");
    EXPECT_STREQ(PixelTypeName(0x81080009u), "HB_BayerRG8");
    EXPECT_STREQ(PixelTypeName(0x12345678u), "?");
    EXPECT_TRUE(IsBayerFormat(0x01080046u));
    EXPECT_TRUE(IsBayerFormat(0x01100031u));
    EXPECT_FALSE(IsBayerFormat(0x01080001u));
    EXPECT_FALSE(IsBayerFormat(0x010C0052u));
    EXPECT_EQ(PixelBits(0x010C002Bu), 12u);
}

TEST_F(CameraTest, PrintXmlWritesTheCameraDescriptionIntoTheSystemPath)
{
    Camera& camera = OpenCamera(0);
    camera.PrintXML();
    const std::string xml = dir.Read("parameters.xml");
    EXPECT_NE(xml.find("ExposureTime"), std::string::npos);
    EXPECT_EQ(xml.find('\0'), std::string::npos);
}

// The high-bandwidth codes are the plain codes with the top bit set, carrying the same pixels.
TEST(PixelTypes, HighBandwidthFormatsCountAsTheirPlainFormats)
{
    int highBandwidth = 0;
    for (const PixelFormats::PixelFormatInfo& entry : PixelFormats::kTable) {
        if (std::strncmp(entry.name, "HB_", 3) != 0) continue;
        ++highBandwidth;
        const uint32_t plain = entry.code & ~0x80000000u;
        EXPECT_STREQ(PixelTypeName(plain), entry.name + 3);
        EXPECT_EQ(IsBayerFormat(entry.code), IsBayerFormat(plain)) << entry.name;
        EXPECT_EQ(ConversionSourceFormat(entry.code), plain) << entry.name;
    }
    EXPECT_EQ(highBandwidth, 37);
    EXPECT_TRUE(IsBayerFormat(PixelFormats::Code::HB_BayerRBGG8));
    // A top bit that does not mark a high-bandwidth form stays.
    EXPECT_EQ(ConversionSourceFormat(PixelFormats::Code::Coord3D_AC32f_64), PixelFormats::Code::Coord3D_AC32f_64);
}

TEST_F(CameraTest, ColourCameraInAHighBandwidthBayerFormatDeliversColour)
{
    Camera& camera = Make(1,
                          "category ImageFormatControl; integer Width 16 640 16 64; integer Height 16 480 2 32;"
                          "integer PayloadSize 0 1000000 1 0;"
                          "enumeration PixelFormat BayerRG8 BayerRG8=0x01080009 HB_BayerRG8=0x81080009");
    current = &camera;
    camera.SetCompleteCallback(&OnFrame);
    camera.SetHostBound(true);
    ImageSize size;
    ASSERT_TRUE(camera.TarvikOpen(1, size));
    ASSERT_TRUE(camera.PauseGrabbing());  // from here on the test hands the frames over
    ASSERT_EQ(MV_CC_SetEnumValue(camera.SdkHandle(), "PixelFormat", PixelFormats::Code::HB_BayerRG8), MV_OK);
    camera.ResumeGrabbing();  // reads the format again (the simulator cannot stream this one)
    EXPECT_TRUE(camera.IsColor());

    std::vector<uint8_t> mosaic(64 * 32);
    for (size_t i = 0; i < mosaic.size(); ++i) mosaic[i] = static_cast<uint8_t>(i * 7 % 251);
    auto deliver = [&](uint32_t code) {
        MvFrameOutInfoEx info{};
        info.nWidth = 64;
        info.nHeight = 32;
        info.enPixelType = code;
        info.nFrameLen = static_cast<uint32_t>(mosaic.size());
        EXPECT_TRUE(camera.ProcessFrame(mosaic.data(), &info)) << std::hex << code;
        return std::vector<uint8_t>(camera.Image().Data(), camera.Image().Data() + 64 * 32 * 3);
    };
    const std::vector<uint8_t> plain = deliver(PixelFormats::Code::BayerRG8);
    EXPECT_EQ(deliver(PixelFormats::Code::HB_BayerRG8), plain);
    EXPECT_EQ(callbacks.load(), 2);
    EXPECT_EQ(rowFailures.load(), 0);
}
