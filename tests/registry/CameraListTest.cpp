#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "camera/Camera.h"
#include "camera/DeviceEntry.h"
#include "camsim/SimControl.h"
#include "registry/CameraList.h"
#include "support/GlobalLog.h"

namespace {

class CameraListTest : public testing::Test {
protected:
    void SetUp() override
    {
        CamSim_Reset();
        CamSim_ClearDevices();
        FlushGlobalLog();  // lines of earlier tests may still be on their way
        GlobalLog().Clear();
    }
    void TearDown() override
    {
        CameraList::ReleaseInstance();
        CamSim_Reset();
    }

    // Waits for everything logged so far, then counts lines holding `text`.
    static size_t Logged(const std::string& text)
    {
        FlushGlobalLog();
        return GlobalLog().Count(text);
    }
};

std::string Name(const char* const* names, int index)
{
    return names[index] != nullptr ? names[index] : "<null>";
}

}  // namespace

TEST_F(CameraListTest, TwoDevicesGiveTwoNamesInEnumerationOrder)
{
    ASSERT_NE(CamSim_AddDevice(MV_GIGE_DEVICE, "CAM-1", "A1", CAMSIM_KIND_MONO), 0u);
    ASSERT_NE(CamSim_AddDevice(MV_USB_DEVICE, "CAM-2", "B2", CAMSIM_KIND_BAYER_RG), 0u);
    CameraList::InitInstance();
    CameraList& list = CameraList::Instance();
    EXPECT_TRUE(list.Initialized());
    ASSERT_EQ(list.CameraCount(), 2);
    const char* const* names = list.ConfigNames();
    ASSERT_NE(names, nullptr);
    EXPECT_EQ(Name(names, 0), "CAM-1 (A1)");
    EXPECT_EQ(Name(names, 1), "CAM-2 (B2)");
    EXPECT_EQ(names[2], nullptr);
    EXPECT_EQ(names[0], list.CameraAt(0)->ConfigName().c_str());  // handed out, not copied
    EXPECT_TRUE(list.CameraAt(0)->DeviceInfo().isGigE);
    EXPECT_TRUE(list.CameraAt(1)->DeviceInfo().isUsb);
    EXPECT_EQ(list.CameraAt(2), nullptr);
    EXPECT_EQ(list.CameraAt(-1), nullptr);
}

TEST_F(CameraListTest, LookupIgnoresLetterCaseAndReportsUnknownNames)
{
    ASSERT_NE(CamSim_AddDevice(MV_GIGE_DEVICE, "Cam-Line", "Sn9", CAMSIM_KIND_MONO), 0u);
    CameraList::InitInstance();
    CameraList& list = CameraList::Instance();
    Camera* camera = list.GetByName("CAM-LINE (SN9)");
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->ConfigName(), "Cam-Line (Sn9)");
    EXPECT_EQ(list.GetByName("cam-line (sn9)"), camera);
    EXPECT_EQ(list.GetByName("Cam-Line (Sn9"), nullptr);
    EXPECT_EQ(list.GetByName("Cam-Line (Sn9) "), nullptr);
    EXPECT_EQ(list.GetByName(nullptr), nullptr);
}

TEST_F(CameraListTest, NoCameraLeavesTheListUninitialisedWithoutNames)
{
    CameraList::InitInstance();
    CameraList& list = CameraList::Instance();
    EXPECT_FALSE(list.Initialized());
    EXPECT_EQ(list.CameraCount(), 0);
    EXPECT_EQ(list.ConfigNames(), nullptr);
}

TEST_F(CameraListTest, SdkFailuresAreLoggedWithTheirStatusText)
{
    ASSERT_NE(CamSim_AddDevice(MV_GIGE_DEVICE, "CAM-1", "A1", CAMSIM_KIND_MONO), 0u);
    ASSERT_EQ(CamSim_FailNext("MV_CC_Initialize", 1, MV_E_RESOURCE), 0);
    CameraList::InitInstance();
    EXPECT_FALSE(CameraList::Instance().Initialized());
    EXPECT_EQ(CameraList::Instance().ConfigNames(), nullptr);
    EXPECT_EQ(Logged("#99: ERR: SDK initialize error:  /rc= Applying resource failed {CameraList::DoInit}\n"), 1u);
    CameraList::ReleaseInstance();
    // The SDK was never started, so finalising it fails; that is only a warning.
    EXPECT_EQ(Logged("#99: Warning: MV_CC_Finalize failed {CameraList::~CameraList}\n"), 1u);

    ASSERT_EQ(CamSim_FailNext("MV_CC_EnumDevices", 1, 0x80000005u), 0);
    CameraList::InitInstance();
    EXPECT_FALSE(CameraList::Instance().Initialized());
    EXPECT_EQ(CameraList::Instance().CameraCount(), 0);
    EXPECT_EQ(Logged("#99: ERR: CameraList: enumerate devices fails:  /rc=Unrecognized code 2147483653 "
                     "{CameraList::DoInit}\n"),
              1u);
}

