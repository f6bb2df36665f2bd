// Feature files from the Aravis backend in the simulator's documented format: the values that
// are readable and writable, by name, in the description's order; loading checks the model,
// applies the lines and answers the first failure.
#include <fstream>
#include <sstream>
#include <string>

#include "BackendTestSupport.h"
#include "support/TempDir.h"

using namespace AravisTest;

namespace {

const testing::Environment* const loopback = testing::AddGlobalTestEnvironment(new LoopbackEnvironment);

class FeatureFileTest : public SdkTest {
protected:
    std::string Lines(const std::string& file) { return dir.Read(file); }

    static bool HasLine(const std::string& text, const std::string& line)
    {
        return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
    }

    std::string Enum(void* h, const char* name)
    {
        MvEnumValue value{};
        EXPECT_EQ(Code(MV_CC_GetEnumValue(h, name, &value)), MV_OK);
        MvEnumEntry entry{};
        entry.nValue = value.nCurValue;
        EXPECT_EQ(Code(MV_CC_GetEnumEntrySymbolic(h, name, &entry)), MV_OK);
        return Text(entry.chSymbolic);
    }

    TempDir dir;
};

}  // namespace

TEST_F(FeatureFileTest, SaveWritesTheWritableValuesInTheSimulatorsFormat)
{
    void* h = OpenEmulator();
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(h, "Width", 300)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetFloatValue(h, "ExposureTimeAbs", 1500.0f)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(h, "TriggerMode", "On")), MV_OK);
    ASSERT_EQ(Code(MV_CC_FeatureSave(h, dir.File("camera.txt").c_str())), MV_OK);
    const std::string text = Lines("camera.txt");
    EXPECT_EQ(text.rfind("# Ornic aravis feature file\n@model Fake\n", 0), 0u) << text;
    EXPECT_TRUE(HasLine(text, "Width = 300")) << text;
    EXPECT_TRUE(HasLine(text, "ExposureTimeAbs = 1500")) << text;  // a float over a microsecond register
    EXPECT_TRUE(HasLine(text, "TriggerMode = On")) << text;
    EXPECT_TRUE(HasLine(text, "PixelFormat = Mono8")) << text;
    // Read-only values, commands and identity strings are not written.
    EXPECT_EQ(text.find("PayloadSize"), std::string::npos);
    EXPECT_EQ(text.find("DeviceModelName ="), std::string::npos);
    EXPECT_EQ(text.find("AcquisitionStart"), std::string::npos);
    // In the description's order: the image format before the acquisition.
    EXPECT_LT(text.find("Width = "), text.find("TriggerMode = "));
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(h, "TriggerMode", "Off")), MV_OK);
}

TEST_F(FeatureFileTest, LoadPutsTheSavedValuesBack)
{
    void* h = OpenEmulator();
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(h, "Width", 400)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(h, "Height", 300)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(h, "PixelFormat", "BayerGR8")), MV_OK);
    ASSERT_EQ(Code(MV_CC_FeatureSave(h, dir.File("camera.txt").c_str())), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(h, "Width", 64)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(h, "Height", 32)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(h, "PixelFormat", "Mono8")), MV_OK);
    ASSERT_EQ(Code(MV_CC_FeatureLoad(h, dir.File("camera.txt").c_str())), MV_OK);
    EXPECT_EQ(Int(h, "Width"), 400);
    EXPECT_EQ(Int(h, "Height"), 300);
    EXPECT_EQ(Enum(h, "PixelFormat"), "BayerGR8");
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(h, "PixelFormat", "Mono8")), MV_OK);
}

// A file of the simulator's loads too: the format is one, only the first line differs.
TEST_F(FeatureFileTest, FilesOfEitherBackendLoad)
{
    void* h = OpenEmulator();
    ASSERT_NE(h, nullptr);
    dir.Write("sim.txt", "# Ornic camsim feature file\r\n@model Fake\r\nWidth = 222\r\n\r\n# a comment\r\n");
    ASSERT_EQ(Code(MV_CC_FeatureLoad(h, dir.File("sim.txt").c_str())), MV_OK);
    EXPECT_EQ(Int(h, "Width"), 222);
}

TEST_F(FeatureFileTest, LoadRefusesAnotherModelAndChangesNothing)
{
    void* h = OpenEmulator();
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(h, "Width", 128)), MV_OK);
    dir.Write("other.txt", "@model SIM-GM130\nWidth = 640\n");
    EXPECT_EQ(Code(MV_CC_FeatureLoad(h, dir.File("other.txt").c_str())), MV_E_VERSION);
    EXPECT_EQ(Int(h, "Width"), 128);
    dir.Write("none.txt", "Width = 640\n");
    EXPECT_EQ(Code(MV_CC_FeatureLoad(h, dir.File("none.txt").c_str())), MV_E_PARAMETER);
    EXPECT_EQ(Int(h, "Width"), 128);
}

