// The Aravis backend against Aravis's GigE Vision camera emulator on 127.0.0.1: discovery at
// the listed addresses only, the records, handles and the exclusive open, the node map built
// from the emulator's own GenICam description (Aravis's, not ours: converters, swiss knives,
// string registers), typed values with the range and access checks, and the XML.
#include <chrono>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "BackendTestSupport.h"

using namespace AravisTest;

namespace {

const testing::Environment* const loopback = testing::AddGlobalTestEnvironment(new LoopbackEnvironment);

class BackendTest : public SdkTest {
protected:
    // The children of a category node by name.
    std::vector<MvXmlNode> Children(void* handle, const MvXmlNode& node)
    {
        auto list = std::make_unique<MvXmlNodeList>();
        EXPECT_EQ(Code(MV_XML_GetChildren(handle, &node, list.get())), MV_OK) << node.strName;
        return std::vector<MvXmlNode>(list->stNodes, list->stNodes + list->nNodeNum);
    }

    // Every node below Root, depth first.
    std::vector<MvXmlNode> AllNodes(void* handle)
    {
        MvXmlNode root{};
        EXPECT_EQ(Code(MV_XML_GetRootNode(handle, &root)), MV_OK);
        std::vector<MvXmlNode> nodes;
        std::function<void(const MvXmlNode&)> visit = [&](const MvXmlNode& node) {
            for (const MvXmlNode& child : Children(handle, node)) {
                nodes.push_back(child);
                if (child.enType == IFT_ICategory) visit(child);
            }
        };
        visit(root);
        return nodes;
    }

    uint32_t Access(void* handle, const char* name)
    {
        MvXmlAccessMode mode = AM_Undefined;
        EXPECT_EQ(Code(MV_XML_GetNodeAccessMode(handle, name, &mode)), MV_OK) << name;
        return static_cast<uint32_t>(mode);
    }
};

}  // namespace

TEST_F(BackendTest, TheEmulatorIsFoundAtItsAddressWithItsDiscoveryData)
{
    const MvDeviceInfo* record = EmulatorRecord();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(list.nDeviceNum, 1u);
    const MvGigeDeviceInfo& gige = record->SpecialInfo.stGigEInfo;
    EXPECT_EQ(Text(gige.chModelName), kModel);
    EXPECT_EQ(Text(gige.chSerialNumber), kSerial);
    EXPECT_EQ(Text(gige.chManufacturerName), "Aravis");
    EXPECT_FALSE(Text(gige.chDeviceVersion).empty());
    EXPECT_EQ(gige.nCurrentIp, 0x7F000001u);  // first octet in the high byte
    EXPECT_EQ(gige.nNetExport, 0x7F000001u);  // the host's side of the loopback link
    for (uint32_t i = list.nDeviceNum; i < MV_MAX_DEVICE_NUM; ++i) EXPECT_EQ(list.pDeviceInfo[i], nullptr);
}

