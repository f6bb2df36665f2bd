// Frames per second the host receives from Aravis's GigE Vision camera emulator on loopback,
// through the driver's frame path over the Aravis backend, against what Aravis's own
// arv-camera-test-0.8 receives from the same emulator with the same settings, in the same run
// (rounds alternate, so a busy phase of the machine slows both). Also: frames the driver lost
// (handed to it by the SDK, not delivered to the host), the frames Aravis itself gave up on,
// and the CPU time per frame of each process (the emulator, a process of its own, is not
// counted in either).
//
// The driver's side is the driver's own code: a Camera opened through its open sequence with
// the port's stored settings, in continuous mode, the host copying every row in its
// completion callback. The SDK is reached through the driver's dispatch layer with
// ORNIC_SDK=aravis, discovery only at 127.0.0.1.
//
// Usage: aravis_stream_bench [--rounds N] [--seconds S] [--width W] [--height H]
//                            [--exposure US] [--rate HZ]
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "aravis/AravisControl.h"
#include "camera/Camera.h"
#include "platform/Platform.h"
#include "sdk/MvSdk.h"
#include "sdk/SdkBackend.h"
#include "tests/support/QuietSink.h"
#include "tests/support/TempDir.h"
#include "util/Globals.h"
#include "util/Logger.h"

namespace {

struct Options {
    int rounds = 3;
    int seconds = 5;
    int width = 512;
    int height = 512;
    int exposure = 100;  // us
    int rate = 1000;     // the emulator's highest: its frame period is at least 1 ms
};

// ---- the emulator -------------------------------------------------------------------------

bool AnswersDiscovery(int timeoutMs)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) return false;
    timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    const uint8_t discovery[8] = {0x42, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01};
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(3956);
    inet_pton(AF_INET, "127.0.0.1", &target.sin_addr);
    sendto(fd, discovery, sizeof discovery, 0, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    uint8_t answer[512];
    const ssize_t got = recv(fd, answer, sizeof answer, 0);
    close(fd);
    return got >= 8;
}

// A child process that dies with this one; stdout into `out` when given.
pid_t Spawn(const std::vector<std::string>& args, int out)
{
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (std::string& arg : copy) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0) return pid;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);
    const int null = open("/dev/null", O_WRONLY);
    dup2(out >= 0 ? out : null, 1);
    dup2(null, 2);
    execvp(argv[0], argv.data());
    _exit(127);
}

// ---- the driver's side --------------------------------------------------------------------

struct Host {
    Camera* camera = nullptr;
    std::vector<uint8_t> frame;
    std::atomic<uint64_t> frames{0};
    std::atomic<uint64_t> missingRows{0};
};
Host host;

