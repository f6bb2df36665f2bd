// Every port streaming at once, through the loaded driver: N simulated mono cameras (640x480
// Mono8, 60 Hz) open on ports 0..N-1 in continuous mode, and each completion callback reads
// every row, as the host does.
//
// Per run and port count it reports
//  - the driver's CPU time per frame: CPU time of the SDK's delivery thread between the end of
//    one host callback and the start of the next (the driver's image callback before and after
//    the host's, plus the simulator's small hand-over), so time the machine gives to other
//    threads is left out and the host's row reads are not counted;
//  - the process's CPU time per delivered frame (everything: cameras, driver, host reads);
//  - frame accounting per camera over its whole session: the driver passed every frame the SDK
//    handed it to the host (host callbacks == the SDK's returned image callbacks), and every
//    frame the camera made was handed over, dropped by the SDK (all buffers busy) or still
//    queued when grabbing stopped (at most the buffer count).
// The cameras start triggered on a line nobody pulses; free-running is switched on once the
// host is in continuous mode, so no frame of the session reaches the driver unrequested.
//
// Usage: port_load_bench [seconds per run, default 5; 60 for the full minute] [repetitions,
// default 3]. Port counts 1, 5, 10, 20 run interleaved, repetition by repetition; medians and
// ratios against the 1-port median of the same process are printed at the end. Exit status 1
// when a frame went missing inside the driver or a camera did not stream.
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
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

constexpr int kPorts = 20;
constexpr int kWidth = 640;
constexpr int kHeight = 480;

struct Driver : OrnicFunctions {
    Platform::Library library;
    bool Load()
    {
        std::string missing;
        return library.Load(ORNIC_DRIVER_FILE) && Bind(library, missing);
    }
};
Driver d;

double CpuSeconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// One port's host side. Each port has one delivery thread, so only that thread writes here.
struct PortSide {
    std::atomic<uint64_t> frames{0};
    std::atomic<uint64_t> badRows{0};
    std::atomic<uint64_t> measuredFrames{0};
    std::atomic<uint64_t> driverNanos{0};
    double lastExit = -1;  // delivery thread CPU seconds at the end of the previous callback
    uint64_t session = 0;  // the run lastExit belongs to
};
PortSide sides[kPorts];
std::atomic<bool> measuring{false};
// closeCVLPort unbinds the port at once: the rows of a frame in flight then are refused.
std::atomic<bool> closing{false};
std::atomic<uint64_t> runNumber{0};

void ORNIC_CALL Quiet(const char*) {}

void ORNIC_CALL OnFrame(int grabber, int port)
{
    const double entry = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    if (port < 0 || port >= kPorts) return;
    PortSide& side = sides[port];
    const uint64_t run = runNumber.load();
    if (side.session == run && side.lastExit >= 0 && measuring.load()) {
        side.driverNanos.fetch_add(static_cast<uint64_t>((entry - side.lastExit) * 1e9), std::memory_order_relaxed);
        side.measuredFrames.fetch_add(1, std::memory_order_relaxed);
    }
    static thread_local std::vector<uint8_t> image(static_cast<size_t>(kWidth) * kHeight);
    uint64_t bad = 0;
    for (int row = 0; row < kHeight; ++row) {
        if (d.getCVLGrabRow(grabber, port, image.data() + static_cast<size_t>(row) * kWidth, row, 0, kWidth - 1) != 1)
            ++bad;
    }
    if (bad != 0 && !closing.load()) side.badRows.fetch_add(bad, std::memory_order_relaxed);
    side.frames.fetch_add(1, std::memory_order_relaxed);
    side.session = run;
    side.lastExit = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
}

std::string CameraName(int index)
{
    char name[64];
    std::snprintf(name, sizeof name, "SIM-L20 (S30%05d)", index + 1);
    return name;
}

struct RunResult {
    int ports = 0;
    double driverUsPerFrame = 0;
    double processUsPerFrame = 0;
    double framesPerSecond = 0;  // all ports together
    uint64_t delivered = 0;      // host callbacks
    uint64_t sdkDropped = 0;
    uint64_t lostInDriver = 0;  // SDK deliveries that never reached the host
    uint64_t unaccounted = 0;   // made, neither delivered nor dropped (queued at the stop)
    bool ok = true;
};

