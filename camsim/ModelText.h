// Models as text for the control interface: one builder call per line or per ';'.
#pragma once

#include <memory>
#include <string>

#include "camsim/NodeModel.h"

namespace CamSim {

// The model, or null with the line and reason of the first problem.
std::shared_ptr<const Model> ParseModelText(const std::string& text, std::string& problem);

}  // namespace CamSim
