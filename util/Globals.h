// The process-wide settings: the host's system path, the ini file names, the log thresholds
// and the host's debug procedure. It is the logger's DebugInterface.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "util/HostInterface.h"
#include "util/Logger.h"

class Globals : public Util_2_1::Logger::DebugInterface {
public:
    // Created on the first call and never destroyed; throws std::runtime_error
    // ("Globals allocation failed") when it cannot be created.
    static Globals& Instance();

    // DebugInterface
    int GetLogLevel() override { return logLevel.load(std::memory_order_relaxed); }
    int GetDebugViewLevel() override { return debugViewLevel.load(std::memory_order_relaxed); }
    bool UseStdOut() override { return false; }
    void Output(const char* line) override;

    bool InitAll(const char* systemPath, OrnicDebugMsgProc proc);
    // The same with the logger to start given, so that tests can use one of their own.
    bool InitAll(const char* systemPath, OrnicDebugMsgProc proc, Util_2_1::Logger& logger);
    void InitPath(const char* systemPath);
    bool SetIniFile(const char* name);
    void SetDebugMsgProc(OrnicDebugMsgProc proc) { debugMsgProc.store(proc); }

    // Copies taken under the lock: the host may change the path while a camera opens.
    std::string DefaultIniFile() const;
    std::string ActiveIniFile() const;
    std::string SystemPath() const;

    // SdkBackend in [General] of the default ini file, read by InitAll before the SDK starts
    // (empty when the key is missing); ORNIC_SDK in the environment wins over it.
    std::string SdkBackendSetting() const { return sdkBackend; }

    int LogLevel() const { return logLevel.load(); }
    void SetLogLevel(int level) { logLevel.store(level); }
    int DebugViewLevel() const { return debugViewLevel.load(); }
    void SetDebugViewLevel(int level) { debugViewLevel.store(level); }
    // The configuration dialog traces its work in debug mode.
    bool DebugMode() const { return debugViewLevel.load() == 3; }

    // Calls of initialize not yet matched by finalize; may go negative.
    int initCount = 0;

    // Reads an integer key of the way the driver's start-up reads its logger keys: the
    // current value is the default, the result is the text's leading decimal integer
    // (0 when it has none).
    static int ReadIniInt(const std::string& file, const char* section, const char* key, int current);

    Globals() = default;  // public for tests; the driver uses Instance()

private:
    std::atomic<int> logLevel{1};
    std::atomic<int> debugViewLevel{1};
    std::atomic<OrnicDebugMsgProc> debugMsgProc{nullptr};
    // Guards the three texts below; never held while logging (a host's debug procedure may
    // call setSystemPath).
    mutable std::mutex pathLock;
    std::string defaultIniFile;
    std::string alternativeIniFile;
    std::string systemPath;
    std::string sdkBackend;
};
