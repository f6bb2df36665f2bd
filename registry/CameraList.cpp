#include "registry/CameraList.h"

#include <cctype>
#include <cstdio>
#include <new>
#include <stdexcept>

#include "camera/Camera.h"
#include "camera/DeviceEntry.h"
#include "platform/Platform.h"
#include "sdk/MvStatus.h"
#include "util/Logger.h"
#include "util/Text.h"

namespace {

std::atomic<CameraList*> listInstance{nullptr};

// The list concerns no single camera.
constexpr int kLogPort = Util_2_1::kGlobalLogPort;

}  // namespace

void CameraList::InitInstance()
{
    if (listInstance.load() != nullptr) {
        ORNIC_LOG1_INFO(kLogPort, "CameraList::InitInstance", "CameraList: WARNING: already initialized");
        return;
    }
    CameraList* list = new CameraList();
    listInstance.store(list);
    list->DoInit();
}

CameraList& CameraList::Instance()
{
    CameraList* list = listInstance.load();
    if (list == nullptr) throw std::runtime_error("CameraList instance not ready yet");
    return *list;
}

CameraList* CameraList::InstanceOrNull()
{
    return listInstance.load();
}

void CameraList::ReleaseInstance()
{
    CameraList* list = listInstance.exchange(nullptr);
    delete list;
}

CameraList::CameraList()
{
    mvCameras.reserve(kPortCount);
    for (auto& port : _ports) port.store(nullptr);
}

void CameraList::DoInit()
{
    const char* tag = "CameraList::DoInit";
    ORNIC_LOG3_TRACE(kLogPort, tag, "CameraList Init");
    MvStatus status(MV_CC_Initialize());
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(kLogPort, tag, "SDK initialize error: " << status);
        return;
    }
    deviceList = MvDeviceInfoList{};
    status = MV_CC_EnumDevices(MV_GIGE_DEVICE | MV_USB_DEVICE, &deviceList);
    if (!status.Ok()) {
        ORNIC_LOG1_ERR(kLogPort, tag, "CameraList: enumerate devices fails: " << status);
        return;
    }
    if (deviceList.nDeviceNum == 0) {
        ORNIC_LOG1_INFO(kLogPort, tag, "No cameras found");
        return;
    }
    // A misbehaving SDK must not walk us past the record array.
    const uint32_t deviceCount = deviceList.nDeviceNum < MV_MAX_DEVICE_NUM ? deviceList.nDeviceNum : MV_MAX_DEVICE_NUM;
    int32_t count = 0;
    for (uint32_t i = 0; i < deviceCount; ++i) {
        const MvDeviceInfo* record = deviceList.pDeviceInfo[i];
        if (record == nullptr) break;
        DeviceEntry entry = DeviceEntry::FromSdkRecord(record);
        if (!entry.isGigE && !entry.isUsb) {
            ORNIC_LOG1_INFO(kLogPort, tag, "Ignoring device " << entry.configName);
            continue;
        }
        entry.configName = UniqueConfigName(entry.configName);
        ORNIC_LOG1_INFO(kLogPort, tag,
                        "Creating " << (entry.isGigE ? "GigE" : "USB") << " device " << entry.configName);
        Camera* camera = nullptr;
        try {
            camera = new Camera(entry);
        } catch (...) {
            camera = nullptr;
        }
        if (camera != nullptr) {
            ++count;
            AddCamera(camera);
        } else {
            ORNIC_LOG1_ERR(kLogPort, tag,
                           "CameraList: could not allocate Camera object for camera " << entry.configName);
        }
    }
    if (!CreateConfigNames()) return;
    initialized.store(true);
    ORNIC_LOG1_INFO(kLogPort, tag, "CameraList::Init: " << count << " camera(s) found");
}

std::string CameraList::UniqueConfigName(const std::string& name)
{
    // The host opens a camera by name, compared without case; two cameras of the same model
    // and serial number would otherwise both answer to the first one's name.
    auto taken = [this](const std::string& candidate) {
        const int count = CameraCount();
        for (int index = 0; index < count; ++index) {
            Camera* camera = CameraAt(index);
            if (camera != nullptr && Util_2_1::EqualsNoCase(candidate, camera->ConfigName())) return true;
        }
        return false;
    };
    std::string unique = name;
    for (int n = 2; taken(unique); ++n) unique = name + " #" + std::to_string(n);
    return unique;
}

