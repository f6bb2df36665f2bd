// Start and stop of the driver through its exports, as the host drives them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DriverFixture.h"
#include "camsim/SimControl.h"
#include "support/TempDir.h"

namespace {

// The driver is started by the tests themselves; the simulator keeps its default cameras.
class LifecycleTest : public DriverFixture {
protected:
    void SetUp() override
    {
        CamSim_Reset();
        lines.Clear();
    }

    std::vector<std::string> Names()
    {
        std::vector<std::string> names;
        const char** array = d.getCVLCameraConfigNames();
        for (int i = 0; array != nullptr && array[i] != nullptr; ++i) names.emplace_back(array[i]);
        return names;
    }

    static std::string SimName(unsigned int index)
    {
        CamSimDeviceState state{};
        if (CamSim_GetDevice(index, &state) != 0) return "<none>";
        return std::string(state.model) + " (" + state.serial + ")";
    }
};

}  // namespace

// Runs first: nothing has been started in this process yet.
TEST_F(LifecycleTest, QueriesAnswerBeforeTheFirstInitialize)
{
    EXPECT_EQ(d.getCVLMaxNoOfGrabbers(), 1);
    EXPECT_EQ(d.getCVLMaxNoOfPorts(), 20);
    EXPECT_EQ(d.getCVLNoOfSupportedCameras(), 0);
    EXPECT_EQ(d.getCVLCameraConfigNames(), nullptr);
    // Before any start, level-1 lines have no host procedure yet; the finalize balances itself.
    EXPECT_EQ(d.finalize(), 1);
    EXPECT_EQ(d.initialize(dir.Path().c_str(), &DriverLibrary::DebugProc), 1);
    EXPECT_EQ(d.getCVLNoOfSupportedCameras(), 0);  // only raised the count back to 0
}

TEST_F(LifecycleTest, SystemPathMustBeGiven)
{
    EXPECT_EQ(d.setSystemPath(nullptr), 0);
    EXPECT_EQ(d.setSystemPath(""), 0);
    EXPECT_EQ(d.setSystemPath(dir.Path().c_str()), 1);
    d.setDebugMsgProc(nullptr);
    d.setDebugMsgProc(&DriverLibrary::DebugProc);
}

TEST_F(LifecycleTest, InitializeShowsTheSimulatedCamerasByName)
{
    CamSim_SetSdkVersion(0x03020100u);
    ASSERT_EQ(d.initialize(dir.Path().c_str(), &DriverLibrary::DebugProc), 1);
    ASSERT_GE(CamSim_GetDeviceCount(), 2u);
    EXPECT_EQ(d.getCVLNoOfSupportedCameras(), static_cast<int>(CamSim_GetDeviceCount()));
    const std::vector<std::string> names = Names();
    ASSERT_EQ(names.size(), CamSim_GetDeviceCount());
    for (unsigned int i = 0; i < names.size(); ++i) EXPECT_EQ(names[i], SimName(i));
    EXPECT_TRUE(lines.WaitFor("#99: INFO: initialize camera driver: ornic 1.0.4.53, SDK 3.2.1.0 {initialize}\n"));

    // The array stays the same until the final finalize.
    const char** array = d.getCVLCameraConfigNames();
    EXPECT_EQ(d.getCVLCameraConfigNames(), array);
    EXPECT_EQ(d.finalize(), 1);
    EXPECT_EQ(d.getCVLNoOfSupportedCameras(), 0);
    EXPECT_EQ(d.getCVLCameraConfigNames(), nullptr);
    EXPECT_EQ(CamSim_GetInitCount(), 0u);

    for (const std::string& line : lines.Lines()) EXPECT_EQ(line.back(), '\n') << line;
}

