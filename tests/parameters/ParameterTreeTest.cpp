// Building the parameter model from a camera's node map.
#include <string>

#include "ParameterTestSupport.h"
#include "util/Param.h"

using namespace Util_2_1;

namespace {

// A camera whose node map takes every branch of the walk: odd access modes, skipped node
// kinds, a node listed under two categories, binning after Width, HDR with the other spelling
// and an unimplemented gain, ignored and invisible categories, a leaf directly under Root.
const char* const kOddModel = R"(
integer StrayLeaf 0 10 1 0
category ImageFormatControl
  integer Width 16 640 16 320
    description Width in the first category
  integer Height 16 480 2 240
  enumeration PixelFormat Mono8 Mono8=0x01080001 Mono12=0x01100005
  integer BinningHorizontal 1 4 1 1
  integer DecimationVertical 1 2 1 1
category AcquisitionControl
  boolean HDREnable false
  integer HDRSelector 0 3 1 0
  integer HDRShuter 15 100000 1 1000
    selected-by HDRSelector
    writable-when HDREnable true
  float HDRGain 0 24 0
    access ni
category Odd
  integer UndefinedNode 0 10 1 0
    access undefined
  integer StrangeNode 0 10 1 0
    access 7
  integer MissingNode 0 10 1 0
    access ni
  integer WriteOnlyNode 0 10 1 0
    access wo
  integer ReadOnlyNode 0 10 1 0
    access ro
  integer HiddenNode 0 10 1 0
    visibility invisible
  register Lut 0x2000 16
  subcategory Inner
    integer InnerValue 0 10 1 0
  end
  integer DeviceLinkSelector 0 1 1 0
  command DoIt
    tooltip Does it.
  reference Width
category Secret
  visibility invisible
  integer SecretValue 0 1 1 0
category EventControl
  integer EventThing 0 1 1 0
)";

}  // namespace

TEST_F(ParameterFixture, GeneralSettingsComeFirstWithTheirDefaults)
{
    CamSim_SetSdkVersion(0x04030201u);
    Build(kMonoCamera);
    EXPECT_EQ(P("DrvVersion")->GetTextString(), "1.0.4.53");
    EXPECT_EQ(P("SdkVersion")->GetTextString(), "4.3.2.1");
    EXPECT_TRUE(P("SdkVersion")->TestFlags(FlagGeneral | FlagReadOnly | FlagNoSave | FlagNonCamera));
    EXPECT_TRUE(P("LogLevel")->TestFlags(FlagGeneral | FlagNoSave | FlagHidden));
    EXPECT_EQ(P("LogLevel")->Maximum().i64, 3);
    EXPECT_EQ(P("CameraBufferCount")->GetInt(), 3);
    EXPECT_EQ(P("CameraBufferCount")->Maximum().i64, 50);
    EXPECT_TRUE(P("ReconnectOnLoss")->GetBool());
    EXPECT_EQ(P("ReconnectTryCount")->GetInt(), 0);
    EXPECT_NE(P("lib_Favourites")->GetTextString().find("ExposureTime Gain Brightness"), std::string::npos);

    auto colour = P("ForceColorMode");
    EXPECT_EQ(colour->GetTextString(), "auto");
    ASSERT_EQ(colour->GetEnumCount(), 3);
    EXPECT_EQ(colour->GetEnumEntry(2).name, "color");

    // The reconnect wait keeps fractions although it is an integer parameter.
    auto wait = P("ReconnectWaitSeconds");
    EXPECT_DOUBLE_EQ(wait->GetDouble(), 10.0);
    EXPECT_EQ(wait->Unit(), "s");
    wait->SetDouble(1.5);
    EXPECT_DOUBLE_EQ(wait->GetDouble(), 1.5);

    // General settings precede every camera parameter.
    EXPECT_LT(IndexOf("ReconnectWaitSeconds"), IndexOf("DeviceVendorName"));
}

