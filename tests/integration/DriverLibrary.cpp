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
    std::string missing;
    if (!Bind(library, missing)) {
        error = "missing exports: " + missing;
        return false;
    }
    return true;
}
