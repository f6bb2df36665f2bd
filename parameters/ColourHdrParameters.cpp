// The driver's colour-correction matrix, HDR sequence and Bayer conversion parameters: each
// stands for a selector-multiplexed camera value, or for none at all.
#include <cstring>

#include "parameters/CameraParameters.h"
#include "parameters/DriverParameterNames.h"
#include "parameters/NodeRecords.h"
#include "util/Logger.h"

using namespace Util_2_1;
using NodeRecords::FeatureRecord;

namespace {

bool HasText(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

int HdrIndex(const std::string& name)
{
    if (HasText(name, "1")) return 1;
    if (HasText(name, "2")) return 2;
    if (HasText(name, "3")) return 3;
    return 0;
}

// The element's position in the camera's row-major matrix; -1 when the name has none.
int CcmIndex(const std::string& name)
{
    static const char* const positions[] = {"00", "01", "02", "10", "11", "12", "20", "21", "22"};
    for (int i = 0; i < 9; ++i) {
        if (HasText(name, positions[i])) return i;
    }
    return -1;
}

void SetUsable(Param& p, bool usable, uint32_t flags)
{
    usable ? p.ClearFlags(flags) : p.SetFlags(flags);
}

}  // namespace

void CameraParameters::SetBayerAvailability()
{
    struct Switch {
        const char* name;
        std::initializer_list<const char*> governed;
    };
    static const Switch switches[] = {
        {"UseBayerGamma", {"BayerGamma"}},
        {"UseBayerCvtQuality", {"BayerCvtQuality"}},
        {"UseBayerMatrix", {"BayerMatrixRow0", "BayerMatrixRow1", "BayerMatrixRow2", "BayerMatrixScale"}},
    };
    for (const Switch& s : switches) {
        const ParamPtr on = Find(s.name);
        if (on == nullptr) continue;
        for (const char* name : s.governed) {
            if (ParamPtr p = Find(name)) SetUsable(*p, on->GetBool(), FlagUnavailable | FlagReadOnly);
        }
    }
}

void CameraParameters::SetCcmAvailability(bool enabled)
{
    for (const char* name : DriverParameterNames::kCcmElements) {
        if (ParamPtr p = Find(name)) SetUsable(*p, enabled, FlagUnavailable | FlagReadOnly);
    }
    // The camera's hue and saturation work only while the matrix is off.
    for (const char* name : {"Hue", "HueEnable", "Saturation", "SaturationEnable"}) {
        if (ParamPtr p = Find(name)) SetUsable(*p, !enabled, FlagUnavailable | FlagReadOnly);
    }
}

bool CameraParameters::ReadColorTransformationEnable(Param& p)
{
    const int port = LogPort();
    const char* const tag = "CameraParameters::ReadFromCamera";
    if (!IsNodeReadable("ColorTransformationEnable")) return true;
    int cameraValue = 0;
    const MvStatus status(MV_CC_GetBoolValue(Handle(), "ColorTransformationEnable", &cameraValue));
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(port, tag,
                       "Could not obtain "
                           << "ColorTransformationEnable"
                           << " value " << status);
        return false;
    }
    // This camera family's node means the opposite: true selects hue and saturation.
    p.SetBool(cameraValue == 0);
    ORNIC_LOG1_INFO(port, tag,
                    "Parameter "
                        << "ColorTransformationEnable"
                        << " read from camera as " << (cameraValue != 0) << ", but now has value " << p.GetBool());
    SetCcmAvailability(p.GetBool());
    return true;
}

bool CameraParameters::WriteColorTransformationEnable(Param& p, GrabPauseGuard& guard, bool mayPauseGrabbing)
{
    const int port = LogPort();
    const char* const tag = "CameraParameters::WriteToCamera";
    GuardWrite("ColorTransformationEnable", guard, mayPauseGrabbing);
    const bool cameraValue = !p.GetBool();
    const MvStatus status(MV_CC_SetBoolValue(Handle(), "ColorTransformationEnable", cameraValue ? 1 : 0));
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(port, tag,
                       "Could not write to camera "
                           << "ColorTransformationEnable"
                           << " value " << status);
        return false;
    }
    ORNIC_LOG2_INFO(port, tag,
                    "ColorTransformationEnable"
                        << " has value " << p.GetBool() << ", written to camera as " << cameraValue);
    return true;
}

