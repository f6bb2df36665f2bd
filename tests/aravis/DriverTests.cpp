// The whole GigE Vision path through the driver's exports, as the host drives it, with the
// Aravis backend chosen at start-up and Aravis's camera emulator on 127.0.0.1: discovery,
// opening by configuration name, the parameter model built from the emulator's own
// description (settings stored for the port are written to the camera), single and
// continuous frames, and the emulator killed while grabbing and started again.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AravisTestSupport.h"
#include "integration/DriverLibrary.h"
#include "sdk/MvSdk.h"
#include "support/TempDir.h"

using namespace AravisTest;
using namespace std::chrono_literals;

namespace {

Emulator& TheEmulator()
{
    static Emulator* const emulator = new Emulator();
    return *emulator;
}

class EmulatorEnvironment : public testing::Environment {
public:
    void TearDown() override { TheEmulator().Stop(); }
};

const testing::Environment* const emulatorEnvironment = testing::AddGlobalTestEnvironment(new EmulatorEnvironment);

// The host's side: every row of each frame is read inside the completion callback.
struct HostSide {
    std::mutex mutex;
    std::condition_variable changed;
    int frames = 0;
    int width = 0;
    int height = 0;
    int bytesPerPixel = 1;
    int badRows = 0;
    std::vector<uint8_t> frame;
};

HostSide* host = nullptr;

void ORNIC_CALL OnFrame(int grabber, int port)
{
    DriverLibrary& d = DriverLibrary::Get();
    HostSide& h = *host;
    const size_t rowBytes = static_cast<size_t>(h.width) * static_cast<size_t>(h.bytesPerPixel);
    std::vector<uint8_t> image(rowBytes * static_cast<size_t>(h.height));
    int bad = 0;
    for (int row = 0; row < h.height; ++row) {
        if (d.getCVLGrabRow(grabber, port, image.data() + rowBytes * static_cast<size_t>(row), row, 0, h.width - 1) !=
            1) {
            ++bad;
        }
    }
    std::lock_guard<std::mutex> lock(h.mutex);
    h.badRows += bad;
    h.frame.swap(image);
    ++h.frames;
    h.changed.notify_all();
}

class AravisDriverTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string error;
        ASSERT_TRUE(DriverLibrary::Get().LoadAll(error)) << error;
    }

    void SetUp() override
    {
        if (!TheEmulator().Running()) {
            std::string error;
            ASSERT_TRUE(TheEmulator().Start(error)) << error;
        }
        lines.Clear();
        host = &side;
    }

    void TearDown() override
    {
        if (started) {
            for (int port : openedPorts) d.closeCVLPort(0, port);
            EXPECT_EQ(d.finalize(), 1);
        }
        host = nullptr;
        if (!TheEmulator().Running()) {
            std::string error;
            EXPECT_TRUE(TheEmulator().Start(error)) << error;
        }
    }

    void Start(const std::string& ini = std::string())
    {
        if (!ini.empty()) dir.Write("ornic.ini", ini);
        ASSERT_EQ(d.initialize(dir.Path().c_str(), &DriverLibrary::DebugProc), 1);
        started = true;
    }

    std::vector<std::string> Names()
    {
        std::vector<std::string> names;
        const char** array = d.getCVLCameraConfigNames();
        for (int i = 0; array != nullptr && array[i] != nullptr; ++i) names.emplace_back(array[i]);
        return names;
    }

    void Open(int port, int bytesPerPixel)
    {
        OrnicImageSize size{-1, -1};
        ASSERT_EQ(d.openCVLPort(0, port, kConfigName, &size), 1);
        openedPorts.push_back(port);
        side.width = size.width;
        side.height = size.height;
        side.bytesPerPixel = bytesPerPixel;
        ASSERT_EQ(d.setCompleteCallback(0, port, &OnFrame), 1);
    }

    int Frames()
    {
        std::lock_guard<std::mutex> lock(side.mutex);
        return side.frames;
    }
    bool WaitFrames(int count, std::chrono::milliseconds limit = 10s)
    {
        std::unique_lock<std::mutex> lock(side.mutex);
        return side.changed.wait_for(lock, limit, [&] { return side.frames >= count; });
    }

    // Settings of the port's camera as the ini file stores them.
    static std::string PortSection(const std::string& keys)
    {
        return std::string("[Port.0.0]\n$Camera=") + kConfigName + "\n" + keys;
    }

    DriverLibrary& d = DriverLibrary::Get();
    LineCollector& lines = DriverLibrary::Lines();
    TempDir dir;
    HostSide side;
    bool started = false;
    std::vector<int> openedPorts;
    ScopedEnv backend{"ORNIC_SDK", "aravis"};
    ScopedEnv addresses{"ORNIC_ARAVIS_ADDRESSES", kEmulatorAddress};
};

}  // namespace

