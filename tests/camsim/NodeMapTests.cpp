// The node map as a driver meets it: walking the tree from the root, reading node records,
// typed reads and writes with the camera's error answers, access that follows the camera's
// state, selectors, and the rules between image size, binning and payload.
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "StreamSupport.h"

namespace SimTest {
namespace {

class NodeMap : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        mono = OpenHandle(0);    // the default GigE Vision mono camera
        colour = OpenHandle(1);  // the default USB3 Vision Bayer camera
        ASSERT_NE(mono, nullptr);
        ASSERT_NE(colour, nullptr);
    }

    static MvIntValueEx Int(void* handle, const char* name)
    {
        MvIntValueEx value{};
        EXPECT_EQ(Code(MV_CC_GetIntValueEx(handle, name, &value)), MV_OK) << name;
        return value;
    }

    static uint32_t Access(void* handle, const char* name)
    {
        MvXmlAccessMode mode = AM_Undefined;
        EXPECT_EQ(Code(MV_XML_GetNodeAccessMode(handle, name, &mode)), MV_OK) << name;
        return mode;
    }

    static std::string EnumSymbolic(void* handle, const char* name)
    {
        MvEnumValue value{};
        EXPECT_EQ(Code(MV_CC_GetEnumValue(handle, name, &value)), MV_OK) << name;
        MvEnumEntry entry{};
        entry.nValue = value.nCurValue;
        EXPECT_EQ(Code(MV_CC_GetEnumEntrySymbolic(handle, name, &entry)), MV_OK) << name;
        return Text(entry.chSymbolic);
    }

    static MvXmlNode NodeRecord(uint32_t type, const char* name)
    {
        MvXmlNode node{};
        node.enType = type;
        std::snprintf(node.strName, sizeof node.strName, "%s", name);
        return node;
    }

    struct Walked {
        MvXmlNode node;
        std::string parent;
    };

    // Every node reachable from the root, by name, as a driver building its feature tree sees them.
    static std::map<std::string, Walked> Walk(void* handle)
    {
        std::map<std::string, Walked> found;
        MvXmlNode root{};
        EXPECT_EQ(Code(MV_XML_GetRootNode(handle, &root)), MV_OK);
        EXPECT_EQ(root.enType, static_cast<uint32_t>(IFT_ICategory));
        std::function<void(const MvXmlNode&)> visit = [&](const MvXmlNode& parent) {
            auto list = std::make_unique<MvXmlNodeList>();
            ASSERT_EQ(Code(MV_XML_GetChildren(handle, &parent, list.get())), MV_OK) << Text(parent.strName);
            ASSERT_LE(list->nNodeNum, static_cast<uint32_t>(MV_MAX_XML_NODE_NUM));
            for (uint32_t i = 0; i < list->nNodeNum; ++i) {
                const MvXmlNode& child = list->stNodes[i];
                const std::string name = Text(child.strName);
                EXPECT_TRUE(found.emplace(name, Walked{child, Text(parent.strName)}).second) << "twice: " << name;
                if (child.enType == IFT_ICategory) {
                    visit(child);
                }
            }
        };
        visit(root);
        return found;
    }

    void* mono = nullptr;
    void* colour = nullptr;
};

