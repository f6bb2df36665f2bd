// A test can give a camera exactly the nodes it needs; malformed models are refused with a
// reason instead of producing a camera that breaks the SDK's records.
#include <cstdio>
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
    ASSERT_EQ(Code(CamSim_SetDeviceModel(id, "category C\n"
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
        "category C; widget W",                                   // unknown kind
        "display Before any node",                                // modifier without a node
        "category C; integer W 0 100 4 50",                       // 50 is off the 4-step grid
        "category C; integer W 0 100 1 101",                      // default above the maximum
        "category C; integer W 0 100 0 0",                        // no increment
        "category C; integer W 0 ten 1 0",                        // not a number
        "category C; float F 1 0 0.5",                            // minimum above maximum
        "category C; enumeration E Three One=1 Two=2",            // default not an entry
        "category C; enumeration E A A=1 A=2",                    // duplicate entry
        "category C; boolean B maybe",                            // neither true nor false
        "category C; boolean B true; boolean B false",            // duplicate name
        "category C; boolean B true; writable-when Missing On",   // condition on an unknown node
        "category C; float F 0 1 0; selected-by F",               // a selector must be an enumeration
        "category C; string S 64 x",                              // longer than the string record holds
        "category C; boolean Bad-Name true",                      // not a node name
        "category C; boolean B true; visibility loud",            // unknown visibility
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
