#include "DriverLibrary.h"

DriverLibrary& DriverLibrary::Get()
{
    static DriverLibrary* const driver = new DriverLibrary();
    return *driver;
}

LineCollector& DriverLibrary::Lines()
{
    static LineCollector* const lines = new LineCollector();
    return *lines;
}

void ORNIC_CALL DriverLibrary::DebugProc(const char* line)
{
    Lines().Add(line);
}

bool DriverLibrary::LoadAll(std::string& error)
{
    if (!library.Loaded() && !library.Load(ORNIC_DRIVER_FILE)) {
        error = "cannot load " ORNIC_DRIVER_FILE ": " + library.LastError();
        return false;
    }
    bool ok = Bind(setSystemPath, "setSystemPath", error);
    ok = Bind(setDebugMsgProc, "setDebugMsgProc", error) && ok;
    ok = Bind(initialize, "initialize", error) && ok;
    ok = Bind(finalize, "finalize", error) && ok;
    ok = Bind(getCVLMaxNoOfGrabbers, "getCVLMaxNoOfGrabbers", error) && ok;
    ok = Bind(getCVLMaxNoOfPorts, "getCVLMaxNoOfPorts", error) && ok;
    ok = Bind(getCVLNoOfSupportedCameras, "getCVLNoOfSupportedCameras", error) && ok;
    ok = Bind(getCVLCameraConfigNames, "getCVLCameraConfigNames", error) && ok;
    ok = Bind(openCVLPort, "openCVLPort", error) && ok;
    ok = Bind(closeCVLPort, "closeCVLPort", error) && ok;
    ok = Bind(doCVLGrab, "doCVLGrab", error) && ok;
    ok = Bind(getCVLGrabRow, "getCVLGrabRow", error) && ok;
    ok = Bind(setCompleteCallback, "setCompleteCallback", error) && ok;
    ok = Bind(setCmdCallback, "setCmdCallback", error) && ok;
    ok = Bind(configureCamera, "configureCamera", error) && ok;
    ok = Bind(getProperty, "getProperty", error) && ok;
    ok = Bind(setProperty, "setProperty", error) && ok;
    ok = Bind(getPropertyRange, "getPropertyRange", error) && ok;
    ok = Bind(execCmd, "execCmd", error) && ok;
    return ok;
}
