// Unplug/replug cycles of one camera grabbing continuously with reconnect on, through the
// loaded driver. Per cycle: the camera is unplugged, stays away 300 ms, is plugged back in;
// the time from the replug to the driver's reconnect line and to the next whole frame at the
// host, the process's thread count (/proc/self/task) and resident memory (VmRSS).
//
// A reconnect is due within the configured period (1 s) plus one pass of the control thread
// (500 ms) plus the open's own time (the first open's time is taken as that), counted from
// the replug.
//
// Usage: ornic_soak [cycles, default 100] [--strict]. Exit status 1 on a reconnect or frame
// that did not come within 15 s, or on more threads at the last cycle than at the reference
// cycle (cycle 10, or half the cycles when fewer than 20); with --strict also on a reconnect
// later than due.
#include <dirent.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "camsim/SimControl.h"
#include "driver/OrnicFunctions.h"
#include "platform/Platform.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* kName = "SIM-GM130 (S1000001)";
constexpr int kWidth = 1280;
constexpr int kHeight = 1024;

struct Driver : OrnicFunctions {
    Platform::Library library;
    bool Load()
    {
        std::string missing;
        return library.Load(ORNIC_DRIVER_FILE) && Bind(library, missing);
    }
};
Driver d;

std::mutex mutex;
std::condition_variable changed;
int reconnects = 0;
int disconnects = 0;
int wholeFrames = 0;

void ORNIC_CALL OnLine(const char* line)
{
    if (line == nullptr) return;
    const bool reconnect = std::strstr(line, "#0: IMP: Camera reconnect") != nullptr;
    const bool disconnect = std::strstr(line, "#0: ERR: Camera disconnect") != nullptr;
    if (!reconnect && !disconnect) return;
    std::lock_guard<std::mutex> lock(mutex);
    reconnects += reconnect ? 1 : 0;
    disconnects += disconnect ? 1 : 0;
    changed.notify_all();
}

void ORNIC_CALL OnFrame(int grabber, int port)
{
    static thread_local std::vector<uint8_t> image(static_cast<size_t>(kWidth) * kHeight);
    int bad = 0;
    for (int row = 0; row < kHeight; ++row) {
        if (d.getCVLGrabRow(grabber, port, image.data() + static_cast<size_t>(row) * kWidth, row, 0, kWidth - 1) != 1)
            ++bad;
    }
    if (bad != 0) return;  // the frame in flight when the camera went
    std::lock_guard<std::mutex> lock(mutex);
    ++wholeFrames;
    changed.notify_all();
}

template <typename Predicate>
bool WaitFor(Predicate predicate, std::chrono::milliseconds limit = 15s)
{
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, limit, predicate);
}

int Threads()
{
    int count = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(dir)) count += entry->d_name[0] != '.' ? 1 : 0;
        closedir(dir);
    }
    return count;
}

long RssKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

double Ms(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

double Percentile(std::vector<double> values, double fraction)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))];
}

}  // namespace