bool CameraParameters::ReadWrite_CCM(Param& p, bool read)
{
    const int port = LogPort();
    const char* const tag = "CameraParameters::ReadWrite_CCM";
    ORNIC_LOG3_TRACE(port, tag, (read ? "Read" : "Write") << " CCM parameter " << p.Name());
    const int index = CcmIndex(p.Name());
    if (index < 0) {
        ORNIC_LOG1_ERR(port, tag, "Unrecognized matrix element name: " << p.Name());
        return false;
    }
    if (!IsNodeWritable("ColorTransformationValueSelector")) {
        ORNIC_LOG3_TRACE(port, tag,
                         "Could not get write access to "
                             << "ColorTransformationValueSelector");
        return false;
    }
    MvStatus status(MV_CC_SetEnumValue(Handle(), "ColorTransformationValueSelector", static_cast<unsigned>(index)));
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(port, tag,
                       "Could not set "
                           << "ColorTransformationValueSelector"
                           << " value " << status);
        return false;
    }
    if (read) {
        MvFloatValue value;
        std::memset(&value, 0, sizeof value);
        status = MV_CC_GetFloatValue(Handle(), "ColorTransformationValue", &value);
        if (!status.Ok()) {
            ORNIC_LOG1_ERR(port, tag,
                           "Could not retrieve "
                               << "ColorTransformationValue"
                               << " value " << status);
            return false;
        }
        p.ClearFlags(FlagUnavailable);
        p.Minimum().SetDouble(-4.0);
        p.Maximum().SetDouble(4.0);
        p.SetDouble(value.fCurValue);
        ORNIC_LOG3_TRACE(port, tag, " new value read: " << DescribeParam(p));
        return true;
    }
    status = MV_CC_SetFloatValue(Handle(), "ColorTransformationValue", static_cast<float>(p.GetDouble()));
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(port, tag,
                       "Could not write "
                           << "ColorTransformationValue"
                           << " value = " << p.GetDouble());
        return false;
    }
    return true;
}

bool CameraParameters::UpdateHdrProperties(Param& p)
{
    const int port = LogPort();
    const char* const tag = "CameraParameters::UpdateParamPropertiesFromNode";
    const std::string& name = p.Name();
    const bool shutter = HasText(name, "Shutter");
    const bool gain = HasText(name, "Gain");
    if (!shutter && !gain) return true;
    int enabled = 0;
    const bool hdrOn = hdrEnableSeen && MV_CC_GetBoolValue(Handle(), "HDREnable", &enabled) == MV_OK && enabled != 0;
    FeatureRecord feature;
    if (shutter) {
        MvStatus status =
            NodeRecords::FetchFeature(Handle(), NodeRecords::MakeNode("HDRShutter", IFT_IInteger), feature);
        if (!status.Ok()) {
            status = NodeRecords::FetchFeature(Handle(), NodeRecords::MakeNode("HDRShuter", IFT_IInteger), feature);
        }
        if (!status.Ok()) {
            ORNIC_LOG1_ERR(port, tag, "Could not obtain node features for " << name << status);
            return false;
        }
        p.Minimum().SetInt64(feature.integer.nMinValue);
        p.Maximum().SetInt64(feature.integer.nMaxValue);
        SetUsable(p, hdrOn, FlagUnavailable | FlagReadOnly);
        return true;
    }
    const MvStatus status = NodeRecords::FetchFeature(Handle(), NodeRecords::MakeNode("HDRGain", IFT_IFloat), feature);
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(port, tag, "Could not obtain node features for " << name << status);
        return false;
    }
    const uint32_t mode = feature.base.enAccessMode;
    SetUsable(p, hdrOn && (mode == AM_RW || mode == AM_WO), FlagUnavailable | FlagReadOnly | FlagHidden);
    p.Minimum().SetDouble(feature.real.dfMinValue);
    p.Maximum().SetDouble(feature.real.dfMaxValue);
    return true;
}

