// A test can give a camera exactly the nodes it needs; malformed models are refused with a
// reason instead of producing a camera that breaks the SDK's records.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "SimTestSupport.h"

namespace SimTest {
namespace {

using CustomModel = SimFixture;

constexpr const char* kSmallModel = R"(
# a camera with one category inside another
category ImageFormatControl
  integer Width 16 640 16 320
    display Image Width
    description Width of the image.
    locked-while-acquiring
  enumeration PixelFormat Mono8 Mono8=0x01080001 Mono16=0x01100007
  subcategory Expert
    visibility guru
    float Gain 0 12 0; unit dB; writable_when GainAuto Off
    enumeration GainAuto Off Off=0 Continuous=2
  end
  string DeviceSerialNumber 16
    access ro
category AcquisitionControl
  command AcquisitionStart
  command AcquisitionStop
  register Lut 0x2000 256
    visibility invisible
)";

TEST_F(CustomModel, TheCameraHasExactlyTheDescribedNodes)
{
    const unsigned int id = Device(0).id;
    ASSERT_EQ(Code(CamSim_SetDeviceModel(id, kSmallModel)), MV_OK);
    void* handle = OpenHandle(0);
    ASSERT_NE(handle, nullptr);

    MvXmlNode root{};
    ASSERT_EQ(Code(MV_XML_GetRootNode(handle, &root)), MV_OK);
    auto list = std::make_unique<MvXmlNodeList>();
    ASSERT_EQ(Code(MV_XML_GetChildren(handle, &root, list.get())), MV_OK);
    ASSERT_EQ(list->nNodeNum, 2u);
    EXPECT_EQ(Text(list->stNodes[1].strName), "AcquisitionControl");
    ASSERT_EQ(Code(MV_XML_GetChildren(handle, &list->stNodes[0], list.get())), MV_OK);
    ASSERT_EQ(list->nNodeNum, 4u);
    EXPECT_EQ(Text(list->stNodes[0].strDisplayName), "Image Width");
    EXPECT_EQ(Text(list->stNodes[0].strDescription), "Width of the image.");
    EXPECT_EQ(Text(list->stNodes[2].strName), "Expert");
    EXPECT_EQ(list->stNodes[2].enVisivility, static_cast<uint32_t>(V_Guru));
    EXPECT_EQ(Text(list->stNodes[3].strName), "DeviceSerialNumber");

    MvIntValueEx width{};
    ASSERT_EQ(Code(MV_CC_GetIntValueEx(handle, "Width", &width)), MV_OK);
    EXPECT_EQ(width.nCurValue, 320);
    EXPECT_EQ(width.nMax, 640);
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(handle, "Height", &width)), MV_E_GC_PROPERTY);
    EXPECT_EQ(Code(MV_CC_SetFloatValue(handle, "Gain", 5.0f)), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetEnumValueByString(handle, "GainAuto", "Continuous")), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetFloatValue(handle, "Gain", 6.0f)), MV_E_GC_ACCESS);
    ASSERT_EQ(Code(MV_CC_SetCommandValue(handle, "AcquisitionStart")), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(handle, "Width", 64)), MV_E_GC_ACCESS);

    // Identity nodes the model has are filled from the device; PayloadSize is simply absent.
    MvXmlFeatureString serial{};
    MvXmlNode node{};
    node.enType = IFT_IString;
    std::snprintf(node.strName, sizeof node.strName, "DeviceSerialNumber");
    ASSERT_EQ(Code(MV_XML_GetNodeFeature(handle, &node, &serial)), MV_OK);
    EXPECT_EQ(Text(serial.strValue), "S1000001");
    EXPECT_EQ(serial.base.enAccessMode, static_cast<uint32_t>(AM_RO));

    // No changes while the camera is open; closed, the default model comes back on request.
    EXPECT_EQ(Code(CamSim_SetDeviceModel(id, nullptr)), MV_E_CALLORDER);
    ASSERT_EQ(Code(MV_CC_CloseDevice(handle)), MV_OK);
    ASSERT_EQ(Code(CamSim_SetDeviceModel(id, nullptr)), MV_OK);
    ASSERT_EQ(Code(MV_CC_OpenDevice(handle, 1, 0)), MV_OK);
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(handle, "Height", &width)), MV_OK);
    EXPECT_EQ(Code(CamSim_SetDeviceModel(9999, kSmallModel)), MV_E_PARAMETER);
}

