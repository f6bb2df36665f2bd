// The parameter model's cost against the simulated SDK, for the largest default camera:
// building the model, one refresh from the camera, one apply of a fully restored model.
// Each benchmark also reports how many SDK calls it made; BM_SdkNodeCall measures what one
// such call costs the simulator, so the driver's own share is the total minus calls x that.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "camsim/SimControl.h"
#include "parameters/CameraParameters.h"
#include "sdk/MvSdk.h"
#include "tests/support/QuietSink.h"
#include "util/Logger.h"

namespace {

const char* const kSdkOps[] = {"MV_XML_GetRootNode",       "MV_XML_GetChildren",         "MV_XML_GetNodeFeature",
                               "MV_XML_GetNodeAccessMode", "MV_CC_InvalidateNodes",      "MV_CC_GetIntValueEx",
                               "MV_CC_SetIntValueEx",      "MV_CC_GetFloatValue",        "MV_CC_SetFloatValue",
                               "MV_CC_GetBoolValue",       "MV_CC_SetBoolValue",         "MV_CC_GetEnumValue",
                               "MV_CC_SetEnumValue",       "MV_CC_GetEnumEntrySymbolic", "MV_CC_SetEnumValueByString",
                               "MV_CC_SetStringValue",     "MV_CC_GetSDKVersion"};

unsigned SdkCalls()
{
    unsigned total = 0;
    for (const char* op : kSdkOps) total += CamSim_GetCallCount(op);
    return total;
}

class Camera : public ParameterOwner {
public:
    Camera()
    {
        static bool loggerStarted = Util_2_1::Logger::Instance().Init(new QuietSink, 500);
        (void)loggerStarted;
        CamSim_Reset();
        CamSim_LoadConfig("usb:SIM-UC500:S2000001:bayer_rg", nullptr);
        MV_CC_Initialize();
        MvDeviceInfoList list{};
        MV_CC_EnumDevices(0xFFFFFFFFu, &list);
        MV_CC_CreateHandleWithoutLog(&handle, list.pDeviceInfo[0]);
        MV_CC_OpenDevice(handle, 1, 0);
    }
    ~Camera() override
    {
        MV_CC_CloseDevice(handle);
        MV_CC_DestroyHandle(handle);
        MV_CC_Finalize();
    }
    void* SdkHandle() const override { return handle; }
    int Port() const override { return 0; }
    const std::string& ConfigName() const override { return name; }
    bool PauseGrabbing() override { return false; }
    void ResumeGrabbing() override {}

private:
    void* handle = nullptr;
    std::string name = "SIM-UC500 (S2000001)";
};

void Report(benchmark::State& state, unsigned calls, size_t parameters)
{
    state.counters["sdk_calls"] = static_cast<double>(calls) / static_cast<double>(state.iterations());
    state.counters["parameters"] = static_cast<double>(parameters);
}

void BM_InitParameters(benchmark::State& state)
{
    Camera camera;
    size_t count = 0;
    CamSim_ResetCallCounts();
    for (auto _ : state) {
        CameraParameters model(camera);
        benchmark::DoNotOptimize(model.InitParameters());
        count = model.Count();
    }
    Report(state, SdkCalls(), count);
}

void BM_UpdateParameters(benchmark::State& state)
{
    Camera camera;
    CameraParameters model(camera);
    model.InitParameters();
    CamSim_ResetCallCounts();
    for (auto _ : state) model.UpdateParameters();
    Report(state, SdkCalls(), model.Count());
}

// Two stored settings that differ in many values; each iteration restores the other one, so
// every apply really writes (binning and size, format, exposure, gain, lines, white balance).
void BM_ApplyRestoredParameters(benchmark::State& state)
{
    Camera camera;
    CameraParameters model(camera);
    model.InitParameters();
    const std::string files[2] = {std::string(P_tmpdir) + "/ornic-parameter-bench-a.ini",
                                  std::string(P_tmpdir) + "/ornic-parameter-bench-b.ini"};
    const char* const values[2][9] = {{"1", "2448", "BayerRG8", "10000", "0", "Input", "false", "1024", "Off"},
                                      {"2", "1200", "BayerRG12", "2500", "6", "Output", "true", "2048", "On"}};
    const char* const names[9] = {"BinningHorizontal",
                                  "Width",
                                  "PixelFormat",
                                  "ExposureTime",
                                  "Gain",
                                  "Line1_LineMode",
                                  "Line2_LineInverter",
                                  "BalanceRatioBlue",
                                  "TriggerMode"};
    for (int f = 0; f < 2; ++f) {
        std::remove(files[f].c_str());
        for (int i = 0; i < 9; ++i) {
            if (auto p = model.Find(names[i])) p->SetText(values[f][i]);
        }
        model.SaveToFile(files[f].c_str(), 0, false);
    }
    unsigned calls = 0;
    int next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        model.RestoreFromFile(files[next].c_str(), 0);
        next ^= 1;
        model.MarkAllModified();
        CamSim_ResetCallCounts();
        state.ResumeTiming();
        model.ApplyParameters();
        calls += SdkCalls();
    }
    for (const std::string& file : files) std::remove(file.c_str());
    Report(state, calls, model.Count());
}

// A full save of the model into an ini file that already holds it (the usual case).
void BM_SaveToFile(benchmark::State& state)
{
    Camera camera;
    CameraParameters model(camera);
    model.InitParameters();
    const std::string ini = std::string(P_tmpdir) + "/ornic-parameter-bench-save.ini";
    std::remove(ini.c_str());
    for (auto _ : state) benchmark::DoNotOptimize(model.SaveToFile(ini.c_str(), 0, false));
    std::remove(ini.c_str());
    Report(state, 0, model.Count());
}

// The simulator's cost of one node-map call, the kind the model makes most.
void BM_SdkNodeCall(benchmark::State& state)
{
    Camera camera;
    MvXmlNode node{};
    node.enType = IFT_IFloat;
    std::snprintf(node.strName, sizeof node.strName, "%s", "ExposureTime");
    MvXmlFeatureFloat feature{};
    for (auto _ : state) benchmark::DoNotOptimize(MV_XML_GetNodeFeature(camera.SdkHandle(), &node, &feature));
}

BENCHMARK(BM_InitParameters)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateParameters)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyRestoredParameters)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveToFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SdkNodeCall)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
