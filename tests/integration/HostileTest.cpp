// A careless host: seven threads opening, closing, grabbing and setting callbacks on random
// ports with random cameras, while one camera is unplugged and replugged and reconnect is on.
// Whatever happened meanwhile, afterwards no camera streams on no port, and every camera can
// be opened on a port nobody used and delivers.
#include <atomic>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include "DriverFixture.h"

namespace {

using namespace std::chrono_literals;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr auto kChaos = 8s;  // the sanitizer builds are several times slower
#else
constexpr auto kChaos = 20s;
#endif

std::atomic<int> framesOnPort[20];

void ORNIC_CALL CountFrame(int, int port)
{
    if (port >= 0 && port < 20) framesOnPort[port].fetch_add(1);
}

class HostileTest : public DriverFixture {};

}  // namespace

// Disabled until the port binding faults are mended: in two of two native runs the colour
// camera was still grabbing 10 s after every port was closed, and opening it on a fresh port
// then failed ("Camera SIM-UC500 (S2000001) already open", the open answering 0 or the
// callback refused on the new port).
TEST_F(HostileTest, EveryCameraCanBeOpenedAfterAHostileHost)
{
    Start("[General]\nReconnectOnLoss=1\nReconnectTryCount=0\nReconnectWaitSeconds=1\n");
    const char* const names[] = {kMonoName, kColourName};
    const unsigned int monoId = DeviceId(0);
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 7; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937 random(static_cast<unsigned>(t) * 7919u + 1u);
            while (!stop.load()) {
                // Ports 0-15 only: 16-19 stay fresh for the check afterwards.
                const int port = static_cast<int>(random() % 16);
                OrnicImageSize size{0, 0};
                switch (random() % 5) {
                case 0:
                    d.openCVLPort(0, port, names[random() % 2], &size);
                    break;
                case 1:
                    d.closeCVLPort(0, port);
                    break;
                case 2:
                    d.doCVLGrab(0, port);
                    break;
                case 3:
                    d.setCompleteCallback(0, port, random() % 2 == 0 ? &CountFrame : nullptr);
                    break;
                default:
                    d.setProperty(0, port, "continuous", static_cast<int>(random() % 2));
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(random() % 20));
            }
        });
    }
    const auto end = std::chrono::steady_clock::now() + kChaos;
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(700ms);
        CamSim_Unplug(monoId, 400);
    }
    stop.store(true);
    for (std::thread& thread : threads) thread.join();
    for (int port = 0; port < 20; ++port) d.closeCVLPort(0, port);

    // Back and left alone: no camera grabs on no port (a close or a reconnect still under way
    // gets its time).
    for (unsigned int index = 0; index < 2; ++index) {
        CamSimStreamStats stats{};
        for (int i = 0; i < 200; ++i) {
            const bool present = CamSim_GetStreamStats(DeviceId(index), &stats) == 0 && CamSim_GetDeviceCount() == 2;
            if (present && stats.grabbing == 0) break;
            std::this_thread::sleep_for(50ms);
        }
        EXPECT_EQ(stats.grabbing, 0u) << names[index] << " streams with every port closed";
    }
    for (int index = 0; index < 2; ++index) {
        const int port = 18 + index;
        OrnicImageSize size{0, 0};
        ASSERT_EQ(d.openCVLPort(0, port, names[index], &size), 1) << names[index];
        openedPorts.push_back(port);
        ASSERT_EQ(d.setCompleteCallback(0, port, &CountFrame), 1);
        const int before = framesOnPort[port].load();
        ASSERT_EQ(d.doCVLGrab(0, port), 1);
        for (int i = 0; i < 400 && framesOnPort[port].load() == before; ++i) std::this_thread::sleep_for(50ms);
        EXPECT_GT(framesOnPort[port].load(), before) << names[index] << " did not deliver on a fresh port";
    }
}
