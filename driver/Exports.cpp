// The driver's C exports: argument checks, a log line, and a call into the core, each
// behind the exception barrier.
#define ORNIC_BUILDING_DRIVER
#include "driver/ornic.h"

#include "driver/ExportGuard.h"
#include "registry/CameraList.h"
#include "sdk/MvSdk.h"
#include "sdk/MvStatus.h"
#include "sdk/SdkBackend.h"
#include "util/Globals.h"
#include "util/Logger.h"
#include "util/Version.h"

namespace {

int LogPort()
{
    return Util_2_1::kGlobalLogPort;
}

// Which SDK backend serves the cameras, or why none does (then no camera is listed).
void LogSdkBackend(const SdkBackend::Choice& sdk)
{
    if (sdk.loaded) {
        ORNIC_LOG1_INFO(LogPort(), "initialize",
                        "SDK backend: " << sdk.name << ", chosen by " << sdk.source << (sdk.detail.empty() ? "" : ": ")
                                        << sdk.detail);
        ORNIC_LOG2_INFO(LogPort(), "initialize", "SDK backend library: " << sdk.library);
    } else {
        ORNIC_LOG1_ERR(LogPort(), "initialize",
                       "SDK backend " << sdk.name << " (" << sdk.source << ") not loaded, no cameras: " << sdk.error);
    }
}

}  // namespace

void ExportGuard::LogException(const char* tag, const char* message) noexcept
{
    try {
        if (message != nullptr) {
            ORNIC_LOG1_ERR(LogPort(), tag, "Exception: " << message);
        } else {
            ORNIC_LOG1_ERR(LogPort(), tag, "Undefined Exception");
        }
    } catch (...) {
        // Out of memory while reporting: nothing more can be done safely.
    }
}

extern "C" {

ORNIC_EXPORT int ORNIC_CALL setSystemPath(const char* path)
{
    if (path == nullptr || path[0] == '\0') return 0;
    return ExportGuard::Run("setSystemPath", 0, [&] {
        ORNIC_LOG3_TRACE(LogPort(), "setSystemPath", "setSystemPath=" << path);
        Globals::Instance().InitPath(path);
        return 1;
    });
}

ORNIC_EXPORT void ORNIC_CALL setDebugMsgProc(OrnicDebugMsgProc proc)
{
    ExportGuard::RunVoid("setDebugMsgProc", [&] {
        ORNIC_LOG3_TRACE(LogPort(), "setDebugMsgProc", "setDebugMsgProc");
        Globals::Instance().SetDebugMsgProc(proc);
    });
}

ORNIC_EXPORT int ORNIC_CALL initialize(const char* systemPath, OrnicDebugMsgProc proc)
{
    return ExportGuard::Run("initialize", 0, [&] {
        Globals& globals = Globals::Instance();
        // Raised before anything can fail and never lowered on failure: finalize balances it.
        const int old = globals.initCount;
        globals.initCount = old + 1;
        if (old != 0) {
            ORNIC_LOG1_INFO(LogPort(), "initialize", "subsequent call to initialize() rejected.");
        } else {
            if (!globals.InitAll(systemPath, proc)) return 0;
            LogSdkBackend(SdkBackend::Select(globals.SdkBackendSetting(), globals.DefaultIniFile()));
            CameraList::InitInstance();
        }
        ORNIC_LOG1_INFO(LogPort(), "initialize",
                        "initialize camera driver: ornic " << Util_2_1::kDriverVersion << ", SDK "
                                                           << SdkVersionText(MV_CC_GetSDKVersion()));
        return 1;
    });
}

ORNIC_EXPORT int ORNIC_CALL finalize(void)
{
    return ExportGuard::Run("finalize", 0, [&] {
        Globals& globals = Globals::Instance();
        ORNIC_LOG2_INFO(LogPort(), "finalize", "===============finalize: entering, refcount" << globals.initCount);
        const int count = --globals.initCount;
        if (count < 0) ORNIC_LOG1_ERR(LogPort(), "finalize", "finalize: refcount=" << count);
        if (count == 0) CameraList::ReleaseInstance();
        ORNIC_LOG2_INFO(LogPort(), "finalize", "===============finalize: leaving, refcount" << count);
        return 1;
    });
}

ORNIC_EXPORT int ORNIC_CALL getCVLMaxNoOfGrabbers(void)
{
    return 1;
}

ORNIC_EXPORT int ORNIC_CALL getCVLMaxNoOfPorts(void)
{
    return CameraList::kPortCount;
}

ORNIC_EXPORT int ORNIC_CALL getCVLNoOfSupportedCameras(void)
{
    return ExportGuard::Run("getCVLNoOfSupportedCameras", 0, [] {
        CameraList* list = CameraList::InstanceOrNull();
        return list != nullptr ? list->CameraCount() : 0;
    });
}

ORNIC_EXPORT const char** ORNIC_CALL getCVLCameraConfigNames(void)
{
    CameraList* list = CameraList::InstanceOrNull();
    // The host's interface is a plain char-pointer array; it must not write through it.
    return list != nullptr ? const_cast<const char**>(list->ConfigNames()) : nullptr;
}

}  // extern "C"
