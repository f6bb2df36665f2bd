// The driver's frame path: from the SDK's image callback to the end of the host's completion
// callback, the host copying every row out as getCVLGrabRow does.
//
// Driven from the benchmark thread: the camera is opened on the simulator with a line trigger
// that never fires, so the simulator makes no frames of its own, and each iteration calls
// Camera::ImageCB with a prepared frame. Every driver figure has a reference in the same
// process that does the unavoidable work alone (the host's row copies; for Bayer also the
// SDK's conversion on the same handle), so the driver's own cost is driver minus reference.
//
// The _Paired runs alternate driver and reference frame by frame and report the medians of
// both and the driver's share; they are the figures to quote on a busy machine.
//
// "cold": source frames rotate through a ring far larger than the caches, as camera frames
// arrive; "warm": one source frame again and again.
//
// BM_SustainedRate lets the simulator run unthrottled (a new frame as soon as a buffer is
// free) and counts the frames the host received per second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "camera/Camera.h"
#include "camera/PixelTypes.h"
#include "camsim/SimControl.h"
#include "sdk/MvSdk.h"
#include "tests/support/QuietSink.h"
#include "tests/support/TempDir.h"
#include "util/Globals.h"
#include "util/Logger.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kRingBytes = size_t{256} << 20;  // well beyond any last-level cache
constexpr int kWidth = 2448;
constexpr int kHeight = 2048;
constexpr const char* kMonoName = "SIM-GM130 (S1000001)";
constexpr const char* kColourName = "SIM-UC500 (S2000001)";

// The host: one frame of its own, filled row by row from the driver's active image.
struct Host {
    Camera* camera = nullptr;
    Bytes frame;
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

// The host's copies alone, from a frame already in memory.
void CopyRows(const uint8_t* source, size_t rowBytes, int rows)
{
    uint8_t* out = host.frame.data();
    for (int row = 0; row < rows; ++row, out += rowBytes, source += rowBytes) std::memcpy(out, source, rowBytes);
}

// A simulated camera opened through the driver's own open sequence, with the stored settings
// given as ini lines of its port section.
class Rig {
public:
    Rig(unsigned index, const std::string& iniLines, bool unthrottled = false)
    {
        static const bool loggerStarted = Util_2_1::Logger::Instance().Init(new QuietSink, 500);
        (void)loggerStarted;
        CamSim_Reset();
        CamSim_LoadConfig("gige:SIM-GM130:S1000001:mono; usb:SIM-UC500:S2000001:bayer_rg", nullptr);
        Globals::Instance().InitPath(dir.Path().c_str());
        dir.Write("ornic.ini",
                  "[Port.0.0]\n$Camera=" + std::string(index == 0 ? kMonoName : kColourName) + "\n" + iniLines);
        MV_CC_Initialize();
        MV_CC_EnumDevices(MV_GIGE_DEVICE | MV_USB_DEVICE, &list);
        CamSimDeviceState state{};
        CamSim_GetDevice(index, &state);
        id = state.id;
        if (unthrottled) CamSim_SetUnthrottled(id, 1);
        camera = std::make_unique<Camera>(DeviceEntry::FromSdkRecord(list.pDeviceInfo[index]));
        host.camera = camera.get();
        host.frames = 0;
        host.missingRows = 0;
        camera->SetCompleteCallback(&OnFrame);
        ImageSize size;
        opened = camera->TarvikOpen(0, size);
        host.frame.assign(static_cast<size_t>(camera->Image().Stride()) * static_cast<size_t>(camera->Image().Height()),
                          0);
    }
    ~Rig()
    {
        camera->DoClose(true);
        camera.reset();
        host.camera = nullptr;
        MV_CC_Finalize();
        CamSim_Reset();
    }
    CamSimStreamStats Stats() const
    {
        CamSimStreamStats stats{};
        CamSim_GetStreamStats(id, &stats);
        return stats;
    }

