// The simulator's model text (camsim/ModelText.cpp) from arbitrary text. A model that the
// reader accepts must be one the simulator can run: a camera powers up with it, its XML is
// made, and the feature file it saves is read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "camsim/CameraBehaviour.h"
#include "camsim/DeviceConfig.h"
#include "camsim/FeatureFile.h"
#include "camsim/GenICamXml.h"
#include "camsim/ModelText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string problem;
    const std::shared_ptr<const CamSim::Model> model = CamSim::ParseModelText(text, problem);
    if (model == nullptr) {
        if (problem.empty()) std::abort();  // a refusal always says why
        return 0;
    }
    CamSim::DeviceDesc desc;
    desc.transport = MV_GIGE_DEVICE;
    desc.model = "SIM-FUZZ";
    desc.serial = "F1";
    CamSim::CameraBehaviour camera(model, desc);
    (void)CamSim::BuildGenICamXml(*model, desc.model);
    (void)camera.CurrentFormat();

    std::istringstream saved(CamSim::FeatureFileText(camera.Nodes()));
    CamSim::FeatureFile file;
    if (CamSim::ReadFeatureFile(saved, file) != MV_OK) std::abort();
    return 0;
}
