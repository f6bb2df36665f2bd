// The command line of ornic-host, parsed without touching the driver so it can be tested alone.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/ImageWriter.h"

namespace OrnicHost {

struct Options {
    std::string command = "list";        // "list", "grab", "configure", "get", "set", "range" or "cmd"
    std::vector<std::string> arguments;  // the command's words: get NAME, set NAME VALUE, cmd COMMAND PARAMETER
    std::string driverFile;              // empty: the driver built beside the host
    std::string systemPath;              // empty: a fresh temporary directory
    bool quiet = false;
    bool help = false;
    std::vector<std::string> cameras;  // empty: every camera the driver lists
    int firstPort = 0;
    int frames = 5;
    int timeoutMs = 5000;
    std::string outDir = "ornic-frames";
    ImageFormat format = DefaultImageFormat();
    int logLevel = -1;  // -1: leave the driver's ini file alone
    std::string logFile;
    // grab: written with execCmd set NAME=VALUE after the open, in order; then continuous mode.
    std::vector<std::pair<std::string, std::string>> settings;
    bool continuous = false;
    int setValue = 0;  // set: the VALUE
};

// Fills `options` from argv[1..]; false with a message in `error` for anything malformed.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

const char* UsageText();

}  // namespace OrnicHost
