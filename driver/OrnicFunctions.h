// The driver's exports as a host sees them: function pointers found by name in the loaded
// library. The stand-in host, the integration tests and the benchmarks all load the driver
// through this one list. Host side only; header-only.
#pragma once

#include <string>

#include "driver/ornic.h"
#include "platform/Platform.h"

// X(export name, pointer type)
#define ORNIC_EXPORTED_FUNCTIONS(X)                    \
    X(setSystemPath, OrnicSetSystemPathFn)             \
    X(setDebugMsgProc, OrnicSetDebugMsgProcFn)         \
    X(initialize, OrnicInitializeFn)                   \
    X(finalize, OrnicNoArgIntFn)                       \
    X(getCVLMaxNoOfGrabbers, OrnicNoArgIntFn)          \
    X(getCVLMaxNoOfPorts, OrnicNoArgIntFn)             \
    X(getCVLNoOfSupportedCameras, OrnicNoArgIntFn)     \
    X(getCVLCameraConfigNames, OrnicConfigNamesFn)     \
    X(openCVLPort, OrnicOpenPortFn)                    \
    X(closeCVLPort, OrnicPortFn)                       \
    X(doCVLGrab, OrnicPortFn)                          \
    X(getCVLGrabRow, OrnicGrabRowFn)                   \
    X(setCompleteCallback, OrnicSetCompleteCallbackFn) \
    X(setCmdCallback, OrnicSetCmdCallbackFn)           \
    X(configureCamera, OrnicConfigureCameraFn)         \
    X(getProperty, OrnicGetPropertyFn)                 \
    X(setProperty, OrnicSetPropertyFn)                 \
    X(getPropertyRange, OrnicGetPropertyRangeFn)       \
    X(execCmd, OrnicExecCmdFn)

struct OrnicFunctions {
#define ORNIC_FUNCTION_MEMBER(name, type) type name = nullptr;
    ORNIC_EXPORTED_FUNCTIONS(ORNIC_FUNCTION_MEMBER)
#undef ORNIC_FUNCTION_MEMBER

    // Finds every export in `library`; the names of those it lacks are added to `missing`.
    bool Bind(const Platform::Library& library, std::string& missing)
    {
        bool ok = true;
#define ORNIC_FUNCTION_BIND(name, type)                   \
    name = reinterpret_cast<type>(library.Symbol(#name)); \
    if (name == nullptr) {                                \
        missing += missing.empty() ? #name : ", " #name;  \
        ok = false;                                       \
    }
        ORNIC_EXPORTED_FUNCTIONS(ORNIC_FUNCTION_BIND)
#undef ORNIC_FUNCTION_BIND
        return ok;
    }
};
