// Reading the model from the camera and writing it back, with the apply passes.
#include <string>

#include "ParameterTestSupport.h"
#include "util/Param.h"

using namespace Util_2_1;

namespace {

// Apply every pending change the way the open sequence does.
bool ApplyAll(CameraParameters& model)
{
    model.MarkAllModified();
    return model.ApplyParameters();
}

bool HostWrite(CameraParameters& model, const CameraParameters::ParamPtr& p, bool& written)
{
    p->SetFlags(FlagModified);
    return model.WriteToCamera(*p, written, true);
}

}  // namespace

TEST_F(ParameterFixture, ApplyWritesChangesAndClearsPendingFlags)
{
    Build(kColourCamera);
    Edit(P("ExposureTime"), "2500");
    Edit(P("Line1_LineInverter"), "true");
    Edit(P("DeviceUserID"), "left");
    Edit(P("PixelFormat"), "BayerRG12");
    EXPECT_TRUE(model->ApplyParameters());
    EXPECT_FLOAT_EQ(CameraFloat("ExposureTime"), 2500.0f);
    EXPECT_EQ(CameraEnum("PixelFormat"), "BayerRG12");
    ASSERT_EQ(MV_CC_SetEnumValueByString(owner.handle, "LineSelector", "Line1"), MV_OK);
    EXPECT_TRUE(CameraBool("LineInverter"));
    ASSERT_EQ(MV_CC_SetEnumValueByString(owner.handle, "LineSelector", "Line0"), MV_OK);
    EXPECT_FALSE(CameraBool("LineInverter"));  // only the composite's own line changed
    for (const auto& p : *model) {
        if (!p->TestFlags(FlagNonCamera)) {
            EXPECT_FALSE(p->TestFlags(FlagModified)) << p->Name();
        }
    }

    // A string that differs only by letter case is a change.
    Edit(P("DeviceUserID"), "LEFT");
    const unsigned int stringWrites = CamSim_GetCallCount("MV_CC_SetStringValue");
    EXPECT_TRUE(model->ApplyParameters());
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_SetStringValue"), stringWrites + 1);
    EXPECT_FALSE(P("DeviceUserID")->TestFlags(FlagModified));
}

TEST_F(ParameterFixture, FloatWithinAThousandthIsNotWritten)
{
    Build(kMonoCamera);
    auto exposure = P("ExposureTime");
    const double camera = CameraFloat("ExposureTime");
    CamSim_ResetCallCounts();
    exposure->SetDouble(camera + 0.0005);
    exposure->SetFlags(FlagModified);
    bool written = true;
    EXPECT_TRUE(model->WriteToCamera(*exposure, written, false));
    EXPECT_FALSE(written);
    EXPECT_FALSE(exposure->TestFlags(FlagModified));
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_SetFloatValue"), 0u);
}

TEST_F(ParameterFixture, RefusedValueIsSentInEveryPassAndStaysPending)
{
    const unsigned int id = AddCamera(kMonoCamera);
    ASSERT_EQ(CamSim_RefuseValue(id, "Gain", "5", MV_E_GC_GENERIC), MV_OK);
    Open();
    ASSERT_TRUE(model->InitParameters());
    CamSim_ResetCallCounts();
    ClearPending();
    Edit(P("Gain"), "5");
    EXPECT_FALSE(model->ApplyParameters());
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_SetFloatValue"), 5u);
    EXPECT_TRUE(P("Gain")->TestFlags(FlagModified));
}

TEST_F(ParameterFixture, WritingADriverOfDependentsMarksThemPending)
{
    Build(kMonoCamera);
    ClearPending();
    Edit(P("GainAuto"), "Continuous");
    bool written = false;
    ASSERT_TRUE(model->WriteToCamera(*P("GainAuto"), written, false));
    EXPECT_TRUE(written);
    // Gain is refreshed (read-only under automatic gain) and pending again.
    EXPECT_TRUE(P("Gain")->TestFlags(FlagModified | FlagReadOnly));
    // The next pass sends Gain only if its value differs: it does not, so nothing is written.
    P("GainAuto")->SetText("Continuous");
    CamSim_ResetCallCounts();
    EXPECT_TRUE(model->ApplyParameters());
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_SetFloatValue"), 0u);
}

TEST_F(ParameterFixture, CompositesAreReadUnderTheirSelectorEntry)
{
    Build(kColourCamera);
    ASSERT_EQ(MV_CC_SetEnumValueByString(owner.handle, "LineSelector", "Line1"), MV_OK);
    ASSERT_EQ(MV_CC_SetFloatValue(owner.handle, "LineDebouncerTime", 42.0f), MV_OK);
    ASSERT_EQ(MV_CC_SetEnumValueByString(owner.handle, "LineSelector", "Line0"), MV_OK);
    auto debouncer = P("Line1_LineDebouncerTime");
    ASSERT_TRUE(model->ReadFromCamera(*debouncer));
    EXPECT_DOUBLE_EQ(debouncer->GetDouble(), 42.0);
    EXPECT_EQ(CameraEnum("LineSelector"), "Line1");
    // A name with "_" whose base is not multiplexed is read under its full name.
    EXPECT_TRUE(model->ReadFromCamera(*P("HDR_Shutter1")));
    auto plain = std::make_shared<ParamInt>("Odd_Width");
    EXPECT_FALSE(model->ReadFromCamera(*plain));
}

