// The property exports as the host calls them, against the simulated SDK.
//
// 1. getProperty and setProperty of a plain integer node (GevHeartbeatTimeout): the driver's
//    own cost per call is the time of the export call minus what the simulator needs for the
//    same SDK calls, replayed on a second camera of the same model in the same repetition.
//    Both log thresholds are 0, so the logger composes nothing.
// 2. setProperty of a node locked while grabbing (Width, in continuous mode): how long each
//    write takes (grabbing is stopped for that long), the longest gap between two frames the
//    host saw around the writes, and the frames the camera made that never reached the host.
//
// Usage: property_bench [repetitions] (default 15). Prints medians over the repetitions; the
// call costs are the calling thread's CPU time (Linux), the pause figures wall time.
#include <time.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "camsim/SimControl.h"
#include "driver/OrnicFunctions.h"
#include "platform/Platform.h"
#include "sdk/MvSdk.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* const kNode = "GevHeartbeatTimeout";
const int kCalls = 20000;

// Every SDK operation a property call could make; the probe finds which it does.
const char* const kOps[] = {"MV_XML_GetNodeFeature", "MV_XML_GetNodeAccessMode", "MV_CC_GetIntValueEx",
                            "MV_CC_SetIntValueEx",   "MV_CC_GetFloatValue",      "MV_CC_SetFloatValue",
                            "MV_CC_GetBoolValue",    "MV_CC_GetEnumValue",       "MV_CC_SetEnumValueByString",
                            "MV_CC_SetCommandValue", "MV_CC_InvalidateNodes",    "MV_CC_StartGrabbing",
                            "MV_CC_StopGrabbing"};

struct Driver : OrnicFunctions {
    Platform::Library library;
    bool Load()
    {
        std::string missing;
        return library.Load(ORNIC_DRIVER_FILE) && Bind(library, missing);
    }
};

void ORNIC_CALL Quiet(const char*) {}
void MV_SDK_CALL IgnoreFrame(unsigned char*, MvFrameOutInfoEx*, void*) {}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0.0 : (n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]));
}

double SecondsOf(const std::function<void()>& body)
{
    const auto start = Clock::now();
    body();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU time of this thread: the calls run entirely on it (the SDK answers synchronously), and
// time the shared machine gives to others is left out.
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

double CpuSecondsOf(const std::function<void()>& body)
{
    const double start = ThreadSeconds();
    body();
    return ThreadSeconds() - start;
}

std::map<std::string, double> CallsPer(int calls, const std::function<void()>& body)
{
    CamSim_ResetCallCounts();
    body();
    std::map<std::string, double> perCall;
    for (const char* op : kOps) {
        const unsigned count = CamSim_GetCallCount(op);
        if (count != 0) perCall[op] = static_cast<double>(count) / calls;
    }
    return perCall;
}

// The same SDK calls on the bench's own handle: what the simulator alone costs.
struct Replay {
    void* handle = nullptr;
    MvXmlNode node{};
    int64_t value = 3000;

    void Op(const std::string& op)
    {
        if (op == "MV_XML_GetNodeFeature") {
            MvXmlFeatureInteger feature;
            MV_XML_GetNodeFeature(handle, &node, &feature);
        } else if (op == "MV_XML_GetNodeAccessMode") {
            MvXmlAccessMode mode = AM_NI;
            MV_XML_GetNodeAccessMode(handle, kNode, &mode);
        } else if (op == "MV_CC_GetIntValueEx") {
            MvIntValueEx current;
            MV_CC_GetIntValueEx(handle, kNode, &current);
        } else if (op == "MV_CC_SetIntValueEx") {
            value = value == 3000 ? 3001 : 3000;
            MV_CC_SetIntValueEx(handle, kNode, value);
        } else {
            std::fprintf(stderr, "property_bench: no replay for %s; the figures leave it out\n", op.c_str());
        }
    }
    void Calls(const std::map<std::string, double>& perCall, int calls)
    {
        std::vector<std::string> sequence;
        for (const auto& entry : perCall) {
            for (int i = 0; i < static_cast<int>(entry.second + 0.5); ++i) sequence.push_back(entry.first);
        }
        for (int c = 0; c < calls; ++c) {
            for (const std::string& op : sequence) Op(op);
        }
    }
};

// What the host's callback saw in continuous mode.
std::atomic<int> framesSeen{0};
std::atomic<int64_t> lastFrameNs{0};
std::atomic<int64_t> longestGapNs{0};

void ORNIC_CALL CountFrame(int, int)
{
    const int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
    const int64_t last = lastFrameNs.exchange(now);
    if (last != 0 && now - last > longestGapNs.load()) longestGapNs.store(now - last);
    framesSeen.fetch_add(1);
}

// Taken by the write hook while the write has grabbing stopped, so no frame is in flight: the
// frames the stopped session made, and the host's count at that moment. The first stop only
// sets the start.
std::atomic<int> stopsSeen{0};
std::atomic<unsigned> framesMade{0};
std::atomic<unsigned> framesCalledBack{0};  // image callbacks the SDK made and that returned
std::atomic<unsigned> framesNoBuffer{0};
std::atomic<int> hostFramesAtFirstStop{0};
std::atomic<int> hostFramesAtLastStop{0};
unsigned streamDevice = 0;

void CAMSIM_CALL CountStoppedSession(void*, const char* node)
{
    if (std::strcmp(node, "Width") != 0) return;
    CamSimStreamStats stats{};
    if (CamSim_GetStreamStats(streamDevice, &stats) != 0 || stats.grabbing != 0) return;
    if (stopsSeen.fetch_add(1) == 0) {
        hostFramesAtFirstStop.store(framesSeen.load());
    } else {
        framesMade.fetch_add(stats.framesProduced);
        framesCalledBack.fetch_add(stats.framesDelivered);
        framesNoBuffer.fetch_add(stats.framesDropped);
    }
    hostFramesAtLastStop.store(framesSeen.load());
}

}  // namespace

