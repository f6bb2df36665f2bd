// Building the parameter model from the camera's node map.
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>

#include "parameters/CameraParameters.h"
#include "parameters/NameList.h"
#include "parameters/NodeRecords.h"
#include "parameters/ParameterFamilies.h"
#include "util/Globals.h"
#include "util/Logger.h"
#include "util/Version.h"

using namespace Util_2_1;
using NodeRecords::FeatureRecord;
using NodeRecords::NameOf;
using ParamPtr = CameraParameters::ParamPtr;

namespace {

const char* const kFavourites =
    "Width Height OffsetX OffsetY AcquisitionFrameRate AcquisitionFrameRateEnable TriggerMode TriggerSource "
    "ExposureTime Gain Brightness BlackLevel Gamma GammaEnable GammaSelector GevSCPSPacketSize GevSCPD";

constexpr const char* kIgnoredCategories[] = {"EventControl", "FileAccessControl", "LUTControl", "TransferControl"};

// Besides these, the camera nodes that a parameter family stands for are never parameters.
constexpr const char* kIgnoredNodes[] = {"DeviceConnectionSelector",
                                         "DeviceLinkSelector",
                                         "DeviceStreamChannelCount",
                                         "DeviceStreamChannelSelector",
                                         "DeviceStreamChannelType",
                                         "DeviceStreamChannelLink",
                                         "DeviceStreamChannelEndianness",
                                         "DeviceStreamChannelPacketSize",
                                         "DeviceEventChannelCount",
                                         "GevSupportedOptionSelector",
                                         "GevSupportedOption",
                                         "UserSetSelector",
                                         "TransferControl_Category_Inq",
                                         "ChunkDataControl_Category_Inq",
                                         "EventControl_Category_Inq",
                                         "CounterAndTimerControl_Category_Inq",
                                         "ShadingCorrection_Category_Inq",
                                         "ColorTransformationControl_Category_Inq",
                                         "SuperPaletteControl_Category_Inq",
                                         "EncoderControl_Category_Inq",
                                         "FrequencyConverter_Category_Inq",
                                         "ActionControl_Category_Inq",
                                         "ActionSelector"};

constexpr const char* kIpAddressNodes[] = {"GevSCDA",
                                           "GevPersistentSubnetMask",
                                           "GevPersistentIPAddress",
                                           "GevPersistentDefaultGateway",
                                           "GevCurrentSubnetMask",
                                           "GevCurrentIPAddress",
                                           "GevCurrentDefaultGateway"};

// Shown read-only whatever the camera says: a wrong write makes the camera unreachable.
constexpr const char* kPersistentIpNodes[] = {"GevPersistentSubnetMask", "GevPersistentIPAddress",
                                              "GevPersistentDefaultGateway"};
constexpr const char* kNonPersistentNodes[] = {"GevMCPHostPort", "GevMCDA", "GevMCSP"};
constexpr const char* kHexNodes[] = {"GevMACAddress", "GevMCDA"};
// Nodes that change the image size: they stand before Width and Height, and are written first.
constexpr const char* kSizeChangingNodes[] = {"BinningHorizontal", "BinningVertical", "BinningSelector",
                                              "DecimationHorizontal", "DecimationVertical"};

bool IsIgnoredNode(const std::string& name)
{
    return NameList(kIgnoredNodes).Contains(name) || ParameterFamilies::StandsFor(name);
}

std::vector<std::string> DependentsOf(const std::string& name)
{
    if (NameList(kSizeChangingNodes).Contains(name)) return {"Width", "Height"};
    return {};
}

}  // namespace

CameraParameters::CameraParameters(ParameterOwner& owner)
    : owner(owner), imageCompressionMode("ImageCompressionMode", owner)
{
    // Zero-filled, as the SDK expects of a list it fills; nothrow so that a failed allocation
    // shows up as the InitParameters error instead of an exception out of the camera.
    _ptr_mv_nodes1 = new (std::nothrow) MvXmlNodeList();
    _ptr_mv_nodes2 = new (std::nothrow) MvXmlNodeList();
}

