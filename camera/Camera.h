// One physical camera found by the camera list. The list creates it once per usable device
// and keeps it for the life of the driver.
#pragma once

#include <string>

#include "camera/DeviceEntry.h"

class Camera {
public:
    explicit Camera(const DeviceEntry& entry);
    virtual ~Camera();
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;

    const DeviceEntry& DeviceInfo() const { return deviceInfo; }
    // The name by which the host addresses the camera; the camera list hands out pointers to
    // this text, so it never changes after construction.
    const std::string& ConfigName() const { return deviceInfo.configName; }
    // Port the camera is bound to, -1 when none; every log line of the camera carries it.
    int Port() const { return port; }
    void SetPort(int newPort) { port = newPort; }

private:
    const DeviceEntry deviceInfo;
    int port = -1;
};