TEST_F(NodeMap, TreeFromTheRootHasTheStandardCategoriesAndEveryNodeHasItsRecord)
{
    const auto nodes = Walk(mono);
    const std::map<std::string, std::string> expectedParents = {
        {"DeviceControl", "Root"},
        {"DeviceSerialNumber", "DeviceControl"},
        {"DeviceReset", "DeviceControl"},
        {"Width", "ImageFormatControl"},
        {"PixelFormat", "ImageFormatControl"},
        {"ExposureTime", "AcquisitionControl"},
        {"TriggerSoftware", "AcquisitionControl"},
        {"Gain", "AnalogControl"},
        {"UserSetSave", "UserSetControl"},
        {"EventNotification", "EventControl"},
        {"PayloadSize", "TransportLayerControl"},
        {"GevCurrentIPAddress", "TransportLayerControl"},
        {"SimDiagnosticsRegister", "SimulatorInternal"},
    };
    for (const auto& [name, parent] : expectedParents) {
        const auto found = nodes.find(name);
        ASSERT_NE(found, nodes.end()) << name;
        EXPECT_EQ(found->second.parent, parent) << name;
    }
    EXPECT_EQ(nodes.count("BalanceRatio"), 0u);  // colour features only on the colour model
    EXPECT_EQ(nodes.at("SimulatorInternal").node.enVisivility, static_cast<uint32_t>(V_Invisible));
    EXPECT_EQ(nodes.at("Width").node.enVisivility, static_cast<uint32_t>(V_Beginner));
    EXPECT_EQ(nodes.at("GevHeartbeatTimeout").node.enVisivility, static_cast<uint32_t>(V_Guru));
    EXPECT_EQ(Text(nodes.at("Width").node.strDescription), "Width of the image provided by the device (in pixels).");
    EXPECT_EQ(Text(nodes.at("PixelFormat").node.strDisplayName), "Pixel Format");

    // Every node answers the feature record of its own type, named like the node.
    for (const auto& [name, walked] : nodes) {
        union {
            MvXmlFeatureInteger i;
            MvXmlFeatureFloat f;
            MvXmlFeatureEnumeration e;
            MvXmlFeatureString s;
            MvXmlFeatureRegister r;
            MvXmlFeatureBase base;
        } feature;
        ASSERT_EQ(Code(MV_XML_GetNodeFeature(mono, &walked.node, &feature)), MV_OK) << name;
        EXPECT_EQ(Text(feature.base.strName), name);
        EXPECT_LE(feature.base.enAccessMode, static_cast<uint32_t>(AM_RW)) << name;
    }

    // A leaf has no children; names the camera does not have are refused.
    auto list = std::make_unique<MvXmlNodeList>();
    list->nNodeNum = 99;
    EXPECT_EQ(Code(MV_XML_GetChildren(mono, &nodes.at("Width").node, list.get())), MV_OK);
    EXPECT_EQ(list->nNodeNum, 0u);
    const MvXmlNode unknown = NodeRecord(IFT_ICategory, "NoSuchCategory");
    EXPECT_EQ(Code(MV_XML_GetChildren(mono, &unknown, list.get())), MV_E_GC_PROPERTY);
}

TEST_F(NodeMap, FeatureRecordsCarryLimitsUnitsEntriesAndIdentity)
{
    MvXmlFeatureInteger width{};
    MvXmlNode node = NodeRecord(IFT_IInteger, "Width");
    ASSERT_EQ(Code(MV_XML_GetNodeFeature(mono, &node, &width)), MV_OK);
    EXPECT_EQ(width.nValue, 1280);
    EXPECT_EQ(width.nMinValue, 64);
    EXPECT_EQ(width.nMaxValue, 1280);
    EXPECT_EQ(width.nIncrement, 4);
    EXPECT_EQ(width.base.enAccessMode, static_cast<uint32_t>(AM_RW));

    // The caller's record type must match the node, or it might be too small for it.
    node = NodeRecord(IFT_IFloat, "Width");
    MvXmlFeatureFloat wrong{};
    EXPECT_EQ(Code(MV_XML_GetNodeFeature(mono, &node, &wrong)), MV_E_PARAMETER);

    MvXmlFeatureFloat gain{};
    node = NodeRecord(IFT_IFloat, "Gain");
    ASSERT_EQ(Code(MV_XML_GetNodeFeature(colour, &node, &gain)), MV_OK);
    EXPECT_EQ(Text(gain.strUnit), "dB");
    EXPECT_DOUBLE_EQ(gain.dfMaxValue, 24.0);

    MvXmlFeatureInteger ip{};
    node = NodeRecord(IFT_IInteger, "GevCurrentIPAddress");
    ASSERT_EQ(Code(MV_XML_GetNodeFeature(mono, &node, &ip)), MV_OK);
    EXPECT_EQ(ip.bIsIpAddress, 1u);
    EXPECT_EQ(ip.nValue, static_cast<int64_t>(Device(0).ipAddress));
    EXPECT_EQ(ip.base.enAccessMode, static_cast<uint32_t>(AM_RO));

    MvXmlFeatureString serial{};
    node = NodeRecord(IFT_IString, "DeviceSerialNumber");
    ASSERT_EQ(Code(MV_XML_GetNodeFeature(colour, &node, &serial)), MV_OK);
    EXPECT_EQ(Text(serial.strValue), "S2000001");

    MvXmlFeatureRegister reg{};
    node = NodeRecord(IFT_IRegister, "SimDiagnosticsRegister");
    ASSERT_EQ(Code(MV_XML_GetNodeFeature(mono, &node, &reg)), MV_OK);
    EXPECT_EQ(reg.nLength, 16);
    EXPECT_NE(reg.nAddrValue, 0);

    auto formats = [](void* handle) {
        auto feature = std::make_unique<MvXmlFeatureEnumeration>();
        MvXmlNode pixelFormat = NodeRecord(IFT_IEnumeration, "PixelFormat");
        EXPECT_EQ(Code(MV_XML_GetNodeFeature(handle, &pixelFormat, feature.get())), MV_OK);
        std::set<std::string> names;
        for (uint32_t i = 0; i < feature->nSymbolicNum; ++i) {
            names.insert(Text(feature->stEntries[i].strSymbolic));
        }
        EXPECT_TRUE(names.count(Text(feature->strCurrentSymbolic)));
        return names;
    };
    EXPECT_EQ(formats(mono), (std::set<std::string>{"Mono8", "Mono10", "Mono10Packed", "Mono12", "Mono12Packed"}));
    const auto colourFormats = formats(colour);
    for (const char* name : {"BayerRG8", "BayerRG10", "BayerRG12Packed", "RGB8Packed", "BGR8Packed", "YUV422_8"}) {
        EXPECT_TRUE(colourFormats.count(name)) << name;
    }
    EXPECT_EQ(colourFormats.count("BayerGB8"), 0u);
}