TEST_F(FeatureFileTest, LinesThatFailAreReportedAndTheOthersApplied)
{
    void* h = OpenEmulator();
    ASSERT_NE(h, nullptr);
    dir.Write("mixed.txt", "@model Fake\nNoSuchNode = 1\nWidth = 144\nHeight = lots\nPayloadSize = 5\n");
    EXPECT_EQ(Code(MV_CC_FeatureLoad(h, dir.File("mixed.txt").c_str())), MV_E_GC_PROPERTY);
    EXPECT_EQ(Int(h, "Width"), 144);
    dir.Write("range.txt", "@model Fake\nWidth = 99999\n");
    EXPECT_EQ(Code(MV_CC_FeatureLoad(h, dir.File("range.txt").c_str())), MV_E_GC_RANGE);
    EXPECT_EQ(Int(h, "Width"), 144);
}

TEST_F(FeatureFileTest, FilesThatCannotBeOpenedAndEmptyNamesAreRefused)
{
    void* h = OpenEmulator();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(Code(MV_CC_FeatureLoad(h, dir.File("missing.txt").c_str())), MV_E_OPENFILE);
    EXPECT_EQ(Code(MV_CC_FeatureSave(h, dir.File("no/such/folder.txt").c_str())), MV_E_OPENFILE);
    EXPECT_EQ(Code(MV_CC_FeatureSave(h, "")), MV_E_PARAMETER);
    EXPECT_EQ(Code(MV_CC_FeatureSave(h, nullptr)), MV_E_PARAMETER);
    const MvDeviceInfo* record = EmulatorRecord();
    void* closed = NewHandle(record);
    EXPECT_EQ(Code(MV_CC_FeatureSave(closed, dir.File("x.txt").c_str())), MV_E_CALLORDER);
}

// Selected nodes get one line per position of their selector. The emulator keeps TriggerMode
// per TriggerSelector position (its register has a pIndex), but its description does not say
// that TriggerSelector selects it; the test gives it its own description with that pSelected.
TEST_F(FeatureFileTest, SelectedNodesHaveOneLinePerPosition)
{
    void* h = OpenEmulator();
    ASSERT_NE(h, nullptr);
    unsigned int length = 0;
    ASSERT_EQ(Code(MV_XML_GetGenICamXML(h, nullptr, 0, &length)), MV_OK);
    std::string xml(length, '\0');
    ASSERT_EQ(Code(MV_XML_GetGenICamXML(h, reinterpret_cast<unsigned char*>(&xml[0]), length, &length)), MV_OK);
    xml.resize(length - 1);
    const size_t selector = xml.find("<Enumeration Name=\"TriggerSelector\"");
    ASSERT_NE(selector, std::string::npos);
    const size_t end = xml.find("</Enumeration>", selector);
    ASSERT_NE(end, std::string::npos);
    xml.insert(end, "<pSelected>TriggerMode</pSelected>\n");
    dir.Write("selector.xml", xml);
    ASSERT_EQ(MV_CC_DestroyHandle(h), 0);
    handles.clear();
    TheEmulator().Stop();
    std::string error;
    ASSERT_TRUE(TheEmulator().Start(error, dir.File("selector.xml"))) << error;

    h = OpenEmulator();
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(h, "TriggerSelector", "AcquisitionStart")), MV_OK);
    ASSERT_EQ(Code(MV_CC_FeatureSave(h, dir.File("selected.txt").c_str())), MV_OK);
    const std::string text = Lines("selected.txt");
    EXPECT_TRUE(HasLine(text, "TriggerMode[FrameStart] = Off")) << text;
    EXPECT_TRUE(HasLine(text, "TriggerMode[AcquisitionStart] = Off")) << text;
    EXPECT_EQ(text.find("TriggerMode = "), std::string::npos) << text;
    EXPECT_EQ(Enum(h, "TriggerSelector"), "AcquisitionStart");  // put back after the save
    dir.Write("load.txt", "@model Fake\nTriggerMode[FrameStart] = On\n");
    ASSERT_EQ(Code(MV_CC_FeatureLoad(h, dir.File("load.txt").c_str())), MV_OK);
    EXPECT_EQ(Enum(h, "TriggerSelector"), "AcquisitionStart");  // put back after the load
    EXPECT_EQ(Enum(h, "TriggerMode"), "Off");
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(h, "TriggerSelector", "FrameStart")), MV_OK);
    EXPECT_EQ(Enum(h, "TriggerMode"), "On");
    dir.Write("bad.txt", "@model Fake\nTriggerMode[Sometime] = On\nWidth[FrameStart] = 64\n");
    EXPECT_EQ(Code(MV_CC_FeatureLoad(h, dir.File("bad.txt").c_str())), MV_E_GC_ARGUMENT);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(h, "TriggerMode", "Off")), MV_OK);

    ASSERT_EQ(MV_CC_DestroyHandle(h), 0);
    handles.clear();
    TheEmulator().Stop();
    ASSERT_TRUE(TheEmulator().Start(error)) << error;
}
