// The process-wide registry of cameras: SDK start, one enumeration, one Camera per usable
// device, the configuration names the host sees, and the bindings of cameras to the 20 ports.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sdk/MvSdk.h"

class Camera;
struct ImageSize;

class CameraList {
public:
    static constexpr int kPortCount = 20;

    // Creates the list and starts it; a failed start leaves an existing, uninitialised list.
    static void InitInstance();
    // Throws std::runtime_error("CameraList instance not ready yet") while no list exists.
    static CameraList& Instance();
    // The list, or null while none exists; for callers that must not throw.
    static CameraList* InstanceOrNull();
    static void ReleaseInstance();

    ~CameraList();
    CameraList(const CameraList&) = delete;
    CameraList& operator=(const CameraList&) = delete;

    bool Initialized() const { return initialized.load(); }

    int CameraCount();
    Camera* CameraAt(int index);
    bool CreateConfigNames();
    // The null-terminated name array handed to the host, or null when there is none or it
    // was left without its terminator.
    const char* const* ConfigNames() const;

    Camera* GetByName(const char* name);
    static bool IsValidPort(int port) { return port >= 0 && port < kPortCount; }
    Camera* CameraOnPort(int port) const;
    bool SetPortBinding(int port, Camera* camera);

    // The host's port calls. OpenCamera blocks up to about 6 s while the camera opens. A port
    // holds one camera and a camera one port: a camera already open on this port succeeds with
    // its size, one open or being opened on another port fails; a camera opened on an occupied
    // port takes it over and the camera that lost it is closed.
    bool OpenCamera(const char* name, int port, ImageSize& size);
    bool CloseCamera(int port);
    bool SignalGrabOnPort(int port);

private:
    CameraList();
    void DoInit();
    // `name`, or when a camera already has it, `name` followed by " #2", " #3", ...
    std::string UniqueConfigName(const std::string& name);
    void AddCamera(Camera* camera);
    void DeleteCameras();
    // Both with bindLock held: the port the camera is bound to, or that an open of it claims.
    int BoundPortLocked(const Camera* camera) const;
    int OpeningPortLocked(const Camera* camera) const;

    std::vector<Camera*> mvCameras;
    std::mutex camerasLock;
    std::vector<const char*> configNames;
    std::atomic<bool> initialized{false};
    std::array<std::atomic<Camera*>, kPortCount> _ports{};
    // Changes of `_ports` and the claims of opens under way: a host thread checks and binds
    // in one step, so two threads cannot put one camera on two ports. Readers of `_ports`
    // take no lock.
    std::mutex bindLock;
    std::array<Camera*, kPortCount> opening{};
    MvDeviceInfoList deviceList{};
};