TEST_F(NodeMap, TypedAccessAnswersTheCamerasErrors)
{
    MvIntValueEx intValue{};
    MvFloatValue floatValue{};
    MvEnumValue enumValue{};
    int boolValue = 0;
    // Unknown names.
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(mono, "NoSuchNode", &intValue)), MV_E_GC_PROPERTY);
    EXPECT_EQ(Code(MV_CC_SetFloatValue(mono, "NoSuchNode", 1.0f)), MV_E_GC_PROPERTY);
    EXPECT_EQ(Code(MV_CC_SetCommandValue(mono, "NoSuchNode")), MV_E_GC_PROPERTY);
    MvXmlAccessMode mode{};
    EXPECT_EQ(Code(MV_XML_GetNodeAccessMode(mono, "NoSuchNode", &mode)), MV_E_GC_PROPERTY);
    // Another type's accessor.
    EXPECT_EQ(Code(MV_CC_GetIntValueEx(mono, "Gain", &intValue)), MV_E_SUPPORT);
    EXPECT_EQ(Code(MV_CC_GetFloatValue(mono, "Width", &floatValue)), MV_E_SUPPORT);
    EXPECT_EQ(Code(MV_CC_GetEnumValue(mono, "Width", &enumValue)), MV_E_SUPPORT);
    EXPECT_EQ(Code(MV_CC_GetBoolValue(mono, "PixelFormat", &boolValue)), MV_E_SUPPORT);
    EXPECT_EQ(Code(MV_CC_SetCommandValue(mono, "Width")), MV_E_SUPPORT);
    EXPECT_EQ(Code(MV_CC_SetStringValue(mono, "Width", "1")), MV_E_SUPPORT);

    // Integers: range and increment.
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 1284)), MV_E_GC_RANGE);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 60)), MV_E_GC_RANGE);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 642)), MV_E_GC_RANGE);  // not on the 4-pixel grid
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 640)), MV_OK);
    EXPECT_EQ(Int(mono, "Width").nCurValue, 640);
    EXPECT_EQ(Int(colour, "Width").nCurValue, 2448);  // the other camera is untouched

    // Floats: range, non-numbers; the limits read back through the float record are accepted.
    ASSERT_EQ(Code(MV_CC_SetBoolValue(colour, "AcquisitionFrameRateEnable", 1)), MV_OK);
    ASSERT_EQ(Code(MV_CC_GetFloatValue(colour, "AcquisitionFrameRate", &floatValue)), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetFloatValue(colour, "AcquisitionFrameRate", floatValue.fMin)), MV_OK);  // 0.1
    EXPECT_EQ(Code(MV_CC_SetFloatValue(colour, "ExposureTime", 5.0f)), MV_E_GC_RANGE);
    EXPECT_EQ(Code(MV_CC_SetFloatValue(colour, "ExposureTime", NAN)), MV_E_GC_RANGE);
    EXPECT_EQ(Code(MV_CC_SetFloatValue(colour, "ExposureTime", 20000.0f)), MV_OK);
    ASSERT_EQ(Code(MV_CC_GetFloatValue(colour, "ExposureTime", &floatValue)), MV_OK);
    EXPECT_FLOAT_EQ(floatValue.fCurValue, 20000.0f);

    // Read-only nodes.
    EXPECT_EQ(Code(MV_CC_SetStringValue(mono, "DeviceModelName", "X")), MV_E_GC_ACCESS);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(mono, "PayloadSize", 10)), MV_E_GC_ACCESS);

    // Enumerations: by value and by name; unknown entries.
    EXPECT_EQ(Code(MV_CC_SetEnumValue(mono, "PixelFormat", PixelType_BayerRG8)), MV_E_GC_ARGUMENT);
    EXPECT_EQ(Code(MV_CC_SetEnumValueByString(mono, "PixelFormat", "RGB8Packed")), MV_E_GC_ARGUMENT);
    EXPECT_EQ(Code(MV_CC_SetEnumValueByString(mono, "PixelFormat", "Mono12")), MV_OK);
    ASSERT_EQ(Code(MV_CC_GetEnumValue(mono, "PixelFormat", &enumValue)), MV_OK);
    EXPECT_EQ(enumValue.nCurValue, static_cast<uint32_t>(PixelType_Mono12));
    EXPECT_EQ(enumValue.nSupportedNum, 5u);
    EXPECT_EQ(Code(MV_CC_SetEnumValue(mono, "PixelFormat", PixelType_Mono8)), MV_OK);
    EXPECT_EQ(EnumSymbolic(mono, "PixelFormat"), "Mono8");
    MvEnumEntry entry{};
    entry.nValue = 12345;
    EXPECT_EQ(Code(MV_CC_GetEnumEntrySymbolic(mono, "PixelFormat", &entry)), MV_E_GC_ARGUMENT);

    // Strings: the node's maximum length.
    EXPECT_EQ(Code(MV_CC_SetStringValue(mono, "DeviceUserID", "far-too-long-for-the-node")), MV_E_GC_RANGE);
    EXPECT_EQ(Code(MV_CC_SetStringValue(mono, "DeviceUserID", "Left")), MV_OK);
    MvXmlFeatureString userId{};
    const MvXmlNode node = NodeRecord(IFT_IString, "DeviceUserID");
    ASSERT_EQ(Code(MV_XML_GetNodeFeature(mono, &node, &userId)), MV_OK);
    EXPECT_EQ(Text(userId.strValue), "Left");

    // Booleans: any non-zero value is true.
    EXPECT_EQ(Code(MV_CC_SetBoolValue(mono, "GammaEnable", 7)), MV_OK);
    ASSERT_EQ(Code(MV_CC_GetBoolValue(mono, "GammaEnable", &boolValue)), MV_OK);
    EXPECT_EQ(boolValue, 1);
    EXPECT_EQ(Code(MV_CC_InvalidateNodes(mono)), MV_OK);
}

