// ornic-host configure: the configuration dialog of one camera, as the host opens it.
#pragma once

#include "tools/DriverApi.h"
#include "tools/HostOptions.h"

namespace OrnicHost {

// Opens the camera (the first --camera, else the first camera listed) on --port, so that the
// dialog shows a live camera, runs configureCamera and closes the port. 0 when the user
// confirmed with OK, 1 otherwise (cancelled, or the dialog could not be shown: the driver's
// log says why).
int ConfigureCamera(DriverApi& driver, const Options& options);

}  // namespace OrnicHost