CameraParameters::~CameraParameters()
{
    delete _ptr_mv_nodes1;
    delete _ptr_mv_nodes2;
}

const char* CameraParameters::IniFileName()
{
    iniFileName = Globals::Instance().ActiveIniFile();
    return iniFileName.c_str();
}

bool CameraParameters::InitParameters()
{
    const int port = LogPort();
    ORNIC_LOG3_TRACE(port, "CameraParameters::InitParameters", "** InitParameters");
    if (_ptr_mv_nodes1 == nullptr || _ptr_mv_nodes2 == nullptr) {
        ORNIC_LOG1_ERR(port, "CameraParameters::InitParameters", "_ptr_mv_nodes1/2 not intialized");
        return false;
    }
    ParameterFamilies::StartTree(*this);
    InitGeneralParameters();
    if (!CreateParamFromRoot(_ptr_mv_nodes1, _ptr_mv_nodes2)) return false;
    BuildDependencies();
    ORNIC_LOG3_TRACE(port, "CameraParameters::InitParameters",
                     "InitParameters complete, count=" << static_cast<uint32_t>(Count()));
    return true;
}

void CameraParameters::BuildDependencies()
{
    dependentParams.clear();
    dependentParams["TriggerMode"] = {"SensorShutterMode"};
    dependentParams["TriggerSource"] = {"TriggerActivation", "TriggerPartialClose", "TriggerDelay"};
    dependentParams["LineMode"] = {"LineDebouncerTime"};
    dependentParams["BalanceWhiteAuto"] = {"BalanceColorTemperatureMode"};
    dependentParams["GainAuto"] = {"Gain"};
    dependentParams["AutoGainLowerLimit"] = {"Gain"};
    dependentParams["AutoGainUpperLimit"] = {"Gain"};
    ParameterFamilies::AddDependents(dependentParams);
}

void CameraParameters::InitGeneralParameters()
{
    const char* const general = "General";
    auto logLevel = CreateParameter<ParamInt>("LogLevel", general, 1, FlagGeneral | FlagNoSave | FlagHidden);
    logLevel->Minimum().SetInt(0);
    logLevel->Maximum().SetInt(3);

    const uint32_t fixedInfo = FlagGeneral | FlagReadOnly | FlagNoSave | FlagNonCamera;
    CreateParameter<ParamString>("DrvVersion", general, Util_2_1::kDriverVersion, fixedInfo)
        ->SetDescription("Camera driver version");
    CreateParameter<ParamString>("SdkVersion", general, SdkVersionText(MV_CC_GetSDKVersion()), fixedInfo)
        ->SetDescription("Camera SDK version");

    if (ParamPtr favourites = Find("lib_Favourites")) {
        favourites->SetText(kFavourites);
    } else {
        ORNIC_LOG1_ERR(LogPort(), "CameraParameters::InitGeneralParameters",
                       "Parameter "
                           << "lib_Favourites"
                           << " not found");
    }

    const uint32_t setting = FlagGeneral | FlagNonCamera;
    CreateParameter<ParamBool>("SyncContinousMode", general, false, setting)
        ->SetDescription(
            "Setting Tarvik in continous mode by calling setProperty('continous', 1) also sets camera parameter "
            "AcquisitionMode=Continuous.\nDropping Tarvik from continous also sets camera parameter "
            "AcquisitionMode=SingleFrame.");

    auto bufferCount = CreateParameter<ParamInt>("CameraBufferCount", general, 3, setting);
    bufferCount->Minimum().SetInt(1);
    bufferCount->Maximum().SetInt(50);
    bufferCount->SetDescription(
        "Number of image buffers used internally by the SDK. Default is 3.\nTarvik callback (and subsequent image "
        "transfer to Tarvik) is called within the SDK callback. If there are sporadic delays, images may be lost. In "
        "such case buffer count increase probably could help.");

    auto colourMode = CreateParameter<ParamEnum>("ForceColorMode", general, "auto", setting);
    if (auto* choice = dynamic_cast<ParamEnum*>(colourMode.get())) {
        if (choice->GetEnumCount() == 0) choice->SetEntries({{"auto", 0}, {"mono", 1}, {"color", 2}}, 0);
    }
    colourMode->SetText("auto");
    colourMode->SetDescription(
        "Allow to preselect mono or color mode.\nDriver will attempt to determine color mode automatically, but "
        "some color modes (e.g. BayerBG8 and similar) are reported as monochrome by the camera, therefore, "
        "'color' mode must be used explicitly.");

    CreateParameter<ParamBool>("ReconnectOnLoss", general, true, setting)
        ->SetDescription(
            "Enable camera reconnect when heartbeat timeout disconnects camera.\nHeartbeat value can be adjusted by "
            "GevGVCPHeartbeatDisable and GevHeartbeatTimeout parameters in Transport Layer section.");
    CreateParameter<ParamInt>("ReconnectTryCount", general, 0, setting)
        ->SetDescription("Number of attempts to reopen camera.\n0 or negative value means indefinite attempts.");

    auto wait = CreateParameter<ParamInt>("ReconnectWaitSeconds", general, 10.0, setting);
    wait->SetPrecision(1);
    wait->SetDouble(10.0);
    wait->Minimum().SetDouble(1.0);
    wait->Maximum().SetDouble(3600.0);
    wait->SetUnit("s");
    wait->SetDescription(
        "Period in seconds to wait before attempting next reopen. The value can be fractional, e.g. 1.5 (equals "
        "to 1500ms)");
}