TEST_F(NodeMap, AccessFollowsTheCamerasState)
{
    // Automatic gain owns the gain.
    EXPECT_EQ(Access(mono, "Gain"), static_cast<uint32_t>(AM_RW));
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(mono, "GainAuto", "Continuous")), MV_OK);
    EXPECT_EQ(Access(mono, "Gain"), static_cast<uint32_t>(AM_RO));
    EXPECT_EQ(Code(MV_CC_SetFloatValue(mono, "Gain", 3.0f)), MV_E_GC_ACCESS);
    MvFloatValue gain{};
    EXPECT_EQ(Code(MV_CC_GetFloatValue(mono, "Gain", &gain)), MV_OK);  // still readable
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(mono, "GainAuto", "Off")), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetFloatValue(mono, "Gain", 3.0f)), MV_OK);

    // The frame rate limit is only writable when enabled.
    EXPECT_EQ(Code(MV_CC_SetFloatValue(mono, "AcquisitionFrameRate", 5.0f)), MV_E_GC_ACCESS);
    ASSERT_EQ(Code(MV_CC_SetBoolValue(mono, "AcquisitionFrameRateEnable", 1)), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetFloatValue(mono, "AcquisitionFrameRate", 5.0f)), MV_OK);

    // A software trigger needs trigger mode on with the software source.
    EXPECT_EQ(Access(mono, "TriggerSoftware"), static_cast<uint32_t>(AM_NA));
    EXPECT_EQ(Code(MV_CC_SetCommandValue(mono, "TriggerSoftware")), MV_E_GC_ACCESS);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(mono, "TriggerMode", "On")), MV_OK);
    EXPECT_EQ(Access(mono, "TriggerSoftware"), static_cast<uint32_t>(AM_NA));
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(mono, "TriggerSource", "Software")), MV_OK);
    EXPECT_EQ(Access(mono, "TriggerSoftware"), static_cast<uint32_t>(AM_WO));
    EXPECT_EQ(Code(MV_CC_SetCommandValue(mono, "TriggerSoftware")), MV_OK);

    // During acquisition the image format is locked; the region's position is not.
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 640)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetCommandValue(mono, "AcquisitionStart")), MV_OK);
    EXPECT_EQ(Access(mono, "Width"), static_cast<uint32_t>(AM_RO));
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 320)), MV_E_GC_ACCESS);
    EXPECT_EQ(Code(MV_CC_SetEnumValueByString(mono, "PixelFormat", "Mono12")), MV_E_GC_ACCESS);
    EXPECT_EQ(Code(MV_CC_SetCommandValue(mono, "UserSetLoad")), MV_E_GC_ACCESS);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(mono, "OffsetX", 16)), MV_OK);
    MvXmlFeatureInteger width{};
    const MvXmlNode node = NodeRecord(IFT_IInteger, "Width");
    ASSERT_EQ(Code(MV_XML_GetNodeFeature(mono, &node, &width)), MV_OK);
    EXPECT_EQ(width.base.bIsLocked, 1u);
    EXPECT_EQ(width.base.enAccessMode, static_cast<uint32_t>(AM_RO));
    ASSERT_EQ(Code(MV_CC_SetCommandValue(mono, "AcquisitionStop")), MV_OK);
    EXPECT_EQ(Access(mono, "Width"), static_cast<uint32_t>(AM_RW));

    // Closing the device ends an acquisition the driver left running.
    ASSERT_EQ(Code(MV_CC_SetCommandValue(mono, "AcquisitionStart")), MV_OK);
    ASSERT_EQ(Code(MV_CC_CloseDevice(mono)), MV_OK);
    ASSERT_EQ(Code(MV_CC_OpenDevice(mono, 1, 0)), MV_OK);
    EXPECT_EQ(Access(mono, "Width"), static_cast<uint32_t>(AM_RW));
}

