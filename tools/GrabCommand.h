// The host's two jobs once the driver is initialized: listing the cameras and grabbing frames.
#pragma once

#include "tools/DriverApi.h"
#include "tools/HostOptions.h"

namespace OrnicHost {

int ListCameras(DriverApi& driver);

// Opens each chosen camera on its own port, grabs options.frames frames one request at a time
// and saves them. 0 when every camera opened and delivered every frame, 1 otherwise.
int GrabFrames(DriverApi& driver, const Options& options);

}  // namespace OrnicHost
