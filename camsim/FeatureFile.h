// Feature files: the camera's readable and writable values as text, and back (the format is
// described in FeatureFile.cpp and docs/simulator.md). The file itself is opened by the
// SDK side (SdkFeatures.cpp).
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "camsim/NodeMap.h"

namespace CamSim {

struct FeatureFile {
    std::string model;               // the @model line: the DeviceModelName saved from
    std::vector<std::string> lines;  // the "Name = value" lines, as read
};

// The whole file for the values now: the first line, @model, one line per node that is
// readable and writable (selected nodes once per selector entry), in model order.
std::string FeatureFileText(const NodeMap& nodes);

// Reads a file, skipping comments and blank lines (Windows line ends are fine).
// MV_E_PARAMETER when the first line that is neither is not the @model line.
uint32_t ReadFeatureFile(std::istream& in, FeatureFile& file);

// MV_E_VERSION (nothing changed) for a file of another model. Otherwise applies the lines;
// those failing are retried after the rest while that helps (a value can depend on one later
// in the file). MV_OK, or the status of the first line that could not be applied (the others
// still are).
uint32_t ApplyFeatureFile(NodeMap& nodes, const FeatureFile& file);

}  // namespace CamSim
