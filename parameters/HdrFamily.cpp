// The HDR sequence: HDR_Shutter0 to HDR_Shutter3 and HDR_Gain0 to HDR_Gain3 stand
// for the camera's "HDRShutter" (some cameras spell it "HDRShuter") and "HDRGain" values, which
// "HDRSelector" switches between the steps of the sequence. They are usable while the camera's
// "HDREnable" is on.
#include <cstring>
#include <iterator>

#include "parameters/NodeRecords.h"
#include "parameters/ParameterFamily.h"
#include "util/Logger.h"

using namespace Util_2_1;
using NodeRecords::FeatureRecord;

namespace {

// The steps of the sequence: the shutters first, then the gains, each in step order.
constexpr int kSteps = 4;
constexpr const char* kNames[] = {"HDR_Shutter0", "HDR_Shutter1", "HDR_Shutter2", "HDR_Shutter3",
                                  "HDR_Gain0",    "HDR_Gain1",    "HDR_Gain2",    "HDR_Gain3"};
static_assert(std::size(kNames) == 2u * kSteps, "a shutter and a gain for each step");
constexpr const char* kCameraNodes[] = {"HDRSelector", "HDRShutter", "HDRShuter", "HDRGain"};

// Marks: the walk or a refresh met the camera's nodes "HDREnable" and "HDRGain".
constexpr uint8_t kEnableSeen = 1;
constexpr uint8_t kGainSeen = 2;

// The outcome of looking at the node that a value is selected or kept in.
enum class NodeState { Failed, NotReadWrite, ReadWrite };

class HdrFamily final : public ParameterFamily {
public:
    constexpr HdrFamily() : ParameterFamily(kNames, kCameraNodes, {WalkPoint::CategoryDone, "AcquisitionControl", {}})
    {}

    void Notice(CameraParameters& model, Sighting sighting, const std::string& name) const override;
    void Create(CameraParameters& model, const std::string& section) const override;
    void AddDependents(CameraParameters::DependentMap& dependents) const override
    {
        dependents["HDREnable"].assign(std::begin(kNames), std::end(kNames));
    }
    bool UpdateProperties(CameraParameters& model, Param& p) const override;
    bool Read(CameraParameters& model, Param& p) const override { return Transfer(model, p, true, nullptr); }
    bool Write(CameraParameters& model, Param& p, GrabPauseGuard& guard, bool mayPauseGrabbing) const override
    {
        return Transfer(model, p, false, mayPauseGrabbing ? &guard : nullptr);
    }

    bool Seen(const CameraParameters& model, uint8_t mark) const { return (Marks(model) & mark) != 0; }

private:
    bool IsShutter(const Param& p) const { return IndexOf(p.Name()) < kSteps; }
    // One value from or to the camera; a write pauses grabbing through `guard`, when given.
    bool Transfer(CameraParameters& model, Param& p, bool read, GrabPauseGuard* guard) const;
    bool TransferShutter(CameraParameters& model, Param& p, bool read) const;
    bool TransferGain(CameraParameters& model, Param& p, bool read) const;
};

constexpr HdrFamily kHdr;

// `call` on "HDRShutter", and on "HDRShuter" when that fails.
template <class Call>
MvStatus OnShutterNode(Call call)
{
    MvStatus status = call("HDRShutter");
    if (!status.Ok()) status = call("HDRShuter");
    return status;
}

// Fetches the node's feature; a node that is not read-write makes `p` unavailable.
NodeState LookAt(CameraParameters& model, Param& p, const char* node, uint32_t type, FeatureRecord& feature)
{
    const int port = model.LogPort();
    const char* const tag = "CameraParameters::ReadWrite_HDR";
    const MvStatus status = NodeRecords::FetchFeature(model.Handle(), node, type, feature);
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(port, tag, "Could not obtain node features for " << node << status);
        return NodeState::Failed;
    }
    if (feature.base.enAccessMode != AM_RW) {
        p.SetFlags(FlagUnavailable);
        ORNIC_LOG3_TRACE(port, tag, "set to unavailable " << p.Name());
        return NodeState::NotReadWrite;
    }
    return NodeState::ReadWrite;
}

void HdrFamily::Notice(CameraParameters& model, Sighting sighting, const std::string& name) const
{
    if (sighting != Sighting::Node) return;
    if (EqualsNoCase(name, "HDREnable")) Marks(model) |= kEnableSeen;
    if (EqualsNoCase(name, "HDRGain")) Marks(model) |= kGainSeen;
}

void HdrFamily::Create(CameraParameters& model, const std::string& section) const
{
    if (!Seen(model, kEnableSeen)) return;
    for (int i = 0; i < kSteps; ++i) model.CreateCustom_T<ParamInt>(section, kNames[i], "", FlagNonCamera);
    if (!Seen(model, kGainSeen)) return;
    FeatureRecord feature;
    if (NodeRecords::FetchFeature(model.Handle(), "HDRGain", IFT_IFloat, feature).Ok() &&
        feature.base.enAccessMode != AM_NI) {
        for (int i = kSteps; i < 2 * kSteps; ++i)
            model.CreateCustom_T<ParamFloat>(section, kNames[i], "", FlagNonCamera);
    }
}

