// The main use through the exports, as the host drives them: open a port, grab, read the
// rows inside the completion callback, lose and regain the camera, close.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "DriverFixture.h"
#include "camsim/SimControl.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;

// What the host's completion callback saw. One per test; the callback reads every row.
struct HostSide {
    std::mutex mutex;
    std::condition_variable changed;
    int frames = 0;
    int width = 0;
    int height = 0;
    int bytesPerPixel = 1;
    int badRows = 0;
    int badPixels = 0;
    std::vector<uint8_t> frame;  // the last frame read
    // Checks inside the callback, while the frame is in hand.
    int outOfRangeRefusals = 0;
    int offsetReadsWrong = 0;
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
    // A part of a row starts at its first column; ranges outside the image are refused.
    uint8_t part[30] = {};
    if (d.getCVLGrabRow(grabber, port, part, 3, 10, 19) != 1 ||
        std::memcmp(part, image.data() + rowBytes * 3 + 10 * static_cast<size_t>(h.bytesPerPixel),
                    10 * static_cast<size_t>(h.bytesPerPixel)) != 0) {
        ++h.offsetReadsWrong;
    }
    uint8_t scratch[16] = {};
    if (d.getCVLGrabRow(grabber, port, scratch, 0, 5, 4) == 0) ++h.outOfRangeRefusals;
    std::vector<uint8_t> wide(rowBytes + 16);
    if (d.getCVLGrabRow(grabber, port, wide.data(), 0, 0, h.width) == 0) ++h.outOfRangeRefusals;
    if (d.getCVLGrabRow(grabber, port, scratch, h.height, 0, 1) == 0) ++h.outOfRangeRefusals;

    std::lock_guard<std::mutex> lock(h.mutex);
    h.badRows += bad;
    h.frame.swap(image);
    ++h.frames;
    h.changed.notify_all();
}

class GrabTest : public DriverFixture {
protected:
    void SetUp() override
    {
        DriverFixture::SetUp();
        host = &side;
    }
    void TearDown() override
    {
        DriverFixture::TearDown();
        host = nullptr;
    }

    // Opens the camera on the port with the host's callback; fails the test otherwise.
    void Open(int port, const char* name, int bytesPerPixel)
    {
        OrnicImageSize size{-1, -1};
        ASSERT_EQ(d.openCVLPort(0, port, name, &size), 1) << name;
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
    // A generous limit: a sanitizer build on a loaded machine converts a 5-megapixel frame slowly.
    bool WaitFrames(int count, std::chrono::milliseconds limit = 20s)
    {
        std::unique_lock<std::mutex> lock(side.mutex);
        return side.changed.wait_for(lock, limit, [&] { return side.frames >= count; });
    }
    // Frames the SDK has handed to the driver's image callback (and got back) this session.
    static uint32_t SdkDeliveries(unsigned int index)
    {
        CamSimStreamStats stats{};
        EXPECT_EQ(CamSim_GetStreamStats(DeviceId(index), &stats), 0);
        return stats.framesDelivered;
    }
    // Waits until the driver has been handed `count` frames in all; the limit only catches hangs.
    static bool WaitSdkDeliveries(unsigned int index, uint32_t count)
    {
        const auto end = std::chrono::steady_clock::now() + 10s;
        while (SdkDeliveries(index) < count) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }

    HostSide side;
};

}  // namespace

