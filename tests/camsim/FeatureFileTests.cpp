// Feature files: saving every readable and writable value, loading them into a camera of the
// same model, refusing files of another model.
#include <fstream>
#include <sstream>

#include "StreamSupport.h"

namespace SimTest {
namespace {

class FeatureFiles : public SimFixture {
protected:
    static std::string Read(const std::string& path)
    {
        std::ifstream file(path, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    static float FloatOf(void* handle, const char* name)
    {
        MvFloatValue value{};
        EXPECT_EQ(Code(MV_CC_GetFloatValue(handle, name, &value)), MV_OK) << name;
        return value.fCurValue;
    }
};

TEST_F(FeatureFiles, SavedValuesLoadIntoAnotherCameraOfTheModel)
{
    ASSERT_EQ(Code(CamSim_LoadConfig("usb:SIM-C:C1:bayer_rg; usb:SIM-C:C2:bayer_rg", nullptr)), MV_OK);
    void* source = OpenHandle(0);
    void* target = OpenHandle(1);
    ASSERT_NE(source, nullptr);
    ASSERT_NE(target, nullptr);
    // Values that depend on each other: binning limits the width, the enable the frame rate.
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(source, "Width", 800)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(source, "OffsetX", 16)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetBoolValue(source, "AcquisitionFrameRateEnable", 1)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetFloatValue(source, "AcquisitionFrameRate", 12.5f)), MV_OK);
    ASSERT_EQ(SetEnum(source, "PixelFormat", "BayerRG12Packed"), MV_OK);
    ASSERT_EQ(SetEnum(source, "BalanceRatioSelector", "Blue"), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(source, "BalanceRatio", 2304)), MV_OK);  // 2.25 in 1/1024ths
    ASSERT_EQ(SetEnum(source, "BalanceRatioSelector", "Green"), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetStringValue(source, "DeviceUserID", " left cam ")), MV_OK);
    ASSERT_EQ(SetEnum(source, "UserSetDefault", "UserSet1"), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(target, "BinningHorizontal", 4)), MV_OK);  // width max 612

    const std::string path = ::testing::TempDir() + "camsim_features.txt";
    ASSERT_EQ(Code(MV_CC_FeatureSave(source, path.c_str())), MV_OK);
    const std::string text = Read(path);
    EXPECT_NE(text.find("@model SIM-C\n"), std::string::npos);
    EXPECT_NE(text.find("Width = 800\n"), std::string::npos);
    EXPECT_NE(text.find("BalanceRatio[Blue] = 2304\n"), std::string::npos);
    EXPECT_NE(text.find("PixelFormat = BayerRG12Packed\n"), std::string::npos);
    EXPECT_EQ(text.find("PayloadSize"), std::string::npos);  // read-only
    EXPECT_EQ(text.find("DeviceSerialNumber"), std::string::npos);
    EXPECT_EQ(text.find("\nAcquisitionStart ="), std::string::npos);  // commands hold no value
    EXPECT_NE(text.find("EventNotification[AcquisitionStart] = Off\n"), std::string::npos);

    ASSERT_EQ(Code(MV_CC_FeatureLoad(target, path.c_str())), MV_OK);
    EXPECT_EQ(IntOf(target, "Width"), 800);
    EXPECT_EQ(IntOf(target, "OffsetX"), 16);
    EXPECT_EQ(IntOf(target, "BinningHorizontal"), 1);
    EXPECT_FLOAT_EQ(FloatOf(target, "AcquisitionFrameRate"), 12.5f);
    ASSERT_EQ(SetEnum(target, "BalanceRatioSelector", "Blue"), MV_OK);
    EXPECT_EQ(IntOf(target, "BalanceRatio"), 2304);
    MvEnumValue value{};
    ASSERT_EQ(Code(MV_CC_GetEnumValue(target, "UserSetDefault", &value)), MV_OK);
    EXPECT_EQ(value.nCurValue, 1u);
    ASSERT_EQ(Code(MV_CC_GetEnumValue(target, "PixelFormat", &value)), MV_OK);
    EXPECT_EQ(value.nCurValue, static_cast<uint32_t>(PixelType_BayerRG12_Packed));
    MvXmlFeatureString id{};
    MvXmlNode node{};
    node.enType = IFT_IString;
    std::snprintf(node.strName, sizeof node.strName, "DeviceUserID");
    ASSERT_EQ(Code(MV_XML_GetNodeFeature(target, &node, &id)), MV_OK);
    EXPECT_EQ(Text(id.strValue), " left cam ");
}

TEST_F(FeatureFiles, OtherModelsBadFilesAndArguments)
{
    void* mono = OpenHandle(0);
    void* colour = OpenHandle(1);
    ASSERT_NE(mono, nullptr);
    ASSERT_NE(colour, nullptr);
    const std::string path = ::testing::TempDir() + "camsim_mono_features.txt";
    ASSERT_EQ(Code(MV_CC_FeatureSave(mono, path.c_str())), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(colour, "Width", 640)), MV_OK);
    EXPECT_EQ(Code(MV_CC_FeatureLoad(colour, path.c_str())), MV_E_VERSION);
    EXPECT_EQ(IntOf(colour, "Width"), 640);  // nothing changed

    const std::string notOurs = WriteTempFile("camsim_not_features.txt", "Width = 640\n");
    EXPECT_EQ(Code(MV_CC_FeatureLoad(mono, notOurs.c_str())), MV_E_PARAMETER);
    // Lines that cannot be applied fail the load; the others are still applied.
    const std::string partly =
        WriteTempFile("camsim_partly.txt", "# x\r\n@model SIM-GM130\r\nNoSuchNode = 1\r\nWidth = 640\r\n");
    EXPECT_EQ(Code(MV_CC_FeatureLoad(mono, partly.c_str())), MV_E_GC_PROPERTY);
    EXPECT_EQ(IntOf(mono, "Width"), 640);
    const std::string badValue = WriteTempFile("camsim_bad_value.txt", "@model SIM-GM130\nWidth = wide\n");
    EXPECT_EQ(Code(MV_CC_FeatureLoad(mono, badValue.c_str())), MV_E_PARAMETER);

    EXPECT_EQ(Code(MV_CC_FeatureLoad(mono, (::testing::TempDir() + "camsim_none/x.txt").c_str())), MV_E_OPENFILE);
    EXPECT_EQ(Code(MV_CC_FeatureSave(mono, (::testing::TempDir() + "camsim_none/x.txt").c_str())), MV_E_OPENFILE);
    EXPECT_EQ(Code(MV_CC_FeatureSave(mono, nullptr)), MV_E_PARAMETER);
    EXPECT_EQ(Code(MV_CC_FeatureLoad(mono, "")), MV_E_PARAMETER);
    EXPECT_EQ(Code(MV_CC_FeatureSave(nullptr, path.c_str())), MV_E_HANDLE);
    void* closed = CreateHandle(0);
    EXPECT_EQ(Code(MV_CC_FeatureSave(closed, path.c_str())), MV_E_CALLORDER);
    EXPECT_EQ(Code(MV_CC_FeatureLoad(closed, path.c_str())), MV_E_CALLORDER);
}

}  // namespace
}  // namespace SimTest
