// Handles and opening: one exclusive opener per device, clear answers for handles that are
// unknown, closed, destroyed or whose camera has gone.
#include "SimTestSupport.h"

namespace SimTest {
namespace {

using Handles = SimFixture;

TEST_F(Handles, CreateNeedsARecordTheSdkHandedOut)
{
    void* handle = &handle;
    EXPECT_EQ(Code(MV_CC_CreateHandleWithoutLog(&handle, nullptr)), MV_E_PARAMETER);
    EXPECT_EQ(handle, nullptr);  // never left dangling on failure
    MvDeviceInfo lookalike{};
    EXPECT_EQ(Code(MV_CC_CreateHandleWithoutLog(nullptr, &lookalike)), MV_E_PARAMETER);

    // Before MV_CC_Initialize no record can be valid.
    EXPECT_EQ(Code(MV_CC_CreateHandleWithoutLog(&handle, &lookalike)), MV_E_CALLORDER);

    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    const auto records = Enumerate(kAllLayers);
    ASSERT_EQ(records.size(), 2u);
    // A copy of a real record is not the record: the SDK knows its own.
    lookalike = *records[0];
    handle = &handle;
    EXPECT_EQ(Code(MV_CC_CreateHandleWithoutLog(&handle, &lookalike)), MV_E_PARAMETER);
    EXPECT_EQ(handle, nullptr);

    void* first = nullptr;
    void* second = nullptr;
    ASSERT_EQ(Code(MV_CC_CreateHandleWithoutLog(&first, records[0])), MV_OK);
    ASSERT_EQ(Code(MV_CC_CreateHandleWithoutLog(&second, records[0])), MV_OK);
    EXPECT_NE(first, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(Code(MV_CC_DestroyHandle(first)), MV_OK);
    EXPECT_EQ(Code(MV_CC_DestroyHandle(second)), MV_OK);
    EXPECT_EQ(Code(MV_CC_DestroyHandle(first)), MV_E_HANDLE);  // already destroyed
    EXPECT_EQ(Code(MV_CC_DestroyHandle(nullptr)), MV_E_HANDLE);
    EXPECT_EQ(Code(MV_CC_DestroyHandle(&lookalike)), MV_E_HANDLE);
}

TEST_F(Handles, OpenIsExclusiveAndCloseReleases)
{
    void* a = CreateHandle(0);
    void* b = CreateHandle(0);
    void* other = CreateHandle(1);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);

    EXPECT_EQ(Code(MV_CC_CloseDevice(a)), MV_E_CALLORDER);  // not open
    EXPECT_EQ(Code(MV_CC_OpenDevice(a, 0, 0)), MV_E_PARAMETER);
    EXPECT_EQ(Code(MV_CC_OpenDevice(a, 8, 0)), MV_E_PARAMETER);
    EXPECT_EQ(Code(MV_CC_OpenDevice(a, 3, 0)), MV_E_SUPPORT);  // shared modes are not simulated
    EXPECT_EQ(Code(MV_CC_OpenDevice(a, 1, 0)), MV_OK);
    EXPECT_EQ(Code(MV_CC_OpenDevice(a, 1, 0)), MV_E_CALLORDER);      // already open
    EXPECT_EQ(Code(MV_CC_OpenDevice(b, 1, 0)), MV_E_ACCESS_DENIED);  // same camera, other handle
    EXPECT_EQ(Code(MV_CC_OpenDevice(other, 1, 0)), MV_OK);           // another camera is free

    EXPECT_EQ(Code(MV_CC_CloseDevice(a)), MV_OK);
    EXPECT_EQ(Code(MV_CC_CloseDevice(a)), MV_E_CALLORDER);
    EXPECT_EQ(Code(MV_CC_OpenDevice(b, 1, 0)), MV_OK);

    // Destroying an open handle closes it.
    EXPECT_EQ(Code(MV_CC_DestroyHandle(b)), MV_OK);
    EXPECT_EQ(Code(MV_CC_OpenDevice(a, 1, 0)), MV_OK);
    EXPECT_EQ(Code(MV_CC_OpenDevice(nullptr, 1, 0)), MV_E_HANDLE);
    EXPECT_EQ(Code(MV_CC_CloseDevice(nullptr)), MV_E_HANDLE);
}

TEST_F(Handles, NodeAccessNeedsAnOpenDevice)
{
    void* handle = CreateHandle(0);
    ASSERT_NE(handle, nullptr);
    MvIntValueEx width{};
    MvXmlNode root{};
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(handle, "Width", &width)), MV_E_CALLORDER);
    EXPECT_EQ(Code(MV_XML_GetRootNode(handle, &root)), MV_E_CALLORDER);
    EXPECT_EQ(Code(MV_CC_SetCommandValue(handle, "AcquisitionStart")), MV_E_CALLORDER);
    int notAHandle = 0;
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(&notAHandle, "Width", &width)), MV_E_HANDLE);
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(nullptr, "Width", &width)), MV_E_HANDLE);
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(handle, "Width", nullptr)), MV_E_PARAMETER);

    ASSERT_EQ(Code(MV_CC_OpenDevice(handle, 1, 0)), MV_OK);
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(handle, "Width", &width)), MV_OK);
    ASSERT_EQ(Code(MV_CC_CloseDevice(handle)), MV_OK);
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(handle, "Width", &width)), MV_E_CALLORDER);
}