void ORNIC_CALL OnFrame(int, int)
{
    ImgBuffer& image = host.camera->Image();
    const size_t rowBytes =
        static_cast<size_t>(image.Width()) * static_cast<size_t>(host.camera->HostBitsPerPixel() / 8);
    uint8_t* out = host.frame.data();
    for (int row = 0; row < image.Height(); ++row, out += rowBytes) {
        const uint8_t* line = image.GetLine(row);
        if (line == nullptr) {
            host.missingRows.fetch_add(1, std::memory_order_relaxed);
            continue;
        }
        std::memcpy(out, line, rowBytes);
    }
    host.frames.fetch_add(1, std::memory_order_relaxed);
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Result {
    bool ok = false;
    double fps = 0;
    double cpuUsPerFrame = 0;
    uint64_t lostByDriver = 0;    // the SDK delivered, the host did not get
    uint64_t failedInAravis = 0;  // buffers Aravis gave up on (missing packets)
    uint64_t missingRows = 0;
    std::string error;
};

Result RunDriver(const Options& options, OrnicSdkAravisStreamStatsFn stats)
{
    Result result;
    TempDir dir;
    Globals::Instance().InitPath(dir.Path().c_str());
    char keys[512];
    std::snprintf(keys, sizeof keys,
                  "[General]\nCameraBufferCount=50\n[Port.0.0]\n$Camera=Fake "
                  "(GV01)\nWidth=%d\nHeight=%d\nPixelFormat=Mono8\nExposureTimeAbs=%d\n"
                  "TriggerMode=Off\nAcquisitionMode=Continuous\n",
                  options.width, options.height, options.exposure);
    dir.Write("ornic.ini", keys);
    MvDeviceInfoList list{};
    if (MV_CC_Initialize() != 0 || MV_CC_EnumDevices(MV_GIGE_DEVICE, &list) != 0 || list.nDeviceNum != 1) {
        result.error = "the emulator was not found";
        MV_CC_Finalize();
        return result;
    }
    // The emulator's frame rate is not in its category tree, so the driver's parameter model
    // has no such parameter: it is set through the SDK first (the emulator keeps it), as
    // arv-camera-test sets it by name.
    void* preset = nullptr;
    if (MV_CC_CreateHandleWithoutLog(&preset, list.pDeviceInfo[0]) != 0 || MV_CC_OpenDevice(preset, 1, 0) != 0 ||
        MV_CC_SetFloatValue(preset, "AcquisitionFrameRate", static_cast<float>(options.rate)) != 0) {
        result.error = "the frame rate could not be set";
    }
    if (preset != nullptr) MV_CC_DestroyHandle(preset);
    if (result.error.empty()) {
        auto camera = std::make_unique<Camera>(DeviceEntry::FromSdkRecord(list.pDeviceInfo[0]));
        host.camera = camera.get();
        host.frames = 0;
        host.missingRows = 0;
        camera->SetCompleteCallback(&OnFrame);
        ImageSize size;
        if (!camera->TarvikOpen(0, size) || size.width != options.width || size.height != options.height) {
            result.error = "the camera did not open with the settings";
        } else {
            host.frame.assign(static_cast<size_t>(size.width) * static_cast<size_t>(size.height), 0);
            camera->SetContinuousGrabMode(true);
            std::this_thread::sleep_for(std::chrono::seconds(1));  // past the start-up
            OrnicAravisStreamStats before{};
            OrnicAravisStreamStats after{};
            const bool counted = stats(camera->SdkHandle(), &before) == 0;
            const uint64_t framesBefore = host.frames.load();
            const double cpuBefore = CpuSeconds();
            const auto start = std::chrono::steady_clock::now();
            std::this_thread::sleep_for(std::chrono::seconds(options.seconds));
            const uint64_t framesAfter = host.frames.load();
            const double cpuAfter = CpuSeconds();
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const bool countedAfter = stats(camera->SdkHandle(), &after) == 0;
            const uint64_t frames = framesAfter - framesBefore;
            result.ok = counted && countedAfter && frames > 0 && after.buffers == 50;
            result.fps = static_cast<double>(frames) / seconds;
            result.cpuUsPerFrame = frames > 0 ? (cpuAfter - cpuBefore) * 1e6 / static_cast<double>(frames) : 0;
            const uint64_t delivered = after.delivered - before.delivered;
            result.lostByDriver = delivered > frames ? delivered - frames : 0;
            result.failedInAravis = after.failures - before.failures;
            result.missingRows = host.missingRows.load();
            if (!result.ok) result.error = "no frames, no counters from the backend, or not 50 buffers";
        }
        camera->DoClose(true);
        host.camera = nullptr;
    }
    MV_CC_Finalize();
    return result;
}

// ---- Aravis's own receiver ------------------------------------------------------------------

Result RunReference(const Options& options)
{
    Result result;
    char path[] = "/tmp/ornic-arv-camera-test-XXXXXX";
    const int out = mkstemp(path);
    if (out < 0) {
        result.error = "no temporary file";
        return result;
    }
    // The same settings: region, format, exposure, rate, 50 buffers (its fixed count, and the
    // driver's CameraBufferCount above), the socket receiver with its buffer sized by Aravis.
    const std::vector<std::string> args = {"arv-camera-test-0.8",
                                           "--name=127.0.0.1",
                                           "--no-packet-socket",
                                           "--auto",
                                           "--width=" + std::to_string(options.width),
                                           "--height=" + std::to_string(options.height),
                                           "--exposure=" + std::to_string(options.exposure),
                                           "--frequency=" + std::to_string(options.rate),
                                           "--features=PixelFormat=Mono8 TriggerMode=Off",
                                           "--duration=" + std::to_string(options.seconds + 1)};
    const pid_t pid = Spawn(args, out);
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        close(out);
        unlink(path);
        result.error = "arv-camera-test-0.8 did not run";
        return result;
    }
    std::string text;
    lseek(out, 0, SEEK_SET);
    char buffer[4096];
    for (ssize_t n; (n = read(out, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
    close(out);
    unlink(path);
    // One line per second: "  253 frames/s -    66.4 MiB/s"; the first covers the start-up.
    std::vector<double> perSecond;
    const std::regex line(R"((\d+) frames/s)");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), line); it != std::sregex_iterator(); ++it) {
        perSecond.push_back(std::stod((*it)[1]));
    }
    if (perSecond.size() < 2) {
        result.error = "arv-camera-test-0.8 printed no rates";
        return result;
    }
    perSecond.erase(perSecond.begin());
    double sum = 0;
    for (double fps : perSecond) sum += fps;
    result.fps = sum / static_cast<double>(perSecond.size());
    std::smatch completed;
    std::smatch failures;
    const std::regex completedLine(R"(n_completed_buffers\s*=\s*(\d+))");
    const std::regex failuresLine(R"(n_failures\s*=\s*(\d+))");
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    if (std::regex_search(text, completed, completedLine)) {
        const double total = std::stod(completed[1]);
        result.cpuUsPerFrame = total > 0 ? cpu * 1e6 / total : 0;
    }
    if (std::regex_search(text, failures, failuresLine)) result.failedInAravis = std::stoull(failures[1]);
    result.ok = true;
    return result;
}