bool CameraParameters::CreateParamFromRoot(MvXmlNodeList* categories, MvXmlNodeList* children)
{
    const int port = LogPort();
    const char* const tag = "CameraParameters::CreateParamFromRoot";
    ORNIC_LOG3_TRACE(port, tag, "CreateParamFromRoot");
    MvXmlNode root;
    std::memset(&root, 0, sizeof root);
    MvStatus status(MV_XML_GetRootNode(Handle(), &root));
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(port, tag, "InitParameters: get root node error " << status);
        return false;
    }
    std::memset(categories, 0, sizeof *categories);
    status = MV_XML_GetChildren(Handle(), &root, categories);
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(port, tag, "InitParameters: could not obtain node list below root " << status);
        return false;
    }
    const uint32_t count = categories->nNodeNum < MV_MAX_XML_NODE_NUM ? categories->nNodeNum : MV_MAX_XML_NODE_NUM;
    for (uint32_t i = 0; i < count; ++i) {
        // A copy: the children list is refilled for every category.
        const MvXmlNode category = categories->stNodes[i];
        const std::string name = NameOf(category);
        ORNIC_LOG2_INFO(port, tag, "** Category: " << name);
        if (category.enType != IFT_ICategory) {
            ORNIC_LOG1_INFO(port, tag,
                            "  --Skipping unrecognized non-category: type=" << category.enType << " name=" << name);
            continue;
        }
        if (category.enVisivility >= V_Invisible) {
            ORNIC_LOG2_INFO(port, tag, "  --Skipping non-visible category " << name);
            continue;
        }
        if (NameList(kIgnoredCategories).Contains(name)) {
            ORNIC_LOG2_INFO(port, tag, "  --Skipping ignored category " << name);
            continue;
        }
        if (!CreateParamFromCategory(category, children)) return false;
        ParameterFamilies::CreateAt(*this, WalkPoint::CategoryDone, name, std::string());
    }
    return true;
}

