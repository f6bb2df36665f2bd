// The driver loaded as the host loads it: by file name at run time, exports looked up by name.
#pragma once

#include <string>

#include "driver/OrnicFunctions.h"
#include "platform/Platform.h"
#include "support/LineCollector.h"

struct DriverLibrary : OrnicFunctions {
    Platform::Library library;

    // Loaded once per test program and kept: the driver's logger and settings live until the
    // process ends, as they do in the host.
    static DriverLibrary& Get();
    // Every line the driver handed to the debug procedure.
    static LineCollector& Lines();
    static void ORNIC_CALL DebugProc(const char* line);

    bool LoadAll(std::string& error);
};
