// configureCamera through the exports where the dialog's Qt library cannot be had: the driver
// still loads and runs, the call logs why and answers 0, and the camera keeps grabbing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "camsim/SimControl.h"
#include "integration/DriverLibrary.h"
#include "support/TempDir.h"

namespace {

const char* const kMonoName = "SIM-GM130 (S1000001)";
std::atomic<int> frames{0};

void ORNIC_CALL OnFrame(int, int)
{
    frames.fetch_add(1);
}

TEST(ConfigureExportTest, WithoutTheQtLibraryConfigureFailsClearlyAndTheCameraRunsOn)
{
    std::string error;
    DriverLibrary& d = DriverLibrary::Get();
    ASSERT_TRUE(d.LoadAll(error)) << error;
    CamSim_Reset();
    ASSERT_EQ(CamSim_LoadConfig("gige:SIM-GM130:S1000001:mono", nullptr), 0);
    ::setenv("ORNIC_DIALOG_BACKEND", "/nonexistent/libornic_dialog_qt.so", 1);
    TempDir dir;
    ASSERT_EQ(d.initialize(dir.Path().c_str(), &DriverLibrary::DebugProc), 1);
    OrnicImageSize size{};
    ASSERT_EQ(d.openCVLPort(0, 0, kMonoName, &size), 1);
    ASSERT_EQ(d.setCompleteCallback(0, 0, &OnFrame), 1);

    EXPECT_EQ(d.configureCamera(nullptr, "no such camera"), 0);
    EXPECT_EQ(d.configureCamera(nullptr, kMonoName), 0);
    EXPECT_TRUE(DriverLibrary::Lines().WaitFor("not configured: the configuration dialog needs Qt 6"));
    EXPECT_THAT(DriverLibrary::Lines().Find("needs Qt 6"), ::testing::HasSubstr("/nonexistent/libornic_dialog_qt.so"));

    ASSERT_EQ(d.doCVLGrab(0, 0), 1);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (frames.load() == 0 && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GE(frames.load(), 1);
    EXPECT_EQ(d.closeCVLPort(0, 0), 1);
    EXPECT_EQ(d.finalize(), 1);
    ::unsetenv("ORNIC_DIALOG_BACKEND");
    CamSim_Reset();
}

}  // namespace
