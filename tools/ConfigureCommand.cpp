#include "tools/ConfigureCommand.h"

#include <cstdio>
#include <string>

namespace OrnicHost {

int ConfigureCamera(DriverApi& driver, const Options& options)
{
    std::string name;
    if (!options.cameras.empty()) {
        name = options.cameras.front();
    } else {
        const char** names = driver.getCVLCameraConfigNames();
        if (names != nullptr && names[0] != nullptr) name = names[0];
    }
    if (name.empty()) {
        std::fprintf(stderr, "no camera to configure\n");
        return 1;
    }
    OrnicImageSize size{};
    const bool opened = driver.openCVLPort(0, options.firstPort, name.c_str(), &size) == 1;
    if (!opened) {
        std::fprintf(stderr, "%s: did not open on port %d; configuring it closed\n", name.c_str(), options.firstPort);
    }
    std::printf("%s: configuration dialog open\n", name.c_str());
    std::fflush(stdout);
    const int confirmed = driver.configureCamera(nullptr, name.c_str());
    if (confirmed == 1) {
        std::printf("%s: confirmed with OK; settings applied and stored\n", name.c_str());
    } else {
        std::printf("%s: not confirmed (cancelled, or the dialog could not be shown)\n", name.c_str());
    }
    if (opened) driver.closeCVLPort(0, options.firstPort);
    return confirmed == 1 ? 0 : 1;
}

}  // namespace OrnicHost