bool CameraParameters::CreateParamFromCategory(const MvXmlNode& category, MvXmlNodeList* children)
{
    std::memset(children, 0, sizeof *children);
    const MvStatus status(MV_XML_GetChildren(Handle(), &category, children));
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(LogPort(), "CameraParameters::CreateParamFromCategory",
                       "Could not get node list for category " << NameOf(category) << status);
        return false;
    }
    if (children->nNodeNum > 1 && children->stNodes[0].enType == IFT_IEnumeration &&
        EqualsNoCase(NameOf(children->stNodes[0]), "LineSelector")) {
        return CreateSelector(category, children);
    }
    return DoCreateParamFromCategory(category, children, 0, std::string());
}

bool CameraParameters::DoCreateParamFromCategory(const MvXmlNode& category, MvXmlNodeList* children, uint32_t first,
                                                 const std::string& prefix)
{
    const int port = LogPort();
    const char* const tag = "CameraParameters::DoCreateParamFromCategory";
    const std::string section = NameOf(category);
    const uint32_t count = children->nNodeNum < MV_MAX_XML_NODE_NUM ? children->nNodeNum : MV_MAX_XML_NODE_NUM;
    for (uint32_t i = first; i < count; ++i) {
        const MvXmlNode node = children->stNodes[i];
        const std::string name = NameOf(node);
        if (!IsNodeAvailable(name.c_str())) {
            ORNIC_LOG2_INFO(port, tag, " -" << name << "  --skipping not available node ");
            continue;
        }
        ParameterFamilies::Notice(*this, Sighting::Node, name);
        if (node.enVisivility >= V_Invisible) {
            ORNIC_LOG2_INFO(port, tag, " -" << name << " --Skipping non - visible node ");
            continue;
        }
        ParameterFamilies::CreateAt(*this, WalkPoint::NodeMet, section, name);
        if (IsIgnoredNode(name)) {
            ORNIC_LOG2_INFO(port, tag, " -" << section << "::" << name << " --Skipping ignored property ");
            continue;
        }
        const char* created = nullptr;
        bool ok = true;
        if (NameList(kIpAddressNodes).Contains(name)) {
            ok = CreateParamFromNode<ParamIPAddress>(section, node, prefix, false);
            created = " :  Created IP address ";
        } else {
            switch (node.enType) {
            case IFT_IInteger:
                ok = CreateParamFromNode<ParamInt>(section, node, prefix, false);
                created = " :  Created integer ";
                break;
            case IFT_IBoolean:
                ok = CreateParamFromNode<ParamBool>(section, node, prefix, false);
                created = " :  Created bool ";
                break;
            case IFT_IFloat:
                ok = CreateParamFromNode<ParamFloat>(section, node, prefix, false);
                created = " :  Created float ";
                break;
            case IFT_IString:
                ok = CreateParamFromNode<ParamString>(section, node, prefix, false);
                created = " :  Created string ";
                break;
            case IFT_IEnumeration:
                ok = CreateParamFromNode<ParamEnum>(section, node, prefix, false);
                created = " :  Created enum ";
                break;
            case IFT_ICommand:
                ok = CreateParamFromNode<ParamString>(section, node, prefix, true);
                created = " : Created command ";
                break;
            case IFT_ICategory:
                ORNIC_LOG2_INFO(port, tag, "  --Skipping category within category " << prefix << "_" << name);
                break;
            case IFT_IRegister:
                ORNIC_LOG2_INFO(port, tag, "  --Skipping register " << prefix << name);
                break;
            default:
                ORNIC_LOG1_INFO(port, tag,
                                "  --Skipping unrecognized type: " << node.enType << " name=" << prefix << name);
                break;
            }
        }
        if (!ok) return false;
        if (created == nullptr) continue;
        ORNIC_LOG2_INFO(port, tag, " +" << prefix << name << created);
        ParameterFamilies::CreateAt(*this, WalkPoint::NodeCreated, section, name);
    }
    return true;
}

