// Storing a camera's parameters per port and restoring them into a matching camera.
#include <stdexcept>
#include <string>

#include "ParameterTestSupport.h"
#include "platform/Platform.h"
#include "support/TempDir.h"
#include "util/IniFile.h"
#include "util/Param.h"

using namespace Util_2_1;

namespace {

std::string IniValue(const std::string& file, const std::string& section, const char* key)
{
    char buffer[256] = {};
    Platform::ReadIniString(section.c_str(), key, "<missing>", buffer, sizeof buffer, file.c_str());
    return buffer;
}

// A parameter whose text cannot be taken: a save that meets it stops half-way.
class ExplodingParam : public ParamString {
public:
    ExplodingParam() : ParamString("Exploding") {}
    const char* GetText() const override { throw std::runtime_error("disk gone"); }
};

}  // namespace

TEST_F(ParameterFixture, SavedModelRestoresIntoAFreshModelOfTheSameCamera)
{
    TempDir dir;
    const std::string ini = dir.File("ornic.ini");
    Build(kColourCamera);
    P("ExposureTime")->SetDouble(1234.5);
    P("Line2_LineInverter")->SetBool(true);
    P("PixelFormat")->SetText("BayerRG12");
    P("UseBayerMatrix")->SetBool(true);  // a governed value is stored only while its switch is on
    model->SetBayerAvailability();
    P("BayerMatrixRow1")->SetText("1 2 3 4");  // kept as text, refused only when used
    P("ReconnectWaitSeconds")->SetDouble(1.5);
    P("lib_DialogWidth")->SetInt(1024);
    P("LogLevel")->SetInt(3);  // never stored
    ASSERT_TRUE(model->SaveToFile(ini.c_str(), 4, false));
    EXPECT_EQ(IniValue(ini, "Port.0.4", "$Camera"), owner.configName);
    EXPECT_EQ(IniValue(ini, "General", "ReconnectWaitSeconds"), "1.5");
    EXPECT_EQ(IniValue(ini, "Port.0.4", "LogLevel"), "<missing>");
    EXPECT_EQ(IniValue(ini, "General", "LogLevel"), "<missing>");
    EXPECT_EQ(IniValue(ini, "Port.0.4", "DeviceVendorName"), "<missing>");  // read-only
    EXPECT_FALSE(Platform::FileExists(ini + ".saving"));

    // Every stored parameter comes back in a model built afresh from the camera.
    std::vector<std::pair<std::string, std::string>> saved;
    for (const auto& p : *model) {
        if (!p->TestFlags(FlagNoSave) && !p->TestFlags(FlagReadOnly)) saved.emplace_back(p->Name(), p->GetTextString());
    }
    Close();
    Open();
    ASSERT_TRUE(model->InitParameters());
    ASSERT_TRUE(model->RestoreFromFile(ini.c_str(), 4));
    size_t compared = 0;
    for (const auto& [name, text] : saved) {
        auto p = model->Find(name);
        ASSERT_NE(p, nullptr) << name;
        EXPECT_EQ(p->GetTextString(), text) << name;
        ++compared;
    }
    EXPECT_GT(compared, 60u);
    EXPECT_EQ(P("BayerMatrixRow1")->GetTextString(), "1 2 3 4");
    EXPECT_EQ(P("LogLevel")->GetInt(), 1);
    // Restoring sets values only; the open sequence marks and applies them.
    EXPECT_FALSE(P("ExposureTime")->TestFlags(FlagModified));
    model->MarkAllModified();
    model->ApplyParameters();
    EXPECT_FLOAT_EQ(CameraFloat("ExposureTime"), 1234.5f);
    EXPECT_EQ(CameraEnum("PixelFormat"), "BayerRG12");
}

TEST_F(ParameterFixture, OnlyAMatchingCameraModelRestores)
{
    TempDir dir;
    const std::string ini = dir.File("ornic.ini");
    Build(kColourCamera);
    P("ExposureTime")->SetDouble(2222.0);
    P("ReconnectOnLoss")->SetBool(false);
    ASSERT_TRUE(model->SaveToFile(ini.c_str(), 0, false));

    // Same model name before "(": restores whatever the serial number.
    owner.configName = "SIM-UC500 (OTHER)";
    P("ExposureTime")->SetDouble(1.0);
    EXPECT_TRUE(model->RestoreFromFile(ini.c_str(), 0));
    EXPECT_DOUBLE_EQ(P("ExposureTime")->GetDouble(), 2222.0);

    // Another camera model on that port restores nothing.
    owner.configName = "SIM-GM130 (S1)";
    P("ExposureTime")->SetDouble(1.0);
    EXPECT_FALSE(model->RestoreFromFile(ini.c_str(), 0));
    EXPECT_DOUBLE_EQ(P("ExposureTime")->GetDouble(), 1.0);

    // A port without a section, a missing file, an unassigned port.
    owner.configName = "SIM-UC500 (S2000001)";
    EXPECT_FALSE(model->RestoreFromFile(ini.c_str(), 1));
    EXPECT_FALSE(model->RestoreFromFile(dir.File("none.ini").c_str(), 0));
    EXPECT_FALSE(model->RestoreFromFile(ini.c_str(), -1));
    EXPECT_FALSE(model->SaveToFile(dir.File("never.ini").c_str(), -1, false));
    EXPECT_FALSE(Platform::FileExists(dir.File("never.ini")));
}

