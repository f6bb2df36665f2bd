// Opening and closing the camera, and the SDK's device-exception callback.
#include "camera/Camera.h"

#include <cstdio>
#include <exception>
#include <vector>

#include "camera/PixelTypes.h"
#include "platform/Platform.h"
#include "util/Globals.h"
#include "util/Logger.h"

namespace {
// The host waits for an open at most this many polls of this period (about 6 s).
constexpr int kOpenPollCount = 12;
constexpr uint32_t kOpenPollPeriodMs = 500;
}  // namespace

using Util_2_1::EqualsNoCase;

Camera::Camera(const DeviceEntry& entry)
    : imgBuffer(*this),
      parameters(*this),
      deviceInfo(entry),
      controlThread(*this),
      grab(*this),
      acquisition(*this),
      pixelFormat(*this),
      imageCompressionModeNode("ImageCompressionMode", *this),
      highBandwidthModeNode("HighBandwidthMode", *this),
      pixelFormatNode("PixelFormat", *this),
      payloadSizeNode("PayloadSize", *this)
{}

Camera::~Camera()
{
    ORNIC_LOG2_INFO(Port(), "Camera::~Camera", "Camera dtor");
    try {
        // The thread first: a reconnect in progress could otherwise open the camera again
        // after it was closed here. Closing then waits for the SDK's callbacks to end.
        controlThread.Destroy();
        if (isOpen.load()) DoClose(false);
        // A handle a failed open left behind.
        if (void* stale = handle.exchange(nullptr)) MV_CC_DestroyHandle(stale);
    } catch (...) {
        // A destructor must not throw; DoClose logs its own failures.
    }
}

bool Camera::TarvikOpen(int newPort, ImageSize& size)
{
    const char* const tag = "Camera::TarvikOpen";
    if (isOpen.load()) {
        ORNIC_LOG1_ERR(Port(), tag, "Camera " << ConfigName() << " is already open on port #" << Port());
        return false;
    }
    size = ImageSize{};
    SetPort(newPort);
    ORNIC_LOG2_INFO(Port(), tag, "TarvikOpen - send signal");
    // This open replaces a close left pending by an earlier open the host gave up on.
    closePending.store(false);
    controlThread.PostOpen();
    for (int i = 0; i < kOpenPollCount; ++i) {
        if (isOpen.load()) {
            size = imageSize;
            return true;
        }
        Platform::SleepMs(kOpenPollPeriodMs);
    }
    // The control thread may still finish this open; nobody would bind or close the camera
    // then. The close waits behind the open, and a later open of this camera replaces it.
    ORNIC_LOG1_ERR(Port(), tag,
                   "Camera " << ConfigName() << " did not open in time; it is closed again when its open ends");
    SignalClose();
    return false;
}

bool Camera::DoOpen(bool reopen)
{
    try {
        return OpenSequence(reopen);
    } catch (const std::exception& e) {
        ORNIC_LOG1_ERR(Port(), "Camera::DoOpen", "Exception: " << e.what());
    } catch (...) {
        ORNIC_LOG1_ERR(Port(), "Camera::DoOpen", "Undefined Exception ");
    }
    return false;
}