TEST_F(CameraListTest, InstanceExistsOnlyBetweenInitAndRelease)
{
    EXPECT_EQ(CameraList::InstanceOrNull(), nullptr);
    try {
        CameraList::Instance();
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "CameraList instance not ready yet");
    }
    ASSERT_NE(CamSim_AddDevice(MV_GIGE_DEVICE, "CAM-1", "A1", CAMSIM_KIND_MONO), 0u);
    CameraList::InitInstance();
    CameraList* first = CameraList::InstanceOrNull();
    ASSERT_NE(first, nullptr);
    CameraList::InitInstance();
    EXPECT_EQ(CameraList::InstanceOrNull(), first);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_EnumDevices"), 1u);
    CameraList::ReleaseInstance();
    EXPECT_EQ(CameraList::InstanceOrNull(), nullptr);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_Finalize"), 1u);
    EXPECT_EQ(CamSim_GetInitCount(), 0u);
}

TEST_F(CameraListTest, PortBindings)
{
    ASSERT_NE(CamSim_AddDevice(MV_GIGE_DEVICE, "CAM-1", "A1", CAMSIM_KIND_MONO), 0u);
    ASSERT_NE(CamSim_AddDevice(MV_USB_DEVICE, "CAM-2", "B2", CAMSIM_KIND_MONO), 0u);
    CameraList::InitInstance();
    CameraList& list = CameraList::Instance();
    Camera* first = list.CameraAt(0);
    Camera* second = list.CameraAt(1);

    EXPECT_FALSE(CameraList::IsValidPort(-1));
    EXPECT_TRUE(CameraList::IsValidPort(0));
    EXPECT_TRUE(CameraList::IsValidPort(19));
    EXPECT_FALSE(CameraList::IsValidPort(20));

    EXPECT_FALSE(list.SetPortBinding(20, first));
    EXPECT_FALSE(list.SetPortBinding(-1, first));

    EXPECT_TRUE(list.SetPortBinding(3, first));
    EXPECT_EQ(list.CameraOnPort(3), first);
    EXPECT_EQ(list.CameraOnPort(4), nullptr);
    EXPECT_EQ(list.CameraOnPort(-1), nullptr);
    EXPECT_EQ(list.CameraOnPort(20), nullptr);
    EXPECT_EQ(Logged("SetPortBinding twice"), 0u);

    // A second camera on a bound port replaces the first, with a warning (its only trace).
    EXPECT_TRUE(list.SetPortBinding(3, second));
    EXPECT_EQ(list.CameraOnPort(3), second);
    EXPECT_EQ(Logged("SetPortBinding twice"), 1u);

    EXPECT_TRUE(list.SetPortBinding(3, nullptr));
    EXPECT_EQ(list.CameraOnPort(3), nullptr);
    EXPECT_EQ(Logged("SetPortBinding twice"), 1u);
    EXPECT_TRUE(list.SetPortBinding(3, nullptr));
    EXPECT_EQ(Logged("SetPortBinding twice"), 2u);
}

TEST_F(CameraListTest, DestroyingTheListWarnsOncePerBoundPortAndDeletesTheCameras)
{
    ASSERT_NE(CamSim_AddDevice(MV_GIGE_DEVICE, "CAM-1", "A1", CAMSIM_KIND_MONO), 0u);
    ASSERT_NE(CamSim_AddDevice(MV_USB_DEVICE, "CAM-2", "B2", CAMSIM_KIND_MONO), 0u);
    CameraList::InitInstance();
    CameraList& list = CameraList::Instance();
    list.SetPortBinding(0, list.CameraAt(0));
    list.SetPortBinding(7, list.CameraAt(1));
    CameraList::ReleaseInstance();
    // The warnings and the cameras' destructors leave nothing else to look at.
    EXPECT_EQ(Logged("~CameraList: not all _ports entries empty"), 2u);
    EXPECT_EQ(Logged("Camera dtor"), 2u);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_Finalize"), 1u);
    EXPECT_EQ(CamSim_GetInitCount(), 0u);  // the SDK's finalize succeeded
}

TEST_F(CameraListTest, CamerasWithTheSameNameAreNumberedAndEachCanBeOpened)
{
    // Names are compared without case, so the third device clashes too.
    ASSERT_EQ(CamSim_LoadConfig("gige:SIM-GM130:S1000001:mono; gige:SIM-GM130:S1000001:mono;"
                                "usb:sim-gm130:s1000001:mono; gige:SIM-GM130:S1000002:mono",
                                nullptr),
              0);
    CameraList::InitInstance();
    CameraList& list = CameraList::Instance();
    ASSERT_EQ(list.CameraCount(), 4);
    const char* const* names = list.ConfigNames();
    ASSERT_NE(names, nullptr);
    const std::string expected[] = {"SIM-GM130 (S1000001)", "SIM-GM130 (S1000001) #2", "sim-gm130 (s1000001) #3",
                                    "SIM-GM130 (S1000002)"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Name(names, i), expected[i]);
        EXPECT_EQ(list.GetByName(expected[i].c_str()), list.CameraAt(i)) << expected[i];
    }

    ImageSize size;
    ASSERT_TRUE(list.OpenCamera("sim-gm130 (s1000001) #2", 1, size));
    EXPECT_EQ(list.CameraOnPort(1), list.CameraAt(1));
    EXPECT_TRUE(list.CameraAt(1)->IsOpen());
    EXPECT_FALSE(list.CameraAt(0)->IsOpen());
    EXPECT_GT(size.width, 0);
    EXPECT_TRUE(list.CloseCamera(1));
}