RunResult Run(const std::filesystem::path& dir, int ports, double seconds)
{
    RunResult result;
    result.ports = ports;
    runNumber.fetch_add(1);
    for (PortSide& side : sides) {
        side.frames = 0;
        side.badRows = 0;
        side.measuredFrames = 0;
        side.driverNanos = 0;
    }
    std::string ini = "[General]\nlogDebugView=0\n";
    for (int i = 0; i < kPorts; ++i) {
        ini += "[Port.0." + std::to_string(i) + "]\n$Camera=" + CameraName(i) +
               "\nWidth=640\nHeight=480\nPixelFormat=Mono8\nTriggerMode=On\nTriggerSource=Line0\n";
    }
    std::ofstream(dir / "ornic.ini") << ini;
    if (d.initialize(dir.string().c_str(), &Quiet) != 1) {
        std::fprintf(stderr, "initialize failed\n");
        std::exit(2);
    }
    std::vector<unsigned int> ids(kPorts);
    for (int i = 0; i < kPorts; ++i) {
        CamSimDeviceState state{};
        CamSim_GetDevice(static_cast<unsigned int>(i), &state);
        ids[static_cast<size_t>(i)] = state.id;
    }
    for (int port = 0; port < ports; ++port) {
        OrnicImageSize size{0, 0};
        if (d.openCVLPort(0, port, CameraName(port).c_str(), &size) != 1 || size.width != kWidth ||
            size.height != kHeight || d.setCompleteCallback(0, port, &OnFrame) != 1 ||
            d.setProperty(0, port, "continuous", 1) != 1) {
            std::fprintf(stderr, "port %d did not open as a %dx%d camera (%dx%d)\n", port, kWidth, kHeight, size.width,
                         size.height);
            result.ok = false;
        }
    }
    // Free-running from here on: every frame of the session finds the host in continuous mode.
    char reply[64];
    for (int port = 0; port < ports; ++port) {
        for (const char* setting : {"AcquisitionFrameRateEnable=1", "AcquisitionFrameRate=60", "TriggerMode=Off"}) {
            if (d.execCmd(0, port, "set", setting, reply, sizeof reply) != 1) {
                std::fprintf(stderr, "port %d: %s refused\n", port, setting);
                result.ok = false;
            }
        }
    }
    std::this_thread::sleep_for(500ms);  // past the start-up of every stream
    uint64_t framesBefore = 0;
    for (int port = 0; port < ports; ++port) framesBefore += sides[port].frames.load();
    const double processBefore = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const auto wallBefore = Clock::now();
    measuring = true;
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    measuring = false;
    const double processCpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processBefore;
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    uint64_t framesAfter = 0;
    uint64_t measured = 0;
    uint64_t driverNanos = 0;
    for (int port = 0; port < ports; ++port) {
        framesAfter += sides[port].frames.load();
        measured += sides[port].measuredFrames.load();
        driverNanos += sides[port].driverNanos.load();
    }
    // Closing stops grabbing; the counts are final once the SDK says so.
    closing = true;
    for (int port = 0; port < ports; ++port) d.closeCVLPort(0, port);
    for (int port = 0; port < ports; ++port) {
        CamSimStreamStats stats{};
        const auto end = Clock::now() + 10s;
        while (CamSim_GetStreamStats(ids[static_cast<size_t>(port)], &stats) == 0 && stats.grabbing != 0 &&
               Clock::now() < end) {
            std::this_thread::sleep_for(5ms);
        }
        const uint64_t hostFrames = sides[port].frames.load();
        if (stats.grabbing != 0 || hostFrames == 0 || sides[port].badRows.load() != 0) {
            std::fprintf(stderr, "port %d: grabbing %u, host frames %llu, bad rows %llu\n", port, stats.grabbing,
                         static_cast<unsigned long long>(hostFrames),
                         static_cast<unsigned long long>(sides[port].badRows.load()));
            result.ok = false;
        }
        if (stats.framesDelivered > hostFrames) result.lostInDriver += stats.framesDelivered - hostFrames;
        if (hostFrames > stats.framesDelivered) {
            std::fprintf(stderr, "port %d: the host saw %llu frames of a session of %u\n", port,
                         static_cast<unsigned long long>(hostFrames), stats.framesDelivered);
            result.ok = false;
        }
        const uint64_t handled = uint64_t{stats.framesDelivered} + stats.framesDropped;
        const uint64_t unaccounted = stats.framesProduced > handled ? stats.framesProduced - handled : 0;
        if (unaccounted > stats.bufferCount) result.ok = false;
        result.unaccounted += unaccounted;
        result.sdkDropped += stats.framesDropped;
        result.delivered += hostFrames;
    }
    if (result.lostInDriver != 0) result.ok = false;
    closing = false;
    if (d.finalize() != 1) result.ok = false;
    const uint64_t frames = framesAfter - framesBefore;
    result.driverUsPerFrame =
        measured == 0 ? 0 : static_cast<double>(driverNanos) / 1e3 / static_cast<double>(measured);
    result.processUsPerFrame = frames == 0 ? 0 : processCpu * 1e6 / static_cast<double>(frames);
    result.framesPerSecond = static_cast<double>(frames) / wall;
    return result;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0.0 : (n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]));
}

}  // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    const int repetitions = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    std::string config;
    for (int i = 0; i < kPorts; ++i) {
        char entry[64];
        std::snprintf(entry, sizeof entry, "gige:SIM-L20:S30%05d:mono; ", i + 1);
        config += entry;
    }
    CamSim_Reset();
    CamSimConfigReport report{};
    if (CamSim_LoadConfig(config.c_str(), &report) != 0 || report.devicesLoaded != kPorts) {
        std::fprintf(stderr, "the simulator took %u of %d cameras\n", report.devicesLoaded, kPorts);
        return 2;
    }
    if (!d.Load()) {
        std::fprintf(stderr, "cannot load %s\n", ORNIC_DRIVER_FILE);
        return 2;
    }
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("ornic-port-load-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);

    const int counts[] = {1, 5, 10, 20};
    std::vector<RunResult> results;
    bool ok = true;
    std::printf(
        "ports  driver_us/frame  process_us/frame  frames/s  delivered  sdk_dropped  lost_in_driver  queued_at_stop\n");
    for (int rep = 0; rep < repetitions; ++rep) {
        for (int ports : counts) {
            const RunResult r = Run(dir, ports, seconds);
            std::printf("%5d  %15.2f  %16.1f  %8.0f  %9llu  %11llu  %14llu  %14llu%s\n", r.ports, r.driverUsPerFrame,
                        r.processUsPerFrame, r.framesPerSecond, static_cast<unsigned long long>(r.delivered),
                        static_cast<unsigned long long>(r.sdkDropped), static_cast<unsigned long long>(r.lostInDriver),
                        static_cast<unsigned long long>(r.unaccounted), r.ok ? "" : "  FAILED");
            std::fflush(stdout);
            ok = ok && r.ok;
            results.push_back(r);
        }
    }
    std::printf("\nmedians of %d runs of %.0f s\n", repetitions, seconds);
    std::printf("ports  driver_us/frame  ratio_to_1  process_us/frame  ratio_to_1  frames/s\n");
    double driverOne = 0;
    double processOne = 0;
    for (int ports : counts) {
        std::vector<double> driver;
        std::vector<double> process;
        std::vector<double> fps;
        for (const RunResult& r : results) {
            if (r.ports != ports) continue;
            driver.push_back(r.driverUsPerFrame);
            process.push_back(r.processUsPerFrame);
            fps.push_back(r.framesPerSecond);
        }
        const double dm = Median(driver);
        const double pm = Median(process);
        if (ports == 1) {
            driverOne = dm;
            processOne = pm;
        }
        std::printf("%5d  %15.2f  %10.2f  %16.1f  %10.2f  %8.0f\n", ports, dm, driverOne > 0 ? dm / driverOne : 0, pm,
                    processOne > 0 ? pm / processOne : 0, Median(fps));
    }
    std::filesystem::remove_all(dir);
    return ok ? 0 : 1;
}