// Asked at another loopback address, nothing is found: the emulator at 127.0.0.1 would answer
// any broadcast, so none was sent.
TEST_F(BackendTest, DiscoveryAsksOnlyTheListedAddresses)
{
    ScopedEnv addresses("ORNIC_ARAVIS_ADDRESSES", "127.0.0.2");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(MV_CC_EnumDevices(MV_GIGE_DEVICE | MV_USB_DEVICE, &list), 0);
    EXPECT_EQ(list.nDeviceNum, 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    addresses.Set("not-an-address");
    ASSERT_EQ(MV_CC_EnumDevices(MV_GIGE_DEVICE, &list), 0);
    EXPECT_EQ(list.nDeviceNum, 0u);
}

TEST_F(BackendTest, RecordsStayInPlaceAcrossEnumerations)
{
    const MvDeviceInfo* first = EmulatorRecord();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(EmulatorRecord(), first);
    MvDeviceInfoList usbOnly{};
    ASSERT_EQ(MV_CC_EnumDevices(MV_USB_DEVICE, &usbOnly), 0);
    EXPECT_EQ(usbOnly.nDeviceNum, 0u);  // the layer mask filters
}

TEST_F(BackendTest, CallsOutOfOrderAreRefused)
{
    EXPECT_EQ(Code(MV_CC_EnumDevices(MV_GIGE_DEVICE, nullptr)), MV_E_PARAMETER);
    const MvDeviceInfo* record = EmulatorRecord();
    ASSERT_NE(record, nullptr);
    // A copy of a record is not one the SDK handed out.
    const MvDeviceInfo copy = *record;
    void* handle = reinterpret_cast<void*>(1);
    EXPECT_EQ(Code(MV_CC_CreateHandleWithoutLog(&handle, &copy)), MV_E_PARAMETER);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(Code(MV_CC_OpenDevice(nullptr, 1, 0)), MV_E_HANDLE);
    EXPECT_EQ(Code(MV_CC_CloseDevice(reinterpret_cast<void*>(12345))), MV_E_HANDLE);
    void* h = NewHandle(record);
    MvIntValueEx value{};
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(h, "Width", &value)), MV_E_CALLORDER);  // not open
    EXPECT_EQ(Code(MV_CC_CloseDevice(h)), MV_E_CALLORDER);
    EXPECT_EQ(Code(MV_CC_OpenDevice(h, 0, 0)), MV_E_PARAMETER);
    EXPECT_EQ(Code(MV_CC_OpenDevice(h, 2, 0)), MV_E_SUPPORT);
    EXPECT_EQ(Code(MV_CC_OpenDevice(h, 1, 7)), MV_E_SUPPORT);
    EXPECT_EQ(Code(MV_CC_SetImageNodeNum(h, 0)), MV_E_PARAMETER);
    ASSERT_EQ(Code(MV_CC_OpenDevice(h, 1, 0)), MV_OK);
    EXPECT_EQ(Code(MV_CC_OpenDevice(h, 1, 0)), MV_E_CALLORDER);  // already open
    EXPECT_EQ(Code(MV_CC_DestroyHandle(h)), MV_OK);              // closes first
    handles.clear();
    EXPECT_EQ(Code(MV_CC_DestroyHandle(h)), MV_E_HANDLE);
}

TEST_F(BackendTest, TheOpenIsExclusiveAndTheCameraOpensAgainAfterAClose)
{
    const MvDeviceInfo* record = EmulatorRecord();
    ASSERT_NE(record, nullptr);
    void* first = NewHandle(record);
    void* second = NewHandle(record);
    ASSERT_EQ(Code(MV_CC_OpenDevice(first, 1, 0)), MV_OK);
    EXPECT_EQ(Code(MV_CC_OpenDevice(second, 1, 0)), MV_E_ACCESS_DENIED);
    EXPECT_EQ(Code(MV_CC_CloseDevice(first)), MV_OK);
    ASSERT_EQ(Code(MV_CC_OpenDevice(second, 1, 0)), MV_OK);
    EXPECT_GT(Int(second, "Width"), 0);
}

