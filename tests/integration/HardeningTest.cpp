// The host's awkward moments: an open slower than its wait, a close during reconnect
// attempts, one camera wanted on two ports, and a shutdown while other threads call in.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "DriverFixture.h"
#include "camsim/SimControl.h"

namespace {

using namespace std::chrono_literals;

std::array<std::atomic<int>, 20> framesOnPort{};
std::atomic<bool> portClosed{false};
std::atomic<int> framesAfterClose{0};
std::atomic<int> finalizeInside{-1};

void ORNIC_CALL CountFrame(int /*grabber*/, int port)
{
    if (portClosed.load()) ++framesAfterClose;
    if (port >= 0 && port < 20) ++framesOnPort[static_cast<size_t>(port)];
}

// A host that shuts down from its completion callback.
void ORNIC_CALL FinalizeFromCallback(int grabber, int port)
{
    int expected = -1;
    finalizeInside.compare_exchange_strong(expected, DriverLibrary::Get().finalize());
    CountFrame(grabber, port);
}

class HardeningTest : public DriverFixture {
protected:
    void SetUp() override
    {
        DriverFixture::SetUp();
        for (auto& count : framesOnPort) count.store(0);
        portClosed.store(false);
        framesAfterClose.store(0);
        finalizeInside.store(-1);
    }
    // The limit only catches hangs.
    static bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(10ms);
        }
        return true;
    }
    static bool WaitCloses(unsigned count)
    {
        return WaitUntil([count] { return CamSim_GetCallCount("MV_CC_CloseDevice") >= count; });
    }
    int OpenSized(int port, const char* name, OrnicImageSize& size)
    {
        size = OrnicImageSize{-1, -1};
        const int rc = d.openCVLPort(0, port, name, &size);
        if (rc == 1) openedPorts.push_back(port);
        return rc;
    }
    void Forget(int port)
    {
        openedPorts.erase(std::remove(openedPorts.begin(), openedPorts.end(), port), openedPorts.end());
    }
};

TEST_F(HardeningTest, CameraThatOpensAfterTheHostGaveUpIsClosedAgainAndOpensWithItsSize)
{
    Start();
    const unsigned int id = DeviceId(0);
    ASSERT_EQ(CamSim_SetOpenDelay(id, 7500), 0);
    OrnicImageSize size{};
    EXPECT_EQ(OpenSized(0, kMonoName, size), 0);
    ASSERT_EQ(CamSim_SetOpenDelay(id, 0), 0);
    // The late open is undone by the driver, not left open on no port.
    EXPECT_TRUE(WaitCloses(1));
    ASSERT_EQ(OpenSized(0, kMonoName, size), 1);
    EXPECT_EQ(size.width, 1280);
    EXPECT_GT(size.height, 0);
    ASSERT_EQ(d.setCompleteCallback(0, 0, &CountFrame), 1);
    ASSERT_EQ(d.doCVLGrab(0, 0), 1);
    EXPECT_TRUE(WaitUntil([] { return framesOnPort[0].load() >= 1; }));
}

TEST_F(HardeningTest, HostCloseEndsTheReconnectAttempts)
{
    Start("[General]\nReconnectOnLoss=1\nReconnectTryCount=0\nReconnectWaitSeconds=1\n[Port.0.0]\n$Camera=" +
          std::string(kMonoName) + "\n");
    OrnicImageSize size{};
    ASSERT_EQ(OpenSized(0, kMonoName, size), 1);
    const unsigned int id = DeviceId(0);
    ASSERT_EQ(CamSim_Unplug(id, 0), 0);
    ASSERT_TRUE(lines.WaitFor("Will try to reconnect indefinitely"));
    ASSERT_EQ(d.closeCVLPort(0, 0), 1);
    Forget(0);
    EXPECT_TRUE(lines.WaitFor("Reconnect ended: the host closed the port"));
    ASSERT_EQ(CamSim_Replug(id), 0);
    // Closed, so the host's next open gets it, with its size.
    EXPECT_EQ(OpenSized(1, kMonoName, size), 1);
    EXPECT_EQ(size.width, 1280);
}

