// The white-balance ratios: BalanceRatioRed, BalanceRatioGreen and
// BalanceRatioBlue stand for the camera's one "BalanceRatio" value, which "BalanceRatioSelector"
// switches between the channels. They are read-only, and not written, while the camera
// balances by itself ("BalanceWhiteAuto" not 0).
#include <cstring>
#include <iterator>

#include "parameters/MVEnum.h"
#include "parameters/NodeRecords.h"
#include "parameters/ParameterFamily.h"
#include "util/Logger.h"

using namespace Util_2_1;

namespace {

constexpr const char* kRatios[] = {"BalanceRatioRed", "BalanceRatioGreen", "BalanceRatioBlue"};
// The selector's entry of each ratio, by index.
constexpr const char* kChannels[] = {"Red", "Green", "Blue"};
constexpr const char* kDescriptions[] = {"Red component of white auto balance. Active when BalanceWhiteAuto is off",
                                         "Green component of white auto balance. Active when BalanceWhiteAuto is off",
                                         "Blue component of white auto balance. Active when BalanceWhiteAuto is off"};
constexpr const char* kCameraNodes[] = {"BalanceRatioSelector", "BalanceRatio"};
// Either node in the category "AnalogControl" brings the ratios, once a walk.
constexpr const char* kCreatingNodes[] = {"BalanceColorTemperatureMode", "BalanceRatio"};

constexpr uint8_t kCreated = 1;

class WhiteBalanceFamily final : public ParameterFamily {
public:
    constexpr WhiteBalanceFamily()
        : ParameterFamily(kRatios, kCameraNodes, {WalkPoint::NodeMet, "AnalogControl", kCreatingNodes})
    {}

    void StartTree(CameraParameters& model) const override { Marks(model) &= ~kCreated; }
    void Create(CameraParameters& model, const std::string& section) const override;
    bool Read(CameraParameters& model, Param& p) const override;
    bool Write(CameraParameters& model, Param& p, GrabPauseGuard& guard, bool mayPauseGrabbing) const override;

private:
    // Points the selector at the parameter's channel; false, logged under `tag`, when it fails.
    bool SelectChannel(CameraParameters& model, const Param& p, const char* tag) const;
};

constexpr WhiteBalanceFamily kWhiteBalance;

// The camera's white-balance mode: 0 is off, anything else automatic.
bool ReadAutomatic(const CameraParameters& model, uint32_t& automatic)
{
    return MVEnum("BalanceWhiteAuto", model.Owner()).ReadValue__(automatic);
}

// The camera's current ratio with its range.
bool ReadRatio(const CameraParameters& model, MvIntValueEx& ratio)
{
    std::memset(&ratio, 0, sizeof ratio);
    return MV_CC_GetIntValueEx(model.Handle(), "BalanceRatio", &ratio) == MV_OK;
}

void WhiteBalanceFamily::Create(CameraParameters& model, const std::string& section) const
{
    if ((Marks(model) & kCreated) != 0) return;
    Marks(model) |= kCreated;
    ParamPtr ratios[std::size(kRatios)];
    for (size_t i = 0; i < std::size(kRatios); ++i)
        ratios[i] = model.CreateCustom_T<ParamInt>(section, kRatios[i], kDescriptions[i], FlagNonCamera);
    NodeRecords::FeatureRecord feature;
    if (NodeRecords::FetchFeature(model.Handle(), "BalanceRatio", IFT_IInteger, feature).Ok()) {
        for (const ParamPtr& ratio : ratios) {
            ratio->Minimum().SetInt64(feature.integer.nMinValue);
            ratio->Maximum().SetInt64(feature.integer.nMaxValue);
        }
    }
}

bool WhiteBalanceFamily::SelectChannel(CameraParameters& model, const Param& p, const char* tag) const
{
    if (model.SetSelector("BalanceRatioSelector", kChannels[IndexOf(p.Name())])) return true;
    ORNIC_LOG1_ERR(model.LogPort(), tag, "Could not set selector for " << p.Name());
    return false;
}

bool WhiteBalanceFamily::Read(CameraParameters& model, Param& p) const
{
    const char* const tag = "CameraParameters::ReadFromCamera";
    uint32_t automatic = 0;
    if (!ReadAutomatic(model, automatic)) return false;
    automatic != 0 ? p.SetFlags(FlagReadOnly) : p.ClearFlags(FlagReadOnly);
    if (!SelectChannel(model, p, tag)) return false;
    MvIntValueEx ratio;
    if (!ReadRatio(model, ratio)) {
        ORNIC_LOG1_ERR(model.LogPort(), tag, "Could not read value for " << p.Name());
        return false;
    }
    p.SetInt64(ratio.nCurValue);
    p.Minimum().SetInt64(ratio.nMin);
    p.Maximum().SetInt64(ratio.nMax);
    return true;
}

bool WhiteBalanceFamily::Write(CameraParameters& model, Param& p, GrabPauseGuard& guard, bool mayPauseGrabbing) const
{
    const int port = model.LogPort();
    const char* const tag = "CameraParameters::WriteToCamera";
    const std::string& name = p.Name();
    model.GuardRead("BalanceWhiteAuto", guard, mayPauseGrabbing);
    uint32_t automatic = 0;
    if (!ReadAutomatic(model, automatic)) return false;
    if (automatic != 0) return true;  // the camera balances by itself
    ORNIC_LOG2_INFO(port, tag, "Write " << DescribeParam(p) << " = " << p.GetInt64());
    model.GuardWrite("BalanceRatioSelector", guard, mayPauseGrabbing);
    if (!SelectChannel(model, p, tag)) return false;
    model.GuardRead("BalanceRatio", guard, mayPauseGrabbing);
    MvIntValueEx ratio;
    if (!ReadRatio(model, ratio)) {
        ORNIC_LOG1_ERR(port, tag, "Could not read value of " << name);
        return false;
    }
    if (ratio.nCurValue != p.GetInt64()) {
        model.GuardWrite("BalanceRatio", guard, mayPauseGrabbing);
        if (MV_CC_SetIntValueEx(model.Handle(), "BalanceRatio", p.GetInt64()) != MV_OK) {
            ORNIC_LOG1_ERR(port, tag, "Could not set value for " << name << ", val=" << p.GetInt64());
            return false;
        }
    }
    return true;
}

}  // namespace

namespace ParameterFamilies {

const ParameterFamily& WhiteBalance()
{
    return kWhiteBalance;
}

}  // namespace ParameterFamilies
