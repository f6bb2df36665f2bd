// The Aravis backend's shared state: initialization, the device records handed to the
// driver, and the handles. One mutex guards the tables; each handle has its own for its
// device and node map, never held while waiting for a callback to return.
#pragma once

#include <arv.h>

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "sdk/MvSdk.h"

namespace Convert {
class Converter;
}

namespace OrnicAravis {

// What the environment asks of the backend, read afresh at each enumeration.
struct Settings {
    bool addressesSet = false;        // ORNIC_ARAVIS_ADDRESSES given: no broadcast discovery
    std::vector<uint32_t> addresses;  // host order; the only GigE Vision devices asked
    std::string badAddresses;         // entries that were not IPv4 addresses
    bool fake = false;                // ORNIC_ARAVIS_FAKE=1: Aravis's in-process fake camera too
    uint32_t discoveryMs = 300;       // ORNIC_ARAVIS_DISCOVERY_MS: how long to wait for answers
};
Settings ReadSettings();

// One listed device. `info` is what the driver holds; it stays at its address until the
// MV_CC_Finalize that ends the initialization.
struct DeviceRecord {
    MvDeviceInfo info{};
    std::string key;                // identity across enumerations
    bool gige = false;              // reached by address (our discovery), else by Aravis id
    uint32_t deviceAddress = 0;     // GigE Vision, host order
    uint32_t interfaceAddress = 0;  // the host's address toward it
    std::string aravisId;           // USB3 Vision and the fake camera
};

class Stream;

struct Handle {
    explicit Handle(const DeviceRecord& record) : target(record) {}
    ~Handle();
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    const DeviceRecord target;  // a copy: the record may be refreshed by a new enumeration
    std::mutex mutex;           // the device and its node map, the state below

    ArvDevice* device = nullptr;
    ArvCamera* camera = nullptr;
    ArvGc* genicam = nullptr;
    gulong lostHandler = 0;
    std::atomic<bool> open{false};
    std::atomic<bool> lost{false};
    // Another open of this handle may follow a close; its loss watch must not see the old one.
    std::atomic<uint32_t> generation{0};

    unsigned int bufferCount = 1;
    MvImageCallback imageCallback = nullptr;
    void* imageUser = nullptr;
    bool bgr = false;
    std::shared_ptr<Stream> stream;  // while grabbing
    std::shared_ptr<Convert::Converter> converter;

    // The exception callback and the thread that reports a loss on it; `closing` keeps a loss
    // noticed during a close from being reported. Recursive: the callback may call back in.
    std::recursive_mutex exceptionMutex;
    bool closing = false;
    MvExceptionCallback exceptionCallback = nullptr;
    void* exceptionUser = nullptr;
    std::thread notifier;
};

class Backend {
public:
    static Backend& Get();

    std::mutex mutex;
    int initCount = 0;
    std::vector<std::unique_ptr<DeviceRecord>> records;  // every record made since initialize
    std::map<uintptr_t, std::shared_ptr<Handle>> handles;
    uintptr_t nextHandle = 0x0A7A0001;

    // Under `mutex`.
    const DeviceRecord* FindRecord(const MvDeviceInfo* info) const;
    std::shared_ptr<Handle> FindHandle(void* handle) const;

private:
    Backend() = default;
};

// The frame of every handle operation: null or unknown handle MV_E_HANDLE, a null pointer
// MV_E_PARAMETER, then under the handle's mutex: not open MV_E_CALLORDER, lost MV_E_BUSY,
// then the body. Nothing thrown leaves the library.
template <typename Body>
int OpenHandleCall(void* handle, std::initializer_list<const void*> required, Body&& body)
{
    try {
        std::shared_ptr<Handle> h;
        {
            Backend& backend = Backend::Get();
            std::lock_guard<std::mutex> lock(backend.mutex);
            h = backend.FindHandle(handle);
        }
        if (!h) return static_cast<int>(MV_E_HANDLE);
        for (const void* pointer : required) {
            if (pointer == nullptr) return static_cast<int>(MV_E_PARAMETER);
        }
        std::lock_guard<std::mutex> lock(h->mutex);
        if (!h->open.load()) return static_cast<int>(MV_E_CALLORDER);
        if (h->lost.load()) return static_cast<int>(MV_E_BUSY);
        return static_cast<int>(body(*h));
    } catch (const std::bad_alloc&) {
        return static_cast<int>(MV_E_RESOURCE);
    } catch (...) {
        return static_cast<int>(MV_E_UNKNOWN);
    }
}

// The handle itself, for operations that manage their own locking.
std::shared_ptr<Handle> LookUp(void* handle);

// Every exception stops at the library's edge.
template <typename Body>
int Guarded(Body&& body)
{
    try {
        return static_cast<int>(body());
    } catch (const std::bad_alloc&) {
        return static_cast<int>(MV_E_RESOURCE);
    } catch (...) {
        return static_cast<int>(MV_E_UNKNOWN);
    }
}

}  // namespace OrnicAravis
