// The simulator's feature-file reader (camsim/FeatureFile.cpp) on arbitrary files, applied to
// a colour camera of the default model and to a small model with the node kinds the default
// one lacks (an integer selector, an address): whatever a file did to a camera, the file that
// camera then saves loads into a fresh camera of its model and saves the same again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "camsim/CameraBehaviour.h"
#include "camsim/DeviceConfig.h"
#include "camsim/FeatureFile.h"
#include "camsim/ModelText.h"
#include "camsim/SimControl.h"

namespace {

const char kSmallModel[] = R"(category DeviceControl
  string DeviceModelName 32; access ro
  string DeviceUserID 16
  integer LutIndex 0 7 1 0
  integer LutValue 0 4095 1 0; selected-by LutIndex
  enumeration GainAuto Off Off=0 Continuous=2
  float Gain 0 24 0; unit dB; writable-when GainAuto Off
  boolean ReverseX false
  integer GevCurrentIPAddress 0 0xFFFFFFFF 1 0; ip
  command Go
  register Lut 0x2000 16
)";

struct Camera {
    std::shared_ptr<const CamSim::Model> model;
    CamSim::DeviceDesc desc;
};

Camera MakeCamera(std::shared_ptr<const CamSim::Model> model, uint32_t transport, const char* name)
{
    Camera camera{std::move(model), {}};
    camera.desc.transport = transport;
    camera.desc.kind = CAMSIM_KIND_BAYER_RG;
    camera.desc.model = name;
    camera.desc.serial = "F1";
    if (camera.model == nullptr) std::abort();
    return camera;
}

const Camera& Colour()
{
    static const Camera camera =
        MakeCamera(CamSim::DefaultModel(MV_USB_DEVICE, CAMSIM_KIND_BAYER_RG), MV_USB_DEVICE, "SIM-UC500");
    return camera;
}

const Camera& Small()
{
    static const Camera camera = [] {
        std::string problem;
        return MakeCamera(CamSim::ParseModelText(kSmallModel, problem), MV_GIGE_DEVICE, "SIM-SMALL");
    }();
    return camera;
}

std::string Saved(const CamSim::CameraBehaviour& camera)
{
    return CamSim::FeatureFileText(camera.Nodes());
}

void ApplyTo(const Camera& described, const CamSim::FeatureFile& file)
{
    CamSim::CameraBehaviour camera(described.model, described.desc);
    if (CamSim::ApplyFeatureFile(camera.Nodes(), file) == MV_E_VERSION) return;
    const std::string text = Saved(camera);

    std::istringstream in(text);
    CamSim::FeatureFile again;
    if (CamSim::ReadFeatureFile(in, again) != MV_OK) std::abort();
    CamSim::CameraBehaviour fresh(described.model, described.desc);
    if (CamSim::ApplyFeatureFile(fresh.Nodes(), again) != MV_OK) std::abort();
    if (Saved(fresh) != text) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    CamSim::FeatureFile file;
    if (CamSim::ReadFeatureFile(in, file) != MV_OK) return 0;
    ApplyTo(Colour(), file);
    ApplyTo(Small(), file);
    return 0;
}