TEST_F(ParameterFixture, GeneralSettingsAreSharedByAllPorts)
{
    TempDir dir;
    const std::string ini = dir.File("ornic.ini");
    Build(kColourCamera);
    P("ReconnectOnLoss")->SetBool(false);
    ASSERT_TRUE(model->SaveToFile(ini.c_str(), 0, false));
    ASSERT_TRUE(model->SaveToFile(ini.c_str(), 1, false));
    P("ReconnectOnLoss")->SetBool(true);
    // A port-1 save of the same camera restores the general section written from port 0 too.
    Platform::WriteIniString("General", "ReconnectOnLoss", "0", ini.c_str());
    ASSERT_TRUE(model->RestoreFromFile(ini.c_str(), 1));
    EXPECT_FALSE(P("ReconnectOnLoss")->GetBool());

    // A camera on a port of its own, or another model on a used port, still takes the shared
    // settings, so its first save keeps them.
    P("CameraBufferCount")->SetInt(12);
    ASSERT_TRUE(model->SaveToFile(ini.c_str(), 0, false));
    const struct {
        const char* camera;
        int port;
    } cases[] = {{"SIM-UC500 (S2000001)", 5}, {"SIM-GM130 (S1)", 0}};
    for (const auto& c : cases) {
        owner.configName = c.camera;
        P("ReconnectOnLoss")->SetBool(true);
        P("CameraBufferCount")->SetInt(3);
        EXPECT_FALSE(model->RestoreFromFile(ini.c_str(), c.port));
        EXPECT_FALSE(P("ReconnectOnLoss")->GetBool()) << c.camera;
        EXPECT_EQ(P("CameraBufferCount")->GetInt(), 12) << c.camera;
    }
    ASSERT_TRUE(model->SaveToFile(ini.c_str(), 5, false));
    char stored[16] = {};
    Platform::ReadIniString("General", "CameraBufferCount", "", stored, sizeof stored, ini.c_str());
    EXPECT_STREQ(stored, "12");
}

TEST_F(ParameterFixture, LibOnlySaveWritesTheCameraNameAndLayoutOnly)
{
    TempDir dir;
    const std::string ini = dir.File("ornic.ini");
    Build(kMonoCamera);
    P("lib_DialogHeight")->SetInt(555);
    ASSERT_TRUE(model->SaveToFile(ini.c_str(), 2, true));
    EXPECT_EQ(IniValue(ini, "Port.0.2", "$Camera"), owner.configName);
    EXPECT_EQ(IniValue(ini, "General", "lib_DialogHeight"), "555");
    EXPECT_EQ(IniValue(ini, "Port.0.2", "ExposureTime"), "<missing>");
    EXPECT_EQ(IniValue(ini, "General", "ReconnectOnLoss"), "<missing>");
}

TEST_F(ParameterFixture, ReadOnlyValueInTheFileIsRestoredButNeverSaved)
{
    TempDir dir;
    const std::string ini = dir.File("ornic.ini");
    Build(kMonoCamera);
    ASSERT_TRUE(P("GevPersistentIPAddress")->TestFlags(FlagReadOnly));
    ASSERT_TRUE(model->SaveToFile(ini.c_str(), 0, false));
    EXPECT_EQ(IniValue(ini, "Port.0.0", "GevPersistentIPAddress"), "<missing>");
    Platform::WriteIniString("Port.0.0", "GevPersistentIPAddress", "192.168.7.9", ini.c_str());
    ASSERT_TRUE(model->RestoreFromFile(ini.c_str(), 0));
    EXPECT_EQ(P("GevPersistentIPAddress")->GetTextString(), "192.168.7.9");
}

TEST_F(ParameterFixture, SaveCutShortLeavesThePreviousFileIntact)
{
    TempDir dir;
    const std::string ini = dir.File("ornic.ini");
    Build(kMonoCamera);
    P("ExposureTime")->SetDouble(1111.0);
    ASSERT_TRUE(model->SaveToFile(ini.c_str(), 0, false));
    const std::string before = dir.Read("ornic.ini");

    P("ExposureTime")->SetDouble(9999.0);
    model->Add(std::make_unique<ExplodingParam>());
    EXPECT_THROW(model->SaveToFile(ini.c_str(), 0, false), std::runtime_error);
    EXPECT_EQ(dir.Read("ornic.ini"), before);
    EXPECT_FALSE(Platform::FileExists(ini + ".saving"));

    // A save whose working copy cannot be made fails and leaves the file too.
    ASSERT_TRUE(Platform::RemoveFile(ini + ".saving"));
    std::filesystem::create_directory(ini + ".saving");
    model->Find("Exploding")->SetFlags(FlagNoSave);
    EXPECT_FALSE(model->SaveToFile(ini.c_str(), 0, false));
    EXPECT_EQ(dir.Read("ornic.ini"), before);
}

TEST_F(ParameterFixture, LibValuesTransferToAnotherList)
{
    Build(kMonoCamera);
    SimOwner otherOwner;
    CameraParameters other(otherOwner);
    P("lib_DialogWidth")->SetInt(900);
    P("lib_DialogFavMode")->SetBool(true);
    P("lib_Dialogcol0ratio")->SetDouble(0.25);
    P("lib_CollapsedSec")->SetText("AnalogControl");
    model->TransferLibParamTo(other);
    EXPECT_EQ(other.Find("lib_DialogWidth")->GetInt(), 900);
    EXPECT_TRUE(other.Find("lib_DialogFavMode")->GetBool());
    EXPECT_DOUBLE_EQ(other.Find("lib_Dialogcol0ratio")->GetDouble(), 0.25);
    EXPECT_EQ(other.Find("lib_CollapsedSec")->GetTextString(), "AnalogControl");
}