TEST_F(CustomModel, ModifiersReachTheNodeRecords)
{
    const unsigned int id = Device(1).id;
    ASSERT_EQ(Code(CamSim_SetDeviceModel(id,
                                         "category C\n"
                                         "integer Address 0 0xFFFFFFFF 1 0x0A000001; ip; tooltip Where it is\n"
                                         "integer Mask 0 255 1 0x0F; hex; access ni\n"
                                         "float Ratio 0 2 1; increment 0.25\n"
                                         "enumeration Mode A A=1 B=2\n"
                                         "command Go; available-unless Mode A\n")),
              MV_OK);
    void* handle = OpenHandle(1);
    ASSERT_NE(handle, nullptr);
    auto node = [](uint32_t type, const char* name) {
        MvXmlNode record{};
        record.enType = type;
        std::snprintf(record.strName, sizeof record.strName, "%s", name);
        return record;
    };
    MvXmlFeatureInteger address{};
    MvXmlNode record = node(IFT_IInteger, "Address");
    ASSERT_EQ(Code(MV_XML_GetNodeFeature(handle, &record, &address)), MV_OK);
    EXPECT_EQ(address.nValue, 0x0A000001);
    EXPECT_EQ(address.bIsIpAddress, 1u);
    EXPECT_EQ(Text(address.base.strToolTip), "Where it is");
    MvXmlFeatureInteger mask{};
    record = node(IFT_IInteger, "Mask");
    ASSERT_EQ(Code(MV_XML_GetNodeFeature(handle, &record, &mask)), MV_OK);
    EXPECT_EQ(mask.bIsHexadecimal, 1u);
    EXPECT_EQ(mask.base.enAccessMode, static_cast<uint32_t>(AM_NI));
    MvIntValueEx value{};
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(handle, "Mask", &value)), MV_E_GC_ACCESS);
    MvXmlFeatureFloat ratio{};
    record = node(IFT_IFloat, "Ratio");
    ASSERT_EQ(Code(MV_XML_GetNodeFeature(handle, &record, &ratio)), MV_OK);
    EXPECT_DOUBLE_EQ(ratio.dfIncrement, 0.25);
    EXPECT_EQ(Code(MV_CC_SetCommandValue(handle, "Go")), MV_E_GC_ACCESS);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(handle, "Mode", "B")), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetCommandValue(handle, "Go")), MV_OK);
}

// A camera whose description holds access modes no rule knows: the SDK reports them as they
// are, whatever the conditions and the acquisition say, and refuses every read and write.
TEST_F(CustomModel, UnusualAccessModesAreReportedAsTheyAreAndRefuseReadsAndWrites)
{
    ASSERT_EQ(Code(CamSim_SetDeviceModel(Device(0).id,
                                         "category C; enumeration Mode Off Off=0 On=1\n"
                                         "integer Odd 0 10 1 5; access undefined; locked-while-acquiring\n"
                                         "boolean Flag false; access 6; available-when Mode On\n"
                                         "enumeration Choice A A=1 B=2; access 255\n"
                                         "command Go; access 9; locked-while-acquiring\n"
                                         "command AcquisitionStart\n")),
              MV_OK);
    void* handle = OpenHandle(0);
    ASSERT_NE(handle, nullptr);
    auto mode = [&](const char* name) {  // as raw bytes: it need not be one of the enumeration's names
        MvXmlAccessMode access = AM_NI;
        EXPECT_EQ(Code(MV_XML_GetNodeAccessMode(handle, name, &access)), MV_OK) << name;
        uint32_t raw = 0;
        std::memcpy(&raw, &access, sizeof raw);
        return raw;
    };
    // Mode is Off, which would make Flag NA, and the acquisition would lock Odd and Go.
    ASSERT_EQ(Code(MV_CC_SetCommandValue(handle, "AcquisitionStart")), MV_OK);
    EXPECT_EQ(mode("Odd"), static_cast<uint32_t>(AM_Undefined));
    EXPECT_EQ(mode("Flag"), 6u);
    EXPECT_EQ(mode("Choice"), 255u);
    EXPECT_EQ(mode("Go"), 9u);
    MvXmlFeatureInteger odd{};
    MvXmlNode record{};
    record.enType = IFT_IInteger;
    std::snprintf(record.strName, sizeof record.strName, "Odd");
    ASSERT_EQ(Code(MV_XML_GetNodeFeature(handle, &record, &odd)), MV_OK);
    EXPECT_EQ(odd.base.enAccessMode, static_cast<uint32_t>(AM_Undefined));

    MvIntValueEx value{};
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(handle, "Odd", &value)), MV_E_GC_ACCESS);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(handle, "Odd", 6)), MV_E_GC_ACCESS);
    EXPECT_EQ(Code(MV_CC_SetBoolValue(handle, "Flag", 1)), MV_E_GC_ACCESS);
    EXPECT_EQ(Code(MV_CC_SetEnumValueByString(handle, "Choice", "B")), MV_E_GC_ACCESS);
    EXPECT_EQ(Code(MV_CC_SetCommandValue(handle, "Go")), MV_E_GC_ACCESS);
}

