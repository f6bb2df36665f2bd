// Which library implements the camera SDK operations, chosen when the driver starts.
//
// The driver calls the operations of sdk/MvSdk.h by their names; the dispatch layer
// (SdkDispatch.cpp) defines them and forwards each one through the function table of the
// backend library it loaded. The simulated SDK (camsim) is the default; `ORNIC_SDK` in the
// environment, or the driver's ini key `SdkBackend` in [General], names another one, the
// environment winning. The library is looked for beside the driver, then on the system's
// library path; `ORNIC_SDK_DIR` names the one folder to look in instead. A backend that was
// asked for and cannot be loaded is not replaced by another: every operation then answers
// MV_E_LOAD_LIBRARY (MV_CC_GetSDKVersion 0), so no camera is listed.
#pragma once

#include <string>
#include <vector>

namespace SdkBackend {

struct Choice {
    std::string name;     // "camsim", "aravis", or the unknown name that was asked for
    std::string source;   // "default", "ORNIC_SDK", or the ini file's key
    std::string library;  // the file loaded, or the file that was tried
    std::string detail;   // what the backend says of itself (version, discovery), may be empty
    std::string error;    // why nothing is loaded; empty when loaded
    bool loaded = false;
};

// Chooses and loads the backend for the coming MV_CC_Initialize. `configured` is the ini
// file's SdkBackend value (empty when the key is missing), `configuredFrom` names that file
// for the log. While the SDK is initialized (an MV_CC_Initialize not yet finalized) the
// backend in use stays and its choice is answered. Thread-safe.
Choice Select(const std::string& configured, const std::string& configuredFrom);

// The choice in force (made on first use from the environment alone if Select was never
// called).
Choice Current();

// The names Select knows, the default first.
std::vector<std::string> KnownNames();

}  // namespace SdkBackend
