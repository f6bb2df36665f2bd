// Keeping the parameter model and the camera in step: reading, writing, the apply passes.
#include <cmath>
#include <exception>

#include "parameters/CameraParameters.h"
#include "parameters/NodeRecords.h"
#include "parameters/ParameterFamilies.h"
#include "util/Logger.h"

using namespace Util_2_1;
using NodeRecords::FeatureRecord;

struct CameraParameters::NodeRef {
    std::string node;      // the node to access
    std::string base;      // the name after the entry prefix (the whole name when plain)
    std::string selector;  // empty when plain
    std::string entry;
    bool Composite() const { return !selector.empty(); }
};

namespace {

// Passes of ApplyParameters: a write can make dependent parameters pending again.
constexpr int kApplyPasses = 5;
// Float values closer than this count as the same.
constexpr double kFloatTolerance = 0.001;

// The node type a parameter of this kind is read from; 0 for kinds that have none.
uint32_t NodeTypeOf(int32_t kind)
{
    switch (kind) {
    case TypeInt:
    case TypeIP:
        return IFT_IInteger;
    case TypeFloat:
        return IFT_IFloat;
    case TypeBool:
        return IFT_IBoolean;
    case TypeString:
        return IFT_IString;
    case TypeEnum:
        return IFT_IEnumeration;
    default:
        return 0;
    }
}

}  // namespace

CameraParameters::NodeRef CameraParameters::Resolve(const std::string& name) const
{
    NodeRef ref;
    const size_t split = name.find('_');
    if (split != std::string::npos) {
        const std::string base = name.substr(split + 1);
        const auto selector = selectorOfNode.find(base);
        if (selector != selectorOfNode.end()) {
            ref.node = base;
            ref.base = base;
            ref.selector = selector->second;
            ref.entry = name.substr(0, split);
            return ref;
        }
    }
    ref.node = name;
    ref.base = name;
    return ref;
}

bool CameraParameters::SetSelector(const std::string& selector, const std::string& entry) const
{
    return MV_CC_SetEnumValueByString(Handle(), selector.c_str(), entry.c_str()) == MV_OK;
}

bool CameraParameters::ReadFromCamera(Param& p)
{
    const int port = LogPort();
    const char* const tag = "CameraParameters::ReadFromCamera";
    try {
        const std::string& name = p.Name();
        if (IsCommand(name)) return true;
        if (p.TestFlags(FlagNonCamera)) return ReadNonCamera(p);

        const NodeRef ref = Resolve(name);
        if (ref.Composite()) {
            ORNIC_LOG3_TRACE(port, tag, "Updating composite " << name);
            ORNIC_LOG3_TRACE(port, tag, "Writing enum selector for " << ref.selector << " " << ref.entry);
            if (!SetSelector(ref.selector, ref.entry)) {
                ORNIC_LOG1_ERR(port, tag,
                               "Could not set enumeration selector for " << ref.selector << " " << ref.entry);
                return false;
            }
        }
        const uint32_t nodeType = NodeTypeOf(p.Type());
        if (nodeType == 0) {
            ORNIC_LOG1_ERR(port, tag, "Unrecognized parameter type for '" << name);
            return false;
        }
        FeatureRecord feature;
        if (!NodeRecords::FetchFeature(Handle(), ref.node, nodeType, feature).Ok()) {
            ORNIC_LOG1_ERR(port, tag,
                           "Could not obtain node features for " << ref.node << ", composite=" << ref.base
                                                                 << ", selName=" << ref.selector);
            return false;
        }
        const uint32_t mode = feature.base.enAccessMode;
        const bool writable = mode == AM_RW || mode == AM_WO;
        const bool readOnly = !writable || IsForcedReadOnly(name);
        readOnly ? p.SetFlags(FlagReadOnly) : p.ClearFlags(FlagReadOnly);
        switch (p.Type()) {
        case TypeInt:
            p.SetInt64(feature.integer.nValue);
            if (writable) {
                p.Minimum().SetInt64(feature.integer.nMinValue);
                p.Maximum().SetInt64(feature.integer.nMaxValue);
            }
            break;
        case TypeIP:
            p.SetInt64(feature.integer.nValue);
            ORNIC_LOG3_TRACE(port, tag, "Updating IP addr for " << DescribeParam(p));
            break;
        case TypeFloat:
            p.SetDouble(feature.real.dfValue);
            if (writable) {
                p.Minimum().SetDouble(feature.real.dfMinValue);
                p.Maximum().SetDouble(feature.real.dfMaxValue);
            }
            break;
        case TypeBool:
            p.SetBool(feature.boolean.bValue != 0);
            break;
        case TypeString:
            p.SetText(NodeRecords::Text(feature.string.strValue));
            break;
        case TypeEnum:
            SetEnumValues(p, feature.enumeration);
            p.SetText(NodeRecords::Text(feature.enumeration.strCurrentSymbolic));
            break;
        default:
            break;
        }
        ORNIC_LOG2_INFO(port, tag,
                        "Finished updating " << DescribeParam(p) << ", amode=" << NodeRecords::AccessText(mode)
                                             << ", RO=" << readOnly);
        return true;
    } catch (const std::exception& e) {
        ORNIC_LOG1_ERR(port, tag, "Exception: " << e.what());
    } catch (...) {
        ORNIC_LOG1_ERR(port, tag, "Undefined Exception");
    }
    return false;
}

