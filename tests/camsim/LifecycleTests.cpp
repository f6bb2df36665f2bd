// Initialization, finalization and the SDK version, as the driver meets them.
#include "SimTestSupport.h"

namespace SimTest {
namespace {

using Lifecycle = SimFixture;

TEST_F(Lifecycle, CallOrderIsEnforced)
{
    MvDeviceInfoList list{};
    EXPECT_EQ(Code(MV_CC_Finalize()), MV_E_CALLORDER);
    EXPECT_EQ(Code(MV_CC_EnumDevices(MV_GIGE_DEVICE | MV_USB_DEVICE, &list)), MV_E_CALLORDER);

    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    EXPECT_EQ(Code(MV_CC_EnumDevices(MV_GIGE_DEVICE | MV_USB_DEVICE, &list)), MV_OK);
    EXPECT_EQ(Code(MV_CC_EnumDevices(MV_GIGE_DEVICE, nullptr)), MV_E_PARAMETER);
    EXPECT_EQ(Code(MV_CC_Finalize()), MV_OK);

    EXPECT_EQ(Code(MV_CC_EnumDevices(MV_GIGE_DEVICE | MV_USB_DEVICE, &list)), MV_E_CALLORDER);
    EXPECT_EQ(Code(MV_CC_Finalize()), MV_E_CALLORDER);
}

TEST_F(Lifecycle, InitializeIsCountedAndNeedsAsManyFinalizes)
{
    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    EXPECT_EQ(CamSim_GetInitCount(), 2u);

    EXPECT_EQ(Code(MV_CC_Finalize()), MV_OK);
    EXPECT_EQ(CamSim_GetInitCount(), 1u);
    EXPECT_EQ(Enumerate(MV_GIGE_DEVICE | MV_USB_DEVICE).size(), 2u);

    EXPECT_EQ(Code(MV_CC_Finalize()), MV_OK);
    EXPECT_EQ(CamSim_GetInitCount(), 0u);
    EXPECT_EQ(Code(MV_CC_Finalize()), MV_E_CALLORDER);
}

TEST_F(Lifecycle, SdkVersionIsFixedAndNeedsNoInitialize)
{
    const unsigned int version = MV_CC_GetSDKVersion();
    EXPECT_EQ(version, 0x04050100u);
    EXPECT_EQ(version >> 24, 4u);  // major, minor, revision, build: one byte each
    EXPECT_EQ((version >> 16) & 0xFFu, 5u);
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_GetSDKVersion"), 1u);

    CamSim_SetSdkVersion(0x03000000u);
    EXPECT_EQ(MV_CC_GetSDKVersion(), 0x03000000u);
    CamSim_Reset();
    EXPECT_EQ(MV_CC_GetSDKVersion(), 0x04050100u);
}

// Reset belongs to the tests; whoever initialized the SDK still owns that initialization.
TEST_F(Lifecycle, ResetLeavesInitializationAlone)
{
    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    CamSim_Reset();
    EXPECT_EQ(CamSim_GetInitCount(), 1u);
    EXPECT_EQ(Enumerate(MV_GIGE_DEVICE | MV_USB_DEVICE).size(), 2u);
    EXPECT_EQ(Code(MV_CC_Finalize()), MV_OK);
}

}  // namespace
}  // namespace SimTest
