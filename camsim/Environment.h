// Reading the configuration sources: environment variables and small text files.
#pragma once

#include <string>

namespace CamSim {

// False when the variable is unset or empty (Windows cannot hold an empty one).
bool ReadEnvironment(const char* name, std::string& value);

// The whole file; false with a reason when it cannot be read or is implausibly large.
bool ReadTextFile(const std::string& path, std::string& text, std::string& reason);

}  // namespace CamSim
