#include "tools/PropertyCommand.h"

#include <cstdio>

namespace OrnicHost {

namespace {

// The camera the command is for: --camera, else the first the driver lists; empty when none.
std::string ChosenCamera(DriverApi& driver, const Options& options)
{
    if (!options.cameras.empty()) return options.cameras[0];
    const char** names = driver.getCVLCameraConfigNames();
    return names != nullptr && names[0] != nullptr ? names[0] : "";
}

}  // namespace

int RunPropertyCommand(DriverApi& driver, const Options& options)
{
    const int port = options.firstPort;
    const std::string camera = ChosenCamera(driver, options);
    OrnicImageSize size{0, 0};
    bool opened = false;
    if (!camera.empty()) {
        opened = driver.openCVLPort(0, port, camera.c_str(), &size) == 1;
        if (!opened) std::fprintf(stderr, "port %d %s: openCVLPort failed\n", port, camera.c_str());
    }
    // Driver-wide commands (cmd get LogLevel, cmd set IniFile=...) work without a camera.
    if (!opened && options.command != "cmd") return 1;
    const std::string& name = options.arguments[0];
    int rc = 0;
    if (options.command == "get") {
        int value = 0;
        rc = driver.getProperty(0, port, name.c_str(), &value);
        if (rc == 1) std::printf("%s = %d\n", name.c_str(), value);
    } else if (options.command == "set") {
        rc = driver.setProperty(0, port, name.c_str(), options.setValue);
        if (rc == 1) std::printf("%s <- %d\n", name.c_str(), options.setValue);
    } else if (options.command == "range") {
        int low = 0;
        int high = 0;
        rc = driver.getPropertyRange(0, port, name.c_str(), &low, &high);
        if (rc == 1) std::printf("%s: %d .. %d\n", name.c_str(), low, high);
    } else {
        const std::string parameter = options.arguments.size() > 1 ? options.arguments[1] : "";
        char reply[1024] = {};
        rc = driver.execCmd(0, port, name.c_str(), parameter.c_str(), reply, static_cast<int>(sizeof reply));
        std::printf("%s%s(result %d)\n", reply, reply[0] != '\0' ? "\n" : "", rc);
    }
    if (rc != 1 && options.command != "cmd")
        std::fprintf(stderr, "%s %s failed\n", options.command.c_str(), name.c_str());
    if (opened && driver.closeCVLPort(0, port) != 1) std::fprintf(stderr, "closeCVLPort failed\n");
    return rc == 1 ? 0 : 1;
}

bool ApplyGrabSettings(DriverApi& driver, const Options& options, int port, const std::string& label)
{
    for (const auto& setting : options.settings) {
        const std::string parameter = setting.first + "=" + setting.second;
        char reply[256] = {};
        if (driver.execCmd(0, port, "set", parameter.c_str(), reply, static_cast<int>(sizeof reply)) != 1) {
            std::fprintf(stderr, "%s: --set %s refused: %s\n", label.c_str(), parameter.c_str(), reply);
            return false;
        }
        std::fprintf(stderr, "%s: %s\n", label.c_str(), parameter.c_str());
    }
    if (options.continuous && driver.setProperty(0, port, "continuous", 1) != 1) {
        std::fprintf(stderr, "%s: continuous mode refused\n", label.c_str());
        return false;
    }
    return true;
}

}  // namespace OrnicHost