bool Camera::OpenSequence(bool reopen)
{
    const int logPort = Port();
    const char* const tag = "Camera::DoOpen";
    if (logPort < 0) {
        ORNIC_LOG1_ERR(logPort, tag, "Port unassigned for camera: " << ConfigName());
        return false;
    }
    if (isOpen.load()) {
        ORNIC_LOG1_INFO(logPort, tag, ConfigName() << " is already open");
        return true;
    }
    if (reopen) {
        ORNIC_LOG2_INFO(logPort, tag, "Re-opening camera " << ConfigName());
    } else {
        ORNIC_LOG1_INFO(logPort, tag, "Opening camera " << ConfigName());
    }
    std::lock_guard<std::mutex> lock(openLock);

    // A handle left by an earlier failed open is dropped first: the SDK would otherwise keep
    // one handle per failed attempt for as long as the camera stays unreachable.
    if (void* stale = handle.exchange(nullptr)) MV_CC_DestroyHandle(stale);
    void* created = nullptr;
    MvStatus status(MV_CC_CreateHandleWithoutLog(&created, deviceInfo.sdkDevice));
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(logPort, tag, "CreateHandle failed " << status);
        handle.store(nullptr);
        return false;
    }
    handle.store(created);
    status = MV_CC_OpenDevice(created, 1, 0);
    if (!status.Ok()) {
        if (!reopen) ORNIC_LOG1_ERR(logPort, tag, "Camera open failed " << status);
        return false;
    }
    int32_t bits = 0;
    if (!pixelFormat.GetPixelSizeForTarvik(bits)) {
        ORNIC_LOG1_ERR(logPort, tag, "Camera open: could not determine pixel size");
        return false;
    }
    pixelFormat.SetBits(bits);
    // A camera back after a loss has its power-up settings; the kept model is what the user
    // set, so it goes to the camera again (a triggered camera must not come back free-running).
    const bool applyKeptModel = reopen && parameters.Count() > 0;
    if (!reopen) {
        if (!parameters.InitParameters()) {
            ORNIC_LOG1_ERR(logPort, tag, "Camera open: could not initialize parameters");
            return false;
        }
        ORNIC_LOG1_INFO(logPort, tag, "Using ini file: " << Globals::Instance().ActiveIniFile());
        if (parameters.RestoreFromActiveIni()) {
            parameters.MarkAllModified();
            parameters.ApplyParameters();
        }
        parameters.UpdateParameters();
    } else if (applyKeptModel) {
        parameters.MarkAllModified();
        parameters.ApplyParameters();
    }
    // The stored or kept settings may have changed PixelFormat.
    if (!reopen || applyKeptModel) {
        if (!pixelFormat.GetPixelSizeForTarvik(bits)) {
            ORNIC_LOG1_ERR(logPort, tag, "Camera open: could not determine(2) pixel size");
            return false;
        }
        pixelFormat.SetBits(bits);
    }
    ApplyForceColorMode();
    ApplyBayerConversionParameters();

    const auto width = parameters.Find("Width");
    const auto height = parameters.Find("Height");
    if (width == nullptr || height == nullptr) {
        ORNIC_LOG1_ERR(logPort, tag, "Camera open: Could not obtain image width/height from camera");
        return false;
    }
    imageSize = ImageSize{width->GetInt(), height->GetInt()};
    imgBuffer.InitBuffer(imageSize.width, imageSize.height);

    pixelFormat.SetCompressionActive(parameters.IsCompressionOn());
    uint32_t code = 0;
    const bool formatRead = pixelFormatNode.ReadEnum(code).Ok();
    if (!pixelFormat.CompressionActive() && pixelFormat.Bits() == 8 && formatRead && code == kPixelMono8) {
        ORNIC_LOG2_INFO(logPort, tag, "Use standard callback");
        (void)MV_CC_RegisterImageCallBackEx(created, &Camera::ImageCB, this);
    } else {
        ORNIC_LOG2_INFO(logPort, tag, "Use BGR callback");
        (void)MV_CC_RegisterImageCallBackForBGR(created, &Camera::ImageCB, this);
    }

    int buffers = parameters.GetCameraBufferCount();
    if (buffers < 3) buffers = 3;
    status = MV_CC_SetImageNodeNum(created, static_cast<unsigned>(buffers));
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(logPort, tag, "MV_CC_SetImageNodeNum failed, bufCount= " << buffers << status);
        return false;
    }
    status = MV_CC_RegisterExceptionCallBack(created, &Camera::ExceptionCallBack, this);
    if (!status.Ok()) ORNIC_LOG1_ERR(logPort, tag, "MV_CC_RegisterExceptionCallBack failed " << status);

    isOpen.store(true);
    if (!grab.Start()) return false;
    char wh[48];
    std::snprintf(wh, sizeof wh, " /wh=(%d,%d)", imageSize.width, imageSize.height);
    ORNIC_LOG1_INFO(logPort, tag, "Camera Open: " << ConfigName() << wh);
    return true;
}

void Camera::DoClose(bool quiet)
{
    const char* const tag = "Camera::DoClose";
    try {
        std::lock_guard<std::mutex> lock(openLock);
        if (!isOpen.load()) {
            closePending.store(false);
            ORNIC_LOG2_WARN(Port(), tag, "camera already closed");
            return;
        }
        ORNIC_LOG2_INFO(Port(), tag, "Closing");
        grab.Stop(quiet);
        // Closed first, then no longer pending: a waiting re-open never sees the camera open
        // with no close under way.
        isOpen.store(false);
        closePending.store(false);
        if (void* h = handle.exchange(nullptr)) {
            MvStatus status(MV_CC_CloseDevice(h));
            if (!status.Ok()) ORNIC_LOG1_ERR(Port(), tag, "CameraClose: MV_CC_CloseDevice failed " << status);
            status = MV_CC_DestroyHandle(h);
            if (!status.Ok()) ORNIC_LOG1_ERR(Port(), tag, "CameraClose: MV_CC_DestroyHandle failed " << status);
        }
    } catch (const std::exception& e) {
        closePending.store(false);
        ORNIC_LOG1_ERR(Port(), tag, "Exception: " << e.what());
    } catch (...) {
        closePending.store(false);
        ORNIC_LOG1_ERR(Port(), tag, "Undefined Exception ");
    }
}

