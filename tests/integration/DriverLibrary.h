// The driver loaded as the host loads it: by file name at run time, exports looked up by name.
#pragma once

#include <string>

#include "driver/ornic.h"
#include "platform/Platform.h"
#include "support/LineCollector.h"

struct DriverLibrary {
    Platform::Library library;
    OrnicSetSystemPathFn setSystemPath = nullptr;
    OrnicSetDebugMsgProcFn setDebugMsgProc = nullptr;
    OrnicInitializeFn initialize = nullptr;
    OrnicNoArgIntFn finalize = nullptr;
    OrnicNoArgIntFn getCVLMaxNoOfGrabbers = nullptr;
    OrnicNoArgIntFn getCVLMaxNoOfPorts = nullptr;
    OrnicNoArgIntFn getCVLNoOfSupportedCameras = nullptr;
    OrnicConfigNamesFn getCVLCameraConfigNames = nullptr;
    OrnicOpenPortFn openCVLPort = nullptr;
    OrnicPortFn closeCVLPort = nullptr;
    OrnicPortFn doCVLGrab = nullptr;
    OrnicGrabRowFn getCVLGrabRow = nullptr;
    OrnicSetCompleteCallbackFn setCompleteCallback = nullptr;
    OrnicSetCmdCallbackFn setCmdCallback = nullptr;
    OrnicConfigureCameraFn configureCamera = nullptr;
    OrnicGetPropertyFn getProperty = nullptr;
    OrnicSetPropertyFn setProperty = nullptr;
    OrnicGetPropertyRangeFn getPropertyRange = nullptr;
    OrnicExecCmdFn execCmd = nullptr;

    // Loaded once per test program and kept: the driver's logger and settings live until the
    // process ends, as they do in the host.
    static DriverLibrary& Get();
    // Every line the driver handed to the debug procedure.
    static LineCollector& Lines();
    static void ORNIC_CALL DebugProc(const char* line);

    bool LoadAll(std::string& error);

    template <typename T>
    bool Bind(T& target, const char* name, std::string& error)
    {
        target = reinterpret_cast<T>(library.Symbol(name));
        if (target == nullptr) error += std::string("missing export ") + name + "; ";
        return target != nullptr;
    }
};