TEST_F(NodeMap, ImageSizeFollowsBinningAndPayloadFollowsFormat)
{
    // The region and its offset share the sensor.
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 1000)), MV_OK);
    EXPECT_EQ(Int(mono, "OffsetX").nMax, 280);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(mono, "OffsetX", 284)), MV_E_GC_RANGE);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(mono, "OffsetX", 200)), MV_OK);
    EXPECT_EQ(Int(mono, "Width").nMax, 1080);

    // Binning halves what is left; a region that no longer fits shrinks.
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(mono, "BinningHorizontal", 2)), MV_OK);
    EXPECT_EQ(Int(mono, "WidthMax").nCurValue, 640);
    const MvIntValueEx width = Int(mono, "Width");
    const MvIntValueEx offset = Int(mono, "OffsetX");
    EXPECT_LE(width.nCurValue + offset.nCurValue, 640);
    EXPECT_EQ(width.nCurValue, 640);
    EXPECT_EQ(offset.nCurValue, 0);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 644)), MV_E_GC_RANGE);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(mono, "DecimationVertical", 2)), MV_OK);
    EXPECT_EQ(Int(mono, "Height").nMax, 512);
    EXPECT_EQ(Int(mono, "Height").nCurValue, 512);

    // PayloadSize: width * height * bytes per pixel of the format, packed formats included.
    EXPECT_EQ(Int(mono, "PayloadSize").nCurValue, 640 * 512);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(mono, "PixelFormat", "Mono12Packed")), MV_OK);
    EXPECT_EQ(Int(mono, "PayloadSize").nCurValue, 640 * 512 * 3 / 2);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(mono, "PixelFormat", "Mono10")), MV_OK);
    EXPECT_EQ(Int(mono, "PayloadSize").nCurValue, 640 * 512 * 2);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(colour, "PixelFormat", "RGB8Packed")), MV_OK);
    EXPECT_EQ(Int(colour, "PayloadSize").nCurValue, 2448 * 2048 * 3);
}