TEST_F(Handles, ARemovedCameraAnswersBusyUntilClosed)
{
    void* handle = OpenHandle(0);
    void* later = CreateHandle(0);
    ASSERT_NE(handle, nullptr);
    ASSERT_NE(later, nullptr);
    const CamSimDeviceState camera = Device(0);
    const auto before = Enumerate(kAllLayers);
    ASSERT_EQ(Code(CamSim_RemoveDevice(camera.id)), MV_OK);

    MvIntValueEx width{};
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(handle, "Width", &width)), MV_E_BUSY);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(handle, "Width", 640)), MV_E_BUSY);
    EXPECT_EQ(Code(MV_CC_OpenDevice(later, 1, 0)), MV_E_BUSY);
    // The record of the gone camera still makes a handle, which cannot open either.
    void* fromOldRecord = nullptr;
    ASSERT_EQ(Code(MV_CC_CreateHandleWithoutLog(&fromOldRecord, before[0])), MV_OK);
    EXPECT_EQ(Code(MV_CC_OpenDevice(fromOldRecord, 1, 0)), MV_E_BUSY);
    EXPECT_EQ(Code(MV_CC_DestroyHandle(fromOldRecord)), MV_OK);

    EXPECT_EQ(Code(MV_CC_CloseDevice(handle)), MV_OK);  // releases what is left
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(handle, "Width", &width)), MV_E_CALLORDER);

    // The same camera plugged in again is a new device: new record, free to open.
    ASSERT_NE(CamSim_AddDevice(MV_GIGE_DEVICE, "SIM-GM130", "S1000001", CAMSIM_KIND_MONO), 0u);
    void* again = OpenHandle(1);
    EXPECT_NE(again, nullptr);
}

TEST_F(Handles, OpeningNeedsTheSdkInitializedAndHonoursFaults)
{
    void* handle = CreateHandle(0);
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(Code(MV_CC_Finalize()), MV_OK);
    EXPECT_EQ(Code(MV_CC_OpenDevice(handle, 1, 0)), MV_E_CALLORDER);
    // Initializing again reads the configuration again: the cameras are new devices and the
    // old handle's camera has gone.
    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    EXPECT_EQ(Code(MV_CC_OpenDevice(handle, 1, 0)), MV_E_BUSY);

    handle = CreateHandle(0);
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(Code(CamSim_FailNext("MV_CC_OpenDevice", 1, MV_E_NETWORK)), MV_OK);
    EXPECT_EQ(Code(MV_CC_OpenDevice(handle, 1, 0)), MV_E_NETWORK);
    EXPECT_EQ(Code(MV_CC_OpenDevice(handle, 1, 0)), MV_OK);  // the failed call opened nothing
    ASSERT_EQ(Code(CamSim_FailNext("MV_CC_GetIntValueEx", 1, MV_E_GC_TIMEOUT)), MV_OK);
    MvIntValueEx width{};
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(handle, "Width", &width)), MV_E_GC_TIMEOUT);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_OpenDevice"), 4u);
}

TEST_F(Handles, ResetDropsHandlesAndSettingsSurviveReopening)
{
    void* handle = OpenHandle(0);
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(handle, "Width", 640)), MV_OK);
    ASSERT_EQ(Code(MV_CC_CloseDevice(handle)), MV_OK);
    ASSERT_EQ(Code(MV_CC_OpenDevice(handle, 1, 0)), MV_OK);
    MvIntValueEx width{};
    ASSERT_EQ(Code(MV_CC_GetIntValueEx(handle, "Width", &width)), MV_OK);
    EXPECT_EQ(width.nCurValue, 640);  // the camera kept its setting

    CamSim_Reset();
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(handle, "Width", &width)), MV_E_HANDLE);
    EXPECT_EQ(Code(MV_CC_DestroyHandle(handle)), MV_E_HANDLE);
    void* fresh = OpenHandle(0);
    ASSERT_NE(fresh, nullptr);
    ASSERT_EQ(Code(MV_CC_GetIntValueEx(fresh, "Width", &width)), MV_OK);
    EXPECT_EQ(width.nCurValue, 1280);
}

}  // namespace
}  // namespace SimTest