bool CameraParameters::ReadNonCamera(Param& p)
{
    const std::string& name = p.Name();
    ORNIC_LOG3_TRACE(LogPort(), "CameraParameters::ReadFromCamera", "Updating NonCamera " << name);
    const ParameterFamily* family = ParameterFamilies::Owner(name);
    return family == nullptr || family->Read(*this, p);
}

bool CameraParameters::UpdateParameters()
{
    const int port = LogPort();
    ORNIC_LOG2_INFO(port, "CameraParameters::UpdateParameters", "** Update parameters");
    const MvStatus status(MV_CC_InvalidateNodes(Handle()));
    if (!status.Ok()) ORNIC_LOG1_ERR(port, "CameraParameters::UpdateParameters", "InvalidateNodes failed: " << status);
    for (const ParamPtr& p : params) {
        if (p->TestFlags(FlagGeneral)) continue;
        ParameterFamilies::Notice(*this, Sighting::Node, p->Name());
        p->ClearFlags(FlagModified);
        (void)ReadFromCamera(*p);
    }
    ParameterFamilies::UpdateAvailability(*this);
    ORNIC_LOG3_TRACE(port, "CameraParameters::UpdateParameters", "** Update parameters completed");
    return true;
}

void CameraParameters::GuardWrite(const char* node, GrabPauseGuard& guard, bool mayPauseGrabbing) const
{
    if (mayPauseGrabbing && !IsNodeWritable(node)) {
        ORNIC_LOG3_TRACE(LogPort(), "CameraParameters::WriteToCamera",
                         "Node access for " << node << " is not RW. Try stop grabbing");
        guard.Pause();
    }
}

void CameraParameters::GuardRead(const char* node, GrabPauseGuard& guard, bool mayPauseGrabbing) const
{
    if (mayPauseGrabbing && !IsNodeReadable(node)) {
        ORNIC_LOG3_TRACE(LogPort(), "CameraParameters::WriteToCamera",
                         "Node access for " << node << " is not Readable. Try stop grabbing");
        guard.Pause();
    }
}