// Another host holds the camera (Aravis's own arv-camera-test, streaming from it): the
// control privilege is refused, and the open answers so instead of going on without it.
TEST_F(BackendTest, ACameraAnotherHostControlsIsNotOpened)
{
    if (std::string(ORNIC_ARAVIS_CAMERA_TEST).empty()) GTEST_SKIP() << "arv-camera-test-0.8 not installed";
    const MvDeviceInfo* record = EmulatorRecord();
    ASSERT_NE(record, nullptr);
    const pid_t other =
        SpawnQuiet({ORNIC_ARAVIS_CAMERA_TEST, "--name=127.0.0.1", "--no-packet-socket", "--duration=8"});
    ASSERT_GT(other, 0);
    // The control channel privilege register (0x0A00) shows when the other host has it.
    uint32_t privilege = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while ((!ReadRegister(kEmulatorAddress, 0x0A00, privilege) || privilege == 0) &&
           std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_NE(privilege, 0u) << "the other host did not take the camera";
    void* h = NewHandle(record);
    EXPECT_EQ(Code(MV_CC_OpenDevice(h, 1, 0)), MV_E_ACCESS_DENIED);
    int status = 0;
    kill(other, SIGINT);  // it gives the privilege back as it ends
    waitpid(other, &status, 0);
    bool opened = false;
    for (int attempt = 0; attempt < 20 && !opened; ++attempt) {
        opened = MV_CC_OpenDevice(h, 1, 0) == 0;
        if (!opened) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_TRUE(opened);
}

// The emulator's description is Aravis's own: Float nodes over Converters, an IntSwissKnife
// payload size, string registers, masked integer registers behind plain integers.
TEST_F(BackendTest, TheNodeMapComesFromTheEmulatorsDescription)
{
    void* h = OpenEmulator();
    ASSERT_NE(h, nullptr);
    MvXmlNode root{};
    ASSERT_EQ(Code(MV_XML_GetRootNode(h, &root)), MV_OK);
    EXPECT_EQ(Text(root.strName), "Root");
    EXPECT_EQ(root.enType, static_cast<uint32_t>(IFT_ICategory));
    std::set<std::string> categories;
    for (const MvXmlNode& child : Children(h, root)) {
        EXPECT_EQ(child.enType, static_cast<uint32_t>(IFT_ICategory)) << child.strName;
        categories.insert(Text(child.strName));
    }
    EXPECT_TRUE(categories.count("ImageFormatControl"));
    EXPECT_TRUE(categories.count("AcquisitionControl"));

    const struct {
        const char* name;
        MvXmlInterfaceType type;
        uint32_t access;
    } expected[] = {
        {"Width", IFT_IInteger, AM_RW},           {"PixelFormat", IFT_IEnumeration, AM_RW},
        {"ExposureTimeAbs", IFT_IFloat, AM_RW},   {"PayloadSize", IFT_IInteger, AM_RO},
        {"DeviceVendorName", IFT_IString, AM_RO}, {"AcquisitionStart", IFT_ICommand, AM_WO},
        {"TriggerMode", IFT_IEnumeration, AM_RW},
    };
    const std::vector<MvXmlNode> nodes = AllNodes(h);
    for (const auto& want : expected) {
        const auto found = std::find_if(nodes.begin(), nodes.end(),
                                        [&](const MvXmlNode& node) { return Text(node.strName) == want.name; });
        ASSERT_NE(found, nodes.end()) << want.name;
        EXPECT_EQ(found->enType, static_cast<uint32_t>(want.type)) << want.name;
        EXPECT_EQ(Access(h, want.name), want.access) << want.name;
    }
    // Every node's record can be read, as the driver reads them all when it builds its model;
    // the record of another type is refused (it would be the wrong size).
    for (const MvXmlNode& node : nodes) {
        auto record = std::make_unique<MvXmlFeatureEnumeration>();  // the largest record
        EXPECT_EQ(Code(MV_XML_GetNodeFeature(h, &node, record.get())), MV_OK) << node.strName;
        EXPECT_EQ(Text(record->base.strName), Text(node.strName));
    }
    MvXmlNode wrong = nodes.front();
    wrong.enType = wrong.enType == IFT_IInteger ? IFT_IFloat : IFT_IInteger;
    MvXmlFeatureInteger integer{};
    EXPECT_EQ(Code(MV_XML_GetNodeFeature(h, &wrong, &integer)), MV_E_PARAMETER);
    // A leaf has no children; an unknown name is no node.
    const auto width =
        std::find_if(nodes.begin(), nodes.end(), [](const MvXmlNode& n) { return Text(n.strName) == "Width"; });
    EXPECT_TRUE(Children(h, *width).empty());
    MvXmlAccessMode mode = AM_RW;
    EXPECT_EQ(Code(MV_XML_GetNodeAccessMode(h, "NoSuchNode", &mode)), MV_E_GC_PROPERTY);
}

TEST_F(BackendTest, NodeRecordsCarryRangesEntriesAndUnits)
{
    void* h = OpenEmulator();
    ASSERT_NE(h, nullptr);
    MvXmlNode node{};
    std::strcpy(node.strName, "Width");
    node.enType = IFT_IInteger;
    MvXmlFeatureInteger width{};
    ASSERT_EQ(Code(MV_XML_GetNodeFeature(h, &node, &width)), MV_OK);
    EXPECT_EQ(width.nValue, Int(h, "Width"));
    EXPECT_EQ(width.nMinValue, 1);
    EXPECT_EQ(width.nMaxValue, Int(h, "SensorWidth"));
    EXPECT_EQ(width.nIncrement, 1);
    EXPECT_EQ(width.base.enAccessMode, static_cast<uint32_t>(AM_RW));

    std::strcpy(node.strName, "PixelFormat");
    node.enType = IFT_IEnumeration;
    auto format = std::make_unique<MvXmlFeatureEnumeration>();
    ASSERT_EQ(Code(MV_XML_GetNodeFeature(h, &node, format.get())), MV_OK);
    EXPECT_EQ(Text(format->strCurrentSymbolic), "Mono8");
    EXPECT_EQ(format->nValue, static_cast<int64_t>(PixelType_Mono8));
    std::set<std::string> entries;
    for (uint32_t i = 0; i < format->nSymbolicNum; ++i) entries.insert(Text(format->stEntries[i].strSymbolic));
    EXPECT_TRUE(entries.count("Mono8"));
    EXPECT_TRUE(entries.count("BayerRG8"));

    std::strcpy(node.strName, "DeviceModelName");
    node.enType = IFT_IString;
    MvXmlFeatureString model{};
    ASSERT_EQ(Code(MV_XML_GetNodeFeature(h, &node, &model)), MV_OK);
    EXPECT_EQ(Text(model.strValue), kModel);
    EXPECT_GT(model.nMaxLength, 0u);
}

// Refused values come back as the SDK's codes and leave the camera's value as it was.
TEST_F(BackendTest, TypedValuesAreCheckedBeforeTheyReachTheCamera)
{
    void* h = OpenEmulator();
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(h, "Width", 320)), MV_OK);
    EXPECT_EQ(Int(h, "Width"), 320);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(h, "Width", 1000000)), MV_E_GC_RANGE);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(h, "Width", 0)), MV_E_GC_RANGE);
    EXPECT_EQ(Int(h, "Width"), 320);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(h, "PayloadSize", 1)), MV_E_GC_ACCESS);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(h, "NoSuchNode", 1)), MV_E_GC_PROPERTY);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(h, "ExposureTimeAbs", 1)), MV_E_SUPPORT);
    EXPECT_EQ(Int(h, "PayloadSize"), 320 * Int(h, "Height"));  // Mono8: one byte per pixel

    MvFloatValue exposure{};
    ASSERT_EQ(Code(MV_CC_SetFloatValue(h, "ExposureTimeAbs", 2500.0f)), MV_OK);
    ASSERT_EQ(Code(MV_CC_GetFloatValue(h, "ExposureTimeAbs", &exposure)), MV_OK);
    EXPECT_FLOAT_EQ(exposure.fCurValue, 2500.0f);
    EXPECT_LT(exposure.fMin, exposure.fMax);
    EXPECT_EQ(Code(MV_CC_SetFloatValue(h, "ExposureTimeAbs", exposure.fMax * 2)), MV_E_GC_RANGE);
    EXPECT_EQ(Code(MV_CC_SetFloatValue(h, "ExposureTimeAbs", exposure.fMax)), MV_OK);  // the limit itself

    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(h, "TriggerMode", "on")), MV_OK);  // any case
    MvEnumValue trigger{};
    ASSERT_EQ(Code(MV_CC_GetEnumValue(h, "TriggerMode", &trigger)), MV_OK);
    EXPECT_EQ(trigger.nCurValue, 1u);
    EXPECT_EQ(trigger.nSupportedNum, 2u);
    MvEnumEntry entry{};
    entry.nValue = trigger.nCurValue;
    ASSERT_EQ(Code(MV_CC_GetEnumEntrySymbolic(h, "TriggerMode", &entry)), MV_OK);
    EXPECT_EQ(Text(entry.chSymbolic), "On");
    EXPECT_EQ(Code(MV_CC_SetEnumValueByString(h, "TriggerMode", "Sometimes")), MV_E_GC_ARGUMENT);
    EXPECT_EQ(Code(MV_CC_SetEnumValue(h, "TriggerMode", 7)), MV_E_GC_ARGUMENT);
    ASSERT_EQ(Code(MV_CC_SetEnumValue(h, "TriggerMode", 0)), MV_OK);
    ASSERT_EQ(Code(MV_CC_GetEnumValue(h, "TriggerMode", &trigger)), MV_OK);
    EXPECT_EQ(trigger.nCurValue, 0u);

    EXPECT_EQ(Code(MV_CC_SetStringValue(h, "DeviceVendorName", "x")), MV_E_GC_ACCESS);
    EXPECT_EQ(Code(MV_CC_SetCommandValue(h, "Width")), MV_E_SUPPORT);
    EXPECT_EQ(Code(MV_CC_SetCommandValue(h, "AcquisitionStop")), MV_OK);
    int flag = 0;
    EXPECT_EQ(Code(MV_CC_GetBoolValue(h, "Width", &flag)), MV_E_SUPPORT);
    EXPECT_EQ(Code(MV_CC_InvalidateNodes(h)), MV_OK);
}

