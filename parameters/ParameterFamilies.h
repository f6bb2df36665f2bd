// The table of parameter families (ParameterFamilies.cpp) and the model's dispatch through
// it: every step asks each family in table order.
#pragma once

#include <string>

#include "parameters/ParameterFamily.h"

namespace ParameterFamilies {

// The family that owns the parameter `name`; null when none does.
const ParameterFamily* Owner(const std::string& name);
// True when some family stands for the camera node `node`.
bool StandsFor(const std::string& node);

void StartTree(CameraParameters& model);
void Notice(CameraParameters& model, Sighting sighting, const std::string& name);
// Creates the families whose creation point this step of the walk is.
void CreateAt(CameraParameters& model, WalkPoint point, const std::string& category, const std::string& node);
void AddDependents(CameraParameters::DependentMap& dependents);
void UpdateAvailability(CameraParameters& model);

}  // namespace ParameterFamilies