bool CameraParameters::ReadWrite_HDR(Param& p, bool read, GrabPauseGuard* guard)
{
    const int port = LogPort();
    const char* const tag = "CameraParameters::ReadWrite_HDR";
    const std::string& name = p.Name();
    ORNIC_LOG3_TRACE(port, tag, (read ? "Read" : "Write") << " HDR parameter " << name);

    bool hdrOn = false;
    if (hdrEnableSeen) {
        if (guard != nullptr && !IsNodeReadable("HDREnable")) guard->Pause();
        if (IsNodeReadable("HDREnable")) {
            int enabled = 0;
            const MvStatus status(MV_CC_GetBoolValue(Handle(), "HDREnable", &enabled));
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
    MvStatus status = NodeRecords::FetchFeature(Handle(), NodeRecords::MakeNode("HDRSelector", IFT_IInteger), feature);
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(port, tag,
                       "Could not obtain node features for "
                           << "HDRSelector" << status);
        return false;
    }
    if (feature.base.enAccessMode != AM_RW) {
        p.SetFlags(FlagUnavailable);
        ORNIC_LOG3_TRACE(port, tag, "set to unavailable " << name);
        return true;
    }
    const int index = HdrIndex(name);
    if (MV_CC_SetIntValueEx(Handle(), "HDRSelector", index) != MV_OK) {
        ORNIC_LOG1_ERR(port, tag, "Could not set HDRSelector value " << index);
        return false;
    }

    if (HasText(name, "Shutter") || HasText(name, "Shuter")) {
        MvIntValueEx value;
        std::memset(&value, 0, sizeof value);
        const char* node = "HDRShutter";
        status = MV_CC_GetIntValueEx(Handle(), node, &value);
        if (!status.Ok()) {
            node = "HDRShuter";
            status = MV_CC_GetIntValueEx(Handle(), node, &value);
        }
        if (!status.Ok()) {
            ORNIC_LOG1_ERR(port, tag,
                           "Could not retrieve "
                               << "HDRShutter"
                               << " value " << status);
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
        if (MV_CC_SetIntValueEx(Handle(), "HDRShutter", p.GetInt64()) != MV_OK &&
            MV_CC_SetIntValueEx(Handle(), "HDRShuter", p.GetInt64()) != MV_OK) {
            ORNIC_LOG1_ERR(port, tag,
                           "Could not write "
                               << "HDRShutter"
                               << " value = " << p.GetInt64());
            return false;
        }
        ORNIC_LOG3_TRACE(port, tag, "value written: " << DescribeParam(p));
        return true;
    }

    if (hdrGainSeen && HasText(name, "Gain")) {
        status = NodeRecords::FetchFeature(Handle(), NodeRecords::MakeNode("HDRGain", IFT_IFloat), feature);
        if (!status.Ok()) {
            ORNIC_LOG1_ERR(port, tag,
                           "Could not obtain node features for "
                               << "HDRGain" << status);
            return false;
        }
        if (feature.base.enAccessMode != AM_RW) {
            p.SetFlags(FlagUnavailable);
            ORNIC_LOG3_TRACE(port, tag, "set to unavailable " << name);
            return true;
        }
        p.ClearFlags(FlagUnavailable);
        if (read) {
            p.SetDouble(feature.real.dfValue);
            p.Minimum().SetDouble(feature.real.dfMinValue);
            p.Maximum().SetDouble(feature.real.dfMaxValue);
            ORNIC_LOG3_TRACE(port, tag, "read:" << DescribeParam(p));
            return true;
        }
        if (MV_CC_SetFloatValue(Handle(), "HDRGain", static_cast<float>(p.GetDouble())) != MV_OK) {
            ORNIC_LOG1_ERR(port, tag,
                           "Could not write "
                               << "HDRGain"
                               << " value = " << p.GetDouble());
            return false;
        }
        ORNIC_LOG3_TRACE(port, tag, "written:" << DescribeParam(p));
        return true;
    }
    return false;
}