TEST_F(ParameterFixture, DefaultColourCameraGetsTheDriversOwnParameters)
{
    Build(kColourCamera);
    // Selector category: one parameter per line, none for the selector or the bare node.
    for (const char* name : {"Line0_LineMode", "Line1_LineMode", "Line2_LineMode", "Line1_LineDebouncerTime"}) {
        EXPECT_NE(model->Find(name), nullptr) << name;
    }
    EXPECT_EQ(model->Find("LineSelector"), nullptr);
    EXPECT_EQ(model->Find("LineMode"), nullptr);
    EXPECT_EQ(model->SelectorOfNode().at("LineMode"), "LineSelector");
    EXPECT_EQ(P("Line2_LineMode")->Section(), "DigitalIOControl");

    // Bayer conversion settings in ImageFormatControl, governed ones unavailable while off.
    for (const char* name : {"UseBayerGamma", "BayerGamma", "UseBayerCvtQuality", "BayerCvtQuality", "UseBayerMatrix",
                             "BayerMatrixScale", "BayerMatrixRow0", "BayerMatrixRow1", "BayerMatrixRow2"}) {
        auto p = P(name);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->Section(), "ImageFormatControl") << name;
        EXPECT_TRUE(p->TestFlags(FlagNonCamera)) << name;
    }
    EXPECT_DOUBLE_EQ(P("BayerGamma")->GetDouble(), 1.0);
    EXPECT_EQ(P("BayerMatrixRow1")->GetTextString(), "0 1 0");
    EXPECT_TRUE(P("BayerGamma")->TestFlags(FlagUnavailable | FlagReadOnly));

    // White balance ratios with the camera's range; the camera nodes behind them are hidden.
    auto red = P("BalanceRatioRed");
    EXPECT_EQ(red->Section(), "AnalogControl");
    EXPECT_EQ(red->GetInt64(), CameraInt("BalanceRatio"));
    EXPECT_GT(red->Maximum().i64, red->Minimum().i64);
    for (const char* hidden : {"BalanceRatio", "BalanceRatioSelector", "HDRSelector", "HDRShutter", "HDRGain",
                               "ColorTransformationValue", "ColorTransformationValueSelector", "UserSetSelector"}) {
        EXPECT_EQ(model->Find(hidden), nullptr) << hidden;
    }

    // HDR with gain: the colour camera has HDRGain.
    for (const char* name : {"HDR_Shutter0", "HDR_Shutter3", "HDR_Gain0", "HDR_Gain3"}) {
        EXPECT_NE(model->Find(name), nullptr) << name;
    }
    // Colour matrix after the transformation selector, nine elements.
    EXPECT_EQ(IndexOf("ColorTransformationEnable"), IndexOf("ColorTransformationSelector") + 1);
    EXPECT_EQ(IndexOf("ccm_22"), IndexOf("ccm_00") + 8);

    // The camera's binning comes after Width in its node map, but stands before it here.
    EXPECT_LT(IndexOf("BinningHorizontal"), IndexOf("Width"));
    EXPECT_LT(IndexOf("DecimationVertical"), IndexOf("Width"));

    // Ignored and invisible categories.
    EXPECT_EQ(model->Find("EventSelector"), nullptr);
    EXPECT_EQ(model->Find("SimRegisterSelector"), nullptr);

    // Commands: read-only placeholders that say how to invoke them.
    auto start = P("AcquisitionStart");
    EXPECT_TRUE(model->IsCommand("AcquisitionStart"));
    EXPECT_TRUE(start->TestFlags(FlagReadOnly));
    EXPECT_EQ(start->GetTextString(), "this is a command");
    EXPECT_NE(start->Description().find("\nInvoke this command from python script: setProperty('AcquisitionStart', 1)"),
              std::string::npos);
}

TEST_F(ParameterFixture, MonoGigECameraHasAddressesAndNoColourParameters)
{
    Build(kMonoCamera);
    auto ip = P("GevCurrentIPAddress");
    EXPECT_EQ(ip->Type(), TypeIP);
    EXPECT_EQ(ip->GetTextString(), "10.0.0.5");
    EXPECT_EQ(P("GevSCDA")->Type(), TypeIP);
    EXPECT_TRUE(P("GevPersistentIPAddress")->TestFlags(FlagReadOnly));  // writable on the camera
    EXPECT_TRUE(P("GevMCDA")->TestFlags(FlagNoSave));
    EXPECT_TRUE(P("GevMCSP")->TestFlags(FlagNoSave));
    EXPECT_EQ(P("GevMACAddress")->GetTextString().compare(0, 2, "0x"), 0);

    EXPECT_FALSE(model->BayerSeen());
    EXPECT_EQ(model->Find("UseBayerGamma"), nullptr);
    EXPECT_EQ(model->Find("BalanceRatioRed"), nullptr);
    EXPECT_EQ(model->Find("ccm_00"), nullptr);
    // HDR shutters, but no gains: the mono camera has no HDRGain node.
    EXPECT_NE(model->Find("HDR_Shutter2"), nullptr);
    EXPECT_EQ(model->Find("HDR_Gain2"), nullptr);
}

