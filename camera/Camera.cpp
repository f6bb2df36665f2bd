#include "camera/Camera.h"

#include "util/Logger.h"

Camera::Camera(const DeviceEntry& entry) : deviceInfo(entry) {}

Camera::~Camera() { ORNIC_LOG_Info(port, "Camera::~Camera", "Camera dtor"); }