bool CameraParameters::CreateSelector(const MvXmlNode& category, MvXmlNodeList* children)
{
    const int port = LogPort();
    const char* const tag = "CameraParameters::CreateSelector";
    const std::string categoryName = NameOf(category);
    ORNIC_LOG2_INFO(port, tag, "Creating selector for category " << categoryName);
    if (children->nNodeNum < 2) {
        ORNIC_LOG1_ERR(port, tag, "Empty list for selector category " << categoryName);
        return false;
    }
    const MvXmlNode selector = children->stNodes[0];
    const std::string selectorName = NameOf(selector);
    if (selector.enType != IFT_IEnumeration) {
        ORNIC_LOG1_ERR(port, tag, "Not en enumeration type " << selectorName);
        return false;
    }
    FeatureRecord feature;
    const MvStatus status = NodeRecords::FetchFeature(Handle(), selector, feature);
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(port, tag, "Could not get selector entries " << status);
        return false;
    }
    const uint32_t entryCount = feature.enumeration.nSymbolicNum < MV_MAX_XML_SYMBOLIC_NUM
                                    ? feature.enumeration.nSymbolicNum
                                    : MV_MAX_XML_SYMBOLIC_NUM;
    if (entryCount == 0) {
        ORNIC_LOG1_ERR(port, tag, "  --Skipping empty selector ");
        return false;
    }
    for (uint32_t e = 0; e < entryCount; ++e) {
        const std::string entry = NodeRecords::Text(feature.enumeration.stEntries[e].strSymbolic);
        (void)MV_CC_SetEnumValueByString(Handle(), selectorName.c_str(), entry.c_str());
        std::memset(children, 0, sizeof *children);
        const MvStatus again(MV_XML_GetChildren(Handle(), &category, children));
        if (!again.Ok()) {
            ORNIC_LOG1_ERR(port, tag, "Could not get node list for category " << again);
            return false;
        }
        (void)DoCreateParamFromCategory(category, children, 1, entry + "_");
        const uint32_t count = children->nNodeNum < MV_MAX_XML_NODE_NUM ? children->nNodeNum : MV_MAX_XML_NODE_NUM;
        for (uint32_t i = 1; i < count; ++i) selectorOfNode[NameOf(children->stNodes[i])] = selectorName;
    }
    return true;
}

template <class T>
bool CameraParameters::CreateParamFromNode(const std::string& section, const MvXmlNode& node, const std::string& prefix,
                                           bool isCommand)
{
    const int port = LogPort();
    const char* const tag = "CameraParameters::CreateParamFromNode";
    const std::string nodeName = NameOf(node);
    FeatureRecord feature;
    const MvStatus status = NodeRecords::FetchFeature(Handle(), node, feature);
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(port, tag, "Could not get feature for " << nodeName << status);
        return false;
    }
    const std::string name = prefix + nodeName;
    if (Contains(name)) ORNIC_LOG2_WARN(port, tag, "Node " << name << " already exists");
    ParamPtr p = CreateParameterBefore<T>(name.c_str(), DependentsOf(name));
    p->SetSection(section);
    p->SetDescription(NodeRecords::Text(feature.base.strToolTip));
    savedNodes[name] = node;
    if (NameList(kHexNodes).Contains(name)) p->SetHex(true);
    if (isCommand) {
        p->SetFlags(FlagReadOnly);
        commandParams[name] = 1;
        p->SetText("this is a command");
        const std::string toolTip = NodeRecords::Text(feature.base.strToolTip);
        p->SetDescription(toolTip + "\nInvoke this command from python script: setProperty('" + name + "', 1)");
        return true;
    }
    (void)UpdateParamPropertiesFromNode(*p);
    switch (node.enType) {
    case IFT_IInteger:
        if (p->Type() == TypeInt || p->Type() == TypeIP) p->SetInt64(feature.integer.nValue);
        break;
    case IFT_IBoolean:
        p->SetBool(feature.boolean.bValue != 0);
        break;
    case IFT_IFloat:
        p->SetDouble(feature.real.dfValue);
        p->SetUnit(NodeRecords::Text(feature.real.strUnit));
        break;
    case IFT_IString:
        p->SetText(NodeRecords::Text(feature.string.strValue));
        break;
    case IFT_IEnumeration:
        p->SetText(NodeRecords::Text(feature.enumeration.strCurrentSymbolic));
        break;
    default:
        break;  // an IP-address node of another type: its value comes with the next read
    }
    return true;
}