TEST_F(ParameterFixture, OddNodeMapTakesEveryBranch)
{
    Build("usb:ODD:O1:mono", kOddModel);

    // A node listed twice: one parameter; the later category's section and description win.
    auto width = P("Width");
    EXPECT_EQ(width->Section(), "Odd");
    size_t widths = 0;
    for (const auto& p : *model) widths += p->Name() == "Width" ? 1 : 0;
    EXPECT_EQ(widths, 1u);

    EXPECT_LT(IndexOf("BinningHorizontal"), IndexOf("Width"));
    EXPECT_LT(IndexOf("DecimationVertical"), IndexOf("Width"));

    // Access modes the camera reports.
    EXPECT_TRUE(P("UndefinedNode")->TestFlags(FlagUnavailable | FlagReadOnly));
    EXPECT_FALSE(P("UndefinedNode")->TestFlags(FlagHidden));
    auto strange = P("StrangeNode");
    EXPECT_FALSE(strange->TestFlags(FlagUnavailable));
    EXPECT_FALSE(strange->TestFlags(FlagHidden));
    EXPECT_EQ(model->Find("MissingNode"), nullptr);
    EXPECT_TRUE(P("WriteOnlyNode")->TestFlags(FlagHidden));
    EXPECT_FALSE(P("WriteOnlyNode")->TestFlags(FlagReadOnly));
    EXPECT_TRUE(P("ReadOnlyNode")->TestFlags(FlagReadOnly));

    // Skipped kinds and names.
    for (const char* absent : {"StrayLeaf", "HiddenNode", "Lut", "Inner", "InnerValue", "DeviceLinkSelector",
                               "SecretValue", "EventThing", "HDRShuter", "HDRSelector"}) {
        EXPECT_EQ(model->Find(absent), nullptr) << absent;
    }

    EXPECT_EQ(P("DoIt")->Description(), "Does it.\nInvoke this command from python script: setProperty('DoIt', 1)");

    // HDR shutters; no gains, because HDRGain is not implemented.
    EXPECT_NE(model->Find("HDR_Shutter0"), nullptr);
    EXPECT_EQ(model->Find("HDR_Gain0"), nullptr);
    EXPECT_TRUE(model->HdrEnableSeen());
    EXPECT_FALSE(model->HdrGainSeen());
}

TEST_F(ParameterFixture, SdkFailuresFailTheBuildWithTheirMessage)
{
    struct Case {
        const char* operation;
        unsigned int skip;
        const char* message;
    };
    const Case cases[] = {
        {"MV_XML_GetRootNode", 0, "InitParameters: get root node error"},
        {"MV_XML_GetChildren", 0, "InitParameters: could not obtain node list below root"},
        {"MV_XML_GetChildren", 1, "Could not get node list for category DeviceControl"},
        {"MV_XML_GetNodeFeature", 0, "Could not get feature for DeviceVendorName"},
    };
    AddCamera(kMonoCamera);
    for (const Case& c : cases) {
        Open();
        CamSimFault fault{c.operation, CAMSIM_FAULT_STATUS, c.skip, 1, MV_E_NETWORK};
        ASSERT_EQ(CamSim_AddFault(&fault), MV_OK);
        EXPECT_FALSE(model->InitParameters()) << c.operation;
        FlushGlobalLog();
        EXPECT_GE(GlobalLog().Count(c.message), 1u) << c.message;
        CamSim_ClearFaults();
        Close();
    }
}

TEST_F(ParameterFixture, SelectorEntryThatFailsIsSkippedNotFatal)
{
    Build(kColourCamera);
    const size_t before = model->Count();
    // A second build of the same camera reuses every parameter.
    ASSERT_TRUE(model->InitParameters());
    EXPECT_EQ(model->Count(), before);
}

TEST(PropertyNames, HostAliasesMapToNodesWhateverTheCase)
{
    EXPECT_EQ(CameraParameters::PropertyToNodeName("SHUTTER"), "ExposureTime");
    EXPECT_EQ(CameraParameters::PropertyToNodeName("shuter"), "ExposureTime");
    EXPECT_EQ(CameraParameters::PropertyToNodeName("Exposure"), "ExposureTime");
    EXPECT_EQ(CameraParameters::PropertyToNodeName("frameRate"), "AcquisitionFrameRate");
    EXPECT_EQ(CameraParameters::PropertyToNodeName("Gain"), "Gain");
}