void CameraList::AddCamera(Camera* camera)
{
    std::lock_guard<std::mutex> lock(camerasLock);
    for (Camera* existing : mvCameras) {
        if (existing == camera) return;
    }
    mvCameras.push_back(camera);
}

int CameraList::CameraCount()
{
    std::lock_guard<std::mutex> lock(camerasLock);
    return static_cast<int>(mvCameras.size());
}

Camera* CameraList::CameraAt(int index)
{
    std::lock_guard<std::mutex> lock(camerasLock);
    if (index < 0 || index >= static_cast<int>(mvCameras.size())) return nullptr;
    return mvCameras[static_cast<size_t>(index)];
}

bool CameraList::CreateConfigNames()
{
    configNames.clear();
    const int count = CameraCount();
    for (int index = 0; index < count; ++index) {
        Camera* camera = CameraAt(index);
        if (camera == nullptr) {
            ORNIC_LOG1_ERR(kLogPort, "CameraList::CreateConfigNames", "mvCameras not initialized");
            return false;
        }
        configNames.push_back(camera->ConfigName().c_str());
    }
    configNames.push_back(nullptr);
    return true;
}

const char* const* CameraList::ConfigNames() const
{
    // A half-built array has no terminator; the host would read past its end.
    if (configNames.empty() || configNames.back() != nullptr) return nullptr;
    return configNames.data();
}

Camera* CameraList::GetByName(const char* name)
{
    const char* tag = "CameraList::GetByName";
    ORNIC_LOG3_TRACE(kLogPort, tag, "CameraList GetByName " << name);
    const int count = CameraCount();
    for (int index = 0; index < count; ++index) {
        Camera* camera = CameraAt(index);
        if (camera != nullptr && Util_2_1::EqualsNoCase(name, camera->ConfigName().c_str())) return camera;
    }
    ORNIC_LOG1_ERR(kLogPort, tag, "Camera '" << name << "' not found");
    return nullptr;
}

Camera* CameraList::CameraOnPort(int port) const
{
    if (!IsValidPort(port)) return nullptr;
    return _ports[static_cast<size_t>(port)].load();
}

bool CameraList::SetPortBinding(int port, Camera* camera)
{
    const char* tag = "CameraList::SetPortBinding";
    if (!IsValidPort(port)) {
        ORNIC_LOG1_ERR(kLogPort, tag, "SetCamByPort portNo out of bounds: " << port);
        return false;
    }
    std::atomic<Camera*>& entry = _ports[static_cast<size_t>(port)];
    Camera* const previous = entry.load();
    if ((camera == nullptr) == (previous == nullptr)) {
        ORNIC_LOG2_WARN(kLogPort, tag, "SetPortBinding twice setting/resetting _ports");
    }
    if (previous != nullptr && previous != camera) previous->SetHostBound(false);
    entry.store(camera);
    if (camera != nullptr) camera->SetHostBound(true);
    return true;
}

int CameraList::BoundPortLocked(const Camera* camera) const
{
    for (int port = 0; port < kPortCount; ++port) {
        if (_ports[static_cast<size_t>(port)].load() == camera) return port;
    }
    return -1;
}

int CameraList::OpeningPortLocked(const Camera* camera) const
{
    for (int port = 0; port < kPortCount; ++port) {
        if (opening[static_cast<size_t>(port)] == camera) return port;
    }
    return -1;
}

