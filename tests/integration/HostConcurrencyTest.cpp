// Host threads against the control thread and the image thread: one writes properties that
// stop and restart grabbing, one requests grabs and reads rows in the callback, one unplugs
// and replugs the camera. Meant for the sanitizer builds: nothing may reach a destroyed handle
// or a resized image buffer, and the camera must still deliver whole frames afterwards.
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "DriverFixture.h"

namespace {

using namespace std::chrono_literals;

struct Counters {
    std::atomic<int> frames{0};
    std::atomic<int> rowsRead{0};
    std::atomic<int> rowsRefused{0};
    std::atomic<int> lastFrameWhole{0};  // 1 when the last frame's every row read
};
Counters counters;

// Reads the frame at the size the driver reports from inside the callback; when that call
// finds the camera busy, the size of the previous frame is used.
void ORNIC_CALL ReadRows(int grabber, int port)
{
    DriverLibrary& d = DriverLibrary::Get();
    static thread_local int width = 1280;
    static thread_local int height = 1024;
    int value = 0;
    if (d.getProperty(grabber, port, "Width", &value) == 1 && value > 0 && value <= 1280) width = value;
    if (d.getProperty(grabber, port, "Height", &value) == 1 && value > 0 && value <= 1024) height = value;
    int frameNumber = 0;
    d.getProperty(grabber, port, "FrameNumber", &frameNumber);
    std::vector<uint8_t> row(1280 * 3);
    int whole = 1;
    for (int y = 0; y < height; ++y) {
        if (d.getCVLGrabRow(grabber, port, row.data(), y, 0, width - 1) == 1) {
            counters.rowsRead.fetch_add(1, std::memory_order_relaxed);
        } else {
            counters.rowsRefused.fetch_add(1, std::memory_order_relaxed);
            whole = 0;
        }
    }
    counters.lastFrameWhole.store(whole);
    counters.frames.fetch_add(1);
}

class HostConcurrencyTest : public DriverFixture {};

}  // namespace

TEST_F(HostConcurrencyTest, WritesGrabsAndPowerCyclesDoNotCollide)
{
    // General settings come with the port's own section of this camera.
    Start(
        std::string("[General]\nReconnectOnLoss=1\nReconnectTryCount=0\nReconnectWaitSeconds=1\n[Port.0.0]\n$Camera=") +
        kMonoName + "\n");
    ASSERT_TRUE(Open(0, kMonoName, &ReadRows));
    // Small frames, so that they flow between the writes also in the sanitizer builds.
    ASSERT_EQ(d.setProperty(0, 0, "Height", 256), 1);
    const unsigned int id = DeviceId(0);
    std::atomic<bool> stop{false};
    std::atomic<int> writesDone{0};

    std::thread writer([&] {
        char reply[64];
        for (int i = 0; !stop.load(); ++i) {
            int ok = d.setProperty(0, 0, "Width", i % 2 == 0 ? 320 : 640);
            ok += d.execCmd(0, 0, "set", i % 3 == 0 ? "PixelFormat=Mono10" : "PixelFormat=Mono8", reply, sizeof reply);
            ok += d.setProperty(0, 0, "continuous", i % 4 < 2 ? 1 : 0);
            writesDone.fetch_add(ok);
            // Each locked write stops grabbing; frames must get a chance to flow in between.
            std::this_thread::sleep_for(50ms);
        }
    });
    std::thread grabber([&] {
        while (!stop.load()) {
            d.doCVLGrab(0, 0);
            std::this_thread::sleep_for(2ms);
        }
    });
    // Unplugged for 300 ms at a time; the driver reconnects within about a second.
    for (int cycle = 1; cycle <= 4; ++cycle) {
        std::this_thread::sleep_for(700ms);
        ASSERT_EQ(CamSim_Unplug(id, 300), 0);
        ASSERT_TRUE(lines.WaitFor("#0: IMP: Camera reconnect\n", static_cast<size_t>(cycle), 20s)) << cycle;
    }
    std::this_thread::sleep_for(500ms);
    stop.store(true);
    writer.join();
    grabber.join();

    EXPECT_GT(writesDone.load(), 0);
    EXPECT_GT(counters.frames.load(), 0);
    EXPECT_GT(counters.rowsRead.load(), 0);

    // Quiet again: the camera delivers a whole frame at the size the host set last.
    ASSERT_EQ(d.setProperty(0, 0, "continuous", 0), 1);
    ASSERT_EQ(d.setProperty(0, 0, "Width", 1280), 1);
    ASSERT_EQ(d.execCmd(0, 0, "set", "PixelFormat=Mono8", nullptr, 0), 1);
    std::this_thread::sleep_for(100ms);
    const int before = counters.frames.load();
    ASSERT_EQ(d.doCVLGrab(0, 0), 1);
    for (int i = 0; i < 500 && counters.frames.load() == before; ++i) std::this_thread::sleep_for(10ms);
    ASSERT_GT(counters.frames.load(), before);
    EXPECT_EQ(counters.lastFrameWhole.load(), 1);
}
