// ornic-host: a stand-in for the host application. It loads the driver library at run time,
// looks up the exports by name and drives them from the command line.
//
//   ornic-host [--driver FILE] [--system-path DIR] [--quiet] [list]
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver/ornic.h"
#include "platform/Platform.h"

namespace {

bool quiet = false;

void ORNIC_CALL PrintDriverLine(const char* line) {
    if (!quiet) std::fprintf(stderr, "[driver] %s", line);
}

int Usage() {
    std::fprintf(stderr,
                 "usage: ornic-host [--driver FILE] [--system-path DIR] [--quiet] [list]\n"
                 "  list      start the driver, list the cameras it found, stop it (the default)\n"
                 "  --quiet   do not echo the lines the driver hands to the host\n");
    return 2;
}

struct Driver {
    Platform::Library library;
    OrnicInitializeFn initialize = nullptr;
    OrnicNoArgIntFn finalize = nullptr;
    OrnicNoArgIntFn maxGrabbers = nullptr;
    OrnicNoArgIntFn maxPorts = nullptr;
    OrnicNoArgIntFn cameraCount = nullptr;
    OrnicConfigNamesFn configNames = nullptr;

    bool Load(const std::string& file) {
        if (!library.Load(file)) {
            std::fprintf(stderr, "cannot load %s: %s\n", file.c_str(), library.LastError().c_str());
            return false;
        }
        initialize = reinterpret_cast<OrnicInitializeFn>(library.Symbol("initialize"));
        finalize = reinterpret_cast<OrnicNoArgIntFn>(library.Symbol("finalize"));
        maxGrabbers = reinterpret_cast<OrnicNoArgIntFn>(library.Symbol("getCVLMaxNoOfGrabbers"));
        maxPorts = reinterpret_cast<OrnicNoArgIntFn>(library.Symbol("getCVLMaxNoOfPorts"));
        cameraCount = reinterpret_cast<OrnicNoArgIntFn>(library.Symbol("getCVLNoOfSupportedCameras"));
        configNames = reinterpret_cast<OrnicConfigNamesFn>(library.Symbol("getCVLCameraConfigNames"));
        if (!initialize || !finalize || !maxGrabbers || !maxPorts || !cameraCount || !configNames) {
            std::fprintf(stderr, "%s lacks one of the driver's exports\n", file.c_str());
            return false;
        }
        return true;
    }
};

int ListCameras(Driver& driver, const std::string& systemPath) {
    if (driver.initialize(systemPath.c_str(), &PrintDriverLine) != 1) {
        std::fprintf(stderr, "initialize failed\n");
        return 1;
    }
    std::printf("grabbers: %d, ports per grabber: %d\n", driver.maxGrabbers(), driver.maxPorts());
    const int count = driver.cameraCount();
    std::printf("cameras: %d\n", count);
    const char** names = driver.configNames();
    for (int i = 0; names != nullptr && names[i] != nullptr; ++i) std::printf("  %s\n", names[i]);
    driver.finalize();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string driverFile = ORNIC_DRIVER_FILE;
    std::string systemPath = ".";
    std::vector<std::string> commands;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--driver" && i + 1 < argc) {
            driverFile = argv[++i];
        } else if (arg == "--system-path" && i + 1 < argc) {
            systemPath = argv[++i];
        } else if (arg == "--quiet") {
            quiet = true;
        } else if (arg == "-h" || arg == "--help") {
            Usage();
            return 0;
        } else {
            commands.push_back(arg);
        }
    }
    if (commands.empty()) commands.push_back("list");
    if (commands.size() != 1 || commands[0] != "list") return Usage();

    Driver driver;
    if (!driver.Load(driverFile)) return 1;
    return ListCameras(driver, systemPath);
}
