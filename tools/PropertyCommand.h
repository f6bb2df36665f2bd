// The host's property calls from the shell: get, set, range and cmd on a camera opened for
// the purpose, and the settings written before a grab.
#pragma once

#include <string>

#include "tools/DriverApi.h"
#include "tools/HostOptions.h"

namespace OrnicHost {

// Runs options.command ("get", "set", "range" or "cmd"); 0 when the driver answered 1.
int RunPropertyCommand(DriverApi& driver, const Options& options);

// Writes options.settings (execCmd set NAME=VALUE) and switches continuous mode on when asked;
// false, with the reason on stderr, at the first refusal.
bool ApplyGrabSettings(DriverApi& driver, const Options& options, int port, const std::string& label);

}  // namespace OrnicHost