TEST_F(ParameterFixture, BalanceRatiosFollowTheWhiteBalanceMode)
{
    Build(kColourCamera);
    auto blue = P("BalanceRatioBlue");
    blue->SetInt(2048);
    bool written = false;
    ASSERT_TRUE(model->WriteToCamera(*blue, written, false));
    EXPECT_FALSE(written);  // the driver's own parameters never count as written
    ASSERT_EQ(MV_CC_SetEnumValueByString(owner.handle, "BalanceRatioSelector", "Blue"), MV_OK);
    EXPECT_EQ(CameraInt("BalanceRatio"), 2048);

    ASSERT_EQ(MV_CC_SetEnumValueByString(owner.handle, "BalanceWhiteAuto", "Continuous"), MV_OK);
    ASSERT_TRUE(model->ReadFromCamera(*blue));
    EXPECT_TRUE(blue->TestFlags(FlagReadOnly));
    blue->SetInt(1000);
    CamSim_ResetCallCounts();
    ASSERT_TRUE(model->WriteToCamera(*blue, written, false));
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_SetIntValueEx"), 0u);
}

TEST_F(ParameterFixture, LockedWhileGrabbingSkippedByApplyButWrittenByTheHost)
{
    Build(kMonoCamera);
    ASSERT_EQ(MV_CC_StartGrabbing(owner.handle), MV_OK);
    owner.grabbing = true;
    model->UpdateParameters();
    auto width = P("Width");
    EXPECT_TRUE(width->TestFlags(FlagReadOnly));
    Edit(width, "640");
    EXPECT_TRUE(model->ApplyParameters());
    EXPECT_EQ(CameraInt("Width"), 1280);
    EXPECT_EQ(owner.pauses, 0);

    bool written = false;
    EXPECT_TRUE(HostWrite(*model, width, written));
    EXPECT_TRUE(written);
    EXPECT_EQ(CameraInt("Width"), 640);
    EXPECT_EQ(owner.pauses, 1);
    EXPECT_EQ(owner.resumes, 1);
    EXPECT_TRUE(owner.grabbing);

    // A writable node does not pause.
    Edit(P("ExposureTime"), "3000");
    EXPECT_TRUE(HostWrite(*model, P("ExposureTime"), written));
    EXPECT_EQ(owner.pauses, 1);
}

TEST_F(ParameterFixture, ColourMatrixUsesTheInvertedEnableAndTheValueSelector)
{
    AddCamera(kColourCamera);
    Open();
    ASSERT_EQ(MV_CC_SetEnumValue(owner.handle, "ColorTransformationValueSelector", 5), MV_OK);
    ASSERT_EQ(MV_CC_SetFloatValue(owner.handle, "ColorTransformationValue", 0.25f), MV_OK);
    ASSERT_EQ(MV_CC_SetBoolValue(owner.handle, "ColorTransformationEnable", 1), MV_OK);
    ASSERT_TRUE(model->InitParameters());
    // The model starts from the camera's own matrix, not from an identity of its own.
    EXPECT_DOUBLE_EQ(P("ccm_12")->GetDouble(), 0.25);
    EXPECT_DOUBLE_EQ(P("ccm_11")->GetDouble(), 1.0);
    // The camera's true reads as false: matrix off, hue and saturation editable.
    EXPECT_FALSE(P("ColorTransformationEnable")->GetBool());
    EXPECT_TRUE(P("ccm_12")->TestFlags(FlagUnavailable | FlagReadOnly));
    EXPECT_FALSE(P("Hue")->TestFlags(FlagUnavailable));
    EXPECT_FALSE(P("SaturationEnable")->TestFlags(FlagReadOnly));

    // A matrix element is not sent while the matrix is off.
    bool written = false;
    P("ccm_12")->SetDouble(0.5);
    CamSim_ResetCallCounts();
    ASSERT_TRUE(model->WriteToCamera(*P("ccm_12"), written, false));
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_SetFloatValue"), 0u);

    auto enable = P("ColorTransformationEnable");
    enable->SetBool(true);
    ASSERT_TRUE(model->WriteToCamera(*enable, written, false));
    EXPECT_FALSE(CameraBool("ColorTransformationEnable"));
    ASSERT_TRUE(model->ReadFromCamera(*enable));
    EXPECT_TRUE(enable->GetBool());
    EXPECT_FALSE(P("ccm_12")->TestFlags(FlagUnavailable));
    EXPECT_TRUE(P("Hue")->TestFlags(FlagUnavailable | FlagReadOnly));

    ASSERT_TRUE(model->WriteToCamera(*P("ccm_12"), written, false));
    MvEnumValue selector{};
    ASSERT_EQ(MV_CC_GetEnumValue(owner.handle, "ColorTransformationValueSelector", &selector), MV_OK);
    EXPECT_EQ(selector.nCurValue, 5u);
    EXPECT_FLOAT_EQ(CameraFloat("ColorTransformationValue"), 0.5f);

    // Read back through the selector.
    P("ccm_12")->SetDouble(0.0);
    ASSERT_TRUE(model->ReadWrite_CCM(*P("ccm_12"), true));
    EXPECT_DOUBLE_EQ(P("ccm_12")->GetDouble(), 0.5);
}