bool CameraList::OpenCamera(const char* name, int port, ImageSize& size)
{
    const char* tag = "CameraList::OpenCamera";
    Camera* camera = GetByName(name);
    if (camera == nullptr) return false;
    if (!IsValidPort(port)) {
        ORNIC_LOG1_ERR(kLogPort, tag, "Port #" << port << " out of range (0, " << kPortCount);
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(bindLock);
        const int bound = BoundPortLocked(camera);
        if (bound == port && camera->IsOpen() && !camera->ClosePending()) {
            size = camera->GetImageSize();
            ORNIC_LOG1_INFO(kLogPort, tag, "Camera " << camera->ConfigName() << " already open");
            return true;
        }
        if (bound >= 0 && bound != port) {
            ORNIC_LOG1_ERR(kLogPort, tag,
                           "Camera " << camera->ConfigName() << " is already open on port #" << bound
                                     << "; not opened on port #" << port);
            return false;
        }
        const int claimed = OpeningPortLocked(camera);
        if (claimed >= 0) {
            ORNIC_LOG1_ERR(kLogPort, tag,
                           "Camera " << camera->ConfigName() << " is being opened on port #" << claimed
                                     << "; not opened on port #" << port);
            return false;
        }
        if (Camera* other = opening[static_cast<size_t>(port)]) {
            ORNIC_LOG1_ERR(kLogPort, tag,
                           "Port #" << port << " is being opened for camera " << other->ConfigName() << "; "
                                    << camera->ConfigName() << " not opened");
            return false;
        }
        opening[static_cast<size_t>(port)] = camera;
    }
    // A host that closes a port and opens the camera again at once finds the close still
    // under way on the control thread; wait for it, or the open would find the camera open.
    for (int i = 0; i < 100 && camera->IsOpen() && camera->ClosePending(); ++i) Platform::SleepMs(50);
    const bool opened = camera->TarvikOpen(port, size);
    Camera* displaced = nullptr;
    {
        std::lock_guard<std::mutex> lock(bindLock);
        opening[static_cast<size_t>(port)] = nullptr;
        if (!opened) return false;
        displaced = _ports[static_cast<size_t>(port)].load();
        if (displaced == camera) displaced = nullptr;
        if (!SetPortBinding(port, camera)) return false;
        // The camera that lost the port would otherwise stream on no port for good.
        if (displaced != nullptr) displaced->SignalClose();
    }
    if (displaced != nullptr) {
        ORNIC_LOG2_WARN(kLogPort, tag,
                        "Camera " << displaced->ConfigName() << " lost port " << port << " and is closed");
        displaced->WaitForDelivery();
    }
    char wh[48];
    std::snprintf(wh, sizeof wh, " /wh=(%d,%d)", size.width, size.height);
    ORNIC_LOG2_INFO(kLogPort, tag, "Camera " << camera->ConfigName() << " OPENED on port " << port << wh);
    return true;
}

bool CameraList::CloseCamera(int port)
{
    Camera* camera = nullptr;
    {
        std::lock_guard<std::mutex> lock(bindLock);
        camera = CameraOnPort(port);
        // Unbound before the close is posted: a reconnect under way sees the host let go.
        if (camera != nullptr) SetPortBinding(port, nullptr);
    }
    if (camera != nullptr) {
        camera->SignalClose();
        // The port may go to another camera as soon as this returns: no frame of this camera
        // may still be in the host's hands with this port.
        camera->WaitForDelivery();
        return true;
    }
    ORNIC_LOG1_ERR(kLogPort, "CameraList::CloseCamera", "Camera Close ignored - no camera on port " << port);
    return false;
}

bool CameraList::SignalGrabOnPort(int port)
{
    Camera* camera = CameraOnPort(port);
    if (camera == nullptr) return false;
    camera->SignalGrab();
    return true;
}

void CameraList::DeleteCameras()
{
    std::lock_guard<std::mutex> lock(camerasLock);
    for (Camera* camera : mvCameras) delete camera;
    mvCameras.clear();
}

CameraList::~CameraList()
{
    const char* tag = "CameraList::~CameraList";
    ORNIC_LOG2_INFO(kLogPort, tag, "CameraList dtor: entering");
    for (const auto& port : _ports) {
        if (port.load() != nullptr) ORNIC_LOG2_WARN(kLogPort, tag, "~CameraList: not all _ports entries empty");
    }
    // The names point into the cameras; drop them before the cameras go.
    configNames.clear();
    DeleteCameras();
    if (MV_CC_Finalize() != 0) ORNIC_LOG2_WARN(kLogPort, tag, "MV_CC_Finalize failed");
    ORNIC_LOG2_INFO(kLogPort, tag, "CameraList dtor: leaving");
}
