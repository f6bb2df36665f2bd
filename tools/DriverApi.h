// The driver's exports, looked up by name after loading the library, as the host does.
#pragma once

#include <string>

#include "driver/OrnicFunctions.h"
#include "platform/Platform.h"

namespace OrnicHost {

struct DriverApi : OrnicFunctions {
    Platform::Library library;

    // False with a message on stderr when the file does not load or lacks an export.
    bool Load(const std::string& file);
};

}  // namespace OrnicHost