TEST_F(ParameterFixture, HdrValuesGoThroughTheSelectorAndEitherSpelling)
{
    Build(kMonoCamera);  // spells HDRShuter, has no HDRGain
    auto shutter = P("HDR_Shutter2");
    ASSERT_TRUE(model->ReadFromCamera(*shutter));
    EXPECT_TRUE(shutter->TestFlags(FlagUnavailable));  // HDR off: the camera is not asked

    auto enable = P("HDREnable");
    Edit(enable, "true");
    bool written = false;
    ASSERT_TRUE(model->WriteToCamera(*enable, written, false));
    // The HDR parameters follow the switch and are pending.
    EXPECT_FALSE(shutter->TestFlags(FlagUnavailable));
    EXPECT_TRUE(shutter->TestFlags(FlagModified));

    shutter->SetInt(777);
    ASSERT_TRUE(model->WriteToCamera(*shutter, written, false));
    ASSERT_EQ(MV_CC_SetIntValueEx(owner.handle, "HDRSelector", 2), MV_OK);
    EXPECT_EQ(CameraInt("HDRShuter"), 777);
    ASSERT_EQ(MV_CC_SetIntValueEx(owner.handle, "HDRSelector", 1), MV_OK);
    EXPECT_NE(CameraInt("HDRShuter"), 777);

    shutter->SetInt(1);
    ASSERT_TRUE(model->ReadFromCamera(*shutter));
    EXPECT_EQ(shutter->GetInt(), 777);
}

TEST_F(ParameterFixture, HdrGainWithHdrOffLeavesTheCameraAlone)
{
    Build(kColourCamera);
    auto gain = P("HDR_Gain2");
    CamSim_ResetCallCounts();
    ASSERT_TRUE(model->ReadFromCamera(*gain));
    EXPECT_TRUE(gain->TestFlags(FlagUnavailable));
    EXPECT_EQ(CamSim_GetCallCount("MV_CC_SetIntValueEx"), 0u);

    ASSERT_EQ(MV_CC_SetBoolValue(owner.handle, "HDREnable", 1), MV_OK);
    gain->SetDouble(6.0);
    bool written = false;
    ASSERT_TRUE(model->WriteToCamera(*gain, written, false));
    ASSERT_EQ(MV_CC_SetIntValueEx(owner.handle, "HDRSelector", 2), MV_OK);
    EXPECT_FLOAT_EQ(CameraFloat("HDRGain"), 6.0f);
}

TEST_F(ParameterFixture, BayerSwitchGovernsItsParameterAfterUpdate)
{
    Build(kColourCamera);
    P("UseBayerGamma")->SetBool(true);
    model->UpdateParameters();
    EXPECT_FALSE(P("BayerGamma")->TestFlags(FlagUnavailable));
    P("UseBayerGamma")->SetBool(false);
    model->UpdateParameters();
    EXPECT_TRUE(P("BayerGamma")->TestFlags(FlagUnavailable | FlagReadOnly));
    // The switches and their values never reach the camera.
    CamSim_ResetCallCounts();
    ApplyAll(*model);
    FlushGlobalLog();
    EXPECT_EQ(GlobalLog().Count("for BayerGamma"), 0u);
}

TEST_F(ParameterFixture, QueriesTheCameraUses)
{
    Build(kColourCamera);
    EXPECT_FALSE(model->IsSyncContinousMode());
    EXPECT_EQ(model->GetCameraBufferCount(), 3);
    EXPECT_FALSE(model->IsSingleFrameMode());
    P("AcquisitionMode")->SetText("singleframe");
    EXPECT_TRUE(model->IsSingleFrameMode());
    EXPECT_FALSE(model->IsCompressionOn());
    ASSERT_EQ(MV_CC_SetEnumValueByString(owner.handle, "ImageCompressionMode", "HB"), MV_OK);
    EXPECT_TRUE(model->IsCompressionOn());
}
