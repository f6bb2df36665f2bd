// Faults of one camera set through the control interface: a slow opening, a value the camera
// refuses, a camera someone else has open.
#include "StreamSupport.h"

namespace SimTest {
namespace {

using CameraFaults = SimFixture;

TEST_F(CameraFaults, OpeningTakesTheGivenTime)
{
    void* handle = CreateHandle(0);
    ASSERT_NE(handle, nullptr);
    const unsigned int id = Device(0).id;
    ASSERT_EQ(Code(CamSim_SetOpenDelay(id, 80)), MV_OK);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Code(MV_CC_OpenDevice(handle, 1, 0)), MV_OK);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(80));
    EXPECT_EQ(Code(CamSim_SetOpenDelay(0, 80)), MV_E_PARAMETER);
}

TEST_F(CameraFaults, RefusedValuesAnswerTheGivenStatusAndChangeNothing)
{
    void* mono = OpenHandle(0);
    ASSERT_NE(mono, nullptr);
    const unsigned int id = Device(0).id;
    ASSERT_EQ(Code(CamSim_RefuseValue(id, "Width", "640", MV_E_GC_RANGE)), MV_OK);
    ASSERT_EQ(Code(CamSim_RefuseValue(id, "ExposureTime", "5000.5", MV_E_BUSY)), MV_OK);
    ASSERT_EQ(Code(CamSim_RefuseValue(id, "PixelFormat", "Mono12", MV_E_GC_ACCESS)), MV_OK);
    ASSERT_EQ(Code(CamSim_RefuseValue(id, "GammaEnable", "true", MV_E_GC_GENERIC)), MV_OK);
    ASSERT_EQ(Code(CamSim_RefuseValue(id, "DeviceUserID", "left", MV_E_GC_ARGUMENT)), MV_OK);
    ASSERT_EQ(Code(CamSim_RefuseValue(id, "UserSetLoad", "*", MV_E_GC_TIMEOUT)), MV_OK);

    EXPECT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 640)), MV_E_GC_RANGE);
    EXPECT_EQ(IntOf(mono, "Width"), 1280);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 644)), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetFloatValue(mono, "ExposureTime", 5000.5f)), MV_E_BUSY);
    EXPECT_EQ(Code(MV_CC_SetFloatValue(mono, "ExposureTime", 5000.0f)), MV_OK);
    EXPECT_EQ(SetEnum(mono, "PixelFormat", "Mono12"), MV_E_GC_ACCESS);
    EXPECT_EQ(Code(MV_CC_SetEnumValue(mono, "PixelFormat", PixelType_Mono12)), MV_E_GC_ACCESS);
    EXPECT_EQ(SetEnum(mono, "PixelFormat", "Mono10"), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetBoolValue(mono, "GammaEnable", 1)), MV_E_GC_GENERIC);
    EXPECT_EQ(Code(MV_CC_SetBoolValue(mono, "GammaEnable", 0)), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetStringValue(mono, "DeviceUserID", "left")), MV_E_GC_ARGUMENT);
    EXPECT_EQ(Code(MV_CC_SetStringValue(mono, "DeviceUserID", "right")), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetCommandValue(mono, "UserSetLoad")), MV_E_GC_TIMEOUT);
    // Access and range still come first.
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 641)), MV_E_GC_RANGE);

    ASSERT_EQ(Code(CamSim_ClearRefusals(id)), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 640)), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetCommandValue(mono, "UserSetLoad")), MV_OK);

    EXPECT_EQ(Code(CamSim_RefuseValue(0, "Width", "640", MV_E_BUSY)), MV_E_PARAMETER);
    EXPECT_EQ(Code(CamSim_RefuseValue(id, nullptr, "640", MV_E_BUSY)), MV_E_PARAMETER);
    EXPECT_EQ(Code(CamSim_RefuseValue(id, "Width", nullptr, MV_E_BUSY)), MV_E_PARAMETER);
    EXPECT_EQ(Code(CamSim_RefuseValue(id, "Width", "640", MV_OK)), MV_E_PARAMETER);
    EXPECT_EQ(Code(CamSim_ClearRefusals(0)), MV_E_PARAMETER);
}

// Set before the first opening, a refusal applies from then on; a refused acquisition start
// fails the start of grabbing.
TEST_F(CameraFaults, RefusalsBeforeOpeningAndAtGrabbing)
{
    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    const unsigned int id = Device(0).id;
    ASSERT_EQ(Code(CamSim_RefuseValue(id, "AcquisitionStart", "*", MV_E_BUSY)), MV_OK);
    void* mono = OpenHandle(0);
    ASSERT_NE(mono, nullptr);
    EXPECT_EQ(Code(MV_CC_StartGrabbing(mono)), MV_E_BUSY);
    EXPECT_EQ(Code(MV_CC_StopGrabbing(mono)), MV_E_CALLORDER);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 640)), MV_OK);  // nothing was locked
}

TEST_F(CameraFaults, CameraOpenedElsewhereRefusesAccess)
{
    void* handle = CreateHandle(0);
    ASSERT_NE(handle, nullptr);
    const unsigned int id = Device(0).id;
    ASSERT_EQ(Code(CamSim_SetOpenedElsewhere(id, 1)), MV_OK);
    EXPECT_EQ(Code(MV_CC_OpenDevice(handle, 1, 0)), MV_E_ACCESS_DENIED);
    ASSERT_EQ(Code(CamSim_SetOpenedElsewhere(id, 0)), MV_OK);
    EXPECT_EQ(Code(MV_CC_OpenDevice(handle, 1, 0)), MV_OK);
    EXPECT_EQ(Code(CamSim_SetOpenedElsewhere(0, 1)), MV_E_PARAMETER);
}

}  // namespace
}  // namespace SimTest