TEST_F(NodeMap, SelectorsKeepOneValuePerEntry)
{
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(colour, "BalanceRatioSelector", "Red")), MV_OK);
    // The ratio is an integer in 1/1024ths.
    const MvIntValueEx limits = Int(colour, "BalanceRatio");
    EXPECT_EQ(limits.nMin, 1);
    EXPECT_EQ(limits.nMax, 16383);
    EXPECT_EQ(limits.nCurValue, 1024);
    MvFloatValue floatRatio{};
    EXPECT_EQ(Code(MV_CC_GetFloatValue(colour, "BalanceRatio", &floatRatio)), MV_E_SUPPORT);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(colour, "BalanceRatio", 1792)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(colour, "BalanceRatioSelector", "Blue")), MV_OK);
    EXPECT_EQ(Int(colour, "BalanceRatio").nCurValue, 1024);  // untouched entry: the default
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(colour, "BalanceRatio", 2560)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(colour, "BalanceRatioSelector", "Red")), MV_OK);
    EXPECT_EQ(Int(colour, "BalanceRatio").nCurValue, 1792);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(colour, "BalanceRatio", 0)), MV_E_GC_RANGE);

    // Automatic white balance owns every ratio.
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(colour, "BalanceWhiteAuto", "Continuous")), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(colour, "BalanceRatio", 1024)), MV_E_GC_ACCESS);

    // Enumerations can be selected too.
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(mono, "EventSelector", "FrameStart")), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(mono, "EventNotification", "On")), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(mono, "EventSelector", "ExposureEnd")), MV_OK);
    EXPECT_EQ(EnumSymbolic(mono, "EventNotification"), "Off");

    // The colour matrix takes values while its enable is false: on this camera family true
    // switches to the hue/saturation path instead.
    EXPECT_EQ(Access(colour, "ColorTransformationValue"), static_cast<uint32_t>(AM_RW));
    ASSERT_EQ(Code(MV_CC_SetFloatValue(colour, "ColorTransformationValue", -0.5f)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetBoolValue(colour, "ColorTransformationEnable", 1)), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetFloatValue(colour, "ColorTransformationValue", 0.5f)), MV_E_GC_ACCESS);
}

TEST_F(NodeMap, ModelsDifferInTheirHdrNodesAndKeepOneValuePerSelectorPosition)
{
    const auto monoNodes = Walk(mono);
    const auto colourNodes = Walk(colour);
    // The colour camera spells HDRShutter and has HDRGain; the mono one spells HDRShuter, no gain.
    EXPECT_EQ(colourNodes.count("HDRShutter"), 1u);
    EXPECT_EQ(colourNodes.count("HDRGain"), 1u);
    EXPECT_EQ(colourNodes.count("HDRShuter"), 0u);
    EXPECT_EQ(monoNodes.count("HDRShuter"), 1u);
    EXPECT_EQ(monoNodes.count("HDRShutter"), 0u);
    EXPECT_EQ(monoNodes.count("HDRGain"), 0u);
    EXPECT_EQ(colourNodes.at("HDRSelector").node.enType, static_cast<uint32_t>(IFT_IInteger));
    EXPECT_EQ(colourNodes.at("ColorTransformationValue").parent, "ColorTransformationControl");
    EXPECT_EQ(monoNodes.count("ColorTransformationControl"), 0u);
    EXPECT_EQ(monoNodes.at("LineSelector").parent, "DigitalIOControl");

    // HDR settings only take writes while HDR is on.
    EXPECT_EQ(Access(colour, "HDRSelector"), static_cast<uint32_t>(AM_RO));
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(colour, "HDRShutter", 500)), MV_E_GC_ACCESS);
    ASSERT_EQ(Code(MV_CC_SetBoolValue(colour, "HDREnable", 1)), MV_OK);
    EXPECT_EQ(Access(colour, "HDRSelector"), static_cast<uint32_t>(AM_RW));

    // An integer selector keeps one value per position, like an enumeration does.
    for (int64_t index = 0; index < 4; ++index) {
        ASSERT_EQ(Code(MV_CC_SetIntValueEx(colour, "HDRSelector", index)), MV_OK);
        ASSERT_EQ(Code(MV_CC_SetIntValueEx(colour, "HDRShutter", 1000 + index * 100)), MV_OK);
        ASSERT_EQ(Code(MV_CC_SetFloatValue(colour, "HDRGain", static_cast<float>(index))), MV_OK);
    }
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(colour, "HDRSelector", 2)), MV_OK);
    EXPECT_EQ(Int(colour, "HDRShutter").nCurValue, 1200);
    MvFloatValue gain{};
    ASSERT_EQ(Code(MV_CC_GetFloatValue(colour, "HDRGain", &gain)), MV_OK);
    EXPECT_FLOAT_EQ(gain.fCurValue, 2.0f);

    // ... and a feature file carries every position back.
    const std::string path = ::testing::TempDir() + "camsim_hdr_features.txt";
    ASSERT_EQ(Code(MV_CC_FeatureSave(colour, path.c_str())), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(colour, "HDRSelector", 3)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(colour, "HDRShutter", 15)), MV_OK);
    ASSERT_EQ(Code(MV_CC_FeatureLoad(colour, path.c_str())), MV_OK);
    std::remove(path.c_str());
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(colour, "HDRSelector", 3)), MV_OK);
    EXPECT_EQ(Int(colour, "HDRShutter").nCurValue, 1300);

    // Lines: the selector comes first and every later node of the category follows it.
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(mono, "LineSelector", "Line1")), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(mono, "LineMode", "Output")), MV_OK);
    EXPECT_EQ(Access(mono, "LineSource"), static_cast<uint32_t>(AM_RW));
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(mono, "LineSelector", "Line0")), MV_OK);
    EXPECT_EQ(EnumSymbolic(mono, "LineMode"), "Input");
    EXPECT_EQ(Access(mono, "LineSource"), static_cast<uint32_t>(AM_RO));
}