void MV_SDK_CALL Camera::ExceptionCallBack(unsigned int messageType, void* user)
{
    try {
        if (messageType == MV_EXCEPTION_DEV_DISCONNECT) {
            if (user == nullptr) {
                ORNIC_LOG1_ERR(Util_2_1::kGlobalLogPort, "Camera::ExceptionCallBack",
                               "ExceptionCallBack: camera object not provided");
                return;
            }
            static_cast<Camera*>(user)->controlThread.PostDeviceLost();
            return;
        }
        char text[16];
        std::snprintf(text, sizeof text, "0x%x", messageType);
        const int logPort = user != nullptr ? static_cast<Camera*>(user)->Port() : Util_2_1::kGlobalLogPort;
        ORNIC_LOG1_ERR(logPort, "Camera::ExceptionCallBack", "Unknown exception" << text);
    } catch (...) {
        // Nothing may be thrown into the SDK's thread.
    }
}

bool Camera::PrintXML()
{
    HostAccess access(*this, "printXML");
    return access && PrintXmlLocked();
}

bool Camera::PrintXmlLocked()
{
    const char* const tag = "Camera::PrintXML";
    const uint32_t size = 0x300000 + 1;
    ORNIC_LOG1_INFO(Port(), tag, "reading xml, max size=" << size);
    std::vector<unsigned char> buffer(size);
    unsigned int length = 0;
    const MvStatus status(MV_XML_GetGenICamXML(SdkHandle(), buffer.data(), size, &length));
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(Port(), tag, "Could not obtain xml file " << status);
        return false;
    }
    const std::string path = Platform::JoinPath(Globals::Instance().SystemPath(), "parameters.xml");
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) return false;
    // The SDK counts the terminating NUL; the file holds the text only.
    const size_t textLength = length > 0 && length <= size && buffer[length - 1] == '\0' ? length - 1 : length;
    const size_t written = std::fwrite(buffer.data(), 1, textLength <= size ? textLength : size, file);
    std::fclose(file);
    ORNIC_LOG1_INFO(Port(), tag, " XML written to " << path << ", size= " << static_cast<uint32_t>(written));
    return written == (textLength <= size ? textLength : size);
}

Camera::HostAccess::HostAccess(Camera& camera, const char* what) : lock(camera.openLock, std::defer_lock)
{
    if (!InsideImageCallback()) {
        lock.lock();
        return;
    }
    if (lock.try_lock()) return;
    ORNIC_LOG1_ERR(camera.Port(), "Camera::HostAccess",
                   what << " refused inside the completion callback: the camera is busy (opening, closing or "
                           "being written)");
}

bool Camera::PauseGrabbing()
{
    if (InsideImageCallback()) {
        ORNIC_LOG1_ERR(Port(), "Camera::PauseGrabbing",
                       "Grabbing not paused: the call came from inside the completion callback");
        return false;
    }
    if (!grab.IsGrabbing()) return false;
    grab.Stop(false);
    return true;
}

void Camera::ResumeGrabbing()
{
    // The write that paused grabbing may have changed the image's size or format (Width,
    // binning, PixelFormat): the buffer follows before frames flow again, so rows are never
    // cut at the old width.
    try {
        UpdateImageGeometry();
    } catch (const std::exception& e) {
        ORNIC_LOG1_ERR(Port(), "Camera::ResumeGrabbing", "Exception: " << e.what());
    }
    grab.Start();
}

void Camera::ApplyForceColorMode()
{
    if (const auto force = parameters.Find("ForceColorMode")) {
        if (EqualsNoCase(force->GetTextString(), "mono")) pixelFormat.SetBits(8);
        if (EqualsNoCase(force->GetTextString(), "color")) pixelFormat.SetBits(24);
    }
}

bool Camera::UpdateImageGeometry()
{
    int32_t bits = 0;
    if (!pixelFormat.GetPixelSizeForTarvik(bits)) return false;
    pixelFormat.SetBits(bits);
    ApplyForceColorMode();
    int64_t width = 0;
    int64_t height = 0;
    if (!MVEnum("Width", *this).ReadInt(width).Ok() || !MVEnum("Height", *this).ReadInt(height).Ok()) return false;
    imageSize = ImageSize{static_cast<int32_t>(width), static_cast<int32_t>(height)};
    imgBuffer.InitBuffer(imageSize.width, imageSize.height);
    return true;
}
