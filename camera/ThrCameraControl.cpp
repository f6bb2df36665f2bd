#include "camera/ThrCameraControl.h"

#include <cstdio>
#include <ctime>
#include <exception>

#include "camera/Camera.h"
#include "util/Logger.h"

namespace {

// The thread wakes on its event or after this long, for the reconnect timing.
constexpr uint32_t kPassPeriodMs = 500;

// A level-1 line posted without the level test: the host always learns of a loss and a
// reconnect.
void PostUnconditional(int port, const char* word, const char* text)
{
    Util_2_1::Logger& logger = Util_2_1::Logger::Instance();
    Util_2_1::Logger::ElementPtr element = logger.Acquire();
    element->level = 1;
    Util_2_1::LogLine(element->text) << "#" << static_cast<int32_t>(port) << ": " << word << ": " << text << "\n";
    logger.Post(std::move(element));
}

}  // namespace

ThrCameraControl::~ThrCameraControl()
{
    ORNIC_LOG2_INFO(owner.Port(), "ThrCameraControl::~ThrCameraControl", "ThrCameraControl dtor");
    Destroy();
}

void ThrCameraControl::InitThread()
{
    std::lock_guard<std::mutex> lock(controlLock);
    const int port = owner.Port();
    const char* const tag = "ThrCameraControl::InitThread";
    ORNIC_LOG2_INFO(port, tag, "ThrCameraControl: Init for camera " << owner.ConfigName());
    if (commandEvent == nullptr) {
        ORNIC_LOG2_INFO(port, tag, "ThrCameraControl: event initialization");
        auto event = std::make_unique<Platform::Event>(Platform::Event::Mode::ManualReset, false);
        if (!event->Valid()) {
            ORNIC_LOG1_ERR(port, tag,
                           "could not create wait event for camera thread, error=" << Platform::LastErrorCode());
            return;
        }
        ORNIC_LOG2_INFO(port, tag, "ThrCameraControl: Handle created OK");
        event->Reset();
        commandEvent = std::move(event);
    }
    if (thread == nullptr) {
        command.store(CmdNone);
        auto created = std::make_unique<Platform::Thread>();
        if (created->Start(&ThrCameraControl::ThreadEntry, this)) {
            char text[32];
            std::snprintf(text, sizeof text, "%p", static_cast<void*>(created.get()));
            thread = std::move(created);
            ORNIC_LOG2_INFO(port, tag, "ThrCameraControl created:" << text);
        }
    }
}

void ThrCameraControl::Post(int32_t code)
{
    // One slot, last writer wins, except that a grab never wipes out a pending open, close,
    // device-lost or terminate command, and nothing replaces a terminate: losing those would
    // leave a lost camera unclosed or a thread that never ends.
    int32_t current = command.load();
    for (;;) {
        if (current == CmdTerminate) break;
        if (code == CmdGrab && current != CmdNone && current != CmdGrab) break;
        if (command.compare_exchange_weak(current, code)) break;
    }
    if (commandEvent != nullptr) commandEvent->Set();
}

void ThrCameraControl::PostOpen()
{
    if (!IsRunning()) InitThread();
    Post(CmdOpen);
}

int ThrCameraControl::ThreadEntry(void* self)
{
    if (self == nullptr) return -1;
    return static_cast<ThrCameraControl*>(self)->ThreadMain();
}

int ThrCameraControl::ThreadMain()
{
    const int port = owner.Port();
    const char* const tag = "ThrCameraControl::ThreadMain";
    ORNIC_LOG2_INFO(port, tag, "ThrCameraControl entering, clock=" << static_cast<int64_t>(std::clock()));
    reconnecting = false;
    triesLeft = 0;
    indefinite = true;
    waitSeconds = 5.0;
    stopwatch.Restart();
    while (command.load() != CmdTerminate) {
        try {
            commandEvent->Wait(kPassPeriodMs);
            commandEvent->Reset();
            const int32_t c = command.load();
            if (c == CmdTerminate) {
                ORNIC_LOG2_INFO(owner.Port(), tag, "ThrCameraControl terminate event received");
                break;
            }
            // Taken with a compare-exchange, so a command posted meanwhile stays for the next pass.
            int32_t expected = c;
            const bool taken = c != CmdNone && command.compare_exchange_strong(expected, CmdNone);
            if (taken) {
                switch (c) {
                case CmdOpen:
                    ORNIC_LOG2_INFO(owner.Port(), tag, "ThrCameraControl - DoOpen");
                    owner.DoOpen(false);
                    break;
                case CmdClose:
                    ORNIC_LOG2_INFO(owner.Port(), tag, "ThrCameraControl - DoClose");
                    owner.DoClose(false);
                    break;
                case CmdGrab:
                    ORNIC_LOG3_TRACE(owner.Port(), tag, "ThrCameraControl - DoGrab");
                    if (owner.IsOpen()) owner.DoGrab();
                    break;
                case CmdDeviceLost:
                    HandleLoss();
                    break;
                default:
                    break;
                }
            }
            ReconnectStep();
        } catch (const std::exception& e) {
            ORNIC_LOG1_ERR(owner.Port(), tag, "Exception: " << e.what());
        } catch (...) {
            ORNIC_LOG1_ERR(owner.Port(), tag, "Undefined Exception");
        }
    }
    ORNIC_LOG2_INFO(owner.Port(), tag, "ThrCameraControl leaving, clock=" << static_cast<int64_t>(std::clock()));
    return 0;
}