    TempDir dir;
    MvDeviceInfoList list{};
    unsigned id = 0;
    std::unique_ptr<Camera> camera;
    bool opened = false;
};

// Source frames of one content repeated through a ring (a single frame when warm).
struct Ring {
    std::vector<Bytes> frames;
    size_t next = 0;
    Ring(size_t frameBytes, bool warm)
    {
        const size_t slots = warm ? 1 : std::max<size_t>(2, kRingBytes / frameBytes + 1);
        Bytes content(frameBytes);
        uint32_t seed = 12345;
        for (uint8_t& b : content) {
            seed = seed * 1664525u + 1013904223u;
            b = static_cast<uint8_t>(seed >> 24);
        }
        frames.assign(slots, content);
    }
    uint8_t* Next()
    {
        uint8_t* frame = frames[next].data();
        next = (next + 1) % frames.size();
        return frame;
    }
};

MvFrameOutInfoEx FrameInfo(uint32_t pixelType, uint32_t bytes)
{
    MvFrameOutInfoEx info{};
    info.nWidth = kWidth;
    info.nHeight = kHeight;
    info.enPixelType = pixelType;
    info.nFrameLen = bytes;
    return info;
}

// The settings of every measured camera: a trigger on a line nobody pulses, so the
// simulator itself delivers nothing while the benchmark thread does.
const char* const kQuiet = "TriggerMode=On\nTriggerSource=Line0\n";

// Mono8 pass-through: the colour camera (2448x2048) set to Mono8 gets the driver's standard
// callback and hands the SDK's frame to the host unchanged.
bool OpenMono(benchmark::State& state, Rig& rig)
{
    if (!rig.opened || rig.camera->IsColor() || rig.camera->Image().Width() != kWidth ||
        rig.camera->Image().Height() != kHeight) {
        state.SkipWithError("camera did not open as a 2448x2048 Mono8 camera");
        return false;
    }
    return true;
}

bool OpenColour(benchmark::State& state, Rig& rig)
{
    if (!rig.opened || !rig.camera->IsColor() || rig.camera->Image().Width() != kWidth ||
        rig.camera->Image().Height() != kHeight) {
        state.SkipWithError("camera did not open as a 2448x2048 colour camera");
        return false;
    }
    return true;
}

void Finish(benchmark::State& state, Rig& rig, size_t bytesPerFrame, uint64_t expectFrames)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytesPerFrame));
    if (host.missingRows.load() != 0) state.SkipWithError("the host found rows missing");
    if (host.frames.load() != expectFrames) state.SkipWithError("the host missed frames");
    if (rig.Stats().framesProduced != 0) state.SkipWithError("the simulator made frames of its own");
}

// Continuous mode on, then one 8-bit frame from the ring per iteration into the image callback.
void DriveFrames(benchmark::State& state, Rig& rig, uint32_t pixelType)
{
    rig.camera->SetContinuousGrabMode(true);
    const size_t bytes = size_t{kWidth} * kHeight;
    Ring ring(bytes, state.range(0) != 0);
    MvFrameOutInfoEx info = FrameInfo(pixelType, static_cast<uint32_t>(bytes));
    for (auto _ : state) Camera::ImageCB(ring.Next(), &info, rig.camera.get());
    Finish(state, rig, bytes, state.iterations());
}

void BM_Mono8_Driver(benchmark::State& state)
{
    Rig rig(1, std::string(kQuiet) + "PixelFormat=Mono8\n");
    if (!OpenMono(state, rig)) return;
    DriveFrames(state, rig, kPixelMono8);
}

