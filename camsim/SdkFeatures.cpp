// Feature files: the camera's readable and writable values as text, and back.
//
//   # Ornic camsim feature file
//   @model SIM-GM130
//   Width = 1280
//   BalanceRatio[Red] = 1536
//
// The @model line names the DeviceModelName the file was saved from; loading into another
// model is refused before anything changes.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "camsim/ApiGuard.h"
#include "camsim/Simulator.h"

namespace {

using CamSim::NodeMap;
using CamSim::Op;
using CamSim::Simulator;

constexpr const char* kFirstLine = "# Ornic camsim feature file";
constexpr const char* kModelTag = "@model ";

std::string ModelName(const NodeMap& nodes)
{
    const CamSim::NodeDesc* node = nodes.GetModel().Find("DeviceModelName");
    return node != nullptr && node->kind == CamSim::NodeKind::String ? nodes.TextOf(*node) : std::string();
}

template <typename Body>
int FileCall(Op op, void* handle, const char* fileName, Body&& body)
{
    return CamSim::Guarded([&] {
        Simulator& sim = Simulator::Instance();
        const uint32_t injected = sim.BeginCall(op);
        if (injected != MV_OK) {
            return injected;
        }
        if (handle == nullptr) {
            return MV_E_HANDLE;
        }
        return fileName == nullptr || *fileName == '\0' ? MV_E_PARAMETER : body(sim);
    });
}

}  // namespace

extern "C" {

MV_SDK_API int MV_SDK_CALL MV_CC_FeatureSave(void* handle, const char* fileName)
{
    return FileCall(Op::FeatureSave, handle, fileName, [&](Simulator& sim) {
        std::string text;
        const uint32_t status = sim.WithNodes(handle, [&](NodeMap& nodes) {
            text = std::string(kFirstLine) + "\n" + kModelTag + ModelName(nodes) + "\n" + nodes.FeatureText();
            return MV_OK;
        });
        if (status != MV_OK) {
            return status;
        }
        std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
        file << text;
        file.close();
        return file ? MV_OK : MV_E_OPENFILE;
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_FeatureLoad(void* handle, const char* fileName)
{
    return FileCall(Op::FeatureLoad, handle, fileName, [&](Simulator& sim) {
        // Checked before the file: a dead handle answers as for every other operation.
        uint32_t status = sim.WithNodes(handle, [](NodeMap&) { return MV_OK; });
        if (status != MV_OK) {
            return status;
        }
        std::ifstream file(fileName, std::ios::binary);
        if (!file) {
            return MV_E_OPENFILE;
        }
        std::string model;
        bool tagged = false;
        std::vector<std::string> lines;
        std::string line;
        while (std::getline(file, line)) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (line.empty() || line.front() == '#') {
                continue;
            }
            if (!tagged) {
                if (line.compare(0, std::char_traits<char>::length(kModelTag), kModelTag) != 0) {
                    return MV_E_PARAMETER;  // not a feature file
                }
                model = line.substr(std::char_traits<char>::length(kModelTag));
                tagged = true;
                continue;
            }
            lines.push_back(line);
        }
        if (!tagged) {
            return MV_E_PARAMETER;
        }
        status = sim.WithNodes(handle, [&](NodeMap& nodes) {
            return model != ModelName(nodes) ? MV_E_VERSION : nodes.ApplyFeatureLines(lines);
        });
        return status;
    });
}

}  // extern "C"
