// The driver's exports, looked up by name after loading the library, as the host does.
#pragma once

#include <string>

#include "driver/ornic.h"
#include "platform/Platform.h"

namespace OrnicHost {

struct DriverApi {
    Platform::Library library;
    OrnicSetSystemPathFn setSystemPath = nullptr;
    OrnicSetDebugMsgProcFn setDebugMsgProc = nullptr;
    OrnicInitializeFn initialize = nullptr;
    OrnicNoArgIntFn finalize = nullptr;
    OrnicNoArgIntFn maxGrabbers = nullptr;
    OrnicNoArgIntFn maxPorts = nullptr;
    OrnicNoArgIntFn cameraCount = nullptr;
    OrnicConfigNamesFn configNames = nullptr;
    OrnicOpenPortFn openPort = nullptr;
    OrnicPortFn closePort = nullptr;
    OrnicPortFn doGrab = nullptr;
    OrnicGrabRowFn grabRow = nullptr;
    OrnicSetCompleteCallbackFn setCompleteCallback = nullptr;
    OrnicConfigureCameraFn configureCamera = nullptr;

    // False with a message on stderr when the file does not load or lacks an export.
    bool Load(const std::string& file);
};

}  // namespace OrnicHost