TEST_F(BackendTest, TheGenICamXmlIsTheCamerasOwn)
{
    void* h = OpenEmulator();
    ASSERT_NE(h, nullptr);
    unsigned int length = 0;
    ASSERT_EQ(Code(MV_XML_GetGenICamXML(h, nullptr, 0, &length)), MV_OK);
    ASSERT_GT(length, 1000u);
    std::vector<unsigned char> small(10);
    unsigned int again = 0;
    EXPECT_EQ(Code(MV_XML_GetGenICamXML(h, small.data(), 10, &again)), MV_E_PARAMETER);
    EXPECT_EQ(again, length);
    std::vector<unsigned char> buffer(length);
    ASSERT_EQ(Code(MV_XML_GetGenICamXML(h, buffer.data(), length, &again)), MV_OK);
    EXPECT_EQ(buffer[length - 1], '\0');
    const std::string xml(reinterpret_cast<const char*>(buffer.data()));
    EXPECT_EQ(xml.size() + 1, length);
    EXPECT_NE(xml.find("RegisterDescription"), std::string::npos);
    EXPECT_NE(xml.find("AcquisitionFrameRateConverter"), std::string::npos);
    EXPECT_EQ(Code(MV_XML_GetGenICamXML(h, nullptr, 5, &again)), MV_E_PARAMETER);
}

