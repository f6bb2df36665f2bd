// The Bayer conversion settings, used when the driver converts raw Bayer frames to
// colour. They never go to the camera; a camera gets them when one of its
// enumerations offers a Bayer entry. Each Use... switch makes the values it governs usable.
#include <cstring>
#include <initializer_list>
#include <string>

#include "parameters/ParameterFamily.h"

using namespace Util_2_1;

namespace {

constexpr const char* kNames[] = {"UseBayerGamma",   "BayerGamma",      "UseBayerCvtQuality",
                                  "BayerCvtQuality", "UseBayerMatrix",  "BayerMatrixScale",
                                  "BayerMatrixRow0", "BayerMatrixRow1", "BayerMatrixRow2"};

// Mark: an enumeration entry of the camera begins with this (in this case).
constexpr uint8_t kSeen = 1;
constexpr const char* kEntryPrefix = "Bayer";

class BayerFamily final : public ParameterFamily {
public:
    constexpr BayerFamily() : ParameterFamily(kNames, {}, {WalkPoint::CategoryDone, "ImageFormatControl", {}}) {}

    void Notice(CameraParameters& model, Sighting sighting, const std::string& name) const override
    {
        if (sighting == Sighting::EnumEntry && name.compare(0, std::strlen(kEntryPrefix), kEntryPrefix) == 0) {
            Marks(model) |= kSeen;
        }
    }
    void Create(CameraParameters& model, const std::string& section) const override;
    void UpdateAvailability(CameraParameters& model) const override;

    bool Seen(const CameraParameters& model) const { return (Marks(model) & kSeen) != 0; }
};

constexpr BayerFamily kBayer;

void BayerFamily::Create(CameraParameters& model, const std::string& section) const
{
    if (!Seen(model)) return;
    const char* const use = "\nTo be used in conversion Bayer8/10/12/16 => RGB24";
    model
        .CreateCustom_T<ParamBool>(section, "UseBayerGamma", (std::string("Enable BayerGamma value.") + use).c_str(),
                                   FlagNonCamera)
        ->SetBool(false);
    auto gamma = model.CreateCustom_T<ParamFloat>(
        section, "BayerGamma", "Use gamma to convert grabbed image internally from Bayer8/10/12/16 to RGB24",
        FlagNonCamera);
    gamma->SetDouble(1.0);
    gamma->Minimum().SetDouble(0.1);
    gamma->Maximum().SetDouble(4.0);
    model
        .CreateCustom_T<ParamBool>(section, "UseBayerCvtQuality",
                                   (std::string("Enable BayerCvtQuality value.") + use).c_str(), FlagNonCamera)
        ->SetBool(false);
    model
        .CreateCustom_T<ParamInt>(section, "BayerCvtQuality",
                                  "Set the bell interpolation quality parameter of the internal grabbed image "
                                  "conversion from Bayer8/10/12/16 to RGB24.\nBayer interpolation values:  0-Fast "
                                  "1-Equilibrium 2-Optimal",
                                  FlagNonCamera)
        ->SetInt(0);
    model
        .CreateCustom_T<ParamBool>(section, "UseBayerMatrix",
                                   (std::string("Enable Color correction matrix.") + use).c_str(), FlagNonCamera)
        ->SetBool(false);
    auto scale = model.CreateCustom_T<ParamInt>(
        section, "BayerMatrixScale",
        "Quantitative scale of color correction matrix.\n Values of integer power of 2, up to 65536", FlagNonCamera);
    scale->SetInt(1);
    scale->Minimum().SetInt(1);
    scale->Maximum().SetInt(65536);
    const char* const rowText = "Color correction matrix (3x3) elements. \nRange -65536 .. +65536";
    model.CreateCustom_T<ParamVector<int>>(section, "BayerMatrixRow0", rowText, FlagNonCamera)->SetText("1 0 0");
    model.CreateCustom_T<ParamVector<int>>(section, "BayerMatrixRow1", rowText, FlagNonCamera)->SetText("0 1 0");
    model.CreateCustom_T<ParamVector<int>>(section, "BayerMatrixRow2", rowText, FlagNonCamera)->SetText("0 0 1");
    UpdateAvailability(model);
}

void BayerFamily::UpdateAvailability(CameraParameters& model) const
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
        const ParamPtr on = model.Find(s.name);
        if (on == nullptr) continue;
        for (const char* name : s.governed) {
            if (ParamPtr p = model.Find(name)) SetUsable(*p, on->GetBool(), FlagUnavailable | FlagReadOnly);
        }
    }
}

}  // namespace

bool CameraParameters::BayerSeen() const
{
    return kBayer.Seen(*this);
}

void CameraParameters::SetBayerAvailability()
{
    kBayer.UpdateAvailability(*this);
}

namespace ParameterFamilies {

const ParameterFamily& Bayer()
{
    return kBayer;
}

}  // namespace ParameterFamilies