double Median(std::vector<double> values)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int Number(const char* text, int low, int high)
{
    const long value = std::strtol(text, nullptr, 10);
    return static_cast<int>(std::clamp<long>(value, low, high));
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--rounds") options.rounds = Number(argv[i + 1], 1, 50);
        if (name == "--seconds") options.seconds = Number(argv[i + 1], 1, 600);
        if (name == "--width") options.width = Number(argv[i + 1], 16, 2048);
        if (name == "--height") options.height = Number(argv[i + 1], 16, 2048);
        if (name == "--exposure") options.exposure = Number(argv[i + 1], 10, 100000);
        if (name == "--rate") options.rate = Number(argv[i + 1], 1, 1000);
    }
    // Loopback only: discovery asks 127.0.0.1 alone.
    setenv("ORNIC_SDK", "aravis", 1);
    setenv("ORNIC_ARAVIS_ADDRESSES", "127.0.0.1", 1);
    if (AnswersDiscovery(200)) {
        std::fprintf(stderr, "a GigE Vision device already answers at 127.0.0.1; stop it first\n");
        return 2;
    }
    const pid_t emulator = Spawn({"arv-fake-gv-camera-0.8", "-i", "127.0.0.1", "-s", "GV01"}, -1);
    bool ready = false;
    for (int i = 0; i < 100 && !ready; ++i) ready = AnswersDiscovery(100);
    if (!ready) {
        std::fprintf(stderr, "the emulator did not start (Debian's aravis-tools)\n");
        return 2;
    }
    static const bool loggerStarted = Util_2_1::Logger::Instance().Init(new QuietSink, 500);
    (void)loggerStarted;
    const SdkBackend::Choice sdk = SdkBackend::Select("", "");
    Platform::Library backend;
    if (!sdk.loaded || !backend.Load(sdk.library)) {
        std::fprintf(stderr, "the Aravis backend is not available: %s\n", sdk.error.c_str());
        return 2;
    }
    auto stats = reinterpret_cast<OrnicSdkAravisStreamStatsFn>(backend.Symbol("OrnicSdk_AravisStreamStats"));
    if (stats == nullptr) {
        std::fprintf(stderr, "%s has no stream counters\n", sdk.library.c_str());
        return 2;
    }

    std::printf("emulator on 127.0.0.1: %dx%d Mono8, exposure %d us, frame rate %d Hz asked, %d s per run\n",
                options.width, options.height, options.exposure, options.rate, options.seconds);
    std::printf("%-6s %-22s %10s %12s %14s %14s\n", "round", "receiver", "frames/s", "CPU us/frame", "lost by driver",
                "Aravis failed");
    std::vector<double> oursFps, theirsFps, oursCpu, theirsCpu;
    uint64_t lost = 0;
    uint64_t rows = 0;
    int failedRuns = 0;
    for (int round = 1; round <= options.rounds; ++round) {
        for (int side = 0; side < 2; ++side) {
            // Alternating which goes first spreads a slow phase of the machine over both.
            const bool driver = (side == 0) == (round % 2 == 1);
            const Result r = driver ? RunDriver(options, stats) : RunReference(options);
            if (!r.ok) {
                std::printf("%-6d %-22s failed: %s\n", round,
                            driver ? "driver (Aravis backend)" : "arv-camera-test-0.8", r.error.c_str());
                ++failedRuns;
                continue;
            }
            std::printf("%-6d %-22s %10.1f %12.1f %14s %14llu\n", round,
                        driver ? "driver (Aravis backend)" : "arv-camera-test-0.8", r.fps, r.cpuUsPerFrame,
                        driver ? std::to_string(r.lostByDriver).c_str() : "-",
                        static_cast<unsigned long long>(r.failedInAravis));
            (driver ? oursFps : theirsFps).push_back(r.fps);
            (driver ? oursCpu : theirsCpu).push_back(r.cpuUsPerFrame);
            if (driver) {
                lost += r.lostByDriver;
                rows += r.missingRows;
            }
        }
    }
    const double ours = Median(oursFps);
    const double theirs = Median(theirsFps);
    std::printf("\nmedian frames/s: driver %.1f, arv-camera-test-0.8 %.1f, ratio %.3f (goal 0.98 or better)\n", ours,
                theirs, theirs > 0 ? ours / theirs : 0.0);
    std::printf("median CPU per frame: driver process %.1f us, arv-camera-test-0.8 %.1f us\n", Median(oursCpu),
                Median(theirsCpu));
    std::printf("frames lost by the driver: %llu; rows missing in the host's copies: %llu\n",
                static_cast<unsigned long long>(lost), static_cast<unsigned long long>(rows));
    kill(emulator, SIGKILL);
    waitpid(emulator, nullptr, 0);
    return failedRuns == 0 && lost == 0 && rows == 0 ? 0 : 1;
}
