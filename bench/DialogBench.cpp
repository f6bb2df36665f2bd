// The configuration dialog's speed, on the largest default camera (the simulated colour
// camera, about 120 parameters):
//   - configureCamera's work (Camera::Configure) from the call to the grid's first paint,
//   - the dialog alone (ParameterDlg::DoModal over a built model) to its first paint,
//   - one full repaint of the grid in a 1920 x 1080 dialog.
// Medians of repeated runs. Natively this runs the Qt backend (on Qt's offscreen platform
// unless QT_QPA_PLATFORM says otherwise); the Windows build runs the Win32 backend (under
// wine64 on a virtual display, bench/run-dialog-bench.sh). A plain timing program rather than
// Google Benchmark: the measured spans lie inside a modal loop, and the Windows build has no
// Google Benchmark.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "camera/Camera.h"
#include "camsim/SimControl.h"
#include "grid/ParameterDlg.h"
#include "sdk/MvSdk.h"
#include "tests/support/QuietSink.h"
#include "util/Globals.h"
#include "util/Logger.h"

#if defined(ORNIC_DIALOG_BENCH_QT)
#include <QApplication>
#include <QTimer>
#endif
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Summary {
    double median = 0;
    double low = 0;
    double high = 0;
    size_t count = 0;
};

Summary Summarise(std::vector<double> v)
{
    Summary s;
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    s.count = v.size();
    s.low = v.front();
    s.high = v.back();
    s.median = v.size() % 2 == 1 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2.0;
    return s;
}

void Print(const char* what, const Summary& s)
{
    std::printf("  %-56s median %8.2f ms   (min %.2f, max %.2f, n=%zu)\n", what, s.median, s.low, s.high, s.count);
}

// The build's backend, with a hook on the dialog it is about to show.
class Probe final : public Grid_3_1::DialogBackend {
public:
    explicit Probe(Grid_3_1::DialogBackend& real) : real(real) {}
    const char* Name() const override { return real.Name(); }
    int RunModal(Grid_3_1::DialogInput& dialog, void* parent, std::string& error) override
    {
        if (auto* d = dynamic_cast<Grid_3_1::ParameterDlg*>(&dialog)) {
            if (arm) arm(*d);
        }
        return real.RunModal(dialog, parent, error);
    }
    std::function<void(Grid_3_1::ParameterDlg&)> arm;

private:
    Grid_3_1::DialogBackend& real;
};

// Cancel, once the paint in progress has finished.
void EndSoon(Grid_3_1::ParameterDlg& d)
{
#if defined(ORNIC_DIALOG_BENCH_QT)
    QTimer::singleShot(0, [&d] { d.Command(Grid_3_1::kIdCancel); });
#else
    d.Command(Grid_3_1::kIdCancel);  // the Win32 loop ends after this message
#endif
}