bool HdrFamily::UpdateProperties(CameraParameters& model, Param& p) const
{
    int enabled = 0;
    const bool hdrOn =
        Seen(model, kEnableSeen) && MV_CC_GetBoolValue(model.Handle(), "HDREnable", &enabled) == MV_OK && enabled != 0;
    const bool shutter = IsShutter(p);
    FeatureRecord feature;
    const auto fetch = [&](const char* node, uint32_t type) {
        return NodeRecords::FetchFeature(model.Handle(), node, type, feature);
    };
    const MvStatus status = shutter ? OnShutterNode([&](const char* node) { return fetch(node, IFT_IInteger); })
                                    : fetch("HDRGain", IFT_IFloat);
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(model.LogPort(), "CameraParameters::UpdateParamPropertiesFromNode",
                       "Could not obtain node features for " << p.Name() << status);
        return false;
    }
    if (shutter) {
        p.Minimum().SetInt64(feature.integer.nMinValue);
        p.Maximum().SetInt64(feature.integer.nMaxValue);
        SetUsable(p, hdrOn, FlagUnavailable | FlagReadOnly);
        return true;
    }
    const uint32_t mode = feature.base.enAccessMode;
    SetUsable(p, hdrOn && (mode == AM_RW || mode == AM_WO), FlagUnavailable | FlagReadOnly | FlagHidden);
    p.Minimum().SetDouble(feature.real.dfMinValue);
    p.Maximum().SetDouble(feature.real.dfMaxValue);
    return true;
}

bool HdrFamily::Transfer(CameraParameters& model, Param& p, bool read, GrabPauseGuard* guard) const
{
    const int port = model.LogPort();
    const char* const tag = "CameraParameters::ReadWrite_HDR";
    ORNIC_LOG3_TRACE(port, tag, (read ? "Read" : "Write") << " HDR parameter " << p.Name());

    bool hdrOn = false;
    if (Seen(model, kEnableSeen)) {
        if (guard != nullptr && !model.IsNodeReadable("HDREnable")) guard->Pause();
        if (model.IsNodeReadable("HDREnable")) {
            int enabled = 0;
            const MvStatus status(MV_CC_GetBoolValue(model.Handle(), "HDREnable", &enabled));
            if (!status.Ok()) {
                ORNIC_LOG1_ERR(port, tag, "Could not obtain HDREnable value " << status);
                return false;
            }
            hdrOn = enabled != 0;
        }
    }
    if (!hdrOn) {
        p.SetFlags(FlagUnavailable);
        return true;
    }
    // The selector and the value it selects are written together; no frame may come between.
    if (guard != nullptr) guard->Pause();

    FeatureRecord feature;
    const NodeState selector = LookAt(model, p, "HDRSelector", IFT_IInteger, feature);
    if (selector != NodeState::ReadWrite) return selector == NodeState::NotReadWrite;
    const int step = IndexOf(p.Name()) % kSteps;
    if (MV_CC_SetIntValueEx(model.Handle(), "HDRSelector", step) != MV_OK) {
        ORNIC_LOG1_ERR(port, tag, "Could not set HDRSelector value " << step);
        return false;
    }
    if (IsShutter(p)) return TransferShutter(model, p, read);
    return Seen(model, kGainSeen) && TransferGain(model, p, read);
}

bool HdrFamily::TransferShutter(CameraParameters& model, Param& p, bool read) const
{
    const int port = model.LogPort();
    const char* const tag = "CameraParameters::ReadWrite_HDR";
    MvIntValueEx value;
    std::memset(&value, 0, sizeof value);
    MvStatus status =
        OnShutterNode([&](const char* node) { return MvStatus(MV_CC_GetIntValueEx(model.Handle(), node, &value)); });
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(port, tag, "Could not retrieve HDRShutter value " << status);
        return false;
    }
    if (read) {
        p.ClearFlags(FlagUnavailable);
        p.Minimum().SetInt64(value.nMin);
        p.Maximum().SetInt64(value.nMax);
        p.SetInt64(value.nCurValue);
        ORNIC_LOG3_TRACE(port, tag, "new value read: " << DescribeParam(p));
        return true;
    }
    if (value.nCurValue == p.GetInt64()) {
        ORNIC_LOG3_TRACE(port, tag, "value skipped, camera has the same: " << DescribeParam(p));
        return true;
    }
    status = OnShutterNode(
        [&](const char* node) { return MvStatus(MV_CC_SetIntValueEx(model.Handle(), node, p.GetInt64())); });
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(port, tag, "Could not write HDRShutter value = " << p.GetInt64());
        return false;
    }
    ORNIC_LOG3_TRACE(port, tag, "value written: " << DescribeParam(p));
    return true;
}

bool HdrFamily::TransferGain(CameraParameters& model, Param& p, bool read) const
{
    const int port = model.LogPort();
    const char* const tag = "CameraParameters::ReadWrite_HDR";
    FeatureRecord feature;
    const NodeState gain = LookAt(model, p, "HDRGain", IFT_IFloat, feature);
    if (gain != NodeState::ReadWrite) return gain == NodeState::NotReadWrite;
    p.ClearFlags(FlagUnavailable);
    if (read) {
        p.SetDouble(feature.real.dfValue);
        p.Minimum().SetDouble(feature.real.dfMinValue);
        p.Maximum().SetDouble(feature.real.dfMaxValue);
        ORNIC_LOG3_TRACE(port, tag, "read:" << DescribeParam(p));
        return true;
    }
    if (MV_CC_SetFloatValue(model.Handle(), "HDRGain", static_cast<float>(p.GetDouble())) != MV_OK) {
        ORNIC_LOG1_ERR(port, tag, "Could not write HDRGain value = " << p.GetDouble());
        return false;
    }
    ORNIC_LOG3_TRACE(port, tag, "written:" << DescribeParam(p));
    return true;
}

}  // namespace

bool CameraParameters::HdrEnableSeen() const
{
    return kHdr.Seen(*this, kEnableSeen);
}

bool CameraParameters::HdrGainSeen() const
{
    return kHdr.Seen(*this, kGainSeen);
}

namespace ParameterFamilies {

const ParameterFamily& Hdr()
{
    return kHdr;
}

}  // namespace ParameterFamilies