TEST_F(AravisDriverTest, TheDriverListsTheEmulatorFoundAtItsAddress)
{
    Start();
    EXPECT_EQ(Names(), std::vector<std::string>{kConfigName});
    EXPECT_EQ(d.getCVLNoOfSupportedCameras(), 1);
    EXPECT_TRUE(lines.WaitFor("#99: INFO: SDK backend: aravis, chosen by ORNIC_SDK: Aravis 0.8"));
    EXPECT_NE(
        lines.Find("SDK backend: aravis").find("GigE Vision discovery only at 127.0.0.1 (ORNIC_ARAVIS_ADDRESSES)"),
        std::string::npos)
        << lines.Find("SDK backend: aravis");
    EXPECT_TRUE(lines.WaitFor("INFO: initialize camera driver: ornic 1.0.4.53, SDK 0.8."));
    EXPECT_TRUE(lines.WaitFor("Creating GigE device Fake (GV01)"));
}

TEST_F(AravisDriverTest, TheIniKeyChoosesAravisToo)
{
    backend.Clear();
    Start("[General]\nSdkBackend=aravis\n");
    EXPECT_EQ(Names(), std::vector<std::string>{kConfigName});
    EXPECT_TRUE(lines.WaitFor("SDK backend: aravis, chosen by SdkBackend in [General] of "));
}

// Opened by name, the camera gets the settings stored for the port: the driver built its
// parameter model from the emulator's description and writes the stored values through it.
TEST_F(AravisDriverTest, OpenedByNameTheCameraGetsTheStoredSettingsAndDeliversSingleFrames)
{
    Start(
        PortSection("Width=320\nHeight=200\nPixelFormat=Mono8\nExposureTimeAbs=2000\nTriggerMode=Off\n"
                    "AcquisitionMode=Continuous\n"));
    Open(0, 1);
    EXPECT_EQ(side.width, 320);
    EXPECT_EQ(side.height, 200);
    for (int request = 1; request <= 3; ++request) {
        ASSERT_EQ(d.doCVLGrab(0, 0), 1);
        ASSERT_TRUE(WaitFrames(request)) << "request " << request;
    }
    // One frame per request: the camera runs freely, but nothing unasked reaches the host.
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(Frames(), 3);
    {
        std::lock_guard<std::mutex> lock(side.mutex);
        EXPECT_EQ(side.badRows, 0);
        EXPECT_EQ(side.frame.size(), 320u * 200u);
    }
    // The camera itself has the stored values: once the driver has let it go, this program
    // opens it through the same backend and reads them.
    ASSERT_EQ(d.closeCVLPort(0, 0), 1);
    openedPorts.clear();
    ASSERT_EQ(MV_CC_Initialize(), 0);
    MvDeviceInfoList list{};
    ASSERT_EQ(MV_CC_EnumDevices(MV_GIGE_DEVICE, &list), 0);
    ASSERT_EQ(list.nDeviceNum, 1u);
    void* h = nullptr;
    ASSERT_EQ(MV_CC_CreateHandleWithoutLog(&h, list.pDeviceInfo[0]), 0);
    int status = -1;
    for (int attempt = 0; attempt < 100 && status != 0; ++attempt) {
        status = MV_CC_OpenDevice(h, 1, 0);  // refused while the driver still has it
        if (status != 0) std::this_thread::sleep_for(50ms);
    }
    ASSERT_EQ(status, 0);
    MvFloatValue exposure{};
    EXPECT_EQ(MV_CC_GetFloatValue(h, "ExposureTimeAbs", &exposure), 0);
    EXPECT_FLOAT_EQ(exposure.fCurValue, 2000.0f);
    MvIntValueEx width{};
    EXPECT_EQ(MV_CC_GetIntValueEx(h, "Width", &width), 0);
    EXPECT_EQ(width.nCurValue, 320);
    EXPECT_EQ(MV_CC_DestroyHandle(h), 0);
    EXPECT_EQ(MV_CC_Finalize(), 0);
}

