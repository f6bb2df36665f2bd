#include "tools/GrabCommand.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "tools/FrameReader.h"
#include "tools/PropertyCommand.h"

namespace OrnicHost {

namespace {

constexpr int kMaxPorts = 64;

// What the completion callback shares with the thread that asked for the frame. The callback
// gets only (grabber, port), so the slots are indexed by port and live for the whole process:
// a late callback after a time-out or a close still finds valid memory.
struct PortSlot {
    std::mutex mutex;
    std::condition_variable done;
    bool expecting = false;  // a doCVLGrab is waiting; other frames are counted and dropped
    bool ready = false;
    Image frame;  // width, height set at open; channels 0 until the first frame
    std::string problem;
    unsigned unexpected = 0;
};

PortSlot slots[kMaxPorts];
OrnicGrabRowFn grabRow = nullptr;

// Runs on the driver's image thread: the rows can only be read before it returns.
void ORNIC_CALL OnFrameComplete(int grabber, int port)
{
    if (port < 0 || port >= kMaxPorts) return;
    PortSlot& slot = slots[port];
    std::lock_guard<std::mutex> lock(slot.mutex);
    if (!slot.expecting) {
        ++slot.unexpected;
        return;
    }
    const int width = slot.frame.width;
    RowReader read = [grabber, port, width](int row, uint8_t* dest) {
        return grabRow(grabber, port, dest, row, 0, width - 1) == 1;
    };
    slot.problem.clear();
    if (slot.frame.channels == 0) slot.frame.channels = DetectChannels(width, read, slot.problem);
    if (slot.frame.channels != 0) ReadFrame(read, slot.frame, slot.problem);
    slot.expecting = false;
    slot.ready = true;
    slot.done.notify_all();
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct CameraResult {
    bool opened = false;
    int delivered = 0;
};

CameraResult GrabCamera(DriverApi& driver, const Options& options, const std::string& name, int port)
{
    CameraResult result;
    const std::string label = "port " + std::to_string(port) + " " + name;
    OrnicImageSize size{0, 0};
    std::fprintf(stderr, "%s: opening\n", label.c_str());
    if (driver.openCVLPort(0, port, name.c_str(), &size) != 1) {
        std::fprintf(stderr, "%s: openCVLPort failed\n", label.c_str());
        return result;
    }
    result.opened = true;
    PortSlot& slot = slots[port];
    {
        std::lock_guard<std::mutex> lock(slot.mutex);
        slot.frame = Image{};
        slot.frame.width = size.width;
        slot.frame.height = size.height;
        slot.frame.channels = 0;
        slot.unexpected = 0;
    }
    std::fprintf(stderr, "%s: opened, %d x %d\n", label.c_str(), size.width, size.height);
    // The callback belongs to the port's camera, so it can only be set once the port is open.
    if (size.width <= 0 || size.height <= 0) {
        std::fprintf(stderr, "%s: the driver reported no image size\n", label.c_str());
    } else if (driver.setCompleteCallback(0, port, &OnFrameComplete) != 1) {
        std::fprintf(stderr, "%s: setCompleteCallback failed\n", label.c_str());
    } else if (!ApplyGrabSettings(driver, options, port, label)) {
        result.opened = false;  // counted as failed: the frames would not be what was asked for
    } else {
        // The settings may have changed the image size.
        int width = 0;
        int height = 0;
        if (driver.getProperty(0, port, "Width", &width) == 1 && driver.getProperty(0, port, "Height", &height) == 1 &&
            (width != size.width || height != size.height)) {
            std::lock_guard<std::mutex> lock(slot.mutex);
            slot.frame.width = width;
            slot.frame.height = height;
            std::fprintf(stderr, "%s: now %d x %d\n", label.c_str(), width, height);
        }
        const auto start = std::chrono::steady_clock::now();
        for (int n = 1; n <= options.frames; ++n) {
            {
                std::lock_guard<std::mutex> lock(slot.mutex);
                slot.expecting = true;
                slot.ready = false;
            }
            Image frame;
            std::string problem;
            bool arrived = false;
            if (driver.doCVLGrab(0, port) != 1) {
                problem = "doCVLGrab failed";
            } else {
                std::unique_lock<std::mutex> lock(slot.mutex);
                arrived =
                    slot.done.wait_for(lock, std::chrono::milliseconds(options.timeoutMs), [&] { return slot.ready; });
                if (arrived) {
                    frame = slot.frame;  // the slot keeps width, height and channels for the next one
                    problem = slot.problem;
                } else {
                    problem = "no frame within " + std::to_string(options.timeoutMs) + " ms";
                }
            }
            {
                std::lock_guard<std::mutex> lock(slot.mutex);
                slot.expecting = false;
            }
            if (!arrived || !problem.empty()) {
                std::fprintf(stderr, "%s: frame %d/%d: %s\n", label.c_str(), n, options.frames, problem.c_str());
                continue;
            }
            const std::string file =
                (std::filesystem::path(options.outDir) / FrameFileName(port, name, n, options.format)).string();
            std::string error;
            if (!WriteImage(file, frame, options.format, error)) {
                std::fprintf(stderr, "%s: frame %d/%d: %s\n", label.c_str(), n, options.frames, error.c_str());
                continue;
            }
            ++result.delivered;
            const double seconds = SecondsSince(start);
            std::fprintf(stderr, "%s: frame %d/%d, %s, %.1f fps -> %s\n", label.c_str(), n, options.frames,
                         frame.channels == 1 ? "grey" : "colour (B,G,R)",
                         seconds > 0 ? result.delivered / seconds : 0.0, file.c_str());
        }
        const double seconds = SecondsSince(start);
        std::fprintf(stderr, "%s: %d of %d frames in %.2f s (%.1f fps)\n", label.c_str(), result.delivered,
                     options.frames, seconds, seconds > 0 ? result.delivered / seconds : 0.0);
    }
    unsigned unexpected = 0;
    {
        std::lock_guard<std::mutex> lock(slot.mutex);
        slot.expecting = false;
        unexpected = slot.unexpected;
    }
    // In continuous mode every frame comes unasked.
    if (unexpected != 0 && !options.continuous) {
        std::fprintf(stderr, "%s: %u frames arrived unasked or late\n", label.c_str(), unexpected);
    }
    if (options.continuous) driver.setProperty(0, port, "continuous", 0);
    if (driver.closeCVLPort(0, port) != 1) std::fprintf(stderr, "%s: closeCVLPort failed\n", label.c_str());
    return result;
}

}  // namespace

int ListCameras(DriverApi& driver)
{
    std::printf("grabbers: %d, ports per grabber: %d\n", driver.getCVLMaxNoOfGrabbers(), driver.getCVLMaxNoOfPorts());
    std::printf("cameras: %d\n", driver.getCVLNoOfSupportedCameras());
    const char** names = driver.getCVLCameraConfigNames();
    for (int i = 0; names != nullptr && names[i] != nullptr; ++i) std::printf("  %s\n", names[i]);
    return 0;
}

int GrabFrames(DriverApi& driver, const Options& options)
{
    grabRow = driver.getCVLGrabRow;
    std::vector<std::string> cameras = options.cameras;
    if (cameras.empty()) {
        const char** names = driver.getCVLCameraConfigNames();
        for (int i = 0; names != nullptr && names[i] != nullptr; ++i) cameras.emplace_back(names[i]);
    }
    if (cameras.empty()) {
        std::fprintf(stderr, "no cameras to grab from\n");
        return 1;
    }
    const int ports = std::min(driver.getCVLMaxNoOfPorts(), kMaxPorts);
    if (options.firstPort + static_cast<int>(cameras.size()) > ports) {
        std::fprintf(stderr, "ports %d to %d do not exist: the driver has %d\n", options.firstPort,
                     options.firstPort + static_cast<int>(cameras.size()) - 1, ports);
        return 1;
    }
    std::error_code ec;
    std::filesystem::create_directories(options.outDir, ec);
    if (ec) {
        std::fprintf(stderr, "cannot create %s: %s\n", options.outDir.c_str(), ec.message().c_str());
        return 1;
    }
    int failed = 0;
    int saved = 0;
    for (size_t i = 0; i < cameras.size(); ++i) {
        const CameraResult result = GrabCamera(driver, options, cameras[i], options.firstPort + static_cast<int>(i));
        saved += result.delivered;
        if (!result.opened || result.delivered < options.frames) ++failed;
    }
    std::printf("%d frames from %zu camera(s) saved in %s\n", saved, cameras.size(), options.outDir.c_str());
    if (failed != 0)
        std::printf("%d camera(s) failed to open or delivered fewer than %d frames\n", failed, options.frames);
    return failed == 0 ? 0 : 1;
}

}  // namespace OrnicHost