template <class T>
CameraParameters::ParamPtr CameraParameters::CreateCustom_T(const std::string& section, const char* name,
                                                            const char* description, uint32_t flags)
{
    const int port = LogPort();
    const char* const tag = "CameraParameters::CreateCustom_T";
    if (ParamPtr existing = Find(name)) {
        ORNIC_LOG2_WARN(port, tag, "Node " << name << " already exists");
        return existing;
    }
    ORNIC_LOG3_TRACE(port, tag, "creating custom node " << name);
    ParamPtr p = CreateParameterBefore<T>(name, DependentsOf(name));
    p->SetSection(section);
    if (description != nullptr) p->SetDescription(description);
    p->SetFlags(flags);
    (void)ReadFromCamera(*p);
    return p;
}

template ParamPtr CameraParameters::CreateCustom_T<ParamBool>(const std::string&, const char*, const char*, uint32_t);
template ParamPtr CameraParameters::CreateCustom_T<ParamInt>(const std::string&, const char*, const char*, uint32_t);
template ParamPtr CameraParameters::CreateCustom_T<ParamFloat>(const std::string&, const char*, const char*, uint32_t);
template ParamPtr CameraParameters::CreateCustom_T<ParamVector<int>>(const std::string&, const char*, const char*,
                                                                     uint32_t);

template <class T>
CameraParameters::ParamPtr CameraParameters::CreateParameterBefore(const char* name,
                                                                   const std::vector<std::string>& dependents)
{
    if (name == nullptr || name[0] == '\0') throw std::invalid_argument("CreateParameterBefore : null  argument");
    if (ParamPtr existing = Find(name)) return existing;
    size_t position = params.size();
    for (size_t i = 0; i < params.size() && position == params.size(); ++i) {
        for (const std::string& dependent : dependents) {
            if (EqualsNoCase(params[i]->Name(), dependent)) {
                position = i;
                break;
            }
        }
    }
    ParamPtr p = std::make_shared<T>(name);
    Insert(p, position);
    return p;
}

bool CameraParameters::UpdateParamPropertiesFromNode(Param& p)
{
    const int port = LogPort();
    const char* const tag = "CameraParameters::UpdateParamPropertiesFromNode";
    const std::string& name = p.Name();
    if (p.TestFlags(FlagNonCamera)) {
        const ParameterFamily* family = ParameterFamilies::Owner(name);
        return family == nullptr || family->UpdateProperties(*this, p);
    }
    const auto saved = savedNodes.find(name);
    if (saved == savedNodes.end()) {
        ORNIC_LOG1_ERR(port, tag, "Could not find saved node for " << name);
        return false;
    }
    const MvXmlNode& node = saved->second;
    FeatureRecord feature;
    const MvStatus status = NodeRecords::FetchFeature(Handle(), node, feature);
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(port, tag, "Could not get feature for " << NameOf(node) << status);
        return false;
    }
    const uint32_t mode = NodeRecords::AccessOf(feature, node.enType);
    const uint32_t all = FlagUnavailable | FlagReadOnly | FlagHidden;
    switch (mode) {
    case AM_NI:
        p.SetFlags(all);
        break;
    case AM_NA:
    case AM_Undefined:
        p.SetFlags(FlagUnavailable | FlagReadOnly);
        p.ClearFlags(FlagHidden);
        break;
    case AM_RW:
        p.ClearFlags(all);
        break;
    case AM_WO:
        p.ClearFlags(FlagUnavailable | FlagReadOnly);
        p.SetFlags(FlagHidden);
        break;
    case AM_RO:
        p.ClearFlags(FlagUnavailable | FlagHidden);
        p.SetFlags(FlagReadOnly);
        break;
    default:
        p.ClearFlags(FlagUnavailable | FlagHidden);
        ORNIC_LOG2_INFO(port, tag, "  --Skipping parameter " << name << " with unexpected access mode " << mode);
        break;
    }
    if (IsForcedReadOnly(name)) {
        p.SetFlags(FlagReadOnly);
        ORNIC_LOG3_TRACE(port, tag, "Parameter " << name << " is forced read-only");
    }
    if (NameList(kNonPersistentNodes).Contains(name)) {
        p.SetFlags(FlagNoSave);
        ORNIC_LOG3_TRACE(port, tag, "Parameter " << name << " will be non-persistent");
    }
    if (p.Type() == TypeEnum && node.enType == IFT_IEnumeration) SetEnumValues(p, feature.enumeration);
    p.SetDescription(NodeRecords::Text(feature.base.strToolTip));
    return true;
}