bool CameraParameters::WriteToCamera(Param& p, bool& written, bool mayPauseGrabbing)
{
    const int port = LogPort();
    const char* const tag = "CameraParameters::WriteToCamera";
    written = false;
    // Resumes grabbing, if it paused it, when the call ends by any path.
    GrabPauseGuard guard(owner);
    try {
        if (p.TestFlags(FlagGeneral)) {
            ORNIC_LOG3_TRACE(port, tag, "WriteToCamera: General parameter ignored: " << DescribeParam(p));
            return true;
        }
        if (IsCommand(p.Name())) {
            ORNIC_LOG3_TRACE(port, tag, "WriteToCamera: Command ignored: " << DescribeParam(p));
            return true;
        }
        if (p.TestFlags(FlagNonCamera)) return WriteNonCamera(p, guard, mayPauseGrabbing);
        if (p.TestFlags(FlagReadOnly) && !mayPauseGrabbing) {
            ORNIC_LOG3_TRACE(port, tag, "WriteToCamera: Read-Only ignored: " << DescribeParam(p));
            return true;
        }
        if (p.TestFlags(FlagHidden)) {
            ORNIC_LOG3_TRACE(port, tag, "WriteToCamera: Invisible ignored: " << DescribeParam(p));
            return true;
        }
        if (!p.TestFlags(FlagModified)) {
            ORNIC_LOG3_TRACE(port, tag, "WriteToCamera: No apply pending, ignored: " << DescribeParam(p));
            return true;
        }
        return WriteCameraNode(p, written, guard, mayPauseGrabbing);
    } catch (const std::exception& e) {
        ORNIC_LOG1_ERR(port, tag, "Exception: " << e.what());
    } catch (...) {
        ORNIC_LOG1_ERR(port, tag, "Undefined Exception");
    }
    return false;
}

bool CameraParameters::WriteCameraNode(Param& p, bool& written, GrabPauseGuard& guard, bool mayPauseGrabbing)
{
    const int port = LogPort();
    const char* const tag = "CameraParameters::WriteToCamera";
    const std::string& name = p.Name();
    const NodeRef ref = Resolve(name);
    if (ref.Composite()) {
        ORNIC_LOG3_TRACE(port, tag, "Writing enum selector for " << ref.selector << " " << ref.entry);
        GuardWrite(ref.selector.c_str(), guard, mayPauseGrabbing);
        if (!IsNodeWritable(ref.selector.c_str())) {
            ORNIC_LOG1_ERR(port, tag, "enumeration selector for " << ref.selector << " is not writable! Node skipped");
            return false;
        }
        if (!SetSelector(ref.selector, ref.entry)) {
            ORNIC_LOG1_ERR(port, tag, "Could not set enumeration selector for " << name);
            return false;
        }
    }
    const char* const node = ref.node.c_str();
    GuardRead(node, guard, mayPauseGrabbing);
    if (!IsNodeReadable(node)) {
        ORNIC_LOG1_ERR(port, tag, "Node " << ref.node << " cannot be read! Node skipped");
        return false;
    }
    const uint32_t nodeType = NodeTypeOf(p.Type());
    FeatureRecord feature;
    if (nodeType == 0 || !NodeRecords::FetchFeature(Handle(), ref.node, nodeType, feature).Ok()) {
        ORNIC_LOG1_ERR(port, tag, "Could not retrieve node " << ref.node << ". Skipping parameter writing.");
        return false;
    }

    MvStatus status;
    switch (p.Type()) {
    case TypeInt:
    case TypeIP: {
        const int64_t old = feature.integer.nValue;
        const int64_t now = p.GetInt64();
        if (old == now) {
            ORNIC_LOG3_TRACE(port, tag,
                             (p.Type() == TypeIP ? "ip value was the same, write skipped: "
                                                 : "Int value was the same, write skipped: ")
                                 << now << " for " << name);
            break;
        }
        GuardWrite(node, guard, mayPauseGrabbing);
        ORNIC_LOG1_INFO(port, tag, "Apply int value " << old << " -> " << now << " for " << name);
        status = MV_CC_SetIntValueEx(Handle(), node, now);
        written = true;
        break;
    }
    case TypeFloat: {
        const double old = feature.real.dfValue;
        const double now = p.GetDouble();
        if (std::fabs(old - now) < kFloatTolerance) {
            ORNIC_LOG3_TRACE(port, tag, "Float value was the same, write skipped: " << now << " for " << name);
            break;
        }
        GuardWrite(node, guard, mayPauseGrabbing);
        ORNIC_LOG1_INFO(port, tag, "Apply float value " << old << " -> " << now << " for " << name);
        status = MV_CC_SetFloatValue(Handle(), node, static_cast<float>(now));
        written = true;
        break;
    }
    case TypeBool: {
        const bool now = p.GetBool();
        if ((feature.boolean.bValue != 0) == now) {
            ORNIC_LOG3_TRACE(port, tag, "Bool value was the same, write skipped: " << now << " for " << name);
            break;
        }
        GuardWrite(node, guard, mayPauseGrabbing);
        ORNIC_LOG1_INFO(port, tag, "Apply bool value " << now << " for " << name);
        status = MV_CC_SetBoolValue(Handle(), node, now ? 1 : 0);
        written = true;
        break;
    }
    case TypeString:
    case TypeEnum: {
        const bool isEnum = p.Type() == TypeEnum;
        const std::string old = isEnum ? NodeRecords::Text(feature.enumeration.strCurrentSymbolic)
                                       : NodeRecords::Text(feature.string.strValue);
        const std::string now = p.GetTextString();
        // Entry names compare without regard to case; a string's letter case is its value.
        if (isEnum ? EqualsNoCase(old, now) : old == now) {
            ORNIC_LOG3_TRACE(
                port, tag,
                (isEnum ? "enum value was the same, write skipped: " : "String value was the same, write skipped: ")
                    << now << " for " << name);
            break;
        }
        GuardWrite(node, guard, mayPauseGrabbing);
        ORNIC_LOG1_INFO(port, tag, "Apply string value " << old << " -> " << now << " for " << name);
        status = isEnum ? MV_CC_SetEnumValueByString(Handle(), node, now.c_str())
                        : MV_CC_SetStringValue(Handle(), node, now.c_str());
        written = true;
        break;
    }
    default:
        break;
    }
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(port, tag, "Failed to set camera parameter value " << DescribeParam(p) << status);
        return false;
    }
    if (written) {
        const auto dependents = dependentParams.find(name);
        if (dependents != dependentParams.end()) {
            for (const std::string& dependentName : dependents->second) {
                if (ParamPtr dependent = Find(dependentName)) {
                    ORNIC_LOG3_TRACE(port, tag, "WriteToCamera: Updating dependant param: " << dependent->Name());
                    (void)UpdateParamPropertiesFromNode(*dependent);
                    dependent->SetFlags(FlagModified);
                }
            }
        }
    }
    p.ClearFlags(FlagModified);
    ORNIC_LOG2_INFO(port, tag, "WriteToCamera complete:" << DescribeParam(p));
    return true;
}