TEST_F(NodeMap, IdentityNodesMatchTheDeviceRecord)
{
    MvDeviceInfoList list{};
    ASSERT_EQ(Code(MV_CC_EnumDevices(MV_GIGE_DEVICE, &list)), MV_OK);
    ASSERT_GE(list.nDeviceNum, 1u);
    const MvDeviceInfo& record = *list.pDeviceInfo[0];
    const int64_t mac = (static_cast<int64_t>(record.nMacAddrHigh) << 32) | record.nMacAddrLow;
    EXPECT_EQ(Int(mono, "GevMACAddress").nCurValue, mac);
    EXPECT_EQ(Int(mono, "GevCurrentIPAddress").nCurValue,
              static_cast<int64_t>(record.SpecialInfo.stGigEInfo.nCurrentIp));
    EXPECT_EQ(Int(mono, "GevPersistentIPAddress").nCurValue,
              static_cast<int64_t>(record.SpecialInfo.stGigEInfo.nCurrentIp));
}

TEST_F(NodeMap, UserSetsSaveAndLoadSettings)
{
    // The factory set cannot be overwritten.
    EXPECT_EQ(Code(MV_CC_SetCommandValue(mono, "UserSetSave")), MV_E_GC_ACCESS);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 800)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(mono, "UserSetSelector", "UserSet1")), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetCommandValue(mono, "UserSetSave")), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 400)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetCommandValue(mono, "UserSetLoad")), MV_OK);
    EXPECT_EQ(Int(mono, "Width").nCurValue, 800);
    EXPECT_EQ(EnumSymbolic(mono, "UserSetSelector"), "UserSet1");

    ASSERT_EQ(Code(MV_CC_SetEnumValueByString(mono, "UserSetSelector", "Default")), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetCommandValue(mono, "UserSetLoad")), MV_OK);
    EXPECT_EQ(Int(mono, "Width").nCurValue, 1280);

    // A reset reboots the camera: the connection is lost, and once it is back it has its
    // power-up values and its identity.
    const unsigned int id = Device(0).id;
    ASSERT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 400)), MV_OK);
    ASSERT_EQ(Code(MV_CC_SetCommandValue(mono, "DeviceReset")), MV_OK);
    EXPECT_EQ(Code(MV_CC_SetIntValueEx(mono, "Width", 640)), MV_E_BUSY);
    ASSERT_TRUE(WaitUntilListed(id));
    void* again = OpenHandle(0);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Int(again, "Width").nCurValue, 1280);
    MvXmlFeatureString serial{};
    const MvXmlNode node = NodeRecord(IFT_IString, "DeviceSerialNumber");
    ASSERT_EQ(Code(MV_XML_GetNodeFeature(again, &node, &serial)), MV_OK);
    EXPECT_EQ(Text(serial.strValue), "S1000001");
}

using Models = SimFixture;

