// The driver's C exports: argument checks, a log line, and a call into the core, each
// behind the exception barrier.
#define ORNIC_BUILDING_DRIVER
#include "driver/ornic.h"

#include "camera/Camera.h"
#include "driver/ExportGuard.h"
#include "registry/CameraList.h"
#include "sdk/MvSdk.h"
#include "sdk/MvStatus.h"
#include "sdk/SdkBackend.h"
#include "util/Globals.h"
#include "util/Logger.h"
#include "util/Version.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

int LogPort()
{
    return Util_2_1::kGlobalLogPort;
}

// Longer than the slowest port call: an open waits up to 5 s for a close and 6 s for the camera.
constexpr unsigned kFinalizeDrainMs = 15000;

std::atomic<int> portCallsInProgress{0};
std::atomic<bool> portCallsRefused{false};

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

ExportGuard::PortCall::PortCall(const char* tag) noexcept
{
    // Counted before the test, the way StopAndDrain sets the flag before it counts: a call
    // that passes the test is always seen by the drain.
    portCallsInProgress.fetch_add(1);
    if (!portCallsRefused.load()) {
        admitted = true;
        return;
    }
    portCallsInProgress.fetch_sub(1);
    try {
        ORNIC_LOG1_ERR(LogPort(), tag, tag << " refused: the driver is being finalized");
    } catch (...) {
    }
}

ExportGuard::PortCall::~PortCall()
{
    if (admitted) portCallsInProgress.fetch_sub(1);
}

void ExportGuard::PortCall::Refuse() noexcept
{
    portCallsRefused.store(true);
}

bool ExportGuard::PortCall::Drain(unsigned limitMs) noexcept
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (portCallsInProgress.load() != 0) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void ExportGuard::PortCall::Admit() noexcept
{
    portCallsRefused.store(false);
}

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
        // The camera delivering this frame cannot be closed from inside its own delivery:
        // closing waits for the delivery to end.
        if (Camera::InsideImageCallback()) {
            ORNIC_LOG1_ERR(LogPort(), "finalize",
                           "finalize refused: called from inside the completion callback; nothing changed");
            return 0;
        }
        const bool stopping = globals.initCount == 1;
        // Port calls are refused from before the first line on and admitted again however this
        // ends; the calls in progress are waited for before anything is destroyed.
        struct Refusal {
            bool on;
            ~Refusal()
            {
                if (on) ExportGuard::PortCall::Admit();
            }
        } const refusal{stopping};
        if (stopping) ExportGuard::PortCall::Refuse();
        ORNIC_LOG2_INFO(LogPort(), "finalize", "===============finalize: entering, refcount" << globals.initCount);
        if (stopping && !ExportGuard::PortCall::Drain(kFinalizeDrainMs)) {
            ORNIC_LOG1_ERR(
                LogPort(), "finalize",
                "finalize refused: port calls still in progress after " << kFinalizeDrainMs << " ms; nothing changed");
            return 0;
        }
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
    return ExportGuard::RunPortCall("getCVLNoOfSupportedCameras", 0, [] {
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