TEST_F(HardeningTest, APortHoldsOneCameraAndACameraOnePort)
{
    Start();
    // Two host threads open the same camera on two ports at once: one wins.
    std::atomic<bool> go{false};
    std::array<int, 2> rc{-1, -1};
    std::array<std::thread, 2> openers;
    for (int i = 0; i < 2; ++i) {
        openers[static_cast<size_t>(i)] = std::thread([&, i] {
            while (!go.load()) std::this_thread::yield();
            OrnicImageSize s{};
            rc[static_cast<size_t>(i)] = d.openCVLPort(0, i, kMonoName, &s);
        });
    }
    go.store(true);
    for (auto& t : openers) t.join();
    ASSERT_EQ(rc[0] + rc[1], 1);
    const int port = rc[0] == 1 ? 0 : 1;
    const int other = 1 - port;
    openedPorts.push_back(port);
    EXPECT_EQ(d.doCVLGrab(0, port), 1);
    EXPECT_EQ(d.doCVLGrab(0, other), 0);

    // Again on its own port: its size; on another port: refused, naming where it is.
    OrnicImageSize size{};
    EXPECT_EQ(OpenSized(port, kMonoName, size), 1);
    EXPECT_EQ(size.width, 1280);
    EXPECT_EQ(OpenSized(other, kMonoName, size), 0);
    EXPECT_TRUE(lines.WaitFor("is already open on port #" + std::to_string(port)));

    // A second camera on the occupied port takes it; the first is closed and can be opened again.
    ASSERT_EQ(d.execCmd(0, 0, "set", "loglevel=2", nullptr, 0), 1);  // the warning is a level-2 line
    CamSim_ResetCallCounts();
    EXPECT_EQ(OpenSized(port, kColourName, size), 1);
    EXPECT_TRUE(lines.WaitFor("SetPortBinding twice setting/resetting _ports"));
    EXPECT_TRUE(WaitCloses(1));
    EXPECT_EQ(OpenSized(other, kMonoName, size), 1);
    EXPECT_EQ(size.width, 1280);
}

TEST_F(HardeningTest, NoFrameReachesTheHostAfterItsPortIsClosed)
{
    Start();
    ASSERT_TRUE(Open(0, kMonoName, &CountFrame));
    ASSERT_EQ(CamSim_SetUnthrottled(DeviceId(0), 1), 0);
    ASSERT_EQ(d.setProperty(0, 0, "continuous", 1), 1);
    ASSERT_TRUE(WaitUntil([] { return framesOnPort[0].load() >= 3; }));
    CamSim_ResetCallCounts();
    ASSERT_EQ(d.closeCVLPort(0, 0), 1);
    portClosed.store(true);
    Forget(0);
    ASSERT_TRUE(WaitCloses(1));
    EXPECT_EQ(framesAfterClose.load(), 0);
}

TEST_F(HardeningTest, FinalizeWaitsForAnOpenInProgress)
{
    Start();
    ASSERT_EQ(CamSim_SetOpenDelay(DeviceId(0), 3000), 0);
    int rc = -1;
    std::thread opener([&] {
        OrnicImageSize s{};
        rc = d.openCVLPort(0, 0, kMonoName, &s);
    });
    // The SDK is inside the slow open: the host thread is waiting in openCVLPort.
    ASSERT_TRUE(WaitUntil([] { return CamSim_GetCallCount("MV_CC_OpenDevice") >= 1; }));
    EXPECT_EQ(d.finalize(), 1);
    started = false;
    opener.join();
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(d.doCVLGrab(0, 0), 0);
}

TEST_F(HardeningTest, FinalizeFromInsideTheCompletionCallbackChangesNothing)
{
    Start();
    ASSERT_TRUE(Open(0, kMonoName, &FinalizeFromCallback));
    ASSERT_EQ(d.doCVLGrab(0, 0), 1);
    ASSERT_TRUE(WaitUntil([] { return framesOnPort[0].load() >= 1; }));
    EXPECT_EQ(finalizeInside.load(), 0);
    EXPECT_TRUE(lines.WaitFor("finalize refused: called from inside the completion callback"));
    ASSERT_EQ(d.doCVLGrab(0, 0), 1);
    EXPECT_TRUE(WaitUntil([] { return framesOnPort[0].load() >= 2; }));
}

}  // namespace
