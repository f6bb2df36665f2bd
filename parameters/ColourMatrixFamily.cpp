// The colour-correction matrix: ccm_00 to ccm_22 stand for the camera's one
// "ColorTransformationValue", which "ColorTransformationValueSelector" switches between the
// elements, and the switch ColorTransformationEnable for the camera's node of that name, whose
// meaning is the opposite. The elements are only written, and only while the switch is on;
// the camera's hue and saturation work only while it is off.
#include <cstring>

#include "parameters/ParameterFamily.h"
#include "util/Logger.h"

using namespace Util_2_1;

namespace {

// Element rc of the camera's row-major matrix stands at place 3r + c, its selector index; the
// switch follows the elements.
constexpr int kSide = 3;
constexpr int kElements = kSide * kSide;
constexpr const char* kNames[] = {"ccm_00", "ccm_01", "ccm_02", "ccm_10", "ccm_11",
                                  "ccm_12", "ccm_20", "ccm_21", "ccm_22", "ColorTransformationEnable"};
constexpr int kSwitch = kElements;
constexpr const char* kEnable = kNames[kSwitch];
constexpr const char* kCameraNodes[] = {"ColorTransformationEnable", "ColorTransformationValueSelector",
                                        "ColorTransformationValue"};
constexpr const char* kCreatingNodes[] = {"ColorTransformationSelector"};
// Every element's range.
constexpr double kElementLimit = 4.0;

class ColourMatrixFamily final : public ParameterFamily {
public:
    constexpr ColourMatrixFamily()
        : ParameterFamily(kNames, kCameraNodes, {WalkPoint::NodeCreated, "ColorTransformationControl", kCreatingNodes})
    {}

    void Create(CameraParameters& model, const std::string& section) const override;
    bool Read(CameraParameters& model, Param& p) const override
    {
        return IndexOf(p.Name()) != kSwitch || ReadSwitch(model, p);
    }
    bool Write(CameraParameters& model, Param& p, GrabPauseGuard& guard, bool mayPauseGrabbing) const override;

    // One element from or to the camera.
    bool Transfer(CameraParameters& model, Param& p, bool read) const;

private:
    static bool ReadSwitch(CameraParameters& model, Param& p);
    static bool WriteSwitch(CameraParameters& model, Param& p, GrabPauseGuard& guard, bool mayPauseGrabbing);
    static void SetAvailability(CameraParameters& model, bool enabled);
};

constexpr ColourMatrixFamily kColourMatrix;

void ColourMatrixFamily::Create(CameraParameters& model, const std::string& section) const
{
    model.CreateCustom_T<ParamBool>(section, kEnable,
                                    "Enable CCM or Hue/Saturation setting.\nNOTE: This is opposite value to what the "
                                    "camera vendor's viewer (v3.3 and v3.4) shows.",
                                    FlagNonCamera);
    const char* const description =
        "new r = r*e00 + g*e01 + b*e02\nnew g = r*e10 + g*e11 + b*e12\nnew b = r*e20 + g*e21 + b*e22";
    // The elements start from the camera's own matrix, so that an apply writes back what the
    // camera had unless the user changed it; an identity stands in where it cannot be read.
    const bool readable = model.IsNodeReadable("ColorTransformationValue");
    for (int i = 0; i < kElements; ++i) {
        auto element = model.CreateCustom_T<ParamFloat>(section, kNames[i], description, FlagNonCamera);
        const bool diagonal = i / kSide == i % kSide;
        element->SetDouble(diagonal ? 1.0 : 0.0);
        element->Minimum().SetDouble(-kElementLimit);
        element->Maximum().SetDouble(kElementLimit);
        if (readable) Transfer(model, *element, true);
    }
    // The switch was read before the elements existed; give them its state now.
    if (ParamPtr enable = model.Find(kEnable)) SetAvailability(model, enable->GetBool());
    ORNIC_LOG2_INFO(model.LogPort(), "CameraParameters::DoCreateParamFromCategory", " +Created CCM matrix");
}

bool ColourMatrixFamily::Write(CameraParameters& model, Param& p, GrabPauseGuard& guard, bool mayPauseGrabbing) const
{
    if (IndexOf(p.Name()) == kSwitch) return WriteSwitch(model, p, guard, mayPauseGrabbing);
    const ParamPtr enable = model.Find(kEnable);
    if (enable == nullptr || !enable->GetBool()) return true;
    model.GuardWrite("ColorTransformationValueSelector", guard, mayPauseGrabbing);
    model.GuardWrite("ColorTransformationValue", guard, mayPauseGrabbing);
    return Transfer(model, p, false);
}

bool ColourMatrixFamily::Transfer(CameraParameters& model, Param& p, bool read) const
{
    const int port = model.LogPort();
    const char* const tag = "CameraParameters::ReadWrite_CCM";
    ORNIC_LOG3_TRACE(port, tag, (read ? "Read" : "Write") << " CCM parameter " << p.Name());
    const int index = IndexOf(p.Name());
    if (index < 0 || index >= kElements) {
        ORNIC_LOG1_ERR(port, tag, "Unrecognized matrix element name: " << p.Name());
        return false;
    }
    if (!model.IsNodeWritable("ColorTransformationValueSelector")) {
        ORNIC_LOG3_TRACE(port, tag, "Could not get write access to ColorTransformationValueSelector");
        return false;
    }
    MvStatus status(
        MV_CC_SetEnumValue(model.Handle(), "ColorTransformationValueSelector", static_cast<unsigned>(index)));
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(port, tag, "Could not set ColorTransformationValueSelector value " << status);
        return false;
    }
    if (read) {
        MvFloatValue value;
        std::memset(&value, 0, sizeof value);
        status = MV_CC_GetFloatValue(model.Handle(), "ColorTransformationValue", &value);
        if (!status.Ok()) {
            ORNIC_LOG1_ERR(port, tag, "Could not retrieve ColorTransformationValue value " << status);
            return false;
        }
        p.ClearFlags(FlagUnavailable);
        p.Minimum().SetDouble(-kElementLimit);
        p.Maximum().SetDouble(kElementLimit);
        p.SetDouble(value.fCurValue);
        ORNIC_LOG3_TRACE(port, tag, " new value read: " << DescribeParam(p));
        return true;
    }
    status = MV_CC_SetFloatValue(model.Handle(), "ColorTransformationValue", static_cast<float>(p.GetDouble()));
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(port, tag, "Could not write ColorTransformationValue value = " << p.GetDouble());
        return false;
    }
    return true;
}

