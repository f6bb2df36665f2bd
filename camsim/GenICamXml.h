// The GenICam-style XML description of a model, as MV_XML_GetGenICamXML hands it out.
#pragma once

#include <string>

#include "camsim/NodeModel.h"

namespace CamSim {

std::string BuildGenICamXml(const Model& model, const std::string& modelName);

}  // namespace CamSim
