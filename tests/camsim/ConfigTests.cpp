// The device-set configuration: grammar, malformed entries, and where it is read from.
#include "SimTestSupport.h"

namespace SimTest {
namespace {

using Config = SimFixture;

TEST_F(Config, ParsesEntriesForgivingly)
{
    const char* text =
        "# two cameras on the left\r\n"
        "  GigE : SIM-L1 : L0001 : Bayer-GB : name=Left : version=2.1 \r\n"
        "\n"
        "usb3:SIM-L2:L0002:colour;  U3V:SIM-L3:L0003   # default kind\n"
        "gev:SIM-L4:L0004:MONO:ip=172.16.0.9\n"
        "other:16:SIM-X:X1:bayer_bg\n";
    CamSimConfigReport report{};
    ASSERT_EQ(Code(CamSim_LoadConfig(text, &report)), MV_OK);
    EXPECT_EQ(report.devicesLoaded, 5u);
    EXPECT_EQ(report.entriesSkipped, 0u);
    EXPECT_EQ(report.source, static_cast<uint32_t>(CAMSIM_SOURCE_CONTROL));
    ASSERT_EQ(CamSim_GetDeviceCount(), 5u);

    const CamSimDeviceState left = Device(0);
    EXPECT_EQ(left.transport, MV_GIGE_DEVICE);
    EXPECT_EQ(std::string(left.model), "SIM-L1");
    EXPECT_EQ(std::string(left.serial), "L0001");
    EXPECT_EQ(left.kind, static_cast<uint32_t>(CAMSIM_KIND_BAYER_GB));
    EXPECT_EQ(std::string(left.userName), "Left");
    EXPECT_EQ(std::string(left.version), "2.1");

    EXPECT_EQ(Device(1).transport, MV_USB_DEVICE);
    EXPECT_EQ(Device(1).kind, static_cast<uint32_t>(CAMSIM_KIND_BAYER_RG));
    EXPECT_EQ(Device(2).kind, static_cast<uint32_t>(CAMSIM_KIND_MONO));
    EXPECT_EQ(std::string(Device(2).serial), "L0003");
    EXPECT_EQ(Device(3).ipAddress, 0xAC100009u);
    EXPECT_EQ(Device(4).transport, 0x10u);
    EXPECT_EQ(Device(4).kind, static_cast<uint32_t>(CAMSIM_KIND_BAYER_BG));

    // The user-defined name and version reach the record the driver reads.
    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    const auto records = Enumerate(MV_GIGE_DEVICE);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(Text(records[0]->SpecialInfo.stGigEInfo.chUserDefinedName), "Left");
    EXPECT_EQ(Text(records[0]->SpecialInfo.stGigEInfo.chDeviceVersion), "2.1");
}

TEST_F(Config, MalformedEntriesAreSkippedAndTheRestKept)
{
    const char* text =
        "gige:GOOD-1:G1\n"
        "firewire:M:S\n"               // line 2: unknown transport
        "gige:OnlyModel\n"             // no serial
        "gige::S1\n"                   // empty model
        "usb:M:\n"                     // empty serial
        "usb:M:S:bayer_xy\n"           // unknown kind
        "usb:M:S:mono:mono\n"          // kind twice
        "gige:M:S:ip=300.1.1.1\n"      // bad address
        "gige:M:S:ip=1.2.3\n"          // bad address
        "usb:M:S:ip=10.0.0.1\n"        // address on a USB camera
        "gige:M:S12345678901234567\n"  // serial longer than the GigE field
        "other:abc:M:S\n"              // layer type not a number
        "other:0x1:M:S\n"              // GigE in disguise
        "other:0x6:M:S\n"              // two layer bits
        "other:0x8\n"                  // no model
        "gige:M:S:speed=fast\n"        // unknown option
        "usb:M\tX:S\n"                 // control character
        "usb:GOOD-2:G2:bayer_rg\n";
    CamSimConfigReport report{};
    ASSERT_EQ(Code(CamSim_LoadConfig(text, &report)), MV_OK);
    EXPECT_EQ(report.devicesLoaded, 2u);
    EXPECT_EQ(report.entriesSkipped, 16u);
    EXPECT_EQ(report.firstErrorLine, 2u);
    EXPECT_NE(std::string(report.firstError).find("firewire"), std::string::npos);
    ASSERT_EQ(CamSim_GetDeviceCount(), 2u);
    EXPECT_EQ(std::string(Device(0).model), "GOOD-1");
    EXPECT_EQ(std::string(Device(1).model), "GOOD-2");
}

TEST_F(Config, NoneOrNothingMeansNoCameras)
{
    for (const char* text : {"none", "  NONE   # no cameras today", "", "# only a comment\n\n;;"}) {
        SCOPED_TRACE(text);
        CamSim_Reset();
        CamSimConfigReport report{};
        ASSERT_EQ(Code(CamSim_LoadConfig(text, &report)), MV_OK);
        EXPECT_EQ(CamSim_GetDeviceCount(), 0u);
        EXPECT_EQ(report.entriesSkipped, 0u);
    }
    EXPECT_EQ(Code(CamSim_LoadConfig(nullptr, nullptr)), MV_E_PARAMETER);
}

TEST_F(Config, SingleEntriesCanBeAddedAsText)
{
    CamSim_ClearDevices();
    EXPECT_NE(CamSim_AddDeviceText("gige:SIM-A:A1:mono:ip=10.0.0.5"), 0u);
    EXPECT_EQ(Device(0).ipAddress, 0x0A000005u);
    EXPECT_EQ(CamSim_AddDeviceText("gige:SIM-B:B1;gige:SIM-C:C1"), 0u);
    EXPECT_EQ(CamSim_AddDeviceText("gige:SIM-B"), 0u);
    EXPECT_EQ(CamSim_AddDeviceText(nullptr), 0u);
    EXPECT_EQ(CamSim_AddDevice(MV_USB_DEVICE, nullptr, "S", CAMSIM_KIND_MONO), 0u);
    EXPECT_EQ(CamSim_AddDevice(MV_USB_DEVICE, "M", "S", 99), 0u);
    EXPECT_EQ(CamSim_AddDevice(0, "M", "S", CAMSIM_KIND_MONO), 0u);
    EXPECT_EQ(CamSim_GetDeviceCount(), 1u);
    CamSimDeviceState state{};
    EXPECT_EQ(Code(CamSim_GetDevice(1, &state)), MV_E_PARAMETER);
    EXPECT_EQ(Code(CamSim_GetDevice(0, nullptr)), MV_E_PARAMETER);
}

TEST_F(Config, InlineVariableIsReadAtEachInitialize)
{
    inlineVar.Set("usb:SIM-A:A1 ; usb:SIM-B:B1");
    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    EXPECT_EQ(Enumerate(MV_USB_DEVICE).size(), 2u);
    EXPECT_EQ(Enumerate(MV_GIGE_DEVICE).size(), 0u);
    ASSERT_EQ(Code(MV_CC_Finalize()), MV_OK);

    inlineVar.Set("gige:SIM-C:C1");
    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    const auto records = Enumerate(kAllLayers);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(Text(records[0]->SpecialInfo.stGigEInfo.chModelName), "SIM-C");
    CamSimConfigReport report{};
    ASSERT_EQ(Code(CamSim_GetConfigReport(&report)), MV_OK);
    EXPECT_EQ(report.source, static_cast<uint32_t>(CAMSIM_SOURCE_ENV_INLINE));
    ASSERT_EQ(Code(MV_CC_Finalize()), MV_OK);

    inlineVar.Set("none");
    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    EXPECT_EQ(Enumerate(kAllLayers).size(), 0u);
    ASSERT_EQ(Code(MV_CC_Finalize()), MV_OK);

    // Garbage gives no cameras, not a crash and not the default pair.
    inlineVar.Set(":::;;;gige;usb:A");
    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    EXPECT_EQ(Enumerate(kAllLayers).size(), 0u);
    ASSERT_EQ(Code(CamSim_GetConfigReport(&report)), MV_OK);
    EXPECT_EQ(report.entriesSkipped, 3u);
}

TEST_F(Config, FileVariableIsReadAtInitialize)
{
    const std::string path = WriteTempFile(
        "camsim_cameras.txt", "\xEF\xBB\xBFgige:SIM-F1:F1:mono\n\n# bench cameras\nusb:SIM-F2:F2:bayer_gr  # colour\n");
    fileVar.Set(path);
    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    EXPECT_EQ(Enumerate(kAllLayers).size(), 2u);
    EXPECT_EQ(std::string(Device(1).model), "SIM-F2");
    CamSimConfigReport report{};
    ASSERT_EQ(Code(CamSim_GetConfigReport(&report)), MV_OK);
    EXPECT_EQ(report.source, static_cast<uint32_t>(CAMSIM_SOURCE_ENV_FILE));
    EXPECT_EQ(report.entriesSkipped, 0u);
    ASSERT_EQ(Code(MV_CC_Finalize()), MV_OK);

    // The inline list wins when both are set.
    inlineVar.Set("usb:SIM-I:I1");
    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    EXPECT_EQ(Enumerate(kAllLayers).size(), 1u);
    ASSERT_EQ(Code(MV_CC_Finalize()), MV_OK);
    inlineVar.Clear();

    fileVar.Set(WriteTempFile("camsim_empty.txt", ""));
    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    EXPECT_EQ(Enumerate(kAllLayers).size(), 0u);
    ASSERT_EQ(Code(MV_CC_Finalize()), MV_OK);

    fileVar.Set(::testing::TempDir() + "camsim_no_such_file.txt");
    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    EXPECT_EQ(Enumerate(kAllLayers).size(), 0u);
    ASSERT_EQ(Code(CamSim_GetConfigReport(&report)), MV_OK);
    EXPECT_EQ(report.fileUnreadable, 1u);
    ASSERT_EQ(Code(MV_CC_Finalize()), MV_OK);
}

TEST_F(Config, ControlChoiceSurvivesInitializeUntilReset)
{
    CamSim_ClearDevices();
    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    EXPECT_EQ(Enumerate(kAllLayers).size(), 0u);
    ASSERT_EQ(Code(MV_CC_Finalize()), MV_OK);

    CamSim_Reset();
    ASSERT_EQ(Code(MV_CC_Initialize()), MV_OK);
    EXPECT_EQ(Enumerate(kAllLayers).size(), 2u);
    ASSERT_EQ(Code(MV_CC_Finalize()), MV_OK);
}

TEST_F(Config, LoadConfigFileReplacesTheSetOrLeavesItAlone)
{
    const std::string path = WriteTempFile("camsim_load.txt", "usb:SIM-Z:Z1\nbogus\n");
    CamSimConfigReport report{};
    ASSERT_EQ(Code(CamSim_LoadConfigFile(path.c_str(), &report)), MV_OK);
    EXPECT_EQ(report.devicesLoaded, 1u);
    EXPECT_EQ(report.entriesSkipped, 1u);
    EXPECT_EQ(report.firstErrorLine, 2u);

    const std::string missing = ::testing::TempDir() + "camsim_missing.txt";
    EXPECT_EQ(Code(CamSim_LoadConfigFile(missing.c_str(), &report)), MV_E_OPENFILE);
    EXPECT_EQ(report.fileUnreadable, 1u);
    ASSERT_EQ(CamSim_GetDeviceCount(), 1u);
    EXPECT_EQ(std::string(Device(0).model), "SIM-Z");
    EXPECT_EQ(Code(CamSim_LoadConfigFile(nullptr, nullptr)), MV_E_PARAMETER);
    EXPECT_EQ(Code(CamSim_GetConfigReport(nullptr)), MV_E_PARAMETER);
}

}  // namespace
}  // namespace SimTest
