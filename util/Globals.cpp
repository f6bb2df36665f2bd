#include "util/Globals.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <stdexcept>

#include "platform/Platform.h"
#include "util/Text.h"

namespace {
const char kDefaultIniName[] = "ornic.ini";
const char kOlderIniName[] = "CamDriver.ini";
const char kGeneralSection[] = "General";
}  // namespace

Globals& Globals::Instance()
{
    static Globals* const instance = new (std::nothrow) Globals();
    if (instance == nullptr) throw std::runtime_error("Globals allocation failed");
    return *instance;
}

void Globals::Output(const char* line)
{
    OrnicDebugMsgProc proc = debugMsgProc.load();
    if (proc == nullptr) return;
    // The host's procedure runs on the logger thread; nothing it throws may end that thread.
    try {
        proc(line);
    } catch (...) {
    }
}

std::string Globals::DefaultIniFile() const
{
    std::lock_guard<std::mutex> lock(pathLock);
    return defaultIniFile;
}

std::string Globals::ActiveIniFile() const
{
    std::lock_guard<std::mutex> lock(pathLock);
    return alternativeIniFile.empty() ? defaultIniFile : alternativeIniFile;
}

std::string Globals::SystemPath() const
{
    std::lock_guard<std::mutex> lock(pathLock);
    return systemPath;
}

void Globals::InitPath(const char* path)
{
    const std::string newPath = path != nullptr ? path : "";
    const std::string newDefault = Platform::JoinPath(newPath, kDefaultIniName);
    {
        std::lock_guard<std::mutex> lock(pathLock);
        systemPath = newPath;
        defaultIniFile = newDefault;
    }
    const std::string olderIniFile = Platform::JoinPath(newPath, kOlderIniName);
    if (!Platform::FileExists(newDefault) && Platform::FileExists(olderIniFile)) {
        Platform::CopyFileNoOverwrite(olderIniFile, newDefault);
        ORNIC_LOG1_INFO(Util_2_1::kGlobalLogPort, "Globals::InitPath",
                        "Ini file copied from " << olderIniFile << " to " << newDefault);
    }
}

int Globals::ReadIniInt(const std::string& file, const char* section, const char* key, int current)
{
    char defaultText[15];
    std::snprintf(defaultText, sizeof defaultText, "%d", current);
    char text[128];
    Platform::ReadIniString(section, key, defaultText, text, sizeof text, file.c_str());
    const long long value = std::strtoll(text, nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int>(value);
}

bool Globals::InitAll(const char* path, OrnicDebugMsgProc proc)
{
    return InitAll(path, proc, Util_2_1::Logger::Instance());
}

bool Globals::InitAll(const char* path, OrnicDebugMsgProc proc, Util_2_1::Logger& logger)
{
    if (path == nullptr || path[0] == '\0') {
        Platform::DebugOutput("Error: Globals::InitAll has empty systemPath");
        return false;
    }
    InitPath(path);
    const std::string iniFile = DefaultIniFile();
    if (proc == nullptr) {
        Platform::DebugOutput("Error: debug function is null");
        return false;
    }
    debugMsgProc.store(proc);
    debugViewLevel.store(1);
    debugViewLevel.store(ReadIniInt(iniFile, kGeneralSection, "logDebugView", debugViewLevel.load()));
    char backend[64] = {};
    Platform::ReadIniString(kGeneralSection, "SdkBackend", "", backend, sizeof backend, iniFile.c_str());
    sdkBackend = Util_2_1::Trim(backend);
    const int count = ReadIniInt(iniFile, kGeneralSection, "logDebugBufferCount", 0);
    if (count < 1) {
        logger.Init(this, 500);
        ORNIC_LOG2_INFO(Util_2_1::kGlobalLogPort, "Globals::InitAll",
                        "Initializing logger with default buffer count, dbgLevel=" << debugViewLevel.load());
    } else {
        logger.Init(this, count);
        ORNIC_LOG1_INFO(Util_2_1::kGlobalLogPort, "Globals::InitAll",
                        "Initializing logger with " << count << " buffers, dbgLevel=" << debugViewLevel.load());
    }
    return true;
}

bool Globals::SetIniFile(const char* name)
{
    const int port = Util_2_1::kGlobalLogPort;
    std::string text = name != nullptr ? name : "";
    if (text.empty() || Util_2_1::EqualsNoCase(text, "DefaultIniFile")) {
        std::string defaultFile;
        {
            std::lock_guard<std::mutex> lock(pathLock);
            alternativeIniFile.clear();
            defaultFile = defaultIniFile;
        }
        ORNIC_LOG1_INFO(port, "Globals::SetIniFile", "setting ini file to default: " << defaultFile);
        return true;
    }
    const std::string fileName = Platform::FileNamePart(text);
    if (fileName.empty()) {
        ORNIC_LOG1_ERR(port, "Globals::SetIniFile",
                       "leaving ini file setting unchanged, since supplied ini file did not have filename: " << text);
        return false;
    }
    if (!Platform::IsAbsolutePath(text)) {
        std::string file;
        {
            std::lock_guard<std::mutex> lock(pathLock);
            alternativeIniFile = Platform::JoinPath(systemPath, fileName);
            file = alternativeIniFile;
        }
        ORNIC_LOG1_INFO(port, "Globals::SetIniFile", "setting alternative ini file to : " << file);
        return true;
    }
    {
        std::lock_guard<std::mutex> lock(pathLock);
        alternativeIniFile = text;
    }
    ORNIC_LOG1_INFO(port, "Globals::SetIniFile", "setting alternative ini file to : " << text);
    return true;
}