int main(int argc, char** argv)
{
    int cycles = 100;
    bool strict = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--strict") == 0) {
            strict = true;
        } else {
            cycles = std::max(1, std::atoi(argv[i]));
        }
    }
    const int reference = cycles >= 20 ? 10 : std::max(1, cycles / 2);
    CamSim_Reset();
    if (CamSim_LoadConfig("gige:SIM-GM130:S1000001:mono", nullptr) != 0 || !d.Load()) {
        std::fprintf(stderr, "cannot set up the simulator or load %s\n", ORNIC_DRIVER_FILE);
        return 2;
    }
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("ornic-soak-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "ornic.ini") << "[General]\nlogDebugView=0\nReconnectOnLoss=1\nReconnectTryCount=0\n"
                                        "ReconnectWaitSeconds=1\n[Port.0.0]\n$Camera="
                                     << kName << "\n";
    if (d.initialize(dir.string().c_str(), &OnLine) != 1) return 2;
    CamSimDeviceState state{};
    CamSim_GetDevice(0, &state);
    const unsigned int id = state.id;

    OrnicImageSize size{0, 0};
    const auto openStart = Clock::now();
    if (d.openCVLPort(0, 0, kName, &size) != 1 || size.width != kWidth || size.height != kHeight) return 2;
    const double openMs = Ms(Clock::now() - openStart);
    if (d.setCompleteCallback(0, 0, &OnFrame) != 1 || d.setProperty(0, 0, "continuous", 1) != 1) return 2;
    const double dueMs = 1000.0 + 500.0 + openMs;
    std::printf("first open %.0f ms; a reconnect is due %.0f ms after the replug\n", openMs, dueMs);
    std::printf("cycle  reconnect_ms  frame_ms  threads  rss_kb\n");

    std::vector<double> reconnectMs;
    std::vector<double> frameMs;
    int late = 0;
    int missing = 0;
    int threadsAtReference = 0;
    long rssAtReference = 0;
    int threadsAtLast = 0;
    long rssAtLast = 0;
    long rssMax = 0;
    int threadsMax = 0;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        int framesBefore = 0;
        int reconnectsBefore = 0;
        int disconnectsBefore = 0;
        {
            std::lock_guard<std::mutex> lock(mutex);
            framesBefore = wholeFrames;
            reconnectsBefore = reconnects;
            disconnectsBefore = disconnects;
        }
        // Streaming before each loss, so every cycle pulls the camera from under a frame flow.
        if (!WaitFor([&] { return wholeFrames > framesBefore; })) ++missing;
        if (CamSim_Unplug(id, 0) != 0) return 2;
        if (!WaitFor([&] { return disconnects > disconnectsBefore; })) ++missing;
        std::this_thread::sleep_for(300ms);
        int framesAtReplug = 0;
        {
            std::lock_guard<std::mutex> lock(mutex);
            framesAtReplug = wholeFrames;
        }
        const auto replug = Clock::now();
        if (CamSim_Replug(id) != 0) return 2;
        const bool back = WaitFor([&] { return reconnects > reconnectsBefore; });
        const double reconnected = Ms(Clock::now() - replug);
        const bool flowing = WaitFor([&] { return wholeFrames > framesAtReplug; });
        const double frame = Ms(Clock::now() - replug);
        if (!back || !flowing) ++missing;
        if (back && reconnected > dueMs) ++late;
        reconnectMs.push_back(reconnected);
        frameMs.push_back(frame);
        const int threads = Threads();
        const long rss = RssKb();
        if (cycle == reference) {
            threadsAtReference = threads;
            rssAtReference = rss;
        }
        if (cycle >= reference) {
            threadsMax = std::max(threadsMax, threads);
            rssMax = std::max(rssMax, rss);
        }
        threadsAtLast = threads;
        rssAtLast = rss;
        std::printf("%5d  %12.0f  %8.0f  %7d  %6ld%s\n", cycle, reconnected, frame, threads, rss,
                    back && flowing ? "" : "  NOT BACK");
        std::fflush(stdout);
    }
    d.closeCVLPort(0, 0);
    const bool finalized = d.finalize() == 1;
    std::filesystem::remove_all(dir);

    std::printf("\nreconnect after replug: median %.0f ms, 95th %.0f ms, max %.0f ms (due %.0f ms), late %d\n",
                Percentile(reconnectMs, 0.5), Percentile(reconnectMs, 0.95), Percentile(reconnectMs, 0.999), dueMs,
                late);
    std::printf("first whole frame after replug: median %.0f ms, max %.0f ms\n", Percentile(frameMs, 0.5),
                Percentile(frameMs, 0.999));
    std::printf("threads: cycle %d %d, cycle %d %d, highest from cycle %d on %d\n", reference, threadsAtReference,
                cycles, threadsAtLast, reference, threadsMax);
    std::printf("VmRSS: cycle %d %ld kB, cycle %d %ld kB, highest from cycle %d on %ld kB\n", reference, rssAtReference,
                cycles, rssAtLast, reference, rssMax);
    std::printf("cycles not back within 15 s: %d; finalize %s\n", missing, finalized ? "ok" : "FAILED");
    const bool ok = missing == 0 && finalized && threadsAtLast <= threadsAtReference && (!strict || late == 0);
    std::printf("%s\n", ok ? "soak: ok" : "soak: FAILED");
    return ok ? 0 : 1;
}
