#include "tools/DriverApi.h"

#include <cstdio>

namespace OrnicHost {

namespace {

template <typename Fn>
bool Find(const Platform::Library& library, const char* name, Fn& fn)
{
    fn = reinterpret_cast<Fn>(library.Symbol(name));
    if (fn == nullptr) std::fprintf(stderr, "the driver lacks the export %s\n", name);
    return fn != nullptr;
}

}  // namespace

bool DriverApi::Load(const std::string& file)
{
    if (!library.Load(file)) {
        std::fprintf(stderr, "cannot load %s: %s\n", file.c_str(), library.LastError().c_str());
        return false;
    }
    bool ok = true;
    ok &= Find(library, "setSystemPath", setSystemPath);
    ok &= Find(library, "setDebugMsgProc", setDebugMsgProc);
    ok &= Find(library, "initialize", initialize);
    ok &= Find(library, "finalize", finalize);
    ok &= Find(library, "getCVLMaxNoOfGrabbers", maxGrabbers);
    ok &= Find(library, "getCVLMaxNoOfPorts", maxPorts);
    ok &= Find(library, "getCVLNoOfSupportedCameras", cameraCount);
    ok &= Find(library, "getCVLCameraConfigNames", configNames);
    ok &= Find(library, "openCVLPort", openPort);
    ok &= Find(library, "closeCVLPort", closePort);
    ok &= Find(library, "doCVLGrab", doGrab);
    ok &= Find(library, "getCVLGrabRow", grabRow);
    ok &= Find(library, "setCompleteCallback", setCompleteCallback);
    ok &= Find(library, "configureCamera", configureCamera);
    return ok;
}

}  // namespace OrnicHost
