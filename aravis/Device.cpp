// Handles, opening and closing, the exception callback and device loss.
#include "aravis/Device.h"

#include <cstring>
#include <set>

#include "aravis/Errors.h"
#include "aravis/Gvcp.h"
#include "aravis/Stream.h"

namespace OrnicAravis {

namespace {

// Devices opened by one of our handles, by record key: an open is exclusive.
std::set<std::string>& Claimed()
{
    static std::set<std::string>* const claimed = new std::set<std::string>();
    return *claimed;
}

bool Claim(const std::string& key)
{
    Backend& backend = Backend::Get();
    std::lock_guard<std::mutex> lock(backend.mutex);
    return Claimed().insert(key).second;
}

void Release(const std::string& key)
{
    Backend& backend = Backend::Get();
    std::lock_guard<std::mutex> lock(backend.mutex);
    Claimed().erase(key);
}

bool IsLoopback(uint32_t address)
{
    return (address >> 24) == 127u;
}

// What the "control-lost" signal needs; owned by the signal connection.
struct LossWatch {
    std::weak_ptr<Handle> handle;
    uint32_t generation;
};

// Reports the loss on a thread of the backend's: grabbing stops first (a callback in progress
// is waited for), then the exception callback runs, under the mutex that unregistering takes.
void NotifyLoss(std::shared_ptr<Handle> h)
{
    StopStreaming(h);
    std::lock_guard<std::recursive_mutex> lock(h->exceptionMutex);
    if (h->exceptionCallback != nullptr) h->exceptionCallback(MV_EXCEPTION_DEV_DISCONNECT, h->exceptionUser);
}

// On Aravis's heartbeat (or USB) thread: never block there, never touch the device.
void OnControlLost(ArvDevice*, gpointer data)
{
    auto* watch = static_cast<LossWatch*>(data);
    std::shared_ptr<Handle> h = watch->handle.lock();
    if (!h || h->generation.load() != watch->generation) return;
    std::lock_guard<std::recursive_mutex> lock(h->exceptionMutex);
    if (h->closing || h->lost.exchange(true)) return;
    h->notifier = std::thread(NotifyLoss, h);
}

void FreeWatch(gpointer data, GClosure*)
{
    delete static_cast<LossWatch*>(data);
}

uint32_t Connect(Handle& h, const std::shared_ptr<Handle>& self)
{
    GError* error = nullptr;
    ArvDevice* device = nullptr;
    if (h.target.gige) {
        GInetAddress* local = Gvcp::NewInetAddress(h.target.interfaceAddress);
        GInetAddress* remote = Gvcp::NewInetAddress(h.target.deviceAddress);
        device = arv_gv_device_new(local, remote, &error);
        g_object_unref(remote);
        g_object_unref(local);
        if (device == nullptr) return error != nullptr ? TakeStatus(error) : MV_E_BUSY;
        // Aravis asks for the control privilege while it connects and goes on without it when
        // refused (another host has the camera): an exclusive open fails instead.
        if (!arv_gv_device_is_controller(ARV_GV_DEVICE(device))) {
            g_object_unref(device);
            return MV_E_ACCESS_DENIED;
        }
        // Aravis's packet-socket receiver sees no loopback traffic; the socket one does.
        if (IsLoopback(h.target.deviceAddress)) {
            arv_gv_device_set_stream_options(ARV_GV_DEVICE(device), ARV_GV_STREAM_OPTION_PACKET_SOCKET_DISABLED);
        }
    } else {
        device = arv_open_device(h.target.aravisId.c_str(), &error);
        if (device == nullptr) return error != nullptr ? TakeStatus(error) : MV_E_BUSY;
    }
    ArvCamera* camera = arv_camera_new_with_device(device, &error);
    if (camera == nullptr) {
        g_object_unref(device);
        return error != nullptr ? TakeStatus(error) : MV_E_RESOURCE;
    }
    // Values the description refuses, and nodes not accessible now, are refused by Aravis as
    // well as by our own checks before a write goes out.
    arv_device_set_range_check_policy(device, ARV_RANGE_CHECK_POLICY_ENABLE);
    arv_device_set_access_check_policy(device, ARV_ACCESS_CHECK_POLICY_ENABLE);
    arv_device_set_register_cache_policy(device, ARV_REGISTER_CACHE_POLICY_DISABLE);
    h.device = device;
    h.camera = camera;
    h.genicam = arv_device_get_genicam(device);
    const uint32_t generation = h.generation.fetch_add(1) + 1;
    auto* watch = new LossWatch{self, generation};
    h.lostHandler = g_signal_connect_data(device, "control-lost", G_CALLBACK(OnControlLost), watch, FreeWatch,
                                          static_cast<GConnectFlags>(0));
    return MV_OK;
}

}  // namespace

void CloseDevice(const std::shared_ptr<Handle>& handle)
{
    Handle& h = *handle;
    {
        std::lock_guard<std::recursive_mutex> lock(h.exceptionMutex);
        h.closing = true;
    }
    StopStreaming(handle);
    std::thread notifier;
    {
        std::lock_guard<std::recursive_mutex> lock(h.exceptionMutex);
        notifier = std::move(h.notifier);
    }
    if (notifier.joinable()) {
        if (notifier.get_id() == std::this_thread::get_id()) {
            notifier.detach();  // the loss report itself closes: it ends after its callback
        } else {
            notifier.join();
        }
    }
    ArvDevice* device = nullptr;
    ArvCamera* camera = nullptr;
    bool wasOpen = false;
    {
        std::lock_guard<std::mutex> lock(h.mutex);
        wasOpen = h.open.load();
        if (h.device != nullptr && h.lostHandler != 0) g_signal_handler_disconnect(h.device, h.lostHandler);
        h.lostHandler = 0;
        device = h.device;
        camera = h.camera;
        h.device = nullptr;
        h.camera = nullptr;
        h.genicam = nullptr;
        h.open.store(false);
        h.lost.store(false);
    }
    // Outside the lock: a GigE device ends its heartbeat and gives the control privilege back.
    if (camera != nullptr) g_object_unref(camera);
    if (device != nullptr) g_object_unref(device);
    if (wasOpen) Release(h.target.key);
    std::lock_guard<std::recursive_mutex> lock(h.exceptionMutex);
    h.closing = false;
}

}  // namespace OrnicAravis