bool CameraParameters::WriteNonCamera(Param& p, GrabPauseGuard& guard, bool mayPauseGrabbing)
{
    const ParameterFamily* family = ParameterFamilies::Owner(p.Name());
    return family == nullptr || family->Write(*this, p, guard, mayPauseGrabbing);
}

bool CameraParameters::ApplyParameters()
{
    const int port = LogPort();
    const char* const tag = "CameraParameters::ApplyParameters";
    ORNIC_LOG2_INFO(port, tag, "** Apply parameters");
    int writtenCount = 0;
    for (int pass = 1; pass <= kApplyPasses; ++pass) {
        ORNIC_LOG1_INFO(port, tag, "Apply Parameters, iteration:" << pass);
        writtenCount = 0;
        for (size_t i = 0; i < params.size(); ++i) {
            const ParamPtr p = params[i];  // a copy: the parameter outlives the call whatever happens
            bool written = false;
            (void)WriteToCamera(*p, written, false);
            if (written) ++writtenCount;
        }
        if (writtenCount == 0) break;
    }
    if (writtenCount != 0) {
        ORNIC_LOG1_INFO(port, tag, "Apply Parameters: Not all parameters accepted by camera");
        return false;
    }
    ORNIC_LOG1_INFO(port, tag, "Apply Parameters: Success");
    return true;
}

bool CameraParameters::IsSyncContinousMode() const
{
    const ParamPtr p = Find("SyncContinousMode");
    return p != nullptr && p->GetBool();
}

bool CameraParameters::IsSingleFrameMode() const
{
    const ParamPtr p = Find("AcquisitionMode");
    return p != nullptr && EqualsNoCase(p->GetTextString(), "SingleFrame");
}

int CameraParameters::GetCameraBufferCount() const
{
    const ParamPtr p = Find("CameraBufferCount");
    return p != nullptr ? p->GetInt() : 0;
}

bool CameraParameters::IsCompressionOn() const
{
    std::string mode;
    return imageCompressionMode.ReadSymbolic(mode).Ok() && !EqualsNoCase(mode, "Off");
}
