// ornic-host: a stand-in for the host application. It loads the driver library at run time,
// looks up the exports by name and drives them from the command line (see --help).
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "tools/ConfigureCommand.h"
#include "tools/DriverApi.h"
#include "tools/GrabCommand.h"
#include "tools/HostOptions.h"
#include "tools/PropertyCommand.h"

namespace {

std::mutex logMutex;
FILE* logFile = nullptr;  // null: standard error
bool quiet = false;

// The host's debug procedure; the driver calls it on its logger thread.
void ORNIC_CALL PrintDriverLine(const char* line)
{
    if (quiet || line == nullptr) return;
    std::lock_guard<std::mutex> lock(logMutex);
    if (logFile != nullptr) {
        std::fputs(line, logFile);
        std::fflush(logFile);
    } else {
        std::fprintf(stderr, "[driver] %s", line);
    }
}

// A directory of our own under the system's temporary folder, so runs never share an ini file.
std::string MakeTempSystemPath()
{
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) return {};
    std::random_device random;
    for (int attempt = 0; attempt < 20; ++attempt) {
        const std::filesystem::path dir = base / ("ornic-host-" + std::to_string(random()));
        if (std::filesystem::create_directory(dir, ec) && !ec) return dir.string();
    }
    return {};
}

// The driver reads its debug-view level as logDebugView in [General] of ornic.ini in the
// system path, once, during initialize.
bool WriteLogLevel(const std::string& systemPath, int level)
{
    const std::string ini = Platform::JoinPath(systemPath, "ornic.ini");
    return Platform::WriteIniString("General", "logDebugView", std::to_string(level).c_str(), ini.c_str());
}

int Run(OrnicHost::DriverApi& driver, const OrnicHost::Options& options, const std::string& systemPath)
{
    driver.setSystemPath(systemPath.c_str());
    driver.setDebugMsgProc(&PrintDriverLine);
    if (driver.initialize(systemPath.c_str(), &PrintDriverLine) != 1) {
        std::fprintf(stderr, "initialize failed\n");
        return 1;
    }
    int rc = 0;
    if (options.command == "grab") {
        rc = OrnicHost::GrabFrames(driver, options);
    } else if (options.command == "list") {
        rc = OrnicHost::ListCameras(driver);
    } else if (options.command == "configure") {
        rc = OrnicHost::ConfigureCamera(driver, options);
    } else {
        rc = OrnicHost::RunPropertyCommand(driver, options);
    }
    if (driver.finalize() != 1) {
        std::fprintf(stderr, "finalize failed\n");
        return 1;
    }
    return rc;
}

}  // namespace

int main(int argc, char** argv)
{
    OrnicHost::Options options;
    options.driverFile = ORNIC_DRIVER_FILE;
    std::string error;
    if (!OrnicHost::ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "ornic-host: %s\n%s", error.c_str(), OrnicHost::UsageText());
        return 2;
    }
    if (options.help) {
        std::fputs(OrnicHost::UsageText(), stdout);
        return 0;
    }
    if (options.format == OrnicHost::ImageFormat::Png && !OrnicHost::PngAvailable()) {
        std::fprintf(stderr, "ornic-host: built without libpng; use --format bmp\n");
        return 2;
    }
    quiet = options.quiet;
    if (!options.logFile.empty()) {
        logFile = std::fopen(options.logFile.c_str(), "a");
        if (logFile == nullptr) {
            std::fprintf(stderr, "ornic-host: cannot open %s\n", options.logFile.c_str());
            return 1;
        }
    }

    std::string systemPath = options.systemPath;
    const bool ownSystemPath = systemPath.empty();
    if (ownSystemPath) {
        systemPath = MakeTempSystemPath();
        if (systemPath.empty()) {
            std::fprintf(stderr, "ornic-host: cannot make a temporary system path\n");
            return 1;
        }
    }
    int rc = 1;
    // The host procedure above already prints every line; in a folder of our own the driver's
    // debug view (also standard error) stays off unless asked for, so each line shows once.
    const int debugViewLevel = options.logLevel >= 0 ? options.logLevel : (ownSystemPath ? 0 : -1);
    if (debugViewLevel >= 0 && !WriteLogLevel(systemPath, debugViewLevel)) {
        std::fprintf(stderr, "ornic-host: cannot write the log level into %s\n", systemPath.c_str());
    } else {
        OrnicHost::DriverApi driver;
        if (driver.Load(options.driverFile)) rc = Run(driver, options, systemPath);
    }
    if (ownSystemPath) {
        std::error_code ec;
        std::filesystem::remove_all(systemPath, ec);
    }
    if (logFile != nullptr) {
        // The driver has stopped its logger in finalize; nothing writes to the file any more.
        std::lock_guard<std::mutex> lock(logMutex);
        std::fclose(logFile);
        logFile = nullptr;
    }
    return rc;
}