void ThrCameraControl::HandleLoss()
{
    const int port = owner.Port();
    PostUnconditional(port, "ERR", "Camera disconnect");
    owner.DoClose(true);
    CameraParameters& parameters = owner.Parameters();
    const auto reconnect = parameters.Find("ReconnectOnLoss");
    if (reconnect == nullptr || !reconnect->GetBool()) return;
    // A camera the host has let go of stays closed.
    if (!owner.HostBound()) return;
    triesLeft = 0;
    waitSeconds = 5.0;
    if (const auto count = parameters.Find("ReconnectTryCount")) triesLeft = count->GetInt64();
    if (const auto wait = parameters.Find("ReconnectWaitSeconds")) waitSeconds = wait->GetDouble();
    indefinite = triesLeft <= 0;
    if (!(waitSeconds >= 1.0)) waitSeconds = 1.0;  // also catches NaN
    char seconds[48];
    std::snprintf(seconds, sizeof seconds, "%f", waitSeconds);
    if (indefinite) {
        ORNIC_LOG1_INFO(port, "ThrCameraControl::ThreadMain",
                        "Will try to reconnect indefinitely for each " << seconds << "s");
    } else {
        ORNIC_LOG1_INFO(port, "ThrCameraControl::ThreadMain",
                        "Will try to reconnect " << triesLeft << " times for each " << seconds << "s");
    }
    reconnecting = true;
    stopwatch.Restart();
}

void ThrCameraControl::ReconnectStep()
{
    if (reconnecting && (owner.IsOpen() || (!indefinite && triesLeft == 0))) reconnecting = false;
    const int port = owner.Port();
    const char* const tag = "ThrCameraControl::ThreadMain";
    // The host's close ends the procedure. The camera list unbinds before it posts the
    // close, so an attempt already under way is followed by that close.
    if (reconnecting && !owner.HostBound()) {
        ORNIC_LOG1_INFO(port, tag, "Reconnect ended: the host closed the port");
        reconnecting = false;
    }
    if (!reconnecting || !stopwatch.Expired(waitSeconds)) return;
    stopwatch.Advance(waitSeconds);
    if (triesLeft > 0 && !indefinite) --triesLeft;
    ORNIC_LOG1_INFO(port, tag, "Attempting reopen");
    owner.DoOpen(true);
    if (owner.IsOpen()) {
        PostUnconditional(port, "IMP", "Camera reconnect");
        reconnecting = false;
    } else if (triesLeft == 0 && !indefinite) {
        ORNIC_LOG1_INFO(port, tag, "No longer attempting camera reconnect");
        reconnecting = false;
    }
}

void ThrCameraControl::Destroy()
{
    std::lock_guard<std::mutex> lock(controlLock);
    const int port = owner.Port();
    const char* const tag = "ThrCameraControl::Destroy";
    ORNIC_LOG2_INFO(port, tag, "ThrCameraControl Destroy entering");
    if (thread != nullptr) {
        PostTerminate();
        if (!thread->Join(3000)) {
            // Still inside a camera operation (a slow open): it must not go on running against
            // a camera that is being destroyed, so wait for it to finish.
            ORNIC_LOG1_ERR(port, tag, "Camera thread did not end within 3000 ms; waiting for it");
            thread->Join(Platform::kInfinite);
            ORNIC_LOG2_INFO(port, tag, "Camera thread ended after the wait");
        }
        thread.reset();
    }
    // The event itself stays until this object goes: an SDK thread may still post a
    // device-lost notice until the camera's handle is destroyed.
    if (commandEvent != nullptr) commandEvent->Reset();
    ORNIC_LOG2_INFO(port, tag, "ThrCameraControl Destroy leaving");
}