void BM_Mono8_Reference(benchmark::State& state)
{
    const size_t bytes = size_t{kWidth} * kHeight;
    host.frame.assign(bytes, 0);
    Ring ring(bytes, state.range(0) != 0);
    for (auto _ : state) {
        CopyRows(ring.Next(), kWidth, kHeight);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

void BM_BayerRG8_Driver(benchmark::State& state)
{
    Rig rig(1, kQuiet);
    if (!OpenColour(state, rig)) return;
    DriveFrames(state, rig, PixelType_BayerRG8);
}

// The reference's conversion request: a whole BayerRG8 frame into bgr (source set per frame).
MvPixelConvertParamEx BayerToBgrRequest(Bytes& bgr)
{
    MvPixelConvertParamEx request{};
    request.nWidth = kWidth;
    request.nHeight = kHeight;
    request.enSrcPixelType = PixelType_BayerRG8;
    request.nSrcDataLen = static_cast<uint32_t>(size_t{kWidth} * kHeight);
    request.enDstPixelType = kPixelBgr8;
    request.pDstBuffer = bgr.data();
    request.nDstBufferSize = static_cast<uint32_t>(bgr.size());
    return request;
}

// The SDK's conversion on the camera's own handle into one BGR buffer, then the row copies.
void BM_BayerRG8_Reference(benchmark::State& state)
{
    Rig rig(1, kQuiet);
    if (!OpenColour(state, rig)) return;
    const size_t bytes = size_t{kWidth} * kHeight;
    Ring ring(bytes, state.range(0) != 0);
    Bytes bgr(bytes * 3);
    MvPixelConvertParamEx request = BayerToBgrRequest(bgr);
    int failures = 0;
    for (auto _ : state) {
        request.pSrcData = ring.Next();
        if (MV_CC_ConvertPixelTypeEx(rig.camera->SdkHandle(), &request) != MV_OK) ++failures;
        CopyRows(bgr.data(), size_t{kWidth} * 3, kHeight);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
    if (failures != 0) state.SkipWithError("MV_CC_ConvertPixelTypeEx failed");
}

// Driver and reference frame by frame in turn, each on a frame of its own from the ring, so
// both see the same machine at the same moment; the counters are the medians of the frame
// times of this run (a descheduled frame does not move them) and the driver's share in
// percent of the reference.
template <typename DriverFrame, typename ReferenceFrame>
void Paired(benchmark::State& state, DriverFrame driverFrame, ReferenceFrame referenceFrame)
{
    using Clock = std::chrono::steady_clock;
    std::vector<double> driver;
    std::vector<double> reference;
    driver.reserve(1 << 16);
    reference.reserve(1 << 16);
    bool driverFirst = true;
    for (auto _ : state) {
        // The order swaps every iteration: whichever runs second finds the caches and the
        // memory controller as the first one left them.
        const auto t0 = Clock::now();
        if (driverFirst) {
            driverFrame();
        } else {
            referenceFrame();
        }
        benchmark::ClobberMemory();
        const auto t1 = Clock::now();
        if (driverFirst) {
            referenceFrame();
        } else {
            driverFrame();
        }
        benchmark::ClobberMemory();
        const auto t2 = Clock::now();
        if (driver.size() < driver.capacity()) {
            const double first = std::chrono::duration<double, std::micro>(t1 - t0).count();
            const double second = std::chrono::duration<double, std::micro>(t2 - t1).count();
            driver.push_back(driverFirst ? first : second);
            reference.push_back(driverFirst ? second : first);
        }
        driverFirst = !driverFirst;
    }
    auto median = [](std::vector<double>& v) {
        if (v.empty()) return 0.0;
        std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    const double d = median(driver);
    const double r = median(reference);
    state.counters["driver_us"] = d;
    state.counters["reference_us"] = r;
    state.counters["driver_share_pct"] = r > 0 ? (d - r) / r * 100.0 : 0.0;
}

void BM_Mono8_Paired(benchmark::State& state)
{
    Rig rig(1, std::string(kQuiet) + "PixelFormat=Mono8\n");
    if (!OpenMono(state, rig)) return;
    rig.camera->SetContinuousGrabMode(true);
    const size_t bytes = size_t{kWidth} * kHeight;
    Ring ring(bytes, state.range(0) != 0);
    MvFrameOutInfoEx info = FrameInfo(kPixelMono8, static_cast<uint32_t>(bytes));
    Paired(
        state, [&] { Camera::ImageCB(ring.Next(), &info, rig.camera.get()); },
        [&] { CopyRows(ring.Next(), kWidth, kHeight); });
    Finish(state, rig, bytes, state.iterations());
}

void BM_BayerRG8_Paired(benchmark::State& state)
{
    Rig rig(1, kQuiet);
    if (!OpenColour(state, rig)) return;
    rig.camera->SetContinuousGrabMode(true);
    const size_t bytes = size_t{kWidth} * kHeight;
    Ring ring(bytes, state.range(0) != 0);
    MvFrameOutInfoEx info = FrameInfo(PixelType_BayerRG8, static_cast<uint32_t>(bytes));
    Bytes bgr(bytes * 3);
    MvPixelConvertParamEx request = BayerToBgrRequest(bgr);
    int failures = 0;
    Paired(
        state, [&] { Camera::ImageCB(ring.Next(), &info, rig.camera.get()); },
        [&] {
            request.pSrcData = ring.Next();
            if (MV_CC_ConvertPixelTypeEx(rig.camera->SdkHandle(), &request) != MV_OK) ++failures;
            CopyRows(bgr.data(), size_t{kWidth} * 3, kHeight);
        });
    Finish(state, rig, bytes, state.iterations());
    if (failures != 0) state.SkipWithError("MV_CC_ConvertPixelTypeEx failed");
}

// Frames per second the host receives while the simulator delivers as fast as buffers come
// back. Wall time: the work is on the SDK's delivery thread.
void SustainedRate(benchmark::State& state, unsigned index)
{
    Rig rig(index, "", true);
    if (!rig.opened) {
        state.SkipWithError("camera did not open");
        return;
    }
    rig.camera->SetContinuousGrabMode(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // past the start-up
    double frames = 0;
    double seconds = 0;
    for (auto _ : state) {
        const uint64_t before = host.frames.load();
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(3));
        frames = static_cast<double>(host.frames.load() - before);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    rig.camera->DoClose(true);
    state.counters["fps"] = frames / seconds;
    state.counters["width"] = rig.camera->Image().Width();
    state.counters["height"] = rig.camera->Image().Height();
    state.counters["bytes_per_pixel"] = rig.camera->HostBitsPerPixel() / 8;
    state.counters["sdk_dropped"] = rig.Stats().framesDropped;
    if (host.missingRows.load() != 0) state.SkipWithError("the host found rows missing");
}

// The default mono camera, 1280x1024 Mono8, standard callback.
void BM_SustainedRate_Mono1280(benchmark::State& state)
{
    SustainedRate(state, 0);
}
// The default colour camera, 2448x2048 BayerRG8: the BGR callback, the SDK converts.
void BM_SustainedRate_Colour2448(benchmark::State& state)
{
    SustainedRate(state, 1);
}

void Warmth(benchmark::internal::Benchmark* b)
{
    b->ArgName("warm")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Mono8_Reference)->Apply(Warmth);
BENCHMARK(BM_Mono8_Driver)->Apply(Warmth);
BENCHMARK(BM_BayerRG8_Reference)->Apply(Warmth);
BENCHMARK(BM_BayerRG8_Driver)->Apply(Warmth);
BENCHMARK(BM_Mono8_Paired)->Apply(Warmth);
BENCHMARK(BM_BayerRG8_Paired)->Apply(Warmth);
BENCHMARK(BM_SustainedRate_Mono1280)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_SustainedRate_Colour2448)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
