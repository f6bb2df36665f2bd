// Resident memory of the driver around bursts of refused host calls, each of which logs one
// error line, made through the exports as a host makes them. Prints figures; passes or fails
// nothing.
//
// Usage: log_burst_bench [burst calls, 1000000] [steady calls per second, 20000] [steady seconds, 15]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <unistd.h>

#include "driver/ornic.h"

namespace {

std::atomic<uint64_t> hostWrites{0};
std::atomic<uint64_t> hostLines{0};
std::atomic<uint64_t> droppedReported{0};

void ORNIC_CALL DebugProc(const char* line)
{
    hostWrites.fetch_add(1, std::memory_order_relaxed);
    for (const char* p = line; *p != '\0'; ++p) {
        if (*p == '\n') hostLines.fetch_add(1, std::memory_order_relaxed);
    }
    // The logger's own count of lines it had no room for.
    if (const char* at = std::strstr(line, "Logger: ")) {
        unsigned long long n = 0;
        if (std::sscanf(at, "Logger: %llu log lines dropped", &n) == 1) droppedReported.fetch_add(n);
    }
}

long ResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kb = 0;
            status >> kb;
            return kb;
        }
        status.ignore(4096, '\n');
    }
    return -1;
}

// Waits until the host has had no line for a second: the logger has written what it holds.
void WaitQuiet()
{
    uint64_t last = hostWrites.load();
    for (;;) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const uint64_t now = hostWrites.load();
        if (now == last) return;
        last = now;
    }
}

// A port nothing is bound to: the driver refuses the close with an error line.
constexpr int kEmptyPort = 7;

void Report(const char* stage)
{
    std::printf("%-34s VmRSS %7ld kB   host lines %10llu   dropped (reported) %10llu\n", stage, ResidentKb(),
                static_cast<unsigned long long>(hostLines.load()),
                static_cast<unsigned long long>(droppedReported.load()));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    const long burst = argc > 1 ? std::atol(argv[1]) : 1000000;
    const long rate = argc > 2 ? std::atol(argv[2]) : 20000;
    const long seconds = argc > 3 ? std::atol(argv[3]) : 15;

    // No cameras: only the logger's memory moves.
    setenv("ORNIC_SIM_CAMERAS", "none", 1);
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("ornic-log-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);

    Report("before initialize");
    if (initialize(dir.string().c_str(), &DebugProc) != 1) {
        std::fprintf(stderr, "initialize failed\n");
        return 1;
    }
    WaitQuiet();
    Report("after initialize");

    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < burst; ++i) closeCVLPort(0, kEmptyPort);
    const double burstMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    char stage[64];
    std::snprintf(stage, sizeof stage, "right after %ld calls (%.0f ms)", burst, burstMs);
    Report(stage);
    WaitQuiet();
    Report("burst written");

    if (rate > 0 && seconds > 0) {
        // Batches every 10 ms, so the rate holds on a loaded machine too.
        const long perBatch = rate / 100 > 0 ? rate / 100 : 1;
        const auto steadyStart = std::chrono::steady_clock::now();
        for (long batch = 0; batch < seconds * 100; ++batch) {
            for (long i = 0; i < perBatch; ++i) closeCVLPort(0, kEmptyPort);
            std::this_thread::sleep_until(steadyStart + std::chrono::milliseconds(10 * (batch + 1)));
        }
        std::snprintf(stage, sizeof stage, "after %ld calls/s for %ld s", rate, seconds);
        Report(stage);
        WaitQuiet();
        Report("steady load written");
    }

    finalize();
    WaitQuiet();
    Report("after finalize");
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return 0;
}