// Aravis's in-process fake camera, for what needs no network: enabled by ORNIC_ARAVIS_FAKE,
// listed as a USB3 Vision device (it is on no network).
TEST_F(BackendTest, TheInProcessFakeCameraNeedsNoNetwork)
{
    ScopedEnv fake("ORNIC_ARAVIS_FAKE", "1");
    ScopedEnv addresses("ORNIC_ARAVIS_ADDRESSES", "127.0.0.2");
    ASSERT_EQ(MV_CC_EnumDevices(MV_GIGE_DEVICE | MV_USB_DEVICE, &list), 0);
    ASSERT_EQ(list.nDeviceNum, 1u);
    const MvDeviceInfo* record = list.pDeviceInfo[0];
    ASSERT_EQ(record->nTLayerType, MV_USB_DEVICE);
    EXPECT_EQ(Text(record->SpecialInfo.stUsb3VInfo.chModelName), "Fake");
    EXPECT_EQ(Text(record->SpecialInfo.stUsb3VInfo.chVendorName), "Aravis");
    void* h = NewHandle(record);
    ASSERT_EQ(Code(MV_CC_OpenDevice(h, 1, 0)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(h, "Width", 256)), MV_OK);
    EXPECT_EQ(Int(h, "Width"), 256);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(h, "Width", 1 << 20)), MV_E_GC_RANGE);
    MvXmlNode root{};
    EXPECT_EQ(Code(MV_XML_GetRootNode(h, &root)), MV_OK);
    ASSERT_EQ(MV_CC_EnumDevices(MV_GIGE_DEVICE | MV_USB_DEVICE, &list), 0);
    EXPECT_EQ(list.pDeviceInfo[0], record);
}

TEST_F(BackendTest, FinalizeWithoutInitializeIsRefused)
{
    EXPECT_EQ(MV_CC_Finalize(), 0);
    initialized = false;
    EXPECT_EQ(Code(MV_CC_Finalize()), MV_E_CALLORDER);
    MvDeviceInfoList none{};
    EXPECT_EQ(Code(MV_CC_EnumDevices(MV_GIGE_DEVICE, &none)), MV_E_CALLORDER);
    EXPECT_EQ(MV_CC_GetSDKVersion() >> 16, 0x0008u);  // Aravis 0.8
}