// A node listed under a second category is in both lists and stays one node.
TEST_F(CustomModel, AReferenceListsANodeUnderASecondCategory)
{
    ASSERT_EQ(Code(CamSim_SetDeviceModel(Device(0).id,
                                         "category Acquisition; float Exposure 15 1000 100\n"
                                         "reference Gain; unit us  # Gain comes later; us is Exposure's\n"
                                         "category Analog; float Gain 0 12 0; reference Exposure\n")),
              MV_OK);
    void* handle = OpenHandle(0);
    ASSERT_NE(handle, nullptr);
    auto children = [&](const char* category) {
        MvXmlNode node{};
        node.enType = IFT_ICategory;
        std::snprintf(node.strName, sizeof node.strName, "%s", category);
        auto list = std::make_unique<MvXmlNodeList>();
        EXPECT_EQ(Code(MV_XML_GetChildren(handle, &node, list.get())), MV_OK);
        std::string names;
        for (uint32_t i = 0; i < list->nNodeNum; ++i) {
            names += Text(list->stNodes[i].strName) + " ";
        }
        return names;
    };
    EXPECT_EQ(children("Root"), "Acquisition Analog ");
    EXPECT_EQ(children("Acquisition"), "Exposure Gain ");
    EXPECT_EQ(children("Analog"), "Gain Exposure ");
    MvXmlFeatureFloat exposure{};
    MvXmlNode record{};
    record.enType = IFT_IFloat;
    std::snprintf(record.strName, sizeof record.strName, "Exposure");
    ASSERT_EQ(Code(MV_XML_GetNodeFeature(handle, &record, &exposure)), MV_OK);
    EXPECT_EQ(Text(exposure.strUnit), "us");
}

TEST_F(CustomModel, MalformedModelsAreRefused)
{
    const unsigned int id = Device(0).id;
    std::string tooManyChildren = "category Big";
    for (int i = 0; i < 129; ++i) {
        tooManyChildren += "; boolean B" + std::to_string(i) + " false";
    }
    std::string tooManyEntries = "category C; enumeration E V0";
    for (int i = 0; i < 65; ++i) {
        tooManyEntries += " V" + std::to_string(i) + "=" + std::to_string(i);
    }
    const std::string bad[] = {
        "category C; widget W",                                              // unknown kind
        "display Before any node",                                           // modifier without a node
        "category C; integer W 0 100 4 50",                                  // 50 is off the 4-step grid
        "category C; integer W 0 100 1 101",                                 // default above the maximum
        "category C; integer W 0 100 0 0",                                   // no increment
        "category C; integer W 0 ten 1 0",                                   // not a number
        "category C; float F 1 0 0.5",                                       // minimum above maximum
        "category C; enumeration E Three One=1 Two=2",                       // default not an entry
        "category C; enumeration E A A=1 A=2",                               // duplicate entry
        "category C; boolean B maybe",                                       // neither true nor false
        "category C; boolean B true; boolean B false",                       // duplicate name
        "category C; boolean B true; writable-when Missing On",              // condition on an unknown node
        "category C; float F 0 1 0; selected-by F",                          // a selector must be an enumeration
        "category C; string S 64 x",                                         // longer than the string record holds
        "category C; boolean Bad-Name true",                                 // not a node name
        "category C; boolean B true; visibility loud",                       // unknown visibility
        "category C; boolean B true; access 256",                            // no access mode fits a byte
        "category C; boolean B true; access 0x6",                            // raw modes are decimal
        "category C; reference Missing",                                     // reference to no node
        "category C; subcategory S; category D; reference S",                // reference to a category
        "category C; boolean B true; category D; reference B; reference B",  // listed twice
        "category C; boolean B true; reference B",                           // already listed there
        tooManyChildren,
        tooManyEntries,
    };
    for (const std::string& text : bad) {
        SCOPED_TRACE(text.substr(0, 60));
        EXPECT_EQ(Code(CamSim_SetDeviceModel(id, text.c_str())), MV_E_PARAMETER);
    }
    // The camera kept its default model.
    void* handle = OpenHandle(0);
    ASSERT_NE(handle, nullptr);
    MvIntValueEx payload{};
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(handle, "PayloadSize", &payload)), MV_OK);
}

}  // namespace
}  // namespace SimTest
