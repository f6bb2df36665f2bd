// Building the parameter model from the camera's node map.
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>

#include "parameters/CameraParameters.h"
#include "parameters/DriverParameterNames.h"
#include "parameters/NodeRecords.h"
#include "util/Globals.h"
#include "util/Logger.h"
#include "util/Version.h"

using namespace Util_2_1;
using NodeRecords::FeatureRecord;
using NodeRecords::NameOf;
using namespace DriverParameterNames;

namespace {

const char* const kFavourites =
    "Width Height OffsetX OffsetY AcquisitionFrameRate AcquisitionFrameRateEnable TriggerMode TriggerSource "
    "ExposureTime Gain Brightness BlackLevel Gamma GammaEnable GammaSelector GevSCPSPacketSize GevSCPD";

bool InList(const std::string& name, std::initializer_list<const char*> list)
{
    for (const char* item : list) {
        if (EqualsNoCase(name, item)) return true;
    }
    return false;
}

bool IsIgnoredCategory(const std::string& name)
{
    return InList(name, {"EventControl", "FileAccessControl", "LUTControl", "TransferControl"});
}

bool IsIgnoredNode(const std::string& name)
{
    return InList(name, {"DeviceConnectionSelector",
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
                         "BalanceRatioSelector",
                         "BalanceRatio",
                         "HDRSelector",
                         "HDRShutter",
                         "HDRShuter",
                         "HDRGain",
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
                         "ColorTransformationEnable",
                         "ColorTransformationValueSelector",
                         "ColorTransformationValue",
                         "ActionControl_Category_Inq",
                         "ActionSelector"});
}

bool IsIpAddressNode(const std::string& name)
{
    return InList(name, {"GevSCDA", "GevPersistentSubnetMask", "GevPersistentIPAddress", "GevPersistentDefaultGateway",
                         "GevCurrentSubnetMask", "GevCurrentIPAddress", "GevCurrentDefaultGateway"});
}

std::vector<std::string> DependentsOf(const std::string& name)
{
    if (InList(name, {"BinningHorizontal", "BinningVertical", "BinningSelector", "DecimationHorizontal",
                      "DecimationVertical"})) {
        return {"Width", "Height"};
    }
    return {};
}

bool BeginsWith(const std::string& text, const char* prefix)
{
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

}  // namespace

CameraParameters::CameraParameters(ParameterOwner& owner)
    : owner(owner), balanceWhiteAuto("BalanceWhiteAuto", owner), imageCompressionMode("ImageCompressionMode", owner)
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
    balanceRatioCreated = 0;
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
    dependentParams["HDREnable"] = {"HDR_Shutter0", "HDR_Shutter1", "HDR_Shutter2", "HDR_Shutter3",
                                    "HDR_Gain0",    "HDR_Gain1",    "HDR_Gain2",    "HDR_Gain3"};
    dependentParams["BalanceWhiteAuto"] = {"BalanceColorTemperatureMode"};
    dependentParams["GainAuto"] = {"Gain"};
    dependentParams["AutoGainLowerLimit"] = {"Gain"};
    dependentParams["AutoGainUpperLimit"] = {"Gain"};
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
        if (IsIgnoredCategory(name)) {
            ORNIC_LOG2_INFO(port, tag, "  --Skipping ignored category " << name);
            continue;
        }
        if (!CreateParamFromCategory(category, children)) return false;
        if (EqualsNoCase(name, "ImageFormatControl") && bayerSeen) CreateBayerParameters(name);
        if (EqualsNoCase(name, "AcquisitionControl") && hdrEnableSeen) {
            CreateHdrParameters(name);
        }
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
        if (EqualsNoCase(name, "HDREnable")) hdrEnableSeen = 1;
        if (EqualsNoCase(name, "HDRGain")) hdrGainSeen = 1;
        if (node.enVisivility >= V_Invisible) {
            ORNIC_LOG2_INFO(port, tag, " -" << name << " --Skipping non - visible node ");
            continue;
        }
        if (EqualsNoCase(section, "AnalogControl") && !balanceRatioCreated &&
            (EqualsNoCase(name, "BalanceColorTemperatureMode") || EqualsNoCase(name, "BalanceRatio"))) {
            balanceRatioCreated = 1;
            CreateBalanceRatios(section);
        }
        if (IsIgnoredNode(name)) {
            ORNIC_LOG2_INFO(port, tag, " -" << section << "::" << name << " --Skipping ignored property ");
            continue;
        }
        const char* created = nullptr;
        bool ok = true;
        if (IsIpAddressNode(name)) {
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
        if (created != nullptr) ORNIC_LOG2_INFO(port, tag, " +" << prefix << name << created);
        if (created != nullptr && EqualsNoCase(section, "ColorTransformationControl") &&
            EqualsNoCase(name, "ColorTransformationSelector")) {
            CreateCcmParameters(section);
            ORNIC_LOG2_INFO(port, tag, " +Created CCM matrix");
        }
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
    if (EqualsNoCase(name, "GevMACAddress") || EqualsNoCase(name, "GevMCDA")) p->SetHex(true);
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
    if (p.TestFlags(FlagNonCamera)) return UpdateHdrProperties(p);
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
    if (IsOneOf(name, kPersistentIpNodes)) {
        p.SetFlags(FlagReadOnly);
        ORNIC_LOG3_TRACE(port, tag, "Parameter " << name << " is forced read-only");
    }
    if (EqualsNoCase(name, "GevMCPHostPort") || EqualsNoCase(name, "GevMCDA") || EqualsNoCase(name, "GevMCSP")) {
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
        if (BeginsWith(names[i], "Bayer")) bayerSeen = 1;
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

bool CameraParameters::IsNodeAccessible(const char* name, bool forReading) const
{
    MvXmlAccessMode mode = AM_NI;
    if (MV_XML_GetNodeAccessMode(Handle(), name, &mode) != MV_OK) return false;
    return forReading ? (mode == AM_RO || mode == AM_RW) : (mode == AM_WO || mode == AM_RW);
}

// ---- the driver's own parameters inside camera categories

void CameraParameters::CreateBalanceRatios(const std::string& section)
{
    static const char* const descriptions[] = {
        "Red component of white auto balance. Active when BalanceWhiteAuto is off",
        "Green component of white auto balance. Active when BalanceWhiteAuto is off",
        "Blue component of white auto balance. Active when BalanceWhiteAuto is off"};
    ParamPtr ratios[3];
    for (int i = 0; i < 3; ++i)
        ratios[i] = CreateCustom_T<ParamInt>(section, kBalanceRatios[i], descriptions[i], FlagNonCamera);
    FeatureRecord feature;
    if (NodeRecords::FetchFeature(Handle(), NodeRecords::MakeNode("BalanceRatio", IFT_IInteger), feature).Ok()) {
        for (const ParamPtr& ratio : ratios) {
            ratio->Minimum().SetInt64(feature.integer.nMinValue);
            ratio->Maximum().SetInt64(feature.integer.nMaxValue);
        }
    }
}

void CameraParameters::CreateBayerParameters(const std::string& section)
{
    const char* const use = "\nTo be used in conversion Bayer8/10/12/16 => RGB24";
    CreateCustom_T<ParamBool>(section, "UseBayerGamma", (std::string("Enable BayerGamma value.") + use).c_str(),
                              FlagNonCamera)
        ->SetBool(false);
    auto gamma = CreateCustom_T<ParamFloat>(
        section, "BayerGamma", "Use gamma to convert grabbed image internally from Bayer8/10/12/16 to RGB24",
        FlagNonCamera);
    gamma->SetDouble(1.0);
    gamma->Minimum().SetDouble(0.1);
    gamma->Maximum().SetDouble(4.0);
    CreateCustom_T<ParamBool>(section, "UseBayerCvtQuality",
                              (std::string("Enable BayerCvtQuality value.") + use).c_str(), FlagNonCamera)
        ->SetBool(false);
    CreateCustom_T<ParamInt>(section, "BayerCvtQuality",
                             "Set the bell interpolation quality parameter of the internal grabbed image conversion "
                             "from Bayer8/10/12/16 to RGB24.\nBayer interpolation values:  0-Fast 1-Equilibrium "
                             "2-Optimal",
                             FlagNonCamera)
        ->SetInt(0);
    CreateCustom_T<ParamBool>(section, "UseBayerMatrix", (std::string("Enable Color correction matrix.") + use).c_str(),
                              FlagNonCamera)
        ->SetBool(false);
    auto scale = CreateCustom_T<ParamInt>(
        section, "BayerMatrixScale",
        "Quantitative scale of color correction matrix.\n Values of integer power of 2, up to 65536", FlagNonCamera);
    scale->SetInt(1);
    scale->Minimum().SetInt(1);
    scale->Maximum().SetInt(65536);
    const char* const rowText = "Color correction matrix (3x3) elements. \nRange -65536 .. +65536";
    CreateCustom_T<ParamVector<int>>(section, "BayerMatrixRow0", rowText, FlagNonCamera)->SetText("1 0 0");
    CreateCustom_T<ParamVector<int>>(section, "BayerMatrixRow1", rowText, FlagNonCamera)->SetText("0 1 0");
    CreateCustom_T<ParamVector<int>>(section, "BayerMatrixRow2", rowText, FlagNonCamera)->SetText("0 0 1");
    SetBayerAvailability();
}

void CameraParameters::CreateHdrParameters(const std::string& section)
{
    for (const char* name : kHdrShutters) CreateCustom_T<ParamInt>(section, name, "", FlagNonCamera);
    if (!hdrGainSeen) return;
    FeatureRecord feature;
    if (NodeRecords::FetchFeature(Handle(), NodeRecords::MakeNode("HDRGain", IFT_IFloat), feature).Ok() &&
        feature.base.enAccessMode != AM_NI) {
        for (const char* name : kHdrGains) CreateCustom_T<ParamFloat>(section, name, "", FlagNonCamera);
    }
}

void CameraParameters::CreateCcmParameters(const std::string& section)
{
    CreateCustom_T<ParamBool>(
        section, "ColorTransformationEnable",
        "Enable CCM or Hue/Saturation setting.\nNOTE: This is opposite value to what MVS (v3.3 and v3.4) shows.",
        FlagNonCamera);
    const char* const description =
        "new r = r*e00 + g*e01 + b*e02\nnew g = r*e10 + g*e11 + b*e12\nnew b = r*e20 + g*e21 + b*e22";
    for (int i = 0; i < 9; ++i) {
        auto element = CreateCustom_T<ParamFloat>(section, kCcmElements[i], description, FlagNonCamera);
        element->SetDouble(i % 4 == 0 ? 1.0 : 0.0);
        element->Minimum().SetDouble(-4.0);
        element->Maximum().SetDouble(4.0);
    }
    // The enable switch was read before the elements existed; give them its state now.
    if (ParamPtr enable = Find("ColorTransformationEnable")) SetCcmAvailability(enable->GetBool());
}