// Every transport and sensor kind the configuration accepts opens with a complete model.
TEST_F(Models, EveryTransportAndKindHasAModel)
{
    ASSERT_EQ(Code(CamSim_LoadConfig("gige:G:1:mono; gige:G:2:bayer_rg; gige:G:3:bayer_gr; gige:G:4:bayer_gb;"
                                     "gige:G:5:bayer_bg; usb:U:6:mono; usb:U:7:bayer_bg; other:0x8:O:8:bayer_gb",
                                     nullptr)),
              MV_OK);
    const char* expectedFormat[] = {"Mono8",    "BayerRG8", "BayerGR8", "BayerGB8",
                                    "BayerBG8", "Mono8",    "BayerBG8", "BayerGB8"};
    for (unsigned int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        void* handle = OpenHandle(i);
        ASSERT_NE(handle, nullptr);
        ASSERT_EQ(Code(MV_CC_SetEnumValueByString(handle, "PixelFormat", expectedFormat[i])), MV_OK);
        MvIntValueEx packetSize{};
        EXPECT_EQ(Code(MV_CC_GetIntValueEx(handle, "GevSCPSPacketSize", &packetSize)),
                  i < 5 ? MV_OK : MV_E_GC_PROPERTY);
        MvIntValueEx ratio{};
        EXPECT_EQ(Code(MV_CC_GetIntValueEx(handle, "BalanceRatio", &ratio)),
                  i == 0 || i == 5 ? MV_E_GC_PROPERTY : MV_OK);
    }
}

// Open and close tags balance under one RegisterDescription element; false with the reason.
::testing::AssertionResult WellFormed(const std::string& xml)
{
    std::vector<std::string> open;
    std::size_t roots = 0;
    for (std::size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', at + 1)) {
        const std::size_t end = xml.find('>', at);
        if (end == std::string::npos) {
            return ::testing::AssertionFailure() << "unterminated tag at " << at;
        }
        const std::string tag = xml.substr(at + 1, end - at - 1);
        if (tag.empty() || tag[0] == '?') {
            continue;
        }
        if (tag[0] == '/') {
            if (open.empty() || open.back() != tag.substr(1)) {
                return ::testing::AssertionFailure() << "unbalanced </" << tag.substr(1) << ">";
            }
            open.pop_back();
            continue;
        }
        const std::string name = tag.substr(0, tag.find_first_of(" /"));
        if (open.empty()) {
            ++roots;
            if (name != "RegisterDescription") {
                return ::testing::AssertionFailure() << "root element " << name;
            }
        }
        if (tag.back() != '/') {
            open.push_back(name);
        }
    }
    if (!open.empty() || roots != 1) {
        return ::testing::AssertionFailure() << open.size() << " elements left open, " << roots << " roots";
    }
    return ::testing::AssertionSuccess();
}

TEST_F(NodeMap, GenICamXmlDescribesTheSameTree)
{
    unsigned int length = 0;
    ASSERT_EQ(Code(MV_XML_GetGenICamXML(colour, nullptr, 0, &length)), MV_OK);  // the size only
    ASSERT_GT(length, 1000u);
    std::vector<unsigned char> buffer(length);
    unsigned int reported = 0;
    EXPECT_EQ(Code(MV_XML_GetGenICamXML(colour, buffer.data(), length - 1, &reported)), MV_E_PARAMETER);
    EXPECT_EQ(reported, length);  // too small: the size needed
    EXPECT_EQ(Code(MV_XML_GetGenICamXML(colour, nullptr, 100, &reported)), MV_E_PARAMETER);
    EXPECT_EQ(Code(MV_XML_GetGenICamXML(colour, buffer.data(), length, nullptr)), MV_E_PARAMETER);
    ASSERT_EQ(Code(MV_XML_GetGenICamXML(colour, buffer.data(), length, &reported)), MV_OK);
    EXPECT_EQ(reported, length);
    ASSERT_EQ(buffer[length - 1], '\0');
    const std::string xml(reinterpret_cast<const char*>(buffer.data()));
    EXPECT_EQ(xml.size() + 1, length);
    EXPECT_TRUE(WellFormed(xml));
    EXPECT_NE(xml.find("ModelName=\"SIM-UC500\""), std::string::npos);

    // Every node of the tree is described, as an element of its own type.
    const char* elements[] = {"",      "",       "Integer",  "Boolean",  "Command",
                              "Float", "String", "Register", "Category", "Enumeration"};
    for (const auto& [name, walked] : Walk(colour)) {
        ASSERT_LT(walked.node.enType, 10u);
        const std::string element = std::string("<") + elements[walked.node.enType] + " Name=\"" + name + "\"";
        EXPECT_NE(xml.find(element), std::string::npos) << element;
        EXPECT_NE(xml.find("<pFeature>" + name + "</pFeature>"), std::string::npos) << name;
    }
    EXPECT_NE(xml.find("<EnumEntry Name=\"BayerRG12Packed\">"), std::string::npos);
    EXPECT_NE(xml.find("<pSelected>BalanceRatio</pSelected>"), std::string::npos);
}

}  // namespace
}  // namespace SimTest
