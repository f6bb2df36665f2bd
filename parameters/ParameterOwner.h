// What the parameter model needs of the camera that owns it: the SDK handle, the port that
// prefixes its log lines, the configuration name stored with its settings, and a way to pause
// grabbing while a node that is locked during acquisition is written.
#pragma once

#include <string>

class ParameterOwner {
public:
    virtual ~ParameterOwner() = default;

    // The opened device's SDK handle; null while the camera is closed.
    virtual void* SdkHandle() const = 0;
    // Port the camera is bound to, -1 when none.
    virtual int Port() const = 0;
    virtual const std::string& ConfigName() const = 0;

    // Stops grabbing if the camera is grabbing; true when it did (and so must restart it).
    virtual bool PauseGrabbing() = 0;
    // Restarts grabbing stopped by PauseGrabbing.
    virtual void ResumeGrabbing() = 0;
};

// Pauses the owner's grabbing at most once, on request, and resumes it when the guard ends.
class GrabPauseGuard {
public:
    explicit GrabPauseGuard(ParameterOwner& owner) : owner(owner) {}
    ~GrabPauseGuard()
    {
        if (paused) owner.ResumeGrabbing();
    }
    GrabPauseGuard(const GrabPauseGuard&) = delete;
    GrabPauseGuard& operator=(const GrabPauseGuard&) = delete;

    void Pause()
    {
        if (!asked) {
            asked = true;
            paused = owner.PauseGrabbing();
        }
    }
    bool Paused() const { return paused; }

private:
    ParameterOwner& owner;
    bool asked = false;
    bool paused = false;
};
