// One physical camera found by the camera list. The list creates it once per usable device
// and keeps it for the life of the driver; it is opened and closed many times. Open, close
// and grab run on the camera's control thread; frames arrive on the SDK's callback thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

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
    static void MV_SDK_CALL ExceptionCallBack(unsigned int messageType, void* user);
    // Writes the camera's GenICam description to "parameters.xml" in the system path.
    void PrintXML();

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

    void SetContinuousGrabMode(bool mode);
    bool ContinuousMode() const { return continuousMode.load(); }
    void SignalGrab();
    void SignalClose();
    void DoGrab();
    bool IsSoftwareTriggered();
    void ExecuteSoftwareTrigger();
    bool ExecuteCommand(const std::string& nodeName);
    // The modal configuration dialog over a working copy of the parameters (CameraConfigure.cpp);
    // true when the user confirmed with OK. parent: the host's window (HWND, X11 id or null).
    bool Configure(void* parent);

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
    bool OpenSequence(bool reopen);
    // The host layout and the image buffer from the camera's current format and size.
    bool UpdateImageGeometry();
    // "ForceColorMode" mono or color overrides the host layout the pixel format gives.
    void ApplyForceColorMode();
    bool ParameterIs(const char* name, const char* text);

    ImgBuffer imgBuffer;
    CameraParameters parameters;
    std::atomic<int> port{-1};
    const DeviceEntry deviceInfo;
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
