// One physical camera found by the camera list. The list creates it once per usable device
// and keeps it for the life of the driver; it is opened and closed many times. Open, close
// and grab run on the camera's control thread; frames arrive on the SDK's callback thread;
// properties and commands come from the host's threads (see docs/threads.md for the locking).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "camera/DeviceEntry.h"
#include "camera/ImgBuffer.h"
#include "camera/ThrCameraControl.h"
#include "parameters/CameraParameters.h"
#include "parameters/MVEnum.h"
#include "parameters/ParameterOwner.h"
#include "util/HostInterface.h"

struct ImageSize {
    int32_t width = 0;
    int32_t height = 0;
};

class Camera : public ParameterOwner {
public:
    explicit Camera(const DeviceEntry& entry);
    ~Camera() override;
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;

    // ParameterOwner
    void* SdkHandle() const override { return handle.load(); }
    int Port() const override { return port.load(); }
    const std::string& ConfigName() const override { return deviceInfo.configName; }
    // Both run under openLock (a host write holds it); inside the image callback grabbing is
    // never paused, since stopping waits for that callback to end.
    bool PauseGrabbing() override;
    void ResumeGrabbing() override;

    const DeviceEntry& DeviceInfo() const { return deviceInfo; }
    void SetPort(int newPort) { port.store(newPort); }

    // ---- open and close
    // The host's open: posts the open to the control thread and waits up to 12 x 500 ms.
    bool TarvikOpen(int newPort, ImageSize& size);
    bool DoOpen(bool reopen);
    void DoClose(bool quiet);
    bool IsOpen() const { return isOpen.load(); }
    // A host close was requested and the camera has not closed yet.
    bool ClosePending() const { return closePending.load(); }
    ImageSize GetImageSize() const { return imageSize; }
    // Set by the camera list while a port holds this camera. Only a bound camera calls the
    // host, and only a bound camera is reconnected after a loss.
    bool HostBound() const { return hostBound.load(); }
    void SetHostBound(bool bound) { hostBound.store(bound); }
    // Returns once a frame being delivered to the host has been handed back; at once on the
    // image-callback thread, where that frame is the caller's own.
    void WaitForDelivery();
    static void MV_SDK_CALL ExceptionCallBack(unsigned int messageType, void* user);
    // Writes the camera's GenICam description to "parameters.xml" in the system path.
    bool PrintXML();

    // ---- acquisition
    class Grab {
    public:
        explicit Grab(Camera& camera) : camera(camera) {}
        bool Start();
        void Stop(bool quiet);
        bool IsGrabbing() const { return isGrabbing.load(); }

    private:
        Camera& camera;
        std::atomic<bool> isGrabbing{false};
    };
    class Acquisition {
    public:
        explicit Acquisition(Camera& camera) : camera(camera) {}
        void Start();

    private:
        Camera& camera;
    };
    class PixelFormat {
    public:
        explicit PixelFormat(Camera& camera) : camera(camera) {}
        bool GetPixelSizeForTarvik(int32_t& bits);
        int32_t Bits() const { return bits.load(); }
        void SetBits(int32_t value) { bits.store(value); }
        bool CompressionActive() const { return compressionActive; }
        void SetCompressionActive(bool on) { compressionActive = on; }

    private:
        Camera& camera;
        std::atomic<int32_t> bits{0};
        bool compressionActive = false;
    };

    // False when refused (switching on while closed or while the dialog is open).
    bool SetContinuousGrabMode(bool mode);
    bool ContinuousMode() const { return continuousMode.load(); }
    void SignalGrab();
    void SignalClose();
    void DoGrab();
    // The two below and ExecuteCommand are called with openLock held.
    bool IsSoftwareTriggered();
    bool ExecuteSoftwareTrigger();
    bool ExecuteCommand(const std::string& nodeName);
    // The modal configuration dialog over a working copy of the parameters (CameraConfigure.cpp);
    // true when the user confirmed with OK. parent: the host's window (HWND, X11 id or null).
    bool Configure(void* parent);

    // ---- properties and commands (host threads)
    // Reserved names first, then the camera's parameter of that name (aliases applied).
    bool SetProperty(const std::string& name, const Util_2_1::ParamValue& value);
    // The answer goes into `value` and is copied into `result`.
    bool GetProperty(const std::string& name, Util_2_1::ParamValue& value, Util_2_1::ParamValue& result);
    bool GetRange(const std::string& name, int& minimum, int& maximum);
    // Name/value pairs from the host's command text: key, group, groupmask, time, ip.
    using ActionArguments = std::vector<std::pair<std::string, std::string>>;
    // True when at least one device acted; the refusals are appended to `result`.
    bool ExecuteActionCommand(const ActionArguments& arguments, std::string& result);
    // True on the SDK's image-callback thread while a frame is being delivered.
    static bool InsideImageCallback();