bool ColourMatrixFamily::ReadSwitch(CameraParameters& model, Param& p)
{
    const int port = model.LogPort();
    const char* const tag = "CameraParameters::ReadFromCamera";
    if (!model.IsNodeReadable(kEnable)) return true;
    int cameraValue = 0;
    const MvStatus status(MV_CC_GetBoolValue(model.Handle(), kEnable, &cameraValue));
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(port, tag, "Could not obtain " << kEnable << " value " << status);
        return false;
    }
    p.SetBool(cameraValue == 0);
    ORNIC_LOG1_INFO(port, tag,
                    "Parameter " << kEnable << " read from camera as " << (cameraValue != 0) << ", but now has value "
                                 << p.GetBool());
    SetAvailability(model, p.GetBool());
    return true;
}

bool ColourMatrixFamily::WriteSwitch(CameraParameters& model, Param& p, GrabPauseGuard& guard, bool mayPauseGrabbing)
{
    const int port = model.LogPort();
    const char* const tag = "CameraParameters::WriteToCamera";
    model.GuardWrite(kEnable, guard, mayPauseGrabbing);
    const bool cameraValue = !p.GetBool();
    const MvStatus status(MV_CC_SetBoolValue(model.Handle(), kEnable, cameraValue ? 1 : 0));
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(port, tag, "Could not write to camera " << kEnable << " value " << status);
        return false;
    }
    ORNIC_LOG2_INFO(port, tag, kEnable << " has value " << p.GetBool() << ", written to camera as " << cameraValue);
    return true;
}

void ColourMatrixFamily::SetAvailability(CameraParameters& model, bool enabled)
{
    for (int i = 0; i < kElements; ++i) {
        if (ParamPtr p = model.Find(kNames[i])) SetUsable(*p, enabled, FlagUnavailable | FlagReadOnly);
    }
    for (const char* name : {"Hue", "HueEnable", "Saturation", "SaturationEnable"}) {
        if (ParamPtr p = model.Find(name)) SetUsable(*p, !enabled, FlagUnavailable | FlagReadOnly);
    }
}

}  // namespace

bool CameraParameters::ReadWrite_CCM(Param& p, bool read)
{
    return kColourMatrix.Transfer(*this, p, read);
}

namespace ParameterFamilies {

const ParameterFamily& ColourMatrix()
{
    return kColourMatrix;
}

}  // namespace ParameterFamilies
