// Choosing the SDK backend at start-up, through the driver's exports: the simulated SDK by
// default, the environment's ORNIC_SDK over the ini file's SdkBackend, and no cameras at all
// (with the reason in the log) when the backend asked for cannot be loaded.
#include <gtest/gtest.h>

#include <string>

#include "camsim/SimControl.h"
#include "camsim/SimTestSupport.h"
#include "integration/DriverLibrary.h"
#include "support/TempDir.h"

namespace {

using SimTest::ScopedEnv;

class BackendChoiceTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string error;
        ASSERT_TRUE(DriverLibrary::Get().LoadAll(error)) << error;
    }

    void SetUp() override
    {
        CamSim_Reset();
        sdk.Clear();
        sdkDir.Clear();
        lines.Clear();
    }

    void TearDown() override
    {
        // Every test leaves the driver stopped, whatever it asserted.
        while (initialized > 0) Finalize();
    }

    bool Initialize()
    {
        ++initialized;
        return d.initialize(dir.Path().c_str(), &DriverLibrary::DebugProc) == 1;
    }

    void Finalize()
    {
        --initialized;
        d.finalize();
    }

    std::string BackendLine() { return lines.Find("SDK backend"); }

    DriverLibrary& d = DriverLibrary::Get();
    LineCollector& lines = DriverLibrary::Lines();
    TempDir dir;
    ScopedEnv sdk{"ORNIC_SDK"};
    ScopedEnv sdkDir{"ORNIC_SDK_DIR"};
    int initialized = 0;
};

}  // namespace

TEST_F(BackendChoiceTest, TheSimulatedSdkIsTheDefault)
{
    ASSERT_TRUE(Initialize());
    EXPECT_EQ(CamSim_GetInitCount(), 1u);
    EXPECT_EQ(d.getCVLNoOfSupportedCameras(), static_cast<int>(CamSim_GetDeviceCount()));
    ASSERT_TRUE(lines.WaitFor("#99: INFO: SDK backend: camsim, chosen by default {initialize}"));
    // The version line stays as it was, after the backend's line.
    ASSERT_TRUE(lines.WaitFor("INFO: initialize camera driver: ornic 1.0.4.53, SDK 4.5.1.0 {initialize}"));
    Finalize();
    EXPECT_EQ(CamSim_GetInitCount(), 0u);
}

TEST_F(BackendChoiceTest, TheIniKeyChoosesTheBackend)
{
    dir.Write("ornic.ini", "[General]\nSdkBackend=CamSim\n");
    ASSERT_TRUE(Initialize());
    EXPECT_EQ(CamSim_GetInitCount(), 1u);
    EXPECT_TRUE(lines.WaitFor("SDK backend: camsim, chosen by SdkBackend in [General] of " + dir.File("ornic.ini")));
}

TEST_F(BackendChoiceTest, TheEnvironmentWinsOverTheIniKey)
{
    dir.Write("ornic.ini", "[General]\nSdkBackend=aravis\n");
    sdk.Set("camsim");
    ASSERT_TRUE(Initialize());
    EXPECT_EQ(CamSim_GetInitCount(), 1u);
    EXPECT_GT(d.getCVLNoOfSupportedCameras(), 0);
    EXPECT_TRUE(lines.WaitFor("SDK backend: camsim, chosen by ORNIC_SDK {initialize}"));
}

// Aravis asked for where it is not: no simulated cameras in its place, and the reason.
TEST_F(BackendChoiceTest, AMissingAravisBackendListsNoCamerasAndSaysWhy)
{
    TempDir empty;
    sdkDir.Set(empty.Path());
    sdk.Set("aravis");
    ASSERT_TRUE(Initialize());
    EXPECT_EQ(CamSim_GetInitCount(), 0u);
    EXPECT_EQ(d.getCVLNoOfSupportedCameras(), 0);
    EXPECT_EQ(d.getCVLCameraConfigNames(), nullptr);
    ASSERT_TRUE(lines.WaitFor("#99: ERR: SDK backend aravis (ORNIC_SDK) not loaded, no cameras: "));
    const std::string line = BackendLine();
    EXPECT_NE(line.find(empty.File("libornic_sdk_aravis")), std::string::npos) << line;
    EXPECT_NE(line.find("(ORNIC_SDK_DIR) {initialize}"), std::string::npos) << line;
    // The start-up still reports itself; the camera list says why it is empty.
    EXPECT_TRUE(lines.WaitFor("initialize camera driver: ornic 1.0.4.53, SDK 0.0.0.0"));
    EXPECT_TRUE(lines.WaitFor("Load library failed"));
    Finalize();

    // The next start with the default finds the simulated cameras again.
    sdk.Clear();
    sdkDir.Clear();
    lines.Clear();
    ASSERT_TRUE(Initialize());
    EXPECT_GT(d.getCVLNoOfSupportedCameras(), 0);
    EXPECT_TRUE(lines.WaitFor("SDK backend: camsim, chosen by default"));
}

TEST_F(BackendChoiceTest, AnUnknownBackendNameListsNoCameras)
{
    dir.Write("ornic.ini", "[General]\nSdkBackend=vendor-x\n");
    ASSERT_TRUE(Initialize());
    EXPECT_EQ(CamSim_GetInitCount(), 0u);
    EXPECT_EQ(d.getCVLNoOfSupportedCameras(), 0);
    ASSERT_TRUE(lines.WaitFor("not loaded, no cameras: unknown SDK backend 'vendor-x' (known: camsim, aravis)"));
}