    // ---- frames
    static void MV_SDK_CALL ImageCB(unsigned char* data, MvFrameOutInfoEx* frameInfo, void* user);
    void OnImageCB(unsigned char* data, MvFrameOutInfoEx* frameInfo);
    bool ProcessFrame(unsigned char* data, MvFrameOutInfoEx* frameInfo);
    void TarvikCB();
    void ApplyBayerConversionParameters();

    // ---- host-facing state
    bool IsColor() const { return pixelFormat.Bits() == 24; }
    int32_t HostBitsPerPixel() const { return pixelFormat.Bits(); }
    ImgBuffer& Image() { return imgBuffer; }
    CameraParameters& Parameters() { return parameters; }
    void SetCompleteCallback(OrnicCompleteCallback cb) { completeCallback.store(cb); }
    void SetCommandCallback(void* cb) { commandCallback.store(cb); }
    bool ConfigureDialogOpen() const { return configureDialogOpen.load(); }
    void SetConfigureDialogOpen(bool open) { configureDialogOpen.store(open); }
    Grab& Grabbing() { return grab; }
    ThrCameraControl& ControlThread() { return controlThread; }
    const MVEnum& PayloadSizeNode() const { return payloadSizeNode; }
    // Frames handed to the host and frames dropped since construction (for logs and tests).
    uint64_t FramesDelivered() const { return framesDelivered.load(); }
    uint64_t FramesSkipped() const { return framesSkipped.load(); }

private:
    // A host operation's hold on openLock. On the image-callback thread it only tries: a close
    // or a paused write that holds the lock waits for that very callback to end.
    class HostAccess {
    public:
        HostAccess(Camera& camera, const char* what);
        explicit operator bool() const { return lock.owns_lock(); }

    private:
        std::unique_lock<std::mutex> lock;
    };

    bool OpenSequence(bool reopen);
    bool SetContinuousGrabModeLocked(bool mode);
    bool PrintXmlLocked();
    // Everything below runs with openLock held.
    bool SetPropertyLocked(const std::string& name, const Util_2_1::ParamValue& value);
    bool WriteParameter(const std::string& name, const Util_2_1::ParamValue& value);
    bool ReadParameter(const std::string& name, Util_2_1::ParamValue& value);
    bool LoadOrSaveIni(bool load, const Util_2_1::ParamValue& value);
    bool RequireOpen(const char* name);
    bool SetProperty_UserSet_LoadSave(const Util_2_1::ParamValue& value, int mode);
    bool SetProperty_UserSet_Default(const Util_2_1::ParamValue& value);
    bool SetProperty_FeatureSave(const std::string& fileName, bool save);
    // The host layout and the image buffer from the camera's current format and size.
    bool UpdateImageGeometry();
    // "ForceColorMode" mono or color overrides the host layout the pixel format gives.
    void ApplyForceColorMode();
    bool ParameterIs(const char* name, const char* text);

    ImgBuffer imgBuffer;
    CameraParameters parameters;
    std::atomic<int> port{-1};
    const DeviceEntry deviceInfo;
    // Open, close and grab (control thread), and every host operation that uses the SDK handle
    // or the parameter model: none of them interleave, so no call reaches a destroyed handle
    // and no grab request restarts grabbing in the middle of a paused write.
    std::mutex openLock;
    ImageSize imageSize;
    ThrCameraControl controlThread;
    std::atomic<void*> handle{nullptr};
    std::atomic<OrnicCompleteCallback> completeCallback{nullptr};
    std::atomic<void*> commandCallback{nullptr};
    std::atomic<bool> continuousMode{false};
    std::atomic<bool> frameRequested{false};
    std::atomic<bool> isOpen{false};
    std::atomic<bool> configureDialogOpen{false};
    std::atomic<bool> closePending{false};
    std::atomic<bool> hostBound{false};
    Grab grab;
    Acquisition acquisition;
    PixelFormat pixelFormat;
    MVEnum imageCompressionModeNode;
    MVEnum highBandwidthModeNode;
    MVEnum pixelFormatNode;
    MVEnum payloadSizeNode;
    std::atomic<uint64_t> framesDelivered{0};
    std::atomic<uint64_t> framesSkipped{0};
};
