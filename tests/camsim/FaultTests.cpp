// Injected failures and call counting.
#include <cstring>

#include "SimTestSupport.h"

namespace SimTest {
namespace {

using Faults = SimFixture;

TEST_F(Faults, FailNextFailsExactlyThatManyCallsWithoutEffect)
{
    ASSERT_EQ(Code(CamSim_FailNext("MV_CC_Initialize", 2, MV_E_RESOURCE)), MV_OK);
    MvDeviceInfoList list{};
    EXPECT_EQ(Code(MV_CC_Initialize()), MV_E_RESOURCE);
    EXPECT_EQ(Code(MV_CC_EnumDevices(kAllLayers, &list)), MV_E_CALLORDER);
    EXPECT_EQ(Code(MV_CC_Initialize()), MV_E_RESOURCE);
    EXPECT_EQ(Code(MV_CC_Initialize()), MV_OK);
    EXPECT_EQ(CamSim_GetInitCount(), 1u);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_Initialize"), 3u);

    // A failed Finalize leaves the SDK initialized.
    ASSERT_EQ(Code(CamSim_FailNext("MV_CC_Finalize", 1, MV_E_BUSY)), MV_OK);
    EXPECT_EQ(Code(MV_CC_Finalize()), MV_E_BUSY);
    EXPECT_EQ(CamSim_GetInitCount(), 1u);
    EXPECT_EQ(Code(MV_CC_Finalize()), MV_OK);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_Finalize"), 2u);
}

TEST_F(Faults, InjectedEnumerationFailureLeavesTheListUntouched)
{
    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    ASSERT_EQ(Code(CamSim_FailNext("MV_CC_EnumDevices", 1, MV_E_NETWORK)), MV_OK);
    MvDeviceInfoList list;
    std::memset(&list, 0, sizeof list);
    list.nDeviceNum = 77;
    EXPECT_EQ(Code(MV_CC_EnumDevices(kAllLayers, &list)), MV_E_NETWORK);
    EXPECT_EQ(list.nDeviceNum, 77u);
    EXPECT_EQ(Code(MV_CC_EnumDevices(kAllLayers, &list)), MV_OK);
    EXPECT_EQ(list.nDeviceNum, 2u);
}

TEST_F(Faults, FaultsQueueSkipAndRepeat)
{
    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    MvDeviceInfoList list{};
    ASSERT_EQ(Code(CamSim_FailNext("MV_CC_EnumDevices", 1, MV_E_BUSY)), MV_OK);
    CamSimFault endless{};
    endless.operation = "MV_CC_EnumDevices";
    endless.kind = CAMSIM_FAULT_STATUS;
    endless.skipCalls = 2;
    endless.count = 0;
    endless.status = MV_E_NODATA;
    ASSERT_EQ(Code(CamSim_AddFault(&endless)), MV_OK);

    EXPECT_EQ(Code(MV_CC_EnumDevices(kAllLayers, &list)), MV_E_BUSY);
    EXPECT_EQ(Code(MV_CC_EnumDevices(kAllLayers, &list)), MV_OK);
    EXPECT_EQ(Code(MV_CC_EnumDevices(kAllLayers, &list)), MV_OK);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Code(MV_CC_EnumDevices(kAllLayers, &list)), MV_E_NODATA);
    }
    CamSim_ClearFaults();
    EXPECT_EQ(Code(MV_CC_EnumDevices(kAllLayers, &list)), MV_OK);
    // Faults on one operation leave the others alone.
    EXPECT_EQ(Code(MV_CC_Finalize()), MV_OK);
}

TEST_F(Faults, BadFaultRequestsAreRefused)
{
    EXPECT_EQ(Code(CamSim_FailNext("MV_CC_Bogus", 1, MV_E_BUSY)), MV_E_PARAMETER);
    EXPECT_EQ(Code(CamSim_FailNext("mv_cc_initialize", 1, MV_E_BUSY)), MV_E_PARAMETER);
    EXPECT_EQ(Code(CamSim_FailNext(nullptr, 1, MV_E_BUSY)), MV_E_PARAMETER);
    EXPECT_EQ(Code(CamSim_FailNext("MV_CC_Initialize", 0, MV_E_BUSY)), MV_E_PARAMETER);
    EXPECT_EQ(Code(CamSim_FailNext("MV_CC_Initialize", 1, MV_OK)), MV_E_PARAMETER);
    EXPECT_EQ(Code(CamSim_FailNext("MV_CC_GetSDKVersion", 1, MV_E_BUSY)), MV_E_SUPPORT);
    EXPECT_EQ(Code(CamSim_AddFault(nullptr)), MV_E_PARAMETER);
    CamSimFault unknownKind{};
    unknownKind.operation = "MV_CC_Initialize";
    unknownKind.kind = 99;
    unknownKind.count = 1;
    unknownKind.status = MV_E_BUSY;
    EXPECT_EQ(Code(CamSim_AddFault(&unknownKind)), MV_E_PARAMETER);
    // None of them was installed.
    EXPECT_EQ(Code(MV_CC_Initialize()), MV_OK);
}

TEST_F(Faults, EveryCallIsCounted)
{
    MvDeviceInfoList list{};
    MV_CC_EnumDevices(kAllLayers, &list);  // before Initialize: refused, still counted
    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    MV_CC_EnumDevices(kAllLayers, &list);
    MV_CC_EnumDevices(kAllLayers, nullptr);
    ASSERT_EQ(Code(MV_CC_Finalize()), MV_OK);
    MV_CC_OpenDevice(nullptr, 0, 0);

    EXPECT_EQ(CamSim_GetCallCount("MV_CC_Initialize"), 1u);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_EnumDevices"), 3u);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_Finalize"), 1u);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_OpenDevice"), 1u);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_CloseDevice"), 0u);
    EXPECT_EQ(CamSim_GetCallCount("NotAnOperation"), 0u);
    EXPECT_EQ(CamSim_GetCallCount(nullptr), 0u);

    CamSim_ResetCallCounts();
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_EnumDevices"), 0u);
}

TEST_F(Faults, ResetClearsFaultsAndCounts)
{
    ASSERT_EQ(Code(CamSim_FailNext("MV_CC_Initialize", 5, MV_E_BUSY)), MV_OK);
    EXPECT_EQ(Code(MV_CC_Initialize()), MV_E_BUSY);
    CamSim_Reset();
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_Initialize"), 0u);
    EXPECT_EQ(Code(MV_CC_Initialize()), MV_OK);
}

}  // namespace
}  // namespace SimTest