TEST_F(AravisDriverTest, FramesKeepComingRequestAfterRequest)
{
    Start(
        PortSection("Width=256\nHeight=128\nPixelFormat=Mono8\nExposureTimeAbs=1000\nTriggerMode=Off\n"
                    "AcquisitionMode=Continuous\nAcquisitionFrameRate=100\n"));
    Open(0, 1);
    const auto start = std::chrono::steady_clock::now();
    for (int request = 1; request <= 30; ++request) {
        ASSERT_EQ(d.doCVLGrab(0, 0), 1);
        ASSERT_TRUE(WaitFrames(request)) << "request " << request;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    std::lock_guard<std::mutex> lock(side.mutex);
    EXPECT_EQ(side.badRows, 0);
}

TEST_F(AravisDriverTest, BayerFramesReachTheHostAsBgr)
{
    Start(PortSection("Width=128\nHeight=64\nPixelFormat=BayerRG8\nTriggerMode=Off\nAcquisitionMode=Continuous\n"));
    Open(0, 3);
    EXPECT_EQ(side.width, 128);
    ASSERT_EQ(d.doCVLGrab(0, 0), 1);
    ASSERT_TRUE(WaitFrames(1));
    std::lock_guard<std::mutex> lock(side.mutex);
    EXPECT_EQ(side.badRows, 0);
    EXPECT_EQ(side.frame.size(), 128u * 64u * 3u);
}

// The emulator killed while grabbing (no goodbye on the wire) and started again: the driver
// closes quietly, reconnects and delivers again.
TEST_F(AravisDriverTest, AKilledCameraIsClosedQuietlyAndReconnected)
{
    Start("[General]\nReconnectOnLoss=1\nReconnectTryCount=0\nReconnectWaitSeconds=1\n" +
          PortSection("Width=128\nHeight=64\nPixelFormat=Mono8\nTriggerMode=Off\nAcquisitionMode=Continuous\n"));
    Open(0, 1);
    ASSERT_EQ(d.doCVLGrab(0, 0), 1);
    ASSERT_TRUE(WaitFrames(1));
    TheEmulator().Stop();
    EXPECT_TRUE(lines.WaitFor("#0: ERR: Camera disconnect\n", 1, 40s));
    std::string error;
    ASSERT_TRUE(TheEmulator().Start(error)) << error;
    EXPECT_TRUE(lines.WaitFor("#0: IMP: Camera reconnect\n", 1, 60s));
    // The re-opened camera has the port's settings again and delivers.
    for (int attempt = 0; attempt < 50 && Frames() < 2; ++attempt) {
        ASSERT_EQ(d.doCVLGrab(0, 0), 1);
        WaitFrames(2, 200ms);
    }
    EXPECT_GE(Frames(), 2);
    std::lock_guard<std::mutex> lock(side.mutex);
    EXPECT_EQ(side.frame.size(), 128u * 64u);
    EXPECT_EQ(lines.Count("MV_CC_StopGrabbing failed"), 0u);
    EXPECT_EQ(lines.Count("CameraClose: MV_CC_CloseDevice failed"), 0u);
    EXPECT_EQ(lines.Count("CameraClose: MV_CC_DestroyHandle failed"), 0u);
}