TEST_F(GrabTest, SingleFrameModeDeliversOneFramePerRequestWithTheMonoPattern)
{
    Start();
    Open(0, kMonoName, 1);
    EXPECT_EQ(side.width, 1280);
    EXPECT_EQ(side.height, 1024);
    // The camera runs freely, but without a request nothing reaches the host: the host's
    // callback runs inside the driver's, so frames the driver has returned were not passed on.
    ASSERT_TRUE(WaitSdkDeliveries(0, 3));
    EXPECT_EQ(Frames(), 0);
    for (int request = 1; request <= 3; ++request) {
        ASSERT_EQ(d.doCVLGrab(0, 0), 1);
        ASSERT_TRUE(WaitFrames(request)) << "request " << request;
    }
    ASSERT_TRUE(WaitSdkDeliveries(0, SdkDeliveries(0) + 3));
    EXPECT_EQ(Frames(), 3);

    std::lock_guard<std::mutex> lock(side.mutex);
    EXPECT_EQ(side.badRows, 0);
    EXPECT_EQ(side.offsetReadsWrong, 0);
    EXPECT_EQ(side.outOfRangeRefusals, 3 * 3);
    // Diagonal ramp; the first four pixels of row 0 carry the frame number.
    int wrong = 0;
    for (int y = 0; y < side.height; ++y) {
        for (int x = (y == 0 ? 4 : 0); x < side.width; ++x) {
            if (side.frame[static_cast<size_t>(y) * 1280 + static_cast<size_t>(x)] != static_cast<uint8_t>(x + y))
                ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(GrabTest, ColourCameraDeliversBgrBars)
{
    Start();
    Open(0, kColourName, 3);
    EXPECT_EQ(side.width, 2448);
    ASSERT_EQ(d.doCVLGrab(0, 0), 1);
    ASSERT_TRUE(WaitFrames(1));
    std::lock_guard<std::mutex> lock(side.mutex);
    EXPECT_EQ(side.badRows, 0);
    EXPECT_EQ(side.offsetReadsWrong, 0);
    // White, yellow, cyan, green, magenta, red, blue, black, as B, G, R; bar centres only,
    // where demosaicing has nothing to blur.
    const uint8_t bars[8][3] = {{255, 255, 255}, {0, 255, 255}, {255, 255, 0}, {0, 255, 0},
                                {255, 0, 255},   {0, 0, 255},   {255, 0, 0},   {0, 0, 0}};
    const int barWidth = side.width / 8;
    for (int bar = 0; bar < 8; ++bar) {
        for (int y : {10, 500, side.height - 10}) {
            const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(side.width) +
                               static_cast<size_t>(bar * barWidth + barWidth / 2)) *
                              3;
            for (int c = 0; c < 3; ++c) {
                EXPECT_NEAR(side.frame[at + static_cast<size_t>(c)], bars[bar][c], 2) << "bar " << bar << " y " << y;
            }
        }
    }
}

TEST_F(GrabTest, SoftwareTriggerAndSingleFrameAcquisitionComeFromStoredSettings)
{
    Start(std::string("[Port.0.0]\n$Camera=") + kMonoName +
          "\nTriggerMode=On\nTriggerSource=Software\n"
          "[Port.0.1]\n$Camera=" +
          kColourName + "\nAcquisitionMode=SingleFrame\nPixelFormat=BayerRG8\n");
    Open(0, kMonoName, 1);
    // A triggered camera makes no frames by itself; each request fires one trigger. The
    // simulator counts no time spent waiting for a trigger, so only waiting shows it.
    std::this_thread::sleep_for(300ms);
    CamSimStreamStats stats{};
    ASSERT_EQ(CamSim_GetStreamStats(DeviceId(0), &stats), 0);
    EXPECT_EQ(stats.framesProduced, 0u);
    for (int request = 1; request <= 2; ++request) {
        ASSERT_EQ(d.doCVLGrab(0, 0), 1);
        ASSERT_TRUE(WaitFrames(request));
    }
    ASSERT_EQ(CamSim_GetStreamStats(DeviceId(0), &stats), 0);
    EXPECT_EQ(stats.framesProduced, 2u);
    EXPECT_EQ(d.closeCVLPort(0, 0), 1);

    // Single-frame acquisition: each request starts one acquisition of one frame.
    {
        std::lock_guard<std::mutex> lock(side.mutex);
        side.frames = 0;
    }
    Open(1, kColourName, 3);
    for (int request = 1; request <= 2; ++request) {
        ASSERT_EQ(d.doCVLGrab(0, 1), 1);
        ASSERT_TRUE(WaitFrames(request));
    }
    // Nor does it count acquisitions started: waiting shows that no third frame follows.
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(Frames(), 2);
    ASSERT_EQ(CamSim_GetStreamStats(DeviceId(1), &stats), 0);
    EXPECT_LE(stats.framesProduced, 3u);  // the open's own acquisition may have made one
}

TEST_F(GrabTest, LostCameraIsClosedQuietlyReconnectedAndDeliversAgain)
{
    Start(
        "[General]\nReconnectOnLoss=1\nReconnectTryCount=0\nReconnectWaitSeconds=1\n"
        "[Port.0.0]\n$Camera=" +
        std::string(kMonoName) + "\n");
    Open(0, kMonoName, 1);
    ASSERT_EQ(d.doCVLGrab(0, 0), 1);
    ASSERT_TRUE(WaitFrames(1));
    ASSERT_EQ(CamSim_Unplug(DeviceId(0), 1500), 0);
    EXPECT_TRUE(lines.WaitFor("#0: ERR: Camera disconnect\n"));
    EXPECT_TRUE(lines.WaitFor("Will try to reconnect indefinitely for each 1.000000s"));
    EXPECT_TRUE(lines.WaitFor("#0: IMP: Camera reconnect\n", 1, 15s));
    ASSERT_EQ(d.doCVLGrab(0, 0), 1);
    EXPECT_TRUE(WaitFrames(2));
    // Quiet: the loss produced no failed-stop or close errors.
    EXPECT_EQ(lines.Count("MV_CC_StopGrabbing failed"), 0u);
    EXPECT_EQ(lines.Count("CameraClose: MV_CC_CloseDevice failed"), 0u);
}

TEST_F(GrabTest, ReconnectedCameraGetsTheSettingsItHadBack)
{
    Start("[General]\nReconnectOnLoss=1\nReconnectWaitSeconds=1\n[Port.0.0]\n$Camera=" + std::string(kMonoName) +
          "\nTriggerMode=On\nTriggerSource=Software\nExposureTime=1234\n");
    Open(0, kMonoName, 1);
    ASSERT_EQ(CamSim_Unplug(DeviceId(0), 500), 0);  // back with its power-up settings
    ASSERT_TRUE(lines.WaitFor("#0: IMP: Camera reconnect\n", 1, 15s));
    // Still triggered: no frame by itself (only waiting shows it, as above), one per request.
    std::this_thread::sleep_for(300ms);
    CamSimStreamStats stats{};
    ASSERT_EQ(CamSim_GetStreamStats(DeviceId(0), &stats), 0);
    EXPECT_EQ(stats.framesProduced, 0u);
    ASSERT_EQ(d.doCVLGrab(0, 0), 1);
    EXPECT_TRUE(WaitFrames(1));
}

TEST_F(GrabTest, ReconnectGivesUpWhenTheTriesRunOut)
{
    // General settings come with the port's own section of this camera.
    Start(
        "[General]\nReconnectOnLoss=1\nReconnectTryCount=2\nReconnectWaitSeconds=1\n"
        "[Port.0.0]\n$Camera=" +
        std::string(kMonoName) + "\n");
    Open(0, kMonoName, 1);
    const unsigned int id = DeviceId(0);
    CamSim_ResetCallCounts();
    ASSERT_EQ(CamSim_Unplug(id, 0), 0);
    EXPECT_TRUE(lines.WaitFor("Will try to reconnect 2 times for each 1.000000s"));
    EXPECT_TRUE(lines.WaitFor("No longer attempting camera reconnect", 1, 15s));
    // Each attempt makes a new SDK handle.
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_CreateHandleWithoutLog"), 2u);
    ASSERT_EQ(CamSim_Replug(id), 0);
    EXPECT_EQ(d.doCVLGrab(0, 0), 1);  // still bound, but closed: no frame
    // Nothing counts the control thread's idle rounds: waiting is the only proof of no attempt.
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_CreateHandleWithoutLog"), 2u);
    EXPECT_EQ(Frames(), 0);
}

TEST_F(GrabTest, NoReconnectWhenSwitchedOff)
{
    Start("[General]\nReconnectOnLoss=0\n[Port.0.0]\n$Camera=" + std::string(kMonoName) + "\n");
    Open(0, kMonoName, 1);
    CamSim_ResetCallCounts();
    ASSERT_EQ(CamSim_Unplug(DeviceId(0), 200), 0);
    EXPECT_TRUE(lines.WaitFor("#0: ERR: Camera disconnect\n"));
    std::this_thread::sleep_for(1500ms);  // as above: no counter of idle rounds
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_CreateHandleWithoutLog"), 0u);
}

TEST_F(GrabTest, OpenThatTakesTooLongFails)
{
    Start();
    ASSERT_EQ(CamSim_SetOpenDelay(DeviceId(0), 7500), 0);
    OrnicImageSize size{-1, -1};
    EXPECT_EQ(d.openCVLPort(0, 0, kMonoName, &size), 0);
    EXPECT_EQ(size.width, 0);
    EXPECT_EQ(size.height, 0);
    EXPECT_EQ(d.doCVLGrab(0, 0), 0);  // nothing bound
}

TEST_F(GrabTest, OpeningAnOpenCameraOnASecondPortFailsAndBindsNothing)
{
    Start();
    Open(0, kMonoName, 1);
    OrnicImageSize size{-1, -1};
    EXPECT_EQ(d.openCVLPort(0, 1, kMonoName, &size), 0);
    EXPECT_EQ(size.width, 0);
    EXPECT_EQ(size.height, 0);
    EXPECT_EQ(d.doCVLGrab(0, 1), 0);
}

TEST_F(GrabTest, PortClosedAndOpenedAgainAtOnceWorks)
{
    Start();
    Open(0, kMonoName, 1);
    ASSERT_EQ(d.closeCVLPort(0, 0), 1);
    OrnicImageSize size{-1, -1};
    ASSERT_EQ(d.openCVLPort(0, 0, kMonoName, &size), 1);
    EXPECT_EQ(size.width, 1280);
    ASSERT_EQ(d.doCVLGrab(0, 0), 1);
    EXPECT_TRUE(WaitFrames(1));
}

TEST_F(GrabTest, BadPortsAndNamesAreRefused)
{
    Start();
    OrnicImageSize size{-1, -1};
    EXPECT_EQ(d.openCVLPort(0, 20, kMonoName, &size), 0);
    EXPECT_EQ(d.openCVLPort(0, -1, kMonoName, &size), 0);
    EXPECT_TRUE(lines.WaitFor("Port #20 out of range (0, 20"));
    EXPECT_EQ(d.openCVLPort(0, 0, "undefined", &size), 0);
    EXPECT_EQ(d.openCVLPort(0, 0, "", &size), 0);
    EXPECT_EQ(d.openCVLPort(0, 0, nullptr, &size), 0);
    EXPECT_EQ(d.openCVLPort(0, 0, "No Such Camera", &size), 0);
    EXPECT_EQ(d.openCVLPort(0, 0, kMonoName, nullptr), 0);
    EXPECT_EQ(size.width, 0);
    EXPECT_TRUE(lines.WaitFor("undefined camera: undefined"));
    for (int port : {-1, 5, 20, 1000}) {
        EXPECT_EQ(d.doCVLGrab(0, port), 0) << port;
        uint8_t row[8];
        EXPECT_EQ(d.getCVLGrabRow(0, port, row, 0, 0, 1), 0) << port;
        EXPECT_EQ(d.setCompleteCallback(0, port, &OnFrame), 0) << port;
        EXPECT_EQ(d.setCmdCallback(0, port, nullptr), 0) << port;
        EXPECT_EQ(d.closeCVLPort(0, port), 0) << port;
    }
    EXPECT_TRUE(lines.WaitFor("Camera Close ignored - no camera on port 1000"));
    // An unknown camera has no dialog (the dialog itself is tested in tests/grid).
    EXPECT_EQ(d.configureCamera(nullptr, "No Such Camera"), 0);
}

TEST_F(GrabTest, RowsOutsideACallbackAreRefused)
{
    Start();
    Open(0, kMonoName, 1);
    uint8_t row[1280];
    EXPECT_EQ(d.getCVLGrabRow(0, 0, row, 0, 0, 1279), 0);
    EXPECT_TRUE(lines.WaitFor("getCVLGrabRow returns null for row0, SIM-GM130 (S1000001)"));
}

TEST(GrabWithoutDriver, PortCallsBeforeInitializeFailCleanly)
{
    std::string error;
    ASSERT_TRUE(DriverLibrary::Get().LoadAll(error)) << error;
    DriverLibrary& d = DriverLibrary::Get();
    OrnicImageSize size{-1, -1};
    EXPECT_EQ(d.openCVLPort(0, 0, kMonoName, &size), 0);
    EXPECT_EQ(size.width, 0);
    EXPECT_EQ(d.doCVLGrab(0, 0), 0);
    EXPECT_EQ(d.closeCVLPort(0, 0), 0);
    EXPECT_EQ(d.setCompleteCallback(0, 0, nullptr), 0);
}