TEST_F(LifecycleTest, OnlyTheLastFinalizeStopsTheDriver)
{
    ASSERT_EQ(d.initialize(dir.Path().c_str(), &DriverLibrary::DebugProc), 1);
    EXPECT_EQ(d.initialize(dir.Path().c_str(), &DriverLibrary::DebugProc), 1);
    EXPECT_TRUE(lines.WaitFor("#99: INFO: subsequent call to initialize() rejected. {initialize}\n"));
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_EnumDevices"), 1u);
    const char** names = d.getCVLCameraConfigNames();
    ASSERT_NE(names, nullptr);

    EXPECT_EQ(d.finalize(), 1);
    EXPECT_EQ(d.getCVLCameraConfigNames(), names);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_Finalize"), 0u);
    EXPECT_EQ(d.finalize(), 1);
    EXPECT_EQ(d.getCVLCameraConfigNames(), nullptr);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_Finalize"), 1u);
}

TEST_F(LifecycleTest, SurplusFinalizeMustBeBalancedBeforeTheNextStart)
{
    EXPECT_EQ(d.finalize(), 1);
    EXPECT_TRUE(lines.WaitFor("#99: ERR: finalize: refcount=-1 {finalize}\n"));
    // The count is -1, not 0: this call only brings it back.
    EXPECT_EQ(d.initialize(dir.Path().c_str(), &DriverLibrary::DebugProc), 1);
    EXPECT_EQ(d.getCVLNoOfSupportedCameras(), 0);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_Initialize"), 0u);
    // Now a real start.
    EXPECT_EQ(d.initialize(dir.Path().c_str(), &DriverLibrary::DebugProc), 1);
    EXPECT_GT(d.getCVLNoOfSupportedCameras(), 0);
    EXPECT_EQ(d.finalize(), 1);
    EXPECT_EQ(CamSim_GetInitCount(), 0u);
}

TEST_F(LifecycleTest, InitializeWithoutProcedureFailsButCounts)
{
    EXPECT_EQ(d.initialize(dir.Path().c_str(), nullptr), 0);
    EXPECT_EQ(d.getCVLNoOfSupportedCameras(), 0);
    // The failed call still counts: the next one is a repeat and starts nothing.
    EXPECT_EQ(d.initialize(dir.Path().c_str(), &DriverLibrary::DebugProc), 1);
    EXPECT_EQ(d.getCVLNoOfSupportedCameras(), 0);
    EXPECT_EQ(d.finalize(), 1);
    EXPECT_EQ(d.finalize(), 1);
    EXPECT_EQ(d.initialize(nullptr, &DriverLibrary::DebugProc), 0);
    EXPECT_EQ(d.finalize(), 1);
    EXPECT_EQ(d.initialize("", &DriverLibrary::DebugProc), 0);
    EXPECT_EQ(d.finalize(), 1);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_Initialize"), 0u);
}

TEST_F(LifecycleTest, NoCameraGivesNoNames)
{
    CamSim_ClearDevices();
    ASSERT_EQ(d.initialize(dir.Path().c_str(), &DriverLibrary::DebugProc), 1);
    EXPECT_EQ(d.getCVLNoOfSupportedCameras(), 0);
    EXPECT_EQ(d.getCVLCameraConfigNames(), nullptr);
    EXPECT_EQ(d.finalize(), 1);
}

TEST_F(LifecycleTest, SdkStartFailureStillReportsSuccess)
{
    ASSERT_EQ(CamSim_FailNext("MV_CC_Initialize", 1, MV_E_LOAD_LIBRARY), 0);
    EXPECT_EQ(d.initialize(dir.Path().c_str(), &DriverLibrary::DebugProc), 1);
    EXPECT_EQ(d.getCVLNoOfSupportedCameras(), 0);
    EXPECT_EQ(d.getCVLCameraConfigNames(), nullptr);
    EXPECT_EQ(d.finalize(), 1);
}

TEST_F(LifecycleTest, LoggerKeysAreReadFromTheIniFile)
{
    // The keys are read at every start (the pool itself is made once per process).
    dir.Write("ornic.ini", "[General]\nlogDebugBufferCount=50\n");
    ASSERT_EQ(d.initialize(dir.Path().c_str(), &DriverLibrary::DebugProc), 1);
    EXPECT_TRUE(lines.WaitFor("#99: INFO: Initializing logger with 50 buffers, dbgLevel=1 {Globals::InitAll}\n"));
    EXPECT_EQ(d.finalize(), 1);
}
