// When the camera grabs and which frames reach the host: grab requests, continuous mode,
// single-frame acquisitions and software triggers.
#include <exception>

#include "camera/Camera.h"
#include "util/Logger.h"

using Util_2_1::EqualsNoCase;

bool Camera::Grab::Start()
{
    if (isGrabbing.load()) return true;
    ORNIC_LOG3_TRACE(camera.Port(), "Camera::Grab::Start", "StartGrabbing");
    const MvStatus status(MV_CC_StartGrabbing(camera.SdkHandle()));
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(camera.Port(), "Camera::Grab::Start", "StartGrabbing: MV_CC_StartGrabbing failed " << status);
        return false;
    }
    isGrabbing.store(true);
    return true;
}

void Camera::Grab::Stop(bool quiet)
{
    if (!isGrabbing.load()) return;
    const MvStatus status(MV_CC_StopGrabbing(camera.SdkHandle()));
    if (!quiet) {
        if (!status.Ok()) {
            ORNIC_LOG1_ERR(camera.Port(), "Camera::Grab::Stop", "MV_CC_StopGrabbing failed " << status);
        } else {
            ORNIC_LOG3_TRACE(camera.Port(), "Camera::Grab::Stop", "StopGrabbing");
        }
    }
    isGrabbing.store(false);
}

void Camera::Acquisition::Start()
{
    const auto start = camera.Parameters().Find("AcquisitionStart");
    if (start == nullptr) {
        ORNIC_LOG1_ERR(camera.Port(), "Camera::Acquisition::Start",
                       "Camera is in SingleFrame mode, but AcquisitionStart command not found");
        return;
    }
    camera.ExecuteCommand(start->Name());
}

bool Camera::ExecuteCommand(const std::string& nodeName)
{
    const MvStatus status(MV_CC_SetCommandValue(SdkHandle(), nodeName.c_str()));
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(Port(), "Camera::ExecuteCommand", "Command '" << nodeName << "' failed: " << status.Text());
        return false;
    }
    ORNIC_LOG2_INFO(Port(), "Camera::ExecuteCommand", "Command " << nodeName << " executed");
    return true;
}

bool Camera::ParameterIs(const char* name, const char* text)
{
    const auto p = parameters.Find(name);
    return p != nullptr && EqualsNoCase(p->GetTextString(), text);
}

bool Camera::IsSoftwareTriggered()
{
    const char* const tag = "Camera::IsSoftwareTriggered";
    const auto mode = parameters.Find("TriggerMode");
    if (mode == nullptr) {
        ORNIC_LOG1_ERR(Port(), tag, "IsSoftwareTriggered cannot find 'TriggerMode' parameter");
        return false;
    }
    bool result = false;
    if (EqualsNoCase(mode->GetTextString(), "On")) {
        const auto source = parameters.Find("TriggerSource");
        if (source == nullptr) {
            ORNIC_LOG1_ERR(Port(), tag, "IsSoftwareTriggered cannot find 'TriggerSource' parameter");
            return false;
        }
        result = EqualsNoCase(source->GetTextString(), "Software");
    }
    ORNIC_LOG3_TRACE(Port(), tag, "IsSoftwareTriggered returns " << (result ? "true" : "false"));
    return result;
}

bool Camera::ExecuteSoftwareTrigger()
{
    try {
        ORNIC_LOG2_INFO(Port(), "Camera::ExecuteSoftwareTrigger", "executing software trigger");
        const MvStatus status(MV_CC_SetCommandValue(SdkHandle(), "TriggerSoftware"));
        if (!status.Ok()) {
            ORNIC_LOG1_ERR(Port(), "Camera::ExecuteSoftwareTrigger",
                           " MV_CC_SetCommandValue "
                               << "TriggerSoftware"
                               << " failed " << status);
        }
        return status.Ok();
    } catch (const std::exception& e) {
        ORNIC_LOG1_ERR(Port(), "Camera::ExecuteSoftwareTrigger", "Exception: " << e.what());
    } catch (...) {
        ORNIC_LOG1_ERR(Port(), "Camera::ExecuteSoftwareTrigger", "Undefined Exception");
    }
    return false;
}

void Camera::DoGrab()
{
    std::lock_guard<std::mutex> lock(openLock);
    grab.Start();
    if (!continuousMode.load()) frameRequested.store(true);
    if (ParameterIs("AcquisitionMode", "SingleFrame")) acquisition.Start();
    if (IsSoftwareTriggered()) ExecuteSoftwareTrigger();
}

void Camera::SignalGrab()
{
    ORNIC_LOG2_INFO(Port(), "Camera::SignalGrab", "SignalGrab");
    if (configureDialogOpen.load()) {
        ORNIC_LOG2_INFO(Port(), "Camera::SignalGrab", "Grab ignored: configure dialog open");
        return;
    }
    controlThread.PostGrab();
}

void Camera::SignalClose()
{
    ORNIC_LOG2_INFO(Port(), "Camera::SignalClose", "SignalClose");
    closePending.store(true);
    controlThread.PostClose();
}

bool Camera::SetContinuousGrabMode(bool mode)
{
    HostAccess access(*this, "SetContinuousGrabMode");
    return access && SetContinuousGrabModeLocked(mode);
}

bool Camera::SetContinuousGrabModeLocked(bool mode)
{
    const char* const tag = "Camera::SetContinuousGrabMode";
    ORNIC_LOG2_INFO(Port(), tag, "SetContinuousGrab: mode=" << (mode ? "on" : "off"));
    if (mode && !isOpen.load()) {
        ORNIC_LOG1_ERR(Port(), tag, "SetContinuous ignored: camera is not open");
        return false;
    }
    if (configureDialogOpen.load()) {
        ORNIC_LOG1_ERR(Port(), tag, "SetContinuous ignored: configure dialog open");
        return false;
    }
    // The camera's own acquisition mode follows when the user asked for it; the write pauses
    // grabbing if the camera locks the node meanwhile.
    auto syncAcquisitionMode = [this](const char* text) {
        if (!isOpen.load() || !parameters.IsSyncContinousMode()) return;
        Util_2_1::ParamValue value;
        value.SetText(text);
        (void)SetPropertyLocked("AcquisitionMode", value);
    };
    if (mode) {
        if (continuousMode.load()) {
            ORNIC_LOG2_WARN(Port(), tag, "Set continous mode (true) ignored - already there");
            return true;
        }
        continuousMode.store(true);
        const bool wasSingleFrame = ParameterIs("AcquisitionMode", "SingleFrame");
        syncAcquisitionMode("Continuous");
        grab.Start();
        if (wasSingleFrame) acquisition.Start();
        if (IsSoftwareTriggered()) ExecuteSoftwareTrigger();
    } else {
        continuousMode.store(false);
        syncAcquisitionMode("SingleFrame");
    }
    return true;
}