// Ends the dialog right after its first paint; the time from `start` to the end of that paint.
void StopAtFirstPaint(Grid_3_1::ParameterDlg& d, Clock::time_point& start, double& result)
{
    d.GridCore().afterPaint = [&d, &start, &result] {
        if (result >= 0) return;
        result = Ms(Clock::now() - start);
        EndSoon(d);
    };
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
#if defined(ORNIC_DIALOG_BENCH_QT)
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);  // a Qt host: its application object is used
#endif
    Util_2_1::Logger::Instance().Init(new QuietSink, 500);
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "ornic-dialog-bench";
    std::filesystem::create_directories(dir);
    std::filesystem::remove(dir / "ornic.ini");
    Globals::Instance().InitPath(dir.string().c_str());

    CamSim_Reset();
    CamSim_LoadConfig("usb:SIM-UC500:S2000001:bayer_rg", nullptr);
    MV_CC_Initialize();
    MvDeviceInfoList list{};
    MV_CC_EnumDevices(MV_GIGE_DEVICE | MV_USB_DEVICE, &list);
    int status = 1;
    {
        Camera camera(DeviceEntry::FromSdkRecord(list.pDeviceInfo[0]));
        ImageSize size;
        if (!camera.TarvikOpen(0, size)) {
            std::fprintf(stderr, "the simulated camera did not open\n");
            return 1;
        }
        std::string error;
        Grid_3_1::DialogBackend* real = Grid_3_1::LoadDialogBackend(error);
        if (real == nullptr) {
            std::fprintf(stderr, "no dialog backend: %s\n", error.c_str());
            return 1;
        }
        Probe probe(*real);
        Grid_3_1::SetDialogBackendOverride(&probe);
        size_t shown = 0;
        for (const auto& p : camera.Parameters()) shown += p->TestFlags(Util_2_1::FlagHidden) ? 0 : 1;
        std::printf("dialog benchmark: %s backend, %s, %zu parameters (%zu shown), %d runs\n", real->Name(),
                    camera.ConfigName().c_str(), camera.Parameters().Count(), shown, runs);

        // configureCamera's dialog, from the call to the first paint (default 800 x 400), on a
        // camera that has been grabbing for a while (the simulator renders its test pattern when
        // grabbing starts, and stopping waits for that), and on one that is not grabbing.
        std::vector<double> configure;
        std::vector<double> configureIdle;
        for (const bool grabbing : {true, false}) {
            if (!grabbing) camera.Grabbing().Stop(true);
            for (int run = 0; run < runs; ++run) {
                if (grabbing) std::this_thread::sleep_for(std::chrono::milliseconds(1500));
                double firstPaint = -1;
                Clock::time_point start;
                probe.arm = [&](Grid_3_1::ParameterDlg& d) { StopAtFirstPaint(d, start, firstPaint); };
                start = Clock::now();
                camera.Configure(nullptr);
                if (firstPaint >= 0) (grabbing ? configure : configureIdle).push_back(firstPaint);
            }
        }

        // The dialog alone over the camera's model.
        std::vector<double> dialogOnly;
        probe.arm = nullptr;
        for (int run = 0; run < runs; ++run) {
            double firstPaint = -1;
            Clock::time_point start = Clock::now();
            Grid_3_1::ParameterDlg d("bench", &camera.Parameters(), nullptr, nullptr, false);
            StopAtFirstPaint(d, start, firstPaint);
            d.DoModal();
            if (firstPaint >= 0) dialogOnly.push_back(firstPaint);
        }

        // Full repaints of the grid in a 1920 x 1080 dialog: each paint asks for the next.
        camera.Parameters().Find("lib_DialogWidth")->SetInt(1920);
        camera.Parameters().Find("lib_DialogHeight")->SetInt(1080);
        std::vector<double> repaint;
        int gridWidth = 0;
        int gridHeight = 0;
        const int repaints = 30;
        for (int run = 0; run < std::max(1, runs / 5); ++run) {
            Grid_3_1::ParameterDlg d("bench", &camera.Parameters(), nullptr, nullptr, false);
            Clock::time_point paintStart;
            int paints = 0;
            d.GridCore().beforePaint = [&] { paintStart = Clock::now(); };
            d.GridCore().afterPaint = [&] {
                ++paints;
                if (paints > 1) repaint.push_back(Ms(Clock::now() - paintStart));  // the first is the opening's
                gridWidth = d.GridCore().ColumnsWidth();
                gridHeight = d.GridCore().TotalHeight();
                if (paints <= repaints) {
                    d.GridCore().Redraw();
                } else if (paints == repaints + 1) {
                    EndSoon(d);
                }
            };
            d.DoModal();
        }
        Grid_3_1::SetDialogBackendOverride(nullptr);

        Print("configureCamera to the first paint, camera grabbing", Summarise(configure));
        Print("configureCamera to the first paint, camera not grabbing", Summarise(configureIdle));
        Print("the dialog alone to its first paint (800 x 400)", Summarise(dialogOnly));
        char label[96];
        std::snprintf(label, sizeof label, "one full repaint at 1920 x 1080 (grid %d px wide)", gridWidth);
        Print(label, Summarise(repaint));
        std::printf("  (rows of all sections: %d px)\n", gridHeight);
        status = configure.empty() || configureIdle.empty() || dialogOnly.empty() || repaint.empty() ? 1 : 0;
    }
    MV_CC_Finalize();
    CamSim_Reset();
    return status;
}