void CameraParameters::SetEnumValues(Param& p, const MvXmlFeatureEnumeration& feature)
{
    const int port = LogPort();
    const char* const tag = "CameraParameters::SetEnumValues";
    const uint32_t count =
        feature.nSymbolicNum < MV_MAX_XML_SYMBOLIC_NUM ? feature.nSymbolicNum : MV_MAX_XML_SYMBOLIC_NUM;
    std::vector<std::string> names;
    names.reserve(count);
    for (uint32_t i = 0; i < count; ++i) names.push_back(NodeRecords::Text(feature.stEntries[i].strSymbolic));
    if (p.GetEnumCount() == static_cast<int>(names.size())) {
        bool same = true;
        for (size_t i = 0; i < names.size() && same; ++i) {
            same = EqualsNoCase(p.GetEnumEntry(static_cast<int>(i)).name, names[i]);
        }
        if (same) return;
    }
    ORNIC_LOG3_TRACE(port, tag, "  +Setting enum values for " << p.Name());
    std::vector<EnumEntry> entries;
    entries.reserve(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        ORNIC_LOG3_TRACE(port, tag, "    enumVal:" << names[i]);
        ParameterFamilies::Notice(*this, Sighting::EnumEntry, names[i]);
        EnumEntry entry;
        entry.name = names[i];
        entry.value = static_cast<int32_t>(i);
        entries.push_back(entry);
    }
    if (auto* choice = dynamic_cast<ParamEnum*>(&p)) {
        choice->SetEntries(entries);
    } else {
        p.SetEnumEntries(names);
    }
}

std::string CameraParameters::PropertyToNodeName(const std::string& name)
{
    if (EqualsNoCase(name, "framerate")) return "AcquisitionFrameRate";
    if (EqualsNoCase(name, "exposure") || EqualsNoCase(name, "shutter") || EqualsNoCase(name, "shuter")) {
        return "ExposureTime";
    }
    return name;
}

bool CameraParameters::IsNodeAvailable(const char* name) const
{
    MvXmlAccessMode mode = AM_NI;
    return MV_XML_GetNodeAccessMode(Handle(), name, &mode) == MV_OK && mode != AM_NI;
}

bool CameraParameters::IsNodeReadable(const char* name) const
{
    MvXmlAccessMode mode = AM_NI;
    return MV_XML_GetNodeAccessMode(Handle(), name, &mode) == MV_OK && (mode == AM_RO || mode == AM_RW);
}

bool CameraParameters::IsNodeWritable(const char* name) const
{
    MvXmlAccessMode mode = AM_NI;
    return MV_XML_GetNodeAccessMode(Handle(), name, &mode) == MV_OK && mode == AM_RW;
}

bool CameraParameters::IsForcedReadOnly(const std::string& name)
{
    return NameList(kPersistentIpNodes).Contains(name);
}
