// The simulator's model text (camsim/ModelText.cpp) from arbitrary text. A model that the
// reader accepts must be one the simulator can run: a camera powers up with it, its XML is
// made, every node is read and written back through the typed operations, every command runs,
// and the feature file it saves is read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "camsim/CameraBehaviour.h"
#include "camsim/DeviceConfig.h"
#include "camsim/FeatureFile.h"
#include "camsim/GenICamXml.h"
#include "camsim/ModelText.h"

namespace {

// What the SDK's typed operations do with one node: read it, write the value read.
void ReadAndWriteBack(CamSim::CameraBehaviour& camera, const CamSim::NodeDesc& node)
{
    CamSim::NodeMap& nodes = camera.Nodes();
    switch (node.kind) {
    case CamSim::NodeKind::Integer: {
        CamSim::IntInfo info;
        if (nodes.GetInt(node.name, info) == MV_OK) nodes.SetInt(node.name, info.value);
        break;
    }
    case CamSim::NodeKind::Float: {
        CamSim::FloatInfo info;
        if (nodes.GetFloat(node.name, info) == MV_OK) nodes.SetFloat(node.name, info.value);
        break;
    }
    case CamSim::NodeKind::Boolean: {
        bool value = false;
        if (nodes.GetBool(node.name, value) == MV_OK) nodes.SetBool(node.name, value);
        break;
    }
    case CamSim::NodeKind::Enumeration: {
        int64_t value = 0;
        std::vector<int64_t> available;
        if (nodes.GetEnum(node.name, value, available) == MV_OK) {
            for (const int64_t entry : available) nodes.SetEnum(node.name, entry);
            nodes.SetEnum(node.name, value);
        }
        break;
    }
    case CamSim::NodeKind::String:
        nodes.SetString(node.name, nodes.Read(node).s);
        break;
    case CamSim::NodeKind::Command: {
        CamSim::CommandEffect effect;
        camera.Execute(node.name, effect);
        break;
    }
    default:
        break;
    }
}

}  // namespace

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

    for (const CamSim::NodeDesc& node : model->Nodes()) ReadAndWriteBack(camera, node);
    camera.StartAcquisition();
    camera.StepAutoFunctions();
    (void)camera.CurrentFormat();
    camera.StopAcquisition();
    camera.PowerUp();

    std::istringstream saved(CamSim::FeatureFileText(camera.Nodes()));
    CamSim::FeatureFile file;
    if (CamSim::ReadFeatureFile(saved, file) != MV_OK) std::abort();
    return 0;
}