using OrnicAravis::Backend;
using OrnicAravis::Guarded;
using OrnicAravis::Handle;

extern "C" {

MV_SDK_API int MV_SDK_CALL MV_CC_CreateHandleWithoutLog(void** handle, const MvDeviceInfo* device)
{
    if (handle != nullptr) *handle = nullptr;
    return Guarded([&]() -> uint32_t {
        if (handle == nullptr || device == nullptr) return MV_E_PARAMETER;
        Backend& backend = Backend::Get();
        std::lock_guard<std::mutex> lock(backend.mutex);
        if (backend.initCount == 0) return MV_E_CALLORDER;
        const OrnicAravis::DeviceRecord* record = backend.FindRecord(device);
        if (record == nullptr) return MV_E_PARAMETER;  // not a record this SDK handed out
        const uintptr_t id = backend.nextHandle++;
        backend.handles[id] = std::make_shared<Handle>(*record);
        *handle = reinterpret_cast<void*>(id);
        return MV_OK;
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_DestroyHandle(void* handle)
{
    return Guarded([&]() -> uint32_t {
        std::shared_ptr<Handle> h;
        {
            Backend& backend = Backend::Get();
            std::lock_guard<std::mutex> lock(backend.mutex);
            h = backend.FindHandle(handle);
            if (!h) return MV_E_HANDLE;
            backend.handles.erase(reinterpret_cast<uintptr_t>(handle));
        }
        OrnicAravis::CloseDevice(h);
        return MV_OK;
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_OpenDevice(void* handle, unsigned int accessMode, unsigned short switchoverKey)
{
    return Guarded([&]() -> uint32_t {
        const std::shared_ptr<Handle> h = OrnicAravis::LookUp(handle);
        if (!h) return MV_E_HANDLE;
        if (accessMode < 1 || accessMode > 7) return MV_E_PARAMETER;
        if (accessMode != 1 || switchoverKey != 0) return MV_E_SUPPORT;  // exclusive access only
        std::lock_guard<std::mutex> lock(h->mutex);
        if (h->open.load()) return h->lost.load() ? MV_E_BUSY : MV_E_CALLORDER;
        {
            Backend& backend = Backend::Get();
            std::lock_guard<std::mutex> tables(backend.mutex);
            if (backend.initCount == 0) return MV_E_CALLORDER;
        }
        if (!OrnicAravis::Claim(h->target.key)) return MV_E_ACCESS_DENIED;  // another handle has it
        const uint32_t status = OrnicAravis::Connect(*h, h);
        if (status != MV_OK) {
            OrnicAravis::Release(h->target.key);
            return status;
        }
        h->lost.store(false);
        h->open.store(true);
        return MV_OK;
    });
}

MV_SDK_API int MV_SDK_CALL MV_CC_CloseDevice(void* handle)
{
    return Guarded([&]() -> uint32_t {
        const std::shared_ptr<Handle> h = OrnicAravis::LookUp(handle);
        if (!h) return MV_E_HANDLE;
        if (!h->open.load()) return MV_E_CALLORDER;
        OrnicAravis::CloseDevice(h);
        return MV_OK;
    });
}

// Registered on an opened handle; null unregisters. Unregistering waits for a loss report in
// progress on another thread, so none runs after it returns.
MV_SDK_API int MV_SDK_CALL MV_CC_RegisterExceptionCallBack(void* handle, MvExceptionCallback callback, void* user)
{
    return Guarded([&]() -> uint32_t {
        const std::shared_ptr<Handle> h = OrnicAravis::LookUp(handle);
        if (!h) return MV_E_HANDLE;
        {
            std::lock_guard<std::mutex> lock(h->mutex);
            if (!h->open.load()) return MV_E_CALLORDER;
            if (h->lost.load()) return MV_E_BUSY;
        }
        std::lock_guard<std::recursive_mutex> lock(h->exceptionMutex);
        h->exceptionCallback = callback;
        h->exceptionUser = callback != nullptr ? user : nullptr;
        return MV_OK;
    });
}

}  // extern "C"