int main(int argc, char** argv)
{
    const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("ornic-property-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "ornic.ini") << "[General]\nlogDebugView=0\n";

    CamSim_Reset();
    CamSim_LoadConfig("gige:SIM-GM130:S1000001:mono; gige:SIM-GM130:S1000002:mono", nullptr);
    Driver d;
    if (!d.Load() || d.initialize(dir.string().c_str(), &Quiet) != 1) {
        std::fprintf(stderr, "property_bench: cannot load or start the driver\n");
        return 1;
    }
    d.execCmd(0, 0, "set", "loglevel=0", nullptr, 0);
    OrnicImageSize size{0, 0};
    if (d.openCVLPort(0, 0, "SIM-GM130 (S1000001)", &size) != 1) {
        std::fprintf(stderr, "property_bench: cannot open the camera\n");
        return 1;
    }
    // Triggered and never triggered: no frames compete with the calls.
    d.execCmd(0, 0, "set", "TriggerMode=On", nullptr, 0);
    d.execCmd(0, 0, "set", "TriggerSource=Software", nullptr, 0);

    // The second camera, opened directly, for the simulator's share.
    MV_CC_Initialize();
    MvDeviceInfoList list{};
    MV_CC_EnumDevices(MV_GIGE_DEVICE, &list);
    Replay replay;
    MV_CC_CreateHandleWithoutLog(&replay.handle, list.pDeviceInfo[1]);
    if (MV_CC_OpenDevice(replay.handle, 1, 0) != 0) {
        std::fprintf(stderr, "property_bench: cannot open the second camera\n");
        return 1;
    }
    // Grabbing, triggered and never triggered, like the driver's camera: the simulator's
    // threads of a grabbing camera cost both sides the same.
    MV_CC_SetEnumValueByString(replay.handle, "TriggerMode", "On");
    MV_CC_SetEnumValueByString(replay.handle, "TriggerSource", "Software");
    MV_CC_RegisterImageCallBackEx(replay.handle, &IgnoreFrame, nullptr);
    MV_CC_SetImageNodeNum(replay.handle, 3);
    MV_CC_StartGrabbing(replay.handle);
    std::strncpy(replay.node.strName, kNode, sizeof replay.node.strName - 1);
    replay.node.enType = IFT_IInteger;

    int value = 0;
    int next = 3000;
    auto get = [&] {
        for (int i = 0; i < kCalls; ++i) d.getProperty(0, 0, kNode, &value);
    };
    auto set = [&] {
        for (int i = 0; i < kCalls; ++i) {
            next = next == 3000 ? 3001 : 3000;
            d.setProperty(0, 0, kNode, next);
        }
    };
    const auto getCalls = CallsPer(kCalls, get);
    const auto setCalls = CallsPer(kCalls, set);
    std::printf("SDK calls per export call (%s):\n", kNode);
    for (const auto* calls : {&getCalls, &setCalls}) {
        std::printf("  %s:", calls == &getCalls ? "getProperty" : "setProperty");
        for (const auto& entry : *calls) std::printf(" %s x%.2f", entry.first.c_str(), entry.second);
        std::printf("\n");
    }

    // A repetition is 40 rounds of 500 calls of each kind, the four kinds of a round in random
    // order: a noisy phase of the shared machine then hits an export and its replay alike.
    const int rounds = 40;
    const int block = kCalls / rounds;
    auto getBlock = [&] {
        for (int i = 0; i < block; ++i) d.getProperty(0, 0, kNode, &value);
    };
    auto setBlock = [&] {
        for (int i = 0; i < block; ++i) {
            next = next == 3000 ? 3001 : 3000;
            d.setProperty(0, 0, kNode, next);
        }
    };
    std::vector<double> getTotal, setTotal, getSim, setSim, getOwn, setOwn;
    std::mt19937 random(12345);
    for (int r = 0; r < reps; ++r) {
        double t[4] = {};
        for (int round = 0; round < rounds; ++round) {
            int order[4] = {0, 1, 2, 3};
            std::shuffle(order, order + 4, random);
            for (int k : order) {
                switch (k) {
                case 0:
                    t[0] += CpuSecondsOf(getBlock);
                    break;
                case 1:
                    t[1] += CpuSecondsOf(setBlock);
                    break;
                case 2:
                    t[2] += CpuSecondsOf([&] { replay.Calls(getCalls, block); });
                    break;
                default:
                    t[3] += CpuSecondsOf([&] { replay.Calls(setCalls, block); });
                    break;
                }
            }
        }
        const double us = 1e6 / (rounds * block);
        getTotal.push_back(t[0] * us);
        setTotal.push_back(t[1] * us);
        getSim.push_back(t[2] * us);
        setSim.push_back(t[3] * us);
        getOwn.push_back((t[0] - t[2]) * us);
        setOwn.push_back((t[1] - t[3]) * us);
    }
    std::printf("\nper call, thread CPU time, median of %d repetitions of %d calls (us):\n", reps, kCalls);
    std::printf("  %-12s %8s %8s %8s\n", "", "total", "SDK", "driver");
    std::printf("  %-12s %8.2f %8.2f %8.2f\n", "getProperty", Median(getTotal), Median(getSim), Median(getOwn));
    std::printf("  %-12s %8.2f %8.2f %8.2f\n", "setProperty", Median(setTotal), Median(setSim), Median(setOwn));

    // ---- a locked node while grabbing: each write stops grabbing, writes, starts again.
    d.execCmd(0, 0, "set", "TriggerMode=Off", nullptr, 0);
    d.setCompleteCallback(0, 0, &CountFrame);
    CamSimDeviceState state{};
    CamSim_GetDevice(0, &state);
    streamDevice = state.id;
    d.setProperty(0, 0, "continuous", 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const int writes = 10 * reps;
    std::vector<double> writeMs;
    CamSim_SetWriteHook(&CountStoppedSession, nullptr);
    CamSim_ResetCallCounts();
    for (int i = 0; i <= writes; ++i) {
        const int width = i % 2 == 0 ? 1024 : 1280;
        const double ms = 1e3 * SecondsOf([&] { d.setProperty(0, 0, "Width", width); });
        if (i == 0) {
            longestGapNs.store(0);  // from the first stop on
            lastFrameNs.store(0);
        } else {
            writeMs.push_back(ms);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    CamSim_SetWriteHook(nullptr, nullptr);
    const int seen = hostFramesAtLastStop.load() - hostFramesAtFirstStop.load();
    std::printf("\nsetProperty Width while grabbing (continuous, %d writes, %u stops):\n", writes,
                CamSim_GetCallCount("MV_CC_StopGrabbing") - 1);
    std::printf("  write (grabbing stopped), median %.2f ms, max %.2f ms\n", Median(writeMs),
                *std::max_element(writeMs.begin(), writeMs.end()));
    std::printf("  longest gap between two frames at the host: %.2f ms (frame period %.2f ms)\n",
                static_cast<double>(longestGapNs.load()) / 1e6, 1000.0 / 90.0);
    std::printf("  frames the camera made between the first and the last stop: %u, delivered to the host: %d\n",
                framesMade.load(), seen);
    // Made but never called back: still queued in the SDK when the stop came (the stop drops
    // them) or without a free buffer.
    std::printf("  of those the SDK called back %u, found no free buffer for %u, dropped %u queued at a stop\n",
                framesCalledBack.load(), framesNoBuffer.load(),
                framesMade.load() - framesCalledBack.load() - framesNoBuffer.load());

    d.setProperty(0, 0, "continuous", 0);
    MV_CC_StopGrabbing(replay.handle);
    MV_CC_CloseDevice(replay.handle);
    MV_CC_DestroyHandle(replay.handle);
    MV_CC_Finalize();
    d.closeCVLPort(0, 0);
    d.finalize();
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return 0;
}
